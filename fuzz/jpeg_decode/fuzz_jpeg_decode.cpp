// Decodes arbitrary bytes as a JPEG picture: an error is fine, a crash or an end of the process is not.
#include "slJpegCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        skyloom::TJpegDecodeOptions options;
        options.Scale = size > 0 && (data[size - 1] & 1) ? skyloom::jsQuarter : skyloom::jsFullSize;
        skyloom::DecodeJpeg(data, size, options);
    } catch (const skyloom::EJPEGError&) {
    }
    return 0;
}
