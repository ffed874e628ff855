// The wizard's and password dialog's rules without windows: the current-file box with and without the download
// address, the progress texts in English and in other blocks, and the password fields' placement and height.
#include "slSelfUpdaterStrings.h"
#include "slSelfUpdaterWizardCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace skyloom;

namespace {

std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

} // namespace

TEST(SelfUpdaterWizardLayout, HidingTheAddressMovesTheLinesUpAndShrinksTheBox)
{
    const TslWizardFileBoxLayout shown = WizardFileBoxLayout(false);
    EXPECT_TRUE(shown.ShowLocation);
    EXPECT_EQ(shown.Box, Bounds(136, 34, 319, 125));
    EXPECT_EQ(shown.FileSizeTop, 44);
    EXPECT_EQ(shown.TransferRateTop, 60);
    EXPECT_EQ(shown.EstimatedTimeTop, 76);
    EXPECT_EQ(shown.ProgressTop, 96);

    const TslWizardFileBoxLayout hidden = WizardFileBoxLayout(true);
    EXPECT_FALSE(hidden.ShowLocation);
    EXPECT_EQ(hidden.Box, Bounds(136, 44, 319, 95)) << "10 pixels down, 30 shorter";
    EXPECT_EQ(hidden.FileSizeTop, 14) << "the size line takes the place of the address caption";
    EXPECT_EQ(hidden.TransferRateTop, 30);
    EXPECT_EQ(hidden.EstimatedTimeTop, 46);
    EXPECT_EQ(hidden.ProgressTop, 66);
    // Everything still fits inside the shorter box (a 22-pixel progress bar and a margin below it).
    EXPECT_LE(hidden.ProgressTop + 22, hidden.Box.Height() - 4);
    // The box still ends above the "All files" box at 162.
    EXPECT_LE(hidden.Box.Bottom, 162);
}

