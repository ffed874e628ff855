// JPEG through libjpeg: pictures made here come back with their size and colours; bad data is an error, never
// the end of the process.
#include "slJpegCodec.h"

#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace skyloom;
using skyloom::testing::RedBlue;

namespace {

bool Near(int a, int b) { return std::abs(a - b) <= 24; }

void ExpectColour(const TJpegPixels& p, int x, int y, int r, int g, int b, const char* what)
{
    const std::uint8_t* px = &p.Bgra[static_cast<std::size_t>((y * p.Width + x) * 4)];
    EXPECT_TRUE(Near(px[2], r) && Near(px[1], g) && Near(px[0], b))
        << what << ": got " << int(px[2]) << "," << int(px[1]) << "," << int(px[0]);
}

// The offset of the frame header's height field (SOF0 or SOF2: marker, length, precision, then height, width).
std::size_t FrameSizeOffset(const std::vector<std::uint8_t>& jpeg)
{
    for (std::size_t i = 0; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

// A progressive picture with one of its refining scans written again `extra` times after it (each repeat walks
// the whole picture again while adding nothing).
std::vector<std::uint8_t> WithRepeatedScan(const std::vector<std::uint8_t>& jpeg, int extra)
{
    std::vector<std::size_t> scans;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            scans.push_back(i);
    if (scans.size() < 2)
        return {};
    // The last scan, from its marker to the end-of-picture marker.
    const std::vector<std::uint8_t> scan(jpeg.begin() + static_cast<long>(scans.back()), jpeg.end() - 2);
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < extra; ++i)
        out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), jpeg.end() - 2, jpeg.end());
    return out;
}

} // namespace

TEST(JpegCodec, APictureComesBackWithItsSizeAndColours)
{
    auto jpeg = EncodeJpeg(RedBlue(64, 32));
    ASSERT_GT(jpeg.size(), 100u);
    int w = 0, h = 0;
    ReadJpegSize(jpeg.data(), jpeg.size(), w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    std::vector<int> progress;
    auto p = DecodeJpeg(jpeg.data(), jpeg.size(), {}, [&](int percent) { progress.push_back(percent); });
    EXPECT_EQ(p.Width, 64);
    EXPECT_EQ(p.Height, 32);
    ExpectColour(p, 8, 16, 255, 0, 0, "left half");
    ExpectColour(p, 56, 16, 0, 0, 255, "right half");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);

    TJpegDecodeOptions half;
    half.Scale = jsHalf;
    half.Performance = jpBestSpeed;
    auto small = DecodeJpeg(jpeg.data(), jpeg.size(), half);
    EXPECT_EQ(small.Width, 32);
    EXPECT_EQ(small.Height, 16);
    TJpegDecodeOptions grey;
    grey.Grayscale = true;
    auto g = DecodeJpeg(jpeg.data(), jpeg.size(), grey);
    const std::uint8_t* px = &g.Bgra[static_cast<std::size_t>((16 * 64 + 8) * 4)];
    EXPECT_TRUE(px[0] == px[1] && px[1] == px[2]) << "grey pixels";

    auto progressive = EncodeJpeg(RedBlue(40, 40), 80, false, true);
    auto pp = DecodeJpeg(progressive.data(), progressive.size());
    ExpectColour(pp, 5, 5, 255, 0, 0, "progressive picture");
}

TEST(JpegCodec, BadDataRaisesAClearError)
{
    auto jpeg = EncodeJpeg(RedBlue(64, 64));
    struct Case {
        std::vector<std::uint8_t> data;
        const char* what;
    } cases[] = {
        {{}, "no data"},
        {{'G', 'I', 'F', '8', '9', 'a'}, "not a JPEG"},
        {std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 20), "cut inside the header"},
        {std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 2 / 3)),
         "cut inside the picture"},
    };
    for (const Case& c : cases)
        EXPECT_THROW(DecodeJpeg(c.data.data(), c.data.size()), EJPEGError) << c.what;

    // A header that claims 20000 x 20000 pixels is refused before decoding.
    auto huge = jpeg;
    std::size_t at = FrameSizeOffset(huge);
    ASSERT_NE(at, 0u);
    huge[at] = huge[at + 2] = 0x4E;
    huge[at + 1] = huge[at + 3] = 0x20;
    try {
        DecodeJpeg(huge.data(), huge.size());
        ADD_FAILURE() << "a picture of 20000 x 20000 was decoded";
    } catch (const EJPEGError& e) {
        EXPECT_NE(e.Message.find("too large"), std::string::npos) << e.Message;
    }
}

TEST(JpegCodec, AProgressivePictureWithScansByTheThousandIsRefused)
{
    const auto progressive = EncodeJpeg(RedBlue(256, 256), 80, false, true);
    const auto few = WithRepeatedScan(progressive, 20);
    ASSERT_FALSE(few.empty()) << "the encoder wrote no progressive scans";
    const auto p = DecodeJpeg(few.data(), few.size());
    ExpectColour(p, 10, 10, 255, 0, 0, "a picture with a few scans too many still decodes");

    const auto many = WithRepeatedScan(progressive, 5000);
    try {
        DecodeJpeg(many.data(), many.size());
        ADD_FAILURE() << "a picture of 5000 repeated scans was decoded";
    } catch (const EJPEGError& e) {
        EXPECT_NE(e.Message.find("scans"), std::string::npos) << e.Message;
    }
}
