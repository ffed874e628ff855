// Effect and link labels drawn on real device contexts, their mouse states, and the registered program lookup.
#include "slLabels.h"

#include "Forms.h"
#include "Registry.h"
#include "TestSupport.h"
#include "slFormBackground.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace skyloom;

namespace {

struct TLabelForm {
    TLabelForm()
    {
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetColor(clWhite);
        Form->SetClientSize(200, 80);
        Form->FinishLoading();
    }
    template <typename T>
    T* Add(const std::string& caption)
    {
        auto* label = new T(Form.get());
        label->SetParent(Form.get());
        label->SetLeft(0);
        label->SetTop(0);
        label->Font().SetName("Arial");
        label->Font().SetHeight(-32);
        label->Font().SetStyle(fsBold);
        label->SetCaption(caption);
        return label;
    }
    std::unique_ptr<TForm> Form;
};

// Colour counts of what a label drew over a surface filled (or painted) beforehand.
std::map<COLORREF, int> Census(TBitmap& surface, int width, int height)
{
    std::map<COLORREF, int> counts;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ++counts[GetPixel(surface.Canvas().Handle(), x, y)];
    return counts;
}

TEST(Label, DefaultEffectsDrawThreeCopies)
{
    TLabelForm f;
    auto* label = f.Add<TslLabel>("IH");
    EXPECT_EQ(label->Highlight().Direction(), edUpLeft);
    EXPECT_EQ(label->Shadow().Direction(), edDownRight);
    EXPECT_EQ(label->Highlight().Color(), clHighlightText);
    EXPECT_EQ(label->Shadow().Color(), clGrayText);
    EXPECT_TRUE(label->AutoSize());
    label->Font().SetColor(RGB(255, 0, 0));
    label->Shadow().SetColor(RGB(0, 0, 255));
    label->Highlight().SetColor(RGB(0, 255, 0));
    label->SetTransparent(false);
    label->SetColor(RGB(255, 255, 0));
    TBitmap surface;
    surface.SetSize(label->Width(), label->Height());
    label->PaintTo(surface.Canvas().Handle());
    auto counts = Census(surface, label->Width(), label->Height());
    EXPECT_GT(counts[RGB(255, 0, 0)], 20) << "the text itself";
    EXPECT_GT(counts[RGB(0, 0, 255)], 0) << "the shadow copy";
    EXPECT_GT(counts[RGB(0, 255, 0)], 0) << "the highlight copy";
    EXPECT_GT(counts[RGB(255, 255, 0)], 0) << "an opaque label fills its colour";

    // The shadow lies one pixel down and right: the first column of the "I" stem has no blue, the highlight
    // copy one to the left of it is green.
    HDC dc = surface.Canvas().Handle();
    int stemLeft = -1;
    for (int x = 0; x < label->Width() && stemLeft < 0; ++x)
        if (GetPixel(dc, x, label->Height() / 2) == RGB(255, 0, 0))
            stemLeft = x;
    ASSERT_GT(stemLeft, 0);
    EXPECT_EQ(GetPixel(dc, stemLeft - 1, label->Height() / 2), RGB(0, 255, 0)) << "highlight one pixel left";
}

TEST(Label, HighlightDepthAndDirection)
{
    TLabelForm f;
    auto* label = f.Add<TslLabel>("I");
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 60, 50);
    label->Font().SetColor(RGB(255, 0, 0));
    label->Shadow().SetEnabled(false);
    label->Highlight().SetColor(RGB(0, 255, 0));
    label->Highlight().SetDepth(2);
    label->Highlight().SetDirection(edDownRight);
    label->SetColor(clWhite);
    label->SetTransparent(false);
    TBitmap surface;
    surface.SetSize(60, 50);
    label->PaintTo(surface.Canvas().Handle());
    HDC dc = surface.Canvas().Handle();
    // The lowest red row and the lowest green row: the copy ends two rows further down and two columns right.
    int lowestRed = -1, lowestGreen = -1, rightRed = -1, rightGreen = -1;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (c == RGB(255, 0, 0)) {
                lowestRed = std::max(lowestRed, y);
                rightRed = std::max(rightRed, x);
            } else if (c == RGB(0, 255, 0)) {
                lowestGreen = std::max(lowestGreen, y);
                rightGreen = std::max(rightGreen, x);
            }
        }
    ASSERT_GE(lowestRed, 0);
    EXPECT_EQ(lowestGreen, lowestRed + 2);
    EXPECT_EQ(rightGreen, rightRed + 2);
}

