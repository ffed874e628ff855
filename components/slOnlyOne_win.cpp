#include "slOnlyOne.h"

namespace skyloom {

namespace {

// The registry holds the window handle as a 32-bit number; window handles keep their meaning in 32 bits on
// 64-bit Windows too (they are sign-extended when widened).
HWND HandleFromValue(DWORD value) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(value))); }
DWORD ValueFromHandle(HWND wnd) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(wnd)); }

bool ReadRegistration(const std::string& title, DWORD& value)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, OnlyOneRegistryKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    TOwnedKey key(raw);
    DWORD type = 0;
    DWORD size = sizeof value;
    return RegQueryValueExA(key.Get(), title.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof value;
}

} // namespace

TslOnlyOne::TslOnlyOne(TComponent* owner)
    : TslComponent(owner), FMessageHook(std::make_unique<TslSimpleMessageHook>(this))
{
}

TslOnlyOne::~TslOnlyOne()
{
    FMutex.Reset();
    DWORD value = 0;
    if (FRegistered && ReadRegistration(Application.Title(), value) && HandleFromValue(value) == FRegistered) {
        HKEY raw = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, OnlyOneRegistryKey, 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS) {
            TOwnedKey key(raw);
            RegDeleteValueA(key.Get(), Application.Title().c_str());
        }
    }
    FMessageHook.reset();
}

bool TslOnlyOne::AlreadyRunning()
{
    if (FRunning >= 0)
        return FRunning != 0;
    SetLastError(ERROR_SUCCESS);
    TOwnedHandle mutex(CreateMutexA(nullptr, FALSE, OnlyOneMutexName(Application.Title()).c_str()));
    // A mutex that cannot be made (for instance one another user's instance holds with other rights) also
    // counts as a running instance: better one program too few than two.
    const bool running = !mutex.Valid() || GetLastError() == ERROR_ALREADY_EXISTS;
    if (!running)
        FMutex = std::move(mutex);
    FRunning = running ? 1 : 0;
    return running;
}

HWND TslOnlyOne::RegisteredWindow() const
{
    DWORD value = 0;
    return ReadRegistration(Application.Title(), value) ? HandleFromValue(value) : nullptr;
}

void TslOnlyOne::SendToFirst(UINT msg)
{
    HWND first = RegisteredWindow();
    if (!first)
        return;
    // The first instance may take the foreground when it comes forward; that right is ours to give.
    DWORD pid = 0;
    if (GetWindowThreadProcessId(first, &pid) != 0)
        AllowSetForegroundWindow(pid);
    // The first instance handles the request on its own thread. Waiting without a bound would freeze this start
    // for good if that instance hangs; a hung one is not waited for, a slow one gets RequestTimeout.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(first, msg, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, RequestTimeout, &result);
}

void TslOnlyOne::SwitchToFirstInstance() { SendToFirst(OnlyOneSwitchMessage); }

void TslOnlyOne::CloseFirstInstance() { SendToFirst(OnlyOneCloseMessage); }

void TslOnlyOne::Loaded()
{
    TslComponent::Loaded();
    if (Designing())
        return;
    TOnlyOneSettings settings;
    settings.CloseSecond = CloseSecond;
    settings.CloseFirst = CloseFirst;
    settings.SwitchToFirst = SwitchToFirst;
    OnlyOneLoadedStep(*this, settings);
}

void TslOnlyOne::RaiseAlreadyExist() { Fire(OnAlreadyExist, this); }

bool TslOnlyOne::MayEndThisInstance()
{
    bool terminate = true;
    Fire(OnForcedTermination, this, terminate);
    return terminate;
}

void TslOnlyOne::EndThisInstance()
{
    // During start-up there is no main window yet; the termination request then waits for the message loop.
    if (TForm* main = Application.MainForm())
        main->Close();
    Application.Terminate();
}

void TslOnlyOne::RegisterThisInstance()
{
    FRegistered = MessageWindow();
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, OnlyOneRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return; // later instances then find no receiver for their requests; the mutex still stops them
    TOwnedKey key(raw);
    const DWORD value = ValueFromHandle(FRegistered);
    RegSetValueExA(key.Get(), Application.Title().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

void TslOnlyOne::MessageHandler(TMessage& message)
{
    if (message.Msg == OnlyOneSwitchMessage) {
        if (TForm* form = HostForm(); form && form->HandleAllocated())
            SendMessageA(form->Handle(), OnlyOneSwitchMessage, 0, 0);
        HWND app = Application.Handle();
        HWND top = GetLastActivePopup(app);
        if (!top)
            top = app;
        // A program resting hidden in the tray stays there: only a window the user can see is restored.
        if (IsIconic(app) && IsWindowVisible(app))
            ShowWindow(app, SW_RESTORE);
        else if (IsWindowVisible(top))
            BringWindowToTop(top);
        SetForegroundWindow(top);
        message.Result = 1;
    } else if (message.Msg == OnlyOneCloseMessage) {
        if (MayEndThisInstance())
            EndThisInstance();
        message.Result = 1;
    }
}

} // namespace skyloom
