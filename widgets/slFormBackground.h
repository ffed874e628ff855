// A form's background painted as a colour gradient or with a picture, in place of the form's own erasing; and
// the same painting as a sub-object of the kit's panels.
#pragma once

#include "Graphics.h"
#include "slClasses_win.h"
#include "slFormBackgroundCore.h"

namespace skyloom {

// The framework's notification that a control's colour changed; a form invalidates itself on it.
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;

// Paints a gradient from color1 to color2 over area of dc; the central direction first fills the area with
// fill. Errors inside are swallowed: a background is never a reason to break a paint.
void PaintGradient(HDC dc, const TRect& area, TColor color1, TslGradientDirection direction, TColor fill,
                   TColor color2);
// Paints graphic over a W × H area at (0, 0) of dc in style; the parts it leaves take fill.
void PaintBackgroundPicture(HDC dc, int W, int H, TGraphic& graphic, TslBackgroundPictureStyle style, TColor fill);

// Takes over the erase-background message of its owner form and paints there.
class TslFormBackground : public TslFormHookComponent {
public:
    explicit TslFormBackground(TComponent* owner);
    ~TslFormBackground() override;

    // Painting on or off (not the hook's attachment, which HookActive() tells).
    bool Active() const { return FPaintActive; }
    void SetActive(bool value);
    bool HookActive() const { return TslFormHookComponent::Active(); }
    TColor GradientColor1() const { return FGradientColor1; }
    void SetGradientColor1(TColor value);
    TColor GradientColor2() const { return FGradientColor2; }
    void SetGradientColor2(TColor value);
    TslGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(TslGradientDirection value);
    TslBackgroundKind Kind() const { return FKind; }
    void SetKind(TslBackgroundKind value);
    TPicture& Picture() { return FPicture; }
    void SetPicture(const TPicture& value);
    TslBackgroundPictureStyle PictureStyle() const { return FPictureStyle; }
    void SetPictureStyle(TslBackgroundPictureStyle value);

    void BeforeMessage(TMessage& message, bool& handled) override;
    void AfterMessage(TMessage& message) override;
    void Rehooked() override;
    // Asks the form to paint its background anew (nothing while painting is off or in progress).
    void RequestRepaint();
    // Number of erase messages this component painted (tests of repainting).
    int PaintCount() const { return FPaintCount; }

private:
    bool FPaintActive = true;
    TColor FGradientColor1 = 16711680;
    TColor FGradientColor2 = 0;
    TslGradientDirection FGradientDirection = gdVertical;
    TslBackgroundKind FKind = bkPicture;
    TPicture FPicture;
    TslBackgroundPictureStyle FPictureStyle = bsTile;
    bool FPainting = false;
    int FPaintCount = 0;
};

// The panels' background: the same seven properties with the panels' defaults. Every change raises OnChange
// and invalidates the panel.
class TslBackground : public TPersistent {
public:
    explicit TslBackground(TControl* panel);
    bool Active() const { return FActive; }
    void SetActive(bool value);
    TColor GradientColor1() const { return FGradientColor1; }
    void SetGradientColor1(TColor value);
    TColor GradientColor2() const { return FGradientColor2; }
    void SetGradientColor2(TColor value);
    TslGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(TslGradientDirection value);
    TslBackgroundKind Kind() const { return FKind; }
    void SetKind(TslBackgroundKind value);
    TPicture& Picture() { return FPicture; }
    TslBackgroundPictureStyle PictureStyle() const { return FPictureStyle; }
    void SetPictureStyle(TslBackgroundPictureStyle value);
    TNotifyEvent OnChange;
    // Paints over area of dc with fill as the panel's colour; false when there was nothing to paint (inactive,
    // or a picture background without a picture).
    bool Paint(HDC dc, const TRect& area, TColor fill);
    void Assign(const TPersistent& source) override;

protected:
    void Changed();

private:
    TControl* FPanel;
    bool FActive = false;
    TColor FGradientColor1 = 16711680;
    TColor FGradientColor2 = 0;
    TslGradientDirection FGradientDirection = gdHorizontal;
    TslBackgroundKind FKind = bkGradient;
    TPicture FPicture;
    TslBackgroundPictureStyle FPictureStyle = bsTile;
};

class TslPanelBackground : public TslBackground {
public:
    using TslBackground::TslBackground;
    // The painted area takes in the panel's border.
    bool PaintOnBorders() const { return FPaintOnBorders; }
    void SetPaintOnBorders(bool value);
    void Assign(const TPersistent& source) override;

private:
    bool FPaintOnBorders = true;
};

} // namespace skyloom
