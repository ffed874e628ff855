// The connection state outside the main window, each part switched on by its own key of the settings file: the
// state on the tray icon (a coloured mark and the tooltip), a balloon notice when the state has changed for good,
// and a log of outages. Fed on the main thread with every look the status panel takes; the rules are
// ConnectionWatch's.
#pragma once

#include "Owned.h"
#include "ConnectionWatch.h"

#include <memory>
#include <string>
#include <vector>

namespace skyloom {

class TComponent;
class TTimer;
class TTrayIcon;

struct TTrayStatusSettings {
    bool ShowState = false;     // mark and tooltip
    bool Notify = false;        // balloons
    std::string OutageLogPath;  // full path; empty: no log
    bool Any() const { return ShowState || Notify || !OutageLogPath.empty(); }
};

// What happened to the outage log so far, for the test-mode query.
enum class TOutageLogState { olOff, olIdle, olWritten, olUnwritable };

// The outage log's writes, away from the window's thread: a log on a network share can keep a file operation
// waiting for tens of seconds. Lines are appended in the order given, each opening and closing the file.
class TOutageLog : TNonCopyable {
public:
    explicit TOutageLog(std::string path);
    // Returns at once; the line (with its line end) is written by a worker.
    void Append(std::string line);
    // Waits up to ms until every line given so far is written or has failed; false when the time ran out.
    bool WaitWritten(unsigned ms);
    TOutageLogState State() const;
    int Lines() const;
    int Failures() const;

private:
    struct TShared;
    std::shared_ptr<TShared> FShared;  // held by the worker as well, so that it can finish after the log is gone
};

class TTrayStatus : TNonCopyable {
public:
    // owner owns the notice timer; tray is the program's tray icon. Shows "checking" at once when ShowState.
    TTrayStatus(TComponent& owner, TTrayIcon& tray, TTrayStatusSettings settings);
    // Writes an outage still running, ending now (waiting a moment for the log, not longer).
    ~TTrayStatus();

    // The status panel now shows online or offline (called for every look handed over, repeats included).
    void StatusShown(bool online);

    // For the test-mode query.
    const TTrayStatusSettings& Settings() const { return FSettings; }
    TLinkState State() const { return FWatch.State(); }
    // The state whose mark the tray shows (checking before the first pass); meaningful only with ShowState.
    TLinkState MarkShown() const { return FMarkShown; }
    int MarkSize() const { return FMarkSize; }
    // Every balloon the shell took: "title|text" (the shell answers a moment after the notice).
    std::vector<std::string> Balloons() const;
    TOutageLogState LogState() const { return FLog ? FLog->State() : TOutageLogState::olOff; }
    int LogLines() const { return FLog ? FLog->Lines() : 0; }
    int LogFailures() const { return FLog ? FLog->Failures() : 0; }
    // Waits up to ms until the outage lines so far are written (or have failed).
    bool WaitForLog(unsigned ms) { return !FLog || FLog->WaitWritten(ms); }

private:
    TWatchMoment Now() const;
    void Apply(const TWatchStep& step);
    void ShowState();
    void Schedule();
    void TimerFired();
    void WriteOutage(const TOutage& outage);

    TTrayIcon& FTray;
    TTrayStatusSettings FSettings;
    TTimePicture FTimePicture;
    TConnectionWatch FWatch;
    TTimer* FTimer = nullptr;
    TLinkState FMarkShown = TLinkState::lsChecking;
    int FMarkSize = 0;
    struct TBalloons;
    std::shared_ptr<TBalloons> FBalloons;  // filled from the thread that talks to the shell
    std::unique_ptr<TOutageLog> FLog;  // none without a log path
};

} // namespace skyloom
