#include <windows.h>

#include "Unit1.h"

#include "AppSettings.h"
#include "Charsets.h"
#include "Autorun.h"
#include "Config.h"
#include "NetHTTP.h"
#include "NewsListBox.h"
#include "NewsView.h"
#include "TestQuery.h"
#include "TrayIcon.h"
#include "TrayStatus.h"
#include "slAppStartCounter.h"
#include "slFormSystemMenu.h"
#include "slHTMLViewer.h"
#include "slOnlyOne.h"
#include "slQuickAboutBox.h"
#include "slRSSFeed.h"
#include "slSelfUpdater.h"
#include "slThread.h"

#include <chrono>
#include <thread>

namespace skyloom {

TForm1* Form1 = nullptr;

namespace {
// Posted by a showing: the window is visible when the message loop takes it up.
constexpr UINT WM_SHOWN = WM_APP + 0x40;
} // namespace
std::string AppDir;
TGuardedString PingSetting;
std::string FeedURL;
bool UpgradeNoticeShown = false;

namespace {

// The command that starts this program at log-on; raises when the program's file cannot be named.
std::string ProgramAutorunCommand()
{
    const std::string exe = Application.ExeName();
    if (exe.empty())
        throw EInvalidOperation("The program's folder cannot be written in the system's character set, so the "
                                "program cannot be registered to start with Windows.");
    return AutorunCommand(exe);
}

std::string FirstCommandLineArgument()
{
    return FirstArgument(GetCommandLineA());
}

TMenuItem* NewItem(TComponent* owner, const char* name, const char* caption, TNotifyEvent onClick)
{
    auto* item = NewComponent<TMenuItem>(owner, name);
    item->SetCaption(caption);
    item->OnClick = std::move(onClick);
    return item;
}

// The headline list of a refresh: lines are converted as they come but only queued; the window adds them to the
// list box a batch at a time (TForm1::AddPendingLines). Emptying the list empties the queue as well.
class TQueuedHeadlines : public IHeadlineList {
public:
    TQueuedHeadlines(TWideListBox& box, std::vector<std::wstring>& pending, std::size_t& next)
        : FBox(box), FPending(pending), FNext(next)
    {
    }
    void SetTextCharset(const std::string& charset) override { FCharset = charset; }
    void Clear() override
    {
        FBox.Items().Clear();
        FPending.clear();
        FNext = 0;
    }
    int Count() const override { return FBox.Items().Count() + static_cast<int>(FPending.size() - FNext); }
    void Add(const std::string& line) override { FPending.push_back(DecodeCharset(line, FCharset)); }
    bool Selected(int index) const override { return FBox.ItemIndex() == index; }

private:
    TWideListBox& FBox;
    std::vector<std::wstring>& FPending;
    std::size_t& FNext;
    std::string FCharset;
};

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    // The window's design settings.
    Name = "Form1";
    SetWindowClassName("TForm1");
    SetCaption("Skyloom");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetPosition(poScreenCenter);
    SetColor(clWhite);
    Font().SetName("Verdana");
    Font().SetHeight(-11);
    Font().SetCharset(ANSI_CHARSET);
    Font().SetColor(clWindowText);
    Font().SetStyle(0);
    SetClientSize(480, 426);
    // The window carries the program's own icon in its title bar and taskbar button.
    Icon().LoadFromResourceName(GetModuleHandleA(nullptr), "MAINICON");
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };

    // Components in design order: their loaded steps run in this order when loading finishes.
    Label1 = NewChild<TLabel>(this, "Label1", this, 8, 56, 97, 13);
    Label1->SetCaption("Latest headlines:");
    Label1->SetTransparent(true);

    Panel1 = NewChild<TPanel>(this, "Panel1", this, 8, 8, 465, 41);
    Panel1->SetCaption("Checking connection...");
    Panel1->SetColor(clYellow);
    Panel1->SetAlignment(taCenter);
    Panel1->SetBevelOuter(bvRaised);
    Panel1->SetTabOrder(0);