TEST(Label, TransparentLabelShowsTheGradientBehindAllCopies)
{
    TLabelForm f;
    auto* label = f.Add<TslLabel>("I");
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 120, 50);
    label->SetTransparent(true);
    label->Font().SetColor(RGB(255, 0, 0));
    TBitmap surface;
    surface.SetSize(120, 50);
    PaintGradient(surface.Canvas().Handle(), Rect(0, 0, 120, 50), RGB(0, 0, 0), gdHorizontal, clWhite,
                  RGB(0, 0, 250));
    const COLORREF left = GetPixel(surface.Canvas().Handle(), 1, 1);
    const COLORREF right = GetPixel(surface.Canvas().Handle(), 118, 48);
    label->PaintTo(surface.Canvas().Handle());
    EXPECT_EQ(GetPixel(surface.Canvas().Handle(), 1, 1), left) << "gradient kept at the left";
    EXPECT_EQ(GetPixel(surface.Canvas().Handle(), 118, 48), right) << "gradient kept at the right";
    auto counts = Census(surface, 120, 50);
    EXPECT_GT(counts[RGB(255, 0, 0)], 10) << "the text drawn over it";
}

TEST(Label, EllipsisDrawsShortWithoutChangingTheCaption)
{
    TLabelForm f;
    const std::string caption = "C:\\Program Files\\A very long folder name\\another one\\file.txt";
    auto* label = f.Add<TslLabel>(caption);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 80, 40);
    label->SetOptions(loPathEllipsis);
    TBitmap surface;
    surface.SetSize(80, 40);
    label->PaintTo(surface.Canvas().Handle());
    label->SetOptions(loEndEllipsis);
    label->PaintTo(surface.Canvas().Handle());
    EXPECT_EQ(label->Caption(), caption) << "the shortened text stays in the drawing";
}

TEST(Label, MeasuresAnEmptyCaptionAsABlank)
{
    TLabelForm f;
    auto* empty = f.Add<TslLabel>("");
    auto* amp = f.Add<TslLabel>("&");
    auto* blank = f.Add<TslLabel>(" ");
    EXPECT_GT(blank->Width(), 0);
    EXPECT_EQ(empty->Width(), blank->Width());
    EXPECT_EQ(amp->Width(), blank->Width()) << "a lone accelerator sign is measured as a blank";
    EXPECT_EQ(empty->Height(), blank->Height());
}

TEST(URLLabel, HoverTurnsTheLinkRedAndLeavingBlue)
{
    TLabelForm f;
    auto* link = f.Add<TslURLLabel>("link");
    link->Font().SetStyle(fsUnderline);
    link->SetTransparent(false);
    link->SetColor(clWhite);
    EXPECT_EQ(link->Font().Color(), clBlue);
    EXPECT_EQ(link->Cursor(), crLinkSelect);
    EXPECT_EQ(link->CursorClick, crLinkSelect);
    EXPECT_FALSE(link->Highlight().Enabled());
    EXPECT_FALSE(link->Shadow().Enabled());
    TBitmap surface;
    surface.SetSize(link->Width(), link->Height());
    const auto colours = [&] {
        link->PaintTo(surface.Canvas().Handle());
        return Census(surface, link->Width(), link->Height());
    };
    auto normal = colours();
    EXPECT_GT(normal[RGB(0, 0, 255)], 0);
    EXPECT_EQ(normal[RGB(255, 0, 0)], 0);

    const int before = link->InvalidateCount();
    link->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(link->MouseInside());
    EXPECT_GT(link->InvalidateCount(), before) << "entering repaints";
    auto hover = colours();
    EXPECT_GT(hover[RGB(255, 0, 0)], 0) << "red while hovered";
    EXPECT_EQ(hover[RGB(0, 0, 255)], 0);

    link->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    EXPECT_TRUE(link->Pressed());
    auto pressed = colours();
    EXPECT_GT(pressed[RGB(255, 0, 0)], 0) << "still red while pressed: the click font is not used";
    link->Perform(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    EXPECT_FALSE(link->Pressed());

    link->FontClick().SetColor(RGB(255, 255, 0));
    link->FontClick().SetUsed(true);
    link->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    auto yellow = colours();
    EXPECT_GT(yellow[RGB(255, 255, 0)], 0) << "the click font while pressed";
    link->Perform(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));

    link->Perform(CM_MOUSELEAVE);
    auto left = colours();
    EXPECT_GT(left[RGB(0, 0, 255)], 0) << "blue again after leaving";
    EXPECT_EQ(left[RGB(255, 0, 0)], 0);
}

