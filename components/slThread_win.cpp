#include "slThread.h"

#include "Forms.h"
#include "HiddenWindow.h"
#include "ThreadStack.h"
#include "Waits.h"
#include "WinHandles.h"

#include <windows.h>
#include <process.h>

#include <atomic>
#include <exception>
#include <mutex>

namespace skyloom {

// What a worker thread and its TslEventThread share. The worker holds a reference for as long as it runs, so a
// thread that was let go never touches a freed object.
struct TslThreadState {
    TslCustomThread* Component = nullptr;
    TOwnedHandle Handle;
    std::uint32_t Id = 0;
    std::atomic<bool> Terminated{false};
    std::atomic<bool> Suspended{true};
    std::atomic<bool> Running{false};
    // The component is being destroyed or has let this thread go: the worker no longer reaches the main thread.
    std::atomic<bool> Orphaned{false};
    std::atomic<bool> HandleExceptions{true};

    mutable std::mutex EventLock;
    TNotifyEvent OnExecute;
    TNotifyEvent OnException;
    TNotifyEvent OnTerminate;

    // The method of the Synchronize call in progress and what it raised; the worker and the main thread take turns
    // on them, separated by the sent message.
    const TThreadMethod* SyncMethod = nullptr;
    std::exception_ptr SyncError;

    TNotifyEvent Event(TNotifyEvent TslThreadState::*Which) const
    {
        std::lock_guard<std::mutex> guard(EventLock);
        return this->*Which;
    }
    void SetEvent(TNotifyEvent TslThreadState::*Which, TNotifyEvent Value)
    {
        std::lock_guard<std::mutex> guard(EventLock);
        this->*Which = std::move(Value);
    }
    // Main thread only.
    bool ComponentGone() const
    {
        if (Orphaned)
            return true;
        if (Component == nullptr)
            return false;
        return !*Component->FAlive || Component->Destroying() || (Component->Owner() != nullptr && Component->Owner()->Destroying());
    }
};

namespace {

constexpr int PriorityValues[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                                  THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                  THREAD_PRIORITY_TIME_CRITICAL};

constexpr char ThreadWindowClass[] = "TslThreadWindow";

thread_local TslThreadState* CurrentState = nullptr;

// The process-wide synchronisation window and the count of thread objects that use it.
LRESULT CALLBACK ThreadWindowProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

struct TThreadWindow {
    TCriticalSection Lock;
    // Style 0: an overlapped window that is never shown.
    TSharedHiddenWindow Window{ThreadWindowClass, ThreadWindowProc, 0};
    std::atomic<HWND> Handle{nullptr};
    std::atomic<DWORD> OwnerThread{0};
};

TThreadWindow& ThreadWindow()
{
    // Never destroyed: a worker that was let go may still look at it while the process ends.
    static TThreadWindow* window = new TThreadWindow;
    return *window;
}

LRESULT CALLBACK ThreadWindowProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg != SyncMessage)
        return DefWindowProcA(wnd, msg, wparam, lparam);
    auto* state = reinterpret_cast<TslThreadState*>(lparam);
    if (state == nullptr || state->SyncMethod == nullptr || state->ComponentGone())
        return 0;
    try {
        (*state->SyncMethod)();
    } catch (...) {
        // Exceptions must not cross the window procedure; the worker decides what happens to it.
        state->SyncError = std::current_exception();
    }
    return 0;
}

void JoinThreadWindow()
{
    TThreadWindow& tw = ThreadWindow();
    TSectionLock lock(tw.Lock);
    const bool first = tw.Window.Users() == 0;
    tw.Handle = tw.Window.AddUser();
    if (first)
        tw.OwnerThread = GetCurrentThreadId();
}

void LeaveThreadWindow()
{
    TThreadWindow& tw = ThreadWindow();
    TSectionLock lock(tw.Lock);
    if (tw.Window.Users() == 1)
        tw.Handle = nullptr;
    tw.Window.ReleaseUser();
}

