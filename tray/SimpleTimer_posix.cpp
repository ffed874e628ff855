#include "SimpleTimer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace skyloom {

namespace {

struct TArmed {
    TSimpleTimer* Timer;
    std::uint64_t Due;
    unsigned Interval;
};

int GRefCount = 0;
std::uint64_t GNow = 0;
std::vector<TArmed> GArmed;

} // namespace

void TSimpleTimerHandler::AddRef() { ++GRefCount; }

void TSimpleTimerHandler::Release()
{
    if (GRefCount > 0 && --GRefCount == 0)
        GArmed.clear();
}

int TSimpleTimerHandler::RefCount() { return GRefCount; }

void* TSimpleTimerHandler::Handle() { return nullptr; }

bool TSimpleTimerHandler::Arm(TSimpleTimer* timer, unsigned intervalMs)
{
    Disarm(timer);
    // Like the platform, an interval of 0 is raised to the smallest one.
    const unsigned interval = std::max(intervalMs, 1u);
    GArmed.push_back({timer, GNow + interval, interval});
    return true;
}

void TSimpleTimerHandler::Disarm(TSimpleTimer* timer)
{
    std::erase_if(GArmed, [timer](const TArmed& a) { return a.Timer == timer; });
}

void TSimpleTimerHandler::AdvanceClock(unsigned ms)
{
    const std::uint64_t end = GNow + ms;
    for (;;) {
        // The earliest due timer; callbacks may start, stop or destroy timers, so look again after each one.
        auto next = std::min_element(GArmed.begin(), GArmed.end(),
                                     [](const TArmed& a, const TArmed& b) { return a.Due < b.Due; });
        if (next == GArmed.end() || next->Due > end)
            break;
        GNow = next->Due;
        next->Due += next->Interval;
        TSimpleTimer* timer = next->Timer;
        Dispatch(timer);
    }
    GNow = end;
}

} // namespace skyloom
