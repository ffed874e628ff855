#include "slHTTPCore.h"

#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace skyloom {

namespace {

// Cuts the next field ending at sep (or the end) off the front of s, blanks around it dropped.
std::string_view NextField(std::string_view& s, char sep)
{
    s = TrimLeftView(s);
    return TrimView(CutToken(s, sep));
}

int ExpandYear(int year, std::string_view text)
{
    if (text.size() <= 2)
        return year < 80 ? 2000 + year : 1900 + year;
    return year;
}

} // namespace

namespace {

// The flags of the members of set, from a table of member and flag.
template <typename Set, typename Member, std::size_t N>
std::uint32_t FlagsOf(const Set& set, const std::pair<Member, std::uint32_t> (&rows)[N])
{
    std::uint32_t flags = 0;
    for (const auto& [member, flag] : rows)
        if (set.Contains(member))
            flags |= flag;
    return flags;
}

} // namespace

std::uint32_t CacheOptionFlags(TslCacheOptions options, bool https)
{
    using namespace httpflags;
    static constexpr std::pair<TslCacheOption, std::uint32_t> rows[] = {
        {coAlwaysReload, Reload},         {coReloadIfNoExpireInformation, Hyperlink},
        {coReloadUpdatedObjects, Resynchronize}, {coPragmaNoCache, PragmaNoCache},
        {coNoCacheWrite, NoCacheWrite},   {coCreateTempFilesIfCantCache, NeedFile},
        {coUseCacheIfNetFail, CacheIfNetFail}};
    // A secure transfer never asks for a temporary file.
    return FlagsOf(options, rows) & (https ? ~NeedFile : ~std::uint32_t{0});
}

std::uint32_t InternetOptionFlags(TslInternetOptions options, bool https)
{
    using namespace httpflags;
    static constexpr std::pair<TslInternetOption, std::uint32_t> rows[] = {
        {ioIgnoreCertificateInvalid, IgnoreCertCNInvalid}, {ioIgnoreCertificateDateInvalid, IgnoreCertDateInvalid},
        {ioIgnoreRedirectToHTTP, IgnoreRedirectToHTTP},     {ioIgnoreRedirectToHTTPS, IgnoreRedirectToHTTPS},
        {ioKeepConnection, KeepConnection},                 {ioNoAuthentication, NoAuth},
        {ioNoAutoRedirect, NoAutoRedirect},                 {ioNoCookies, NoCookies}};
    return FlagsOf(options, rows) | (https ? Secure : 0);
}

std::uint32_t FileAttributeFlags(TslFileAttributes attributes)
{
    using namespace httpflags;
    static constexpr std::pair<TslFileAttribute, std::uint32_t> rows[] = {
        {atrArchive, AttrArchive},   {atrHidden, AttrHidden},       {atrReadOnly, AttrReadOnly},
        {atrSystem, AttrSystem},     {atrTemporary, AttrTemporary}, {atrOffline, AttrOffline}};
    return FlagsOf(attributes, rows);
}

std::string CompleteURL(std::string_view url)
{
    if (url.find("://") != std::string_view::npos)
        return std::string(url);
    return "http://" + std::string(url);
}

TslURLParts CrackURL(std::string_view url)
{
    auto cut = [](std::string_view s, size_t room) { return std::string(s.substr(0, room)); };
    TslURLParts parts;
    std::string_view rest = url;
    size_t schemeEnd = rest.find("://");
    if (schemeEnd != std::string_view::npos) {
        parts.Scheme = cut(rest.substr(0, schemeEnd), 31);
        rest.remove_prefix(schemeEnd + 3);
    }
    size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        std::string_view login = authority.substr(0, at);
        size_t colon = login.find(':');
        parts.User = cut(login.substr(0, colon), 127);
        if (colon != std::string_view::npos)
            parts.Password = cut(login.substr(colon + 1), 127);
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    std::string_view port;
    size_t bracket = authority.rfind(']');
    size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    parts.Host = cut(host, 255);
    int p = 0;
    if (!port.empty() && TryDigitsToInt(port, p) && p <= 65535)
        parts.Port = p;
    else if (parts.Scheme == "https")
        parts.Port = 443;
    else if (parts.Scheme == "http")
        parts.Port = 80;
    else if (parts.Scheme == "ftp")
        parts.Port = 21;
    size_t extra = rest.find_first_of("?#");
    parts.Path = cut(rest.substr(0, extra), 2047);
    if (extra != std::string_view::npos)
        parts.Extra = cut(rest.substr(extra), 2047);
    return parts;
}

