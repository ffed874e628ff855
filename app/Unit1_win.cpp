#include <windows.h>

#include "Unit1.h"

#include "AppSettings.h"
#include "Autorun.h"
#include "Config.h"
#include "TestQuery.h"
#include "slAppStartCounter.h"

namespace skyloom {

TForm1* Form1 = nullptr;
std::string AppDir;
TGuardedString PingSetting;
std::string FeedURL;
bool UpgradeNoticeShown = false;

namespace {

std::string ProgramPath()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

std::string FirstCommandLineArgument()
{
    return FirstArgument(GetCommandLineA());
}

TMenuItem* NewItem(TComponent* owner, const char* name, const char* caption, TNotifyEvent onClick)
{
    auto* item = new TMenuItem(owner);
    item->Name = name;
    item->SetCaption(caption);
    item->OnClick = std::move(onClick);
    return item;
}

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
    Label1 = new TLabel(this);
    Label1->Name = "Label1";
    Label1->SetParent(this);
    Label1->SetBounds(8, 56, 97, 13);
    Label1->SetCaption("Latest headlines:");
    Label1->SetTransparent(true);

    Panel1 = new TPanel(this);
    Panel1->Name = "Panel1";
    Panel1->SetParent(this);
    Panel1->SetBounds(8, 8, 465, 41);
    Panel1->SetCaption("Checking connection...");
    Panel1->SetColor(clYellow);
    Panel1->SetAlignment(taCenter);
    Panel1->SetBevelOuter(bvRaised);
    Panel1->SetTabOrder(0);

    // slot: slHTMLViewer1 (TslHTMLViewer) at 8, 264, 465 x 153, border style hvbsNone, initial HTML
    // "<p><font face="Verdana" size="-1">Click on news headline to display news text here</font></p>".

    WideListBox1 = new TWideListBox(this);
    WideListBox1->Name = "WideListBox1";
    WideListBox1->SetParent(this);
    WideListBox1->SetBounds(8, 72, 457, 177);
    WideListBox1->Font().SetName("Verdana");
    WideListBox1->Font().SetHeight(-13);
    WideListBox1->Font().SetStyle(fsBold);
    WideListBox1->Font().SetCharset(ANSI_CHARSET);
    WideListBox1->SetItemHeight(16);
    WideListBox1->SetTabOrder(2);
    WideListBox1->OnClick = [this](TObject* s) { WideListBox1Click(s); };

    CheckBox1 = new TCheckBox(this);
    CheckBox1->Name = "CheckBox1";
    CheckBox1->SetParent(this);
    CheckBox1->SetBounds(352, 56, 113, 17);
    CheckBox1->SetCaption("run with system");
    CheckBox1->SetChecked(true);
    CheckBox1->SetTabOrder(3);
    CheckBox1->OnClick = [this](TObject* s) { CheckBox1Click(s); };

    // slot: slQuickAboutBox1 (TslQuickAboutBox): caption "Skyloom", description "Internet connection monitor and
    // RSS parser", width 300, no show/hide animation, ProductSite.
    // slot: slSelfUpdater1 (TslSelfUpdater): "/skyloom/update.inf" and "/skyloom/skyloom.exe" on UpdateHost,
    // upgrade message DesignUpgradeMessage, version date "06/27/2006" with VersionDateAutoSet, English wizard.
    // slot: About1 ("About...", OnClick About1Click) and slFormSystemMenu1 (TslFormSystemMenu) holding it.
    // slot: slOnlyOne1 (TslOnlyOne), defaults.
    // slot: slRSSFeed1 (TslRSSFeed), defaults.
    // slot: slThread1 (TslThread): Suspended false, WaitThread true, OnExecute slThread1Execute.

    File1 = NewItem(this, "File1", "Program", nullptr);
    About2 = NewItem(this, "About2", "About...", [this](TObject* s) { About2Click(s); });
    Checkforupdates1 =
        NewItem(this, "Checkforupdates1", "Check for updates...", [this](TObject* s) { Checkforupdates1Click(s); });
    Refreshnews1 = NewItem(this, "Refreshnews1", "Refresh news", [this](TObject* s) { Refreshnews1Click(s); });
    N1 = NewItem(this, "N1", "-", nullptr);
    Exit1 = NewItem(this, "Exit1", "Exit", [this](TObject* s) { Exit1Click(s); });
    MainMenu1 = new TMainMenu(this);
    MainMenu1->Name = "MainMenu1";
    MainMenu1->Items().Add(File1);
    for (TMenuItem* item : {About2, Checkforupdates1, Refreshnews1, N1, Exit1})
        File1->Add(item);
    SetMenu(MainMenu1);

