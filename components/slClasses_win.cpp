#include "slClasses_win.h"

#include <algorithm>
#include <memory>

namespace skyloom {

namespace {

LONG_PTR GetWndLong(HWND wnd, int index)
{
    return IsWindowUnicode(wnd) ? GetWindowLongPtrW(wnd, index) : GetWindowLongPtrA(wnd, index);
}

LONG_PTR SetWndLong(HWND wnd, int index, LONG_PTR value)
{
    return IsWindowUnicode(wnd) ? SetWindowLongPtrW(wnd, index, value) : SetWindowLongPtrA(wnd, index, value);
}

WNDPROC CurrentProc(HWND wnd) { return reinterpret_cast<WNDPROC>(GetWndLong(wnd, GWLP_WNDPROC)); }

void InstallProc(HWND wnd, WNDPROC proc)
{
    if (CurrentProc(wnd) != proc)
        SetWndLong(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

LRESULT CallProc(WNDPROC proc, HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (!proc)
        return IsWindowUnicode(wnd) ? DefWindowProcW(wnd, msg, wparam, lparam) : DefWindowProcA(wnd, msg, wparam, lparam);
    return IsWindowUnicode(wnd) ? CallWindowProcW(proc, wnd, msg, wparam, lparam)
                                : CallWindowProcA(proc, wnd, msg, wparam, lparam);
}

TslHookList* GHookList = nullptr;
int GHookComponents = 0;

} // namespace

// ---- TslHookList ----

TslHookList* TslHookList::Instance() { return GHookList; }

TslHookList::TslHookList()
{
    FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TslHookList::~TslHookList()
{
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
}

void TslHookList::Acquire()
{
    ++GHookComponents;
    if (!GHookList)
        GHookList = new TslHookList();
}

void TslHookList::ReleaseIfEmpty()
{
    if (GHookComponents > 0)
        --GHookComponents;
    if (GHookComponents == 0 && GHookList) {
        TslHookList* list = GHookList;
        GHookList = nullptr;
        delete list;
    }
}

void TslHookList::AddHook(TslFormHookComponent* hook)
{
    if (IndexOf(hook) >= 0)
        return;
    Add(hook);
    Attach(hook);
}

void TslHookList::RemoveHook(TslFormHookComponent* hook)
{
    if (IndexOf(hook) < 0)
        return;
    HWND wnd = hook->FHookedWnd;
    if (wnd && IsWindow(wnd) && hook->FActive) {
        WNDPROC base = BaseProc(wnd);
        Remove(hook);
        hook->FActive = false;
        Relink(wnd, base);
    } else {
        Remove(hook);
    }
    Detach(hook);
}

WNDPROC TslHookList::BaseProc(HWND wnd) const
{
    for (int i = 0; i < Count(); ++i) {
        TslFormHookComponent* h = Hooks(i);
        if (h->FActive && h->FHookedWnd == wnd && h->FPrevWndProc)
            return h->FPrevWndProc;
    }
    return CurrentProc(wnd);
}

void TslHookList::Relink(HWND wnd, WNDPROC baseProc)
{
    WNDPROC previous = baseProc;
    TslFormHookComponent* last = nullptr;
    for (int i = 0; i < Count(); ++i) {
        TslFormHookComponent* h = Hooks(i);
        if (!h->FActive || h->FHookedWnd != wnd)
            continue;
        h->FPrevWndProc = previous;
        previous = h->EntryPoint();
        last = h;
    }
    InstallProc(wnd, last ? last->EntryPoint() : baseProc);
}

void TslHookList::Attach(TslFormHookComponent* hook)
{
    TWinControl* host = hook->HostControl();
    if (!host)
        return;
    if (!hook->FEntryPoint)
        hook->FEntryPoint = std::make_unique<TBoundWndProc>(
            [hook](HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) { return hook->HookProc(wnd, msg, wparam, lparam); });
    HWND wnd = host->Handle();
    hook->FHookedWnd = wnd;
    WNDPROC base = BaseProc(wnd);
    hook->FActive = true;
    Relink(wnd, base);
}

void TslHookList::Detach(TslFormHookComponent* hook)
{
    hook->FEntryPoint.reset();
    hook->FPrevWndProc = nullptr;
    hook->FActive = false;
}

void TslHookList::Rehook(HWND oldWnd)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Hooks(i)->FHookedWnd == oldWnd)
            Detach(Hooks(i));
    // A Rehooked step may add or remove hooks: walk a snapshot and check each is still listed.
    std::vector<TslFormHookComponent*> snapshot;
    for (int i = 0; i < Count(); ++i)
        snapshot.push_back(Hooks(i));
    for (TslFormHookComponent* h : snapshot) {
        if (GHookList != this)
            return;
        if (IndexOf(h) < 0 || h->FHookedWnd != oldWnd)
            continue;
        Attach(h);
        h->Rehooked();
    }
}

void TslHookList::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_QUERYENDSESSION:
        message.Result = 1;
        return;
    case SL_REHOOK:
        Rehook(reinterpret_cast<HWND>(message.LParam));
        return;
    default:
        DefaultUtilityHandler(FWindow, message);
    }
}

