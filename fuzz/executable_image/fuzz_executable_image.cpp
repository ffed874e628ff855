// The replacer's look at a download before it takes the program's place: any bytes are judged without reading
// outside them, and bytes after a whole image never make it less whole.
#include "slReplacerCore.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skyloom;
    // A copy of exactly the input's size, so that a read past its end is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    if (!IsCompleteExecutable(bytes))
        return 0;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    if (!IsCompleteExecutable(longer))
        __builtin_trap();
    return 0;
}
