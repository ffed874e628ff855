// Window hooks and their chain, message windows, savers and the file stream, on a real window system.
#include "ExtCtrls.h"
#include "Forms.h"
#include "TestSupport.h"
#include "slClasses_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace skyloom;

namespace {

constexpr UINT kProbe = WM_USER + 100;
using TJournal = std::vector<std::string>;

// A form whose own window procedure answers the probe message with 5.
class TProbeForm : public TForm {
public:
    explicit TProbeForm(TJournal& journal) : TForm(nullptr), FJournal(journal)
    {
        SetCaption("Hooked");
        SetClientSize(200, 100);
        FinishLoading();
    }

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == kProbe) {
            FJournal.push_back("window");
            message.Result = 5;
            return;
        }
        if (message.Msg == WM_WINDOWPOSCHANGING && RefuseZOrder)
            reinterpret_cast<WINDOWPOS*>(message.LParam)->flags |= SWP_NOZORDER;
        TForm::WndProc(message);
    }

public:
    // The window keeps its place in the z-order (and so its topmost state) whatever it is asked.
    bool RefuseZOrder = false;

private:
    TJournal& FJournal;
};

class TRecordingHook : public TslFormHookComponent {
public:
    TRecordingHook(TComponent* owner, TComponent* host, std::string tag, TJournal& journal)
        : TslFormHookComponent(owner, host), FTag(std::move(tag)), FJournal(journal)
    {
    }
    bool Handle = false;
    bool Throw = false;
    int Rehooks = 0;

    void BeforeMessage(TMessage& message, bool& handled) override
    {
        if (message.Msg != kProbe)
            return;
        FJournal.push_back(FTag + " before");
        if (Throw)
            throw Exception("hook failed");
        if (Handle) {
            handled = true;
            message.Result = 77;
        }
    }
    void AfterMessage(TMessage& message) override
    {
        if (message.Msg == kProbe)
            FJournal.push_back(FTag + " after");
    }
    void Rehooked() override
    {
        TslFormHookComponent::Rehooked();
        ++Rehooks;
    }

private:
    std::string FTag;
    TJournal& FJournal;
};

struct THookFixture : ::testing::Test {
    TJournal Journal;
    std::unique_ptr<TProbeForm> Form = std::make_unique<TProbeForm>(Journal);
    TComponent Owner{nullptr};

    LRESULT Probe()
    {
        Journal.clear();
        return SendMessageA(Form->Handle(), kProbe, 0, 0);
    }
    WNDPROC WindowProc() { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC)); }
};

} // namespace

TEST_F(THookFixture, TwoHooksSeeAMessageNewestFirstThenTheWindow)
{
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    auto* b = new TRecordingHook(&Owner, Form.get(), "B", Journal);
    EXPECT_EQ(Probe(), 5);
    EXPECT_EQ(Journal, (TJournal{"B before", "A before", "window", "A after", "B after"}));
    EXPECT_EQ(WindowProc(), b->EntryPoint());
    EXPECT_EQ(b->PrevWndProc(), a->EntryPoint());
}

TEST_F(THookFixture, RemovingTheFirstHookLeavesTheSecondPassingToTheWindow)
{
    WNDPROC own = WindowProc();
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    auto* b = new TRecordingHook(&Owner, Form.get(), "B", Journal);
    delete a;
    EXPECT_EQ(Probe(), 5);
    EXPECT_EQ(Journal, (TJournal{"B before", "window", "B after"}));
    EXPECT_EQ(b->PrevWndProc(), own) << "straight to the window's own procedure";
}

TEST_F(THookFixture, RemovingTheLastHookPutsTheWindowsOwnProcedureBack)
{
    WNDPROC own = WindowProc();
    for (bool newestFirst : {true, false}) {
        auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
        auto* b = new TRecordingHook(&Owner, Form.get(), "B", Journal);
        EXPECT_NE(WindowProc(), own);
        if (newestFirst) {
            delete b;
            delete a;
        } else {
            delete a;
            delete b;
        }
        EXPECT_EQ(WindowProc(), own) << (newestFirst ? "newest removed first" : "oldest removed first");
        EXPECT_EQ(Probe(), 5);
        EXPECT_EQ(Journal, (TJournal{"window"}));
    }
    EXPECT_EQ(TslHookList::Instance(), nullptr) << "the list goes with the last hook component";
}

