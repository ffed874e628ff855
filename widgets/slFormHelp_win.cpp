#include "slFormHelp.h"

#include "Clipbrd.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "SysUtils.h"

namespace skyloom {

namespace {

const char kPopupClass[] = "TslFormHelpPopup";

// At most one help popup exists at a time.
struct TPopupState {
    HWND Wnd = nullptr;
    TBitmap Image;
    std::string Text;
    char TagOpen = '[';
    char TagClose = ']';
    bool PlainText = false;
    bool HintsBefore = true;
    bool MenuOpen = false;
    TslFormHelp* Owner = nullptr;
    TControl* Control = nullptr;
    TslFormHelpOnHideEvent OnHide;
};
TPopupState GPopup;

// One thread mouse hook serves the right-click help of one form help at a time.
HHOOK GMouseHook = nullptr;
TslFormHelp* GHookOwner = nullptr;

bool ContainsControl(TWinControl* parent, TControl* control)
{
    for (TControl* c : parent->Controls()) {
        if (c == control)
            return true;
        if (auto* w = c->AsWinControl())
            if (ContainsControl(w, control))
                return true;
    }
    return false;
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wparam, LPARAM lparam)
{
    HHOOK hook = GMouseHook;
    if (code == HC_ACTION && wparam == WM_RBUTTONUP && GHookOwner) {
        try {
            const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lparam);
            GHookOwner->RightButtonReleased(TPoint{info->pt.x, info->pt.y});
        } catch (...) {
            // Looking for the control under the pointer must never disturb the click itself.
        }
    }
    return CallNextHookEx(hook, code, wparam, lparam);
}

void FinishPopup()
{
    if (!GPopup.Wnd)
        return;
    HWND wnd = GPopup.Wnd;
    GPopup.Wnd = nullptr;
    KillTimer(wnd, 1);
    DestroyWindow(wnd);
    UnregisterClassA(kPopupClass, GetModuleHandleA(nullptr));
    Application.SetShowHint(GPopup.HintsBefore);
    TslFormHelpOnHideEvent onHide = std::move(GPopup.OnHide);
    TslFormHelp* owner = GPopup.Owner;
    TControl* control = GPopup.Control;
    GPopup.OnHide = nullptr;
    GPopup.Owner = nullptr;
    GPopup.Control = nullptr;
    if (onHide)
        onHide(owner, control);
}

LRESULT CALLBACK PopupWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    const bool ours = wnd == GPopup.Wnd;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        if (ours && !GPopup.Image.Empty())
            BitBlt(dc, 0, 0, GPopup.Image.Width(), GPopup.Image.Height(), GPopup.Image.Canvas().Handle(), 0, 0,
                   SRCCOPY);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_RBUTTONDOWN:
        if (ours) {
            HMENU menu = CreatePopupMenu();
            AppendMenuA(menu, MF_STRING, 1, "&Copy");
            POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            ClientToScreen(wnd, &p);
            GPopup.MenuOpen = true;
            int chosen = static_cast<int>(
                TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, p.x, p.y, 0, wnd, nullptr));
            GPopup.MenuOpen = false;
            DestroyMenu(menu);
            if (chosen == 1) {
                try {
                    TslFormHelp::CopyPopupText();
                } catch (...) {
                    Application.HandleException(nullptr);
                }
            }
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_TIMER:
    case WM_CLOSE:
        if (ours)
            FinishPopup();
        return 0;
    case WM_KILLFOCUS:
        if (ours && !GPopup.MenuOpen)
            FinishPopup();
        return 0;
    case WM_ACTIVATE:
        if (ours && LOWORD(wparam) == WA_INACTIVE && !GPopup.MenuOpen)
            FinishPopup();
        return 0;
    case WM_QUERYENDSESSION:
        if (ours)
            FinishPopup();
        return 1;
    case WM_DESTROY:
        if (ours)
            FinishPopup();
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wparam, lparam);
    }
}

std::string BuiltInButtonText(TButton& button)
{
    switch (button.ModalResult) {
    case mrOk:
        return "Closes the dialog box and saves any changes you have made.";
    case mrCancel:
        return "Closes the dialog box without saving any changes you have made.";
    case mrYes:
        return "Closes the dialog box and confirms the question with affirmative response (i.e: allows to perform "
               "requested action).";
    case mrNo:
        return "Closes the dialog box without confirmation of the question. (Negative response, i.e: disallow to "
               "perform requested action.)";
    default:
        break;
    }
    std::string caption = button.Caption();
    if (caption.find("Apply") != std::string::npos)
        return "Saves all the changes you have made without closing the dialog box.";
    if (caption.find("Help") != std::string::npos)
        return "Click to display an overview of the dialog box.";
    return "";
}

} // namespace

