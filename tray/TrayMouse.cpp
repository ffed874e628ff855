#include "TrayMouse.h"

namespace skyloom {

TTrayMouseTracker::TTrayMouseTracker(ITrayMouseSink& sink)
    : FSink(sink), FClickTimer(this, [this](TSimpleTimer&) { ClickTimerFired(); })
{
}

void TTrayMouseTracker::Reset()
{
    FClickTimer.Stop();
    FClickStarted = FClickReady = FDoubleClicked = false;
    FMouseInside = false;
}

void TTrayMouseTracker::HandleMessage(TTrayMouseMessage msg, const TTrayMouseSettings& settings, TShiftState keys,
                                      TPoint cursor)
{
    if (!settings.Enabled)
        return;
    keys &= ssShift | ssAlt | ssCtrl;
    switch (msg) {
    case tmMouseMove:
        if (settings.WantEnterExitEvents && !FMouseInside) {
            FSink.TrayMouseEnter();
            FMouseInside = true;
        }
        FSink.TrayMouseMove(keys, cursor);
        FLastPos = cursor;
        break;
    case tmLeftDown:
        if (settings.HasDblClickHandler)
            FClickTimer.Start(settings.DoubleClickTime);
        FSink.TrayMouseDown(mbLeft, keys | ssLeft, cursor);
        FClickStarted = true;
        if (settings.LeftPopup)
            FSink.TrayPopupMenu();
        break;
    case tmLeftUp:
        if (FClickStarted)
            FClickReady = true;
        if (FClickStarted && !FClickTimer.Running()) {
            FClickStarted = false;
            FClickReady = false;
            FSink.TrayClick();
        }
        FClickStarted = false;
        FSink.TrayMouseUp(mbLeft, keys | ssLeft, cursor);
        break;
    case tmLeftDblClick:
        FClickReady = false;
        FDoubleClicked = true;
        FSink.TrayDblClick();
        if (!settings.LeftPopup)
            FSink.TrayDefaultCommand();
        break;
    case tmRightDown:
        FSink.TrayMouseDown(mbRight, keys | ssRight, cursor);
        FSink.TrayPopupMenu();
        break;
    case tmRightUp:
        FSink.TrayMouseUp(mbRight, keys | ssRight, cursor);
        break;
    case tmMiddleDown:
        FSink.TrayMouseDown(mbMiddle, keys | ssMiddle, cursor);
        break;
    case tmMiddleUp:
        FSink.TrayMouseUp(mbMiddle, keys | ssMiddle, cursor);
        break;
    case tmBalloonHide:
    case tmBalloonTimeout:
    case tmBalloonClick:
        FSink.TrayBalloon(msg);
        break;
    case tmOther:
        break;
    }
}

void TTrayMouseTracker::ClickTimerFired()
{
    FClickTimer.Stop();
    if (!FDoubleClicked && FClickReady) {
        FClickReady = false;
        FSink.TrayClick();
    }
    FDoubleClicked = false;
}

void TTrayMouseTracker::ExitTimerTick(TPoint cursor)
{
    if (FMouseInside && !(cursor == FLastPos)) {
        FMouseInside = false;
        FSink.TrayMouseExit();
    }
}

std::string TrayTipText(const std::string& hint, bool showHint)
{
    if (!showHint || hint.empty())
        return {};
    return hint.substr(0, TrayTipMax);
}

int NextCycleIndex(int index, int count)
{
    if (count <= 0)
        return 0;
    if (index < 0 || index + 1 >= count)
        return 0;
    return index + 1;
}

} // namespace skyloom