    slHTMLViewer1 = NewChild<TslHTMLViewer>(this, "slHTMLViewer1", this, 8, 264, 465, 153);
    slHTMLViewer1->SetBorderStyle(hvbsNone);
    slHTMLViewer1->HTML().SetText(
        "<p><font face=\"Verdana\" size=\"-1\">Click on news headline to display news text here</font></p>");

    WideListBox1 = NewChild<TWideListBox>(this, "WideListBox1", this, 8, 72, 457, 177);
    WideListBox1->Font().SetName("Verdana");
    WideListBox1->Font().SetHeight(-13);
    WideListBox1->Font().SetStyle(fsBold);
    WideListBox1->Font().SetCharset(ANSI_CHARSET);
    WideListBox1->SetItemHeight(16);
    WideListBox1->SetTabOrder(2);
    WideListBox1->OnClick = [this](TObject* s) { WideListBox1Click(s); };

    CheckBox1 = NewChild<TCheckBox>(this, "CheckBox1", this, 352, 56, 113, 17);
    CheckBox1->SetCaption("run with system");
    CheckBox1->SetChecked(true);
    CheckBox1->SetTabOrder(3);
    CheckBox1->OnClick = [this](TObject* s) { CheckBox1Click(s); };

    slQuickAboutBox1 = NewComponent<TslQuickAboutBox>(this, "slQuickAboutBox1");
    slQuickAboutBox1->Caption = "Skyloom";
    slQuickAboutBox1->Description = "Internet connection monitor and RSS parser";
    slQuickAboutBox1->Copyright = "\"Skyloom\" . . .\r\nCopyright (c) 2006-2026 Quorvane";
    slQuickAboutBox1->Width = 300;
    slQuickAboutBox1->AnimationOnShow = false;
    slQuickAboutBox1->AnimationOnHide = false;
    slQuickAboutBox1->Cursors().Caption = crDefault;
    slQuickAboutBox1->Localization().stAbout = "About";
    slQuickAboutBox1->Localization().stOK = "OK";
    slQuickAboutBox1->Email = ContactMail;
    slQuickAboutBox1->WebSite = ProductSite;
    {
        TPicture icon;
        if (icon.Icon().LoadFromResourceName(GetModuleHandleA(nullptr), "MAINICON"))
            slQuickAboutBox1->SetIcon(icon);
    }
    slSelfUpdater1 = NewComponent<TslSelfUpdater>(this, "slSelfUpdater1");
    slSelfUpdater1->InfoFileURL = std::string("http://") + UpdateHost + "/skyloom/update.inf";
    slSelfUpdater1->InfoFile.Files = {std::string("http://") + UpdateHost + "/skyloom/skyloom.exe"};
    slSelfUpdater1->InfoFile.UpgradeMsg = DesignUpgradeMessage;
    slSelfUpdater1->VersionDate = "06/27/2006";
    slSelfUpdater1->VersionDateAutoSet = true;
    slSelfUpdater1->Wizard.HideFileLocation = true;
    slSelfUpdater1->Wizard.SetLanguage(wlEnglish);
    slSelfUpdater1->Wizard.Pic118x218->Bitmap().LoadFromResourceName(GetModuleHandleA(nullptr), "WIZARDPIC");
    About1 = NewItem(this, "About1", "About...", [this](TObject* s) { About1Click(s); });
    slFormSystemMenu1 = NewComponent<TslFormSystemMenu>(this, "slFormSystemMenu1");
    slFormSystemMenu1->Items().Add(About1);

    slOnlyOne1 = NewComponent<TslOnlyOne>(this, "slOnlyOne1");

    slRSSFeed1 = NewComponent<TslRSSFeed>(this, "slRSSFeed1");
    slRSSFeed1->SetHTTPAgent(TslRSSFeed::DefaultAgent());

    slThread1 = NewComponent<TslThread>(this, "slThread1");
    slThread1->SetSuspended(false);
    slThread1->WaitThread = true;
    slThread1->SetOnExecute([this](TObject* s) { slThread1Execute(s); });

