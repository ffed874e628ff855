#pragma once
// What the tray icon makes of the mouse messages the shell sends about it: clicks that wait for the double-click
// time, double clicks that pick the menu's default command, the menu on a button press, enter and exit.
// Kept apart from the window code so the rules can be exercised without a shell.

#include "SimpleTimer.h"
#include "Types.h"

#include <string>

namespace skyloom {

enum TTrayMouseMessage {
    tmMouseMove,
    tmLeftDown,
    tmLeftUp,
    tmLeftDblClick,
    tmRightDown,
    tmRightUp,
    tmMiddleDown,
    tmMiddleUp,
    tmBalloonHide,
    tmBalloonTimeout,
    tmBalloonClick,
    tmOther,
};

// The icon's settings as they stand when a message is handled.
struct TTrayMouseSettings {
    bool Enabled = true;
    bool LeftPopup = false;
    bool WantEnterExitEvents = false;
    bool HasDblClickHandler = false;
    unsigned DoubleClickTime = 500;
};

// The receiving side: the tray icon component.
class ITrayMouseSink {
public:
    virtual ~ITrayMouseSink() = default;
    virtual void TrayClick() = 0;
    virtual void TrayDblClick() = 0;
    virtual void TrayMouseDown(TMouseButton button, TShiftState shift, TPoint at) = 0;
    virtual void TrayMouseUp(TMouseButton button, TShiftState shift, TPoint at) = 0;
    virtual void TrayMouseMove(TShiftState shift, TPoint at) = 0;
    virtual void TrayMouseEnter() = 0;
    virtual void TrayMouseExit() = 0;
    // Opens the tray menu at the cursor (does nothing without a menu).
    virtual void TrayPopupMenu() = 0;
    // Runs the default command of the tray menu, when a menu with automatic popup is set.
    virtual void TrayDefaultCommand() = 0;
    virtual void TrayBalloon(TTrayMouseMessage which) = 0;
};

class TTrayMouseTracker {
public:
    explicit TTrayMouseTracker(ITrayMouseSink& sink);

    // One callback message about the icon. `keys` holds the Shift, Alt and Ctrl bits read when it is handled,
    // `cursor` the cursor position at that time.
    void HandleMessage(TTrayMouseMessage msg, const TTrayMouseSettings& settings, TShiftState keys, TPoint cursor);
    // The exit timer's tick: the cursor leaving the last remembered position means it left the icon.
    void ExitTimerTick(TPoint cursor);

    bool MouseInside() const { return FMouseInside; }
    bool ClickPending() const { return FClickTimer.Running(); }
    void Reset();

private:
    void ClickTimerFired();

    ITrayMouseSink& FSink;
    TSimpleTimer FClickTimer;
    bool FClickStarted = false;
    bool FClickReady = false;
    bool FDoubleClicked = false;
    bool FMouseInside = false;
    TPoint FLastPos;
};

// The tooltip that reaches the shell: empty unless shown, and cut to the 127 characters the shell holds.
std::string TrayTipText(const std::string& hint, bool showHint);
constexpr std::size_t TrayTipMax = 127;

// The icon index after `index` when cycling through `count` images.
int NextCycleIndex(int index, int count);

} // namespace skyloom
