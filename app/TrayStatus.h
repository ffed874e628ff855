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

class TTrayStatus : TNonCopyable {
public:
    // owner owns the notice timer; tray is the program's tray icon. Shows "checking" at once when ShowState.
    TTrayStatus(TComponent& owner, TTrayIcon& tray, TTrayStatusSettings settings);
    // Writes an outage still running, ending now.
    ~TTrayStatus();

    // The status panel now shows online or offline (called for every look handed over, repeats included).
    void StatusShown(bool online);

    // For the test-mode query.
    const TTrayStatusSettings& Settings() const { return FSettings; }
    TLinkState State() const { return FWatch.State(); }
    // The state whose mark the tray shows (checking before the first pass); meaningful only with ShowState.
    TLinkState MarkShown() const { return FMarkShown; }
    int MarkSize() const { return FMarkSize; }
    // Every balloon shown: "title|text".
    const std::vector<std::string>& Balloons() const { return FBalloons; }
    TOutageLogState LogState() const { return FLogState; }
    int LogLines() const { return FLogLines; }
    int LogFailures() const { return FLogFailures; }

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
    std::vector<std::string> FBalloons;
    TOutageLogState FLogState = TOutageLogState::olOff;
    int FLogLines = 0;
    int FLogFailures = 0;
};

} // namespace skyloom
