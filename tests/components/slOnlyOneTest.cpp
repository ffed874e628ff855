#include "slOnlyOne.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace skyloom {
namespace {

int GSwitchesSeen = 0;
WNDPROC GFormProc = nullptr;

LRESULT CALLBACK CountingFormProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == OnlyOneSwitchMessage)
        ++GSwitchesSeen;
    return CallWindowProcA(GFormProc, w, m, wp, lp);
}

// Two "instances" live in this one process: each is a root with its own guard. A named mutex made twice in one
// process reports that it already existed, exactly as it does across processes.
class OnlyOneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOldTitle = Application.Title();
        Application.SetTitle(std::string("SkyloomTest ") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                             " " + std::to_string(GetCurrentProcessId()));
        Application.ResetTerminated();
    }
    void TearDown() override
    {
        Application.ResetTerminated();
        DeleteRegistration();
        Application.SetTitle(FOldTitle);
    }

    struct TInstance {
        std::unique_ptr<TComponent> Root;
        TslOnlyOne* Guard = nullptr;
    };

    // One start: the guard is created with its settings, then loading runs its loaded step.
    TInstance Start(const std::function<void(TslOnlyOne&)>& configure = {})
    {
        TInstance i;
        i.Root = std::make_unique<TComponent>(nullptr);
        i.Root->BeginLoading();
        i.Guard = new TslOnlyOne(i.Root.get());
        if (configure)
            configure(*i.Guard);
        i.Root->FinishLoading();
        return i;
    }

    static HWND Registration()
    {
        DWORD value = 0, size = sizeof value, type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "TslOnlyOne", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return nullptr;
        LONG rc = RegQueryValueExA(key, Application.Title().c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                   &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return nullptr;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << "the registration is a 32-bit number";
        return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
    }

    static void DeleteRegistration()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "TslOnlyOne", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, Application.Title().c_str());
            RegCloseKey(key);
        }
    }

    static bool MutexExists()
    {
        HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, ("TslOnlyOne" + Application.Title()).c_str());
        if (!h)
            return false;
        CloseHandle(h);
        return true;
    }

private:
    std::string FOldTitle;
};

TEST_F(OnlyOneTest, FirstInstanceHoldsTheMutexAndRegistersItsMessageWindow)
{
    {
        TInstance first = Start();
        EXPECT_FALSE(first.Guard->AlreadyRunning());
        EXPECT_TRUE(MutexExists()) << "mutex \"TslOnlyOne\" + title";
        ASSERT_NE(first.Guard->MessageWindow(), nullptr);
        EXPECT_EQ(Registration(), first.Guard->MessageWindow());
        EXPECT_EQ(first.Guard->RegisteredWindow(), first.Guard->MessageWindow());
        char cls[64] = {};
        GetClassNameA(first.Guard->MessageWindow(), cls, sizeof cls);
        EXPECT_STREQ(cls, "TslSimpleMessageHook");
        EXPECT_FALSE(Application.Terminated());
    }
    EXPECT_EQ(Registration(), nullptr) << "a normal end withdraws the registration";
    EXPECT_FALSE(MutexExists()) << "and releases the mutex";
}

TEST_F(OnlyOneTest, SecondInstanceBringsTheFirstForwardAndEndsWithoutRegistering)
{
    TInstance first = Start();
    int firstClosed = 0;
    first.Guard->OnForcedTermination = [&](TObject*, bool&) { ++firstClosed; };
    std::string order;
    TInstance second = Start([&](TslOnlyOne& g) {
        g.OnAlreadyExist = [&](TObject* s) {
            EXPECT_EQ(s, &g);
            order += "exists ";
        };
        g.OnForcedTermination = [&](TObject*, bool& terminate) {
            EXPECT_TRUE(terminate) << "the answer starts as true";
            order += "ask";
        };
    });
    EXPECT_EQ(order, "exists ask");
    EXPECT_TRUE(second.Guard->AlreadyRunning());
    // Start-up has no message loop yet: the request waits for the loop, which then ends at once.
    EXPECT_TRUE(Application.TerminateRequested()) << "the second instance asked to end";
    EXPECT_FALSE(Application.Terminated());
    Application.ProcessMessages();
    EXPECT_TRUE(Application.Terminated()) << "the loop took the request up";
    EXPECT_EQ(firstClosed, 0) << "the first is only brought forward";
    EXPECT_EQ(second.Guard->RegisteredByThis(), nullptr);
    EXPECT_EQ(Registration(), first.Guard->MessageWindow()) << "the first stays registered";
    second = {};
    EXPECT_EQ(Registration(), first.Guard->MessageWindow()) << "the second's end leaves the first's registration";
    EXPECT_TRUE(MutexExists()) << "and its mutex";
}

