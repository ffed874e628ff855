// JPEG encoding, apart from decoding so that a program that only shows pictures does not carry the encoder.
#include "slJpegCodecShared.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace skyloom {

using namespace jpegcodec;

namespace {

struct TCompressor {
    TCompressor()
    {
        std::memset(&Info, 0, sizeof Info);
        SetupErrors(Err);
        Info.err = &Err.Public;
    }
    ~TCompressor()
    {
        jpeg_destroy_compress(&Info);
        std::free(Buffer);
    }
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;
    jpeg_compress_struct Info;
    TErrorManager Err;
    unsigned char* Buffer = nullptr;
    unsigned long BufferSize = 0;
};

bool Compress(TCompressor& c, const TJpegPixels& pixels, int quality, bool grayscale, bool progressive,
              JSAMPLE* row)
{
    if (setjmp(c.Err.Jump))
        return false;
    jpeg_create_compress(&c.Info);
    jpeg_mem_dest(&c.Info, &c.Buffer, &c.BufferSize);
    c.Info.image_width = static_cast<JDIMENSION>(pixels.Width);
    c.Info.image_height = static_cast<JDIMENSION>(pixels.Height);
    c.Info.input_components = 3;
    c.Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.Info);
    jpeg_set_quality(&c.Info, quality, TRUE);
    if (grayscale)
        jpeg_set_colorspace(&c.Info, JCS_GRAYSCALE);
    if (progressive)
        jpeg_simple_progression(&c.Info);
    jpeg_start_compress(&c.Info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(pixels.Width) * 4;
    while (c.Info.next_scanline < c.Info.image_height) {
        const std::uint8_t* src = pixels.Bgra.data() + c.Info.next_scanline * stride;
        for (int x = 0; x < pixels.Width; ++x) {
            row[x * 3] = src[x * 4 + 2];
            row[x * 3 + 1] = src[x * 4 + 1];
            row[x * 3 + 2] = src[x * 4];
        }
        jpeg_write_scanlines(&c.Info, &row, 1);
    }
    jpeg_finish_compress(&c.Info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TJpegPixels& pixels, int quality, bool grayscale, bool progressive)
{
    CheckSize(pixels.Width, pixels.Height);
    if (pixels.Bgra.size() != static_cast<std::size_t>(pixels.Width) * static_cast<std::size_t>(pixels.Height) * 4)
        Raise("the pixel data does not match the size");
    std::vector<JSAMPLE> row(static_cast<std::size_t>(pixels.Width) * 3);
    TCompressor c;
    if (!Compress(c, pixels, quality < 1 ? 1 : quality > 100 ? 100 : quality, grayscale, progressive, row.data()))
        Raise(c.Err.Message);
    return std::vector<std::uint8_t>(c.Buffer, c.Buffer + c.BufferSize);
}

} // namespace skyloom
