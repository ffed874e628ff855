#include "NetDate.h"
#include "SysUtils.h"

#include <cstdio>

namespace skyloom {

namespace {

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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
        if (!TryDigitsToInt(word.substr(0, p), parts[count]))
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
    if (StartsText(suffix, "AM") && suffix.size() == 2) {
        if (hour == 12)
            hour = 0;
        return true;
    }
    if (StartsText(suffix, "PM") && suffix.size() == 2) {
        if (hour < 12)
            hour += 12;
        return true;
    }
    return false;
}

} // namespace

std::optional<TDateTime> InternetDateToUTC(std::string_view text)
{
    std::string_view s = TrimView(text);
    // A leading day name, short or long, with an optional comma.
    {
        std::size_t p = 0;
        while (p < s.size() && IsAlpha(s[p]))
            ++p;
        if (p >= 3 && DayFromName(s.substr(0, p)) != 0 && (p == s.size() || s[p] == ',' || IsBlank(s[p]))) {
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
        first = CutToken(s, '-');
        second = CutToken(s, '-');
    } else {
        first = CutWord(s);
        second = CutWord(s);
    }
    int day = 0, month = MonthFromName(first);
    std::string_view dayText = second;
    if (month == 0) {
        month = MonthFromName(second);
        dayText = first;
    }
    if (month == 0 || !TryDigitsToInt(dayText, day))
        return std::nullopt;

    // The year, or (asctime) the time of day with the year after it.
    std::string_view yearWord = CutWord(s);
    std::string_view clockWord;
    int year = 0;
    if (!TryDigitsToInt(yearWord, year)) {
        clockWord = yearWord;
        yearWord = CutWord(s);
        if (!TryDigitsToInt(yearWord, year))
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
        if (suffix.empty() && (StartsText(s, "AM") || StartsText(s, "PM")) &&
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
        if (TryDigitsToInt(zone.substr(1, 2), zh) && TryDigitsToInt(zone.substr(3, 2), zm) && zh < 24 && zm < 60) {
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
    std::snprintf(buf, sizeof buf, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", InternetDayNames[p.DayOfWeek - 1].data(),
                  p.Day, InternetMonthNames[p.Month - 1].data(), p.Year, p.Hour, p.Minute, p.Second);
    return buf;
}

} // namespace skyloom
