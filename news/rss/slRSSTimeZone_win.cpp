// The local time zone as Windows reports it now.
#include "slRSSText.h"

#include <windows.h>

namespace skyloom::rsstext {

int PlatformTimeZoneBias()
{
    TIME_ZONE_INFORMATION zone{};
    switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_DAYLIGHT:
        return static_cast<int>(zone.Bias + zone.DaylightBias);
    case TIME_ZONE_ID_INVALID:
        return 0;
    default:
        return static_cast<int>(zone.Bias + zone.StandardBias);
    }
}

} // namespace skyloom::rsstext
