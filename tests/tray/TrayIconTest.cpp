#include "TrayIcon.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

namespace skyloom {
namespace {

// A form with a tray icon and a tray menu like the program's: "Show main window" is the default item.
class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = new TForm(nullptr);
        Form->BeginLoading();
        Form->SetCaption("Tray test");
        Menu = new TPopupMenu(Form);
        Show = new TMenuItem(Form);
        Show->SetCaption("Show main window");
        Show->SetDefault(true);
        Show->OnClick = [this](TObject*) { ++ShowClicks; };
        Other = new TMenuItem(Form);
        Other->SetCaption("Other");
        Other->OnClick = [this](TObject*) { ++OtherClicks; };
        Menu->Items().Add(Other);
        Menu->Items().Add(Show);
        Tray = new TTrayIcon(Form);
        Tray->SetHint("Skyloom");
        Tray->SetPopupMenu(Menu);
        Tray->MinimizeToTray = true;
        Tray->SetIconVisible(true);
        Form->FinishLoading();
        Tray->SetIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
        Application.SetMainForm(Form);
    }

    void TearDown() override
    {
        Application.SetMainForm(nullptr);
        delete Form;
        EXPECT_EQ(TTrayIconHandler::RefCount(), 0) << "the notification window goes with the last icon";
        EXPECT_EQ(TTrayIconHandler::Handle(), nullptr);
    }

    // What the shell does when the user acts on the icon.
    void Shell(UINT mouseMessage, UINT id = 0)
    {
        SendMessageA(TTrayIconHandler::Handle(), TrayCallbackMessage, id ? id : Tray->TrayIdentifier(), mouseMessage);
    }

    // Whether the shell still knows our icon: modifying an absent icon is refused.
    bool IconInTray()
    {
        EXPECT_TRUE(Tray->WaitForShell()) << "the shell answered every command in time";
        NOTIFYICONDATAA copy = Tray->TrayRecord();
        copy.uFlags = NIF_TIP;
        return Shell_NotifyIconA(NIM_MODIFY, &copy) != FALSE;
    }

    TForm* Form = nullptr;
    TPopupMenu* Menu = nullptr;
    TMenuItem* Show = nullptr;
    TMenuItem* Other = nullptr;
    TTrayIcon* Tray = nullptr;
    int ShowClicks = 0;
    int OtherClicks = 0;
};

TEST_F(TrayIconTest, RecordCarriesWhatTheShellNeeds)
{
    const NOTIFYICONDATAA& r = Tray->TrayRecord();
    EXPECT_EQ(r.cbSize, TrayRecordSize);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(r.cbSize, 488u) << "the 32-bit record size";
    }
    EXPECT_EQ(r.hWnd, TTrayIconHandler::Handle()) << "notices go to the shared window";
    EXPECT_NE(r.uID, 0u);
    EXPECT_EQ(r.uFlags, 7u) << "message, icon and tooltip valid";
    EXPECT_EQ(r.uCallbackMessage, 2048u);
    EXPECT_NE(r.hIcon, nullptr) << "the icon set after loading is the one sent";
    EXPECT_STREQ(r.szTip, "Skyloom");
    EXPECT_TRUE(Tray->IconVisible());
    EXPECT_TRUE(IconInTray()) << "the icon was added at loading";
}

TEST_F(TrayIconTest, HintReachesTheTrayCutTo127Characters)
{
    const struct {
        std::string Hint;
        bool Show;
        std::size_t TipLength;
    } cases[] = {{std::string(127, 'x'), true, 127}, {std::string(128, 'y'), true, 127},
                 {std::string(300, 'z'), true, 127}, {"Skyloom", false, 0}, {"", true, 0}};
    for (const auto& c : cases) {
        Tray->SetHint(c.Hint);
        Tray->SetShowHint(c.Show);
        EXPECT_EQ(std::strlen(Tray->TrayRecord().szTip), c.TipLength) << c.Hint.size() << " chars, shown " << c.Show;
        EXPECT_EQ(std::string(Tray->TrayRecord().szTip), c.Hint.substr(0, c.TipLength));
    }
    EXPECT_EQ(Tray->Hint().size(), 0u);
    Tray->SetHint(std::string(300, 'h'));
    EXPECT_EQ(Tray->Hint().size(), 255u) << "the hint itself keeps at most 255 characters";
}

