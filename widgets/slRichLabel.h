// Drawing marked-up text over GDI, and the rich-text label.
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "StdCtrls.h"
#include "slClasses.h"
#include "slRichText.h"

#include <cstdint>
#include <string>

namespace skyloom {

// How a marked-up text is drawn into a bitmap.
struct TslRichDrawOptions {
    TslMarkupOptions Markup;
    TslRichLayoutOptions Layout;
    // Fill colour behind the text when no background pixels are given, and inside a frame.
    TColor Color = clBtnFace;
    bool ShowFrame = false;
    TColor FrameColor = clBlack;
    TColor ShadowColor = clBlack;
    // Extra pixels to the right of the layout's width (a popup's right margin).
    int ExtraWidth = 0;
};

// Lays out text in font and draws it into target, which takes the layout's size. With background, the
// pixels of that context at (bgX, bgY) are copied behind the text (a label that looks transparent, the screen
// under a popup); otherwise the colour fills it. The frame encloses the text area (6 pixels smaller each way
// with a shadow); the dotted shadow runs along its right and bottom edges.
TslRichLayout DrawRichText(TBitmap& target, std::string_view text, TFont& font, const TslRichDrawOptions& options,
                           HDC background = nullptr, int bgX = 0, int bgY = 0);

// Only the layout (no drawing): the size a text takes in font.
TslRichLayout MeasureRichText(std::string_view text, TFont& font, const TslRichDrawOptions& options);

class TslRichLabel : public TGraphicControl {
public:
    explicit TslRichLabel(TComponent* owner);
    ~TslRichLabel() override;

    bool AutoHeight() const { return FAutoHeight; }
    void SetAutoHeight(bool value);
    std::uint16_t MarginHorz() const { return FMarginHorz; }
    void SetMarginHorz(std::uint16_t value);
    std::uint16_t MarginVert() const { return FMarginVert; }
    void SetMarginVert(std::uint16_t value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    bool ShowFrame() const { return FShowFrame; }
    void SetShowFrame(bool value);
    bool ShowShadow() const { return FShowShadow; }
    void SetShowShadow(bool value);
    TslTextStyle& TextStyle() { return FTextStyle; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // From the label base: alignment and transparency (the parent's pixels behind the text).
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // The caption is UTF-8 rather than text in the system's code page (a text in any script).
    bool Utf8() const { return FUtf8; }
    void SetUtf8(bool value);

    // The layout of the caption at the current width; its Width and Height are the drawing's size.
    TslRichLayout Measure();
    // The caption without its tags.
    std::string PlainText() const;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void BoundsChanged() override;

private:
    TslRichDrawOptions DrawOptions();
    void Changed();
    bool FAutoHeight = true;
    std::uint16_t FMarginHorz = 0;
    std::uint16_t FMarginVert = 0;
    TColor FShadowColor = clBlack;
    bool FShowFrame = false;
    bool FShowShadow = false;
    TslTextStyle FTextStyle;
    bool FWordWrap = true;
    TAlignment FAlignment = taLeftJustify;
    bool FTransparent = false;
    bool FUtf8 = false;
    bool FSizing = false;
};

} // namespace skyloom
