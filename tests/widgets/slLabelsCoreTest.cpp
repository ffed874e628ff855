#include "slLabelsCore.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

constexpr unsigned Bold = 1;
constexpr unsigned Underline = 4;

TEST(LabelRules, EffectOffsets)
{
    const struct {
        TslLabelEffectDirection Direction;
        int Depth;
        TPoint Expected;
    } cases[] = {
        {edUp, 1, {0, -1}},       {edDown, 1, {0, 1}},        {edLeft, 1, {-1, 0}},      {edRight, 1, {1, 0}},
        {edUpLeft, 1, {-1, -1}},  {edUpRight, 1, {1, -1}},    {edDownLeft, 1, {-1, 1}},  {edDownRight, 1, {1, 1}},
        {edDownRight, 2, {2, 2}}, {edUpLeft, 255, {-255, -255}}, {edLeft, 0, {0, 0}},
    };
    for (const auto& c : cases) {
        const TPoint p = EffectOffset(c.Direction, c.Depth);
        EXPECT_EQ(p, c.Expected) << "direction " << c.Direction << " depth " << c.Depth << " gave " << p.X << ","
                                 << p.Y;
    }
}

TEST(LabelRules, LayerLooksPerState)
{
    const TslLabelLooks looks{{clBlue, Underline}, {clRed, Underline | Bold}, {clYellow, 0}};
    const TslEffectColors shadow{clGrayText, clGray, clBlack};
    const struct {
        bool Pressed, Inside, ClickUsed, HoverUsed;
        TslLabelFontState State;
        TslFontLook Text, Copy;
    } cases[] = {
        {false, false, true, true, lfsNormal, {clBlue, Underline}, {clGrayText, Underline}},
        {false, true, true, true, lfsHover, {clRed, Underline | Bold}, {clGray, Underline | Bold}},
        {false, true, true, false, lfsNormal, {clBlue, Underline}, {clGrayText, Underline}},
        {true, true, true, true, lfsClick, {clYellow, 0}, {clBlack, 0}},
        {true, true, false, true, lfsHover, {clRed, Underline | Bold}, {clGray, Underline | Bold}},
        {true, false, false, true, lfsNormal, {clBlue, Underline}, {clGrayText, Underline}},
        {true, false, true, false, lfsClick, {clYellow, 0}, {clBlack, 0}},
    };
    for (const auto& c : cases) {
        const TslLabelFontState state = LabelFontState(c.Pressed, c.Inside, c.ClickUsed, c.HoverUsed);
        const std::string where = std::string("pressed ") + (c.Pressed ? "yes" : "no") + ", inside " +
                                  (c.Inside ? "yes" : "no") + ", click used " + (c.ClickUsed ? "yes" : "no") +
                                  ", hover used " + (c.HoverUsed ? "yes" : "no");
        EXPECT_EQ(state, c.State) << where;
        EXPECT_EQ(TextLook(looks, state), c.Text) << "text itself: " << where;
        EXPECT_EQ(CopyLook(looks, shadow, state), c.Copy) << "shadow copy: " << where;
    }
}

TEST(LabelRules, MouseChangesRepaintOnlyWhenTheLookChanges)
{
    const TslFontLook blue{clBlue, Underline};
    const TslFontLook red{clRed, Underline};
    const TslFontLook boldBlue{clBlue, Underline | Bold};
    EXPECT_TRUE(HoverChangeRepaints(true, false, red, blue));
    EXPECT_TRUE(HoverChangeRepaints(true, false, boldBlue, blue)) << "a style difference counts";
    EXPECT_FALSE(HoverChangeRepaints(false, false, red, blue)) << "hover font not used";
    EXPECT_FALSE(HoverChangeRepaints(true, true, red, blue)) << "pressed: the click look stays";
    EXPECT_FALSE(HoverChangeRepaints(true, false, blue, blue)) << "same look";
    EXPECT_TRUE(ClickChangeRepaints(true, blue, red));
    EXPECT_FALSE(ClickChangeRepaints(false, blue, red)) << "click font not used";
    EXPECT_FALSE(ClickChangeRepaints(true, red, red)) << "click font like the hover font";
}

