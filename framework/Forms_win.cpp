#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <algorithm>

#include <commctrl.h>

namespace skyloom {

TApplication Application;

// ---- TForm ----

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    FVisible = false;
    SetInitialColor(clBtnFace);
    SetInitialSize(320, 240);
    FFont.SetName("MS Sans Serif");
    FParentFont = false;
    BeginLoading();
}

TForm::~TForm()
{
    SetDestroying();
    if (Application.FMainForm == this)
        Application.FMainForm = nullptr;
    Fire(OnDestroy, this);
    // The controls go first, while the window they stand on still exists.
    DestroyComponents();
    DestroyHandle();
}

void TForm::AfterLoading() { Fire(OnCreate, this); }

void TForm::SetBorderStyle(TFormBorderStyle value)
{
    if (!UpdateField(FBorderStyle, value))
        return;
    if (HandleAllocated() && !Loading())
        RecreateWnd();
}

void TForm::SetBorderIcons(TBorderIcons value)
{
    if (!UpdateField(FBorderIcons, value))
        return;
    if (HandleAllocated() && !Loading())
        RecreateWnd();
}

void TForm::SetPosition(TPosition value) { FPosition = value; }

void TForm::SetFormStyle(TFormStyle value)
{
    if (!UpdateField(FFormStyle, value))
        return;
    if (HandleAllocated())
        SetWindowPos(FHandle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState()
{
    if (HandleAllocated()) {
        if (IsIconic(FHandle))
            return wsMinimized;
        if (IsZoomed(FHandle))
            return wsMaximized;
        return wsNormal;
    }
    return FWindowState;
}

void TForm::SetWindowState(TWindowState value)
{
    FWindowState = value;
    if (HandleAllocated() && FVisible)
        ShowWindow(FHandle, value == wsMinimized ? SW_MINIMIZE : value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

void TForm::DesignAsDialog(const std::string& name, int clientWidth, int clientHeight)
{
    Name = name;
    SetWindowClassName("T" + name);
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    Font().SetName("MS Sans Serif");
    Font().SetSize(8);
    SetClientSize(clientWidth, clientHeight);
}

void TForm::SetMenu(TMainMenu* menu)
{
    if (SetNotifiedReference(FMenu, menu, this))
        UpdateMenu();
}

void TForm::UpdateMenu()
{
    if (!HandleAllocated())
        return;
    HMENU menu = FMenu && FMenu->Items().Count() > 0 ? FMenu->Handle() : nullptr;
    if (::GetMenu(FHandle) != menu) {
        // Keep the client size when the menu bar comes or goes.
        TRect client = ClientRect();
        ::SetMenu(FHandle, menu);
        if (FClientWidth > 0 || FClientHeight > 0)
            SetClientSize(client.Width(), client.Height());
    }
    DrawMenuBar(FHandle);
}

void TForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == opRemove) {
        if (component == FMenu) {
            FMenu = nullptr;
            if (HandleAllocated())
                ::SetMenu(FHandle, nullptr);
        }
        if (component == FActiveControl)
            FActiveControl = nullptr;
    }
}

void TForm::SetActiveControl(TWinControl* control)
{
    FActiveControl = control;
    if (control && HandleAllocated() && FVisible && control->CanFocus())
        control->SetFocus();
}

void TForm::SetClientSize(int width, int height)
{
    FClientWidth = width;
    FClientHeight = height;
    if (!HandleAllocated()) {
        TCreateParams p;
        CreateParams(p);
        RECT r{0, 0, width, height};
        AdjustWindowRectEx(&r, p.Style, FMenu && FMenu->Items().Count() > 0, p.ExStyle);
        TWinControl::SetBounds(FLeft, FTop, r.right - r.left, r.bottom - r.top);
        return;
    }
    RECT wr, cr;
    GetWindowRect(FHandle, &wr);
    GetClientRect(FHandle, &cr);
    int w = width + (wr.right - wr.left) - cr.right;
    int h = height + (wr.bottom - wr.top) - cr.bottom;
    TWinControl::SetBounds(FLeft, FTop, w, h);
}

TRect TForm::ClientRect()
{
    if (HandleAllocated())
        return TWinControl::ClientRect();
    if (FClientWidth > 0 || FClientHeight > 0)
        return Rect(0, 0, FClientWidth, FClientHeight);
    return TWinControl::ClientRect();
}

void TForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WndParent = Application.Handle();
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.ExStyle = 0;
    params.WinClassName = FWindowClassName.empty() ? "TForm" : FWindowClassName;
    switch (FBorderStyle) {
    case bsNone:
        params.Style |= WS_POPUP;
        break;
    case bsSingle:
        params.Style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        params.Style |= WS_CAPTION;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FBorderStyle != bsNone && (FBorderIcons & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
            if (FBorderIcons & biMinimize)
                params.Style |= WS_MINIMIZEBOX;
            if (FBorderIcons & biMaximize)
                params.Style |= WS_MAXIMIZEBOX;
        }
        if ((FBorderIcons & biHelp) && (FBorderStyle == bsDialog || !(FBorderIcons & (biMinimize | biMaximize))))
            params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsStayOnTop)
        params.ExStyle |= WS_EX_TOPMOST;
    if (!FEnabled)
        params.Style |= WS_DISABLED;
    // Shown through Visible, never at creation.
    params.Style &= ~static_cast<DWORD>(WS_VISIBLE);
}

void TForm::CreateWnd()
{
    TWinControl::CreateWnd();
    if (FMenu && FMenu->Items().Count() > 0)
        ::SetMenu(FHandle, FMenu->Handle());
    if (FIcon.Handle())
        SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon.Handle()));
    if (FClientWidth > 0 || FClientHeight > 0)
        SetClientSize(FClientWidth, FClientHeight);
}

