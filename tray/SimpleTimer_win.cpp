#include "SimpleTimer.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace skyloom {

namespace {

constexpr char TimerWindowClass[] = "TSimpleTimerHandler";

int GRefCount = 0;
HWND GWindow = nullptr;
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

} // namespace

void TSimpleTimerHandler::AddRef()
{
    if (GRefCount++ > 0)
        return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = TimerWindowClass;
    RegisterClassA(&wc);
    GWindow = CreateWindowExA(0, TimerWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

void TSimpleTimerHandler::Release()
{
    if (GRefCount <= 0 || --GRefCount > 0)
        return;
    for (TSimpleTimer* timer : GArmed)
        KillTimer(GWindow, reinterpret_cast<UINT_PTR>(timer));
    GArmed.clear();
    if (GWindow)
        DestroyWindow(GWindow);
    GWindow = nullptr;
    UnregisterClassA(TimerWindowClass, GetModuleHandleA(nullptr));
}

int TSimpleTimerHandler::RefCount() { return GRefCount; }

void* TSimpleTimerHandler::Handle() { return GWindow; }

bool TSimpleTimerHandler::Arm(TSimpleTimer* timer, unsigned intervalMs)
{
    if (!GWindow)
        return false;
    if (SetTimer(GWindow, reinterpret_cast<UINT_PTR>(timer), intervalMs, nullptr) == 0) {
        Disarm(timer);
        return false;
    }
    if (std::find(GArmed.begin(), GArmed.end(), timer) == GArmed.end())
        GArmed.push_back(timer);
    return true;
}

void TSimpleTimerHandler::Disarm(TSimpleTimer* timer)
{
    if (GWindow)
        KillTimer(GWindow, reinterpret_cast<UINT_PTR>(timer));
    std::erase(GArmed, timer);
}

} // namespace skyloom
