// Byte-string and date-time helpers shared by the feed model and its readers. Internal to the feed library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom::rsstext {

// Bytes of value 32 or less count as blanks, as everywhere in the feed model.
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string Trim(std::string_view Text);
void TrimInPlace(std::string& Text);
void TrimLeftInPlace(std::string& Text);
char AsciiLower(char c);
char AsciiUpper(char c);
std::string AsciiLowerCase(std::string_view Text);

// Decimal text to a 32-bit integer: leading blanks, an optional sign and at least one digit, nothing after
// the digits. Anything else, or a value that does not fit, gives Default.
std::int32_t StrToIntDef(std::string_view Text, std::int32_t Default);

// Date-times: days since 30 December 1899, the fraction being the time of day.
// Empty when the date is impossible (years 1 to 9999, real months and days only).
std::optional<double> EncodeDate(std::int32_t Year, std::int32_t Month, std::int32_t Day);
// Empty when the time is impossible (hours below 24, minutes and seconds below 60, none negative).
std::optional<double> EncodeTime(std::int32_t Hour, std::int32_t Minute, std::int32_t Second);
struct TDateParts {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};
// Calendar parts of a date-time (rounded to the millisecond, then cut to the second).
TDateParts DecodeDateTime(double Value);
// "YYYY-MM-DD hh:mm:ss".
std::string FormatDateTime(double Value);
// The current local time as a date-time.
double CurrentLocalDateTime();
// The platform's own answer behind CurrentTimeZoneBias.
int PlatformTimeZoneBias();

// The host name of a URL ("https://user@www.x.com:81/a" gives "www.x.com").
std::string UrlHost(std::string_view Url);
// The file name at the end of a URL's path, without query or fragment.
std::string UrlFileName(std::string_view Url);

} // namespace skyloom::rsstext
