// The program's icon files: every size they carry loads through the system, whether the entry is stored as a bitmap
// or PNG-compressed, and shows the drawing (the blue background, the middle of the picture). The transparent
// corners are not checked: Wine on a 24-bit display draws them black even for the bitmap entries.
#include "WinHandles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace skyloom;

namespace {

constexpr std::uint32_t kBackground = 0xFF00FF;  // magenta: no colour of the drawing

// The icon drawn over a magenta background, as 0xRRGGBB, top row first; empty when it cannot be drawn.
std::vector<std::uint32_t> DrawnPixels(HICON icon, int size)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TOwnedGdi<HBITMAP> target(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    TOwnedMemDC dc(CreateCompatibleDC(nullptr));
    if (!target || !dc || !bits)
        return {};
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    std::fill(pixels, pixels + count, kBackground);
    HGDIOBJ old = SelectObject(dc.Get(), target.Get());
    const bool drawn = DrawIconEx(dc.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL) != FALSE;
    GdiFlush();
    SelectObject(dc.Get(), old);
    if (!drawn)
        return {};
    std::vector<std::uint32_t> result(pixels, pixels + count);
    for (auto& p : result)
        p &= 0xFFFFFF;
    return result;
}

bool Near(std::uint32_t colour, std::uint32_t expected)
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
        std::uint32_t Middle;  // the cloud of the program's icon, the arrow of the upgrade question's
    };
    const TCase cases[] = {
        {"skyloom.ico", {16, 24, 32, 48, 64}, 0xFFFFFF},
        {"updater.ico", {16, 32, 48}, 0x2AA84A},
    };
    for (const TCase& c : cases) {
        const std::string file = std::string(top) + "/res/" + c.File;
        for (int size : c.Sizes) {
            SCOPED_TRACE(std::string(c.File) + " at " + std::to_string(size) + " pixels");
            TOwnedIcon icon(
                static_cast<HICON>(LoadImageA(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
            ASSERT_TRUE(icon) << "the icon does not load";
            std::vector<std::uint32_t> pixels = DrawnPixels(icon.Get(), size);
            ASSERT_EQ(pixels.size(), static_cast<std::size_t>(size * size)) << "the icon does not draw";
            auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * size + x)]; };
            const std::uint32_t back = at(size / 8, size * 2 / 5);
            EXPECT_GT(back & 0xFF, 0xB0u) << "the background is not blue";
            EXPECT_LT((back >> 16) & 0xFF, 0xA0u) << "the background is not blue";
            EXPECT_PRED2(Near, at(size / 2, size / 2), c.Middle) << "the middle of the picture is off";
        }
    }
}

} // namespace