TEST_F(THookFixture, ARecreatedWindowKeepsItsHooksAndEachRehookedOnce)
{
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    auto* b = new TRecordingHook(&Owner, Form.get(), "B", Journal);
    HWND old = Form->Handle();
    Form->RecreateWnd();
    HWND fresh = Form->Handle();
    ASSERT_NE(old, fresh);
    ASSERT_TRUE(PumpUntil([&] { return a->HookedWnd() == fresh && b->HookedWnd() == fresh; }))
        << "the hooks move to the new window";
    PumpFor(50);
    EXPECT_EQ(a->Rehooks, 1);
    EXPECT_EQ(b->Rehooks, 1);
    EXPECT_EQ(Probe(), 5);
    EXPECT_EQ(Journal, (TJournal{"B before", "A before", "window", "A after", "B after"}));
    delete b;
    delete a;
    EXPECT_EQ(Probe(), 5);
    EXPECT_EQ(Journal, (TJournal{"window"}));
}

TEST_F(THookFixture, AHandledMessageSkipsTheWindowButAfterMessageRuns)
{
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    new TRecordingHook(&Owner, Form.get(), "B", Journal);
    a->Handle = true;
    EXPECT_EQ(Probe(), 77);
    EXPECT_EQ(Journal, (TJournal{"B before", "A before", "A after", "B after"}));
}

TEST_F(THookFixture, AnErrorInAHookIsReportedAndStaysInside)
{
    TExceptionCatcher catcher;
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    a->Throw = true;
    EXPECT_EQ(Probe(), 0) << "the message counts as processed";
    EXPECT_EQ(catcher.Messages, std::vector<std::string>{"hook failed"});
    EXPECT_EQ(catcher.Senders, std::vector<TObject*>{a});
    a->Throw = false;
    EXPECT_EQ(Probe(), 5) << "the chain still works";
}

TEST_F(THookFixture, TheStandardConstructorNeedsAWindowedOwner)
{
    try {
        TslFormHookComponent bad(&Owner);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Owner must be TWinControl or its descendant!");
    }
    EXPECT_EQ(Owner.ComponentCount(), 0) << "the failed component left its owner";
    auto* hook = new TslFormHookComponent(Form.get());
    EXPECT_EQ(hook->HookedWnd(), Form->Handle());
    EXPECT_EQ(hook->Host(), Form.get());
    EXPECT_EQ(hook->HostForm(), Form.get());
    EXPECT_EQ(hook->HookedSystemMenu(), GetSystemMenu(Form->Handle(), FALSE));
    delete hook;
}

TEST_F(THookFixture, ChangingTheHostMovesTheHook)
{
    TJournal otherJournal;
    TProbeForm other(otherJournal);
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    a->SetHost(&other);
    EXPECT_EQ(a->HookedWnd(), other.Handle());
    EXPECT_EQ(Probe(), 5);
    EXPECT_EQ(Journal, (TJournal{"window"})) << "the old window is free of the hook";
    SendMessageA(other.Handle(), kProbe, 0, 0);
    EXPECT_EQ(Journal.size(), 3u) << "before, then after, around the other window";
    a->SetHost(nullptr);
    EXPECT_EQ(a->HookedWnd(), nullptr);
}