std::string HTTPHostName(std::string_view url) { return CrackURL(url).Host; }

std::string HTTPFileName(std::string_view url)
{
    std::string path = CrackURL(url).Path;
    std::replace(path.begin(), path.end(), '/', '\\');
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ParseStatusCode(std::string_view text)
{
    int code = 0;
    return TryDigitsToInt(TrimView(text), code) ? code : 0;
}

std::int64_t ParseContentLength(std::string_view text)
{
    std::int64_t n = 0;
    return TryDigitsToInt(TrimView(text), n) ? n : 0;
}

TslContentRange ParseContentRange(std::string_view text)
{
    TslContentRange r;
    std::string_view s = TrimView(text);
    if (!StartsText(s, "bytes") || s.size() < 6 || !IsBlank(s[5]))
        return r;
    s = TrimView(s.substr(5));
    size_t slash = s.find('/');
    if (slash == std::string_view::npos)
        return r;
    std::string_view span = TrimView(s.substr(0, slash));
    std::string_view total = TrimView(s.substr(slash + 1));
    TslContentRange out;
    if (total == "*")
        out.Total = -1;
    else if (!TryDigitsToInt(total, out.Total))
        return r;
    if (span == "*") {
        if (out.Total < 0)
            return r;
    } else {
        size_t dash = span.find('-');
        if (dash == std::string_view::npos || !TryDigitsToInt(TrimView(span.substr(0, dash)), out.First) ||
            !TryDigitsToInt(TrimView(span.substr(dash + 1)), out.Last) || out.Last < out.First ||
            (out.Total >= 0 && out.Last >= out.Total))
            return r;
        out.HasFirst = true;
    }
    out.Valid = true;
    return out;
}

std::string RangeHeaderLine(std::int64_t start, std::int64_t end)
{
    if (start == 0 && end == 0)
        return {};
    std::string line = "RANGE: bytes=" + std::to_string(start) + "-";
    if (end != 0)
        line += std::to_string(end);
    return line + "\r\n";
}

std::string RealmOf(std::string_view wwwAuthenticate)
{
    size_t open = wwwAuthenticate.find("=\"");
    if (open == std::string_view::npos)
        return {};
    size_t close = wwwAuthenticate.find('"', open + 2);
    if (close == std::string_view::npos)
        return {};
    return std::string(wwwAuthenticate.substr(open + 2, close - open - 2));
}

TDateTime ReadHTTPDate(std::string_view text, int biasMinutes)
{
    std::string buf(TrimView(text));
    std::replace(buf.begin(), buf.end(), ',', ' ');
    std::string_view s = TrimView(buf);
    if (DayFromName(s, 2) != 0) {
        size_t blank = s.find(' ');
        s = blank == std::string_view::npos ? std::string_view() : TrimView(s.substr(blank));
    }
    size_t firstBlank = s.find(' ');
    size_t dash = s.find('-', 1);
    char sep = (dash != std::string_view::npos && (firstBlank == std::string_view::npos || dash < firstBlank)) ? '-'
                                                                                                                : ' ';
    int day = 0, month = 0, year = 0;
    std::string_view field = NextField(s, sep);
    if ((month = MonthFromName(field)) != 0) {
        if (!TryDigitsToInt(NextField(s, sep), day))
            return 0;
    } else {
        if (!TryDigitsToInt(field, day))
            day = 1;
        if ((month = MonthFromName(NextField(s, sep))) == 0)
            return 0;
    }
    std::string_view yearText = NextField(s, ' ');
    std::string_view timeText;
    if (!TryDigitsToInt(yearText, year)) {
        // asctime and its kin put the time before the year: the year follows it.
        timeText = yearText;
        yearText = NextField(s, ' ');
        if (!TryDigitsToInt(yearText, year))
            return 0;
    }
    year = ExpandYear(year, yearText);
    int hour = 0, minute = 0, second = 0;
    if (timeText.empty() && s.find(':') != std::string_view::npos)
        timeText = NextField(s, ' ');
    if (!timeText.empty()) {
        std::string_view t = timeText;
        if (!TryDigitsToInt(NextField(t, ':'), hour) || !TryDigitsToInt(NextField(t, ':'), minute))
            return 0;
        std::string_view sec = NextField(t, ':');
        if (!sec.empty() && !TryDigitsToInt(sec, second))
            return 0;
    }
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time))
        return 0;
    double result = date + time;
    std::string_view zone = TrimView(s);
    if (zone.size() > 4 && (zone[0] == '+' || zone[0] == '-')) {
        int zh = 0, zm = 0;
        if (!TryDigitsToInt(zone.substr(1, 2), zh) || !TryDigitsToInt(zone.substr(3, 2), zm) || zm > 59)
            return 0;
        double offset = (zh * 60.0 + zm) / 1440.0;
        result += zone[0] == '+' ? -offset : offset;
    }
    result -= biasMinutes / 1440.0;
    return result;
}

