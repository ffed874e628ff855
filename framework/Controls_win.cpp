#include "Controls.h"
#include "Forms.h"
#include "HiddenWindow.h"
#include "Menus.h"

#include <array>
#include <algorithm>
#include <map>
#include <utility>

namespace skyloom {

// ---- bound window procedures ----

namespace {

constexpr int kBoundSlots = 512;

struct TBoundSlot {
    TBoundWndProc::TProc Proc;
    bool Used = false;
};

std::array<TBoundSlot, kBoundSlots>& BoundSlots()
{
    // On the heap and never destroyed: a static table would be stored in the program file (the compiler places even
    // zero-filled data there when every object has a section of its own), and windows may still call their
    // procedures while the process ends.
    static auto* slots = new std::array<TBoundSlot, kBoundSlots>();
    return *slots;
}

int GBoundInUse = 0;
int GBoundNext = 0;

// The body that every slot's procedure shares. The procedures themselves only add their slot number, so that the
// pool costs a few bytes a slot instead of a copy of this body each.
LRESULT BoundSlotCall(int slot, HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    // A copy, so that the object may go away while its procedure runs.
    TBoundWndProc::TProc proc = BoundSlots()[static_cast<std::size_t>(slot)].Proc;
    if (!proc)
        return IsWindowUnicode(wnd) ? DefWindowProcW(wnd, msg, wparam, lparam)
                                    : DefWindowProcA(wnd, msg, wparam, lparam);
    return proc(wnd, msg, wparam, lparam);
}

template <int N>
LRESULT CALLBACK BoundSlotProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return BoundSlotCall(N, wnd, msg, wparam, lparam);
}

template <int... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeBoundTable(std::integer_sequence<int, I...>)
{
    return {&BoundSlotProc<I>...};
}

constexpr std::array<WNDPROC, kBoundSlots> kBoundTable = MakeBoundTable(std::make_integer_sequence<int, kBoundSlots>());

} // namespace

TBoundWndProc::TBoundWndProc(TProc proc)
{
    auto& slots = BoundSlots();
    // Round robin, so that a slot just released is not handed out again at once.
    for (int n = 0; n < kBoundSlots; ++n) {
        int i = (GBoundNext + n) % kBoundSlots;
        if (!slots[static_cast<std::size_t>(i)].Used) {
            slots[static_cast<std::size_t>(i)].Used = true;
            slots[static_cast<std::size_t>(i)].Proc = std::move(proc);
            FSlot = i;
            FProc = kBoundTable[static_cast<std::size_t>(i)];
            GBoundNext = (i + 1) % kBoundSlots;
            ++GBoundInUse;
            return;
        }
    }
    throw EOutOfResources("Too many bound window procedures");
}

TBoundWndProc::~TBoundWndProc()
{
    if (FSlot >= 0) {
        auto& slot = BoundSlots()[static_cast<std::size_t>(FSlot)];
        slot.Proc = nullptr;
        slot.Used = false;
        --GBoundInUse;
    }
}

int TBoundWndProc::Capacity() { return kBoundSlots; }
int TBoundWndProc::InUse() { return GBoundInUse; }

// ---- utility windows ----

namespace {

const char kUtilClass[] = "TPUtilWindow";

struct TUtilWindowData {
    TWndMethod Method;
};

LRESULT CALLBACK UtilWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* data = reinterpret_cast<TUtilWindowData*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!data || !data->Method)
        return DefWindowProcA(wnd, msg, wparam, lparam);
    TMessage m{msg, wparam, lparam, 0};
    TWndMethod method = data->Method;  // the window may be deallocated by the method
    try {
        method(m);
    } catch (...) {
        Application.HandleException(nullptr);
    }
    return m.Result;
}

THiddenWindowClass& UtilClass()
{
    // Never destroyed: windows may still be let go while the process ends.
    static THiddenWindowClass* utilClass = new THiddenWindowClass(kUtilClass, UtilWndProc);
    return *utilClass;
}

} // namespace

HWND AllocateHWnd(TWndMethod method, bool messageOnly)
{
    HWND wnd = messageOnly ? UtilClass().CreateMessageOnly(WS_POPUP, WS_EX_TOOLWINDOW)
                           : UtilClass().Create(nullptr, WS_POPUP, WS_EX_TOOLWINDOW);
    if (!wnd)
        throw EOutOfResources("Error creating window");
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TUtilWindowData{std::move(method)}));
    return wnd;
}

