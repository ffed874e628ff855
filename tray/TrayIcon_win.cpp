#include "TrayIcon.h"

#include "slClasses_win.h"
#include "ThreadStack.h"
#include "Waits.h"
#include "WinHandles.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstring>
#include <deque>
#include <memory>

namespace skyloom {

static_assert(sizeof(void*) != 4 || TrayRecordSize == 488, "the 32-bit record carries tooltip and balloon fields");

namespace {

// The shell's balloon notices arrive through the same callback message.
constexpr UINT BalloonHide = WM_USER + 3;
constexpr UINT BalloonTimeout = WM_USER + 4;
constexpr UINT BalloonClick = WM_USER + 5;
constexpr unsigned ExitPollInterval = 20;
constexpr std::size_t MaxHint = 255;

UINT GTaskbarCreated = 0;
bool GTaskbarCreatedAsked = false;

// A system library's version as major * 100 + minor (0 when it cannot be read).
unsigned DllVersion(const char* name)
{
    TOwnedModule lib(LoadLibraryA(name));
    if (!lib)
        return 0;
    unsigned version = 0;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(lib.Get(), "DllGetVersion")));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (getVersion && SUCCEEDED(getVersion(&info)))
        version = info.dwMajorVersion * 100 + info.dwMinorVersion;
    return version;
}

TTrayMouseMessage MouseMessageOf(UINT msg)
{
    switch (msg) {
    case WM_MOUSEMOVE: return tmMouseMove;
    case WM_LBUTTONDOWN: return tmLeftDown;
    case WM_LBUTTONUP: return tmLeftUp;
    case WM_LBUTTONDBLCLK: return tmLeftDblClick;
    case WM_RBUTTONDOWN: return tmRightDown;
    case WM_RBUTTONUP: return tmRightUp;
    case WM_MBUTTONDOWN: return tmMiddleDown;
    case WM_MBUTTONUP: return tmMiddleUp;
    case BalloonHide: return tmBalloonHide;
    case BalloonTimeout: return tmBalloonTimeout;
    case BalloonClick: return tmBalloonClick;
    default: return tmOther;
    }
}

void CopyText(char* dest, std::size_t size, const std::string& text)
{
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

} // namespace

// Sits in front of the owner form's window procedure, in the same chain as every other hook of that window, so
// that it survives the window being re-created and leaves cleanly in any order.
class TTrayOwnerHook : public TslFormHookComponent {
public:
    TTrayOwnerHook(TTrayIcon* tray, TComponent* form) : TslFormHookComponent(tray, form), FTray(tray) {}

    void BeforeMessage(TMessage& message, bool& handled) override
    {
        handled = false;
        FTray->OwnerWindowMessage(message);
    }

private:
    TTrayIcon* FTray;
};

UINT TTrayIcon::TaskbarCreatedMessage()
{
    if (!GTaskbarCreatedAsked) {
        GTaskbarCreatedAsked = true;
        // Shells older than the 4.71 common controls never send it.
        if (DllVersion("comctl32.dll") > 470)
            GTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    }
    return GTaskbarCreated;
}

bool TTrayIcon::BalloonsSupported()
{
    // Balloon notices came with the shell of Windows 2000 (shell32 5.0); older shells ignore the fields.
    static const bool supported = DllVersion("shell32.dll") >= 500;
    return supported;
}

TTrayIcon::TTrayIcon(TComponent* owner)
    : TComponent(owner),
      FMouse(*this),
      FCycleTimer(this, [this](TSimpleTimer&) { CycleTick(); }),
      FExitTimer(this, [this](TSimpleTimer&) {
          POINT p;
          if (GetCursorPos(&p))
              FMouse.ExitTimerTick({p.x, p.y});
      })
{
    const UINT id = TTrayIconHandler::AddRef(this);
    FIcon.OnChange = [this](TObject*) { IconChanged(); };
    FRecord.cbSize = TrayRecordSize;
    FRecord.hWnd = TTrayIconHandler::Handle();
    FRecord.uID = id;
    FRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    FRecord.uCallbackMessage = TrayCallbackMessage;
    RefreshRecord();
    TaskbarCreatedMessage();
    if (!Designing()) {
        Application.HookMainWindow(this, [this](TMessage& m) { return AppWindowMessage(m); });
        FAppHooked = true;
        if (TForm* form = OwnerForm())
            FOwnerHook = new TTrayOwnerHook(this, form);
    }
}