// ---- TslCustomCaptionButton ----

TslCustomCaptionButton::TslCustomCaptionButton(TComponent* owner)
    : TslHFormHookComponentWatchCaption(owner, owner), FCaptionButton(this), FSystemMenu(this)
{
}

// ---- TslWhatsThis ----

TslWhatsThis::TslWhatsThis(TslFormHelp* owner) : TslPersistent(owner), FHelp(owner) {}

void TslWhatsThis::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    if (value)
        FHelp->InstallMouseHook();
    else
        FHelp->RemoveMouseHook();
}

void TslWhatsThis::SetMenuItem(TMenuItem* value)
{
    if (!SetNotifiedReference(FMenuItem, value, FHelp))
        return;
    if (FMenuItem) {
        TslFormHelp* help = FHelp;
        FMenuItem->OnClick = [help](TObject*) { help->EnterHelpMode(); };
    }
}

// ---- TslFormHelp ----

TslFormHelp::TslFormHelp(TComponent* owner) : TslCustomCaptionButton(owner), FWhatsThis(this)
{
    FCaptionButton.PressedCursor = CursorHelp;
    if (TForm* form = OwnerForm()) {
        FFontFromForm = true;
        FFont.Assign(form->Font());
        FFontFromForm = false;
    }
    FFont.OnChange = [this](TObject*) {
        if (!FFontFromForm)
            FParentFont = false;
    };
    FWhatsThis.SetEnabled(true);
}

TslFormHelp::~TslFormHelp()
{
    SetDestroying();
    RemoveMouseHook();
    if (GPopup.Owner == this) {
        GPopup.OnHide = nullptr;
        FinishPopup();
    }
    FFont.OnChange = nullptr;
    if (FWhatsThis.FMenuItem)
        FWhatsThis.FMenuItem->RemoveFreeNotification(this);
}

TForm* TslFormHelp::OwnerForm() const { return Owner() ? const_cast<TComponent*>(Owner())->AsForm() : nullptr; }

void TslFormHelp::Notification(TComponent* component, TOperation operation)
{
    TslCustomCaptionButton::Notification(component, operation);
    if (operation == opRemove && component == FWhatsThis.FMenuItem)
        FWhatsThis.FMenuItem = nullptr;
}

void TslFormHelp::InstallMouseHook()
{
    if (GMouseHook)
        return;
    GMouseHook = SetWindowsHookExA(WH_MOUSE, MouseHookProc, nullptr, GetCurrentThreadId());
    if (GMouseHook)
        GHookOwner = this;
}

void TslFormHelp::RemoveMouseHook()
{
    if (GHookOwner != this)
        return;
    if (GMouseHook)
        UnhookWindowsHookEx(GMouseHook);
    GMouseHook = nullptr;
    GHookOwner = nullptr;
}

HWND TslFormHelp::PopupWindow() { return GPopup.Wnd; }
std::string TslFormHelp::PopupText() { return GPopup.Wnd ? GPopup.Text : std::string(); }
void TslFormHelp::ClosePopup() { FinishPopup(); }

void TslFormHelp::CopyPopupText()
{
    if (!GPopup.Wnd)
        return;
    Clipboard().SetAsText(GPopup.PlainText ? GPopup.Text
                                           : RichPlainText(GPopup.Text, GPopup.TagOpen, GPopup.TagClose));
}

void TslFormHelp::EnterHelpMode()
{
    TForm* form = OwnerForm();
    if (!Active || !form || !form->HandleAllocated())
        return;
    FHelpMode = true;
    SetCapture(form->Handle());
    SetCursor(Screen.Cursors(CursorHelp));
}