TEST_F(TrayIconTest, IconsShareOneWindowAndAreToldApart)
{
    auto* second = new TTrayIcon(Form);
    EXPECT_EQ(TTrayIconHandler::RefCount(), 2);
    EXPECT_EQ(second->TrayRecord().hWnd, Tray->TrayRecord().hWnd);
    EXPECT_NE(second->TrayIdentifier(), Tray->TrayIdentifier());
    int first = 0, other = 0;
    Tray->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState, int, int) {
        EXPECT_EQ(s, Tray);
        EXPECT_EQ(b, mbMiddle);
        ++first;
    };
    second->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++other; };
    Shell(WM_MBUTTONDOWN);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(other, 0) << "a notice reaches only the icon it names";
    // An identifier nobody was given is ignored, not followed.
    SendMessageA(TTrayIconHandler::Handle(), TrayCallbackMessage, 0xDEAD, WM_MBUTTONDOWN);
    EXPECT_EQ(first + other, 1);
    delete second;
    EXPECT_EQ(TTrayIconHandler::RefCount(), 1);
    EXPECT_NE(TTrayIconHandler::Handle(), nullptr);
}

TEST_F(TrayIconTest, DoubleClickRunsTheDefaultItemAndASingleClickNothing)
{
    Shell(WM_LBUTTONDOWN);
    Shell(WM_LBUTTONUP);
    PumpFor(2 * GetDoubleClickTime());
    EXPECT_EQ(ShowClicks + OtherClicks, 0) << "a single click does nothing visible";
    Shell(WM_LBUTTONDOWN);
    Shell(WM_LBUTTONUP);
    Shell(WM_LBUTTONDBLCLK);
    Shell(WM_LBUTTONUP);
    EXPECT_EQ(ShowClicks, 1) << "the default item, not the first one";
    EXPECT_EQ(OtherClicks, 0);
}

TEST_F(TrayIconTest, DefaultItemNeedsAnEnabledMenuWithAutomaticPopup)
{
    Menu->AutoPopup = false;
    Shell(WM_LBUTTONDBLCLK);
    Menu->AutoPopup = true;
    Tray->LeftPopup = true;
    Shell(WM_LBUTTONDBLCLK);
    Tray->LeftPopup = false;
    Tray->Enabled = false;
    Shell(WM_LBUTTONDBLCLK);
    EXPECT_EQ(ShowClicks, 0);
    Tray->Enabled = true;
    delete Menu;
    EXPECT_EQ(Tray->PopupMenu(), nullptr) << "the link to a freed menu is cleared";
    Shell(WM_LBUTTONDBLCLK);
    Shell(WM_RBUTTONDOWN);
    EXPECT_EQ(ShowClicks, 0);
}

TEST_F(TrayIconTest, RightButtonOpensTheMenuAtTheCursor)
{
    int popups = 0;
    Menu->OnPopup = [&](TObject*) {
        ++popups;
        EXPECT_EQ(Menu->PopupComponent, Tray) << "the tray icon is the menu's caller";
    };
    // Close the menu again from inside its own message loop, as a click elsewhere would.
    TSimpleTimer closer(nullptr, [](TSimpleTimer& t) {
        t.Stop();
        EndMenu();
    });
    closer.Start(300);
    Shell(WM_RBUTTONDOWN);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(ShowClicks + OtherClicks, 0) << "closing the menu chose nothing";
}

