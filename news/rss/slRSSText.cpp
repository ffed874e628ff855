#include "slRSSText.h"

#include "slRSSFeed.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace skyloom::rsstext {

namespace {

// Days from 1 January of year 1 to 30 December 1899.
constexpr std::int64_t DateDelta = 693594;

bool IsLeapYear(std::int32_t Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

std::int32_t DaysInMonth(std::int32_t Year, std::int32_t Month)
{
    static constexpr std::int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return Month == 2 && IsLeapYear(Year) ? 29 : days[Month - 1];
}

} // namespace

std::string Trim(std::string_view Text)
{
    std::size_t b = 0;
    std::size_t e = Text.size();
    while (b < e && IsBlank(Text[b]))
        ++b;
    while (e > b && IsBlank(Text[e - 1]))
        --e;
    return std::string(Text.substr(b, e - b));
}

void TrimInPlace(std::string& Text)
{
    std::size_t e = Text.size();
    while (e > 0 && IsBlank(Text[e - 1]))
        --e;
    Text.erase(e);
    TrimLeftInPlace(Text);
}

void TrimLeftInPlace(std::string& Text)
{
    std::size_t b = 0;
    while (b < Text.size() && IsBlank(Text[b]))
        ++b;
    Text.erase(0, b);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiLowerCase(std::string_view Text)
{
    std::string s(Text);
    for (char& c : s)
        c = AsciiLower(c);
    return s;
}

std::int32_t StrToIntDef(std::string_view Text, std::int32_t Default)
{
    std::size_t i = 0;
    while (i < Text.size() && IsBlank(Text[i]))
        ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) {
        negative = Text[i] == '-';
        ++i;
    }
    if (i == Text.size())
        return Default;
    std::int64_t value = 0;
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c < '0' || c > '9')
            return Default;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return Default;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return Default;
    return static_cast<std::int32_t>(value);
}

std::optional<double> EncodeDate(std::int32_t Year, std::int32_t Month, std::int32_t Day)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
        return std::nullopt;
    std::int64_t days = Day;
    for (std::int32_t m = 1; m < Month; ++m)
        days += DaysInMonth(Year, m);
    const std::int64_t y = Year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    return static_cast<double>(days - DateDelta);
}

std::optional<double> EncodeTime(std::int32_t Hour, std::int32_t Minute, std::int32_t Second)
{
    if (Hour < 0 || Hour >= 24 || Minute < 0 || Minute >= 60 || Second < 0 || Second >= 60)
        return std::nullopt;
    return (Hour * 3600.0 + Minute * 60.0 + Second) / 86400.0;
}

TDateParts DecodeDateTime(double Value)
{
    TDateParts p;
    if (!std::isfinite(Value) || std::fabs(Value) > 3.0e6)
        return p;
    // The whole part counts days, the fraction (taken as positive) the time, also before 1899.
    std::int64_t days = static_cast<std::int64_t>(std::trunc(Value));
    std::int64_t ms = std::llround(std::fabs(Value - std::trunc(Value)) * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += Value < 0 ? -1 : 1;
    }
    // Civil date from days since 1 January 1970 (proleptic Gregorian).
    const std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    p.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.Year = static_cast<int>(yoe + era * 400 + (p.Month <= 2 ? 1 : 0));
    const std::int64_t secs = ms / 1000;
    p.Hour = static_cast<int>(secs / 3600 % 24);
    p.Minute = static_cast<int>(secs / 60 % 60);
    p.Second = static_cast<int>(secs % 60);
    return p;
}

std::string FormatDateTime(double Value)
{
    const TDateParts p = DecodeDateTime(Value);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                  p.Second);
    return buf;
}

double CurrentLocalDateTime()
{
    using namespace std::chrono;
    const double unixSeconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + unixSeconds / 86400.0 - CurrentTimeZoneBias() / 1440.0;
}

std::string UrlHost(std::string_view Url)
{
    const std::size_t scheme = Url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? Url : Url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos)
        rest = rest.substr(at + 1);
    return std::string(rest.substr(0, rest.find(':')));
}

std::string UrlFileName(std::string_view Url)
{
    std::string_view path = Url.substr(0, Url.find_first_of("?#"));
    const std::size_t scheme = path.find("://");
    if (scheme != std::string_view::npos) {
        path = path.substr(scheme + 3);
        const std::size_t slash = path.find('/');
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    }
    const std::size_t last = path.find_last_of("/\\");
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

} // namespace skyloom::rsstext