TTrayIcon::~TTrayIcon()
{
    SetDestroying();
    RemoveTrayIcon();
    FCycleTimer.Stop();
    FExitTimer.Stop();
    FMouse.Reset();
    FIcon.OnChange = nullptr;
    try {
        FIcon.SetHandle(nullptr);
    } catch (...) {
        // A broken icon handle must not keep the component from going away.
    }
    if (FOwnerHook) {
        TTrayOwnerHook* hook = std::exchange(FOwnerHook, nullptr);
        delete hook;
    }
    if (FAppHooked)
        Application.UnhookMainWindow(this);
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    TTrayIconHandler::Release(FRecord.uID);
}

TForm* TTrayIcon::OwnerForm() const { return Owner() ? Owner()->AsForm() : nullptr; }

void TTrayIcon::Loaded()
{
    TComponent::Loaded();
    if (TForm* form = OwnerForm(); form && !Designing()) {
        bool show = true;
        Fire(OnStartup, this, show);
        if (!show) {
            Application.ShowMainForm = false;
            HideMainWindow();
        }
    }
    UpdateTrayIcon();
    SetIconVisible(FIconVisible);
    ApplyTimers();
    FNT4 = IsNT4OrOlder();
}

void TTrayIcon::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    ForgetRemoved(component, operation, FPopupMenu, FOwnerHook);
}

void TTrayIcon::RefreshRecord()
{
    FRecord.hWnd = TTrayIconHandler::Handle();
    FRecord.hIcon = FIcon.Handle();
    CopyText(FRecord.szTip, sizeof FRecord.szTip, TrayTipText(FHint, FShowHint));
}

namespace {

// How long a removal is waited for before the program goes on without the shell's answer.
constexpr DWORD RemovalWaitMs = 300;
// How long a request whose answer is wanted (a balloon) waits for those queued before it and for its own.
constexpr DWORD AnswerWaitMs = 3000;

} // namespace