// ---- TslFormHookComponent ----

TslFormHookComponent::TslFormHookComponent(TComponent* owner) : TslComponent(owner)
{
    if (!owner || !owner->AsWinControl())
        throw Exception("Owner must be TWinControl or its descendant!");
    TslHookList::Acquire();
    try {
        JoinChain();
    } catch (...) {
        TslHookList::ReleaseIfEmpty();
        throw;
    }
}

TslFormHookComponent::TslFormHookComponent(TComponent* owner, TComponent* host) : TslComponent(owner)
{
    TslHookList::Acquire();
    FHost = nullptr;
    try {
        SetHost(host);
    } catch (...) {
        TslHookList::ReleaseIfEmpty();
        throw;
    }
}

TslFormHookComponent::~TslFormHookComponent()
{
    SetDestroying();
    LeaveChain();
    TslHookList::ReleaseIfEmpty();
}

TWinControl* TslFormHookComponent::HostControl() const { return FHost ? FHost->AsWinControl() : nullptr; }

void TslFormHookComponent::JoinChain()
{
    if (!HostControl() || Designing() || !TslHookList::Instance())
        return;
    TslHookList::Instance()->AddHook(this);
}

void TslFormHookComponent::LeaveChain()
{
    if (TslHookList* list = TslHookList::Instance())
        list->RemoveHook(this);
    else
        FEntryPoint.reset();
    FHookedWnd = nullptr;
}

void TslFormHookComponent::SetHost(TComponent* value)
{
    TslHookList* list = TslHookList::Instance();
    if (value == FHost && (!value || !value->AsWinControl() || (list && list->IndexOf(this) >= 0)))
        return;
    LeaveChain();
    TslComponent::SetHost(value);
    JoinChain();
}

void TslFormHookComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component == FHost && component)
        LeaveChain();
    TslComponent::Notification(component, operation);
}

HMENU TslFormHookComponent::HookedSystemMenu() { return FHookedWnd ? GetSystemMenu(FHookedWnd, FALSE) : nullptr; }

void TslFormHookComponent::BeforeMessage(TMessage& message, bool& handled)
{
    (void)message;
    (void)handled;
}

void TslFormHookComponent::AfterMessage(TMessage& message) { (void)message; }

