#include "slHTMLViewer.h"

namespace skyloom {

// --- lines and margins ---------------------------------------------------------------------------------------

void TslHTMLLines::SetText(std::string_view text)
{
    FLines.SetText(text);
    Changed();
}

int TslHTMLLines::Add(std::string line)
{
    const int i = FLines.Add(std::move(line));
    Changed();
    return i;
}

void TslHTMLLines::Clear()
{
    FLines.Clear();
    Changed();
}

void TslHTMLLines::Assign(const TPersistent& source)
{
    if (const auto* lines = dynamic_cast<const TslHTMLLines*>(&source)) {
        FLines.Assign(lines->FLines);
        Changed();
        return;
    }
    if (const auto* list = dynamic_cast<const TStringList*>(&source)) {
        FLines.Assign(*list);
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TslHTMLLines::Changed()
{
    Fire(OnChange, this);
}

void TslHTMLViewerMargins::Set(int& field, int value)
{
    if (field != value) {
        field = value;
        Fire(OnChange, this);
    }
}

void TslHTMLViewerMargins::Assign(const TPersistent& source)
{
    if (const auto* m = dynamic_cast<const TslHTMLViewerMargins*>(&source)) {
        FLeft = m->FLeft;
        FTop = m->FTop;
        FRight = m->FRight;
        FBottom = m->FBottom;
        Fire(OnChange, this);
        return;
    }
    TPersistent::Assign(source);
}

// --- the inner control -----------------------------------------------------------------------------------------

TslInternalHTMLViewer::TslInternalHTMLViewer(TComponent* owner) : TWinControl(owner)
{
    FColor = clDefault;
    FWidth = 150;
    FHeight = 100;
    FHTML.OnChange = [this](TObject*) { LoadContent(); };
    FMargins.OnChange = [this](TObject*) { LoadContent(); };
    FHost.StyleSettings = [this] { return StyleSettings(); };
}

TslInternalHTMLViewer::~TslInternalHTMLViewer()
{
    SetDestroying();
    FHost.Destroy();
}

void TslInternalHTMLViewer::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TslInternalHTMLViewer";
    params.Style |= WS_CLIPCHILDREN;
}

void TslInternalHTMLViewer::CreateWnd()
{
    TWinControl::CreateWnd();
    if (FUseRenderer) {
        const RECT rc = ClientBounds();
        FRenderer.Create(Handle(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        FRenderer.SetDocument(FHTML.Text(), RendererStyle());
    }
}

void TslInternalHTMLViewer::DestroyWnd()
{
    FHost.Destroy();
    if (FRenderer.Handle()) {
        DestroyWindow(FRenderer.Handle());
    }
    TWinControl::DestroyWnd();
}

RECT TslInternalHTMLViewer::ClientBounds()
{
    RECT rc{};
    if (HandleAllocated()) {
        GetClientRect(Handle(), &rc);
    } else {
        rc.right = Width();
        rc.bottom = Height();
    }
    return rc;
}

void TslInternalHTMLViewer::BoundsChanged()
{
    TWinControl::BoundsChanged();
    if (!HandleAllocated()) {
        return;
    }
    const RECT rc = ClientBounds();
    if (FHost.Created()) {
        FHost.SetBounds(rc);
    }
    FRenderer.SetBounds(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

void TslInternalHTMLViewer::ColorChanged()
{
    TWinControl::ColorChanged();
    LoadContent();
}

void TslInternalHTMLViewer::SetBackgroundColor(TColor value)
{
    if (value != Color()) {
        SetColor(value);  // reloads through ColorChanged
    }
}

void TslInternalHTMLViewer::SetBorderStyle(TslHTMLViewerBorderStyle value)
{
    if (value != FBorderStyle) {
        FBorderStyle = value;
        LoadContent();
    }
}

void TslInternalHTMLViewer::SetBorderColor(TColor value)
{
    if (value != FBorderColor) {
        FBorderColor = value;
        LoadContent();
    }
}

void TslInternalHTMLViewer::SetNoScroll(bool value)
{
    if (value != FNoScroll) {
        FNoScroll = value;
        LoadContent();
    }
}

TslHTMLViewerStyleSettings TslInternalHTMLViewer::StyleSettings() const
{
    TslHTMLViewerStyleSettings s;
    s.BorderStyle = FBorderStyle;
    s.BorderColor = FBorderColor;
    s.Color = FColor;
    s.NoScroll = FNoScroll;
    s.MarginLeft = FMargins.Left();
    s.MarginTop = FMargins.Top();
    s.MarginRight = FMargins.Right();
    s.MarginBottom = FMargins.Bottom();
    return s;
}

html::THtmlBodyStyle TslInternalHTMLViewer::RendererStyle() const
{
    const TslHTMLViewerStyleSettings s = StyleSettings();
    const TColor color = HTMLColorIsSet(s.Color) ? ResolveColor(s.Color) : 0;
    const TColor border = HTMLColorIsSet(s.BorderColor) ? ResolveColor(s.BorderColor) : 0;
    return BodyStyleOf(s, color, border);
}

void TslInternalHTMLViewer::ShowRenderer(const std::string& source)
{
    if (!FRenderer.Handle()) {
        const RECT rc = ClientBounds();
        FRenderer.Create(Handle(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    }
    FRenderer.SetDocument(source, RendererStyle());
}

void TslInternalHTMLViewer::LoadContent()
{
    if (Loading() || Destroying() || !Parent() || (Owner() && (Owner()->Loading() || Owner()->Destroying()))) {
        return;
    }
    if (FInLoad) {
        // Messages handled during the wait for the browser ran another change: the load under way takes the
        // newest lines once the wait is over.
        FReloadPending = true;
        return;
    }
    FInLoad = true;
    ++FLoadCount;
    try {
        do {
            FReloadPending = false;
            if (!FUseRenderer && !FHost.Created()) {
                FHost.Create(Handle(), ClientBounds());
                if (!FHost.Created()) {
                    FUseRenderer = true;
                }
            }
            if (!FUseRenderer && !FHost.LoadDocument(FHTML.Text(), BrowserWaitMs)) {
                // No document to load into: no browser engine on this system. The drawn renderer takes over for
                // good, so that later loads do not wait again.
                FHost.Destroy();
                FUseRenderer = true;
            }
            if (FUseRenderer) {
                ShowRenderer(FHTML.Text());
            }
        } while (FReloadPending && !Destroying());
    } catch (const std::exception&) {
        // A failed load keeps what the pane showed before; the caller is never told.
    }
    FInLoad = false;
}

// --- the outer pane -------------------------------------------------------------------------------------------

TslHTMLViewer::TslHTMLViewer(TComponent* owner) : TWinControl(owner)
{
    FWidth = 150;
    FHeight = 100;
    FInner = new TslInternalHTMLViewer(this);
    FInner->SetParent(this);
    FInner->SetBounds(0, 0, FWidth, FHeight);
}

void TslHTMLViewer::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TslHTMLViewer";
    params.Style |= WS_CLIPCHILDREN;
}

void TslHTMLViewer::Loaded()
{
    TWinControl::Loaded();
    FInner->LoadContent();
}

void TslHTMLViewer::BoundsChanged()
{
    TWinControl::BoundsChanged();
    const TRect rc = ClientRect();
    FInner->SetBounds(0, 0, rc.Width(), rc.Height());
}

} // namespace skyloom
