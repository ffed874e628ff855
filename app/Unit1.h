// The main window: the connection status panel, the headline list with its HTML pane, the "run with system" box,
// the menu bar, the tray icon with its menu, and the non-visual components that do the work.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "StatusLoop.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace skyloom {

class TslAppStartCounter;
class TslHTMLViewer;
class TslQuickAboutBox;
class TslSelfUpdater;
class TslFormSystemMenu;
class TslOnlyOne;
class TslRSSFeed;
class TslThread;
class TTrayIcon;
class TNetHTTP;
class TTrayStatus;
struct TFetchedFeed;

// The upgrade message the program carries from its design; the update check replaces it with the published one.
inline constexpr const char* DesignUpgradeMessage =
    "- Added option to choose if program should start with Windows or not\r\n"
    "- Fixed bug with RSS feeds when there is no Internet connection";

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    // Controls, in design order.
    TLabel* Label1 = nullptr;
    TPanel* Panel1 = nullptr;
    TslHTMLViewer* slHTMLViewer1 = nullptr;
    TWideListBox* WideListBox1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;

    // Non-visual components, in design order.
    TslQuickAboutBox* slQuickAboutBox1 = nullptr;
    TslSelfUpdater* slSelfUpdater1 = nullptr;
    TMenuItem* About1 = nullptr;
    TslFormSystemMenu* slFormSystemMenu1 = nullptr;
    TslOnlyOne* slOnlyOne1 = nullptr;
    TslRSSFeed* slRSSFeed1 = nullptr;
    TslThread* slThread1 = nullptr;
    TMenuItem* File1 = nullptr;
    TMenuItem* About2 = nullptr;
    TMenuItem* Checkforupdates1 = nullptr;
    TMenuItem* Refreshnews1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* Exit1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;
    TMenuItem* Showmainwindow1 = nullptr;
    TMenuItem* About3 = nullptr;
    TMenuItem* Checkforupdates2 = nullptr;
    TMenuItem* Refreshnews2 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* Closeapplication1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TNetHTTP* NetHTTP1 = nullptr;
    TTimer* Timer1 = nullptr;
    TslAppStartCounter* slAppStartCounter1 = nullptr;

    // Event handlers.
    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void Exit1Click(TObject* sender);
    void Closeapplication1Click(TObject* sender);
    void Showmainwindow1Click(TObject* sender);
    void About1Click(TObject* sender);
    void About2Click(TObject* sender);
    void About3Click(TObject* sender);
    void Checkforupdates1Click(TObject* sender);
    void Checkforupdates2Click(TObject* sender);
    void Refreshnews1Click(TObject* sender);
    void Refreshnews2Click(TObject* sender);
    void Timer1Timer(TObject* sender);
    void WideListBox1Click(TObject* sender);
    void CheckBox1Click(TObject* sender);
    void slAppStartCounter1FirstStart(TObject* sender);
    void slThread1Execute(TObject* sender);

    // Empties the list and fetches the feed at url on NewsThread; the headlines are listed when it arrives. Asked
    // while a fetch runs, one more refresh follows that one (however often it was asked meanwhile).
    void RefreshNews(const std::string& url);
    // A fetch is under way, or its lines are still being added to the list.
    bool NewsBusy() const { return FNewsBusy || !FPendingLines.empty(); }

    // How often the window was shown and the news refreshed in this process (the test-mode query reports them).
    int ShowCount() const { return FShowCount; }
    int RefreshCount() const { return FRefreshCount; }
    // How long the last news refresh took, from the request to the filled list (milliseconds).
    double LastRefreshMs() const { return FLastRefreshMs; }
    // The main thread's longest stretch of work for the last refresh: loading the fetched feed, or adding one
    // batch of lines to the list (milliseconds).
    double LastListingMs() const { return FLastListingMs; }
    // Of which loading the fetched feed into the model and making its lines, in one piece (milliseconds).
    double LastLoadMs() const { return FLastLoadMs; }
    int UpgradeNoticeCount() const { return FUpgradeNoticeCount; }
    // Status passes whose outcome reached the panel.
    std::uint64_t StatusPassCount() const { return FStatus->Passes.load(); }
    // FormCreate has run: the settings are read and the window is ready for its message loop.
    bool Created() const { return FCreated; }
    // The connection state on the tray icon, its notices and the outage log; null when the settings ask for none.
    const TTrayStatus* TrayStatus() const { return FTrayStatus.get(); }

