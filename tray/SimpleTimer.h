#pragma once
// Window-message timers that share one hidden window per process.
//
// Every TSimpleTimer joins the process-wide TSimpleTimerHandler when it is made and leaves it when it is destroyed;
// the handler's hidden window exists while at least one timer does. A timer's system identifier is its own address.
// Timers belong to the thread that runs the message loop, like every window.

#include "Owned.h"

#include <functional>

namespace skyloom {

class TSimpleTimer;

class TSimpleTimerHandler {
public:
    // Reference counting of the shared timer window.
    static void AddRef();
    static void Release();
    static int RefCount();
    // The hidden window (an HWND on Windows, null elsewhere and while no timer exists).
    static void* Handle();

#ifndef _WIN32
    // Native builds have no message loop: time moves only when a test says so. Fires every timer that falls due
    // within the next `ms` milliseconds, in the order they fall due.
    static void AdvanceClock(unsigned ms);
#endif

    // Runs a timer's tick (used by the platform's timer window).
    static void Dispatch(TSimpleTimer* timer);

private:
    friend class TSimpleTimer;
    static bool Arm(TSimpleTimer* timer, unsigned intervalMs);
    static void Disarm(TSimpleTimer* timer);
};

class TSimpleTimer : TNonCopyable {
public:
    using TTimerCallback = std::function<void(TSimpleTimer& sender)>;

    explicit TSimpleTimer(void* owner = nullptr, TTimerCallback onTimer = {});
    ~TSimpleTimer();

    // Starts (or restarts) the timer; it then fires every `intervalMs` until stopped. Returns false when the
    // platform refused the timer.
    bool Start(unsigned intervalMs);
    void Stop();
    bool Running() const { return FRunning; }
    unsigned Interval() const { return FInterval; }
    void* Owner() const { return FOwner; }

    TTimerCallback OnTimer;

private:
    friend class TSimpleTimerHandler;
    void Fire();

    void* FOwner;
    unsigned FInterval = 0;
    bool FRunning = false;
};

} // namespace skyloom
