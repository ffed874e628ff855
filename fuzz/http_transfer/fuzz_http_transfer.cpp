// The values the transfer component takes from a reply's headers and from a URL: the lenient date reader, the
// status code, the lengths, Content-Range, the realm, and the URL helpers. Whatever reads must be in range.
#include "slHTTPCore.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skyloom;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TDateTime date = ReadHTTPDate(text, 0);
    // Years 1 to 9999 with a zone of at most a hundred hours either way.
    if (std::isnan(date) || date < -693600.0 || date > 2958470.0)
        __builtin_trap();
    if (ParseContentLength(text) < 0 || ParseStatusCode(text) < 0)
        __builtin_trap();
    const TslContentRange r = ParseContentRange(text);
    if (r.Valid && r.HasFirst && (r.First < 0 || r.Last < r.First || (r.Total >= 0 && r.Last >= r.Total)))
        __builtin_trap();
    const std::string realm = RealmOf(text);
    if (realm.size() > size || realm.find('"') != std::string::npos)
        __builtin_trap();
    const TslURLParts url = CrackURL(text);
    if (url.Host.size() > 255 || url.Path.size() > 2047 || url.Port < 0 || url.Port > 65535)
        __builtin_trap();
    if (HTTPFileName(text).find('\\') != std::string::npos)
        __builtin_trap();
    const std::int64_t n = static_cast<std::int64_t>(size) * 1000003;
    const TslProgressFigures f = ComputeProgress(n, size, n / 3, size * 997);
    if (f.PercentsDone > 100 || f.EstimatedTimeLeft < 0)
        __builtin_trap();
    return 0;
}