void TForm::DestroyWnd()
{
    if (HandleAllocated()) {
        // The menu belongs to its component; the window must not take it along.
        ::SetMenu(FHandle, nullptr);
    }
    TWinControl::DestroyWnd();
}

void TForm::ApplyPosition()
{
    if (FPositioned)
        return;
    FPositioned = true;
    int x = FLeft, y = FTop;
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        x = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TForm* center = Application.MainForm();
        if (center && center != this && center->HandleAllocated()) {
            RECT r;
            GetWindowRect(center->FHandle, &r);
            x = r.left + ((r.right - r.left) - FWidth) / 2;
            y = r.top + ((r.bottom - r.top) - FHeight) / 2;
        } else {
            x = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
            y = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
        }
        break;
    }
    default:
        return;
    }
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    TWinControl::SetBounds(x, y, FWidth, FHeight);
}

void TForm::VisibleChanged()
{
    if (FVisible) {
        HandleNeeded();
        ApplyPosition();
        // OnShow first, so that the handler prepares what appears.
        DoShow();
        if (!FVisible)
            return;  // the handler hid the form again
        if (Application.FMainForm == this && !IsWindowVisible(Application.Handle()))
            ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
        FShowingNow = true;
        int cmd = FWindowState == wsMinimized ? SW_SHOWMINIMIZED : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                                                                                                 : SW_SHOWNORMAL;
        ShowWindow(FHandle, cmd);
        FShowingNow = false;
        if (FActiveControl && FActiveControl->CanFocus())
            FActiveControl->SetFocus();
    } else {
        DoHide();
        if (HandleAllocated()) {
            FShowingNow = true;
            ShowWindow(FHandle, SW_HIDE);
            FShowingNow = false;
        }
    }
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    Fire(OnCloseQuery, this, canClose);
    return canClose;
}

void TForm::Close()
{
    if (FModal) {
        if (CloseQuery())
            ModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    Fire(OnClose, this, action);
    if (action == caNone)
        return;
    if (Application.MainForm() == this) {
        Application.Terminate();
        return;
    }
    if (action == caHide || action == caMinimize) {
        if (action == caMinimize && HandleAllocated())
            ShowWindow(FHandle, SW_MINIMIZE);
        else
            Hide();
    } else if (action == caFree) {
        Release();
    }
}

namespace {

struct TDisabledWindows {
    std::vector<HWND> List;
    HWND Keep;
};

BOOL CALLBACK DisableTaskWindow(HWND wnd, LPARAM lparam)
{
    auto* d = reinterpret_cast<TDisabledWindows*>(lparam);
    if (wnd != d->Keep && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        d->List.push_back(wnd);
        EnableWindow(wnd, FALSE);
    }
    return TRUE;
}

} // namespace

TModalResult TForm::ShowModal()
{
    if (FVisible || FModal)
        throw EInvalidOperation("Cannot make a visible window modal");
    HWND active = GetActiveWindow();
    HandleNeeded();
    TDisabledWindows disabled{{}, FHandle};
    EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&disabled));
    FModal = true;
    ModalResult = mrNone;
    try {
        Show();
        SetActiveWindow(FHandle);
        while (ModalResult == mrNone) {
            Application.HandleMessage();
            if (Application.Terminated())
                ModalResult = mrCancel;
            else if (ModalResult != mrNone && !CloseQuery())
                ModalResult = mrNone;
        }
    } catch (...) {
        FModal = false;
        for (HWND w : disabled.List)
            EnableWindow(w, TRUE);
        throw;
    }
    for (HWND w : disabled.List)
        if (IsWindow(w))
            EnableWindow(w, TRUE);
    Hide();
    FModal = false;
    if (active && IsWindow(active))
        SetActiveWindow(active);
    return ModalResult;
}