TEST(LabelRules, WebAddresses)
{
    const struct {
        const char* Given;
        const char* Normalized;
        bool Openable;
        const char* Argument;
    } cases[] = {
        {"www.example.com", "http://www.example.com", true, "\"http://www.example.com\""},
        {"https://example.com/a?b=c&d", "https://example.com/a?b=c&d", true, "\"https://example.com/a?b=c&d\""},
        {"HTTP://EXAMPLE.COM", "HTTP://EXAMPLE.COM", true, "\"HTTP://EXAMPLE.COM\""},
        {"example.com/a b\"c", "http://example.com/a b\"c", true, "\"http://example.com/a%20b%22c\""},
        {"example.com/\r\n\t", "http://example.com/\r\n\t", true, "\"http://example.com/%0D%0A%09\""},
        {"file://C:/Windows/notepad.exe", "file://C:/Windows/notepad.exe", false, nullptr},
        {"ftp://example.com", "ftp://example.com", false, nullptr},
        {"javascript://x", "javascript://x", false, nullptr},
        {"", "http://", true, "\"http://\""},
    };
    for (const auto& c : cases) {
        const std::string normalized = NormalizeWebAddress(c.Given);
        EXPECT_EQ(normalized, c.Normalized) << c.Given;
        EXPECT_EQ(IsOpenableAddress(normalized), c.Openable) << normalized;
        if (c.Argument) {
            EXPECT_EQ(AddressArgument(normalized), c.Argument) << normalized;
        }
    }
    EXPECT_TRUE(IsOpenableAddress("mailto:a@b.c?Subject=x"));
    EXPECT_FALSE(IsOpenableAddress("C:\\Windows\\notepad.exe"));
    EXPECT_FALSE(IsOpenableAddress("mailto"));
}

TEST(LabelRules, MailText)
{
    const struct {
        const char* Address;
        const char* Name;
        const char* Subject;
        const char* Message;
        const char* CC;
        const char* BCC;
        const char* Expected;
    } cases[] = {
        {"me@example.com", "", "", "", "", "", "mailto:me@example.com?Subject=&Body=&CC=&BCC="},
        {"me@example.com", "Me Myself", "Hi", "", "", "", "mailto:Me Myself <me@example.com>?Subject=Hi&Body=&CC=&BCC="},
        {"me@example.com", "", "Skyloom", "P.S: I'm using Windows XP (5.1.2600); CPU: 2390MHz.", "a@b.c", "d@e.f",
         "mailto:me@example.com?Subject=Skyloom&Body=P.S: I'm using Windows XP (5.1.2600); CPU: 2390MHz."
         "&CC=a@b.c&BCC=d@e.f"},
        {"me@example.com", "", "A&B?", "100% #1\r\nnext", "", "",
         "mailto:me@example.com?Subject=A%26B%3F&Body=100%25 %231%0D%0Anext&CC=&BCC="},
        {"x@y.z?cc=evil@h", "", "", "", "", "", "mailto:x@y.z%3Fcc=evil@h?Subject=&Body=&CC=&BCC="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeMailText(c.Address, c.Name, c.Subject, c.Message, c.CC, c.BCC), c.Expected);
}

TEST(LabelRules, ProgramOfAnOpenCommand)
{
    const struct {
        const char* Command;
        const char* Expected;
    } cases[] = {
        {"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome",
         "C:\\Program Files\\Internet Explorer\\iexplore.exe"},
        {"\"C:\\Program Files\\Browser\\browser.exe\" \"%1\"", "C:\\Program Files\\Browser\\browser.exe"},
        {"\"C:\\unterminated\\browser.exe", "C:\\unterminated\\browser.exe"},
        {"  C:\\PROGRA~1\\IE\\iexplore.exe -nohome  ", "C:\\PROGRA~1\\IE\\iexplore.exe"},
        {"C:\\Browser\\browser.exe /open %1", "C:\\Browser\\browser.exe"},
        {"C:\\Browser\\browser.exe %1", "C:\\Browser\\browser.exe"},
        {"C:\\Browser\\browser.exe \"%1\"", "C:\\Browser\\browser.exe"},
        {"C:\\Program Files\\Browser\\browser.exe", "C:\\Program Files\\Browser\\browser.exe"},
        {"C:\\Program Files\\Browser\\browser.exe -url %1", "C:\\Program Files\\Browser\\browser.exe"},
        // The first separator present decides; before it there is no extension, so the whole command stays.
        {"C:\\my -tools\\browser.exe -url", "C:\\my -tools\\browser.exe -url"},
        {"C:\\Browser\\browser -url", "C:\\Browser\\browser -url"},
        {"rundll32.exe C:\\WINDOWS\\system32\\shimgvw.dll,ImageView_Fullscreen %1", "rundll32.exe"},
        {"C:\\WINDOWS\\RunDll32.exe C:\\WINDOWS\\url.dll,FileProtocolHandler %l", "C:\\WINDOWS\\RunDll32.exe"},
        {"winebrowser -nohome", "winebrowser -nohome"},
        {"C:\\windows\\system32\\winebrowser.exe -nohome", "C:\\windows\\system32\\winebrowser.exe"},
        {"", ""},
        {"   ", ""},
        {"\"\"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AssociationProgram(c.Command), c.Expected) << "command: " << c.Command;
}

} // namespace
} // namespace skyloom