    // slot: TrayIcon1 (TTrayIcon): hint "Skyloom", IconVisible, IconIndex 0, CycleInterval 0, PopupMenu1,
    // MinimizeToTray.

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
    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->Name = "PopupMenu1";
    for (TMenuItem* item : {Showmainwindow1, About3, Checkforupdates2, Refreshnews2, N2, Closeapplication1})
        PopupMenu1->Items().Add(item);

    // slot: NetHTTP1 (TNetHTTP): accept "text/html, */*", agent "Mozilla/3.0 (compatible; Skyloom)", cookies on,
    // no authentication retries, proxy port 0, content length -1, force-encode-parameters.

    Timer1 = new TTimer(this);
    Timer1->Name = "Timer1";
    Timer1->SetInterval(600000);
    Timer1->SetEnabled(true);
    Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });

    slAppStartCounter1 = new TslAppStartCounter(this);
    slAppStartCounter1->Name = "slAppStartCounter1";
    slAppStartCounter1->RegKey = "Software\\Quorvane\\Skyloom\\Default";
    slAppStartCounter1->RegLocation = rlCurrentUser;
    slAppStartCounter1->OnFirstStart = [this](TObject* s) { slAppStartCounter1FirstStart(s); };

    InstallTestQuery(*this);

    // The loaded steps in design order, then FormCreate.
    FinishLoading();
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate(TObject*)
{
    // slot: TrayIcon1->SetIcon(Application.Icon()).
    UpgradeNoticeShown = false;
    AppDir = DirectoryOf(ProgramPath());
    TAppSettings settings = ReadAppSettings(AppDir + SettingsFileName);
    PingSetting.Set(settings.PingSetting);
    FeedURL = settings.FeedURL;
    // Setting the box runs CheckBox1Click when the state changes, as a click of the user would.
    CheckBox1->SetChecked(IsInAutorun(AutorunValueName));
}

void TForm1::FormShow(TObject*)
{
    ++FShowCount;
    CheckForUpdates();
    if (IsAfterUpgradeSwitch(FirstCommandLineArgument()) && !UpgradeNoticeShown) {
        // slot: with slSelfUpdater1, the message is slSelfUpdater1->InfoFile.UpgradeMsg (its design value is the
        // same text until an update check has delivered another).
        ++FUpgradeNoticeCount;
        ShowInformation(UpgradeNotice(DesignUpgradeMessage));
    }
    UpgradeNoticeShown = true;
    RefreshNews(FeedURL);
}

void TForm1::FormCloseQuery(TObject*, bool& canClose)
{
    HideMainWindow();
    canClose = false;
}

void TForm1::Exit1Click(TObject*)
{
    // slot: TrayIcon1->SetIconVisible(false) first, so no icon is left behind.
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
    // slot: the selected headline's description and link go to slHTMLViewer1 (news view).
}

void TForm1::CheckBox1Click(TObject*)
{
    if (CheckBox1->Checked())
        AddToAutorun(AutorunValueName, AutorunCommand(ProgramPath()));
    else
        RemoveFromAutorun(AutorunValueName);
}

void TForm1::slAppStartCounter1FirstStart(TObject*)
{
    // A registration refused for lack of rights is reported like any other error; the welcome and the rest of
    // the start-up go on, since the program is still useful without autorun.
    try {
        AddToAutorun(AutorunValueName, AutorunCommand(ProgramPath()));
    } catch (...) {
        Application.HandleException(this);
    }
    ShowInformation(WelcomeMessage(ProductSite));
}

void TForm1::slThread1Execute(TObject*)
{
    // slot: runs on slThread1's worker thread: the connection status loop with ProbeHost and PingSetting,
    // painting Panel1 through the main thread.
}

void TForm1::RefreshNews(const std::string&)
{
    ++FRefreshCount;
    // slot: empty the list, fetch the feed through NetHTTP1, load it into slRSSFeed1 and list the headlines.
}

void TForm1::ShowInformation(const std::string& text)
{
    // Owned by this window even while it is still hidden, so the box is modal to the program from the start.
    MessageBoxA(Handle(), text.c_str(), ShellCaption, MB_OK | MB_ICONINFORMATION);
}

void TForm1::CheckForUpdates()
{
    // slot: slSelfUpdater1->CheckForUpdates(); it runs in the background.
}

void TForm1::ShowAboutBox()
{
    // slot: slQuickAboutBox1->Execute(), modal.
}

void TForm1::HideMainWindow()
{
    // slot: TrayIcon1->HideMainWindow() does exactly this once the tray icon is in: the window and the
    // application's taskbar button are hidden.
    Hide();
    ShowWindow(Application.Handle(), SW_HIDE);
}

void TForm1::RestoreMainWindow()
{
    // slot: TrayIcon1->RestoreMainWindow().
    ShowWindow(Application.Handle(), SW_RESTORE);
    Show();
    if (IsIconic(Handle()))
        ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Application.Handle());
}

} // namespace skyloom