void TslFormHookComponent::Rehooked()
{
    // The new window starts without the topmost state of the old one.
    if (!FHookedWnd)
        return;
    bool current = (GetWndLong(FHookedWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (current != FStayOnTop)
        SetWindowPos(FHookedWnd, FStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT TslFormHookComponent::HookProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    TMessage message{msg, wparam, lparam, 0};
    WNDPROC previous = FPrevWndProc;
    try {
        bool handled = false;
        TslHookList* list = TslHookList::Instance();
        if (msg == WM_DESTROY && !Destroying() && list && list->BaseProc(wnd) == FPrevWndProc)
            PostMessageA(list->UtilityWindow(), SL_REHOOK, 0, reinterpret_cast<LPARAM>(wnd));
        if (msg == SL_STAYONTOP) {
            // Another hook of this window changed the state: keep it as ours too, so that a re-created
            // window gets the state last set and not what each hook happened to store.
            // Only the one that changed it asks the system: should the system refuse the state, the hooks would
            // otherwise keep asking each other for ever.
            FStayOnTop = wparam != 0;
        }
        BeforeMessage(message, handled);
        if (!handled) {
            // The hook may have left the chain in BeforeMessage; the message still goes on.
            WNDPROC next = FPrevWndProc ? FPrevWndProc : previous;
            message.Result = CallProc(next, wnd, message.Msg, message.WParam, message.LParam);
        }
        // The window's procedure may have freed this component: look it up before touching it.
        list = TslHookList::Instance();
        if (list && list->IndexOf(this) >= 0)
            AfterMessage(message);
    } catch (...) {
        Application.HandleException(this);
    }
    return message.Result;
}

LONG_PTR TslFormHookComponent::HookedStyle() const { return FHookedWnd ? GetWndLong(FHookedWnd, GWL_STYLE) : 0; }

void TslFormHookComponent::SetHookedStyle(LONG_PTR value)
{
    if (FHookedWnd)
        SetWndLong(FHookedWnd, GWL_STYLE, value);
}

LONG_PTR TslFormHookComponent::HookedExStyle() const
{
    return FHookedWnd ? GetWndLong(FHookedWnd, GWL_EXSTYLE) : 0;
}

void TslFormHookComponent::SetHookedExStyle(LONG_PTR value)
{
    if (FHookedWnd)
        SetWndLong(FHookedWnd, GWL_EXSTYLE, value);
}

void TslFormHookComponent::RefreshFrame()
{
    if (FHookedWnd)
        SetWindowPos(FHookedWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TslFormHookComponent::SetZOrder(HWND insertAfter)
{
    if (FHookedWnd)
        SetWindowPos(FHookedWnd, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TslFormHookComponent::StayOnTop() const
{
    if (Designing() || !FHookedWnd || !IsWindow(FHookedWnd))
        return FStayOnTop;
    return (GetWndLong(FHookedWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void TslFormHookComponent::SetStayOnTop(bool value)
{
    if (value == StayOnTop())
        return;
    FStayOnTop = value;
    if (Designing() || !FHookedWnd)
        return;
    SetWindowPos(FHookedWnd, value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Every hook of the window hears of it (each finds the state already current).
    SendMessageA(FHookedWnd, SL_STAYONTOP, value ? 1 : 0, 0);
}

// ---- TslHFormHookComponent ----

TslHFormHookComponent::TslHFormHookComponent(TComponent* owner) : TslFormHookComponent(owner)
{
    FUtilityWindow = AllocateHWnd([this](TMessage& m) { UtilityWndProc(m); });
}

TslHFormHookComponent::TslHFormHookComponent(TComponent* owner, TComponent* host) : TslFormHookComponent(owner, host)
{
    FUtilityWindow = AllocateHWnd([this](TMessage& m) { UtilityWndProc(m); });
}

TslHFormHookComponent::~TslHFormHookComponent()
{
    SetDestroying();
    DeallocateHWnd(FUtilityWindow);
    FUtilityWindow = nullptr;
}

void TslHFormHookComponent::UtilityWndProc(TMessage& message)
{
    if (message.Msg == WM_QUERYENDSESSION) {
        message.Result = 1;
        return;
    }
    DefaultUtilityHandler(FUtilityWindow, message);
}

// ---- TslCustomAppHookComponent ----

// What the application window's procedure slot calls. It outlives the component when another procedure was
// installed over ours meanwhile: then it keeps passing messages down the chain.
struct TslAppHookState {
    TslCustomAppHookComponent* Owner = nullptr;
    WNDPROC Previous = nullptr;
};

TslCustomAppHookComponent::TslCustomAppHookComponent(TComponent* owner) : TslHFormHookComponent(owner)
{
    PostMessageA(UtilityWindow(), SL_HOOKAPP, 0, 0);
}

TslCustomAppHookComponent::TslCustomAppHookComponent(TComponent* owner, TComponent* host)
    : TslHFormHookComponent(owner, host)
{
    PostMessageA(UtilityWindow(), SL_HOOKAPP, 0, 0);
}

TslCustomAppHookComponent::~TslCustomAppHookComponent()
{
    SetDestroying();
    UnhookApp();
}

void TslCustomAppHookComponent::UtilityWndProc(TMessage& message)
{
    if (message.Msg == SL_HOOKAPP) {
        if (!Destroying())
            HookApp();
        return;
    }
    TslHFormHookComponent::UtilityWndProc(message);
}

void TslCustomAppHookComponent::HookApp()
{
    if (FAppState || Designing())
        return;
    HWND app = Application.Handle();
    if (!app)
        return;
    auto state = std::make_shared<TslAppHookState>();
    state->Owner = this;
    FAppEntry = std::make_unique<TBoundWndProc>([state](HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (!state->Owner)
            return CallProc(state->Previous, wnd, msg, wparam, lparam);
        return state->Owner->AppHookProc(wnd, msg, wparam, lparam);
    });
    state->Previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(app, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FAppEntry->Proc())));
    FAppState = state;
    FAppWnd = app;
}

void TslCustomAppHookComponent::UnhookApp()
{
    if (!FAppState)
        return;
    FAppState->Owner = nullptr;
    if (IsWindow(FAppWnd) && CurrentProc(FAppWnd) == FAppEntry->Proc()) {
        SetWindowLongPtrA(FAppWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FAppState->Previous));
        FAppEntry.reset();
    } else if (IsWindow(FAppWnd)) {
        // Someone hooked the window after us and calls our procedure: keep it passing messages on.
        (void)FAppEntry.release();
    } else {
        FAppEntry.reset();
    }
    FAppState.reset();
    FAppWnd = nullptr;
}

LRESULT TslCustomAppHookComponent::AppHookProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    TMessage message{msg, wparam, lparam, 1};
    std::shared_ptr<TslAppHookState> state = FAppState;
    try {
        bool handled = false;
        BeforeAppMessage(message, handled);
        if (!handled)
            message.Result = CallProc(state->Previous, wnd, message.Msg, message.WParam, message.LParam);
        if (state->Owner)
            AfterAppMessage(message);
    } catch (...) {
        Application.HandleException(this);
    }
    return message.Result;
}

void TslCustomAppHookComponent::BeforeAppMessage(TMessage& message, bool& handled)
{
    (void)message;
    (void)handled;
}

void TslCustomAppHookComponent::AfterAppMessage(TMessage& message) { (void)message; }

// ---- TslHFormHookComponentWatchCaption ----

TslHFormHookComponentWatchCaption::TslHFormHookComponentWatchCaption(TComponent* owner)
    : TslCustomAppHookComponent(owner)
{
}

TslHFormHookComponentWatchCaption::TslHFormHookComponentWatchCaption(TComponent* owner, TComponent* host)
    : TslCustomAppHookComponent(owner, host)
{
}

void TslHFormHookComponentWatchCaption::AfterMessage(TMessage& message)
{
    TslCustomAppHookComponent::AfterMessage(message);
    if (message.Msg != WM_GETTEXT || message.LParam == 0 || message.WParam == 0)
        return;
    std::wstring text;
    TForm* form = HostForm();
    HWND formWnd = form && form->HandleAllocated() ? form->Handle() : FHookedWnd;
    auto length = static_cast<std::size_t>(message.Result < 0 ? 0 : message.Result);
    if (length >= message.WParam)
        length = message.WParam - 1;
    if (formWnd && IsWindowUnicode(formWnd))
        text.assign(reinterpret_cast<const wchar_t*>(message.LParam), length);
    else
        text = AnsiToWide(std::string(reinterpret_cast<const char*>(message.LParam), length));
    if (text != FCaption) {
        FCaption = text;
        PostMessageA(UtilityWindow(), SL_CAPTIONCHANGED, 0, 0);
    }
}

void TslHFormHookComponentWatchCaption::UtilityWndProc(TMessage& message)
{
    if (message.Msg == SL_CAPTIONCHANGED) {
        CaptionChanged();
        return;
    }
    TslCustomAppHookComponent::UtilityWndProc(message);
}

// ---- TslFormAnimationEffect ----

TslFormAnimationEffect::TslFormAnimationEffect(TComponent* owner) : TslFormHookComponent(owner) {}

TslFormAnimationEffect::TslFormAnimationEffect(TComponent* owner, TComponent* host) : TslFormHookComponent(owner, host) {}

void TslFormAnimationEffect::BeforeMessage(TMessage& message, bool& handled)
{
    TslFormHookComponent::BeforeMessage(message, handled);
    if (message.Msg == WM_SHOWWINDOW) {
        if (message.WParam)
            DoShowEffect();
        else
            DoHideEffect();
    }
}

// ---- TslSimpleMessageHook ----

namespace {

const char kSimpleHookClass[] = "TslSimpleMessageHook";
thread_local TslSimpleMessageHook* GCreatingHook = nullptr;

TslObjectList& LiveHooks()
{
    static TslObjectList list(false);
    return list;
}

} // namespace

THiddenWindowClass& TslSimpleMessageHook::WindowClass()
{
    static THiddenWindowClass* windowClass = new THiddenWindowClass(kSimpleHookClass, StartProc);
    return *windowClass;
}

TslSimpleMessageHook::TslSimpleMessageHook(TslComponent* owner)
    : FOwner(owner),
      FProc([this](HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) { return Proc(wnd, msg, wparam, lparam); })
{
    LiveHooks().Add(this);
    GCreatingHook = this;
    HWND wnd = WindowClass().Create(Application.Handle(), 0);
    GCreatingHook = nullptr;
    if (!wnd) {
        LiveHooks().Remove(this);
        throw EOutOfResources("Error creating window");
    }
    FHandle = wnd;
}

TslSimpleMessageHook::~TslSimpleMessageHook()
{
    WindowClass().Destroy(FHandle);
    FHandle = nullptr;
    LiveHooks().Remove(this);
}

int TslSimpleMessageHook::LiveCount() { return LiveHooks().Count(); }

LRESULT CALLBACK TslSimpleMessageHook::StartProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    TslSimpleMessageHook* hook = GCreatingHook;
    if (!hook)
        return DefWindowProcA(wnd, msg, wparam, lparam);
    GCreatingHook = nullptr;
    hook->FHandle = wnd;
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->FProc.Proc()));
    return hook->Proc(wnd, msg, wparam, lparam);
}

LRESULT TslSimpleMessageHook::Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    TMessage message{msg, wparam, lparam, 0};
    if (FOwner) {
        try {
            FOwner->MessageHandler(message);
        } catch (...) {
            Application.HandleException(FOwner);
        }
    }
    if (message.Result == 0)
        message.Result = DefWindowProcA(wnd, msg, wparam, lparam);
    return message.Result;
}

// ---- savers ----

TslCustomRegistrySaver::TslCustomRegistrySaver(TComponent* owner) : TslAddon(owner) {}

void TslCustomRegistrySaver::SetRegKey(const std::string& value)
{
    std::size_t b = value.find_first_not_of('\\');
    std::size_t e = value.find_last_not_of('\\');
    FRegKey = b == std::string::npos ? std::string() : value.substr(b, e - b + 1);
}

HKEY TslCustomRegistrySaver::RootKey() const
{
    return RegLocation == rlLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool TslCustomRegistrySaver::Idle() const
{
    return !Enabled || (FOwner && FOwner->Designing());
}

const std::string& TslCustomRegistrySaver::IniFile() const
{
    if (IniFileName.empty())
        throw Exception(".INI file not specified");
    return IniFileName;
}

void TslCustomRegistrySaver::Save() { Transfer(true); }

void TslCustomRegistrySaver::Load() { Transfer(false); }

void TslCustomRegistrySaver::Transfer(bool saving)
{
    if (Idle())
        return;
    // A value that cannot be saved is left as it was, and one that cannot be read keeps its current setting;
    // neither is a reason to stop.
    if (Storage == useIniFile) {
        TIniFile ini(IniFile());
        try {
            saving ? SaveToIni(ini) : LoadFromIni(ini);
        } catch (...) {
        }
        return;
    }
    try {
        TRegistry registry;
        registry.SetRootKey(RootKey());
        if (saving && ClearKeyBeforeSave)
            registry.DeleteKey(FRegKey);
        if (registry.OpenKey(FRegKey, saving))
            saving ? SaveToRegistry(registry) : LoadFromRegistry(registry);
    } catch (...) {
    }
}

void TslCustomRegistrySaver::SaveToRegistry(TRegistry& registry) { (void)registry; }
void TslCustomRegistrySaver::LoadFromRegistry(TRegistry& registry) { (void)registry; }
void TslCustomRegistrySaver::SaveToIni(TIniFile& ini) { (void)ini; }
void TslCustomRegistrySaver::LoadFromIni(TIniFile& ini) { (void)ini; }

void TslCustomRegistrySaver::Assign(const TPersistent& source)
{
    TslAddon::Assign(source);
    using T = TslCustomRegistrySaver;
    if (const auto* other = dynamic_cast<const T*>(&source))
        CopyFields(*this, *other, &T::FRegKey, &T::RegLocation, &T::IniFileName, &T::IniSection, &T::Storage,
                   &T::ClearKeyBeforeSave);
}

void TslValueRegistrySaver::Assign(const TPersistent& source)
{
    TslCustomRegistrySaver::Assign(source);
    if (auto* other = dynamic_cast<const TslValueRegistrySaver*>(&source))
        RegValue = other->RegValue;
}

// ---- TslFileStream ----

TslFileStream::TslFileStream(const std::string& fileName, bool keepAttributes, TslFileStreamMode mode)
    : FFileName(fileName)
{
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    bool changed = false;
    if (keepAttributes) {
        attributes = GetFileAttributesA(fileName.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) != 0)
            changed = SetFileAttributesA(fileName.c_str(), FILE_ATTRIBUTE_ARCHIVE) != 0;
    }
    HANDLE h = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           mode == fsmCreate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (changed)
        SetFileAttributesA(fileName.c_str(), attributes);
    if (h == INVALID_HANDLE_VALUE)
        throw EFCreateError(Format("Cannot create file %s", {fileName}));
    FHandle.Reset(h);
}

// ---- TslCustomPersistentControl ----

void TslCustomPersistentControl::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TslCustomPersistentControl*>(&source);
    if (!other) {
        TslPersistent::Assign(source);
        return;
    }
    TControl* from = other->FControl;
    FControl->SetCaption(from->Caption());
    FControl->SetVisible(from->Visible());
    FControl->SetEnabled(from->Enabled());
    FControl->Hint = from->Hint;
    FControl->ShowHint = from->ShowHint;
    FControl->ParentShowHint = from->ParentShowHint;
    FControl->SetCursor(from->Cursor());
    if (from->ParentFont())
        FControl->SetParentFont(true);
    else
        FControl->Font().Assign(from->Font());
    FControl->SetColor(from->Color());
    FControl->SetPopupMenu(from->PopupMenu());
}

} // namespace skyloom
