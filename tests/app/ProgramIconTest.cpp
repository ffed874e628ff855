// The program's icon files: every size they carry loads through the system, whether the entry is stored as a bitmap
// or PNG-compressed, and shows the drawing (the blue background, the middle of the picture). The transparent
// corners are not checked: Wine on a 24-bit display draws them black even for the bitmap entries.
#include "Graphics.h"
#include "WinHandles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace skyloom;

namespace {

// The icon drawn on a white bitmap of its size; the pixels are read with GetPixel (COLORREF).
struct TDrawnIcon {
    TBitmap Bitmap;
    bool Drawn = false;
    TDrawnIcon(HICON icon, int size)
    {
        Bitmap.SetSize(size, size);
        Drawn = DrawIconEx(Bitmap.Canvas().Handle(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL) != FALSE;
    }
    COLORREF At(int x, int y) { return GetPixel(Bitmap.Canvas().Handle(), x, y); }
};

bool Near(COLORREF colour, COLORREF expected)
{
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((colour >> shift) & 0xFF);
        const int b = static_cast<int>((expected >> shift) & 0xFF);
        if (a - b > 0x10 || b - a > 0x10)
            return false;
    }
    return true;
}

TEST(ProgramIcon, EverySizeLoadsAndShowsTheDrawing)
{
    const char* top = std::getenv("SL_SOURCE_DIR");
    ASSERT_NE(top, nullptr) << "SL_SOURCE_DIR is set by the test runner";
    struct TCase {
        const char* File;
        std::vector<int> Sizes;
        COLORREF Middle;  // the cloud of the program's icon, the arrow of the upgrade question's
    };
    const TCase cases[] = {
        {"skyloom.ico", {16, 24, 32, 48, 64}, RGB(0xFF, 0xFF, 0xFF)},
        {"updater.ico", {16, 32, 48}, RGB(0x2A, 0xA8, 0x4A)},
    };
    for (const TCase& c : cases) {
        const std::string file = std::string(top) + "/res/" + c.File;
        for (int size : c.Sizes) {
            SCOPED_TRACE(std::string(c.File) + " at " + std::to_string(size) + " pixels");
            TOwnedIcon icon(
                static_cast<HICON>(LoadImageA(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
            ASSERT_TRUE(icon) << "the icon does not load";
            TDrawnIcon drawn(icon.Get(), size);
            ASSERT_TRUE(drawn.Drawn) << "the icon does not draw";
            const COLORREF back = drawn.At(size / 8, size * 2 / 5);
            EXPECT_GT(GetBValue(back), 0xB0) << "the background is not blue";
            EXPECT_LT(GetRValue(back), 0xA0) << "the background is not blue";
            EXPECT_PRED2(Near, drawn.At(size / 2, size / 2), c.Middle) << "the middle of the picture is off";
        }
    }
}

} // namespace
