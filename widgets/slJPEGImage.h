// A JPEG picture as a graphic of the framework: the compressed data, decoded into a bitmap when loaded.
#pragma once

#include "Graphics.h"
#include "slJpegCodec.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skyloom {

enum TJPEGPixelFormat { jf24Bit, jf8Bit };

// The settings a picture control hands to its JPEG pictures.
struct TJPEGProperties {
    int CompressionQuality = 90;
    bool Grayscale = false;
    TJPEGPerformance Performance = jpBestQuality;
    TJPEGPixelFormat PixelFormat = jf24Bit;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    TJPEGScale Scale = jsFullSize;
    bool Smoothing = true;
    friend bool operator==(const TJPEGProperties&, const TJPEGProperties&) = default;
};

using TProgressEvent = std::function<void(TObject* sender, int percent)>;

class TJPEGImage : public TGraphic {
public:
    // Decodes data (raises EJPEGError for a picture that cannot be read; the image is then left as it was).
    void LoadFromMemory(const std::uint8_t* data, std::size_t size);
    // Raises EJPEGError for a missing or unreadable file too.
    void LoadFromFile(const std::string& fileName);
    // Encodes the current picture at CompressionQuality.
    std::vector<std::uint8_t> SaveToMemory() const;
    // Decodes again with new settings when they change what is decoded.
    void SetProperties(const TJPEGProperties& value);
    const TJPEGProperties& Properties() const { return FProperties; }
    const std::vector<std::uint8_t>& Data() const { return FData; }
    TBitmap& Bitmap() { return FBitmap; }

    bool Empty() const override { return FBitmap.Empty(); }
    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    void Draw(TCanvas& canvas, const TRect& r) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void Assign(const TPersistent& source) override;
    // Reports decoding progress in percent.
    TProgressEvent OnProgress;

private:
    void Decode();
    std::vector<std::uint8_t> FData;
    TJPEGProperties FProperties;
    TBitmap FBitmap;
    TJpegPixels FPixels;
};

// Lets TPicture::LoadFromFile read ".jpg" and ".jpeg" files (idempotent).
void RegisterJPEGFileFormat();

} // namespace skyloom
