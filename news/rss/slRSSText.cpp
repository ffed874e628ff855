#include "slRSSText.h"

#include "DateUtils.h"

#include <cstdio>
#include <limits>

namespace skyloom::rsstext {

std::int32_t FeedIntDef(std::string_view Text, std::int32_t Default)
{
    // Unlike the framework's reading, blanks after the digits make the text unreadable.
    if (!Text.empty() && IsBlank(Text.back()))
        return Default;
    return skyloom::StrToIntDef(Text, Default);
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
