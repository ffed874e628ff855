#include "slJpegCodecShared.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace skyloom {

namespace jpegcodec {

namespace {

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

// Called by the library as it reads the picture's data.
void LimitScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor || reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kJpegMaxScans)
        return;
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    std::snprintf(err->Message, sizeof err->Message, "the picture has more than %d scans", kJpegMaxScans);
    std::longjmp(err->Jump, 1);
}

} // namespace

void SetupErrors(TErrorManager& err)
{
    jpeg_std_error(&err.Public);
    err.Public.error_exit = ErrorExit;
    err.Public.emit_message = EmitMessage;
    err.Message[0] = '\0';
    err.Truncated = false;
}

void Raise(const char* message) { throw EJPEGError(std::string("JPEG error: ") + message); }

void CheckSize(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        Raise("the picture has no size");
    if (width > kJpegMaxSide || height > kJpegMaxSide || width * height > kJpegMaxPixels)
        Raise("the picture is too large");
}

} // namespace jpegcodec

namespace {

using namespace jpegcodec;

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
    jpeg_progress_mgr Progress{};
};

void Open(TDecompressor& d, const std::uint8_t* data, std::size_t size)
{
    if (!data || size == 0)
        Raise("no data");
    if (!ReadHeader(d.Info, d.Err, data, size))
        Raise(d.Err.Message);
    // Set once the decompressor exists (creating it clears the field).
    d.Progress.progress_monitor = jpegcodec::LimitScans;
    d.Info.progress = &d.Progress;
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

} // namespace skyloom