TEST_F(THookFixture, StayOnTopFollowsTheWindowAndSurvivesRecreation)
{
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    auto* b = new TRecordingHook(&Owner, Form.get(), "B", Journal);
    EXPECT_FALSE(a->StayOnTop());
    a->SetStayOnTop(true);
    EXPECT_TRUE(GetWindowLongPtrA(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(b->StayOnTop()) << "every hook reads the window's state";
    Form->RecreateWnd();
    ASSERT_TRUE(PumpUntil([&] { return a->HookedWnd() == Form->Handle(); }));
    PumpFor(20);
    EXPECT_TRUE(GetWindowLongPtrA(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) << "Rehooked applied it again";
    a->SetStayOnTop(false);
    EXPECT_FALSE(GetWindowLongPtrA(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(THookFixture, AStayOnTopStateTheWindowRefusesEndsWithoutTheHooksAskingEachOtherAgain)
{
    auto* a = new TRecordingHook(&Owner, Form.get(), "A", Journal);
    auto* b = new TRecordingHook(&Owner, Form.get(), "B", Journal);
    Form->RefuseZOrder = true;
    a->SetStayOnTop(true);
    EXPECT_FALSE(GetWindowLongPtrA(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) << "the window refused it";
    EXPECT_FALSE(a->StayOnTop());
    EXPECT_FALSE(b->StayOnTop());
    Form->RefuseZOrder = false;
    a->SetStayOnTop(true);
    EXPECT_TRUE(b->StayOnTop()) << "once the window takes it, every hook reads it";
    a->SetStayOnTop(false);
}

TEST_F(THookFixture, AnimationEffectSeesShowingAndHiding)
{
    auto* effect = new TslFormAnimationEffect(&Owner, Form.get());
    int shows = 0, hides = 0;
    effect->OnShowEffect = [&](TObject*) { ++shows; };
    effect->OnHideEffect = [&](TObject*) { ++hides; };
    Form->Show();
    Form->Hide();
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(hides, 1);
}

namespace {

class TCaptionWatcher : public TslHFormHookComponentWatchCaption {
public:
    using TslHFormHookComponentWatchCaption::TslHFormHookComponentWatchCaption;
    int Changes = 0;
    std::vector<UINT> AppMessages;

protected:
    void CaptionChanged() override { ++Changes; }
    void BeforeAppMessage(TMessage& message, bool& handled) override
    {
        if (message.Msg == kProbe + 1) {
            AppMessages.push_back(message.Msg);
            handled = true;
            message.Result = 9;
        }
    }
};

} // namespace

TEST_F(THookFixture, CaptionWatcherNoticesChangesWhenTheTextIsRead)
{
    auto* watcher = new TCaptionWatcher(&Owner, Form.get());
    char text[64];
    GetWindowTextA(Form->Handle(), text, sizeof text);
    ASSERT_TRUE(PumpUntil([&] { return watcher->Changes == 1; }));
    EXPECT_EQ(watcher->WatchedCaption(), L"Hooked");
    Form->SetCaption("Renamed");
    GetWindowTextA(Form->Handle(), text, sizeof text);
    GetWindowTextA(Form->Handle(), text, sizeof text);
    ASSERT_TRUE(PumpUntil([&] { return watcher->Changes == 2; }));
    PumpFor(50);
    EXPECT_EQ(watcher->Changes, 2) << "reading the same caption again is no change";
    EXPECT_EQ(watcher->WatchedCaption(), L"Renamed");
    // The utility window says yes to the end of the session.
    EXPECT_EQ(SendMessageA(watcher->UtilityWindow(), WM_QUERYENDSESSION, 0, 0), 1);
}

TEST_F(THookFixture, AppHookSeesTheApplicationWindowsMessages)
{
    HWND app = Application.Handle();
    auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(app, GWLP_WNDPROC));
    auto* watcher = new TCaptionWatcher(&Owner, Form.get());
    ASSERT_TRUE(PumpUntil([&] { return watcher->AppHooked(); }));
    EXPECT_EQ(SendMessageA(app, kProbe + 1, 0, 0), 9);
    EXPECT_EQ(watcher->AppMessages.size(), 1u);
    delete watcher;
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(app, GWLP_WNDPROC)), own) << "unhooked on destruction";
}

namespace {

class TMessageComponent : public TslComponent {
public:
    using TslComponent::TslComponent;
    std::vector<UINT> Seen;
    void MessageHandler(TMessage& message) override
    {
        Seen.push_back(message.Msg);
        if (message.Msg == kProbe)
            message.Result = 1234;
        if (message.Msg == kProbe + 2)
            throw Exception("handler failed");
    }
};

} // namespace

TEST(TslSimpleMessageHook, HiddenWindowPassesMessagesToItsComponent)
{
    TComponent owner(nullptr);
    auto* component = new TMessageComponent(&owner);
    {
        TslSimpleMessageHook hook(component);
        HWND wnd = hook.Handle();
        ASSERT_TRUE(IsWindow(wnd));
        char name[64];
        GetClassNameA(wnd, name, sizeof name);
        EXPECT_STREQ(name, "TslSimpleMessageHook");
        EXPECT_EQ(GetWindow(wnd, GW_OWNER), Application.Handle());
        EXPECT_FALSE(IsWindowVisible(wnd));
        EXPECT_EQ(SendMessageA(wnd, kProbe, 0, 0), 1234);
        // Left at 0 by the handler, the platform answers: the text length of the window.
        SetWindowTextA(wnd, "abc");
        EXPECT_EQ(SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0), 3);
        TExceptionCatcher catcher;
        SendMessageA(wnd, kProbe + 2, 0, 0);
        EXPECT_EQ(catcher.Messages, std::vector<std::string>{"handler failed"});
        TslSimpleMessageHook second(component);
        EXPECT_EQ(TslSimpleMessageHook::LiveCount(), 2);
        EXPECT_FALSE(component->Seen.empty());
    }
    EXPECT_EQ(TslSimpleMessageHook::LiveCount(), 0);
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "TslSimpleMessageHook", &wc))
        << "the class goes with the last window";
}

namespace {

// Saves one number under RegValue, and can be told to fail while doing it.
class TNumberSaver : public TslValueRegistrySaver {
public:
    using TslValueRegistrySaver::TslValueRegistrySaver;
    int Number = 0;
    bool Fail = false;

protected:
    void SaveToRegistry(TRegistry& registry) override
    {
        if (Fail)
            throw Exception("cannot save");
        registry.WriteInteger(RegValue, Number);
    }
    void LoadFromRegistry(TRegistry& registry) override { Number = registry.ReadInteger(RegValue); }
    void SaveToIni(TIniFile& ini) override
    {
        if (Fail)
            throw Exception("cannot save");
        ini.WriteInteger(IniSection, RegValue, Number);
    }
    void LoadFromIni(TIniFile& ini) override { Number = ini.ReadInteger(IniSection, RegValue, -1); }
};

std::string TempPath(const std::string& name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

} // namespace

TEST(Savers, RegistryStorageSavesAndLoads)
{
    TComponent owner(nullptr);
    TNumberSaver saver(&owner);
    EXPECT_EQ(saver.RegKey(), "Software\\CompanyName\\ProgramName\\Default");
    EXPECT_EQ(saver.RegValue, "Default");
    saver.SetRegKey("\\\\Software\\SkyloomTests\\Saver\\");
    EXPECT_EQ(saver.RegKey(), "Software\\SkyloomTests\\Saver") << "outer backslashes removed";
    saver.Number = 41;
    saver.Save();
    TNumberSaver reader(&owner);
    reader.SetRegKey("Software\\SkyloomTests\\Saver");
    reader.Load();
    EXPECT_EQ(reader.Number, 41);

    // Disabled or designed: nothing happens.
    saver.Number = 1;
    saver.Enabled = false;
    saver.Save();
    saver.Enabled = true;
    owner.SetDesigning(true);
    saver.Save();
    owner.SetDesigning(false);
    reader.Load();
    EXPECT_EQ(reader.Number, 41);

    // An error inside the descendant's saving is ignored; the old value stays.
    saver.Fail = true;
    saver.Number = 2;
    EXPECT_NO_THROW(saver.Save());
    reader.Load();
    EXPECT_EQ(reader.Number, 41);

    // Clearing the key before saving removes other values.
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\SkyloomTests\\Saver", false));
        reg.WriteString("Stale", "x");
    }
    saver.Fail = false;
    saver.ClearKeyBeforeSave = true;
    saver.Save();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\SkyloomTests\\Saver", false));
        EXPECT_FALSE(reg.ValueExists("Stale"));
        EXPECT_EQ(reg.ReadInteger("Default"), 2);
    }
    // Loading a key that does not exist leaves the value and creates nothing.
    TNumberSaver absent(&owner);
    absent.SetRegKey("Software\\SkyloomTests\\Absent");
    absent.Number = 7;
    absent.Load();
    EXPECT_EQ(absent.Number, 7);
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\Software\\SkyloomTests\\Absent"));
    reg.DeleteKey("\\Software\\SkyloomTests");
}