    File1 = NewItem(this, "File1", "Program", nullptr);
    About2 = NewItem(this, "About2", "About...", [this](TObject* s) { About2Click(s); });
    Checkforupdates1 =
        NewItem(this, "Checkforupdates1", "Check for updates...", [this](TObject* s) { Checkforupdates1Click(s); });
    Refreshnews1 = NewItem(this, "Refreshnews1", "Refresh news", [this](TObject* s) { Refreshnews1Click(s); });
    N1 = NewItem(this, "N1", "-", nullptr);
    Exit1 = NewItem(this, "Exit1", "Exit", [this](TObject* s) { Exit1Click(s); });
    MainMenu1 = NewComponent<TMainMenu>(this, "MainMenu1");
    MainMenu1->Items().Add(File1);
    for (TMenuItem* item : {About2, Checkforupdates1, Refreshnews1, N1, Exit1})
        File1->Add(item);
    SetMenu(MainMenu1);

    TrayIcon1 = NewComponent<TTrayIcon>(this, "TrayIcon1");
    // The icon's commands go to the shell once the window has painted (AfterPaint), or at once when the program
    // starts hidden (FormCreate): the shell's work on them would otherwise compete with the first paint.
    TrayIcon1->HoldShell();
    TrayIcon1->SetHint("Skyloom");
    TrayIcon1->SetIconVisible(true);
    TrayIcon1->SetIconIndex(0);
    TrayIcon1->SetCycleInterval(0);
    TrayIcon1->MinimizeToTray = true;

    Showmainwindow1 =
        NewItem(this, "Showmainwindow1", "Show main window", [this](TObject* s) { Showmainwindow1Click(s); });
    Showmainwindow1->SetDefault(true);
    About3 = NewItem(this, "About3", "About...", [this](TObject* s) { About3Click(s); });
    Checkforupdates2 =
        NewItem(this, "Checkforupdates2", "Check for updates...", [this](TObject* s) { Checkforupdates2Click(s); });
    Refreshnews2 = NewItem(this, "Refreshnews2", "Refresh news", [this](TObject* s) { Refreshnews2Click(s); });
    N2 = NewItem(this, "N2", "-", nullptr);
    Closeapplication1 = NewItem(this, "Closeapplication1", "Close application",
                                [this](TObject* s) { Closeapplication1Click(s); });
    PopupMenu1 = NewComponent<TPopupMenu>(this, "PopupMenu1");
    for (TMenuItem* item : {Showmainwindow1, About3, Checkforupdates2, Refreshnews2, N2, Closeapplication1})
        PopupMenu1->Items().Add(item);
    // The tray icon's menu is set once the menu exists; the design links them the same way.
    TrayIcon1->SetPopupMenu(PopupMenu1);

    FNetHTTP = std::make_shared<TNetHTTP>();
    NetHTTP1 = FNetHTTP.get();
    NetHTTP1->ProtocolVersion = TNetHTTPProtocolVersion::pv1_1;
    NetHTTP1->HandleRedirects = false;
    NetHTTP1->AllowCookies = true;
    NetHTTP1->HTTPOptions = TNetHTTPOptions{TNetHTTPOption::hoForceEncodeParams};
    NetHTTP1->ProxyParams.ProxyPort = 0;
    NetHTTP1->Request.Accept = "text/html, */*";
    NetHTTP1->Request.UserAgent = "Mozilla/3.0 (compatible; Skyloom)";
    NetHTTP1->Request.ContentLength = -1;
    // Only NewsThread uses the client: a window that is going tells it to stop, and it stops waiting for the server.
    NetHTTP1->Cancelled = [] { return TslCustomThread::CurrentTerminated(); };