void DeallocateHWnd(HWND wnd)
{
    if (!wnd || !IsWindow(wnd))
        return;
    auto* data = reinterpret_cast<TUtilWindowData*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    UtilClass().Destroy(wnd);
    delete data;
}

bool LeaveToProcessEnd(HWND wnd)
{
    if (!wnd || !IsWindow(wnd) || !IsWindowVisible(wnd) || (GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD) != 0)
        return false;
    if (IsWindowUnicode(wnd))
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    else
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    return true;
}

void DefaultUtilityHandler(HWND wnd, TMessage& message)
{
    message.Result = DefWindowProcA(wnd, message.Msg, message.WParam, message.LParam);
}

namespace {

std::wstring MultiByteToWide(UINT codePage, std::string_view s)
{
    if (s.empty())
        return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string WideToMultiByte(UINT codePage, std::wstring_view s)
{
    if (s.empty())
        return std::string();
    int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string a(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), a.data(), n, nullptr, nullptr);
    return a;
}

} // namespace

std::wstring AnsiToWide(const std::string& s) { return MultiByteToWide(CP_ACP, s); }
std::string WideToAnsi(const std::wstring& s) { return WideToMultiByte(CP_ACP, s); }

bool TryWideToAnsi(std::wstring_view s, std::string& out)
{
    out.clear();
    if (s.empty())
        return true;
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, &lossy);
    if (n <= 0 || lossy)
        return false;
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                        &lossy);
    return !lossy;
}
std::wstring Utf8ToWide(std::string_view s) { return MultiByteToWide(CP_UTF8, s); }
std::string WideToUtf8(std::wstring_view s) { return WideToMultiByte(CP_UTF8, s); }

// ---- TScreen ----

TScreen Screen;

namespace {

// A pen pointing down to the left; the hot spot is its tip.
HCURSOR CreatePenCursor()
{
    int cx = GetSystemMetrics(SM_CXCURSOR), cy = GetSystemMetrics(SM_CYCURSOR);
    if (cx <= 0 || cy <= 0)
        cx = cy = 32;
    int rowBytes = ((cx + 15) / 16) * 2;
    std::vector<BYTE> andMask(static_cast<std::size_t>(rowBytes * cy), 0xFF);
    std::vector<BYTE> xorMask(static_cast<std::size_t>(rowBytes * cy), 0x00);
    auto set = [&](int x, int y, bool white) {
        if (x < 0 || y < 0 || x >= cx || y >= cy)
            return;
        std::size_t i = static_cast<std::size_t>(y * rowBytes + x / 8);
        BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
        andMask[i] = static_cast<BYTE>(andMask[i] & ~bit);
        if (white)
            xorMask[i] = static_cast<BYTE>(xorMask[i] | bit);
        else
            xorMask[i] = static_cast<BYTE>(xorMask[i] & ~bit);
    };
    // The shaft from the top right to the tip at the bottom left: a black outline with a white core.
    int length = std::min(cx, cy) - 4;
    for (int t = 0; t < length; ++t) {
        int x = t, y = length - 1 - t;
        for (int w = -2; w <= 2; ++w)
            set(x + w, y, std::abs(w) <= 1 && t > 2 && t < length - 2);
    }
    return CreateCursor(GetModuleHandleA(nullptr), 0, length - 1, cx, cy, andMask.data(), xorMask.data());
}

} // namespace

TScreen::~TScreen()
{
    for (auto& e : FTable)
        if (e.Owned && e.Handle)
            DestroyCursor(e.Handle);
}

void TScreen::InitTable()
{
    if (!FTable.empty())
        return;
    struct TStd {
        TCursor Id;
        LPCTSTR Name;
    };
    static const TStd standard[] = {
        {crArrow, IDC_ARROW},       {crCross, IDC_CROSS},        {crIBeam, IDC_IBEAM},
        {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},      {crSizeNWSE, IDC_SIZENWSE},
        {crSizeWE, IDC_SIZEWE},     {crUpArrow, IDC_UPARROW},    {crHourGlass, IDC_WAIT},
        {crNo, IDC_NO},             {crAppStart, IDC_APPSTARTING}, {crHelp, IDC_HELP},
        {crHandPoint, IDC_HAND},    {crSizeAll, IDC_SIZEALL},
    };
    FTable.push_back({crDefault, LoadCursor(nullptr, IDC_ARROW), false});
    FTable.push_back({crNone, nullptr, false});
    for (const TStd& c : standard)
        FTable.push_back({c.Id, LoadCursor(nullptr, c.Name), false});
    FTable.push_back({crslHand, LoadCursor(nullptr, IDC_HAND), false});
    FTable.push_back({crslPen, CreatePenCursor(), true});
}

