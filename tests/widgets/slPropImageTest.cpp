// The proportional image on a real window system: JPEG files decoded and drawn to scale, bad files, icons.
#include "ExtCtrls.h"
#include "Forms.h"
#include "TestSupport.h"
#include "slJPEGImage.h"
#include "slPropImage.h"

#include "TestPictures.h"
#include "WidgetTestForms.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

using namespace skyloom;
using skyloom::testing::NewForm;
using skyloom::testing::RedBlue;

namespace {

COLORREF ScreenPixel(int x, int y)
{
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

std::string TempFile(const char* name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A proportional image on form at 10, 10 in a 32 x 32 box.
TslProportionalImage* NewImage(TForm* form)
{
    auto* image = new TslProportionalImage(form);
    image->SetParent(form);
    image->SetBounds(10, 10, 32, 32);
    return image;
}

bool Reddish(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }
bool Bluish(COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60; }

} // namespace

TEST(PropImage, AJpegFileIsDecodedAndDrawnToScale)
{
    std::string name = TempFile("skyloom-redblue.jpg");
    WriteFile(name, EncodeJpeg(RedBlue(64, 32)));
    auto form = NewForm(200, 100);
    auto* image = NewImage(form.get());
    std::vector<int> progress;
    image->OnProgress = [&](TObject*, int percent) { progress.push_back(percent); };
    image->Picture().LoadFromFile(name);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(image->Picture().Graphic()), nullptr);
    EXPECT_EQ(image->Picture().Width(), 64);
    EXPECT_EQ(image->Picture().Height(), 32);
    EXPECT_EQ(image->DestRect(), Bounds(0, 8, 32, 16)) << "64 x 32 in a 32 x 32 box: 32 x 16, 8 from the top";
    form->Show();
    // Under load the screen can show the form a moment before the picture's paint reaches it.
    EXPECT_TRUE(PumpUntil([] { return Reddish(ScreenPixel(50 + 10 + 4, 50 + 10 + 16)); })) << "left half red";
    EXPECT_TRUE(Bluish(ScreenPixel(50 + 10 + 28, 50 + 10 + 16))) << "right half blue";
    EXPECT_EQ(ScreenPixel(50 + 10 + 16, 50 + 10 + 3), RGB(255, 255, 255)) << "above the picture: the form";
    auto* large = new TslProportionalImage(form.get());
    large->SetParent(form.get());
    large->SetBounds(60, 10, 128, 80);
    large->Picture().LoadFromFile(name);
    Application.ProcessMessages();
    SaveScreenShot("jpeg");
    delete large;

    TJPEGProperties grey;
    grey.Grayscale = true;
    image->SetJPEGProperties(grey);
    EXPECT_FALSE(progress.empty()) << "decoding again with the new settings reports progress";
    auto& bmp = static_cast<TJPEGImage*>(image->Picture().Graphic())->Bitmap();
    COLORREF c = GetPixel(bmp.Canvas().Handle(), 5, 5);
    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << "the picture is grey now";
    DeleteFileA(name.c_str());
}

TEST(PropImage, APictureLargerThanItsBoxAtItsOwnSizeShowsItsMiddle)
{
    std::string name = TempFile("skyloom-redblue-wide.jpg");
    WriteFile(name, EncodeJpeg(RedBlue(64, 32)));
    auto form = NewForm(200, 100);
    auto* image = NewImage(form.get());
    image->SetProportional(false);
    image->Picture().LoadFromFile(name);
    EXPECT_EQ(image->DestRect(), Bounds(-16, 0, 64, 32)) << "unscaled and centred";
    form->Show();
    // Columns 16..47 of the picture show: red up to its middle, blue after it.
    EXPECT_TRUE(PumpUntil([] { return Reddish(ScreenPixel(50 + 10 + 4, 50 + 10 + 16)); })) << "picture column 20";
    EXPECT_TRUE(Reddish(ScreenPixel(50 + 10 + 12, 50 + 10 + 16))) << "picture column 28";
    EXPECT_TRUE(Bluish(ScreenPixel(50 + 10 + 20, 50 + 10 + 16))) << "picture column 36";
    EXPECT_TRUE(Bluish(ScreenPixel(50 + 10 + 28, 50 + 10 + 30))) << "picture column 44";
    EXPECT_EQ(ScreenPixel(50 + 10 + 34, 50 + 10 + 16), RGB(255, 255, 255)) << "beside the box: the form";
    DeleteFileA(name.c_str());
}

TEST(PropImage, ACorruptJpegRaisesAndLeavesThePicture)
{
    auto jpeg = EncodeJpeg(RedBlue(48, 48));
    std::string cut = TempFile("skyloom-cut.jpg"), junk = TempFile("skyloom-junk.jpg");
    WriteFile(cut, std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
    WriteFile(junk, std::vector<std::uint8_t>(300, 0x5A));
    TslProportionalImage image(nullptr);
    image.SetAutoSize(true);
    for (const std::string& name : {cut, junk}) {
        EXPECT_THROW(image.Picture().LoadFromFile(name), EJPEGError) << name;
        EXPECT_EQ(image.Picture().Graphic(), nullptr) << "nothing half-loaded stays";
        EXPECT_EQ(image.Width(), 105) << "the box keeps its size";
    }
    EXPECT_THROW(image.Picture().LoadFromFile(TempFile("skyloom-missing.jpg")), EJPEGError);
    EXPECT_THROW(image.Picture().LoadFromFile(TempFile("x.gif")), EInvalidGraphic);
    DeleteFileA(cut.c_str());
    DeleteFileA(junk.c_str());
}

TEST(PropImage, AutoSizeTakesAnIconsSize)
{
    TslProportionalImage image(nullptr);
    image.SetAutoSize(true);
    std::vector<BYTE> andBits(48 * 48 / 8, 0), xorBits(48 * 48 * 4, 0x80);
    HICON icon = CreateIcon(GetModuleHandleA(nullptr), 48, 48, 1, 32, andBits.data(), xorBits.data());
    ASSERT_NE(icon, nullptr);
    image.Picture().Icon().SetHandle(icon);
    EXPECT_EQ(image.Width(), 48);
    EXPECT_EQ(image.Height(), 48);
}
