#include "slFormBackgroundCore.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace skyloom {
namespace {

TEST(FormBackgroundGeometry, MulDivRoundsHalvesAwayFromZero)
{
    const struct {
        int A, B, C, Expected;
    } cases[] = {
        {1, 1, 2, 1},     {-1, 1, 2, -1},  {3, 1, 2, 2},        {5, -1, 2, -3},  {1, 1, 3, 0},
        {2, 1, 3, 1},     {127, 255, 254, 128}, {300, 0, 255, 0}, {7, 9, 0, -1},  {-7, -9, 2, 32},
        {100000, 100000, 100000, 100000}, {INT_MAX, INT_MAX, 1, -1}, {INT_MAX, 2, 2, INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.Expected) << c.A << " * " << c.B << " / " << c.C;
}

// Paints the plan's bands into one value per column (or row), later bands over earlier ones, and counts how
// many non-empty bands cover each.
struct TStrip {
    std::vector<int> Value;
    std::vector<int> Cover;
};

TStrip PaintStrip(const TslGradientPlan& plan, int length, bool columns)
{
    TStrip strip{std::vector<int>(length, -1), std::vector<int>(length, 0)};
    for (int step = 0; step < plan.Count; ++step) {
        const TslGradientBand band = plan.Band(step);
        const int from = columns ? band.Rect.Left : band.Rect.Top;
        const int to = columns ? band.Rect.Right : band.Rect.Bottom;
        for (int p = from; p < to; ++p) {
            strip.Value.at(p) = band.Color.R;
            ++strip.Cover.at(p);
        }
    }
    return strip;
}

int RoundHalfUp(double v) { return static_cast<int>(std::floor(v + 0.5)); }

TEST(FormBackgroundGeometry, HorizontalBlackToWhiteOver300Pixels)
{
    const TslGradientPlan plan = PlanGradient(Rect(0, 0, 300, 40), {0, 0, 0}, {255, 255, 255}, gdHorizontal);
    EXPECT_FALSE(plan.FillFirst);
    ASSERT_EQ(plan.Count, 255);
    for (int step = 0; step < plan.Count; ++step) {
        const int i = 254 - step;
        const TslGradientBand band = plan.Band(step);
        EXPECT_EQ(band.Rect, Rect(RoundHalfUp(i * 300.0 / 255), 0, RoundHalfUp((i + 1) * 300.0 / 255), 40))
            << "band " << i;
        const int grey = RoundHalfUp(i * 255.0 / 254);
        EXPECT_EQ(band.Color, (TslRGB{grey, grey, grey})) << "band " << i;
    }
    const TStrip strip = PaintStrip(plan, 300, true);
    EXPECT_EQ(strip.Value.front(), 0) << "the leftmost column is black";
    EXPECT_EQ(strip.Value.back(), 255) << "the rightmost column is white";
    for (int x = 0; x < 300; ++x) {
        EXPECT_EQ(strip.Cover[x], 1) << "column " << x << " belongs to exactly one band";
        if (x > 0) {
            EXPECT_GE(strip.Value[x], strip.Value[x - 1]) << "grey never darkens to the right, column " << x;
        }
    }
}

TEST(FormBackgroundGeometry, VerticalGradientLeavesNoGapsOnShortForms)
{
    for (const int height : {1, 2, 3, 100, 200, 254, 255, 256, 600}) {
        const TslGradientPlan plan = PlanGradient(Rect(5, 10, 50, 10 + height), {10, 20, 30}, {200, 100, 0},
                                                  gdVertical);
        std::vector<int> cover(height, 0);
        for (int step = 0; step < plan.Count; ++step) {
            const TRect r = plan.Band(step).Rect;
            EXPECT_EQ(r.Left, 5);
            EXPECT_EQ(r.Right, 50);
            for (int y = r.Top; y < r.Bottom; ++y)
                ++cover.at(y - 10);
        }
        for (int y = 0; y < height; ++y)
            EXPECT_EQ(cover[y], 1) << "row " << y << " of a form " << height << " high";
        EXPECT_EQ(plan.Band(plan.Count - 1).Color, (TslRGB{10, 20, 30})) << "colour 1 at the top";
        EXPECT_EQ(plan.Band(0).Color, (TslRGB{200, 100, 0})) << "colour 2 at the bottom";
    }
}

TEST(FormBackgroundGeometry, CentralGradientRings)
{
    const struct {
        TRect Area;
        int Count;
        TRect Largest;
        TRect Smallest;
    } cases[] = {
        {Rect(0, 0, 300, 200), 100, Rect(0, 0, 300, 200), Rect(148, 99, 152, 101)},
        {Rect(0, 0, 3, 40), 2, Rect(0, 0, 2, 40), Rect(0, 10, 2, 30)},
        {Rect(0, 0, 2, 2), 2, Rect(0, 0, 2, 2), Rect(0, 0, 2, 2)},
        {Rect(0, 0, 1000, 900), 255, Rect(0, 0, 1000, 900), Rect(498, 448, 502, 452)},
    };
    for (const auto& c : cases) {
        const TslGradientPlan plan = PlanGradient(c.Area, {255, 0, 0}, {0, 0, 255}, gdCentral);
        EXPECT_TRUE(plan.FillFirst) << "the corners keep the fill colour";
        EXPECT_TRUE(plan.Ellipses);
        ASSERT_EQ(plan.Count, c.Count) << c.Area.Width() << " x " << c.Area.Height();
        EXPECT_EQ(plan.Band(0).Rect, c.Largest) << "outermost ellipse, drawn first";
        EXPECT_EQ(plan.Band(0).Color, (TslRGB{0, 0, 255})) << "outermost ellipse in colour 2";
        EXPECT_EQ(plan.Band(plan.Count - 1).Rect, c.Smallest) << "innermost ellipse, drawn last";
        EXPECT_EQ(plan.Band(plan.Count - 1).Color, (TslRGB{255, 0, 0})) << "innermost ellipse in colour 1";
    }
}

std::string PictureCalls(int W, int H, int w, int h, TslBackgroundPictureStyle style)
{
    std::string log;
    const auto note = [&log](const char* what, const TRect& r) {
        if (!log.empty())
            log += ' ';
        log += what;
        const int values[] = {r.Left, r.Top, r.Right, r.Bottom};
        for (int k = 0; k < 4; ++k) {
            log += k == 0 ? '(' : ',';
            log += std::to_string(values[k]);
        }
        log += ')';
    };
    PlanPicture(
        W, H, w, h, style, [&](const TRect& r) { note("fill", r); }, [&](const TRect& r) { note("draw", r); });
    return log;
}

TEST(FormBackgroundGeometry, PictureStyles)
{
    const struct {
        TslBackgroundPictureStyle Style;
        int W, H, w, h;
        const char* Expected;
    } cases[] = {
        {bsTile, 100, 50, 40, 30,
         "draw(0,0,40,30) draw(40,0,80,30) draw(80,0,120,30) draw(0,30,40,60) draw(40,30,80,60) draw(80,30,120,60)"},
        {bsZigzag, 100, 70, 40, 30,
         "draw(0,0,40,30) draw(40,0,80,30) draw(80,0,120,30) draw(-20,30,20,60) draw(20,30,60,60) "
         "draw(60,30,100,60) draw(0,60,40,90) draw(40,60,80,90) draw(80,60,120,90)"},
        {bsZigzag, 10, 20, 5, 10, "draw(0,0,5,10) draw(5,0,10,10) draw(-2,10,3,20) draw(3,10,8,20) draw(8,10,13,20)"},
        {bsStretch, 100, 50, 40, 30, "draw(0,0,100,50)"},
        {bsCenter, 100, 50, 40, 30,
         "fill(0,0,100,10) fill(0,10,30,40) fill(70,10,100,40) fill(0,40,100,50) draw(30,10,70,40)"},
        {bsCenter, 100, 50, 121, 81, "draw(-10,-15,111,66)"},
        {bsCenter, 100, 50, 100, 50, "draw(0,0,100,50)"},
        {bsAlignLeft, 100, 50, 40, 30, "fill(0,0,100,50) draw(0,0,40,30)"},
        {bsAlignRight, 100, 50, 40, 30, "fill(0,0,100,50) draw(60,0,100,30)"},
        {bsTile, 0, 0, 40, 30, ""},
        {bsTile, 100, 50, 0, 30, ""},
        {bsZigzag, 100, 50, 40, 0, ""},
        {bsCenter, 100, 50, 0, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PictureCalls(c.W, c.H, c.w, c.h, c.Style), c.Expected)
            << "style " << c.Style << ", area " << c.W << "x" << c.H << ", picture " << c.w << "x" << c.h;
}

} // namespace
} // namespace skyloom
