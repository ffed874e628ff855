// A component that runs its OnExecute handler on a worker thread of its own, with notifications on the main thread,
// calls from the worker into the main thread (Synchronize) and a restartable Start.
//
// Ending a thread whose handler is still running never kills it: the thread's terminated flag is set (a handler
// that runs for long polls it, through IsTerminated or CurrentTerminated), the main thread waits a bounded time
// while still serving the worker's Synchronize calls, and a handler that has not returned by then is let go: it
// keeps its own state alive, never reaches the main thread again, and dies with the process. So exiting never hangs,
// and no thread is ever stopped while it may hold a lock.
#pragma once

#include "slClasses.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace skyloom {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;
using TslThreadWaitTimeoutExpired = std::function<void(TObject* sender, bool& TerminateThread)>;

// Message the worker sends to the process-wide "TslThreadWindow" to run a method on the main thread.
inline constexpr unsigned SyncMessage = 36863;
// How long ending a running thread waits for its handler to notice the terminated flag before letting it go.
inline constexpr unsigned HardEndWaitMs = 250;

class TslCustomThread;
struct TslThreadState;

// One operating-system thread, created suspended; owned by a TslCustomThread.
class TslEventThread : public TObject {
public:
    explicit TslEventThread(TslCustomThread* Owner);
    ~TslEventThread() override;

    void Terminate();
    void Suspend() { SetSuspended(true); }
    void Resume() { SetSuspended(false); }
    bool Suspended() const;
    void SetSuspended(bool Value);
    // Waits until the thread has ended and answers its exit code. On the main thread, sent messages are served
    // meanwhile so the worker's Synchronize calls cannot deadlock the wait.
    std::uint32_t WaitFor();
    // From the worker: runs Method on the main thread and returns when it has finished.
    void Synchronize(const TThreadMethod& Method);
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority Value);
    // Ends this thread (see the header comment) and makes a fresh suspended one for the same component with the
    // same priority and events. The caller destroys this object afterwards.
    std::unique_ptr<TslEventThread> KillAndReplace();

    bool Terminated() const;
    bool Running() const;
    // The thread could be created; without one, resuming does nothing and Suspended stays true.
    bool HasThread() const;
    std::uint32_t ThreadID() const;

    TNotifyEvent OnExecute() const;
    void SetOnExecute(TNotifyEvent Value);
    TNotifyEvent OnException() const;
    void SetOnException(TNotifyEvent Value);
    TNotifyEvent OnTerminate() const;
    void SetOnTerminate(TNotifyEvent Value);

private:
    friend class TslCustomThread;
    // Asks a running handler to stop, waits for it up to HardEndWaitMs and lets it go if it does not return.
    void HardEnd();
    // Waits for the thread to end, serving sent messages on the main thread; false when MaxMs passed first.
    bool WaitEnded(unsigned MaxMs);
    std::shared_ptr<TslThreadState> FState;
};

class TslCustomThread : public TslComponent {
public:
    explicit TslCustomThread(TComponent* Owner);
    ~TslCustomThread() override;

    // Design value true (the default) keeps the thread waiting until resumed or started.
    bool Suspended() const;
    void SetSuspended(bool Value);
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority Value);
    bool HandleExceptions() const { return FHandleExceptions; }
    void SetHandleExceptions(bool Value);
    bool WaitThread = false;
    // Idle limit of Start's wait in milliseconds; 0: no limit.
    std::uint32_t WaitTimeout = 0;
    TslThreadWaitTimeoutExpired OnWaitTimeoutExpired;

    TNotifyEvent OnExecute() const { return FThread->OnExecute(); }
    void SetOnExecute(TNotifyEvent Value) { FThread->SetOnExecute(std::move(Value)); }
    TNotifyEvent OnException() const { return FThread->OnException(); }
    void SetOnException(TNotifyEvent Value) { FThread->SetOnException(std::move(Value)); }
    TNotifyEvent OnTerminate() const { return FThread->OnTerminate(); }
    void SetOnTerminate(TNotifyEvent Value) { FThread->SetOnTerminate(std::move(Value)); }

    // Runs the handler on a fresh thread (ending a running one first). With WaitThread, waits for it while the
    // interface keeps working; false when the wait timed out and the thread was ended.
    bool Start();
    void Suspend();
    // Kill false: sets the terminated flag. Kill true: ends the thread and replaces it by a fresh suspended one.
    void Stop(bool Kill);
    // From the worker: runs Method on the main thread and returns when it has finished. Does nothing once the
    // component or its owner is being destroyed.
    void Synchronize(const TThreadMethod& Method);
    bool IsRunning() const;
    // Called from one of this component's workers: that worker's own flag; elsewhere the current thread's.
    bool IsTerminated() const;

    // For handlers: whether the worker calling this was asked to stop (false outside a worker). Unlike the
    // members, these stay safe to call after the component has let the worker go.
    static bool CurrentTerminated();
    // For handlers: Synchronize through the calling worker's own thread object; runs Method directly when
    // called outside a worker.
    static void SynchronizeCurrent(const TThreadMethod& Method);

    TslEventThread& Thread() { return *FThread; }

protected:
    void Loaded() override;

private:
    friend class TslEventThread;
    friend struct TslThreadState;
    void ReplaceThread();
    std::unique_ptr<TslEventThread> FThread;
    bool FSuspendedSetting = true;
    bool FHandleExceptions = true;
    // Cleared by the destructor; Start's wait looks at it after handling messages that may have freed us.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

class TslThread : public TslCustomThread {
public:
    using TslCustomThread::TslCustomThread;
};

} // namespace skyloom
