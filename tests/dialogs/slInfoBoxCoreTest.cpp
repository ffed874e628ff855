// The message box's portable rules: style bits, button sets and the layout.
#include "slInfoBoxCore.h"

#include <gtest/gtest.h>

#include <string>

using namespace skyloom;

TEST(InfoBoxRules, StyleBitsGiveIconSoundAndButtons)
{
    struct Case {
        unsigned flags;
        bool silent;
        const char* icon;
        TslSystemSoundType sound;
        TslInfoBoxButtons buttons;
    } cases[] = {
        {16, false, "32513", stCriticalStop, ibOK},      // the upgrade's error notice
        {64, false, "", stAsterisk, ibOK},               // information: the box's own icon
        {52, false, "32515", stExclamation, ibYesNo},    // warning with Yes and No
        {0x30, true, "32515", stNoSound, ibOK},
        {0x20 | 1, false, "32514", stQuestion, ibOKCancel},
        {3, false, "", stAsterisk, ibYesNoCancel},
        {0x23, false, "32514", stQuestion, ibYesNoCancel},
        {5, false, "", stAsterisk, ibOKCancel},          // retry/cancel: bit 0 wins
        {2, false, "", stAsterisk, ibOK},                // abort/retry/ignore: bit 2 clear
        {4, true, "", stNoSound, ibYesNo},
    };
    for (const Case& c : cases) {
        auto m = MapInfoBoxFlags(c.flags, c.silent);
        EXPECT_EQ(m.IconResID, c.icon) << "icon of flags " << c.flags;
        EXPECT_EQ(m.Sound, c.sound) << "sound of flags " << c.flags;
        EXPECT_EQ(m.Buttons, c.buttons) << "buttons of flags " << c.flags;
    }
    EXPECT_STREQ(SystemSoundAlias(stExclamation), "SystemExclamation");
    EXPECT_STREQ(SystemSoundAlias(stNewMailNotification), "MailBeep");
    EXPECT_STREQ(SystemSoundAlias(stNoSound), "");
    EXPECT_EQ(IconResIDOfKind(ikWarning), "32515");
    EXPECT_EQ(IconResIDOfKind(ikInformation), "");
}

TEST(InfoBoxRules, ButtonSetsAndTheirEscapeButton)
{
    auto yesNo = InfoBoxButtonSet(ibYesNo, true);
    EXPECT_EQ(yesNo.Results[0], 6);
    EXPECT_EQ(yesNo.Results[1], 7);
    EXPECT_EQ(yesNo.Results[2], 0);
    EXPECT_EQ(yesNo.EscapePlace, 1) << "Escape answers No";
    EXPECT_EQ(yesNo.Spacing, 20);
    auto three = InfoBoxButtonSet(ibYesNoCancel, true);
    EXPECT_EQ(three.Results[2], 2);
    EXPECT_EQ(three.EscapePlace, 2);
    EXPECT_EQ(three.Spacing, 10);
    auto ok = InfoBoxButtonSet(ibOK, true);
    EXPECT_EQ(ok.EscapePlace, 0) << "OK alone answers Escape";
    EXPECT_EQ(ok.Results[1], 0);
    auto retry = InfoBoxButtonSet(ibRetryAbort, false);
    EXPECT_EQ(retry.Results[0], 4);
    EXPECT_EQ(retry.Results[1], 3);
    EXPECT_EQ(retry.EscapePlace, -1) << "without EscCancel no button answers Escape";
}

TEST(InfoBoxRules, EachModalResultTakesItsOwnCaption)
{
    TslInfoBoxButtonCaptions captions;
    captions.Cancel = "Abbrechen";
    captions.Abort = "Abbruch";
    struct Case {
        int result;
        const char* caption;
    } cases[] = {{idInfoOK, "OK"},     {idInfoCancel, "Abbrechen"}, {idInfoYes, "&Yes"}, {idInfoNo, "&No"},
                 {idInfoRetry, "&Retry"}, {idInfoAbort, "Abbruch"},  {0, ""},            {5, ""}, {-1, ""}};
    for (const Case& c : cases)
        EXPECT_EQ(captions.CaptionOf(c.result), c.caption) << "modal result " << c.result;
}

TEST(InfoBoxRules, LayoutPlacesTextCheckBoxAndPicture)
{
    TslInfoBoxLayoutInput in;
    in.TextWidth = 150;
    in.TextHeight = 13;
    auto withCheck = LayoutInfoBox(in);
    EXPECT_EQ(withCheck.TextLeft, 56);
    EXPECT_EQ(withCheck.TextWidth, 210) << "at least 210 with the check box";
    EXPECT_EQ(withCheck.ClientWidth, 210 + 32 + 36);
    EXPECT_EQ(withCheck.CheckBox, Bounds(56, 12 + 13 + 15, 278 - 56 - 30, 17));
    EXPECT_EQ(withCheck.ClientHeight, 39 + 40 + 17 + 4);
    EXPECT_EQ(withCheck.IconTop, 12);

    in.ShowCheckBox = false;
    auto plain = LayoutInfoBox(in);
    EXPECT_EQ(plain.TextWidth, 150);
    EXPECT_EQ(plain.CheckBox, TRect{});
    EXPECT_EQ(plain.ClientHeight, 39 + 40);

    in.TextHeight = 60;
    in.HasPicture = true;
    in.PictureWidth = 100;
    in.PictureHeight = 50;
    in.ShowCheckBox = true;
    auto picture = LayoutInfoBox(in);
    EXPECT_EQ(picture.Picture, Bounds((278 - 100) / 2, 12 + 60 + 15, 100, 50));
    EXPECT_EQ(picture.CheckBox.Top, picture.Picture.Bottom + 15);

    TslInfoBoxLayoutInput tallIcon;
    tallIcon.TextWidth = 250;
    tallIcon.TextHeight = 13;
    tallIcon.IconHeight = 100;
    tallIcon.ShowCheckBox = false;
    auto tall = LayoutInfoBox(tallIcon);
    EXPECT_EQ(tall.ClientHeight, 39 + (112 - 39) + 15);
    EXPECT_EQ(tall.IconTop, 8) << "an icon reaching into the button panel moves up 4 pixels";
}
