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
    if (UpdateField(field, value))
        Fire(OnChange, this);
}

void TslHTMLViewerMargins::Assign(const TPersistent& source)
{
    using T = TslHTMLViewerMargins;
    if (AssignFields<TPersistent>(*this, source, &T::FLeft, &T::FTop, &T::FRight, &T::FBottom))
        Fire(OnChange, this);
}

// --- the inner control -----------------------------------------------------------------------------------------

TslInternalHTMLViewer::TslInternalHTMLViewer(TComponent* owner) : TWinControl(owner)
{
    FColor = clDefault;
    SetInitialSize(150, 100);
    FHTML.OnChange = [this](TObject*) { LoadContent(); };
    FMargins.OnChange = [this](TObject*) { LoadContent(); };
    FHost.StyleSettings = [this] { return StyleSettings(); };
}

TslInternalHTMLViewer::~TslInternalHTMLViewer()
{
    SetDestroying();
    if (FHTMLTemplate)
        FHTMLTemplate->RemoveClient(this);
    FHost.Destroy();
}

void TslInternalHTMLViewer::SetHTMLTemplate(TslTextTemplateConverter* value)
{
    if (value == FHTMLTemplate)
        return;
    if (FHTMLTemplate)
        FHTMLTemplate->RemoveClient(this);
    FHTMLTemplate = value;
    if (value)
        value->AddClient(this, [this] { LoadContent(); });
    LoadContent();
}

std::string TslInternalHTMLViewer::DocumentSource() const
{
    return FHTMLTemplate ? FHTMLTemplate->OutputText() : FHTML.Text();
}

void TslInternalHTMLViewer::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FHTMLTemplate) {
        // The template is going: the HTML lines are the source again.
        FHTMLTemplate = nullptr;
        LoadContent();
    }
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
        FRenderer.SetDocument(DocumentSource(), RendererStyle());
        if (!FBrowserGivenUp && !FBrowserPending) {
            StartBrowser();
        }
    }
}

void TslInternalHTMLViewer::DestroyWnd()
{
    StopBrowserTimer();
    FHost.Destroy();
    FBrowserPending = false;
    FRenderer.Destroy();
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
        return;  // a change made while the browser loads: the load under way reads the lines afterwards
    }
    FInLoad = true;
    ++FLoadCount;
    try {
        if (!FUseRenderer && FHost.Created() && !FHost.LoadDocument(DocumentSource(), 0)) {
            // The browser lost its document: the drawn renderer takes over for good.
            GiveUpBrowser();
        }
        if (FUseRenderer || !FHost.Created()) {
            // The document shows at once; a browser control still to come takes over when it has a document.
            FUseRenderer = true;
            ShowRenderer(DocumentSource());
            if (!FBrowserGivenUp && !FBrowserPending) {
                StartBrowser();
            }
        }
    } catch (const std::exception&) {
        // A failed load keeps what the pane showed before; the caller is never told.
    }
    FInLoad = false;
}

namespace {
constexpr UINT_PTR BrowserTimerId = 1;
}

void TslInternalHTMLViewer::StartBrowser()
{
    if (!HandleAllocated()) {
        return;
    }
    // Created on the first tick, once the window has been shown: creating the control costs time the start-up
    // should not wait for.
    FBrowserPending = true;
    FBrowserStart = GetTickCount();
    SetTimer(Handle(), BrowserTimerId, 1, nullptr);
}

void TslInternalHTMLViewer::StopBrowserTimer()
{
    if (HandleAllocated()) {
        KillTimer(Handle(), BrowserTimerId);
    }
}

void TslInternalHTMLViewer::GiveUpBrowser()
{
    StopBrowserTimer();
    FHost.Destroy();
    // The libraries the browser control brought along are of no further use.
    FHost.FreeUnusedLibraries();
    FBrowserPending = false;
    FBrowserGivenUp = true;
    FUseRenderer = true;
}

void TslInternalHTMLViewer::PollBrowser()
{
    if (!FBrowserPending || FInLoad || Destroying()) {
        return;
    }
    FInLoad = true;
    try {
        if (!FHost.Created()) {
            if (THtmlBrowserHost::EngineAvailable()) {
                FHost.Create(Handle(), ClientBounds());
            }
            if (!FHost.Created()) {
                GiveUpBrowser();
                FInLoad = false;
                return;
            }
            // The renderer keeps showing the document until the browser has one.
            if (FRenderer.Handle()) {
                SetWindowPos(FRenderer.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
            SetTimer(Handle(), BrowserTimerId, BrowserPollMs, nullptr);
            FBrowserStart = GetTickCount();
        }
        if (FHost.DocumentReady() && FHost.LoadDocument(DocumentSource(), 0)) {
            // The browser shows the newest lines from now on.
            StopBrowserTimer();
            FBrowserPending = false;
            FUseRenderer = false;
            FRenderer.Destroy();
        } else if (GetTickCount() - FBrowserStart >= BrowserWaitMs) {
            // No browser engine on this system.
            GiveUpBrowser();
        }
    } catch (const std::exception&) {
        GiveUpBrowser();
    }
    FInLoad = false;
}

void TslInternalHTMLViewer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER && message.WParam == BrowserTimerId) {
        PollBrowser();
        message.Result = 0;
        return;
    }
    TWinControl::WndProc(message);
}

// --- the outer pane -------------------------------------------------------------------------------------------

TslHTMLViewer::TslHTMLViewer(TComponent* owner) : TWinControl(owner)
{
    SetInitialSize(150, 100);
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
