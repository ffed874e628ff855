// The feed date, zone offset and byte size readers.
#include "slRSSFeed.h"

#include "DateUtils.h"
#include "slRSSText.h"

#include <algorithm>
#include <limits>

namespace skyloom {

using namespace rsstext;

namespace {

// Two decimal digits at Pos, or -1.
int TwoDigits(std::string_view Text, std::size_t Pos)
{
    if (Pos + 2 > Text.size() || !IsDigit(Text[Pos]) || !IsDigit(Text[Pos + 1]))
        return -1;
    return (Text[Pos] - '0') * 10 + (Text[Pos + 1] - '0');
}

} // namespace

double ZoneOffsetToDays(const std::string& Text)
{
    const std::string zone = Trim(Text);
    if (zone.empty() || (zone[0] != '+' && zone[0] != '-'))
        return 0;
    // "+hhmm" as in RFC 822, and also "+hh:mm", which many generators write.
    const int hours = TwoDigits(zone, 1);
    const int minutes = zone.size() >= 6 && zone[3] == ':' ? TwoDigits(zone, 4) : TwoDigits(zone, 3);
    if (hours < 0 || hours >= 24 || minutes < 0 || minutes >= 60)
        return 0;
    const double offset = (hours * 60 + minutes) / 1440.0;
    return zone[0] == '-' ? -offset : offset;
}

double FeedDateToDateTime(const std::string& Text) { return rsstext::FeedDateToDateTime(Text, LocalTimeBias()); }

double rsstext::FeedDateToDateTime(const std::string& Text, int Bias)
{
    std::string s = Trim(Text);
    if (s.empty())
        return 0;
    std::replace(s.begin(), s.end(), ',', ' ');

    // A leading day name ("Sat", "Saturday") says nothing the date does not.
    if (DayFromName(s, 2) != 0) {
        const std::size_t space = s.find(' ');
        s.erase(0, space == std::string::npos ? s.size() : space + 1);
        TrimLeftInPlace(s);
    }

    // "07-Sep-02 10:00" separates day, month and year by hyphens; everything else by spaces.
    const std::size_t hyphen = s.find('-');
    const std::size_t space = s.find(' ');
    const char separator =
        hyphen != std::string::npos && hyphen >= 1 && space != std::string::npos && hyphen < space ? '-' : ' ';

    std::string_view rest = s;
    std::int32_t day = 1;
    std::int32_t month = 0;
    if (MonthFromName(rest.substr(0, rest.find(separator))) != 0) {
        month = MonthFromName(CutToken(rest, separator));
        day = FeedIntDef(CutToken(rest, separator), 1);
    } else {
        day = FeedIntDef(CutToken(rest, separator), 1);
        month = MonthFromName(CutToken(rest, separator));
    }

    std::string_view yearToken = CutToken(rest, ' ');
    std::int32_t year = FeedIntDef(yearToken, 1900);
    if (static_cast<std::uint16_t>(year) == 1900) {
        // The year comes after the time ("Sat Sep 07 00:00:01 2002"): the time is then read from the token.
        year = FeedIntDef(rest, 1900);
        rest = yearToken;
    }
    if (year < 80)
        year += 2000;
    else if (year < 100)
        year += 1900;

    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        return 0;

    if (rest.find(':') != std::string_view::npos) {
        std::string_view time = CutToken(rest, ' ');
        const std::int32_t hour = FeedIntDef(CutToken(time, ':'), 0);
        const bool hasSecond = time.find(':') != std::string_view::npos;
        const std::int32_t minute = FeedIntDef(CutToken(time, ':'), 0);
        const std::int32_t second = hasSecond ? FeedIntDef(time, 0) : 0;
        TDateTime clock = 0;
        if (!TryEncodeTime(hour, minute, second, 0, clock))
            return 0;
        result += clock;
    }

    rest = TrimLeftView(rest);
    // Named zones ("GMT", "UT", "EST", "Z") are all taken as UTC.
    const double offset = rest.size() > 4 ? ZoneOffsetToDays(std::string(rest)) : 0;
    return result - offset - Bias / 1440.0;
}

std::uint32_t ParseByteSize(const std::string& Text)
{
    std::string s;
    s.reserve(Text.size());
    for (char c : Text) {
        if (c != ' ' && c != ',')
            s.push_back(c);
    }
    if (!s.empty() && (s.back() == 'B' || s.back() == 'b'))
        s.pop_back();
    if (s.empty())
        return 0;

    unsigned shift = 0;
    switch (UpperChar(s.back())) {
    case 'K': shift = 10; break;
    case 'M': shift = 20; break;
    case 'G': shift = 30; break;
    default: break;
    }
    if (shift != 0)
        s.pop_back();

    // With a multiplier a single full stop is a decimal point ("1.5M"); otherwise full stops group digits
    // ("1.234.567") and are dropped like commas.
    std::string fraction;
    const std::size_t point = s.find('.');
    if (shift != 0 && point != std::string::npos && s.find('.', point + 1) == std::string::npos) {
        fraction = s.substr(point + 1);
        s.erase(point);
    } else {
        s.erase(std::remove(s.begin(), s.end(), '.'), s.end());
    }

    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i == s.size() && fraction.empty())
        return 0;

    constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t whole = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i]))
            return 0;
        whole = std::min<std::uint64_t>(whole * 10 + static_cast<unsigned>(s[i] - '0'), limit + 1);
    }
    std::uint64_t part = 0;
    std::uint64_t scale = 1;
    for (char c : fraction) {
        if (!IsDigit(c))
            return 0;
        if (scale < 1000000000) {
            part = part * 10 + static_cast<unsigned>(c - '0');
            scale *= 10;
        }
    }
    if (negative)
        return 0;
    const std::uint64_t bytes = (whole << shift) + (part << shift) / scale;
    return static_cast<std::uint32_t>(std::min(bytes, limit));
}

} // namespace skyloom
