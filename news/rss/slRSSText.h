// Byte-string and date-time helpers shared by the feed model and its readers. Internal to the feed library.
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace skyloom::rsstext {

// Blanks, trimming and case come from the framework (SysUtils.h), as everywhere in the program.
using skyloom::IsBlank;
using skyloom::Trim;
using skyloom::TrimInPlace;
using skyloom::TrimLeftInPlace;

// Decimal text to a 32-bit integer: leading blanks, an optional sign and at least one digit, nothing after
// the digits. Anything else, or a value that does not fit, gives Default.
std::int32_t FeedIntDef(std::string_view Text, std::int32_t Default);

// FeedDateToDateTime with the local time zone's bias given (a load asks the platform once, not once a date).
double FeedDateToDateTime(const std::string& Text, int Bias);

// "YYYY-MM-DD hh:mm:ss" for a date-time (days since 30 December 1899, the fraction being the time of day).
std::string FormatDateTime(double Value);

// The file name at the end of a URL's path, without query or fragment.
std::string UrlFileName(std::string_view Url);

} // namespace skyloom::rsstext