HCURSOR TScreen::Cursors(TCursor id)
{
    InitTable();
    for (auto& e : FTable)
        if (e.Id == id)
            return e.Handle;
    return FTable.front().Handle;
}

void TScreen::SetCursors(TCursor id, HCURSOR cursor, bool owned)
{
    InitTable();
    for (auto& e : FTable)
        if (e.Id == id) {
            if (e.Owned && e.Handle && e.Handle != cursor)
                DestroyCursor(e.Handle);
            e.Handle = cursor;
            e.Owned = owned;
            return;
        }
    FTable.push_back({id, cursor, owned});
}

void TScreen::SetCursor(TCursor value)
{
    if (!UpdateField(FCursor, value))
        return;
    // Take effect now, not only at the next mouse move.
    POINT p;
    if (GetCursorPos(&p)) {
        HWND wnd = WindowFromPoint(p);
        if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId())
            SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        else if (value != crDefault)
            ::SetCursor(Cursors(value));
    }
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner)
{
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFont.OnChange = [this](TObject*) {
        // A font set on this control stops following the parent's.
        if (!FFontFromParent)
            FParentFont = false;
        FontChanged();
        if (auto* self = AsWinControl())
            for (TControl* c : self->FControls)
                c->ParentFontChanged();
    };
}

TControl::~TControl()
{
    SetDestroying();
    Application.CancelHintFor(this);
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent)
{
    if (FParent == parent)
        return;
    if (parent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (parent) {
        parent->InsertControl(this);
        ParentFontChanged();
        ParentColorChanged();
    }
}

void TControl::ParentFontChanged()
{
    if (!FParentFont || !FParent)
        return;
    FFontFromParent = true;
    FFont.Assign(FParent->Font());
    FFontFromParent = false;
}

void TControl::ParentColorChanged()
{
    if (!FParentColor || !FParent)
        return;
    if (FColor == FParent->Color())
        return;
    FColor = FParent->Color();
    ColorChanged();
}

void TControl::SetParentFont(bool value)
{
    FParentFont = value;
    if (value)
        ParentFontChanged();
}

void TControl::SetParentColor(bool value)
{
    FParentColor = value;
    if (value)
        ParentColorChanged();
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
        return;
    if (FParent && FVisible && !AsWinControl())
        Invalidate();
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged();
    if (FParent && FVisible && !AsWinControl())
        Invalidate();
}

TRect TControl::ClientRect() { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientSize(int width, int height) { SetBounds(FLeft, FTop, width, height); }

void TControl::VisibleChanged()
{
    if (FParent)
        FParent->InvalidateArea(BoundsRect());
}

void TControl::SetEnabled(bool value)
{
    if (UpdateField(FEnabled, value))
        EnabledChanged();
}

void TControl::SetCaption(const std::string& value)
{
    if (Caption() == value)
        return;
    FText = value;
    TextChanged();
}

void TControl::SetColor(TColor value)
{
    FParentColor = false;
    if (FColor == value)
        return;
    FColor = value;
    ColorChanged();
    if (auto* self = AsWinControl())
        for (TControl* c : self->FControls)
            c->ParentColorChanged();
}

void TControl::Click() { Fire(OnClick, this); }

bool TControl::EffectiveShowHint() const
{
    for (const TControl* c = this; c; c = c->FParent) {
        if (c->ShowHint)
            return true;
        if (!c->ParentShowHint)
            return false;
    }
    return false;
}

void TControl::SetCursor(TCursor value)
{
    if (!UpdateField(FCursor, value))
        return;
    // Under the pointer already: show it now.
    POINT p;
    if (FParent && GetCursorPos(&p)) {
        TPoint local = ScreenToClient(TPoint{p.x, p.y});
        if (local.X >= 0 && local.Y >= 0 && local.X < FWidth && local.Y < FHeight) {
            HWND wnd = AsWinControl() ? AsWinControl()->Handle() : FParent->Handle();
            if (WindowFromPoint(p) == wnd)
                SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        }
    }
}

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    SetNotifiedReference(FPopupMenu, menu, this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    ForgetRemoved(component, operation, FPopupMenu);
}

bool TControl::DoContextPopup(TPoint screen)
{
    if (!FPopupMenu || !FPopupMenu->AutoPopup)
        return false;
    if (screen.X == -1 && screen.Y == -1)
        screen = ClientToScreen(TPoint{0, 0});
    Application.CancelHint();
    FPopupMenu->PopupComponent = this;
    FPopupMenu->Popup(screen.X, screen.Y);
    return true;
}

void TControl::Invalidate()
{
    ++FInvalidateCount;
    if (FParent && FVisible)
        FParent->InvalidateArea(BoundsRect());
}

void TControl::Update()
{
    if (FParent)
        FParent->Update();
}

std::intptr_t TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam)
{
    TMessage m{msg, wparam, lparam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

TPoint TControl::ClientToScreen(TPoint p)
{
    POINT pt{p.X, p.Y};
    if (auto* self = AsWinControl()) {
        ::ClientToScreen(self->Handle(), &pt);
        return TPoint{pt.x, pt.y};
    }
    if (FParent) {
        TPoint q = FParent->ClientToScreen(TPoint{p.X + FLeft, p.Y + FTop});
        return q;
    }
    return p;
}

TPoint TControl::ScreenToClient(TPoint p)
{
    if (auto* self = AsWinControl()) {
        POINT pt{p.X, p.Y};
        ::ScreenToClient(self->Handle(), &pt);
        return TPoint{pt.x, pt.y};
    }
    if (FParent) {
        TPoint q = FParent->ScreenToClient(p);
        return TPoint{q.X - FLeft, q.Y - FTop};
    }
    return p;
}

TShiftState KeyboardShiftState(bool now)
{
    static const std::pair<int, TShiftState> keys[] = {{VK_SHIFT, ssShift}, {VK_CONTROL, ssCtrl}, {VK_MENU, ssAlt}};
    TShiftState s = 0;
    for (const auto& [key, flag] : keys)
        if ((now ? GetAsyncKeyState(key) : GetKeyState(key)) < 0)
            s |= flag;
    return s;
}

namespace {

// The shift state of a mouse message's key flags; Alt is not among them.
TShiftState KeysToShift(WPARAM keys)
{
    static const std::pair<WPARAM, TShiftState> flags[] = {
        {MK_SHIFT, ssShift}, {MK_CONTROL, ssCtrl}, {MK_LBUTTON, ssLeft}, {MK_RBUTTON, ssRight}, {MK_MBUTTON, ssMiddle}};
    TShiftState s = KeyboardShiftState() & ssAlt;
    for (const auto& [key, flag] : flags)
        if (keys & key)
            s |= flag;
    return s;
}

int XOf(LPARAM lp) { return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp))); }
int YOf(LPARAM lp) { return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp))); }

} // namespace

void TControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        TMouseButton b = message.Msg == WM_LBUTTONDOWN ? mbLeft : message.Msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
        if (b == mbLeft)
            FMouseCaptured = true;
        MouseDown(b, KeysToShift(message.WParam), XOf(message.LParam), YOf(message.LParam));
        break;
    }
    case WM_LBUTTONDBLCLK:
        FMouseCaptured = true;
        Fire(OnDblClick, this);
        MouseDown(mbLeft, KeysToShift(message.WParam) | ssDouble, XOf(message.LParam), YOf(message.LParam));
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        TMouseButton b = message.Msg == WM_LBUTTONUP ? mbLeft : message.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
        int x = XOf(message.LParam), y = YOf(message.LParam);
        bool clicked = b == mbLeft && FMouseCaptured && x >= 0 && y >= 0 && x < FWidth && y < FHeight;
        if (b == mbLeft)
            FMouseCaptured = false;
        if (clicked && FClickOnMouseUp)
            Click();
        MouseUp(b, KeysToShift(message.WParam), x, y);
        break;
    }
    case WM_MOUSEMOVE:
        MouseMove(KeysToShift(message.WParam), XOf(message.LParam), YOf(message.LParam));
        break;
    case CM_MOUSEENTER:
        Fire(OnMouseEnter, this);
        break;
    case CM_MOUSELEAVE:
        Fire(OnMouseLeave, this);
        break;
    default:
        break;
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) { (void)message; }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    Fire(OnMouseDown, this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    Fire(OnMouseUp, this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) { Fire(OnMouseMove, this, shift, x, y); }

// ---- TGraphicControl ----

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) { FClickOnMouseUp = true; }

void TGraphicControl::Invalidate() { TControl::Invalidate(); }

void TGraphicControl::Update() { TControl::Update(); }

