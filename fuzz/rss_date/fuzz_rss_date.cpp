// Any byte string read as a feed date and as a zone offset: no crash, a finite date inside the calendar's range
// (or 0), and an offset of less than a day.
#include "DateUtils.h"
#include "slRSSFeed.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Pinned so that a run does not depend on the machine's zone.
    skyloom::SetLocalTimeBiasOverride(-60);
    const std::string text(reinterpret_cast<const char*>(data), size);

    const double date = skyloom::FeedDateToDateTime(text);
    // 0001-01-01 is -693593 and 9999-12-31 is 2958465; zones move a date by less than two days.
    if (!std::isfinite(date) || date < -693596.0 || date > 2958468.0)
        std::abort();

    const double offset = skyloom::ZoneOffsetToDays(text);
    if (!std::isfinite(offset) || std::fabs(offset) >= 1.0)
        std::abort();
    return 0;
}
