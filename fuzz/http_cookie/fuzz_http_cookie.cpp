// Cookie header values: each input line is one "Set-cookie" (or, after a leading "2", "Set-cookie2") value stored
// for a host taken from the first line; then the cookie text is built for a few hosts and paths.
#include "NetCookies.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = text.find('\n');
    const std::string host = text.substr(0, start);
    skyloom::TNetCookieManager store;
    while (start != std::string::npos) {
        const std::size_t next = text.find('\n', start + 1);
        std::string line = text.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1);
        const bool v2 = !line.empty() && line[0] == '2';
        store.StoreCookie(v2 ? line.substr(1) : line, host,
                          v2 ? skyloom::TNetCookieKind::ckVersion2 : skyloom::TNetCookieKind::ckPlain);
        start = next;
    }
    for (const char* path : {"/", "/news/", ""}) {
        store.CookieTextFor(host, path, false);
        store.CookieTextFor(host, path, true);
        store.CookieTextFor("www." + host, path, false);
    }
    return 0;
}
