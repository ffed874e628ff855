#include "SimpleTimer.h"

namespace skyloom {

TSimpleTimer::TSimpleTimer(void* owner, TTimerCallback onTimer) : OnTimer(std::move(onTimer)), FOwner(owner)
{
    TSimpleTimerHandler::AddRef();
}

TSimpleTimer::~TSimpleTimer()
{
    Stop();
    TSimpleTimerHandler::Release();
}

bool TSimpleTimer::Start(unsigned intervalMs)
{
    FInterval = intervalMs;
    FRunning = TSimpleTimerHandler::Arm(this, intervalMs);
    return FRunning;
}

void TSimpleTimer::Stop()
{
    if (FRunning) {
        TSimpleTimerHandler::Disarm(this);
        FRunning = false;
    }
}

void TSimpleTimerHandler::Dispatch(TSimpleTimer* timer) { timer->Fire(); }

void TSimpleTimer::Fire()
{
    if (!FRunning || !OnTimer)
        return;
    // A timer tick has nobody to report to: the callback runs from the message loop, far from whoever started the
    // timer, and an exception must not unwind through the platform's window procedure.
    try {
        OnTimer(*this);
    } catch (...) {
    }
}

} // namespace skyloom