void TslFormHelp::EndHelpMode()
{
    if (!FHelpMode)
        return;
    FHelpMode = false;
    TForm* form = OwnerForm();
    if (FHelpBySysCommand && form && form->HandleAllocated())
        // The caption's "?" button is drawn pressed by the system until the frame is drawn again.
        SetWindowPos(form->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    FHelpBySysCommand = false;
    FCaptionButton.Down = false;
}

std::string TslFormHelp::HelpTextOf(TControl* control, TControl*& source)
{
    source = nullptr;
    TControl* c = control;
    if (c && GetLongHint(c->Hint).empty() && c->Tag == 666 && c->Owner()) {
        // An attached caption label: its help is its edit field's.
        if (auto* ownerControl = dynamic_cast<TControl*>(c->Owner()))
            c = ownerControl;
    }
    for (; c; c = c->Parent()) {
        std::string text = GetLongHint(c->Hint);
        if (!text.empty()) {
            source = c;
            return text;
        }
        if (auto* button = dynamic_cast<TButton*>(c)) {
            std::string builtIn = BuiltInButtonText(*button);
            if (!builtIn.empty()) {
                button->Hint = GetShortHint(button->Hint) + "|" + builtIn;
                source = c;
                return builtIn;
            }
        }
    }
    return "";
}

TControl* TslFormHelp::FindHelpControl(TPoint screen)
{
    TForm* form = OwnerForm();
    if (!form || !form->HandleAllocated())
        return nullptr;
    // A pointer outside the form (F1 pressed while it rests elsewhere) is over none of its controls.
    RECT bounds;
    if (!GetWindowRect(form->Handle(), &bounds) || !PtInRect(&bounds, POINT{screen.X, screen.Y}))
        return nullptr;
    // The deepest visible window at the point, disabled ones included (WindowFromPoint skips those).
    HWND wnd = form->Handle();
    for (;;) {
        POINT p{screen.X, screen.Y};
        ScreenToClient(wnd, &p);
        HWND child = ChildWindowFromPointEx(wnd, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == wnd)
            break;
        wnd = child;
    }
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::string(cls) == "TTBToolbar" || std::string(cls) == "TTBXToolbar") {
        POINT p{screen.X, screen.Y};
        ScreenToClient(wnd, &p);
        SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    }
    TWinControl* control = nullptr;
    for (HWND w = wnd; w && !control; w = GetParent(w))
        control = TWinControl::FindControl(w);
    if (!control)
        return nullptr;
    TControl* source = nullptr;
    HelpTextOf(control, source);
    return source;
}

void TslFormHelp::ShowControlHelp(TControl* control)
{
    if (!control) {
        POINT p;
        GetCursorPos(&p);
        control = FindHelpControl(TPoint{p.x, p.y});
        if (!control)
            return;
        ShowPopup(control, "");
        return;
    }
    // The form help of the control's top owner answers, when it has one.
    TComponent* top = control;
    while (top->Owner() && top->Owner() != &Application)
        top = top->Owner();
    for (TComponent* c : top->Components())
        if (auto* help = dynamic_cast<TslFormHelp*>(c)) {
            help->ShowPopup(control, "");
            return;
        }
    ShowPopup(control, "");
}

void TslFormHelp::ShowPopup(TControl* control, std::string text)
{
    POINT pointer;
    GetCursorPos(&pointer);
    if (text.empty()) {
        TControl* source = nullptr;
        text = HelpTextOf(control, source);
    }
    if (FParentFont)
        if (TForm* form = OwnerForm()) {
            FFontFromForm = true;
            FFont.Assign(form->Font());
            FFontFromForm = false;
        }
    if (OnShow)
        OnShow(this, control, text);
    if (text.empty())
        return;
    FinishPopup();  // a new popup replaces the old one

    TslRichDrawOptions o;
    o.Markup.PlainText = FTextStyle.PlainText();
    o.Markup.TagOpen = FTextStyle.TagOpen();
    o.Markup.TagClose = FTextStyle.TagClose();
    o.Layout.Width = PopupWidth;
    o.Layout.MarginHorz = Margins.Horizontal;
    o.Layout.MarginVert = Margins.Vertical;
    o.Layout.WordWrap = true;
    o.Layout.ShowShadow = ShowShadow;
    o.Color = Color;
    o.ShowFrame = true;
    o.FrameColor = clBlack;
    o.ShadowColor = ShadowColor;
    TslRichLayout layout = MeasureRichText(text, FFont, o);
    // The text keeps its margin on the right too.
    int width = AdjustPopupWidth ? layout.Width + Margins.Horizontal : PopupWidth + (ShowShadow ? 7 : 0);
    o.ExtraWidth = width - layout.Width;
    const int height = layout.Height;

    // Centred under the pointer, on the work area of the monitor the pointer is on.
    int x = pointer.x - width / 2, y = pointer.y;
    MONITORINFO mi{sizeof(MONITORINFO), {}, {}, 0};
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &mi))
        area = mi.rcWork;
    if (x < area.left)
        x = area.left;
    if (x + width > area.right)
        x = area.right - width;
    if (y < area.top)
        y = area.top;
    if (y + height > area.bottom)
        y = area.bottom - height - 20;

    // The screen under the popup shows through its dotted shadow.
    {
        TWindowDC screen(nullptr);
        DrawRichText(GPopup.Image, text, FFont, o, screen.Get(), x, y);
    }
    GPopup.Text = text;
    GPopup.TagOpen = FTextStyle.TagOpen();
    GPopup.TagClose = FTextStyle.TagClose();
    GPopup.PlainText = FTextStyle.PlainText();
    GPopup.HintsBefore = Application.ShowHint();
    Application.SetShowHint(false);

    WNDCLASSA wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = PopupWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = Screen.Cursors(Cursor);
    wc.lpszClassName = kPopupClass;
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPopupClass, text.c_str(), WS_POPUP, x, y,
                               GPopup.Image.Width(), GPopup.Image.Height(), Application.Handle(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!wnd) {
        UnregisterClassA(kPopupClass, GetModuleHandleA(nullptr));
        Application.SetShowHint(GPopup.HintsBefore);
        throw EOutOfResources("Error creating window");
    }
    GPopup.Wnd = wnd;
    GPopup.Owner = this;
    GPopup.Control = control;
    GPopup.OnHide = OnHide;
    if (DelayInterval > 0 && !SetTimer(wnd, 1, DelayInterval, nullptr)) {
        // Nothing half-made stays behind: the popup goes and the hints come back before the error is raised.
        GPopup.OnHide = nullptr;
        FinishPopup();
        throw EOutOfResources("Not enough timers available");
    }
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
    SetFocus(wnd);
    UpdateWindow(wnd);
}