void TGraphicControl::PaintOn(HDC dc)
{
    FCanvas.SetHandle(dc);
    FCanvas.Font().Assign(FFont);
    FCanvas.Brush().SetColor(FColor);
    try {
        Paint();
    } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
    }
    FCanvas.SetHandle(nullptr);
}

// ---- TWinControl ----

namespace {

ATOM ControlAtom()
{
    static ATOM atom = GlobalAddAtomA("SkyloomControl");
    return atom;
}

thread_local TWinControl* GCreationControl = nullptr;

struct TClassInfo {
    WNDPROC DefProc = nullptr;
};

std::map<std::string, TClassInfo>& RegisteredClasses()
{
    static std::map<std::string, TClassInfo> classes;
    return classes;
}

BOOL GetSystemClassInfo(const char* name, WNDCLASSA* wc) { return GetClassInfoA(nullptr, name, wc); }
BOOL GetSystemClassInfo(const wchar_t* name, WNDCLASSW* wc) { return GetClassInfoW(nullptr, name, wc); }
ATOM RegisterClassOf(const WNDCLASSA* wc) { return RegisterClassA(wc); }
ATOM RegisterClassOf(const WNDCLASSW* wc) { return RegisterClassW(wc); }

// Registers a control's window class in its ANSI or Unicode form, based on a system class or our own; answers the
// window procedure that gets what the control does not handle.
template <typename TWndClass, typename TChar>
WNDPROC RegisterControlClass(const TCreateParams& params, const TChar* base, const TChar* name, WNDPROC ownDefault,
                             WNDPROC windowProc)
{
    TWndClass wc{};
    WNDPROC defProc;
    if (!params.BaseClassName.empty()) {
        if (!GetSystemClassInfo(base, &wc))
            throw EOutOfResources("Window class " + params.BaseClassName + " is missing");
        defProc = wc.lpfnWndProc;
        wc.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    } else {
        defProc = ownDefault;
        wc.style = params.ClassStyle;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    }
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    if (!RegisterClassOf(&wc))
        throw EOutOfResources("Cannot register window class " + params.WinClassName);
    return defProc;
}

} // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner)
{
    FBrush.SetColor(FColor);
}

TWinControl::~TWinControl()
{
    SetDestroying();
    // Children go with us: the ones we own are freed by the component owner; the others are only unparented.
    while (!FControls.empty())
        FControls.back()->SetParent(nullptr);
    DestroyHandle();
}

TWinControl* TWinControl::FindControl(HWND wnd)
{
    if (!wnd)
        return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, MAKEINTATOM(ControlAtom())));
}

HWND TWinControl::Handle()
{
    if (!FHandle)
        CreateHandle();
    return FHandle;
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    if (FParent && !FParent->FHandle) {
        // The parent creates its children with itself.
        FParent->CreateHandle();
        if (FHandle)
            return;
    }
    CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = FText;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FVisible)
        params.Style |= WS_VISIBLE;
    if (TabStop)
        params.Style |= WS_TABSTOP;
    if (!FEnabled)
        params.Style |= WS_DISABLED;
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    params.WndParent = FParent ? FParent->FHandle : nullptr;
    params.WinClassName = "TWinControl";
}

void TWinControl::RegisterWindowClass(const TCreateParams& params, WNDPROC& defProc)
{
    auto& classes = RegisteredClasses();
    auto key = params.WinClassName + (params.Unicode ? "/W" : "/A");
    auto it = classes.find(key);
    if (it != classes.end()) {
        defProc = it->second.DefProc;
        return;
    }
    TClassInfo info;
    if (params.Unicode) {
        const std::wstring base = AnsiToWide(params.BaseClassName);
        const std::wstring name = AnsiToWide(params.WinClassName);
        info.DefProc = RegisterControlClass<WNDCLASSW>(params, base.c_str(), name.c_str(), DefWindowProcW, StdWndProc);
    } else {
        info.DefProc = RegisterControlClass<WNDCLASSA>(params, params.BaseClassName.c_str(),
                                                       params.WinClassName.c_str(), DefWindowProcA, StdWndProc);
    }
    classes[key] = info;
    defProc = info.DefProc;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation(Format("Control '%s' has no parent window", {Name}));
    RegisterWindowClass(params, FDefWndProc);
    FUnicode = params.Unicode;
    FOwnClass = params.BaseClassName.empty();
    FClickOnMouseUp = FOwnClass;
    GCreationControl = this;
    HWND wnd;
    if (params.Unicode) {
        wnd = CreateWindowExW(params.ExStyle, AnsiToWide(params.WinClassName).c_str(),
                              AnsiToWide(params.Caption).c_str(), params.Style, params.X, params.Y, params.Width,
                              params.Height, params.WndParent, params.Menu, GetModuleHandleA(nullptr), nullptr);
    } else {
        wnd = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                              params.X, params.Y, params.Width, params.Height, params.WndParent, params.Menu,
                              GetModuleHandleA(nullptr), nullptr);
    }
    GCreationControl = nullptr;
    if (!wnd)
        throw EOutOfResources("Error creating window");
    FHandle = wnd;
    if (!GetPropA(wnd, MAKEINTATOM(ControlAtom())))
        SetPropA(wnd, MAKEINTATOM(ControlAtom()), this);
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
    for (TWinControl* child : FTabList)
        if (!child->FHandle)
            child->CreateWnd();
}