void TForm::Release()
{
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TForm::BringToFront()
{
    if (HandleAllocated())
        SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::PaintWindow(HDC dc)
{
    TWinControl::PaintWindow(dc);
    if (OnPaint) {
        FCanvas.SetHandle(dc);
        FCanvas.Font().Assign(FFont);
        FCanvas.Brush().SetColor(FColor);
        try {
            OnPaint(this);
        } catch (...) {
            FCanvas.SetHandle(nullptr);
            throw;
        }
        FCanvas.SetHandle(nullptr);
    }
}

void TForm::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        message.Result = 0;
        return;
    case WM_COMMAND:
        if (message.LParam == 0 && FMenu && FMenu->DispatchCommand(LOWORD(message.WParam))) {
            message.Result = 0;
            return;
        }
        break;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application.MainForm() == this) {
            Application.Minimize();
            message.Result = 0;
            return;
        }
        break;
    case WM_SHOWWINDOW:
        // A direct show or hide by someone else (not the owner's minimizing): keep Visible true to the window.
        if (!FShowingNow && message.LParam == 0 && (message.WParam != 0) != FVisible) {
            FVisible = message.WParam != 0;
            if (FVisible)
                DoShow();
            else
                DoHide();
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(message.WParam) != WA_INACTIVE) {
            Fire(OnActivate, this);
            if (FActiveControl && FActiveControl->HandleAllocated() && FActiveControl->CanFocus())
                ::SetFocus(FActiveControl->Handle());
        } else {
            Fire(OnDeactivate, this);
        }
        break;
    case WM_SIZE:
        TWinControl::WndProc(message);
        Fire(OnResize, this);
        return;
    case WM_WINDOWPOSCHANGED: {
        auto* wp = reinterpret_cast<WINDOWPOS*>(message.LParam);
        if (wp && !(wp->flags & SWP_NOMOVE) && !IsIconic(FHandle)) {
            FLeft = wp->x;
            FTop = wp->y;
        }
        break;
    }
    case CM_RELEASE:
        delete this;
        return;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

// ---- TApplication ----

namespace {

const char kAppClass[] = "TApplication";

LRESULT CALLBACK AppWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    // Handle() would create the window again while CreateWindowEx still runs: ask only what exists.
    if (Application.HandleAllocated() && Application.Handle() != wnd)
        return DefWindowProcA(wnd, msg, wparam, lparam);
    TMessage m{msg, wparam, lparam, 0};
    try {
        Application.DispatchAppMessage(wnd, m);
    } catch (...) {
        Application.HandleException(&Application);
    }
    return m.Result;
}

constexpr UINT_PTR kHintShowTimer = 0x5E01;
constexpr UINT_PTR kHintHideTimer = 0x5E02;
const char kHintClass[] = "THintWindow";

LRESULT CALLBACK HintWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT r;
        GetClientRect(wnd, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
        int n = GetWindowTextLengthA(wnd);
        std::string text(static_cast<std::size_t>(n) + 1, '\0');
        n = GetWindowTextA(wnd, text.data(), n + 1);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        InflateRect(&r, -2, -2);
        DrawTextA(dc, text.data(), n, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
        SelectObject(dc, old);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return DefWindowProcA(wnd, msg, wparam, lparam);
    }
}

} // namespace

TApplication::TApplication() : TComponent(nullptr) {}

void TApplication::SetShowHint(bool value)
{
    if (!UpdateField(FShowHint, value))
        return;
    if (!value)
        CancelHint();
}

