#include "DateUtils.h"

#include <ctime>

namespace skyloom {

// The C library's idea of the current zone (TZ or /etc/localtime), daylight saving included when in force now.
int PlatformLocalTimeBias()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return 0;
    return static_cast<int>(-local.tm_gmtoff / 60);
}

} // namespace skyloom
