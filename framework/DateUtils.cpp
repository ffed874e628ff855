#include "DateUtils.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace skyloom {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int MonthFromName(std::string_view word)
{
    for (int m = 0; m < 12; ++m)
        if (StartsText(word, InternetMonthNames[m]))
            return m + 1;
    return 0;
}

int DayFromName(std::string_view word, std::size_t letters)
{
    for (int d = 0; d < 7; ++d)
        if (StartsText(word, InternetDayNames[d].substr(0, letters)))
            return d + 1;
    return 0;
}

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
    // Kept where the conversions below are defined (about 2.7 million years either way); a value out there, or not
    // a number, still decodes outside the years 1 to 9999, which the callers that check the range refuse.
    constexpr double farthest = 1e9;
    dt = std::isnan(dt) ? -farthest : std::clamp(dt, -farthest, farthest);
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
    // The day as DecodeDate takes it: before 1899-12-30 the whole part, not the day below.
    long long d = 0, ms = 0;
    SplitDateTime(dt, d, ms);
    // 1899-12-30 was a Saturday (7).
    long long w = ((d % 7) + 7 + 6) % 7;
    return static_cast<int>(w) + 1;
}

TDateTime UnixToDateTime(long long seconds) { return UnixDateDelta + static_cast<double>(seconds) / 86400.0; }

long long DateTimeToUnix(TDateTime dt) { return std::llround((dt - UnixDateDelta) * 86400.0); }

TDateTime Now() { return UTCToLocal(NowUTC()); }
TDateTime Date() { return std::floor(Now()); }
TDateTime NowUTC()
{
    using namespace std::chrono;
    const long long ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return UnixDateDelta + static_cast<double>(ms) / MSecsPerDay;
}

namespace {

std::atomic<bool> gBiasOverridden{false};
std::atomic<int> gBiasOverride{0};

} // namespace

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond,
                       TDateTime& out)
{
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, millisecond, time))
        return false;
    // Before 1899-12-30 the whole part counts backwards while the time of day still counts forwards.
    out = date < 0 ? date - time : date + time;
    return true;
}

bool DecodeDateTime(TDateTime value, TDateTimeParts& out)
{
    // 0001-01-01 is -693593, 9999-12-31 is 2958465.
    if (!(value > -693594.0 && value < 2958466.0))
        return false;
    long long whole = 0, ms = 0;
    SplitDateTime(value, whole, ms);
    const long long days = whole - UnixDays;
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    if (y < 1 || y > 9999)
        return false;
    out.Year = y;
    out.Month = m;
    out.Day = d;
    out.Hour = static_cast<int>(ms / 3600000);
    out.Minute = static_cast<int>(ms / 60000 % 60);
    out.Second = static_cast<int>(ms / 1000 % 60);
    out.Millisecond = static_cast<int>(ms % 1000);
    // 1970-01-01 was a Thursday (5).
    out.DayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
    return true;
}

int LocalTimeBias()
{
    if (gBiasOverridden.load())
        return gBiasOverride.load();
    return PlatformLocalTimeBias();
}

void SetLocalTimeBiasOverride(std::optional<int> minutes)
{
    gBiasOverride.store(minutes.value_or(0));
    gBiasOverridden.store(minutes.has_value());
}

TDateTime UTCToLocal(TDateTime utc)
{
    return utc - LocalTimeBias() / 1440.0;
}

TDateTime LocalToUTC(TDateTime local)
{
    return local + LocalTimeBias() / 1440.0;
}

long long DateTimeToUnixFloor(TDateTime dt)
{
    long long whole = 0, ms = 0;
    SplitDateTime(dt, whole, ms);
    return (whole - UnixDays) * 86400 + ms / 1000;
}

std::string FormatISO8601Local(TDateTime utc, int bias)
{
    // Whole seconds first, so that the text and any duration computed from the same seconds agree.
    const long long seconds = DateTimeToUnixFloor(utc) - static_cast<long long>(bias) * 60;
    TDateTimeParts p;
    if (!DecodeDateTime(UnixToDateTime(seconds), p))
        return std::string();
    const int offset = -bias;
    const int absOffset = offset < 0 ? -offset : offset;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", p.Year, p.Month, p.Day, p.Hour,
                  p.Minute, p.Second, offset < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
    return buf;
}

} // namespace skyloom