void TApplication::CancelHint()
{
    if (FHandle) {
        KillTimer(FHandle, kHintShowTimer);
        KillTimer(FHandle, kHintHideTimer);
    }
    FHintTimerRunning = false;
    if (FHintWnd) {
        DestroyWindow(FHintWnd);
        FHintWnd = nullptr;
    }
}

void TApplication::CancelHintFor(TControl* control)
{
    if (control && control == FHintControl) {
        CancelHint();
        FHintControl = nullptr;
    }
}

void TApplication::ActivateHint(TControl* control)
{
    CancelHint();
    FHintControl = control;
    if (!control || !FShowHint || !control->EffectiveShowHint())
        return;
    std::string text = GetShortHint(control->Hint);
    if (text.empty())
        return;
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.style = CS_SAVEBITS | CS_DROPSHADOW;
        wc.lpfnWndProc = HintWndProc;
        wc.hInstance = Instance();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kHintClass;
        registered = RegisterClassA(&wc) != 0;
    }
    RECT r{0, 0, 300, 0};
    {
        const TWindowDC dc(nullptr);
        const TSelectObject font(dc.Get(), GetStockObject(DEFAULT_GUI_FONT));
        DrawTextA(dc.Get(), text.data(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    }
    int w = r.right + 6, h = r.bottom + 4;
    POINT p;
    GetCursorPos(&p);
    int x = p.x, y = p.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
    HMONITOR monitor = MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{sizeof(MONITORINFO), {}, {}, 0};
    if (GetMonitorInfoA(monitor, &mi)) {
        x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
        if (y + h > mi.rcWork.bottom)
            y = p.y - h - 2;
        y = std::max<int>(mi.rcWork.top, y);
    }
    FHintText = text;
    FHintWnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kHintClass, text.c_str(), WS_POPUP | WS_BORDER, x, y,
                               w, h, Handle(), nullptr, Instance(), nullptr);
    if (!FHintWnd)
        return;
    ShowWindow(FHintWnd, SW_SHOWNOACTIVATE);
    SetTimer(FHandle, kHintHideTimer, HintHidePause, nullptr);
}

void TApplication::HintMouseMessage(const MSG& msg)
{
    TWinControl* win = TWinControl::FindControl(msg.hwnd);
    TControl* control = win;
    if (win) {
        TPoint p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        if (TControl* graphic = win->ControlAtPos(p))
            control = graphic;
    }
    if (control == FHintControl)
        return;
    CancelHint();
    FHintControl = control;
    if (control && FShowHint && control->EffectiveShowHint() && !GetShortHint(control->Hint).empty()) {
        SetTimer(Handle(), kHintShowTimer, HintPause, nullptr);
        FHintTimerRunning = true;
    }
}

void TApplication::HintTimer(bool hide)
{
    KillTimer(FHandle, hide ? kHintHideTimer : kHintShowTimer);
    if (hide) {
        CancelHint();
        return;
    }
    FHintTimerRunning = false;
    TControl* control = FHintControl;
    if (!control)
        return;
    // Only while the pointer is still over the control's window.
    POINT p;
    GetCursorPos(&p);
    TWinControl* owner = control->AsWinControl() ? control->AsWinControl() : control->Parent();
    if (!owner || !owner->HandleAllocated() || WindowFromPoint(p) != owner->Handle())
        return;
    ActivateHint(control);
}

TApplication::~TApplication() { Shutdown(); }

void TApplication::Initialize()
{
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    Handle();
}

void TApplication::SetTitle(const std::string& value)
{
    FTitle = value;
    if (FHandle)
        SetWindowTextA(FHandle, value.c_str());
}

HINSTANCE TApplication::Instance() const { return GetModuleHandleA(nullptr); }

std::string TApplication::ExeName() const
{
    // Asked in full (a path may be longer than MAX_PATH), then given in the code page the rest of the program
    // names files in. A folder named in another script is given by its short form, which every file function
    // finds; without one the answer is empty rather than a path with question marks that names no file.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    std::string name;
    if (TryWideToAnsi(path, name))
        return name;
    const DWORD shortSize = GetShortPathNameW(path.c_str(), nullptr, 0);
    std::wstring shortPath(shortSize, L'\0');
    const DWORD n = shortSize ? GetShortPathNameW(path.c_str(), shortPath.data(), shortSize) : 0;
    if (n == 0 || n >= shortSize)
        return {};
    shortPath.resize(n);
    return TryWideToAnsi(shortPath, name) ? name : std::string();
}