bool OnWindowThread()
{
    return GetCurrentThreadId() == ThreadWindow().OwnerThread;
}

// The worker side of Synchronize.
void SynchronizeFrom(TslThreadState& State, const TThreadMethod& Method)
{
    if (State.Orphaned)
        return;
    const HWND wnd = ThreadWindow().Handle;
    if (wnd == nullptr)
        return;
    State.SyncMethod = &Method;
    State.SyncError = nullptr;
    SendMessageA(wnd, SyncMessage, 0, reinterpret_cast<LPARAM>(&State));
    State.SyncMethod = nullptr;
    std::exception_ptr error = std::exchange(State.SyncError, nullptr);
    if (error && !State.HandleExceptions)
        std::rethrow_exception(error);
}

// Hands an exception that nobody caught to the application's report on the main thread.
void ReportOnMainThread(TslThreadState& State, std::exception_ptr Error)
{
    const TThreadMethod report = [&State, Error] {
        try {
            std::rethrow_exception(Error);
        } catch (...) {
            Application.HandleException(State.Component);
        }
    };
    SynchronizeFrom(State, report);
}

void RunHandler(TslThreadState& State)
{
    std::exception_ptr unhandled;
    try {
        const TNotifyEvent execute = State.Event(&TslThreadState::OnExecute);
        if (execute && !State.Orphaned)
            execute(State.Component);
    } catch (...) {
        if (!State.HandleExceptions) {
            unhandled = std::current_exception();
        } else if (!State.Orphaned) {
            // The exception itself is dropped; OnException only learns that one happened.
            const TThreadMethod notify = [&State] { Fire(State.Event(&TslThreadState::OnException), State.Component); };
            try {
                SynchronizeFrom(State, notify);
            } catch (...) {
                unhandled = std::current_exception();
            }
        }
    }
    if (State.Event(&TslThreadState::OnTerminate)) {
        const TThreadMethod terminate = [&State] {
            const TNotifyEvent onTerminate = State.Event(&TslThreadState::OnTerminate);
            if (!State.HandleExceptions) {
                Fire(onTerminate, State.Component);
                return;
            }
            try {
                Fire(onTerminate, State.Component);
            } catch (...) {
                Fire(State.Event(&TslThreadState::OnException), State.Component);
            }
        };
        try {
            SynchronizeFrom(State, terminate);
        } catch (...) {
            if (!unhandled)
                unhandled = std::current_exception();
        }
    }
    // Without HandleExceptions the component does not catch; the application's default report shows the error
    // rather than letting it end the whole process from a worker thread.
    if (unhandled)
        ReportOnMainThread(State, unhandled);
}

