#include "NetDate.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace skyloom {

int PlatformLocalTimeBias(); // NetTimeZone_win.cpp / NetTimeZone_posix.cpp

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

std::atomic<bool> gBiasOverridden{false};
std::atomic<int> gBiasOverride{0};

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[i]) != Upper(prefix[i]))
            return false;
    return true;
}

std::string_view TrimView(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimLeftView(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

// A whole run of decimal digits, at most 9 of them, so the value cannot overflow.
bool ReadNumber(std::string_view s, int& out)
{
    if (s.empty() || s.size() > 9)
        return false;
    int v = 0;
    for (char c : s) {
        if (!IsDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

int MonthOf(std::string_view word)
{
    for (int i = 0; i < 12; ++i)
        if (StartsWithNoCase(word, kMonthNames[i]))
            return i + 1;
    return 0;
}

bool IsDayName(std::string_view word)
{
    for (const char* d : kDayNames)
        if (StartsWithNoCase(word, d))
            return true;
    return false;
}

// Cuts the text before the first `sep` (or all of it) and leaves `s` after it, leading blanks removed.
std::string_view Cut(std::string_view& s, char sep)
{
    const std::size_t p = s.find(sep);
    std::string_view token = s.substr(0, p);
    s = p == std::string_view::npos ? std::string_view{} : TrimLeftView(s.substr(p + 1));
    return token;
}

// Cuts one word: the text up to the next blank.
std::string_view CutWord(std::string_view& s)
{
    std::size_t p = 0;
    while (p < s.size() && !IsBlank(s[p]))
        ++p;
    std::string_view token = s.substr(0, p);
    s = TrimLeftView(s.substr(p));
    return token;
}

// "hh:mm[:ss]" optionally followed directly by AM/PM (the caller handles a separate AM/PM word).
bool ReadClock(std::string_view word, int& h, int& m, int& sec, std::string_view& suffix)
{
    std::size_t end = word.size();
    while (end > 0 && IsAlpha(word[end - 1]))
        --end;
    suffix = word.substr(end);
    word = word.substr(0, end);
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const std::size_t p = word.find(':');
        if (!ReadNumber(word.substr(0, p), parts[count]))
            return false;
        ++count;
        if (p == std::string_view::npos)
            break;
        word = word.substr(p + 1);
        if (count == 3)
            return false;
    }
    if (count < 2)
        return false;
    h = parts[0];
    m = parts[1];
    sec = parts[2];
    return true;
}

bool ApplyMeridiem(std::string_view suffix, int& hour)
{
    if (suffix.empty())
        return true;
    if (StartsWithNoCase(suffix, "AM") && suffix.size() == 2) {
        if (hour == 12)
            hour = 0;
        return true;
    }
    if (StartsWithNoCase(suffix, "PM") && suffix.size() == 2) {
        if (hour < 12)
            hour += 12;
        return true;
    }
    return false;
}

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
    double whole = std::trunc(value);
    std::int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        whole += value < 0 ? -1 : 1;
    }
    const std::int64_t days = static_cast<std::int64_t>(whole) - 25569;
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

TDateTime NowLocal()
{
    return UTCToLocal(NowUTC());
}

std::optional<TDateTime> InternetDateToUTC(std::string_view text)
{
    std::string_view s = TrimView(text);
    // A leading day name, short or long, with an optional comma.
    {
        std::size_t p = 0;
        while (p < s.size() && IsAlpha(s[p]))
            ++p;
        if (p >= 3 && IsDayName(s.substr(0, p)) && (p == s.size() || s[p] == ',' || IsBlank(s[p]))) {
            s = s.substr(p);
            if (!s.empty() && s.front() == ',')
                s.remove_prefix(1);
            s = TrimLeftView(s);
        }
    }
    const std::size_t dash = s.find('-');
    std::size_t blank = 0;
    while (blank < s.size() && !IsBlank(s[blank]))
        ++blank;
    const char sep = (dash != std::string_view::npos && dash > 0 && dash < blank) ? '-' : ' ';

    std::string_view first, second;
    if (sep == '-') {
        first = Cut(s, '-');
        second = Cut(s, '-');
    } else {
        first = CutWord(s);
        second = CutWord(s);
    }
    int day = 0, month = MonthOf(first);
    std::string_view dayText = second;
    if (month == 0) {
        month = MonthOf(second);
        dayText = first;
    }
    if (month == 0 || !ReadNumber(dayText, day))
        return std::nullopt;

    // The year, or (asctime) the time of day with the year after it.
    std::string_view yearWord = CutWord(s);
    std::string_view clockWord;
    int year = 0;
    if (!ReadNumber(yearWord, year)) {
        clockWord = yearWord;
        yearWord = CutWord(s);
        if (!ReadNumber(yearWord, year))
            return std::nullopt;
    } else if (s.find(':') != std::string_view::npos) {
        clockWord = CutWord(s);
    }
    if (year < 80)
        year += 2000;
    else if (year < 100)
        year += 1900;

    int hour = 0, minute = 0, second2 = 0;
    if (!clockWord.empty()) {
        std::string_view suffix;
        if (!ReadClock(clockWord, hour, minute, second2, suffix))
            return std::nullopt;
        if (suffix.empty() && (StartsWithNoCase(s, "AM") || StartsWithNoCase(s, "PM")) &&
            (s.size() == 2 || IsBlank(s[2]))) {
            suffix = s.substr(0, 2);
            s = TrimLeftView(s.substr(2));
        }
        if (!ApplyMeridiem(suffix, hour))
            return std::nullopt;
    }
    TDateTime result = 0;
    if (!TryEncodeDateTime(year, month, day, hour, minute, second2, 0, result))
        return std::nullopt;

    // The zone: a numeric offset is applied, every name counts as GMT.
    std::string_view zone = TrimView(s);
    if (zone.size() >= 5 && (zone[0] == '+' || zone[0] == '-')) {
        int zh = 0, zm = 0;
        if (ReadNumber(zone.substr(1, 2), zh) && ReadNumber(zone.substr(3, 2), zm) && zh < 24 && zm < 60) {
            const double offset = (zh * 60 + zm) / 1440.0;
            result += zone[0] == '+' ? -offset : offset;
        }
    }
    return result;
}

TDateTime InternetDateToLocal(std::string_view text)
{
    const std::optional<TDateTime> utc = InternetDateToUTC(text);
    return utc ? UTCToLocal(*utc) : 0.0;
}

std::string DateTimeToInternetDate(TDateTime utc)
{
    TDateTimeParts p;
    if (!DecodeDateTime(utc, p))
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", kDayNames[p.DayOfWeek - 1], p.Day,
                  kMonthNames[p.Month - 1], p.Year, p.Hour, p.Minute, p.Second);
    return buf;
}

} // namespace skyloom