private:
    void ShowInformation(const std::string& text);
    void CheckForUpdates();
    void ShowAboutBox();
    void HideMainWindow();
    void RestoreMainWindow();
    void StartNewsFetch(const std::string& url);
    // On the main thread, with what the fetch brought: loads and lists it. True when another refresh was asked
    // meanwhile; url is then the address to fetch next.
    bool NewsFetched(TFetchedFeed& fetched, std::string& url);
    // Adds the next lines waiting for the list, for about one frame, so that a long list never holds up the
    // window; the last batch completes the refresh.
    void AddPendingLines();
    // On the main thread: the status panel has taken the look of an online or offline pass.
    void ConnectionShown(const TStatusLook& look);
    // Runs once the window has painted (or at once when the message loop starts hidden): opens the status loop's
    // start and does the work of the showings so far.
    void AfterPaint();
    int FShowCount = 0;
    int FRefreshCount = 0;
    int FUpgradeNoticeCount = 0;
    // What the status loop's thread shares with the window. The thread holds it too: at exit a thread that does
    // not end in time is let go, possibly in the middle of a pass, and the window is freed without it.
    struct TStatusShared {
        std::atomic<bool> MayStart{false};     // the window has painted
        std::atomic<std::uint64_t> Passes{0};  // counted by the status loop's thread
    };
    const std::shared_ptr<TStatusShared> FStatus = std::make_shared<TStatusShared>();
    bool FCreated = false;
    // The work a showing starts (an update check, a news refresh: their libraries, threads and connections) waits
    // until the window has painted, so that the window appears first: a message posted by the showing paints the
    // window and then starts it. The status loop's first pass waits for that too, or, without a showing, for this
    // timer, whose message comes only when no window of the thread waits to be painted.
    TTimer* FAfterPaint = nullptr;
    int FShowsPending = 0;
    double FLastRefreshMs = 0;
    double FLastListingMs = 0;
    double FLastLoadMs = 0;
    bool FNewsBusy = false;
    // Lines made from the loaded feed that wait to be added to the list, and the first of them not added yet.
    std::vector<std::wstring> FPendingLines;
    std::size_t FPendingNext = 0;
    TTimer* FListFiller = nullptr;
    bool FRefreshAgain = false;
    std::string FRefreshAgainURL;
    std::chrono::steady_clock::time_point FRefreshStart;
    // The HTTP client is a plain object, shared with the fetching thread, which keeps it alive should the window
    // go first.
    std::shared_ptr<TNetHTTP> FNetHTTP;
    // Runs the feed's fetch and parse, so that a slow or hostile server never holds up the window.
    TslThread* NewsThread = nullptr;
    // The look the panel took last (null: still "checking"), kept for the tray status made by FormCreate.
    const TStatusLook* FLastLook = nullptr;
    std::unique_ptr<TTrayStatus> FTrayStatus;
};

extern TForm1* Form1;

// State of this unit shared with the status loop and the news refresh.
// Directory of the running executable, with a trailing separator; set by FormCreate.
extern std::string AppDir;
// The "ping" setting; written once by FormCreate while the status loop may already read it.
extern TGuardedString PingSetting;
// The feed address every news refresh fetches.
extern std::string FeedURL;
// The after-upgrade notice has been dealt with in this process.
extern bool UpgradeNoticeShown;

} // namespace skyloom
