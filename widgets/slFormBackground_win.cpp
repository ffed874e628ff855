#include "slFormBackground.h"

namespace skyloom {

namespace {

TslRGB ToRGB(TColor color)
{
    const COLORREF c = ColorToRGB(color);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

void FillWith(HDC dc, const TRect& r, TColor color)
{
    FillSolidRect(dc, RECT{r.Left, r.Top, r.Right, r.Bottom}, ColorToRGB(color));
}

} // namespace

void PaintGradient(HDC dc, const TRect& area, TColor color1, TslGradientDirection direction, TColor fill,
                   TColor color2)
{
    try {
        const TslGradientPlan plan = PlanGradient(area, ToRGB(color1), ToRGB(color2), direction);
        if (plan.FillFirst)
            FillWith(dc, area, fill);
        HGDIOBJ oldPen = plan.Ellipses ? SelectObject(dc, GetStockObject(NULL_PEN)) : nullptr;
        HGDIOBJ oldBrush = nullptr;
        for (int step = 0; step < plan.Count; ++step) {
            const TslGradientBand band = plan.Band(step);
            TOwnedGdi<HBRUSH> brush(CreateSolidBrush(RGB(band.Color.R, band.Color.G, band.Color.B)));
            if (plan.Ellipses) {
                HGDIOBJ previous = SelectObject(dc, brush.Get());
                if (!oldBrush)
                    oldBrush = previous;
                Ellipse(dc, band.Rect.Left, band.Rect.Top, band.Rect.Right, band.Rect.Bottom);
                SelectObject(dc, oldBrush);
            } else {
                RECT rc{band.Rect.Left, band.Rect.Top, band.Rect.Right, band.Rect.Bottom};
                FillRect(dc, &rc, brush.Get());
            }
        }
        if (oldPen)
            SelectObject(dc, oldPen);
    } catch (...) {
        // A background that cannot be painted leaves what is there; the paint goes on.
    }
}

void PaintBackgroundPicture(HDC dc, int W, int H, TGraphic& graphic, TslBackgroundPictureStyle style, TColor fill)
{
    try {
        TCanvas canvas;
        canvas.SetHandle(dc);
        PlanPicture(
            W, H, graphic.Width(), graphic.Height(), style, [&](const TRect& r) { FillWith(dc, r, fill); },
            [&](const TRect& r) { graphic.Draw(canvas, r); });
        canvas.SetHandle(nullptr);
    } catch (...) {
        // As with the gradient: the paint goes on without the picture.
    }
}

// ---- TslBackgroundSettings ----

TslBackgroundSettings::TslBackgroundSettings(TslGradientDirection direction, TslBackgroundKind kind,
                                             bool everyAssignment)
    : FEveryAssignment(everyAssignment), FGradientDirection(direction), FKind(kind)
{
    FPicture.OnChange = [this](TObject*) { SettingsChanged(); };
}

TslBackgroundSettings::~TslBackgroundSettings() { FPicture.OnChange = nullptr; }

bool TslBackgroundSettings::PaintSettings(HDC dc, const TRect& area, TColor fill)
{
    if (FKind == bkGradient) {
        PaintGradient(dc, area, FGradientColor1, FGradientDirection, fill, FGradientColor2);
        return true;
    }
    if (!FPicture.Graphic() || FPicture.Graphic()->Empty())
        return false;
    // The picture is laid out from (0, 0): the area's corner becomes the origin for the while.
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, area.Left, area.Top, nullptr);
    PaintBackgroundPicture(dc, area.Width(), area.Height(), *FPicture.Graphic(), FPictureStyle, fill);
    RestoreDC(dc, saved);
    return true;
}

void TslBackgroundSettings::CopySettings(const TslBackgroundSettings& other)
{
    using T = TslBackgroundSettings;
    CopyFields(*this, other, &T::FGradientColor1, &T::FGradientColor2, &T::FGradientDirection, &T::FKind,
               &T::FPictureStyle);
    FPicture.Assign(other.FPicture);
}

// ---- TslFormBackground ----

TslFormBackground::TslFormBackground(TComponent* owner)
    : TslFormHookComponent(owner), TslBackgroundSettings(gdVertical, bkPicture, false)
{
}

void TslFormBackground::SetActive(bool value)
{
    if (FPaintActive == value)
        return;
    // The repaint is asked for while still active, so switching off shows the form's own background again.
    FPaintActive = true;
    RequestRepaint();
    FPaintActive = value;
}

void TslFormBackground::RequestRepaint()
{
    if (!FPaintActive || FPainting || Designing() || !FHookedWnd)
        return;
    InvalidateRect(FHookedWnd, nullptr, TRUE);
}

void TslFormBackground::BeforeMessage(TMessage& message, bool& handled)
{
    if (message.Msg == CM_COLORCHANGED && FHookedWnd) {
        InvalidateRect(FHookedWnd, nullptr, TRUE);
        return;
    }
    if (message.Msg != WM_ERASEBKGND || !FPaintActive || Designing())
        return;
    handled = true;
    message.Result = 1;
    if (FPainting)
        return;
    FPainting = true;
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    RECT client{};
    GetClientRect(FHookedWnd, &client);
    const TRect area = Rect(0, 0, client.right, client.bottom);
    TWinControl* host = HostControl();
    if (PaintSettings(dc, area, host ? host->Color() : clBtnFace)) {
        ++FPaintCount;
    } else {
        handled = false;
        message.Result = 0;
    }
    FPainting = false;
}

void TslFormBackground::AfterMessage(TMessage& message)
{
    if (Designing() || !FHookedWnd)
        return;
    if (message.Msg == WM_SIZE && (message.WParam == SIZE_RESTORED || message.WParam == SIZE_MAXIMIZED))
        PostMessageA(FHookedWnd, CM_COLORCHANGED, 0, 0);
    else if (message.Msg == WM_HSCROLL || message.Msg == WM_VSCROLL)
        RequestRepaint();
}

void TslFormBackground::Rehooked()
{
    TslFormHookComponent::Rehooked();
    RequestRepaint();
}

// ---- TslBackground ----

TslBackground::TslBackground(TControl* panel)
    : TslBackgroundSettings(gdHorizontal, bkGradient, true), FPanel(panel)
{
}

void TslBackground::Changed()
{
    Fire(OnChange, this);
    if (FPanel)
        FPanel->Invalidate();
}

void TslBackground::SetActive(bool value)
{
    FActive = value;
    Changed();
}

bool TslBackground::Paint(HDC dc, const TRect& area, TColor fill)
{
    return FActive && PaintSettings(dc, area, fill);
}

void TslBackground::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TslBackground*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    FActive = other->FActive;
    CopySettings(*other);
    Changed();
}

// ---- TslPanelBackground ----

void TslPanelBackground::SetPaintOnBorders(bool value)
{
    FPaintOnBorders = value;
    Changed();
}

void TslPanelBackground::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TslPanelBackground*>(&source))
        FPaintOnBorders = other->FPaintOnBorders;
    TslBackground::Assign(source);
}

} // namespace skyloom
