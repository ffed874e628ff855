#include "slRichLabel.h"

#include <algorithm>
#include <array>
#include <string>

namespace skyloom {

namespace {

// The largest drawing made; a longer text is cut off rather than asking for a giant bitmap.
constexpr int kMaxDrawingSide = 16384;

// Measures with the label's font in its four style bits.
class TGdiMeasurer : public TslTextMeasurer {
public:
    TGdiMeasurer(HDC dc, TFont& font, bool utf8) : FDC(dc), FUtf8(utf8)
    {
        GetObjectA(font.Handle(), sizeof FBase, &FBase);
        FOld = SelectObject(FDC, font.Handle());
    }
    ~TGdiMeasurer() override { SelectObject(FDC, FOld); }
    TGdiMeasurer(const TGdiMeasurer&) = delete;
    TGdiMeasurer& operator=(const TGdiMeasurer&) = delete;

    HFONT FontFor(TslRichStyles style)
    {
        auto& font = FFonts[style & 15];
        if (!font) {
            LOGFONTA lf = FBase;
            lf.lfWeight = (style & rsBold) ? FW_BOLD : FW_NORMAL;
            lf.lfItalic = (style & rsItalic) ? TRUE : FALSE;
            lf.lfUnderline = (style & rsUnderline) ? TRUE : FALSE;
            lf.lfStrikeOut = (style & rsStrikeOut) ? TRUE : FALSE;
            font.Reset(CreateFontIndirectA(&lf));
        }
        return font.Get();
    }
    int TextWidth(std::string_view text, TslRichStyles style) override
    {
        if (text.empty())
            return 0;
        SelectObject(FDC, FontFor(style));
        SIZE size{};
        text = text.substr(0, 1u << 20);
        if (FUtf8) {
            const std::wstring wide = Utf8ToWide(text);
            GetTextExtentPoint32W(FDC, wide.data(), static_cast<int>(wide.size()), &size);
        } else {
            GetTextExtentPoint32A(FDC, text.data(), static_cast<int>(text.size()), &size);
        }
        return size.cx;
    }
    int LineHeight() override
    {
        SelectObject(FDC, FontFor(0));
        SIZE size{};
        GetTextExtentPoint32A(FDC, "Wj", 2, &size);
        return size.cy;
    }