    Timer1 = NewComponent<TTimer>(this, "Timer1");
    Timer1->SetInterval(600000);
    Timer1->SetEnabled(true);
    Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });

    slAppStartCounter1 = NewComponent<TslAppStartCounter>(this, "slAppStartCounter1");
    slAppStartCounter1->RegKey = "Software\\Quorvane\\Skyloom\\Default";
    slAppStartCounter1->RegLocation = rlCurrentUser;
    slAppStartCounter1->OnFirstStart = [this](TObject* s) { slAppStartCounter1FirstStart(s); };

    FListFiller = NewComponent<TTimer>(this, "ListFiller");
    FListFiller->SetEnabled(false);
    FListFiller->SetInterval(1);
    FListFiller->SetOnTimer([this](TObject*) { AddPendingLines(); });

    NewsThread = NewComponent<TslThread>(this, "NewsThread");
    // Reading a large feed takes the processor for a while; the window's own work goes first.
    NewsThread->SetPriority(tpLower);

    FAfterPaint = NewComponent<TTimer>(this, "AfterPaint");
    FAfterPaint->SetInterval(1);
    FAfterPaint->SetOnTimer([this](TObject*) { AfterPaint(); });
    TWndMethod previous = WindowProc;
    WindowProc = [this, previous](TMessage& message) {
        if (message.Msg != WM_SHOWN) {
            previous(message);
            return;
        }
        // Whatever of the window still waits to be painted is painted first.
        if (HandleAllocated())
            UpdateWindow(Handle());
        AfterPaint();
        message.Result = 0;
    };

    InstallTestQuery(*this);

    // The loaded steps in design order, then FormCreate.
    FinishLoading();
}

