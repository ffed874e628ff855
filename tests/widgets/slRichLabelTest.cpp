// Marked-up text on a real window system: runs drawn in their style, frames and shadows, and the label's height.
#include "ExtCtrls.h"
#include "Forms.h"
#include "slRichLabel.h"

#include "WidgetTestForms.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

using namespace skyloom;
using skyloom::testing::NewForm;

namespace {

// Counts pixels of one colour in a column range of a bitmap.
int CountPixels(TBitmap& bmp, int x0, int x1, COLORREF color)
{
    int n = 0;
    HDC dc = bmp.Canvas().Handle();
    for (int x = x0; x < x1 && x < bmp.Width(); ++x)
        for (int y = 0; y < bmp.Height(); ++y)
            if (GetPixel(dc, x, y) == color)
                ++n;
    return n;
}

int CountDark(TBitmap& bmp)
{
    int n = 0;
    HDC dc = bmp.Canvas().Handle();
    for (int x = 0; x < bmp.Width(); ++x)
        for (int y = 0; y < bmp.Height(); ++y) {
            COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300)
                ++n;
        }
    return n;
}

// x where a run of a laid-out line starts.
int RunStart(const TslRichLine& line, std::size_t index, TFont& font)
{
    TslRichDrawOptions o;
    int x = line.X;
    for (std::size_t i = 0; i < index; ++i) {
        o.Markup.PlainText = true;
        std::string text = line.Runs[i].Text;
        TFont styled;
        styled.Assign(font);
        styled.SetStyle(line.Runs[i].Style);
        x += MeasureRichText(text, styled, o).Lines[0].Width;
    }
    return x;
}

} // namespace

TEST(RichDrawing, BoldAndColourRunsAreDrawnInTheirStyle)
{
    TFont font;
    font.SetName("Tahoma");
    font.SetHeight(-13);
    font.SetColor(clBlack);
    TslRichDrawOptions o;
    o.Color = clWhite;
    o.Layout.Width = 400;

    TBitmap regular, bold;
    DrawRichText(regular, "WWWW", font, o);
    DrawRichText(bold, "[b]WWWW[]", font, o);
    EXPECT_GT(bold.Width(), regular.Width()) << "the bold run is wider";
    EXPECT_GT(CountDark(bold), CountDark(regular) * 5 / 4) << "the bold run has more ink";

    TBitmap release;
    auto layout = DrawRichText(release, "A newer version of [b]Skyloom[] was released.", font, o);
    ASSERT_EQ(layout.Lines.size(), 1u);
    ASSERT_EQ(layout.Lines[0].Runs.size(), 3u);
    EXPECT_EQ(layout.Lines[0].Runs[1].Text, "Skyloom");
    EXPECT_EQ(layout.Lines[0].Runs[1].Style, rsBold);
    EXPECT_EQ(layout.Lines[0].Runs[2].Style, 0u) << "the rest of the sentence is regular again";

    TBitmap colours;
    auto c = DrawRichText(colours, "[red]x[b]y[]z[DEF]w", font, o);
    ASSERT_EQ(c.Lines[0].Runs.size(), 4u);
    int xs[5];
    for (std::size_t i = 0; i < 4; ++i)
        xs[i] = RunStart(c.Lines[0], i, font);
    xs[4] = colours.Width();
    const COLORREF red = RGB(255, 0, 0);
    EXPECT_GT(CountPixels(colours, xs[0], xs[1], red), 0) << "x is red";
    EXPECT_GT(CountPixels(colours, xs[1], xs[2], red), 0) << "y is red";
    EXPECT_GT(CountPixels(colours, xs[2], xs[3], red), 0) << "z is red";
    EXPECT_EQ(CountPixels(colours, xs[3], xs[4], red), 0) << "w after [DEF] is not red";
    EXPECT_GT(CountPixels(colours, xs[3], xs[4], RGB(0, 0, 0)), 0) << "w has the font's own colour";
}

TEST(RichDrawing, FrameAndDottedShadow)
{
    TFont font;
    font.SetName("Tahoma");
    font.SetHeight(-11);
    TslRichDrawOptions o;
    o.Color = RGBColor(0xFF, 0xFF, 0xEE);
    o.ShowFrame = true;
    o.ShadowColor = clBlue;
    o.Layout.Width = 200;
    o.Layout.MarginHorz = 11;
    o.Layout.MarginVert = 7;
    o.Layout.ShowShadow = true;
    TBitmap bmp;
    DrawRichText(bmp, "Closes the dialog box", font, o, nullptr);
    HDC dc = bmp.Canvas().Handle();
    const int w = bmp.Width(), h = bmp.Height();
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "the outline";
    EXPECT_EQ(GetPixel(dc, w - 7, h - 7), RGB(0, 0, 0)) << "the outline's far corner, 6 pixels in";
    EXPECT_EQ(GetPixel(dc, 1, 1), GetSysColor(COLOR_BTNFACE)) << "the inner frame";
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0xFF, 0xFF, 0xEE)) << "the background";
    int shadowRight = 0, shadowBottom = 0, shadowAbove = 0;
    for (int y = 0; y < h; ++y)
        for (int x = w - 6; x < w; ++x)
            if (GetPixel(dc, x, y) == RGB(0, 0, 255))
                (y < 7 ? shadowAbove : shadowRight)++;
    for (int x = 0; x < w - 6; ++x)
        for (int y = h - 6; y < h; ++y)
            if (GetPixel(dc, x, y) == RGB(0, 0, 255))
                (x < 7 ? shadowAbove : shadowBottom)++;
    EXPECT_GT(shadowRight, 3 * (h - 7) / 2 - 6) << "three dotted columns";
    EXPECT_GT(shadowBottom, 3 * (w - 14) / 2 - 6) << "three dotted rows";
    EXPECT_EQ(shadowAbove, 0) << "the shadow starts 7 pixels in";
    EXPECT_NE(GetPixel(dc, w - 6, 8), GetPixel(dc, w - 6, 9)) << "alternate pixels";
}

TEST(RichLabel, AutoHeightFollowsTheWrappedText)
{
    auto form = NewForm(400, 200);
    auto* label = new TslRichLabel(form.get());
    label->SetParent(form.get());
    label->Font().SetName("Tahoma");
    label->Font().SetHeight(-11);
    label->SetBounds(10, 10, 120, 20);
    label->SetCaption("one two three four five six seven eight nine ten");
    form->Show();
    Application.ProcessMessages();
    int lineHeight = label->Measure().LineHeight;
    ASSERT_GT(lineHeight, 0);
    EXPECT_EQ(label->Height(), label->Measure().Height);
    EXPECT_GT(label->Height(), lineHeight) << "the text wraps to several lines";
    label->SetCaption("[b]x[] [ub]y[]");
    EXPECT_EQ(label->Height(), lineHeight) << "a text change takes effect at once";
    EXPECT_EQ(label->PlainText(), "x y");
}