TEST(SelfUpdaterWizardLayout, ProgressTextsInEnglish)
{
    struct Case {
        std::u16string Got;
        std::string Expected;
    };
    const Case cases[] = {
        {FileSizeText(SelfUpdaterText(wlEnglish, sutFileSize), 0), "File size: 0.0 Kb"},
        {FileSizeText(SelfUpdaterText(wlEnglish, sutFileSize), 1024), "File size: 1.0 Kb"},
        {FileSizeText(SelfUpdaterText(wlEnglish, sutFileSize), 1536), "File size: 1.5 Kb"},
        {FileSizeText(SelfUpdaterText(wlEnglish, sutFileSize), 1000), "File size: 1.0 Kb"},
        {FileSizeText(SelfUpdaterText(wlEnglish, sutFileSize), 5 * 1024 * 1024 + 100), "File size: 5120.1 Kb"},
        {FileSizeText(SelfUpdaterText(wlEnglish, sutFileSize), -1), ""},
        {TransferRateText(SelfUpdaterText(wlEnglish, sutTransferRate), 12.34), "Transfer rate: 12.3 Kb/s"},
        {TransferRateText(SelfUpdaterText(wlEnglish, sutTransferRate), 0), "Transfer rate: 0.0 Kb/s"},
        {TransferRateText(SelfUpdaterText(wlEnglish, sutTransferRate), -5), "Transfer rate: 0.0 Kb/s"},
        {TransferRateText(SelfUpdaterText(wlEnglish, sutTransferRate), std::nan("")), "Transfer rate: 0.0 Kb/s"},
        {TransferRateText(SelfUpdaterText(wlEnglish, sutTransferRate), std::numeric_limits<double>::infinity()),
         "Transfer rate: 0.0 Kb/s"},
        {TimeLeftText(SelfUpdaterText(wlEnglish, sutEstimatedTime), 0), "Estimated time left: 0:00:00"},
        {TimeLeftText(SelfUpdaterText(wlEnglish, sutEstimatedTime), 59), "Estimated time left: 0:00:59"},
        {TimeLeftText(SelfUpdaterText(wlEnglish, sutEstimatedTime), 61), "Estimated time left: 0:01:01"},
        {TimeLeftText(SelfUpdaterText(wlEnglish, sutEstimatedTime), 3600 + 23 * 60 + 5), "Estimated time left: 1:23:05"},
        {TimeLeftText(SelfUpdaterText(wlEnglish, sutEstimatedTime), 100 * 3600 + 59), "Estimated time left: 100:00:59"},
        {TimeLeftText(SelfUpdaterText(wlEnglish, sutEstimatedTime), -7), "Estimated time left: 0:00:00"},
        {FileNumberText(SelfUpdaterText(wlEnglish, sutDownloadingNofM), 2, 3), "Downloading 2 of 3"},
        {CompletedNoteText(SelfUpdaterText(wlEnglish, sutCompletedNote), u"Skyloom"),
         "The update of Skyloom has been successfully completed.\n\nPress the OK button to restart program."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Narrow(c.Got), c.Expected);
}

TEST(SelfUpdaterWizardLayout, FormattingKeepsTheTextAroundPlaceHolders)
{
    struct Case {
        std::u16string Format;
        std::string Expected;
    };
    const Case cases[] = {
        {u"%d%%", "7%"},                   // a percent sign after a number
        {u"100%", "100%"},                 // a lone percent at the end stays
        {u"%5d|", "    7|"},               // width
        {u"%-3d|", "7  |"},                // left aligned
        {u"%.3d", "007"},                  // precision of an integer
        {u"%q %d", "%q 7"},                // an unknown place holder stays as it is
        {u"%d %d", "7 "},                  // a missing number leaves the place holder empty
        {u"[%s] %d", "[title] 7"},         // the text and a number
        {u"%.", "%."},                     // a place holder without a letter at the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(Narrow(FormatSelfUpdaterText(c.Format, {7}, u"title")), c.Expected) << Narrow(c.Format);
}

TEST(SelfUpdaterWizardLayout, EveryBlockFillsItsProgressTexts)
{
    for (int n = wlEnglish; n <= wlNorwegian; ++n) {
        const auto language = static_cast<TslSelfUpdaterLanguage>(n);
        const std::u16string size = FileSizeText(SelfUpdaterText(language, sutFileSize), 1536);
        EXPECT_NE(size.find(u"1.5"), std::u16string::npos) << "language " << n;
        EXPECT_EQ(size.find(u'%'), std::u16string::npos) << "language " << n;
        const std::u16string time = TimeLeftText(SelfUpdaterText(language, sutEstimatedTime), 3723);
        EXPECT_NE(time.find(u"1:02:03"), std::u16string::npos) << "language " << n;
        const std::u16string number = FileNumberText(SelfUpdaterText(language, sutDownloadingNofM), 4, 9);
        EXPECT_NE(number.find(u'4'), std::u16string::npos) << "language " << n;
        EXPECT_NE(number.find(u'9'), std::u16string::npos) << "language " << n;
        const std::u16string note = CompletedNoteText(SelfUpdaterText(language, sutCompletedNote), u"Skyloom");
        EXPECT_NE(note.find(u"Skyloom"), std::u16string::npos) << "language " << n;
        EXPECT_EQ(note.find(u"%s"), std::u16string::npos) << "language " << n;
    }
    // A non-Latin block keeps its own letters around the numbers.
    const std::u16string russian = TimeLeftText(SelfUpdaterText(wlRussian, sutEstimatedTime), 5);
    EXPECT_NE(russian.find(u"0:00:05"), std::u16string::npos);
    EXPECT_TRUE(russian[0] >= 0x400 && russian[0] < 0x500) << "the Russian text starts with a Cyrillic letter";
}

TEST(SelfUpdaterWizardLayout, PasswordFieldsStartAfterTheirCaptions)
{
    struct Case {
        int CaptionWidth;
        TslPasswordFieldPlace Expected;
    };
    const Case cases[] = {
        {0, {45, 128, 157}},
        {50, {45, 128, 157}},                // short caption: the designed place
        {77, {45, 128, 157}},                // exactly fits with the gap
        {78, {45, 129, 156}},                // one pixel more: the field yields, keeping its right edge
        {120, {45, 171, 114}},
        {400, {45, 451, MinPasswordFieldWidth}},  // never narrower than the minimum
        {-5, {45, 128, 157}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasswordFieldPlace(45, c.CaptionWidth, 128, 157), c.Expected) << "caption " << c.CaptionWidth;
}

TEST(SelfUpdaterWizardLayout, PasswordDialogHeightFollowsTheText)
{
    struct Case {
        int TextHeight;
        int Expected;
    };
    const Case cases[] = {
        {65, 5 + 65 + 98},  // a long text
        {39, 5 + 39 + 98},  // just below the icon's bottom (37) it is the text
        {13, 37 + 98},      // one line: the icon's bottom keeps the fields off the icon
        {0, 37 + 98},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasswordClientHeight(5, c.TextHeight, 37, 98), c.Expected) << "text height " << c.TextHeight;
}