// The requests of one icon to the shell, sent in the order they were made from a worker thread of their own.
// The shell answers each one only when it has dealt with it: at start-up that is several requests in a row, and
// Wine's shell without a virtual desktop first hides its own tray window when the last icon goes, which takes it
// seconds. The window thread therefore never waits for the shell unless it needs an answer, and then only briefly.
// The queue belongs to the component and to its worker together, so a worker still waiting for the shell when the
// component goes finishes on its own.
class TShellSender {
public:
    TShellSender() : FIdle(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

    // Queues one command with the record as it is now, and starts the worker when none is running and the commands
    // are not held.
    static void Send(const std::shared_ptr<TShellSender>& self, DWORD command, const NOTIFYICONDATAA& record,
                     std::function<void(bool answer)> answered = {})
    {
        TRequest request{command, record, TOwnedIcon(), std::move(answered)};
        // The component may change or free its icon before the worker gets to the request: it sends its own copy.
        if (record.hIcon) {
            request.Icon.Reset(CopyIcon(record.hIcon));
            request.Record.hIcon = request.Icon.Get();
        }
        {
            TSectionLock lock(self->FLock);
            self->FRequests.push_back(std::move(request));
            ResetEvent(self->FIdle.Get());
        }
        Start(self);
    }

    // Commands queued from now on wait until Release; the order stays the same.
    void Hold()
    {
        TSectionLock lock(FLock);
        FHeld = true;
    }

    static void Release(const std::shared_ptr<TShellSender>& self)
    {
        {
            TSectionLock lock(self->FLock);
            self->FHeld = false;
        }
        Start(self);
    }

    // Forgets the held requests when none was ever sent; true when that was so.
    bool DropIfNeverSent()
    {
        TSectionLock lock(FLock);
        if (!FHeld || FStarted)
            return false;
        FRequests.clear();
        FHeld = false;
        SetEvent(FIdle.Get());
        return true;
    }

    int SentCount()
    {
        TSectionLock lock(FLock);
        return FSentCount;
    }

    // Waits up to ms, serving messages sent to this thread, until every request queued so far has been answered.
    bool WaitSent(DWORD ms) { return WaitServingSent(FIdle.Get(), ms); }

    // The shell's answer to the request answered last.
    bool LastAnswer()
    {
        TSectionLock lock(FLock);
        return FLastAnswer;
    }

private:
    struct TRequest {
        DWORD Command;
        NOTIFYICONDATAA Record;
        TOwnedIcon Icon;
        std::function<void(bool answer)> Answered;  // called by the worker with the shell's answer; may be empty
    };

    // Starts the worker for the queued requests unless one is running or they are held.
    static void Start(const std::shared_ptr<TShellSender>& self)
    {
        {
            TSectionLock lock(self->FLock);
            if (self->FRunning || self->FHeld || self->FRequests.empty())
                return;
            self->FRunning = true;
            self->FStarted = true;
        }
        // With no thread to spare the requests are sent from here, in the same order.
        if (!StartDetachedThread([self] { self->SendQueued(); }))
            self->SendQueued();
    }

    void SendQueued()
    {
        for (;;) {
            TRequest request;
            {
                TSectionLock lock(FLock);
                if (FRequests.empty()) {
                    FRunning = false;
                    SetEvent(FIdle.Get());
                    return;
                }
                request = std::move(FRequests.front());
                FRequests.pop_front();
            }
            const bool answer = Shell_NotifyIconA(request.Command, &request.Record) != FALSE;
            if (request.Answered)
                request.Answered(answer);
            TSectionLock lock(FLock);
            FLastAnswer = answer;
            ++FSentCount;
        }
    }

    TCriticalSection FLock;
    std::deque<TRequest> FRequests;
    bool FRunning = false;
    bool FHeld = false;
    bool FStarted = false; // something was sent, or is being sent
    int FSentCount = 0;
    bool FLastAnswer = true;
    TOwnedHandle FIdle;
};

bool TTrayIcon::SendToShell(DWORD command)
{
    if (command == NIM_DELETE && FShell && FShell->DropIfNeverSent())
        return true;
    RefreshRecord();
    FRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TShellSender::Send(Shell(), command, FRecord);
    // A removal is waited for briefly, with whatever was held before it: at the program's end it has reached the
    // shell by then, and a caller that looks at the tray next finds the icon gone.
    if (command == NIM_DELETE) {
        ReleaseShell();
        if (FShell->WaitSent(RemovalWaitMs))
            return FShell->LastAnswer();
    }
    return true;
}

const std::shared_ptr<TShellSender>& TTrayIcon::Shell()
{
    if (!FShell)
        FShell = std::make_shared<TShellSender>();
    return FShell;
}

void TTrayIcon::HoldShell() { Shell()->Hold(); }

int TTrayIcon::ShellCommandsSent() { return FShell ? FShell->SentCount() : 0; }

void TTrayIcon::ReleaseShell()
{
    if (FShell)
        TShellSender::Release(FShell);
}

bool TTrayIcon::WaitForShell(DWORD ms)
{
    ReleaseShell();
    return !FShell || FShell->WaitSent(ms);
}

bool TTrayIcon::AddTrayIcon()
{
    if (!DesignPreview)
        FIconVisible = true;
    return SendToShell(NIM_ADD);
}

bool TTrayIcon::RemoveTrayIcon()
{
    if (!DesignPreview)
        FIconVisible = false;
    return SendToShell(NIM_DELETE);
}

bool TTrayIcon::UpdateTrayIcon() { return SendToShell(NIM_MODIFY); }

bool TTrayIcon::ShowBalloonHint(const std::string& title, const std::string& text, TBalloonHintIcon icon,
                                unsigned timeoutSeconds)
{
    PostBalloonHint(title, text, icon, timeoutSeconds);
    // The caller wants to know whether the balloon was shown; an answer still outstanding counts as on its way.
    return !FShell->WaitSent(AnswerWaitMs) || FShell->LastAnswer();
}

void TTrayIcon::PostBalloonHint(const std::string& title, const std::string& text, TBalloonHintIcon icon,
                                unsigned timeoutSeconds, std::function<void(bool shown)> answered)
{
    RefreshRecord();
    FRecord.uFlags = NIF_INFO;
    CopyText(FRecord.szInfoTitle, sizeof FRecord.szInfoTitle, title);
    CopyText(FRecord.szInfo, sizeof FRecord.szInfo, text);
    FRecord.uTimeout = timeoutSeconds * 1000;
    static constexpr DWORD flags[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
    FRecord.dwInfoFlags = flags[icon];
    TShellSender::Send(Shell(), NIM_MODIFY, FRecord, std::move(answered));
    ReleaseShell();
    // The balloon fields are a one-off request; later modifications must not show it again.
    FRecord.szInfo[0] = FRecord.szInfoTitle[0] = '\0';
    FRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
}

void TTrayIcon::SetIconVisible(bool value)
{
    if (value)
        AddTrayIcon();
    else
        RemoveTrayIcon();
}

void TTrayIcon::SetIcon(const TIcon& icon)
{
    FIcon.OnChange = nullptr;
    FIcon.Assign(icon);
    FIcon.OnChange = [this](TObject*) { IconChanged(); };
    UpdateTrayIcon();
}

void TTrayIcon::SetIcon(HICON icon)
{
    FIcon.OnChange = nullptr;
    FIcon.SetHandle(icon ? CopyIcon(icon) : nullptr);
    FIcon.OnChange = [this](TObject*) { IconChanged(); };
    UpdateTrayIcon();
}

void TTrayIcon::IconChanged() { UpdateTrayIcon(); }

void TTrayIcon::SetIconList(const std::vector<HICON>* list) { FIconList = list; }

void TTrayIcon::SetIconIndex(int value)
{
    FIconIndex = value;
    if (FIconList && value >= 0 && value < static_cast<int>(FIconList->size()))
        SetIcon((*FIconList)[static_cast<std::size_t>(value)]);
    else
        UpdateTrayIcon();
}

void TTrayIcon::SetHint(const std::string& value)
{
    FHint = value.substr(0, MaxHint);
    UpdateTrayIcon();
}

void TTrayIcon::SetShowHint(bool value)
{
    FShowHint = value;
    UpdateTrayIcon();
}

void TTrayIcon::SetPopupMenu(TPopupMenu* menu)
{
    SetNotifiedReference(FPopupMenu, menu, this);
}

void TTrayIcon::SetCycleIcons(bool value)
{
    FCycleIcons = value;
    if (!Loading())
        ApplyTimers();
}

void TTrayIcon::SetCycleInterval(unsigned value)
{
    FCycleInterval = value;
    if (!Loading())
        ApplyTimers();
}

void TTrayIcon::SetWantEnterExitEvents(bool value)
{
    FWantEnterExitEvents = value;
    if (!Loading())
        ApplyTimers();
}

void TTrayIcon::ApplyTimers()
{
    if (FCycleIcons && FCycleInterval > 0 && !Designing())
        FCycleTimer.Start(FCycleInterval);
    else
        FCycleTimer.Stop();
    if (FWantEnterExitEvents && !Designing())
        FExitTimer.Start(ExitPollInterval);
    else
        FExitTimer.Stop();
}

void TTrayIcon::CycleTick()
{
    if (!FIconList || FIconList->empty())
        return;
    const int count = static_cast<int>(FIconList->size());
    const int index = FIconIndex >= 0 && FIconIndex < count ? FIconIndex : 0;
    SetIcon((*FIconList)[static_cast<std::size_t>(index)]);
    const int next = NextCycleIndex(index, count);
    Fire(OnCycle, this, next);
    FIconIndex = next;
}

void TTrayIcon::HideMainWindow()
{
    TForm* main = Application.MainForm();
    if (!OwnerForm() || !main)
        return;
    main->SetVisible(false);
    ShowWindow(Application.Handle(), SW_HIDE);
}

void TTrayIcon::RestoreMainWindow()
{
    TForm* main = Application.MainForm();
    if (!OwnerForm() || !main)
        return;
    ShowWindow(Application.Handle(), SW_RESTORE);
    main->SetVisible(true);
    if (main->WindowState() == wsMinimized)
        main->SetWindowState(wsNormal);
    SetForegroundWindow(Application.Handle());
}

void TTrayIcon::TrayNotify(UINT msg)
{
    POINT p{};
    GetCursorPos(&p);
    TTrayMouseSettings settings;
    settings.Enabled = Enabled;
    settings.LeftPopup = LeftPopup;
    settings.WantEnterExitEvents = FWantEnterExitEvents;
    settings.HasDblClickHandler = static_cast<bool>(OnDblClick);
    settings.DoubleClickTime = GetDoubleClickTime();
    FMouse.HandleMessage(MouseMessageOf(msg), settings, KeyboardShiftState(true), {p.x, p.y});
}

void TTrayIcon::TrayClick() { Fire(OnClick, this); }
void TTrayIcon::TrayDblClick() { Fire(OnDblClick, this); }
void TTrayIcon::TrayMouseDown(TMouseButton button, TShiftState shift, TPoint at)
{
    Fire(OnMouseDown, this, button, shift, at.X, at.Y);
}
void TTrayIcon::TrayMouseUp(TMouseButton button, TShiftState shift, TPoint at)
{
    Fire(OnMouseUp, this, button, shift, at.X, at.Y);
}
void TTrayIcon::TrayMouseMove(TShiftState shift, TPoint at) { Fire(OnMouseMove, this, shift, at.X, at.Y); }
void TTrayIcon::TrayMouseEnter() { Fire(OnMouseEnter, this); }
void TTrayIcon::TrayMouseExit() { Fire(OnMouseExit, this); }

void TTrayIcon::TrayBalloon(TTrayMouseMessage which)
{
    if (which == tmBalloonHide)
        Fire(OnBalloonHintHide, this);
    else if (which == tmBalloonTimeout)
        Fire(OnBalloonHintTimeout, this);
    else
        Fire(OnBalloonHintClick, this);
}

void TTrayIcon::TrayPopupMenu()
{
    POINT p;
    if (!FPopupMenu || !FPopupMenu->AutoPopup || !GetCursorPos(&p))
        return;
    // The menu only closes on a click elsewhere when our thread owns the foreground, and only goes away cleanly
    // when a message follows it (the shell's own advice for notification-area menus).
    SetForegroundWindow(Application.Handle());
    Application.ProcessMessages();
    if (!FPopupMenu)
        return;
    FPopupMenu->PopupComponent = this;
    FPopupMenu->Popup(p.x, p.y);
    TForm* form = OwnerForm();
    HWND after = form && form->HandleAllocated() ? form->Handle() : Application.Handle();
    PostMessageA(after, WM_NULL, 0, 0);
}

void TTrayIcon::TrayDefaultCommand()
{
    if (!FPopupMenu || !FPopupMenu->AutoPopup)
        return;
    TMenuItem& top = FPopupMenu->Items();
    for (int i = 0; i < top.Count(); ++i) {
        if (TMenuItem* item = top.Items(i); item->Default()) {
            item->Click();
            return;
        }
    }
}

bool TTrayIcon::AppWindowMessage(TMessage& message)
{
    if (message.Msg == WM_SIZE && message.WParam == SIZE_MINIMIZED && MinimizeToTray) {
        HideMainWindow();
        SetIconVisible(true);
    } else if (GTaskbarCreated != 0 && message.Msg == GTaskbarCreated && FIconVisible) {
        AddTrayIcon();
    }
    return false;
}

void TTrayIcon::OwnerWindowMessage(TMessage& message)
{
    TForm* form = OwnerForm();
    if (!form)
        return;
    if (message.Msg == WM_ACTIVATE && LOWORD(message.WParam) != WA_INACTIVE) {
        TWinControl* active = form->ActiveControl();
        if (active && active->HandleAllocated()) {
            const HWND losing = reinterpret_cast<HWND>(message.LParam);
            const HWND guard = active->Parent() ? active->Parent()->Handle() : active->Handle();
            if (losing != guard)
                SetFocus(active->Handle());
        }
    } else if (message.Msg == WM_SHOWWINDOW && message.WParam != 0 && message.LParam == 0) {
        // Every showing of the main window brings its taskbar button back.
        ShowWindow(Application.Handle(), SW_RESTORE);
        SetForegroundWindow(Application.Handle());
        SetForegroundWindow(form->Handle());
    }
}

} // namespace skyloom