void TApplication::CreateHandle()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = AppWndProc;
        wc.hInstance = Instance();
        wc.lpszClassName = kAppClass;
        wc.hIcon = LoadIconA(Instance(), "MAINICON");
        if (!wc.hIcon)
            wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        RegisterClassA(&wc);
        registered = true;
    }
    if (FTitle.empty()) {
        std::string exe = ExtractFileName(ExeName());
        std::size_t dot = exe.rfind('.');
        FTitle = dot == std::string::npos ? exe : exe.substr(0, dot);
    }
    // A window without size, centred, never seen itself: it carries the taskbar button and owns the forms.
    FHandle = CreateWindowExA(0, kAppClass, FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, Instance(), nullptr);
    if (!FHandle)
        throw EOutOfResources("Error creating window");
    if (!FIcon.Handle()) {
        HICON icon = LoadIconA(Instance(), "MAINICON");
        if (icon)
            FIcon.SetHandle(CopyIcon(icon));
    }
}

HWND TApplication::Handle()
{
    if (!FHandle && !Destroying())
        CreateHandle();
    return FHandle;
}

void TApplication::DispatchAppMessage(HWND wnd, TMessage& message)
{
    if (!FHandle)
        FHandle = wnd;  // messages sent while CreateWindowEx runs
    for (std::size_t i = 0; i < FHooks.size(); ++i) {
        TWindowHook hook = FHooks[i].second;
        if (hook && hook(message))
            return;
    }
    WndProc(message);
}

void TApplication::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE:
            Minimize();
            message.Result = 0;
            return;
        case SC_RESTORE:
            Restore();
            message.Result = 0;
            return;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        if (FMainForm)
            FMainForm->Close();
        message.Result = 0;
        return;
    case WM_QUERYENDSESSION:
        message.Result = 1;
        return;
    case WM_TIMER:
        if (message.WParam == kHintShowTimer || message.WParam == kHintHideTimer) {
            HintTimer(message.WParam == kHintHideTimer);
            message.Result = 0;
            return;
        }
        break;
    case WM_ACTIVATEAPP:
        break;
    case WM_SETFOCUS:
        // Focus given to the application window goes on to the main form.
        if (FMainForm && FMainForm->HandleAllocated() && IsWindowVisible(FMainForm->Handle()) &&
            IsWindowEnabled(FMainForm->Handle())) {
            ::SetFocus(FMainForm->Handle());
            message.Result = 0;
            return;
        }
        break;
    default:
        break;
    }
    message.Result = DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam);
}

void TApplication::HookMainWindow(const void* key, TWindowHook hook)
{
    UnhookMainWindow(key);
    FHooks.emplace_back(key, std::move(hook));
}

void TApplication::UnhookMainWindow(const void* key)
{
    FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(), [key](auto& h) { return h.first == key; }),
                 FHooks.end());
}

void TApplication::Minimize()
{
    if (!FHandle)
        return;
    // Minimizing the owner hides the forms it owns; restoring shows them again.
    ShowWindow(FHandle, SW_MINIMIZE);
}

void TApplication::Restore()
{
    if (!FHandle)
        return;
    if (IsIconic(FHandle))
        ShowWindow(FHandle, SW_RESTORE);
    else
        ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    if (FMainForm && FMainForm->HandleAllocated() && FMainForm->Visible())
        SetActiveWindow(FMainForm->Handle());
}

void TApplication::BringToFront()
{
    HWND target = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : FHandle;
    if (target)
        SetForegroundWindow(GetLastActivePopup(target));
}

bool TApplication::Minimized() const { return FHandle && IsIconic(FHandle); }

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : Handle();
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

bool TApplication::IsKeyMsg(MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    if (msg.wParam != VK_TAB && msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)
        return false;
    TWinControl* control = nullptr;
    for (HWND w = msg.hwnd; w && !control; w = GetParent(w))
        control = TWinControl::FindControl(w);
    if (!control)
        return false;
    TForm* form = control->AsForm() ? control->AsForm() : GetParentForm(control);
    if (!form || !form->HandleAllocated())
        return false;
    if (msg.wParam == VK_TAB) {
        bool back = GetKeyState(VK_SHIFT) < 0;
        HWND next = GetNextDlgTabItem(form->Handle(), msg.hwnd, back);
        if (next)
            ::SetFocus(next);
        return true;
    }
    // Enter clicks the focused button or the form's default button, Escape the cancel button.
    auto* focusedButton = dynamic_cast<TButton*>(control);
    if (msg.wParam == VK_RETURN && focusedButton) {
        focusedButton->Click();
        return true;
    }
    std::vector<TWinControl*> stack{form};
    while (!stack.empty()) {
        TWinControl* c = stack.back();
        stack.pop_back();
        for (TControl* child : c->Controls()) {
            if (auto* button = dynamic_cast<TButton*>(child)) {
                bool wanted = msg.wParam == VK_RETURN ? button->Default() : button->Cancel;
                if (wanted && button->Visible() && button->Enabled()) {
                    button->Click();
                    return true;
                }
            }
            if (auto* win = child->AsWinControl())
                stack.push_back(win);
        }
    }
    return false;
}