const char* InternetStatusText(std::uint32_t code)
{
    switch (code) {
    case 10: return "Resolving name";
    case 11: return "Name resolved";
    case 20: return "Connecting to server";
    case 21: return "Connected";
    case 30: return "Sending Request";
    case 31: return "Request sent";
    case 40: return "Receiving response";
    case 41: return "Response received";
    case 42: return "CTL Response received";
    case 43: return "Prefetch";
    case 50: return "Closing connection";
    case 51: return "Connection closed";
    case 60: return "Handle created";
    case 70: return "Handle closing";
    case 100: return "Request complete";
    case 110: return "Redirect";
    case 120: return "Intermediate response";
    case 200: return "State change";
    default: return "Unknown status";
    }
}

TslProgressFigures ComputeProgress(std::int64_t received, std::int64_t offset, std::int64_t length,
                                   std::uint64_t elapsedMs)
{
    TslProgressFigures f;
    received = std::max<std::int64_t>(received, 0);
    offset = std::max<std::int64_t>(offset, 0);
    length = std::max<std::int64_t>(length, 0);
    f.DataSize = length + offset;
    f.BytesRead = received + offset;
    std::uint64_t elapsed = elapsedMs / 1000;
    f.ElapsedTime = static_cast<std::int32_t>(std::min<std::uint64_t>(elapsed, std::numeric_limits<std::int32_t>::max()));
    if (f.DataSize > 0) {
        double pct = std::round(static_cast<double>(f.BytesRead) * 100.0 / static_cast<double>(f.DataSize));
        f.PercentsDone = static_cast<std::uint8_t>(std::clamp(pct, 0.0, 100.0));
    }
    if (received > 0 && length > 0) {
        double total = std::round(static_cast<double>(length) / static_cast<double>(received) * f.ElapsedTime);
        double left = std::clamp(total - f.ElapsedTime, 0.0, static_cast<double>(std::numeric_limits<std::int32_t>::max()));
        f.EstimatedTimeLeft = static_cast<std::int32_t>(left);
    }
    double kb = static_cast<double>(received) / 1024.0;
    f.TransferRate = static_cast<float>(f.ElapsedTime != 0 ? kb / f.ElapsedTime : kb);
    return f;
}

std::int64_t ResumeOffsetFor(std::int64_t fileSize, std::int64_t bufferSize)
{
    return fileSize > bufferSize ? fileSize - bufferSize : 0;
}

} // namespace skyloom