void TslFormHelp::RightButtonReleased(TPoint screen)
{
    TForm* form = OwnerForm();
    if (!FWhatsThis.Enabled() || !Active || FInMenu || !form || !form->HandleAllocated())
        return;
    HWND under = WindowFromPoint(POINT{screen.X, screen.Y});
    if (!under || (under != form->Handle() && !IsChild(form->Handle(), under)))
        return;
    TControl* control = FindHelpControl(screen);
    FRightClickControl = control;
    if (!control || control->PopupMenu() || control->OnMouseDown || control->OnMouseUp)
        return;
    PostMessageA(form->Handle(), SL_WHATSTHIS, 0,
                 MAKELPARAM(static_cast<WORD>(static_cast<short>(screen.X)), static_cast<WORD>(static_cast<short>(screen.Y))));
}

void TslFormHelp::BeforeMessage(TMessage& message, bool& handled)
{
    // Takes the message: the form's window procedure does not see it.
    auto take = [&](LRESULT result) {
        handled = true;
        message.Result = result;
    };
    switch (message.Msg) {
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_CONTEXTHELP && Active) {
            take(0);
            FHelpBySysCommand = true;
            EnterHelpMode();
        }
        break;
    case WM_HELP:
        if (UseF1 && Active) {
            take(1);
            FCaptionButton.Down = false;
            const auto* info = reinterpret_cast<const HELPINFO*>(message.LParam);
            if (info && info->iContextType == HELPINFO_WINDOW)
                ShowControlHelp(nullptr);
        }
        break;
    case WM_LBUTTONDOWN:
        if (FHelpMode) {
            take(0);
            ShowControlHelp(nullptr);
        }
        break;
    case WM_LBUTTONUP:
        if (FHelpMode) {
            take(0);
            ReleaseCapture();
        }
        break;
    case WM_SETCURSOR:
        if (FHelpMode) {
            take(1);
            SetCursor(Screen.Cursors(CursorHelp));
        }
        break;
    case WM_CAPTURECHANGED:
        EndHelpMode();
        break;
    case WM_ENTERMENULOOP:
        FInMenu = true;
        break;
    case WM_EXITMENULOOP:
        FInMenu = false;
        break;
    case SL_WHATSTHIS: {
        take(0);
        // Screen coordinates, signed: a second monitor left of or above the first gives negative ones.
        TPoint p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
        TControl* control = FRightClickControl;
        FRightClickControl = nullptr;
        TForm* form = OwnerForm();
        if (!control || !form || !ContainsControl(form, control))
            break;
        // Another popup (our help, a menu) near the point is not covered.
        const int dx[4] = {-6, 6, -6, 6}, dy[4] = {-6, -6, 6, 6};
        for (int i = 0; i < 4; ++i) {
            HWND w = WindowFromPoint(POINT{p.X + dx[i], p.Y + dy[i]});
            char cls[128] = {};
            if (w)
                GetClassNameA(w, cls, sizeof cls);
            if (LowerCase(cls).find("popup") != std::string::npos)
                return;
        }
        bool showPopup = true, showHelp = false;
        if (OnWhatsThis)
            OnWhatsThis(this, control, p, showPopup, showHelp);
        if (showPopup) {
            HMENU menu = CreatePopupMenu();
            AppendMenuA(menu, MF_STRING, SL_WHATSTHIS_COMMAND, FWhatsThis.Caption.c_str());
            UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, p.X,
                                                           p.Y, 0, form->Handle(), nullptr));
            DestroyMenu(menu);
            if (chosen == SL_WHATSTHIS_COMMAND && ContainsControl(form, control))
                ShowControlHelp(control);
        } else if (showHelp) {
            ShowControlHelp(control);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace skyloom
