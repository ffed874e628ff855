#include "slHTMLViewerStyle.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TEST(HTMLViewerStyle, WritesEachBorderStyleAsItsCssText)
{
    const struct {
        TslHTMLViewerBorderStyle style;
        const char* css;
    } cases[] = {
        {hvbsDefault, ""},       {hvbsNone, "none"},   {hvbsDotted, "dotted"}, {hvbsDashed, "dashed"},
        {hvbsSolid, "solid"},    {hvbsDouble, "double"}, {hvbsGroove, "groove"}, {hvbsRidge, "ridge"},
        {hvbsInset, "inset"},    {hvbsWndInset, "window-inset"}, {hvbsOutset, "outset"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BorderStyleCSS(c.style), c.css) << "style " << c.style;
    }
}

TEST(HTMLViewerStyle, WritesColoursAsRedGreenBlueHex)
{
    EXPECT_EQ(HTMLColorText(RGBColor(0x12, 0x34, 0x56)), "123456");
    EXPECT_EQ(HTMLColorText(clWhite), "FFFFFF");
    EXPECT_EQ(HTMLColorText(clRed), "FF0000");
    EXPECT_EQ(HTMLColorText(clNavy), "000080");
    EXPECT_FALSE(HTMLColorIsSet(clDefault));
    EXPECT_FALSE(HTMLColorIsSet(clNone));
    EXPECT_TRUE(HTMLColorIsSet(clBlack));
    EXPECT_TRUE(HTMLColorIsSet(clWindow));
}

TEST(HTMLViewerStyle, GivesTheRendererOnlyTheSettingsThatAreSet)
{
    TslHTMLViewerStyleSettings defaults;
    const html::THtmlBodyStyle none = BodyStyleOf(defaults, clBlack, clBlack);
    EXPECT_FALSE(none.Background.has_value());
    EXPECT_FALSE(none.BorderColor.has_value());
    EXPECT_EQ(none.BorderStyle, "");
    EXPECT_FALSE(none.NoScroll);
    EXPECT_EQ(none.MarginLeft, -1);

    TslHTMLViewerStyleSettings s;
    s.BorderStyle = hvbsNone;
    s.Color = clWindow;
    s.BorderColor = clRed;
    s.NoScroll = true;
    s.MarginLeft = 0;
    s.MarginTop = 5;
    const html::THtmlBodyStyle b = BodyStyleOf(s, RGBColor(0xAA, 0xBB, 0xCC), clRed);
    EXPECT_EQ(b.Background, 0xAABBCCu) << "the resolved system colour";
    EXPECT_EQ(b.BorderColor, 0xFF0000u);
    EXPECT_EQ(b.BorderStyle, "none");
    EXPECT_TRUE(b.NoScroll);
    EXPECT_EQ(b.MarginLeft, 0);
    EXPECT_EQ(b.MarginTop, 5);
    EXPECT_EQ(b.MarginRight, -1);
}

} // namespace
} // namespace skyloom