TEST_F(TrayIconTest, MinimisingHidesTheWindowAndItsTaskbarButton)
{
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Form->Handle()) != FALSE; }));
    SendMessageA(Application.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));
    EXPECT_FALSE(IsWindowVisible(Application.Handle())) << "no taskbar button";
    EXPECT_TRUE(IconInTray());

    int shows = 0;
    Form->OnShow = [&](TObject*) { ++shows; };
    Tray->RestoreMainWindow();
    PumpFor(50);
    EXPECT_TRUE(Form->Visible());
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
    EXPECT_NE(Form->WindowState(), wsMinimized);
    EXPECT_EQ(shows, 1) << "showing from the tray fires OnShow";
}

TEST_F(TrayIconTest, MinimisingWithoutTheSettingLeavesTheWindow)
{
    Tray->MinimizeToTray = false;
    Form->Show();
    SendMessageA(Application.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_TRUE(Form->Visible());
}

TEST_F(TrayIconTest, NewTaskbarGetsTheIconBack)
{
    ASSERT_TRUE(IconInTray());
    // The shell lost its icons (Explorer restarted)...
    NOTIFYICONDATAA copy = Tray->TrayRecord();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &copy));
    ASSERT_FALSE(IconInTray());
    // ...and announces the new taskbar to every top-level window.
    ASSERT_NE(TTrayIcon::TaskbarCreatedMessage(), 0u);
    SendMessageA(Application.Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(IconInTray());

    Tray->SetIconVisible(false);
    EXPECT_FALSE(IconInTray());
    SendMessageA(Application.Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_FALSE(IconInTray()) << "a hidden icon stays hidden";
}

TEST_F(TrayIconTest, CommandsReachTheShellInTheOrderMade)
{
    // Each line leaves the icon in the state given; none of them waits for the shell but the removals.
    const struct {
        const char* Steps;
        bool InTray;
    } cases[] = {{"remove add", true}, {"add remove", false}, {"remove add add", true},
                 {"remove hint add hint", true}, {"remove icon hint", false}, {"add icon remove add", true}};
    for (const auto& c : cases) {
        std::string steps = c.Steps;
        for (std::size_t at = 0; at < steps.size();) {
            std::size_t end = steps.find(' ', at);
            if (end == std::string::npos)
                end = steps.size();
            const std::string step = steps.substr(at, end - at);
            if (step == "add")
                Tray->SetIconVisible(true);
            else if (step == "remove")
                Tray->SetIconVisible(false);
            else if (step == "hint")
                Tray->SetHint("Skyloom " + std::to_string(at));
            else
                // A new image frees the one a queued command was made with; the command keeps its own.
                Tray->SetIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(at % 2 ? IDI_WARNING : IDI_INFORMATION)));
            at = end + 1;
        }
        EXPECT_EQ(IconInTray(), c.InTray) << c.Steps;
        EXPECT_EQ(Tray->IconVisible(), c.InTray) << c.Steps;
    }
    Tray->SetIconVisible(true);
    EXPECT_TRUE(Tray->ShowBalloonHint("Skyloom", "After the others", bitInfo, 5))
        << "a balloon comes after the commands before it, and the shell's answer is given back";
}

TEST_F(TrayIconTest, HeldCommandsWaitForTheReleaseAndARemovalEndsTheHold)
{
    Tray->SetIconVisible(false);
    // The shell may take seconds to put its tray window away when the last icon goes.
    ASSERT_TRUE(Tray->WaitForShell(10000));
    ASSERT_FALSE(IconInTray());
    Tray->HoldShell();
    Tray->SetIconVisible(true);
    Tray->SetHint("Held");
    // Asked directly, without waiting for the component's commands: the held add has not been sent.
    NOTIFYICONDATAA copy = Tray->TrayRecord();
    copy.uFlags = NIF_TIP;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &copy)) << "nothing reaches the shell while held";
    EXPECT_TRUE(Tray->IconVisible());
    Tray->ReleaseShell();
    EXPECT_TRUE(IconInTray()) << "released, the add reaches the shell";

    // A removal is not kept back: it takes the held commands along in their order, and ends the hold.
    Tray->HoldShell();
    Tray->SetHint("Held again");
    Tray->SetIconVisible(false);
    ASSERT_TRUE(Tray->WaitForShell(10000));
    EXPECT_FALSE(IconInTray());
    Tray->SetIconVisible(true);
    copy = Tray->TrayRecord();
    copy.uFlags = NIF_TIP;
    // Nothing releases this add: it reaches the shell on its own, or the hold outlived the removal.
    bool added = false;
    for (DWORD start = GetTickCount(); !added && GetTickCount() - start < 10000; Sleep(10))
        added = Shell_NotifyIconA(NIM_MODIFY, &copy) != FALSE;
    EXPECT_TRUE(added) << "after the removal nothing is held any more";
}

