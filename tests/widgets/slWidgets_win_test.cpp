// The widget kit on a real window system: marked-up text drawn into bitmaps, pictures in the proportional image
// (JPEG included), and the button panel.
#include "ExtCtrls.h"
#include "Forms.h"
#include "TestSupport.h"
#include "slButtonsPanel.h"
#include "slJPEGImage.h"
#include "slPropImage.h"
#include "slRichLabel.h"

#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace skyloom;
using skyloom::testing::RedBlue;

namespace {

struct TFormDeleter {
    void operator()(TForm* f) const { delete f; }
};
using TFormPtr = std::unique_ptr<TForm, TFormDeleter>;

TFormPtr NewForm(int w, int h)
{
    TFormPtr form(new TForm(nullptr));
    form->SetBorderStyle(bsNone);
    form->SetBounds(50, 50, w, h);
    form->SetColor(clWhite);
    form->FinishLoading();
    return form;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

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

std::string TempFile(const char* name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Reddish(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }
bool Bluish(COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60; }

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

TEST(PropImage, AJpegFileIsDecodedAndDrawnToScale)
{
    std::string name = TempFile("skyloom-redblue.jpg");
    WriteFile(name, EncodeJpeg(RedBlue(64, 32)));
    auto form = NewForm(200, 100);
    auto* image = new TslProportionalImage(form.get());
    image->SetParent(form.get());
    image->SetBounds(10, 10, 32, 32);
    std::vector<int> progress;
    image->OnProgress = [&](TObject*, int percent) { progress.push_back(percent); };
    image->Picture().LoadFromFile(name);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(image->Picture().Graphic()), nullptr);
    EXPECT_EQ(image->Picture().Width(), 64);
    EXPECT_EQ(image->Picture().Height(), 32);
    EXPECT_EQ(image->DestRect(), Bounds(0, 8, 32, 16)) << "64 x 32 in a 32 x 32 box: 32 x 16, 8 from the top";
    form->Show();
    Application.ProcessMessages();
    EXPECT_TRUE(Reddish(ScreenPixel(50 + 10 + 4, 50 + 10 + 16))) << "left half red";
    EXPECT_TRUE(Bluish(ScreenPixel(50 + 10 + 28, 50 + 10 + 16))) << "right half blue";
    EXPECT_EQ(ScreenPixel(50 + 10 + 16, 50 + 10 + 3), RGB(255, 255, 255)) << "above the picture: the form";
    auto* large = new TslProportionalImage(form.get());
    large->SetParent(form.get());
    large->SetBounds(60, 10, 128, 80);
    large->Picture().LoadFromFile(name);
    Application.ProcessMessages();
    SaveScreenShot("jpeg");
    delete large;

    TJPEGProperties grey;
    grey.Grayscale = true;
    image->SetJPEGProperties(grey);
    EXPECT_FALSE(progress.empty()) << "decoding again with the new settings reports progress";
    auto& bmp = static_cast<TJPEGImage*>(image->Picture().Graphic())->Bitmap();
    COLORREF c = GetPixel(bmp.Canvas().Handle(), 5, 5);
    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << "the picture is grey now";
    DeleteFileA(name.c_str());
}

TEST(PropImage, ACorruptJpegRaisesAndLeavesThePicture)
{
    auto jpeg = EncodeJpeg(RedBlue(48, 48));
    std::string cut = TempFile("skyloom-cut.jpg"), junk = TempFile("skyloom-junk.jpg");
    WriteFile(cut, std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
    WriteFile(junk, std::vector<std::uint8_t>(300, 0x5A));
    TslProportionalImage image(nullptr);
    image.SetAutoSize(true);
    for (const std::string& name : {cut, junk}) {
        EXPECT_THROW(image.Picture().LoadFromFile(name), EJPEGError) << name;
        EXPECT_EQ(image.Picture().Graphic(), nullptr) << "nothing half-loaded stays";
        EXPECT_EQ(image.Width(), 105) << "the box keeps its size";
    }
    EXPECT_THROW(image.Picture().LoadFromFile(TempFile("skyloom-missing.jpg")), EJPEGError);
    EXPECT_THROW(image.Picture().LoadFromFile(TempFile("x.gif")), EInvalidGraphic);
    DeleteFileA(cut.c_str());
    DeleteFileA(junk.c_str());
}

TEST(PropImage, AutoSizeTakesAnIconsSize)
{
    TslProportionalImage image(nullptr);
    image.SetAutoSize(true);
    std::vector<BYTE> andBits(48 * 48 / 8, 0), xorBits(48 * 48 * 4, 0x80);
    HICON icon = CreateIcon(GetModuleHandleA(nullptr), 48, 48, 1, 32, andBits.data(), xorBits.data());
    ASSERT_NE(icon, nullptr);
    image.Picture().Icon().SetHandle(icon);
    EXPECT_EQ(image.Width(), 48);
    EXPECT_EQ(image.Height(), 48);
}

TEST(ButtonsPanel, TheMessageBoxPanelDocksAndCentresItsButtons)
{
    auto form = NewForm(361, 150);
    auto* panel = new TslButtonsPanel(form.get());
    panel->SetButtonsAlignment(taCenter);
    panel->SetMarginVert(7);
    panel->BtnApply().SetVisible(false);
    panel->SetParent(form.get());
    form->Show();
    Application.ProcessMessages();
    EXPECT_EQ(panel->Height(), 39);
    EXPECT_EQ(panel->Top(), 150 - 39) << "docked to the bottom";
    EXPECT_EQ(panel->Width(), 361);
    TButton* ok = panel->BtnOK().Button();
    EXPECT_EQ(ok->Left(), (361 - 156) / 2 + 1);
    EXPECT_EQ(ok->Top(), 7);
    EXPECT_EQ(panel->BtnCancel().Button()->Left(), ok->Left() + 81);
    panel->BtnCancel().SetVisible(false);
    EXPECT_EQ(ok->Left(), (361 - 75) / 2 + 1) << "hiding Cancel re-centres OK";
    panel->SetShowDivider(true);
    EXPECT_EQ(panel->Height(), 41);
    EXPECT_EQ(ok->Top(), 9);
    EXPECT_TRUE(panel->Divider()->Visible());
    EXPECT_EQ(panel->BtnOK().Caption(), "OK");
    panel->BtnOK().SetCaption("&Yes");
    EXPECT_EQ(ok->Caption(), "&Yes") << "the description writes through to the button";
    EXPECT_EQ(ok->Tag, pbOK);
    EXPECT_EQ(panel->BtnCustom().Button()->Tag, pbCustom);
}

TEST(ButtonsPanel, ClicksReachTheEventsUnlessApplySettingsRefuses)
{
    auto form = NewForm(400, 100);
    auto* panel = new TslButtonsPanel(form.get());
    panel->SetParent(form.get());
    form->Show();
    std::vector<std::string> journal;
    bool allow = false;
    int applyChanges = 0;
    panel->OnApplySettings = [&](TObject*, bool& a) {
        journal.push_back("apply?");
        a = allow;
    };
    panel->OnAnyBtnClick = [&](TObject*, int tag) { journal.push_back("any " + std::to_string(tag)); };
    panel->OnBtnOKClick = [&](TObject*) { journal.push_back("ok"); };
    panel->OnBtnCancelClick = [&](TObject*) { journal.push_back("cancel"); };
    panel->OnApplyEnabledChanged = [&](TObject*) { ++applyChanges; };

    SendMessageA(panel->BtnOK().Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"apply?"})) << "a refusal stops the click there";
    EXPECT_EQ(form->ModalResult, mrNone) << "the dialog stays open";

    journal.clear();
    allow = true;
    panel->SetApplyEnabled(true);
    EXPECT_EQ(applyChanges, 1);
    SendMessageA(panel->BtnOK().Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"apply?", "any 0", "ok"}));
    EXPECT_EQ(form->ModalResult, mrOk);
    EXPECT_FALSE(panel->ApplyEnabled()) << "settings applied: Apply is disabled";
    EXPECT_EQ(applyChanges, 2);

    journal.clear();
    form->ModalResult = mrNone;
    SendMessageA(panel->BtnCancel().Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"any 1", "cancel"})) << "Cancel does not ask";
    EXPECT_EQ(form->ModalResult, mrCancel);
}

TEST(ButtonsPanel, TheSizeGripSizesTheForm)
{
    auto form = NewForm(300, 120);
    auto* panel = new TslButtonsPanel(form.get());
    panel->SetParent(form.get());
    panel->SetShowSizeGrip(true);
    form->Show();
    Application.ProcessMessages();
    TRect g = panel->SizeGripRect();
    EXPECT_EQ(g.Width(), GetSystemMetrics(SM_CXVSCROLL));
    TPoint inside = panel->ClientToScreen(TPoint{g.Right - 2, g.Bottom - 2});
    TPoint outside = panel->ClientToScreen(TPoint{2, 2});
    EXPECT_EQ(SendMessageA(panel->Handle(), WM_NCHITTEST, 0, MAKELPARAM(inside.X, inside.Y)), HTBOTTOMRIGHT);
    EXPECT_NE(SendMessageA(panel->Handle(), WM_NCHITTEST, 0, MAKELPARAM(outside.X, outside.Y)), HTBOTTOMRIGHT);
}
