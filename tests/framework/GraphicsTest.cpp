// Fonts and canvases on a real window system.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"

#include "TestForms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace skyloom;
using namespace skyloom::testing;

TEST(Graphics, FontSizeAndHeightAgreeAtTheScreenResolution)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13) << "10 points at 96 dots per inch";
    font.SetSize(8);
    EXPECT_EQ(font.Height(), -11) << "8 points at 96 dots per inch";
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(8);
    EXPECT_EQ(changes, 2) << "the same size is no change";
    font.SetStyle(fsBold);
    HFONT h = font.Handle();
    LOGFONTA lf{};
    GetObjectA(h, sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(ColorToRGB(clGreen), RGB(0, 128, 0));
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
}

TEST(Graphics, CanvasDrawsOnABitmap)
{
    TBitmap bmp;
    bmp.SetSize(20, 10);
    TCanvas& canvas = bmp.Canvas();
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(GetPixel(canvas.Handle(), 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.Handle(), 15, 5), RGB(255, 255, 255)) << "a new bitmap is white";
    EXPECT_GT(canvas.TextWidth("Skyloom"), 0);
    TPicture picture;
    picture.Bitmap().Assign(bmp);
    EXPECT_EQ(picture.Width(), 20);
    TPicture copy;
    copy.Assign(picture);
    EXPECT_EQ(copy.Height(), 10);
}