TEST_F(TrayIconTest, APostedBalloonIsAnsweredLaterWithTheShellsAnswer)
{
    std::atomic<int> answers{0}, shown{0};
    auto answered = [&](bool ok) {
        shown += ok ? 1 : 0;
        ++answers;
    };
    Tray->PostBalloonHint("Skyloom", "Posted", bitInfo, 5, answered);
    ASSERT_TRUE(Tray->WaitForShell(10000));
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(shown, 1) << "the shell took the balloon of an icon it shows";
    Tray->SetIconVisible(false);
    ASSERT_TRUE(Tray->WaitForShell(10000));
    Tray->PostBalloonHint("Skyloom", "Nobody to show it", bitWarning, 5, answered);
    ASSERT_TRUE(Tray->WaitForShell(10000));
    EXPECT_EQ(answers, 2);
    EXPECT_EQ(shown, 1) << "a balloon for an icon the shell does not show is refused";
}

TEST_F(TrayIconTest, AnIconRemovedBeforeItsHeldCommandsWentOutNeverReachesTheShell)
{
    // As a second instance: its icon is held until its window has painted, and it ends before that.
    auto* second = new TTrayIcon(Form);
    second->HoldShell();
    second->SetHint("Second instance");
    second->SetIconVisible(true);
    second->SetIconVisible(false);
    EXPECT_TRUE(second->WaitForShell(1000));
    EXPECT_EQ(second->ShellCommandsSent(), 0) << "neither the add nor the removal was sent";
    // Once something has gone out, a removal is sent like any other command.
    second->SetIconVisible(true);
    EXPECT_TRUE(second->WaitForShell(10000));
    second->HoldShell();
    second->SetIconVisible(false);
    EXPECT_TRUE(second->WaitForShell(10000));
    EXPECT_EQ(second->ShellCommandsSent(), 2) << "the add, then the removal";
    delete second;
}

TEST_F(TrayIconTest, DestructionRemovesTheIcon)
{
    NOTIFYICONDATAA copy = Tray->TrayRecord();
    delete Tray;
    copy.uFlags = NIF_TIP;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &copy)) << "no icon is left behind";
}

TEST_F(TrayIconTest, HiddenWindowNeverBlocksTheEndOfTheSession)
{
    EXPECT_EQ(SendMessageA(TTrayIconHandler::Handle(), WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_EQ(SendMessageA(TTrayIconHandler::Handle(), WM_CLOSE, 0, 0), 1);
    EXPECT_TRUE(IsWindow(TTrayIconHandler::Handle())) << "closing does not destroy the shared window";
}

TEST_F(TrayIconTest, BalloonNoticesBecomeEvents)
{
    std::string log;
    Tray->OnBalloonHintHide = [&](TObject*) { log += "hide "; };
    Tray->OnBalloonHintTimeout = [&](TObject*) { log += "timeout "; };
    Tray->OnBalloonHintClick = [&](TObject*) { log += "click"; };
    Shell(WM_USER + 3);
    Shell(WM_USER + 4);
    Shell(WM_USER + 5);
    EXPECT_EQ(log, "hide timeout click");
    EXPECT_TRUE(Tray->ShowBalloonHint("Skyloom", "Still here", bitInfo, 5));
    EXPECT_STREQ(Tray->TrayRecord().szInfo, "") << "a balloon is shown once, not with every later change";
}

} // namespace
} // namespace skyloom
