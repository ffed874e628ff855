// Extra controls: panel, bevel, image, paint box, and the timer.
#pragma once

#include "Controls.h"
#include "StdCtrls.h"

namespace skyloom {

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

// A container with a background colour, a bevel and a caption drawn in the middle.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value) { if (UpdateField(FBevelOuter, value)) Invalidate(); }
    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel value) { if (UpdateField(FBevelInner, value)) Invalidate(); }
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value) { if (UpdateField(FBevelWidth, value)) Invalidate(); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value) { if (UpdateField(FAlignment, value)) Invalidate(); }
    // Number of times the panel painted itself (for tests of redundant repainting).
    int PaintCount() const { return FPaintCount; }

protected:
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(HDC dc) override;

private:
    TPanelBevel FBevelOuter = bvRaised;
    TPanelBevel FBevelInner = bvNone;
    int FBevelWidth = 1;
    TAlignment FAlignment = taCenter;
    int FPaintCount = 0;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape value) { if (UpdateField(FShape, value)) Invalidate(); }
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle value) { if (UpdateField(FStyle, value)) Invalidate(); }

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    TPicture& Picture() { return FPicture; }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value) { if (UpdateField(FStretch, value)) Invalidate(); }
    bool Center() const { return FCenter; }
    void SetCenter(bool value) { if (UpdateField(FCenter, value)) Invalidate(); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value) { if (UpdateField(FTransparent, value)) PictureChanged(); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { if (UpdateField(FAutoSize, value)) PictureChanged(); }

protected:
    void Paint() override;

private:
    void PictureChanged();
    TPicture FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};

// A surface painted by its OnPaint handler.
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* owner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

// Calls OnTimer every Interval milliseconds while Enabled (and Interval > 0 and OnTimer is assigned).
// The timer runs from the moment those settings are made, also while its form is still loading.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned value) { if (UpdateField(FInterval, value)) UpdateTimer(); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { if (UpdateField(FEnabled, value)) UpdateTimer(); }
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent value);
    bool Running() const { return FRunning; }

private:
    void UpdateTimer();
    void WndProc(TMessage& message);
    unsigned FInterval = 1000;
    bool FEnabled = true;
    bool FRunning = false;
    TNotifyEvent FOnTimer;
    HWND FWindow = nullptr;
};

} // namespace skyloom
