#include "slJPEGImage.h"

#include "Streams.h"

#include <iterator>

namespace skyloom {

namespace {

// A picture file larger than this is not read at all.
constexpr std::uintmax_t kMaxJpegFileSize = 64u * 1024 * 1024;

} // namespace

void TJPEGImage::LoadFromMemory(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> copy(data, data + size);
    TJpegDecodeOptions options;
    options.Grayscale = FProperties.Grayscale;
    options.Performance = FProperties.Performance;
    options.Scale = FProperties.Scale;
    options.Smoothing = FProperties.Smoothing;
    TJpegPixels pixels = DecodeJpeg(copy.data(), copy.size(), options, [this](int percent) {
        if (OnProgress)
            OnProgress(this, percent);
    });
    FData = std::move(copy);
    FPixels = std::move(pixels);
    Decode();
}

void TJPEGImage::LoadFromFile(const std::string& fileName)
{
    // Through the platform's file handles: the standard file streams would carry the whole locale machinery into
    // the program for this one read.
    THandleStream in(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (in.Handle() == INVALID_HANDLE_VALUE)
        throw EJPEGError("Cannot open file " + fileName);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(in.Handle(), &size))
        throw EJPEGError("Cannot read file " + fileName);
    if (static_cast<std::uintmax_t>(size.QuadPart) > kMaxJpegFileSize)
        throw EJPEGError("JPEG error: the file is too large");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int64_t got = in.Read(bytes.data() + done, static_cast<std::int64_t>(bytes.size() - done));
        if (got <= 0)
            throw EJPEGError("Cannot read file " + fileName);
        done += static_cast<std::size_t>(got);
    }
    LoadFromMemory(bytes.data(), bytes.size());
}

// Moves the decoded pixels into the bitmap that draws them.
void TJPEGImage::Decode()
{
    FBitmap.SetSize(FPixels.Width, FPixels.Height);
    if (!FBitmap.Empty()) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = FPixels.Width;
        bi.bmiHeader.biHeight = -FPixels.Height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        const TWindowDC screen(nullptr);
        SetDIBits(screen.Get(), FBitmap.Handle(), 0, static_cast<UINT>(FPixels.Height), FPixels.Bgra.data(), &bi,
                  DIB_RGB_COLORS);
    }
    FBitmap.Transparent = Transparent;
    Changed();
}

void TJPEGImage::SetProperties(const TJPEGProperties& value)
{
    if (FProperties == value)
        return;
    bool redecode = value.Grayscale != FProperties.Grayscale || value.Performance != FProperties.Performance ||
                    value.Scale != FProperties.Scale || value.Smoothing != FProperties.Smoothing;
    FProperties = value;
    if (redecode && !FData.empty()) {
        std::vector<std::uint8_t> data = FData;
        LoadFromMemory(data.data(), data.size());
    }
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& r)
{
    FBitmap.Transparent = Transparent;
    FBitmap.Draw(canvas, r);
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    auto copy = std::make_unique<TJPEGImage>();
    copy->FProperties = FProperties;
    copy->FData = FData;
    copy->FPixels = FPixels;
    copy->Transparent = Transparent;
    copy->Decode();
    return copy;
}

void TJPEGImage::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TJPEGImage*>(&source)) {
        if (other == this)
            return;
        FProperties = other->FProperties;
        FData = other->FData;
        FPixels = other->FPixels;
        Decode();
        return;
    }
    TGraphic::Assign(source);
}

void RegisterJPEGFileFormat()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    auto factory = [] { return std::make_unique<TJPEGImage>(); };
    auto loader = [](TGraphic& graphic, const std::string& fileName) {
        static_cast<TJPEGImage&>(graphic).LoadFromFile(fileName);
        return true;
    };
    TPicture::RegisterFileFormat(".jpg", factory, loader);
    TPicture::RegisterFileFormat(".jpeg", factory, loader);
}

} // namespace skyloom
