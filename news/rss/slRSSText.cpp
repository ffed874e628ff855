#include "slRSSText.h"

#include "NetDate.h"

#include <cstdio>
#include <limits>

namespace skyloom::rsstext {

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

std::string FormatDateTime(double Value)
{
    TDateTimeParts p;
    char buf[48];
    if (DecodeDateTime(Value, p))
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                      p.Second);
    else
        std::snprintf(buf, sizeof buf, "%g", Value);
    return buf;
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
