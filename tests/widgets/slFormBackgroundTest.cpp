// The form background on real windows: what the erase message paints, and when the form is asked to repaint.
#include "slFormBackground.h"

#include "Forms.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace skyloom;

namespace {

// An off-screen 32-bit surface of the form's client size to erase into.
class TSurface {
public:
    TSurface(int width, int height)
    {
        FBitmap.SetSize(width, height);
    }
    HDC DC() { return FBitmap.Canvas().Handle(); }
    COLORREF Pixel(int x, int y) { return GetPixel(DC(), x, y); }

private:
    TBitmap FBitmap;
};

struct TBackgroundForm {
    TBackgroundForm(int width, int height)
    {
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetColor(RGB(0, 255, 0));
        Form->SetClientSize(width, height);
        Background = new TslFormBackground(Form.get());
        Background->SetKind(bkGradient);
        Background->SetGradientDirection(gdHorizontal);
        Background->SetGradientColor1(clBlack);
        Background->SetGradientColor2(clWhite);
        Form->HandleNeeded();
    }
    // Sends the erase message the way the system does when the form is uncovered.
    LRESULT Erase(TSurface& surface)
    {
        return SendMessageA(Form->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.DC()), 0);
    }
    std::unique_ptr<TForm> Form;
    TslFormBackground* Background;
};

TEST(FormBackground, DefaultsOfTheThreeKinds)
{
    TForm form(nullptr);
    TslFormBackground background(&form);
    EXPECT_TRUE(background.Active());
    EXPECT_EQ(background.GradientColor1(), TColor(16711680));
    EXPECT_EQ(background.GradientColor2(), TColor(0));
    EXPECT_EQ(background.GradientDirection(), gdVertical);
    EXPECT_EQ(background.Kind(), bkPicture);
    EXPECT_EQ(background.PictureStyle(), bsTile);
    TslBackground panel(nullptr);
    EXPECT_FALSE(panel.Active());
    EXPECT_EQ(panel.GradientDirection(), gdHorizontal);
    EXPECT_EQ(panel.Kind(), bkGradient);
    TslPanelBackground panelBackground(nullptr);
    EXPECT_TRUE(panelBackground.PaintOnBorders());
}

TEST(FormBackground, HorizontalGradientEdgesOnAnOffScreenForm)
{
    TBackgroundForm f(300, 60);
    TSurface surface(300, 60);
    EXPECT_EQ(f.Erase(surface), 1) << "the erase message counts as handled";
    EXPECT_EQ(f.Background->PaintCount(), 1);
    EXPECT_EQ(surface.Pixel(0, 0), RGB(0, 0, 0)) << "leftmost column black";
    EXPECT_EQ(surface.Pixel(0, 59), RGB(0, 0, 0));
    EXPECT_EQ(surface.Pixel(299, 30), RGB(255, 255, 255)) << "rightmost column white";
    // Band 127 covers x 149..150 in grey 128 (MulDiv(127, 255, 254) rounds the half up).
    EXPECT_EQ(surface.Pixel(150, 30), RGB(128, 128, 128));
    for (int x = 1; x < 300; ++x)
        ASSERT_GE(GetRValue(surface.Pixel(x, 10)), GetRValue(surface.Pixel(x - 1, 10))) << "column " << x;
}

TEST(FormBackground, CentralGradientKeepsTheFormColourInTheCorners)
{
    TBackgroundForm f(300, 200);
    f.Background->SetGradientDirection(gdCentral);
    f.Background->SetGradientColor1(RGB(255, 0, 0));
    f.Background->SetGradientColor2(RGB(0, 0, 255));
    TSurface surface(300, 200);
    f.Erase(surface);
    EXPECT_EQ(surface.Pixel(0, 0), RGB(0, 255, 0)) << "corner in the form's colour";
    EXPECT_EQ(surface.Pixel(299, 199), RGB(0, 255, 0));
    // A hundred rings over 100 pixels: the centre is within a ring or two of colour 1, the top edge's middle on
    // the outermost ring, in colour 2.
    const COLORREF centre = surface.Pixel(150, 100);
    EXPECT_GE(GetRValue(centre), 245) << "centre near colour 1";
    EXPECT_LE(GetBValue(centre), 10) << "centre near colour 1";
    const COLORREF edge = surface.Pixel(150, 0);
    EXPECT_LE(GetRValue(edge), 5) << "top middle near colour 2";
    EXPECT_GE(GetBValue(edge), 250) << "top middle near colour 2";
}

TEST(FormBackground, PictureKindWithoutPictureLetsTheFormErase)
{
    TBackgroundForm f(40, 30);
    f.Background->SetKind(bkPicture);
    TSurface surface(40, 30);
    f.Erase(surface);
    EXPECT_EQ(f.Background->PaintCount(), 0) << "nothing painted without a picture";
    EXPECT_EQ(surface.Pixel(5, 5), RGB(0, 255, 0)) << "the form erased in its own colour";

    TBitmap tile;
    tile.SetSize(10, 10);
    tile.Canvas().Brush().SetColor(clRed);
    tile.Canvas().FillRect(Rect(0, 0, 10, 10));
    f.Background->Picture().Bitmap().Assign(tile);
    f.Background->SetPictureStyle(bsCenter);
    f.Erase(surface);
    EXPECT_EQ(surface.Pixel(20, 15), RGB(255, 0, 0)) << "picture in the middle";
    EXPECT_EQ(surface.Pixel(2, 2), RGB(0, 255, 0)) << "fill colour around it";
}

TEST(FormBackground, SwitchingOffRepaintsWithTheOrdinaryBackground)
{
    TBackgroundForm f(50, 50);
    TSurface surface(50, 50);
    f.Form->Show();
    PumpFor(100);
    ValidateRect(f.Form->Handle(), nullptr);
    f.Background->SetActive(false);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(f.Form->Handle(), &update, FALSE)) << "switching off asks for a repaint";
    const int before = f.Background->PaintCount();
    f.Erase(surface);
    EXPECT_EQ(f.Background->PaintCount(), before) << "switched off: nothing painted";
    EXPECT_EQ(surface.Pixel(25, 25), RGB(0, 255, 0));

    ValidateRect(f.Form->Handle(), nullptr);
    f.Background->SetGradientColor1(clRed);
    EXPECT_FALSE(GetUpdateRect(f.Form->Handle(), &update, FALSE)) << "no repaint while switched off";
    f.Form->Hide();
}

TEST(FormBackground, ResizingRepaintsTheWholeGradient)
{
    TBackgroundForm f(100, 50);
    f.Form->Show();
    PumpFor(100);
    MSG msg;
    while (PeekMessageA(&msg, f.Form->Handle(), CM_COLORCHANGED, CM_COLORCHANGED, PM_REMOVE)) {
    }
    f.Form->SetClientSize(200, 80);
    ASSERT_TRUE(PeekMessageA(&msg, f.Form->Handle(), CM_COLORCHANGED, CM_COLORCHANGED, PM_REMOVE))
        << "a size change posts the colour-changed notification";
    ValidateRect(f.Form->Handle(), nullptr);
    DispatchMessageA(&msg);
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(f.Form->Handle(), &update, FALSE)) << "handling it invalidates the form";
    EXPECT_EQ(update.left, 0);
    EXPECT_EQ(update.top, 0);
    EXPECT_GE(update.right, 200) << "the whole form, not only the new part";
    EXPECT_GE(update.bottom, 80);
    f.Form->Hide();
}

} // namespace
