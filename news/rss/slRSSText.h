// Byte-string and date-time helpers shared by the feed model and its readers. Internal to the feed library.
#pragma once

#include <cstdint>
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

// FeedDateToDateTime with the local time zone's bias given (a load asks the platform once, not once a date).
double FeedDateToDateTime(const std::string& Text, int Bias);

// "YYYY-MM-DD hh:mm:ss" for a date-time (days since 30 December 1899, the fraction being the time of day).
std::string FormatDateTime(double Value);

// The host name of a URL ("https://user@www.x.com:81/a" gives "www.x.com").
std::string UrlHost(std::string_view Url);
// The file name at the end of a URL's path, without query or fragment.
std::string UrlFileName(std::string_view Url);

} // namespace skyloom::rsstext
