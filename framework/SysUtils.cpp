#include "SysUtils.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace skyloom {

std::string ExceptionMessage(const std::exception& e)
{
    if (auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message;
    return e.what();
}

namespace {

std::string FormatInteger(long long value, int precision, bool hex)
{
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::string digits;
    do {
        unsigned d = static_cast<unsigned>(magnitude % (hex ? 16u : 10u));
        digits.insert(digits.begin(), static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10));
        magnitude /= hex ? 16u : 10u;
    } while (magnitude != 0);
    if (precision > 0 && digits.size() < static_cast<std::size_t>(precision))
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

std::string FormatFixed(double value, int precision)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(precision, 0, 18), value);
    return buffer;
}

} // namespace

std::string Format(std::string_view fmt, std::initializer_list<TFormatArg> args)
{
    std::string out;
    out.reserve(fmt.size() + 16);
    auto next = args.begin();
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c != '%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        if (fmt[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        bool leftJustify = false;
        if (fmt[k] == '-') {
            leftJustify = true;
            ++k;
        }
        int width = 0;
        while (k < fmt.size() && fmt[k] >= '0' && fmt[k] <= '9' && width < 1000)
            width = width * 10 + (fmt[k++] - '0');
        int precision = -1;
        if (k < fmt.size() && fmt[k] == '.') {
            precision = 0;
            ++k;
            while (k < fmt.size() && fmt[k] >= '0' && fmt[k] <= '9' && precision < 1000)
                precision = precision * 10 + (fmt[k++] - '0');
        }
        char kind = k < fmt.size() ? static_cast<char>(fmt[k] | 0x20) : '\0';
        if (kind != 's' && kind != 'd' && kind != 'u' && kind != 'x' && kind != 'f') {
            out += c;  // not a place holder: the text stays as it is
            continue;
        }
        i = k;
        std::string value;
        if (next != args.end()) {
            const TFormatArg& arg = *next++;
            switch (arg.Kind()) {
            case TFormatArg::fkText:
                value = arg.Text();
                break;
            case TFormatArg::fkInteger:
                if (kind == 'f')
                    value = FormatFixed(static_cast<double>(arg.Integer()), precision < 0 ? 2 : precision);
                else
                    value = FormatInteger(arg.Integer(), kind == 's' ? 0 : precision, kind == 'x');
                break;
            case TFormatArg::fkFloat:
                if (kind == 'f')
                    value = FormatFixed(arg.Float(), precision < 0 ? 2 : precision);
                else if (kind == 's')
                    value = FormatFixed(arg.Float(), precision < 0 ? 2 : precision);
                else
                    value = FormatInteger(static_cast<long long>(arg.Float()), precision, kind == 'x');
                break;
            }
        }
        if (static_cast<int>(value.size()) < width) {
            std::string pad(static_cast<std::size_t>(width) - value.size(), ' ');
            value = leftJustify ? value + pad : pad + value;
        }
        out += value;
    }
    return out;
}

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

} // namespace

std::string GetShortHint(std::string_view hint)
{
    std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string GetLongHint(std::string_view hint)
{
    std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

std::string Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s)
{
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

std::string IntToStr(long long value) { return std::to_string(value); }

int StrToIntDef(std::string_view s, int def)
{
    std::string t = Trim(s);
    if (t.empty())
        return def;
    std::size_t i = 0;
    bool negative = false;
    if (t[0] == '+' || t[0] == '-') {
        negative = t[0] == '-';
        i = 1;
    }
    if (i >= t.size())
        return def;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return def;
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return def;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return def;
    return static_cast<int>(v);
}

namespace {

std::size_t LastDelimiter(std::string_view path)
{
    std::size_t p = path.find_last_of("\\/:");
    return p;
}

} // namespace

std::string ExtractFilePath(std::string_view path)
{
    std::size_t p = LastDelimiter(path);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path)
{
    std::size_t p = LastDelimiter(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExtractFileExt(std::string_view path)
{
    std::string name = ExtractFileName(path);
    std::size_t p = name.rfind('.');
    return p == std::string::npos ? std::string() : name.substr(p);
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string r(path);
    if (r.empty() || (r.back() != '\\' && r.back() != '/'))
        r += '\\';
    return r;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

namespace {

// Days from 0001-01-01 to the given date (proleptic Gregorian), 0 for that date.
long long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(long long z, int& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr long long UnixDays = 25569;  // 1970-01-01 as a day number

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(DaysFromCivil(year, month, day) + UnixDays);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    result = ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError("Invalid argument to date encode");
    return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    TDateTime r = 0;
    if (!TryEncodeTime(hour, minute, second, msec, r))
        throw EConvertError("Invalid argument to time encode");
    return r;
}

namespace {

// Splits a day count into the whole day and the milliseconds of the time of day (rounded). Before the epoch
// the fraction still counts forward from midnight of the (negative) day, as the format defines.
void SplitDateTime(TDateTime dt, long long& day, long long& ms)
{
    double whole = std::trunc(dt);
    day = static_cast<long long>(whole);
    ms = std::llround(std::fabs(dt - whole) * MSecsPerDay);
    if (ms >= 86400000) {
        ms -= 86400000;
        day += dt < 0 ? -1 : 1;
    }
}

} // namespace

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    long long d = 0, ms = 0;
    SplitDateTime(dt, d, ms);
    CivilFromDays(d - UnixDays, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec)
{
    long long d = 0, t = 0;
    SplitDateTime(dt, d, t);
    hour = static_cast<int>(t / 3600000);
    minute = static_cast<int>(t / 60000 % 60);
    second = static_cast<int>(t / 1000 % 60);
    msec = static_cast<int>(t % 1000);
}

int DayOfWeek(TDateTime dt)
{
    long long d = static_cast<long long>(std::floor(dt));
    // 1899-12-30 was a Saturday (7).
    long long w = ((d % 7) + 7 + 6) % 7;
    return static_cast<int>(w) + 1;
}

TDateTime UnixToDateTime(long long seconds) { return UnixDateDelta + static_cast<double>(seconds) / 86400.0; }

long long DateTimeToUnix(TDateTime dt) { return std::llround((dt - UnixDateDelta) * 86400.0); }

namespace {

TDateTime FromSystemClock(bool local)
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    long long ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
#if defined(_WIN32)
    if (local)
        localtime_s(&tm, &t);
    else
        gmtime_s(&tm, &t);
#else
    if (local)
        localtime_r(&t, &tm);
    else
        gmtime_r(&t, &tm);
#endif
    TDateTime date = 0, time = 0;
    TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date);
    TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, static_cast<int>(ms), time);
    return date + time;
}

} // namespace

TDateTime Now() { return FromSystemClock(true); }
TDateTime Date() { return std::floor(Now()); }
TDateTime NowUTC() { return FromSystemClock(false); }

} // namespace skyloom
