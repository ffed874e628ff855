#include "slJpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>
// jpeglib.h needs stdio first; jerror.h its types.
#include <jerror.h>

namespace skyloom {

namespace {

// The library's default error handler ends the process. This one jumps back to the call with the message;
// the functions that set the jump point keep no objects with destructors between it and the library calls.
struct TErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
    bool Truncated;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    // A picture that ends early is decoded by the library as grey; treat it as the error it is.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        err->Truncated = true;
}

void SetupErrors(TErrorManager& err)
{
    jpeg_std_error(&err.Public);
    err.Public.error_exit = ErrorExit;
    err.Public.emit_message = EmitMessage;
    err.Message[0] = '\0';
    err.Truncated = false;
}

[[noreturn]] void Raise(const char* message) { throw EJPEGError(std::string("JPEG error: ") + message); }

void CheckSize(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        Raise("the picture has no size");
    if (width > kJpegMaxSide || height > kJpegMaxSide || width * height > kJpegMaxPixels)
        Raise("the picture is too large");
}

// Returns false with the message in err when the library failed.
bool ReadHeader(jpeg_decompress_struct& cinfo, TErrorManager& err, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(err.Jump))
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    return true;
}

bool StartDecoding(jpeg_decompress_struct& cinfo, TErrorManager& err, const TJpegDecodeOptions& options)
{
    if (setjmp(err.Jump))
        return false;
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : options.Grayscale ? JCS_GRAYSCALE : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = options.Scale == jsHalf ? 2 : options.Scale == jsQuarter ? 4 : options.Scale == jsEighth ? 8 : 1;
    cinfo.dct_method = options.Performance == jpBestSpeed ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.do_fancy_upsampling = options.Performance == jpBestSpeed ? FALSE : TRUE;
    cinfo.do_block_smoothing = options.Smoothing ? TRUE : FALSE;
    jpeg_start_decompress(&cinfo);
    return true;
}

bool ReadRow(jpeg_decompress_struct& cinfo, TErrorManager& err, JSAMPROW row)
{
    if (setjmp(err.Jump))
        return false;
    jpeg_read_scanlines(&cinfo, &row, 1);
    return true;
}

bool Finish(jpeg_decompress_struct& cinfo, TErrorManager& err)
{
    if (setjmp(err.Jump))
        return false;
    jpeg_finish_decompress(&cinfo);
    return true;
}

// Destroys the decompressor on every way out.
class TDecompressor {
public:
    TDecompressor()
    {
        std::memset(&Info, 0, sizeof Info);
        SetupErrors(Err);
        Info.err = &Err.Public;
    }
    ~TDecompressor() { jpeg_destroy_decompress(&Info); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
    jpeg_decompress_struct Info;
    TErrorManager Err;
};

void Open(TDecompressor& d, const std::uint8_t* data, std::size_t size)
{
    if (!data || size == 0)
        Raise("no data");
    if (!ReadHeader(d.Info, d.Err, data, size))
        Raise(d.Err.Message);
    if (d.Err.Truncated)
        Raise("the data ends before the picture");
}

} // namespace

void ReadJpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height)
{
    TDecompressor d;
    Open(d, data, size);
    width = static_cast<int>(d.Info.image_width);
    height = static_cast<int>(d.Info.image_height);
}

TJpegPixels DecodeJpeg(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options,
                       const std::function<void(int percent)>& progress)
{
    TDecompressor d;
    Open(d, data, size);
    // Refused before the library or we take memory for the pixels.
    CheckSize(d.Info.image_width, d.Info.image_height);
    if (!StartDecoding(d.Info, d.Err, options))
        Raise(d.Err.Message);
    TJpegPixels out;
    out.Width = static_cast<int>(d.Info.output_width);
    out.Height = static_cast<int>(d.Info.output_height);
    CheckSize(out.Width, out.Height);
    const int components = d.Info.output_components;
    if (components != 1 && components != 3 && components != 4)
        Raise("unsupported colour format");
    out.Bgra.assign(static_cast<std::size_t>(out.Width) * static_cast<std::size_t>(out.Height) * 4, 0);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(out.Width) * static_cast<std::size_t>(components));
    const bool adobeInverted = d.Info.saw_Adobe_marker;
    int lastPercent = -1;
    while (d.Info.output_scanline < d.Info.output_height) {
        const auto y = static_cast<std::size_t>(d.Info.output_scanline);
        if (!ReadRow(d.Info, d.Err, row.data()))
            Raise(d.Err.Message);
        if (d.Err.Truncated)
            Raise("the data ends before the picture");
        std::uint8_t* dst = out.Bgra.data() + y * static_cast<std::size_t>(out.Width) * 4;
        const JSAMPLE* src = row.data();
        for (int x = 0; x < out.Width; ++x, dst += 4, src += components) {
            if (components == 1) {
                dst[0] = dst[1] = dst[2] = src[0];
            } else if (components == 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            } else {
                // CMYK; Adobe's files store it inverted.
                int c = src[0], m = src[1], yy = src[2], k = src[3];
                if (!adobeInverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yy = 255 - yy;
                    k = 255 - k;
                }
                dst[0] = static_cast<std::uint8_t>(yy * k / 255);
                dst[1] = static_cast<std::uint8_t>(m * k / 255);
                dst[2] = static_cast<std::uint8_t>(c * k / 255);
            }
        }
        if (progress) {
            int percent = static_cast<int>((y + 1) * 100 / static_cast<std::size_t>(out.Height));
            if (percent != lastPercent && (percent % 10 == 0 || percent == 100)) {
                lastPercent = percent;
                progress(percent);
            }
        }
    }
    if (!Finish(d.Info, d.Err))
        Raise(d.Err.Message);
    if (d.Err.Truncated)
        Raise("the data ends before the picture");
    return out;
}

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
