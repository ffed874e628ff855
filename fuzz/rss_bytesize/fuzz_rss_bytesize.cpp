// Any byte string read as an enclosure length: no crash, and a plain decimal count reads as itself (up to the
// largest 32-bit count).
#include "slRSSFeed.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t bytes = skyloom::ParseByteSize(text);

    bool digitsOnly = !text.empty();
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            digitsOnly = false;
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0xFFFFFFFFu)
            value = 0x100000000u;
    }
    if (digitsOnly && bytes != (value > 0xFFFFFFFFu ? 0xFFFFFFFFu : value))
        std::abort();
    // The same count with a unit is never smaller.
    if (digitsOnly && skyloom::ParseByteSize(text + "KB") < bytes)
        std::abort();
    return 0;
}