TEST(Savers, IniStorageNeedsAFileName)
{
    TComponent owner(nullptr);
    TNumberSaver saver(&owner);
    saver.Storage = useIniFile;
    saver.IniSection = "Window";
    for (auto action : {&TNumberSaver::Save, &TNumberSaver::Load}) {
        try {
            (saver.*action)();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, ".INI file not specified");
        }
    }
    saver.IniFileName = TempPath("skyloom_saver_test.ini");
    std::remove(saver.IniFileName.c_str());
    saver.Number = 12;
    saver.Save();
    TNumberSaver reader(&owner);
    reader.Storage = useIniFile;
    reader.IniSection = "Window";
    reader.IniFileName = saver.IniFileName;
    reader.Load();
    EXPECT_EQ(reader.Number, 12);
    saver.Fail = true;
    EXPECT_NO_THROW(saver.Save());
    std::remove(saver.IniFileName.c_str());
}

TEST(TslFileStream, ReadOnlyFilesOpenOnlyWhenKeepingAttributes)
{
    std::string path = TempPath("skyloom_stream_test.txt");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::remove(path.c_str());
    std::ofstream(path, std::ios::binary) << "original";
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    // Whether the platform refuses to write a read-only file here (an administrator under Wine may write it).
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool enforced = probe == INVALID_HANDLE_VALUE;
    if (!enforced)
        CloseHandle(probe);
    if (enforced) {
        try {
            TslFileStream plain(path, false, fsmOpen);
            FAIL() << "a read-only file opened for writing";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message, "Cannot create file " + path);
        }
    }
    {
        TslFileStream kept(path, true, fsmOpen);
        EXPECT_EQ(kept.Size(), 8);
        char buffer[8];
        kept.ReadBuffer(buffer, 8);
        EXPECT_EQ(std::string(buffer, 8), "original");
        kept.WriteBuffer("+more", 5);
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY) << "the attributes are restored";
    {
        TslFileStream replaced(path, true, fsmCreate);
        EXPECT_EQ(replaced.Size(), 0) << "create replaces the old contents";
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::remove(path.c_str());
    {
        TslFileStream created(path, false, fsmOpen);
        EXPECT_EQ(created.Size(), 0) << "open creates a missing file";
    }
    std::remove(path.c_str());
    std::string bad = TempPath("no_such_dir\\file.txt");
    try {
        TslFileStream missingDir(bad, true, fsmCreate);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file " + bad);
    }
}
