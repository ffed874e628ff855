// A form's background painted as a colour gradient or with a picture, in place of the form's own erasing; and
// the same painting as a sub-object of the kit's panels.
#pragma once

#include "Owned.h"
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

// The settings both backgrounds share, and the painting they drive: a gradient from colour 1 to colour 2, or a
// picture in one of the picture styles. The form's and the panels' backgrounds differ in their defaults and in
// what a change does (SettingsChanged).
class TslBackgroundSettings : TNonCopyable {
public:
    TColor GradientColor1() const { return FGradientColor1; }
    void SetGradientColor1(TColor value) { Update(FGradientColor1, value); }
    TColor GradientColor2() const { return FGradientColor2; }
    void SetGradientColor2(TColor value) { Update(FGradientColor2, value); }
    TslGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(TslGradientDirection value) { Update(FGradientDirection, value); }
    TslBackgroundKind Kind() const { return FKind; }
    void SetKind(TslBackgroundKind value) { Update(FKind, value); }
    TPicture& Picture() { return FPicture; }
    TslBackgroundPictureStyle PictureStyle() const { return FPictureStyle; }
    void SetPictureStyle(TslBackgroundPictureStyle value) { Update(FPictureStyle, value); }

protected:
    // everyAssignment: report a setting assigned its own value too (the panels' OnChange does).
    TslBackgroundSettings(TslGradientDirection direction, TslBackgroundKind kind, bool everyAssignment);
    virtual ~TslBackgroundSettings();
    // Runs after a setting (or the picture) changed.
    virtual void SettingsChanged() = 0;
    // Paints the gradient or the picture over area of dc, with fill for what they leave; false when there is
    // nothing to paint (a picture background without a picture).
    bool PaintSettings(HDC dc, const TRect& area, TColor fill);
    // Copies the settings of other (the picture reports its copy as a change).
    void CopySettings(const TslBackgroundSettings& other);

private:
    template <typename T>
    void Update(T& field, T value)
    {
        if (field == value && !FEveryAssignment)
            return;
        field = value;
        SettingsChanged();
    }
    bool FEveryAssignment;
    TColor FGradientColor1 = 16711680;
    TColor FGradientColor2 = 0;
    TslGradientDirection FGradientDirection;
    TslBackgroundKind FKind;
    TPicture FPicture;
    TslBackgroundPictureStyle FPictureStyle = bsTile;
};

// Takes over the erase-background message of its owner form and paints there.
class TslFormBackground : public TslFormHookComponent, public TslBackgroundSettings {
public:
    explicit TslFormBackground(TComponent* owner);

    // Painting on or off (not the hook's attachment, which HookActive() tells).
    bool Active() const { return FPaintActive; }
    void SetActive(bool value);
    bool HookActive() const { return TslFormHookComponent::Active(); }
    void SetPicture(const TPicture& value) { Picture().Assign(value); }

    void BeforeMessage(TMessage& message, bool& handled) override;
    void AfterMessage(TMessage& message) override;
    void Rehooked() override;
    // Asks the form to paint its background anew (nothing while painting is off or in progress).
    void RequestRepaint();
    // Number of erase messages this component painted (tests of repainting).
    int PaintCount() const { return FPaintCount; }

protected:
    void SettingsChanged() override { RequestRepaint(); }

private:
    bool FPaintActive = true;
    bool FPainting = false;
    int FPaintCount = 0;
};

// The panels' background: the same settings with the panels' defaults. Every change raises OnChange and
// invalidates the panel.
class TslBackground : public TPersistent, public TslBackgroundSettings {
public:
    explicit TslBackground(TControl* panel);
    bool Active() const { return FActive; }
    void SetActive(bool value);
    TNotifyEvent OnChange;
    // Paints over area of dc with fill as the panel's colour; false when there was nothing to paint (inactive,
    // or a picture background without a picture).
    bool Paint(HDC dc, const TRect& area, TColor fill);
    void Assign(const TPersistent& source) override;

protected:
    void Changed();
    void SettingsChanged() override { Changed(); }

private:
    TControl* FPanel;
    bool FActive = false;
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
