// Saving a JPEG picture: its own file, so that the encoder is linked only into programs that save pictures.
#include "slJPEGImage.h"

namespace skyloom {

std::vector<std::uint8_t> TJPEGImage::SaveToMemory() const
{
    if (FPixels.Width <= 0)
        return FData;
    return EncodeJpeg(FPixels, FProperties.CompressionQuality, FProperties.Grayscale,
                      FProperties.ProgressiveEncoding);
}

} // namespace skyloom
