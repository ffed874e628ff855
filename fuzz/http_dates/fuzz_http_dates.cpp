// Both date readers: the Internet date of replies and cookies, and the feed date of RSS items. A date that
// reads must also write and read back to the same second.
#include "NetDate.h"
#include "slRSSFeed.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<skyloom::TDateTime> utc = skyloom::InternetDateToUTC(text);
    skyloom::InternetDateToLocal(text);
    if (utc) {
        const std::string written = skyloom::DateTimeToInternetDate(*utc);
        if (!written.empty()) {
            const std::optional<skyloom::TDateTime> back = skyloom::InternetDateToUTC(written);
            if (!back || std::fabs(*back - *utc) > 1.0 / 86400)
                __builtin_trap();
        }
    }
    skyloom::FeedDateToDateTime(text);
    skyloom::ZoneOffsetToDays(text);
    return 0;
}
