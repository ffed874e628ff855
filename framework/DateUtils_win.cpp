#include "DateUtils.h"

#include <windows.h>

namespace skyloom {

int PlatformLocalTimeBias()
{
    TIME_ZONE_INFORMATION tz{};
    switch (GetTimeZoneInformation(&tz)) {
    case TIME_ZONE_ID_DAYLIGHT:
        return static_cast<int>(tz.Bias + tz.DaylightBias);
    case TIME_ZONE_ID_INVALID:
        return 0;
    default:
        return static_cast<int>(tz.Bias + tz.StandardBias);
    }
}

} // namespace skyloom
