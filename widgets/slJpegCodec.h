// JPEG pictures through libjpeg: decoding into 32-bit pixels and encoding them again. Portable.
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace skyloom {

// A picture that cannot be read: corrupt or truncated data, an unsupported kind, or a size beyond the limit.
class EJPEGError : public Exception {
public:
    using Exception::Exception;
};

// Pixels top-down, 4 bytes each in the platform's bitmap order: blue, green, red, 0.
struct TJpegPixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bgra;
};

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

struct TJpegDecodeOptions {
    bool Grayscale = false;
    TJPEGPerformance Performance = jpBestQuality;
    TJPEGScale Scale = jsFullSize;
    bool Smoothing = true;
};

// Pictures larger than this are refused before any pixel memory is taken.
constexpr int kJpegMaxSide = 16384;
constexpr long long kJpegMaxPixels = 32LL * 1024 * 1024;

// The size in the header, without decoding; raises EJPEGError when the header cannot be read.
void ReadJpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

// Decodes a whole picture. progress (may be empty) gets the percentage done every few rows. Raises EJPEGError
// with the library's message for corrupt data, and for data that ends before the picture does.
TJpegPixels DecodeJpeg(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options = {},
                       const std::function<void(int percent)>& progress = {});

// Encodes pixels (quality 1..100).
std::vector<std::uint8_t> EncodeJpeg(const TJpegPixels& pixels, int quality = 90, bool grayscale = false,
                                     bool progressive = false);

} // namespace skyloom
