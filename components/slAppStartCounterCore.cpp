#include "slAppStartCounterCore.h"

#include <cmath>

namespace skyloom {

bool CountStart(TslStartCounterStore& store, TDateTime now)
{
    const std::uint32_t previous = store.ReadCounter();
    store.WriteCounter(previous + 1u);
    if (ValidInstallTime(store.ReadInstallTime()) == 0)
        store.WriteInstallTime(now);
    return previous == 0;
}

TDateTime LifeTimeSince(TDateTime installTime, TDateTime now)
{
    installTime = ValidInstallTime(installTime);
    return installTime == 0 ? 0 : now - installTime;
}

TDateTime ValidInstallTime(TDateTime stored)
{
    return std::isfinite(stored) ? stored : 0;
}

std::string StripLeadingBackslashes(std::string_view key)
{
    std::size_t first = key.find_first_not_of('\\');
    return first == std::string_view::npos ? std::string() : std::string(key.substr(first));
}

} // namespace skyloom
