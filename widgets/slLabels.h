// Effect and link labels: a label drawn with a highlight and a shadow copy of its text and with other fonts
// while the mouse hovers over it or presses it, and a label that opens a web address or a new mail message
// when clicked. Also the kit's routines that open addresses and compose mail.
#pragma once

#include "Controls.h"
#include "StdCtrls.h"
#include "slLabelsCore.h"

#include <string>

namespace skyloom {

// The kit's link-select cursor (the system's pointing hand).
constexpr TCursor crLinkSelect = crslHand;

class TslLabel;

// A font variant: colour and styles, used or not. Any change repaints the label.
// A setting of a label: every change repaints the label.
class TslLabelPart : public TPersistent {
protected:
    explicit TslLabelPart(TslLabel* label) : FLabel(label) {}
    void Changed();
    template <typename Field, typename Value>
    void Set(Field& field, Value value)
    {
        field = value;
        Changed();
    }
    TslLabel* FLabel;
};

class TslStyleFont : public TslLabelPart {
public:
    explicit TslStyleFont(TslLabel* label) : TslLabelPart(label) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { Set(FColor, value); }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value) { Set(FStyle, value); }
    bool Used() const { return FUsed; }
    void SetUsed(bool value) { Set(FUsed, value); }
    TslFontLook Look() const { return {FColor, FStyle}; }
    void Assign(const TPersistent& source) override;

private:
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    bool FUsed = false;
};

// A copy of the label's text drawn offset by Depth pixels in Direction. Any change repaints the label.
class TslLabelEffect : public TslLabelPart {
public:
    TslLabelEffect(TslLabel* label, TslLabelEffectDirection direction, TColor color);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { Set(FEnabled, value); }
    TColor Color() const { return FColors.Normal; }
    void SetColor(TColor value) { Set(FColors.Normal, value); }
    TColor ColorHover() const { return FColors.Hover; }
    void SetColorHover(TColor value) { Set(FColors.Hover, value); }
    TColor ColorClick() const { return FColors.Click; }
    void SetColorClick(TColor value) { Set(FColors.Click, value); }
    int Depth() const { return FDepth; }
    void SetDepth(int value) { Set(FDepth, value < 0 ? 0 : value > 255 ? 255 : value); }
    TslLabelEffectDirection Direction() const { return FDirection; }
    void SetDirection(TslLabelEffectDirection value) { Set(FDirection, value); }
    const TslEffectColors& Colors() const { return FColors; }
    TPoint Offset() const { return EffectOffset(FDirection, FDepth); }
    void Assign(const TPersistent& source) override;

private:
    bool FEnabled = true;
    TslEffectColors FColors;
    int FDepth = 1;
    TslLabelEffectDirection FDirection;
};

enum TslLabelOption : unsigned { loPathEllipsis = 1, loEndEllipsis = 2, loEditControl = 4 };
using TslLabelOptions = unsigned;

// Blinking of the text: shown for DelayVisible and hidden for DelayInvisible milliseconds while Active.
// BlinksCount and DelayBetweenBlinking are kept for the stored form; they do not change the blinking.
class TslLabelBlinking : public TPersistent {
public:
    explicit TslLabelBlinking(TslLabel* label) : FLabel(label) {}
    bool Active() const { return FActive; }
    // Raises Exception "Not enough timers available" (with the text shown) when no timer can be made.
    void SetActive(bool value);
    int BlinksCount = 0;
    unsigned DelayVisible() const { return FDelayVisible; }
    void SetDelayVisible(unsigned value);
    unsigned DelayInvisible() const { return FDelayInvisible; }
    void SetDelayInvisible(unsigned value);
    unsigned DelayBetweenBlinking = 120000;

private:
    friend class TslLabel;
    TslLabel* FLabel;
    bool FActive = false;
    unsigned FDelayVisible = 700;
    unsigned FDelayInvisible = 400;
};

class TslLabel : public TLabel {
public:
    explicit TslLabel(TComponent* owner);
    ~TslLabel() override;

    TslLabelEffect& Highlight() { return FHighlight; }
    TslLabelEffect& Shadow() { return FShadow; }
    TslStyleFont& FontHover() { return FFontHover; }
    TslStyleFont& FontClick() { return FFontClick; }
    TCursor CursorClick = crDefault;
    TslLabelOptions Options() const { return FOptions; }
    void SetOptions(TslLabelOptions value);
    TslLabelBlinking& Blinking() { return FBlinking; }

    TNotifyEvent OnStartBlinking;
    TNotifyEvent OnStopBlinking;
    TNotifyEvent OnShowBlink;
    TNotifyEvent OnHideBlink;

    bool MouseInside() const { return FMouseInside; }
    bool Pressed() const { return FPressed; }
    // False while blinking hides the text.
    bool BlinkShown() const { return FBlinkShown; }
    // Draws the label (as it paints itself) into dc, whose origin is the label's top-left corner.
    void PaintTo(HDC dc);

protected:
    friend class TslLabelPart;
    friend class TslLabelBlinking;
    void Paint() override;
    void WndProc(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // Draws (or with DT_CALCRECT measures) the layers into dc over r.
    void DoDrawText(HDC dc, TRect& r, unsigned flags);
    void AdjustBounds() override;
    void PropertyChanged();
    void UpdateBlinkTimer();

private:
    void BlinkWndProc(TMessage& message);
    void StopBlinkTimer();
    TslLabelEffect FHighlight{this, edUpLeft, clHighlightText};
    TslLabelEffect FShadow{this, edDownRight, clGrayText};
    TslStyleFont FFontHover{this};
    TslStyleFont FFontClick{this};
    TslLabelOptions FOptions = 0;
    TslLabelBlinking FBlinking{this};
    bool FMouseInside = false;
    bool FPressed = false;
    bool FBlinkShown = true;
    HWND FBlinkWindow = nullptr;
    TOwnedGdi<HBITMAP> FBitmap;
    int FBitmapWidth = 0;
    int FBitmapHeight = 0;
};

enum TslURLLabelKind { ukWWW, ukEmail };

struct TslEmailParams {
    std::string Address;
    std::string Name;
    std::string CarbonCopy;
    std::string BlindCarbonCopy;
    std::string Subject;
    std::string Message;
};

// A link: clicking opens URL (the caption when empty) in the browser, or composes a message to Email.
class TslURLLabel : public TslLabel {
public:
    explicit TslURLLabel(TComponent* owner);
    TslURLLabelKind Kind = ukWWW;
    std::string URL;
    bool URLInNewWindow = true;
    TslEmailParams& Email() { return FEmail; }
    // Runs OnClick, then opens the target.
    void Click() override;

private:
    TslEmailParams FEmail;
};

// Opens a web or mail address: with newWindow, in the program registered for ".html" files started with the
// address as its only argument; otherwise (or when none is registered) through the shell's default handler.
// An address without "://" gets "http://" in front. Addresses other than http, https and mailto are not
// opened. Failures leave nothing visible; the answer says whether something was started.
bool OpenWebAddress(const std::string& address, bool newWindow, int showMode);
// Asks the shell to open a new mail message (see ComposeMailText).
bool ComposeMail(const std::string& address, const std::string& name, const std::string& subject,
                 const std::string& message, const std::string& carbonCopy, const std::string& blindCarbonCopy);
// The program registered to open files of an extension (".html"), or "" when none is.
std::string AssociatedProgram(const std::string& extension);

} // namespace skyloom
