#include "SimpleTimer.h"

#include "HiddenWindow.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace skyloom {

namespace {

constexpr char TimerWindowClass[] = "TSimpleTimerHandler";

// Timers that are armed right now. KillTimer leaves a WM_TIMER that is already queued where it is, so a tick may
// arrive for a timer that was stopped or destroyed meanwhile; only identifiers found here are acted on.
std::vector<TSimpleTimer*> GArmed;

LRESULT CALLBACK TimerWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER) {
        auto* timer = reinterpret_cast<TSimpleTimer*>(wp);
        if (std::find(GArmed.begin(), GArmed.end(), timer) != GArmed.end())
            TSimpleTimerHandler::Dispatch(timer);
        return 0;
    }
    // The hidden window never stands in the way of ending the session.
    if (msg == WM_QUERYENDSESSION)
        return 1;
    return DefWindowProcA(wnd, msg, wp, lp);
}

TSharedHiddenWindow& Window()
{
    static TSharedHiddenWindow* window = new TSharedHiddenWindow(TimerWindowClass, TimerWindowProc);
    return *window;
}

} // namespace

void TSimpleTimerHandler::AddRef()
{
    Window().AddUser();
}

void TSimpleTimerHandler::Release()
{
    if (Window().Users() == 1) {
        for (TSimpleTimer* timer : GArmed)
            KillTimer(Window().Handle(), reinterpret_cast<UINT_PTR>(timer));
        GArmed.clear();
    }
    Window().ReleaseUser();
}

int TSimpleTimerHandler::RefCount() { return Window().Users(); }

void* TSimpleTimerHandler::Handle() { return Window().Handle(); }

bool TSimpleTimerHandler::Arm(TSimpleTimer* timer, unsigned intervalMs)
{
    const HWND window = Window().Handle();
    if (!window)
        return false;
    if (SetTimer(window, reinterpret_cast<UINT_PTR>(timer), intervalMs, nullptr) == 0) {
        Disarm(timer);
        return false;
    }
    if (std::find(GArmed.begin(), GArmed.end(), timer) == GArmed.end())
        GArmed.push_back(timer);
    return true;
}

void TSimpleTimerHandler::Disarm(TSimpleTimer* timer)
{
    if (const HWND window = Window().Handle())
        KillTimer(window, reinterpret_cast<UINT_PTR>(timer));
    std::erase(GArmed, timer);
}

} // namespace skyloom