void TWinControl::DestroyWnd() {}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    for (TWinControl* child : FTabList)
        child->DestroyHandle();
    DestroyWnd();
    HWND wnd = FHandle;
    if (ApplicationDestroying() && LeaveToProcessEnd(wnd)) {
        RemovePropA(wnd, MAKEINTATOM(ControlAtom()));
        FHandle = nullptr;
        return;
    }
    DestroyWindow(wnd);
    // Normally cleared by WM_NCDESTROY; make sure when the window was gone already.
    if (FHandle == wnd) {
        RemovePropA(wnd, MAKEINTATOM(ControlAtom()));
        FHandle = nullptr;
    }
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    DestroyHandle();
    CreateHandle();
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* control = FindControl(wnd);
    if (!control) {
        control = GCreationControl;
        if (!control)
            return IsWindowUnicode(wnd) ? DefWindowProcW(wnd, msg, wparam, lparam)
                                        : DefWindowProcA(wnd, msg, wparam, lparam);
        GCreationControl = nullptr;
        control->FHandle = wnd;
        SetPropA(wnd, MAKEINTATOM(ControlAtom()), control);
    }
    TMessage m{msg, wparam, lparam, 0};
    try {
        if (control->WindowProc)
            control->WindowProc(m);
        else
            control->WndProc(m);
    } catch (...) {
        Application.HandleException(control);
    }
    if (msg == WM_NCDESTROY) {
        RemovePropA(wnd, MAKEINTATOM(ControlAtom()));
        if (control->FHandle == wnd)
            control->FHandle = nullptr;
    }
    return m.Result;
}

LRESULT CALLBACK TWinControl::InitWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return StdWndProc(wnd, msg, wparam, lparam);
}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (!FHandle) {
        message.Result = 0;
        return;
    }
    WNDPROC proc = FDefWndProc ? FDefWndProc : (FUnicode ? DefWindowProcW : DefWindowProcA);
    message.Result = FUnicode ? CallWindowProcW(proc, FHandle, message.Msg, message.WParam, message.LParam)
                              : CallWindowProcA(proc, FHandle, message.Msg, message.WParam, message.LParam);
}

void TWinControl::InsertControl(TControl* control)
{
    control->FParent = this;
    FControls.push_back(control);
    if (auto* win = control->AsWinControl()) {
        FTabList.push_back(win);
        if (FHandle && !win->FHandle)
            win->CreateWnd();
    } else if (control->FVisible) {
        InvalidateArea(control->BoundsRect());
    }
}

void TWinControl::RemoveControl(TControl* control)
{
    if (auto* win = control->AsWinControl()) {
        win->DestroyHandle();
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), win), FTabList.end());
    } else if (control->FVisible) {
        InvalidateArea(control->BoundsRect());
    }
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    if (FMouseControl == control)
        FMouseControl = nullptr;
    if (FCaptureControl == control)
        FCaptureControl = nullptr;
    control->FParent = nullptr;
}

TControl* TWinControl::ControlAtPos(TPoint p)
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (c->AsWinControl() || !c->FVisible)
            continue;
        if (p.X >= c->FLeft && p.Y >= c->FTop && p.X < c->FLeft + c->FWidth && p.Y < c->FTop + c->FHeight)
            return c;
    }
    return nullptr;
}

int TWinControl::TabOrder() const { return FParent ? IndexIn(FParent->FTabList, this) : -1; }

void TWinControl::SetTabOrder(int value)
{
    if (!FParent)
        return;
    auto& list = FParent->FTabList;
    int current = TabOrder();
    if (current < 0)
        return;
    value = std::clamp(value, 0, static_cast<int>(list.size()) - 1);
    if (value == current)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
    FParent->UpdateTabOrder();
}

