#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "AppSettings.h"
#include "LoopbackServer.h"
#include "Config.h"
#include "TestSupport.h"
#include "Unit1.h"
#include "slAppStartCounter.h"
#include "slRSSFeed.h"

namespace skyloom {
namespace {

constexpr const char* CounterKey = "Software\\Quorvane\\Skyloom\\Default";

// The main window as the program creates it, in a registry where the program has started before (so the first
// start's welcome box does not wait for a click).
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, CounterKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        DWORD five = 5;
        RegSetValueExA(k, "Start Counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4);
        RegCloseKey(k);
        Application.Initialize();
        Application.SetTitle("Skyloom");
    }
    void TearDown() override
    {
        Application.SetMainForm(nullptr);
        delete form_;
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvane");
    }
    TForm1& Create()
    {
        form_ = new TForm1(nullptr);
        // As in the program, the window is the application's main window: the tray icon hides and restores that.
        Application.SetMainForm(form_);
        return *form_;
    }
    TForm1* form_ = nullptr;
};

TEST_F(MainWindow, ComponentsStandInDesignOrder)
{
    TForm1& form = Create();
    std::vector<std::string> names;
    for (TComponent* c : form.Components())
        names.push_back(c->Name);
    // Components of units that are not in this build are missing; the rest keep the design order, which is the
    // order of the loaded steps.
    const std::vector<std::string> design = {
        "Label1", "Panel1", "slHTMLViewer1", "WideListBox1", "CheckBox1", "slQuickAboutBox1", "slSelfUpdater1", "About1",
        "slFormSystemMenu1", "slOnlyOne1", "slRSSFeed1", "slThread1", "File1", "About2", "Checkforupdates1",
        "Refreshnews1", "N1", "Exit1", "MainMenu1", "TrayIcon1", "Showmainwindow1", "About3", "Checkforupdates2",
        "Refreshnews2", "N2", "Closeapplication1", "PopupMenu1", "NetHTTP1", "Timer1", "slAppStartCounter1",
        // Helpers the window makes for the news refresh, after the design's components.
        "ListFiller", "NewsThread",
        // The start of a showing's work once the window has painted.
        "AfterPaint"};
    std::size_t at = 0;
    for (const std::string& name : names) {
        while (at < design.size() && design[at] != name)
            ++at;
        ASSERT_LT(at, design.size()) << name << " is out of design order (components: " << names.size() << ")";
    }
    for (const char* required : {"Label1", "Panel1", "WideListBox1", "CheckBox1", "MainMenu1", "PopupMenu1", "Timer1",
                                 "slAppStartCounter1"})
        EXPECT_NE(form.FindComponent(required), nullptr) << required;
}

TEST_F(MainWindow, DesignSettings)
{
    TForm1& form = Create();
    EXPECT_EQ(form.Caption(), "Skyloom");
    EXPECT_EQ(form.ClientWidth(), 480);
    EXPECT_EQ(form.ClientHeight(), 426);
    EXPECT_EQ(form.BorderStyle(), bsSingle);
    EXPECT_EQ(form.BorderIcons(), TBorderIcons(biSystemMenu | biMinimize));
    EXPECT_EQ(form.Position(), poScreenCenter);
    EXPECT_EQ(form.Color(), clWhite);
    EXPECT_EQ(form.Font().Name(), "Verdana");
    EXPECT_EQ(form.Font().Height(), -11);
    EXPECT_EQ(form.Menu(), form.MainMenu1);
    // The status loop starts while the window loads, and loading may already process its first report: the panel
    // shows its design look or what the loop found, and caption and colour always belong together.
    const std::string status = form.Panel1->Caption();
    if (status == "Checking connection...")
        EXPECT_EQ(form.Panel1->Color(), clYellow);
    else if (status == "ONLINE")
        EXPECT_EQ(form.Panel1->Color(), RGBColor(0, 128, 0));
    else if (status == "OFFLINE")
        EXPECT_EQ(form.Panel1->Color(), RGBColor(255, 0, 0));
    else
        ADD_FAILURE() << "status panel shows \"" << status << "\"";
    EXPECT_EQ(form.WideListBox1->Font().Height(), -13);
    EXPECT_EQ(form.WideListBox1->Font().Style(), TFontStyles(fsBold));
    EXPECT_EQ(form.WideListBox1->ItemHeight(), 16);
    EXPECT_EQ(form.Timer1->Interval(), 600000u);
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.slAppStartCounter1->RegKey, CounterKey);
    EXPECT_TRUE(form.Showmainwindow1->Default()) << "the tray menu's default item";
    EXPECT_FALSE(form.Visible()) << "the window is shown by the message loop, not by its creation";
}

TEST_F(MainWindow, MenusHoldTheirItemsInOrder)
{
    TForm1& form = Create();
    auto captions = [](TMenuItem& parent) {
        std::vector<std::string> out;
        for (int i = 0; i < parent.Count(); ++i)
            out.push_back(parent.Items(i)->Caption());
        return out;
    };
    EXPECT_EQ(captions(form.MainMenu1->Items()), (std::vector<std::string>{"Program"}));
    EXPECT_EQ(captions(*form.File1),
              (std::vector<std::string>{"About...", "Check for updates...", "Refresh news", "-", "Exit"}));
    EXPECT_EQ(captions(form.PopupMenu1->Items()),
              (std::vector<std::string>{"Show main window", "About...", "Check for updates...", "Refresh news", "-",
                                        "Close application"}));
}