unsigned __stdcall ThreadBody(void* Param)
{
    std::shared_ptr<TslThreadState> state;
    {
        auto* handover = static_cast<std::shared_ptr<TslThreadState>*>(Param);
        state = std::move(*handover);
        delete handover;
    }
    CurrentState = state.get();
    // Before the handler (the status loop never leaves it) and after it (the stack of an ended thread stays
    // allocated for a while): the worker holds only the stack it really uses.
    ReleaseUnusedStack();
    if (!state->Terminated) {
        state->Running = true;
        RunHandler(*state);
        state->Running = false;
    }
    CurrentState = nullptr;
    ReleaseUnusedStack();
    return 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// TslEventThread

TslEventThread::TslEventThread(TslCustomThread* Owner) : FState(std::make_shared<TslThreadState>())
{
    FState->Component = Owner;
    if (Owner != nullptr)
        FState->HandleExceptions = Owner->HandleExceptions();
    JoinThreadWindow();
    auto* handover = new std::shared_ptr<TslThreadState>(FState);
    unsigned id = 0;
    const std::uintptr_t handle = _beginthreadex(nullptr, 0, ThreadBody, handover, CREATE_SUSPENDED, &id);
    if (handle == 0) {
        delete handover;
        return;
    }
    FState->Handle.Reset(reinterpret_cast<HANDLE>(handle));
    FState->Id = id;
}

TslEventThread::~TslEventThread()
{
    if (!FState->Orphaned)
        HardEnd();
    LeaveThreadWindow();
}

void TslEventThread::HardEnd()
{
    FState->Terminated = true;
    if (HasThread()) {
        if (FState->Suspended) {
            // A thread that never ran must run to see the flag and end; one paused in its handler must run to
            // leave it.
            DWORD previous;
            do
                previous = ResumeThread(FState->Handle.Get());
            while (previous > 1 && previous != static_cast<DWORD>(-1));
            FState->Suspended = false;
        }
        WaitEnded(HardEndWaitMs);
    }
    FState->Orphaned = true;
}

bool TslEventThread::WaitEnded(unsigned MaxMs)
{
    if (!HasThread())
        return true;
    const HANDLE handle = FState->Handle.Get();
    // On the window thread a worker's Synchronize may be waiting for us while we wait for it.
    if (OnWindowThread())
        return WaitServingSent(handle, MaxMs);
    return WaitForSingleObject(handle, MaxMs) != WAIT_TIMEOUT;
}

void TslEventThread::Terminate() { FState->Terminated = true; }

bool TslEventThread::Suspended() const { return FState->Suspended; }

void TslEventThread::SetSuspended(bool Value)
{
    if (!HasThread() || Value == FState->Suspended)
        return;
    if (Value) {
        FState->Suspended = true;
        SuspendThread(FState->Handle.Get());
    } else if (ResumeThread(FState->Handle.Get()) == 1) {
        FState->Suspended = false;
    }
}

std::uint32_t TslEventThread::WaitFor()
{
    WaitEnded(INFINITE);
    DWORD code = 0;
    if (HasThread())
        GetExitCodeThread(FState->Handle.Get(), &code);
    return code;
}

void TslEventThread::Synchronize(const TThreadMethod& Method) { SynchronizeFrom(*FState, Method); }

TThreadPriority TslEventThread::Priority() const
{
    if (!HasThread())
        return tpNormal;
    const int value = GetThreadPriority(FState->Handle.Get());
    TThreadPriority found = tpNormal;
    bool matched = false;
    for (int p = tpIdle; p <= tpTimeCritical; ++p) {
        if (PriorityValues[p] == value) {
            found = static_cast<TThreadPriority>(p);
            matched = true;
        }
    }
    return matched ? found : tpNormal;
}

void TslEventThread::SetPriority(TThreadPriority Value)
{
    if (HasThread() && Value >= tpIdle && Value <= tpTimeCritical)
        SetThreadPriority(FState->Handle.Get(), PriorityValues[Value]);
}

std::unique_ptr<TslEventThread> TslEventThread::KillAndReplace()
{
    const TThreadPriority priority = Priority();
    HardEnd();
    auto fresh = std::make_unique<TslEventThread>(FState->Component);
    fresh->SetPriority(priority);
    fresh->SetOnTerminate(OnTerminate());
    fresh->SetOnExecute(OnExecute());
    fresh->SetOnException(OnException());
    return fresh;
}

bool TslEventThread::Terminated() const { return FState->Terminated; }
bool TslEventThread::Running() const { return FState->Running; }
bool TslEventThread::HasThread() const { return FState->Handle.Valid(); }
std::uint32_t TslEventThread::ThreadID() const { return FState->Id; }

TNotifyEvent TslEventThread::OnExecute() const { return FState->Event(&TslThreadState::OnExecute); }
void TslEventThread::SetOnExecute(TNotifyEvent Value)
{
    FState->SetEvent(&TslThreadState::OnExecute, std::move(Value));
}
TNotifyEvent TslEventThread::OnException() const { return FState->Event(&TslThreadState::OnException); }
void TslEventThread::SetOnException(TNotifyEvent Value)
{
    FState->SetEvent(&TslThreadState::OnException, std::move(Value));
}
TNotifyEvent TslEventThread::OnTerminate() const { return FState->Event(&TslThreadState::OnTerminate); }
void TslEventThread::SetOnTerminate(TNotifyEvent Value)
{
    FState->SetEvent(&TslThreadState::OnTerminate, std::move(Value));
}

// ---------------------------------------------------------------------------------------------------------------
// TslCustomThread

TslCustomThread::TslCustomThread(TComponent* Owner) : TslComponent(Owner)
{
    FThread = std::make_unique<TslEventThread>(this);
}

TslCustomThread::~TslCustomThread()
{
    // From here on nothing the worker asks for reaches the main thread; the handler is asked to stop and gets a
    // bounded time to do so.
    *FAlive = false;
    FThread.reset();
}

void TslCustomThread::Loaded()
{
    TslComponent::Loaded();
    if (!Designing())
        FThread->SetSuspended(FSuspendedSetting);
}

bool TslCustomThread::Suspended() const { return Designing() ? FSuspendedSetting : FThread->Suspended(); }

void TslCustomThread::SetSuspended(bool Value)
{
    FSuspendedSetting = Value;
    if (!Designing() && !Loading())
        FThread->SetSuspended(Value);
}

TThreadPriority TslCustomThread::Priority() const { return FThread->Priority(); }
void TslCustomThread::SetPriority(TThreadPriority Value) { FThread->SetPriority(Value); }

void TslCustomThread::SetHandleExceptions(bool Value)
{
    FHandleExceptions = Value;
    FThread->FState->HandleExceptions = Value;
}

void TslCustomThread::ReplaceThread()
{
    std::unique_ptr<TslEventThread> fresh = FThread->KillAndReplace();
    FThread = std::move(fresh);
}

bool TslCustomThread::Start()
{
    ReplaceThread();
    FThread->Resume();
    if (!WaitThread || !FThread->HasThread())
        return true;
    const std::shared_ptr<bool> alive = FAlive;
    const std::shared_ptr<TslThreadState> state = FThread->FState;
    const HANDLE handle = state->Handle.Get();
    for (;;) {
        const DWORD limit = WaitTimeout == 0 ? INFINITE : WaitTimeout;
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &handle, limit, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED)
            return true;
        if (r == WAIT_OBJECT_0 + 1) {
            Application.ProcessMessages();
            // A handler run meanwhile may have freed this component or ended the application.
            if (!*alive || Destroying() || Application.Terminated())
                return true;
            continue;
        }
        bool terminate = true;
        Fire(OnWaitTimeoutExpired, this, terminate);
        if (!*alive)
            return true;
        if (terminate)
            ReplaceThread();
        return !terminate;
    }
}

void TslCustomThread::Suspend() { FThread->Suspend(); }

void TslCustomThread::Stop(bool Kill)
{
    if (Kill)
        ReplaceThread();
    else
        FThread->Terminate();
}

void TslCustomThread::Synchronize(const TThreadMethod& Method)
{
    if (CurrentState != nullptr && CurrentState->Component == this)
        SynchronizeFrom(*CurrentState, Method);
    else
        FThread->Synchronize(Method);
}

bool TslCustomThread::IsRunning() const { return FThread->Running(); }

bool TslCustomThread::IsTerminated() const
{
    if (CurrentState != nullptr && CurrentState->Component == this)
        return CurrentState->Terminated;
    return FThread->Terminated();
}

bool TslCustomThread::CurrentTerminated() { return CurrentState != nullptr && CurrentState->Terminated; }

void TslCustomThread::SynchronizeCurrent(const TThreadMethod& Method)
{
    if (CurrentState != nullptr)
        SynchronizeFrom(*CurrentState, Method);
    else
        Method();
}

} // namespace skyloom