void TWinControl::UpdateTabOrder()
{
    // The platform walks tab stops in z-order: put the windows in tab order.
    HWND after = HWND_TOP;
    for (TWinControl* c : FTabList) {
        if (!c->FHandle)
            continue;
        SetWindowPos(c->FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        after = c->FHandle;
    }
}

void TWinControl::SetFocus()
{
    if (HWND h = Handle())
        ::SetFocus(h);
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus()
{
    for (TWinControl* c = this; c; c = c->FParent)
        if (!c->FVisible || !c->FEnabled)
            return false;
    return true;
}

TRect TWinControl::ClientRect()
{
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return Rect(r.left, r.top, r.right, r.bottom);
    }
    return TControl::ClientRect();
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
        return;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FHandle)
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    BoundsChanged();
}

void TWinControl::SetEnabled(bool value)
{
    if (!UpdateField(FEnabled, value))
        return;
    if (FHandle)
        EnableWindow(FHandle, value);
    EnabledChanged();
}

void TWinControl::EnabledChanged() {}

void TWinControl::InvalidateArea(const TRect& r)
{
    if (!FHandle)
        return;
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    InvalidateRect(FHandle, &rc, TRUE);
}

void TWinControl::Invalidate()
{
    ++FInvalidateCount;
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (FHandle)
        UpdateWindow(FHandle);
}