TEST(URLLabel, ClickRunsOnClickFirst)
{
    TLabelForm f;
    auto* link = f.Add<TslURLLabel>("link");
    // A scheme that is never opened: the click reaches nothing outside the test.
    link->URL = "file://C:/nothing";
    int clicks = 0;
    link->OnClick = [&](TObject*) { ++clicks; };
    link->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(OpenWebAddress("file:///C:/windows/notepad.exe", true, SW_SHOWNORMAL)) << "no programs";
    EXPECT_FALSE(OpenWebAddress("file://C:/windows/win.ini", false, SW_SHOWNORMAL)) << "no files";
    EXPECT_FALSE(OpenWebAddress("ftp://example.com/", false, SW_SHOWNORMAL)) << "no other schemes";
}

TEST(Label, BlinkingAlternatesAndStops)
{
    TLabelForm f;
    auto* label = f.Add<TslLabel>("blink");
    int shows = 0, hides = 0, starts = 0, stops = 0;
    label->OnShowBlink = [&](TObject*) { ++shows; };
    label->OnHideBlink = [&](TObject*) { ++hides; };
    label->OnStartBlinking = [&](TObject*) { ++starts; };
    label->OnStopBlinking = [&](TObject*) { ++stops; };
    label->Blinking().SetDelayVisible(30);
    label->Blinking().SetDelayInvisible(30);
    label->Blinking().SetActive(true);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(PumpUntil([&] { return hides >= 2 && shows >= 1; }, 3000));
    label->Blinking().SetDelayInvisible(0);
    EXPECT_TRUE(label->BlinkShown()) << "a delay of 0 shows the text";
    EXPECT_EQ(stops, 1);
    const int seen = shows + hides;
    PumpFor(150);
    EXPECT_EQ(shows + hides, seen) << "the timer stopped";
}

// A class of the class root for the time of one test.
class TClassKeys {
public:
    TClassKeys() { FRegistry.SetRootKey(HKEY_CLASSES_ROOT); }
    ~TClassKeys()
    {
        for (const auto& key : FKeys)
            FRegistry.DeleteKey("\\" + key);
    }
    void Set(const std::string& key, const std::string& value)
    {
        ASSERT_TRUE(FRegistry.OpenKey("\\" + key, true)) << key;
        FRegistry.WriteString("", value);
        FRegistry.CloseKey();
        const std::string top = key.substr(0, key.find('\\'));
        for (const auto& k : FKeys)
            if (k == top)
                return;
        FKeys.push_back(top);
    }

private:
    TRegistry FRegistry;
    std::vector<std::string> FKeys;
};

TEST(Shell, ProgramRegisteredForAnExtension)
{
    TClassKeys keys;
    keys.Set(".slt1", "SlTestClass1");
    keys.Set("SlTestClass1\\shell\\open\\command", "\"C:\\Browsers\\one.exe\" -nohome \"%1\"");
    keys.Set(".slt2", "SlTestClass2");
    keys.Set("SlTestClass2\\shell\\edit\\command", "C:\\Editors\\edit.exe %1");
    keys.Set("SlTestClass2\\shell\\opennew\\command", "C:\\Browsers\\two.exe /new %1");
    keys.Set(".slt3", "SlTestClass3");
    keys.Set("SlTestClass3\\shell\\aaa\\command", "");
    keys.Set("SlTestClass3\\shell\\bbb\\command", "C:\\Viewers\\three.exe -view");
    keys.Set(".slt4", "SlTestClassMissing");
    keys.Set(".slt5", "");
    EXPECT_EQ(AssociatedProgram(".slt1"), "C:\\Browsers\\one.exe");
    EXPECT_EQ(AssociatedProgram(".slt2"), "C:\\Browsers\\two.exe") << "a verb with \"open\" in its name";
    EXPECT_EQ(AssociatedProgram(".slt3"), "C:\\Viewers\\three.exe") << "the first verb with a command";
    EXPECT_EQ(AssociatedProgram(".slt4"), "") << "a class without a key";
    EXPECT_EQ(AssociatedProgram(".slt5"), "") << "no class name";
    EXPECT_EQ(AssociatedProgram(".sl-never-registered"), "");
}

} // namespace