TEST_F(MainWindow, CloseRequestsHideTheWindowInstead)
{
    TForm1& form = Create();
    form.Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != FALSE; }));
    bool canClose = true;
    form.FormCloseQuery(&form, canClose);
    EXPECT_FALSE(canClose);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Application.Terminated()) << "closing never ends the program";
}

TEST_F(MainWindow, EveryShowingRefreshesTheNews)
{
    TForm1& form = Create();
    EXPECT_EQ(form.ShowCount(), 0);
    for (int i = 1; i <= 3; ++i) {
        form.Show();
        PumpFor(50);
        EXPECT_EQ(form.ShowCount(), i);
        EXPECT_EQ(form.RefreshCount(), i) << "one refresh a showing";
        form.Hide();
    }
    form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.RefreshCount(), 4) << "the timer refreshes too";
    EXPECT_TRUE(UpgradeNoticeShown);
    EXPECT_EQ(form.UpgradeNoticeCount(), 0) << "no notice without /afterupgrade";
}

TEST_F(MainWindow, AShowingPaintsBeforeItsWorkAndTheStatusLoopStarts)
{
    TForm1& form = Create();
    // Without a message loop nothing has painted yet: the status loop's thread runs but makes no pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(form.StatusPassCount(), 0u) << "the status loop made a pass before the window could paint";
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(form.ShowCount(), 1);
    UpdateWindow(form.Handle());
    EXPECT_GT(form.Panel1->PaintCount(), 0) << "the status panel has painted";
    EXPECT_EQ(form.RefreshCount(), 0) << "the refresh started before the loop could paint the window";
    // Two showings before the loop runs: each one has its refresh.
    form.Hide();
    form.Show();
    PumpFor(100);
    EXPECT_EQ(form.ShowCount(), 2);
    EXPECT_EQ(form.RefreshCount(), 2) << "one refresh a showing, once the window has painted";
    for (int i = 0; i < 200 && form.StatusPassCount() == 0; ++i)
        PumpFor(25);
    EXPECT_GT(form.StatusPassCount(), 0u) << "the status loop never started";
}

TEST_F(MainWindow, ASlowServerNeverHoldsTheWindowAndRefreshesCoalesce)
{
    // The server holds every request for a while before it answers with a feed of two items.
    std::atomic<int> requests{0};
    test::TStreamingServer server([&requests](TNetSocket& s, const std::atomic<bool>& stopping) {
        ++requests;
        for (int i = 0; i < 40 && !stopping; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string feed = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><item><title>A</title></item>"
                                 "<item><title>B</title></item></channel></rss>";
        test::TStreamingServer::SendText(s, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                                std::to_string(feed.size()) + "\r\n\r\n" + feed);
    });
    TForm1& form = Create();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        form.RefreshNews(server.Url("/feed.xml"));
    const double asked = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(asked, 200) << "asking for refreshes waited for the server";
    EXPECT_EQ(form.RefreshCount(), 5);
    EXPECT_TRUE(form.NewsBusy());
    EXPECT_EQ(form.WideListBox1->Items().Count(), 0) << "the list is emptied when a refresh starts";
    for (int i = 0; i < 200 && form.NewsBusy(); ++i)
        PumpFor(25);
    EXPECT_FALSE(form.NewsBusy()) << "the refreshes never ended";
    ASSERT_EQ(form.WideListBox1->Items().Count(), 2);
    EXPECT_EQ(form.WideListBox1->Items()[0], L"1. A");
    EXPECT_EQ(form.slRSSFeed1->FeedItems().Count(), 2);
    EXPECT_EQ(requests.load(), 2) << "refreshes asked for meanwhile make exactly one more fetch";

    // A window that goes while a fetch waits on the server does not wait for it: it takes about as long as a
    // window that has nothing to fetch.
    auto closeTime = [this] {
        const auto closing = std::chrono::steady_clock::now();
        Application.SetMainForm(nullptr);
        delete form_;
        form_ = nullptr;
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - closing).count();
    };
    form.RefreshNews(server.Url("/feed.xml"));
    PumpFor(100);
    const double busy = closeTime();
    Create();
    PumpFor(100);
    const double idle = closeTime();
    EXPECT_LT(busy, idle + 400) << "closing waited for the server (" << busy << " ms, " << idle << " ms when idle)";
}

TEST_F(MainWindow, CheckBoxFollowsTheRunValue)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const char cmd[] = "\"C:\\x\\skyloom.exe\" /tray";
    RegSetValueExA(k, AutorunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(cmd), sizeof cmd);
    {
        TForm1& form = Create();
        EXPECT_TRUE(form.CheckBox1->Checked()) << "registered: the box stays checked";
        char buf[256] = {};
        DWORD size = sizeof buf;
        EXPECT_EQ(RegQueryValueExA(k, AutorunValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
                  ERROR_SUCCESS);
        EXPECT_STREQ(buf, cmd) << "a box that stays checked writes nothing";
        delete form_;
        form_ = nullptr;
    }
    RegDeleteValueA(k, AutorunValueName);
    RegCloseKey(k);
    TForm1& form = Create();
    EXPECT_FALSE(form.CheckBox1->Checked()) << "not registered: the box turns unchecked";
    EXPECT_EQ(FeedURL, DefaultFeedURL) << "no settings file beside the test: the default feed";
    EXPECT_EQ(PingSetting.Get(), ProbeHost);
}

} // namespace
} // namespace skyloom