std::string TWinControl::Caption() const
{
    if (!FHandle)
        return FText;
    if (FUnicode) {
        int n = GetWindowTextLengthW(FHandle);
        std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
        n = GetWindowTextW(FHandle, w.data(), n + 1);
        w.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
        return WideToAnsi(w);
    }
    int n = GetWindowTextLengthA(FHandle);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    n = GetWindowTextA(FHandle, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    return s;
}

void TWinControl::SetCaption(const std::string& value)
{
    if (Caption() == value)
        return;
    FText = value;
    if (FHandle) {
        if (FUnicode)
            SetWindowTextW(FHandle, AnsiToWide(value).c_str());
        else
            SetWindowTextA(FHandle, value.c_str());
    }
    TextChanged();
}

void TWinControl::TextChanged()
{
    if (FOwnClass)
        Invalidate();
}

void TWinControl::ColorChanged()
{
    FBrush.SetColor(FColor);
    Invalidate();
}

void TWinControl::FontChanged()
{
    if (FHandle) {
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
        Invalidate();
    }
}

void TWinControl::VisibleChanged()
{
    if (FHandle)
        ShowWindow(FHandle, FVisible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EraseBackground(HDC dc)
{
    RECT r;
    GetClientRect(FHandle, &r);
    FillRect(dc, &r, FBrush.Handle());
}

void TWinControl::PaintWindow(HDC dc) { (void)dc; }

void TWinControl::PaintControls(HDC dc)
{
    for (TControl* c : FControls) {
        if (c->AsWinControl() || !c->FVisible)
            continue;
        auto* g = static_cast<TGraphicControl*>(c);
        int saved = SaveDC(dc);
        IntersectClipRect(dc, c->FLeft, c->FTop, c->FLeft + c->FWidth, c->FTop + c->FHeight);
        SetWindowOrgEx(dc, -c->FLeft, -c->FTop, nullptr);
        try {
            g->PaintOn(dc);
        } catch (...) {
            Application.HandleException(c);
        }
        RestoreDC(dc, saved);
    }
}

void TWinControl::DispatchToGraphic(TMessage& message, bool& handled)
{
    handled = false;
    switch (message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        break;
    case WM_MOUSELEAVE:
        if (FMouseControl) {
            TControl* c = FMouseControl;
            FMouseControl = nullptr;
            c->Perform(CM_MOUSELEAVE);
        }
        return;
    default:
        return;
    }
    TPoint p{XOf(message.LParam), YOf(message.LParam)};
    TControl* target = FCaptureControl ? FCaptureControl : ControlAtPos(p);
    if (message.Msg == WM_MOUSEMOVE && target != FMouseControl && !FCaptureControl) {
        TControl* old = FMouseControl;
        FMouseControl = target;
        if (old)
            old->Perform(CM_MOUSELEAVE);
        if (target) {
            target->Perform(CM_MOUSEENTER);
            TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, FHandle, 0};
            TrackMouseEvent(&tme);
        }
    }
    if (!target)
        return;
    if (message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) {
        FCaptureControl = target;
        SetCapture(FHandle);
    }
    int x = p.X - target->FLeft, y = p.Y - target->FTop;
    LPARAM lp = MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
    if (target->FEnabled)
        message.Result = target->Perform(message.Msg, message.WParam, lp);
    if (message.Msg == WM_LBUTTONUP && FCaptureControl) {
        FCaptureControl = nullptr;
        ReleaseCapture();
    }
    // The platform turns a right-button release into WM_CONTEXTMENU: the popup menu of the control under it.
    if (message.Msg == WM_RBUTTONUP)
        TWinControl::DefaultHandler(message);
    handled = true;
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_PAINT:
        if (FOwnClass) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(FHandle, &ps);
            try {
                PaintWindow(dc);
                PaintControls(dc);
            } catch (...) {
                EndPaint(FHandle, &ps);
                throw;
            }
            EndPaint(FHandle, &ps);
            message.Result = 0;
            return;
        }
        break;
    case WM_ERASEBKGND:
        if (FOwnClass) {
            EraseBackground(reinterpret_cast<HDC>(message.WParam));
            message.Result = 1;
            return;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(static_cast<DWORD_PTR>(message.LParam)) == HTCLIENT &&
            reinterpret_cast<HWND>(message.WParam) == FHandle) {
            TCursor cursor = Screen.Cursor();
            if (cursor == crDefault) {
                POINT p;
                GetCursorPos(&p);
                ::ScreenToClient(FHandle, &p);
                TControl* control = FOwnClass ? ControlAtPos(TPoint{p.x, p.y}) : nullptr;
                if (control && control->FEnabled)
                    cursor = control->FCursor;
                if (cursor == crDefault)
                    cursor = FCursor;
            }
            if (cursor != crDefault) {
                ::SetCursor(Screen.Cursors(cursor));
                message.Result = 1;
                return;
            }
        }
        break;
    case WM_CONTEXTMENU: {
        TPoint p{XOf(message.LParam), YOf(message.LParam)};
        TControl* target = this;
        if (!(p.X == -1 && p.Y == -1) && FOwnClass) {
            TPoint local = ScreenToClient(p);
            if (TControl* c = ControlAtPos(local))
                if (c->FEnabled && c->FPopupMenu)
                    target = c;
        }
        if (target->DoContextPopup(p)) {
            message.Result = 1;
            return;
        }
        break;
    }
    case WM_COMMAND:
        if (message.LParam) {
            if (auto* child = FindControl(reinterpret_cast<HWND>(message.LParam))) {
                message.Result = child->Perform(CN_BASE + WM_COMMAND, message.WParam, message.LParam);
                return;
            }
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(message.LParam);
        if (hdr)
            if (auto* child = FindControl(hdr->hwndFrom)) {
                message.Result = child->Perform(CN_BASE + WM_NOTIFY, message.WParam, message.LParam);
                return;
            }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (auto* child = FindControl(reinterpret_cast<HWND>(message.LParam))) {
            message.Result = child->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
            return;
        }
        break;
    case CN_BASE + WM_CTLCOLORSTATIC:
    case CN_BASE + WM_CTLCOLORBTN:
    case CN_BASE + WM_CTLCOLOREDIT:
    case CN_BASE + WM_CTLCOLORLISTBOX: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, ColorToRGB(FFont.Color()));
        SetBkColor(dc, ColorToRGB(FColor));
        message.Result = reinterpret_cast<LRESULT>(FBrush.Handle());
        return;
    }
    case WM_SETFOCUS:
        if (!AsForm())
            if (TForm* form = GetParentForm(this))
                form->FActiveControl = this;
        break;
    case WM_WINDOWPOSCHANGED: {
        auto* wp = reinterpret_cast<WINDOWPOS*>(message.LParam);
        if (wp && !(wp->flags & SWP_NOMOVE) && !AsForm()) {
            FLeft = wp->x;
            FTop = wp->y;
        }
        if (wp && !(wp->flags & SWP_NOSIZE)) {
            FWidth = wp->cx;
            FHeight = wp->cy;
        }
        break;
    }
    default:
        break;
    }
    if (FOwnClass && FHandle) {
        bool handled = false;
        DispatchToGraphic(message, handled);
        if (handled)
            return;
    }
    TControl::WndProc(message);
}

TForm* GetParentForm(TControl* control)
{
    TControl* c = control;
    while (c && c->Parent())
        c = c->Parent();
    return c ? c->AsForm() : nullptr;
}

} // namespace skyloom
