#include "ExtCtrls.h"
#include "Forms.h"

namespace skyloom {

// ---- TPanel ----

TPanel::TPanel(TComponent* owner) : TWinControl(owner)
{
    SetInitialSize(185, 41);
}

void TPanel::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TPanel";
    params.Style |= WS_CLIPCHILDREN;
    params.ClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
}

namespace {

void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width)
{
    for (int i = 0; i < width; ++i) {
        TOwnedGdi<HPEN> tl(CreatePen(PS_SOLID, 1, topLeft));
        TOwnedGdi<HPEN> br(CreatePen(PS_SOLID, 1, bottomRight));
        {
            TSelectObject select(dc, tl.Get());
            MoveToEx(dc, r.left, r.bottom - 1, nullptr);
            LineTo(dc, r.left, r.top);
            LineTo(dc, r.right - 1, r.top);
        }
        TSelectObject select(dc, br.Get());
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.left - 1, r.bottom - 1);
        InflateRect(&r, -1, -1);
    }
}

} // namespace

void TPanel::PaintWindow(HDC dc)
{
    ++FPaintCount;
    RECT r;
    GetClientRect(FHandle, &r);
    FillRect(dc, &r, FBrush.Handle());
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    // The outer bevel first; each one leaves r inside itself.
    for (TPanelBevel bevel : {FBevelOuter, FBevelInner}) {
        const bool raised = bevel == bvRaised;
        if (bevel == bvSpace)
            InflateRect(&r, -FBevelWidth, -FBevelWidth);
        else if (bevel != bvNone)
            Frame3D(dc, r, raised ? light : dark, raised ? dark : light, FBevelWidth);
    }
    if (!FText.empty()) {
        HGDIOBJ old = SelectObject(dc, FFont.Handle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(FFont.Color()));
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS |
                     (FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT);
        DrawTextA(dc, FText.data(), static_cast<int>(FText.size()), &r, flags);
        SelectObject(dc, old);
    }
}

// ---- TBevel ----

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner)
{
    SetInitialSize(50, 50);
}

void TBevel::Paint()
{
    HDC dc = Canvas().Handle();
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    COLORREF first = FStyle == bsLowered ? dark : light, second = FStyle == bsLowered ? light : dark;
    RECT r{0, 0, FWidth, FHeight};
    auto line = [dc](COLORREF c, int x1, int y1, int x2, int y2) {
        TOwnedGdi<HPEN> pen(CreatePen(PS_SOLID, 1, c));
        TSelectObject select(dc, pen.Get());
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    };
    switch (FShape) {
    case bsBox:
        Frame3D(dc, r, first, second, 1);
        break;
    case bsFrame: {
        RECT outer{0, 0, FWidth - 1, FHeight - 1};
        Frame3D(dc, outer, first, first, 1);
        RECT inner{1, 1, FWidth, FHeight};
        Frame3D(dc, inner, second, second, 1);
        break;
    }
    case bsTopLine:
        line(first, 0, 0, FWidth, 0);
        line(second, 0, 1, FWidth, 1);
        break;
    case bsBottomLine:
        line(first, 0, FHeight - 2, FWidth, FHeight - 2);
        line(second, 0, FHeight - 1, FWidth, FHeight - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, FHeight);
        line(second, 1, 0, 1, FHeight);
        break;
    case bsRightLine:
        line(first, FWidth - 2, 0, FWidth - 2, FHeight);
        line(second, FWidth - 1, 0, FWidth - 1, FHeight);
        break;
    case bsSpacer:
        break;
    }
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner)
{
    SetInitialSize(105, 105);
    FPicture.OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged()
{
    if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
        SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
    if (TGraphic* g = FPicture.Graphic())
        g->Transparent = FTransparent;
    Invalidate();
}

void TImage::Paint()
{
    TGraphic* g = FPicture.Graphic();
    if (!g || g->Empty())
        return;
    TRect dest;
    if (FStretch) {
        dest = Rect(0, 0, FWidth, FHeight);
    } else if (FCenter) {
        int x = (FWidth - g->Width()) / 2, y = (FHeight - g->Height()) / 2;
        dest = Bounds(x, y, g->Width(), g->Height());
    } else {
        dest = Bounds(0, 0, g->Width(), g->Height());
    }
    Canvas().StretchDraw(dest, *g);
}

// ---- TPaintBox ----

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner)
{
    SetInitialSize(105, 105);
}

void TPaintBox::Paint() { Fire(OnPaint, this); }

// ---- TTimer ----

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    // A timer's window only gets its WM_TIMER: a message-only one is the cheapest to make.
    FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); }, true);
}

TTimer::~TTimer()
{
    SetDestroying();
    if (FRunning)
        KillTimer(FWindow, 1);
    DeallocateHWnd(FWindow);
}

void TTimer::SetOnTimer(TNotifyEvent value)
{
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    if (FRunning) {
        KillTimer(FWindow, 1);
        FRunning = false;
    }
    if (FEnabled && FInterval > 0 && FOnTimer) {
        if (!SetTimer(FWindow, 1, FInterval, nullptr))
            throw EOutOfResources("Not enough timers available");
        FRunning = true;
    }
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER) {
        try {
            if (FOnTimer && !Destroying()) {
                TNotifyEvent handler = FOnTimer;
                handler(this);
            }
        } catch (...) {
            Application.HandleException(this);
        }
        return;
    }
    DefaultUtilityHandler(FWindow, message);
}

} // namespace skyloom