TEST_F(OnlyOneTest, SecondKeptRunningTakesOverTheRegistration)
{
    TInstance first = Start();
    TInstance second = Start([](TslOnlyOne& g) { g.OnForcedTermination = [](TObject*, bool& t) { t = false; }; });
    EXPECT_FALSE(Application.TerminateRequested());
    EXPECT_EQ(Registration(), second.Guard->MessageWindow());
    first = {};
    EXPECT_EQ(Registration(), second.Guard->MessageWindow()) << "the first removes only its own registration";
    second = {};
    EXPECT_EQ(Registration(), nullptr);
}

TEST_F(OnlyOneTest, CloseFirstAsksTheFirstInstanceWhichMayRefuse)
{
    TInstance first = Start();
    int asked = 0;
    bool allow = false;
    first.Guard->OnForcedTermination = [&](TObject* s, bool& t) {
        EXPECT_EQ(s, first.Guard);
        ++asked;
        t = allow;
    };
    TInstance second = Start([](TslOnlyOne& g) {
        g.CloseFirst = true;
        g.CloseSecond = false;
        g.SwitchToFirst = false;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Application.TerminateRequested()) << "the first refused";
    allow = true;
    SendMessageA(first.Guard->MessageWindow(), OnlyOneCloseMessage, 0, 0);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(Application.TerminateRequested());
}

TEST_F(OnlyOneTest, SwitchRequestIsAnsweredAndPassedToTheHostForm)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->BeginLoading();
    auto* guard = new TslOnlyOne(form.get());
    form->FinishLoading();
    // Count what reaches the form's window.
    GSwitchesSeen = 0;
    GFormProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingFormProc)));
    EXPECT_EQ(SendMessageA(guard->MessageWindow(), OnlyOneSwitchMessage, 0, 0), 1);
    EXPECT_EQ(GSwitchesSeen, 1);
    EXPECT_FALSE(form->Visible()) << "a hidden window is not shown by the request";
    EXPECT_FALSE(Application.Terminated());
    SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GFormProc));
}

TEST_F(OnlyOneTest, ProgramsWithDifferentTitlesDoNotSeeEachOther)
{
    TInstance first = Start();
    const std::string firstTitle = Application.Title();
    Application.SetTitle(firstTitle + " other");
    {
        TInstance other = Start();
        EXPECT_FALSE(other.Guard->AlreadyRunning());
        EXPECT_FALSE(Application.Terminated());
        EXPECT_EQ(Registration(), other.Guard->MessageWindow());
    }
    Application.SetTitle(firstTitle);
    EXPECT_EQ(Registration(), first.Guard->MessageWindow());
}

TEST_F(OnlyOneTest, StaleRegistrationOfADeadInstanceIsOverwritten)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "TslOnlyOne", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD stale = 0x12345;
    RegSetValueExA(key, Application.Title().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stale), sizeof stale);
    RegCloseKey(key);
    TInstance first = Start();
    EXPECT_FALSE(first.Guard->AlreadyRunning()) << "without the mutex there is no running instance";
    EXPECT_EQ(Registration(), first.Guard->MessageWindow());
}

TEST_F(OnlyOneTest, OtherMessagesGetTheDefaultHandling)
{
    TInstance first = Start();
    EXPECT_EQ(SendMessageA(first.Guard->MessageWindow(), WM_USER + 77, 0, 0), 0);
    EXPECT_FALSE(Application.Terminated());
}

} // namespace
} // namespace skyloom
