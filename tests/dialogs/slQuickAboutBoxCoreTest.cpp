#include "slQuickAboutBoxCore.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TEST(AboutBoxTexts, CaptionAndMailBody)
{
    EXPECT_EQ(AboutBoxCaption("About", "Skyloom"), "About Skyloom. . .");
    EXPECT_EQ(AboutBoxCaption("\xDC" "ber", "Program Name"), "\xDC" "ber Program Name. . .");
    EXPECT_EQ(AboutBoxCaption("", ""), " . . .");
    EXPECT_EQ(AboutBoxMailBody("Windows XP", "5.1.2600", 2390), "P.S: I'm using Windows XP (5.1.2600); CPU: 2390MHz.");
    EXPECT_EQ(AboutBoxMailBody("", "", 0), "P.S: I'm using  (); CPU: 0MHz.") << "unknown facts stay empty";
}

TEST(AboutBoxLayout, StepsDownFromTheCopyright)
{
    const struct {
        const char* Name;
        int CopyrightBottom;
        bool Description;
        int DescriptionHeight;
        TslAboutBoxLayout Expected;
    } cases[] = {
        // Bevel1 at y+2; y+7; description, +height+2; Bevel2; +5; links 13 high each; +6; button; +24+6.
        {"with a description", 54, true, 13, {56, 61, 76, true, 81, 94, 113, 102, 143}},
        {"without: the block and its separator go, the links move up", 54, false, 13,
         {56, 0, 0, false, 61, 74, 93, 102, 123}},
        {"a third copyright line pushes everything down one line", 67, true, 13, {69, 74, 89, true, 94, 107, 126, 102, 156}},
        {"a two-line description", 54, true, 26, {56, 61, 89, true, 94, 107, 126, 102, 156}},
    };
    for (const auto& c : cases) {
        const TslAboutBoxLayout got = LayoutAboutBox(c.CopyrightBottom, c.Description, c.DescriptionHeight, 13, 295);
        EXPECT_EQ(got.Bevel1Top, c.Expected.Bevel1Top) << c.Name;
        EXPECT_EQ(got.DescriptionShown, c.Expected.DescriptionShown) << c.Name;
        if (c.Description) {
            EXPECT_EQ(got.DescriptionTop, c.Expected.DescriptionTop) << c.Name;
            EXPECT_EQ(got.Bevel2Top, c.Expected.Bevel2Top) << c.Name;
        }
        EXPECT_EQ(got.EmailTop, c.Expected.EmailTop) << c.Name;
        EXPECT_EQ(got.WWWTop, c.Expected.WWWTop) << c.Name;
        EXPECT_EQ(got.ButtonTop, c.Expected.ButtonTop) << c.Name;
        EXPECT_EQ(got.ButtonLeft, c.Expected.ButtonLeft) << c.Name << ": (295 - 91) / 2";
        EXPECT_EQ(got.ClientHeight, c.Expected.ClientHeight) << c.Name;
    }
}

} // namespace
} // namespace skyloom
