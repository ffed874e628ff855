// The local time zone as the C library sees it (TZ, or the system's zone file).
#include "slRSSText.h"

#include <ctime>

namespace skyloom::rsstext {

int PlatformTimeZoneBias()
{
    tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return 0;
    // tm_gmtoff is east of UTC in seconds, with daylight saving already in it.
    return static_cast<int>(-local.tm_gmtoff / 60);
}

} // namespace skyloom::rsstext