    // Draws a run of the text at x, y on dc in the text's encoding.
    void DrawRun(HDC dc, int x, int y, std::string_view text)
    {
        if (FUtf8) {
            const std::wstring wide = Utf8ToWide(text);
            TextOutW(dc, x, y, wide.data(), static_cast<int>(wide.size()));
        } else {
            TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
        }
    }

private:
    HDC FDC;
    bool FUtf8;
    HGDIOBJ FOld;
    LOGFONTA FBase{};
    std::array<TOwnedGdi<HFONT>, 16> FFonts;
};

TslRichStyles BaseStyleOf(TFont& font) { return font.Style() & 15u; }

void FrameWith(HDC dc, RECT r, COLORREF color)
{
    TOwnedGdi<HBRUSH> brush(CreateSolidBrush(color));
    FrameRect(dc, &r, brush.Get());
}

} // namespace

TslRichLayout MeasureRichText(std::string_view text, TFont& font, const TslRichDrawOptions& options)
{
    TOwnedMemDC dc(CreateCompatibleDC(nullptr));
    TGdiMeasurer measurer(dc.Get(), font, options.Layout.Utf8);
    return LayoutRichText(text, options.Markup, options.Layout, measurer, BaseStyleOf(font));
}

TslRichLayout DrawRichText(TBitmap& target, std::string_view text, TFont& font, const TslRichDrawOptions& options,
                           HDC background, int bgX, int bgY)
{
    TOwnedMemDC measureDC(CreateCompatibleDC(nullptr));
    TGdiMeasurer measurer(measureDC.Get(), font, options.Layout.Utf8);
    TslRichLayout layout = LayoutRichText(text, options.Markup, options.Layout, measurer, BaseStyleOf(font));
    const int w = std::clamp(layout.Width + options.ExtraWidth, 1, kMaxDrawingSide);
    const int h = std::clamp(layout.Height, 1, kMaxDrawingSide);
    target.SetSize(w, h);
    HDC dc = target.Canvas().Handle();
    RECT all{0, 0, w, h};
    if (background) {
        BitBlt(dc, 0, 0, w, h, background, bgX, bgY, SRCCOPY);
    } else {
        FillSolidRect(dc, all, ColorToRGB(options.Color));
    }
    const bool shadow = options.Layout.ShowShadow;
    RECT frame{0, 0, shadow ? w - 6 : w, shadow ? h - 6 : h};
    if (options.ShowFrame && frame.right > 0 && frame.bottom > 0) {
        FillSolidRect(dc, frame, ColorToRGB(options.Color));
        FrameWith(dc, frame, ColorToRGB(options.FrameColor));
        RECT inner{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
        if (inner.right > inner.left && inner.bottom > inner.top)
            FrameWith(dc, inner, GetSysColor(COLOR_BTNFACE));
    }
    if (shadow) {
        // Three dotted columns beside the frame and three dotted rows below it, 7 pixels in from the top and left.
        COLORREF color = ColorToRGB(options.ShadowColor);
        for (int x = frame.right; x < frame.right + 3; ++x)
            for (int y = 7; y < frame.bottom + 3; ++y)
                if (((x + y) & 1) == 0)
                    SetPixelV(dc, x, y, color);
        for (int y = frame.bottom; y < frame.bottom + 3; ++y)
            for (int x = 7; x < frame.right; ++x)
                if (((x + y) & 1) == 0)
                    SetPixelV(dc, x, y, color);
    }
    SetBkMode(dc, TRANSPARENT);
    const COLORREF own = ColorToRGB(font.Color());
    for (const auto& line : layout.Lines) {
        if (line.Y >= h)
            break;
        int x = line.X;
        for (const auto& run : line.Runs) {
            HGDIOBJ old = SelectObject(dc, measurer.FontFor(run.Style));
            SetTextColor(dc, run.Color == clDefault ? own : ColorToRGB(run.Color));
            measurer.DrawRun(dc, x, line.Y, run.Text);
            SelectObject(dc, old);
            x += measurer.TextWidth(run.Text, run.Style);
        }
    }
    return layout;
}

// ---- TslRichLabel ----

TslRichLabel::TslRichLabel(TComponent* owner) : TGraphicControl(owner)
{
    FParentColor = true;
    SetInitialSize(65, 17);
    FTextStyle.OnChange = [this](TObject*) { Changed(); };
}

TslRichLabel::~TslRichLabel() { FTextStyle.OnChange = nullptr; }

void TslRichLabel::Changed()
{
    Invalidate();
}

void TslRichLabel::SetAutoHeight(bool value)
{
    if (FAutoHeight == value)
        return;
    FAutoHeight = value;
    Changed();
}

void TslRichLabel::SetMarginHorz(std::uint16_t value)
{
    if (FMarginHorz == value)
        return;
    FMarginHorz = value;
    Changed();
}

void TslRichLabel::SetMarginVert(std::uint16_t value)
{
    if (FMarginVert == value)
        return;
    FMarginVert = value;
    Changed();
}

void TslRichLabel::SetShadowColor(TColor value)
{
    if (FShadowColor == value)
        return;
    FShadowColor = value;
    Changed();
}

void TslRichLabel::SetShowFrame(bool value)
{
    if (FShowFrame == value)
        return;
    FShowFrame = value;
    Changed();
}

void TslRichLabel::SetShowShadow(bool value)
{
    if (FShowShadow == value)
        return;
    FShowShadow = value;
    Changed();
}

void TslRichLabel::SetWordWrap(bool value)
{
    if (FWordWrap == value)
        return;
    FWordWrap = value;
    Changed();
}

void TslRichLabel::SetAlignment(TAlignment value)
{
    if (FAlignment == value)
        return;
    FAlignment = value;
    Changed();
}

void TslRichLabel::SetTransparent(bool value)
{
    if (FTransparent == value)
        return;
    FTransparent = value;
    Changed();
}

void TslRichLabel::SetUtf8(bool value)
{
    if (FUtf8 == value)
        return;
    FUtf8 = value;
    TextChanged();
}

TslRichDrawOptions TslRichLabel::DrawOptions()
{
    TslRichDrawOptions o;
    o.Markup.PlainText = FTextStyle.PlainText();
    o.Markup.TagOpen = FTextStyle.TagOpen();
    o.Markup.TagClose = FTextStyle.TagClose();
    o.Layout.Width = FWidth;
    o.Layout.MarginHorz = FMarginHorz;
    o.Layout.MarginVert = FMarginVert;
    o.Layout.WordWrap = FWordWrap;
    o.Layout.Alignment = FAlignment == taRightJustify ? raRight : FAlignment == taCenter ? raCenter : raLeft;
    o.Layout.ShowShadow = FShowShadow;
    o.Layout.Utf8 = FUtf8;
    o.Color = FColor;
    o.ShowFrame = FShowFrame;
    o.ShadowColor = FShadowColor;
    return o;
}

TslRichLayout TslRichLabel::Measure() { return MeasureRichText(FText, FFont, DrawOptions()); }

std::string TslRichLabel::PlainText() const
{
    if (FTextStyle.PlainText())
        return FText;
    return RichPlainText(FText, FTextStyle.TagOpen(), FTextStyle.TagClose());
}

void TslRichLabel::Paint()
{
    HDC dc = Canvas().Handle();
    TBitmap drawing;
    TslRichLayout layout = DrawRichText(drawing, FText, FFont, DrawOptions(), FTransparent ? dc : nullptr, 0, 0);
    BitBlt(dc, 0, 0, drawing.Width(), drawing.Height(), drawing.Canvas().Handle(), 0, 0, SRCCOPY);
    if (FAutoHeight && !FSizing && layout.Height != FHeight) {
        FSizing = true;
        SetHeight(std::min(layout.Height, kMaxDrawingSide));
        FSizing = false;
    }
}

void TslRichLabel::TextChanged()
{
    // A new text shows at once, with its new height.
    Invalidate();
    if (FAutoHeight && !FSizing) {
        int height = std::min(Measure().Height, kMaxDrawingSide);
        if (height != FHeight) {
            FSizing = true;
            SetHeight(height);
            FSizing = false;
        }
    }
    Update();
}

void TslRichLabel::FontChanged() { TextChanged(); }

void TslRichLabel::BoundsChanged()
{
    if (FAutoHeight && !FSizing && FWordWrap)
        TextChanged();
}

} // namespace skyloom