TForm1::~TForm1()
{
    // A fetch in progress is asked to stop first, so that it winds down while the status loop ends.
    NewsThread->Stop(false);
    // The status loop paints Panel1 through this window; it is ended while every control still exists.
    delete slThread1;
    slThread1 = nullptr;
    delete NewsThread;
    NewsThread = nullptr;
    // With the loop ended no state comes any more: an outage still running is logged as ending now.
    FTrayStatus.reset();
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate(TObject*)
{
    TrayIcon1->SetIcon(Application.Icon());
    UpgradeNoticeShown = false;
    AppDir = DirectoryOf(Application.ExeName());
    TAppSettings settings = ReadAppSettings(AppDir + SettingsFileName);
    PingSetting.Set(settings.PingSetting);
    FeedURL = settings.FeedURL;
    TTrayStatusSettings extras;
    extras.ShowState = settings.TrayStatus;
    extras.Notify = settings.Notify;
    if (!settings.OutageLog.empty())
        extras.OutageLogPath = ResolveSettingPath(AppDir, settings.OutageLog);
    // Without any of the keys the tray keeps the static icon and the plain hint, and nothing is logged.
    if (extras.Any()) {
        FTrayStatus = std::make_unique<TTrayStatus>(*this, *TrayIcon1, extras);
        if (FLastLook)
            ConnectionShown(*FLastLook);
    }
    // Setting the box runs CheckBox1Click when the state changes, as a click of the user would.
    CheckBox1->SetChecked(IsInAutorun(AutorunValueName));
    if (!Application.ShowMainForm)
        TrayIcon1->ReleaseShell();
    FCreated = true;
}

void TForm1::FormShow(TObject*)
{
    ++FShowCount;
    // The update check and the news refresh start right after the window has painted (AfterPaint), in this order;
    // the check cannot have delivered anything before the notice either way: this is the release's own message.
    if (IsAfterUpgradeSwitch(FirstCommandLineArgument()) && !UpgradeNoticeShown) {
        ++FUpgradeNoticeCount;
        // The notice waits for the user; the icon need not wait with it.
        TrayIcon1->ReleaseShell();
        ShowInformation(UpgradeNotice(slSelfUpdater1->InfoFile.UpgradeMsg));
    }
    UpgradeNoticeShown = true;
    ++FShowsPending;
    // Whichever comes first: the message (the loop takes it up before the paint messages, and paints the window
    // itself) or the timer (when something else dispatches paints and timers meanwhile).
    PostMessageA(Handle(), WM_SHOWN, 0, 0);
    FAfterPaint->SetEnabled(true);
}

void TForm1::AfterPaint()
{
    FAfterPaint->SetEnabled(false);
    TrayIcon1->ReleaseShell();
    FStatus->MayStart = true;
    // Each showing has its check and its refresh, however quickly the showings followed each other.
    for (; FShowsPending > 0; --FShowsPending) {
        CheckForUpdates();
        RefreshNews(FeedURL);
    }
}

void TForm1::FormCloseQuery(TObject*, bool& canClose)
{
    HideMainWindow();
    canClose = false;
}

void TForm1::Exit1Click(TObject*)
{
    TrayIcon1->SetIconVisible(false);
    Application.Terminate();
}

void TForm1::Closeapplication1Click(TObject*)
{
    Application.Terminate();
}

void TForm1::Showmainwindow1Click(TObject*)
{
    RestoreMainWindow();
}

void TForm1::About1Click(TObject*)
{
    ShowAboutBox();
}

void TForm1::About2Click(TObject*)
{
    ShowAboutBox();
}

void TForm1::About3Click(TObject*)
{
    ShowAboutBox();
}

void TForm1::Checkforupdates1Click(TObject*)
{
    CheckForUpdates();
}

void TForm1::Checkforupdates2Click(TObject*)
{
    CheckForUpdates();
}

void TForm1::Refreshnews1Click(TObject*)
{
    RefreshNews(FeedURL);
}

void TForm1::Refreshnews2Click(TObject*)
{
    RefreshNews(FeedURL);
}

void TForm1::Timer1Timer(TObject*)
{
    RefreshNews(FeedURL);
}

void TForm1::WideListBox1Click(TObject*)
{
    TWideListBoxHeadlines list(*WideListBox1);
    slHTMLViewer1->HTML().SetText(SelectedItemHTML(list, *slRSSFeed1));
}

void TForm1::CheckBox1Click(TObject*)
{
    if (CheckBox1->Checked())
        AddToAutorun(AutorunValueName, ProgramAutorunCommand());
    else
        RemoveFromAutorun(AutorunValueName);
}

void TForm1::slAppStartCounter1FirstStart(TObject*)
{
    // A registration refused for lack of rights is reported like any other error; the welcome and the rest of
    // the start-up go on, since the program is still useful without autorun.
    try {
        AddToAutorun(AutorunValueName, ProgramAutorunCommand());
    } catch (...) {
        Application.HandleException(this);
    }
    // The welcome waits for the user; the icon need not wait with it.
    TrayIcon1->ReleaseShell();
    ShowInformation(WelcomeMessage(ProductSite));
}

void TForm1::slThread1Execute(TObject*)
{
    // Runs on slThread1's worker thread until the component asks it to stop. The panel is only ever touched on
    // the main thread, through the worker's own Synchronize.
    TPanel* panel = Panel1;
    const std::shared_ptr<TStatusShared> status = FStatus;
    // The thread starts while the window loads; its first pass (and the libraries and the echo session it needs)
    // waits until the window has painted.
    while (!status->MayStart && !TslCustomThread::CurrentTerminated())
        std::this_thread::sleep_for(StatusPassPause);
    if (TslCustomThread::CurrentTerminated())
        return;
    TStatusLoopHooks hooks;
    hooks.StopRequested = [] { return TslCustomThread::CurrentTerminated(); };
    hooks.PingSetting = [] { return PingSetting.Get(); };
    // The panel already showing a look needs no hand-over: setting the same colour and caption again changes
    // nothing, and waking the main thread for it a hundred times a second costs CPU time for nothing.
    const TStatusLook* shown = nullptr;
    hooks.Show = [this, panel, status, &shown](const TStatusLook& look) {
        ++status->Passes;
        if (shown == &look)
            return;
        shown = &look;
        TslCustomThread::SynchronizeCurrent([this, panel, &look] {
            panel->SetColor(RGBColor(look.Red, look.Green, look.Blue));
            panel->SetCaption(look.Caption);
            ConnectionShown(look);
        });
    };
    RunStatusLoop(TStatusProbes::Network(), ProbeHost, hooks);
}

void TForm1::ConnectionShown(const TStatusLook& look)
{
    FLastLook = &look;
    if (FTrayStatus)
        FTrayStatus->StatusShown(&look == &OnlineLook);
}

void TForm1::RefreshNews(const std::string& url)
{
    ++FRefreshCount;
    if (FNewsBusy) {
        FRefreshAgain = true;
        FRefreshAgainURL = url;
        return;
    }
    StartNewsFetch(url);
}

void TForm1::StartNewsFetch(const std::string& url)
{
    FNewsBusy = true;
    FRefreshStart = std::chrono::steady_clock::now();
    FLastListingMs = 0;
    TQueuedHeadlines list(*WideListBox1, FPendingLines, FPendingNext);
    list.Clear();
    // The worker holds the client and the address itself; it reaches the window only through Synchronize, which
    // does nothing once the window is going.
    const std::shared_ptr<TNetHTTP> http = FNetHTTP;
    NewsThread->SetOnExecute([this, http, url](TObject*) {
        std::string next = url;
        bool again = true;
        try {
            while (again && !TslCustomThread::CurrentTerminated()) {
                TFetchedFeed fetched =
                    FetchFeed([&http](const std::string& address) { return http->Get(address); }, next);
                again = false;
                TslCustomThread::SynchronizeCurrent(
                    [this, &fetched, &next, &again] { again = NewsFetched(fetched, next); });
            }
        } catch (...) {
            // Nothing above raises but a failed allocation; the window must not wait for a listing that never
            // comes, so it is told the refresh is over.
            TslCustomThread::SynchronizeCurrent([this] {
                FNewsBusy = false;
                FRefreshAgain = false;
            });
        }
    });
    NewsThread->Start();
}

bool TForm1::NewsFetched(TFetchedFeed& fetched, std::string& url)
{
    const auto start = std::chrono::steady_clock::now();
    TQueuedHeadlines list(*WideListBox1, FPendingLines, FPendingNext);
    ListFetchedFeed(list, *slRSSFeed1, fetched);
    const auto end = std::chrono::steady_clock::now();
    FLastLoadMs = std::chrono::duration<double, std::milli>(end - start).count();
    FLastListingMs = std::max(FLastListingMs, FLastLoadMs);
    if (FPendingLines.empty())
        FLastRefreshMs = std::chrono::duration<double, std::milli>(end - FRefreshStart).count();
    else
        FListFiller->SetEnabled(true);
    if (!FRefreshAgain) {
        FNewsBusy = false;
        return false;
    }
    // The refresh asked for meanwhile starts where a new one would: with an empty list.
    FRefreshAgain = false;
    url = FRefreshAgainURL;
    FRefreshStart = std::chrono::steady_clock::now();
    FLastListingMs = 0;
    list.Clear();
    FListFiller->SetEnabled(false);
    return true;
}

void TForm1::AddPendingLines()
{
    if (FPendingNext >= FPendingLines.size()) {
        FListFiller->SetEnabled(false);
        return;
    }
    // A third of a frame of list box work per turn; the timer's message comes only when no input waits.
    constexpr double kBudgetMs = 5;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&start] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    TWideListBox::TWideStrings& items = WideListBox1->Items();
    // Without redrawing between lines: a list box under Wine repaints after every line otherwise.
    items.BeginUpdate();
    do
        items.Add(FPendingLines[FPendingNext++]);
    while (FPendingNext < FPendingLines.size() && elapsed() < kBudgetMs);
    items.EndUpdate();
    FLastListingMs = std::max(FLastListingMs, elapsed());
    if (FPendingNext < FPendingLines.size())
        return;
    FListFiller->SetEnabled(false);
    FPendingLines.clear();
    FPendingNext = 0;
    FLastRefreshMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - FRefreshStart).count();
}

void TForm1::ShowInformation(const std::string& text)
{
    // Owned by this window even while it is still hidden, so the box is modal to the program from the start.
    MessageBoxA(Handle(), text.c_str(), ShellCaption, MB_OK | MB_ICONINFORMATION);
}

void TForm1::CheckForUpdates()
{
    slSelfUpdater1->CheckForUpdates();
}

void TForm1::ShowAboutBox()
{
    slQuickAboutBox1->Execute();
}

void TForm1::HideMainWindow()
{
    TrayIcon1->HideMainWindow();
}

void TForm1::RestoreMainWindow()
{
    TrayIcon1->RestoreMainWindow();
}

} // namespace skyloom
