// The counting rules of the start counter, apart from where the two values are kept (the registry on Windows).
#pragma once

#include "Types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace skyloom {

// The values a start counter keeps: "Start Counter" (32-bit) and "InstallTime" (an 8-byte date-time).
class TslStartCounterStore {
public:
    virtual ~TslStartCounterStore() = default;
    // 0 when the value is missing or cannot be read.
    virtual std::uint32_t ReadCounter() = 0;
    virtual TDateTime ReadInstallTime() = 0;
    // A value that cannot be written stays as it was.
    virtual void WriteCounter(std::uint32_t value) = 0;
    virtual void WriteInstallTime(TDateTime value) = 0;
};

// Counts one start at the moment `now`: the counter goes up by one (wrapping at 32 bits) and a missing install
// time is set to `now`. True when this is the first start, that is when the counter read 0 before.
bool CountStart(TslStartCounterStore& store, TDateTime now);

// Days (with fraction) from installTime to now; 0 when no install time is known.
TDateTime LifeTimeSince(TDateTime installTime, TDateTime now);

// An install time as stored, or 0 for one that cannot be a moment (not a finite number).
TDateTime ValidInstallTime(TDateTime stored);

// A registry key path without its leading backslashes.
std::string StripLeadingBackslashes(std::string_view key);

} // namespace skyloom