bool TApplication::IsPreviewKey(MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    TWinControl* control = nullptr;
    for (HWND w = msg.hwnd; w && !control; w = GetParent(w))
        control = TWinControl::FindControl(w);
    TForm* form = control ? (control->AsForm() ? control->AsForm() : GetParentForm(control)) : nullptr;
    if (!form || !(form->KeyPreview || form == control) || !form->OnKeyDown)
        return false;
    auto key = static_cast<unsigned short>(msg.wParam);
    form->OnKeyDown(form, key, KeyboardShiftState());
    return key == 0;
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        return false;
    bool unicode = msg.hwnd && IsWindowUnicode(msg.hwnd);
    BOOL got = unicode ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    if (!got)
        return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    switch (msg.message) {
    case WM_MOUSEMOVE:
        HintMouseMessage(msg);
        break;
    case WM_NCMOUSEMOVE:
        if (FHintControl) {
            CancelHint();
            FHintControl = nullptr;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        CancelHint();
        break;
    default:
        break;
    }
    if (IsPreviewKey(msg))
        return true;
    if (!IsKeyMsg(msg)) {
        TranslateMessage(&msg);
        if (unicode)
            DispatchMessageW(&msg);
        else
            DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (!ProcessMessage(msg)) {
        if (OnIdle) {
            try {
                OnIdle(this);
            } catch (...) {
                HandleException(this);
            }
        }
        WaitMessage();
    }
}

void TApplication::Run()
{
    if (FTerminated)
        return;
    Handle();
    // A termination requested before the loop (a second instance ending itself) keeps the window hidden.
    if (ShowMainForm && FMainForm && !FTerminateRequested) {
        try {
            if (FMainForm->FWindowState == wsMinimized) {
                FMainForm->Show();
                Minimize();
            } else {
                FMainForm->Show();
            }
        } catch (...) {
            HandleException(this);
        }
    }
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate()
{
    FTerminateRequested = true;
    PostQuitMessage(0);
}

void TApplication::ResetTerminated()
{
    // Take up a request that no loop has seen yet, so the next loop starts clean.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    FTerminated = false;
    FTerminateRequested = false;
}

void TApplication::HandleException(TObject* sender) noexcept
{
    std::exception_ptr current = std::current_exception();
    if (!current)
        return;
    try {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            if (OnException)
                OnException(sender, e);
            else
                ShowException(e);
        } catch (...) {
            Exception unknown("Unknown error");
            if (OnException)
                OnException(sender, unknown);
            else
                ShowException(unknown);
        }
    } catch (...) {
        // The report itself failed; nothing sensible is left to do with it.
    }
}

void TApplication::ShowException(const std::exception& error)
{
    std::string text = ExceptionMessage(error);
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = FHandle;
    ::MessageBoxA(owner, text.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::Shutdown()
{
    if (FShutdown)
        return;
    FShutdown = true;
    CancelHint();
    FHintControl = nullptr;
    SetApplicationDestroying(true);
    SetDestroying();
    // Forms other than the main one first (newest first), then the main form.
    TForm* mainForm = FMainForm;
    auto components = Components();
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
        if (*it == mainForm)
            continue;
        auto& current = Components();
        if (std::find(current.begin(), current.end(), *it) != current.end())
            delete *it;
    }
    if (mainForm && mainForm->Owner() == this)
        delete mainForm;
    DestroyComponents();
    FMainForm = nullptr;
    if (FHandle) {
        if (!LeaveToProcessEnd(FHandle))
            DestroyWindow(FHandle);
        FHandle = nullptr;
    }
    SetApplicationDestroying(false);
}

} // namespace skyloom
