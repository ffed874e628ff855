// The Internet date reader and writer used by the HTTP client and its cookie store. Portable.
#pragma once

#include "DateUtils.h"

#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

// Reads the Internet date forms that servers write in "Date", "Expires" and cookie "expires" values: RFC 1123
// ("Sun, 06 Nov 1994 08:49:37 GMT"), RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT"), asctime ("Sun Nov  6 08:49:37
// 1994"), with a numeric zone ("+0200") or a zone name (read as GMT). Returns the date in UTC, or nothing when
// the text cannot be read.
std::optional<TDateTime> InternetDateToUTC(std::string_view text);
// The same date converted to local time with the current bias; 0 when the text cannot be read.
TDateTime InternetDateToLocal(std::string_view text);

// "Sun, 06 Nov 1994 08:49:37 GMT" for a UTC value; empty when the value is outside the years 1 to 9999.
std::string DateTimeToInternetDate(TDateTime utc);

} // namespace skyloom
