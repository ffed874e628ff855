#include "slThread.h"

#include "Forms.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace skyloom {
namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// A root that owns the components of one test, like a form owns its components.
class ThreadTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Root.reset();
        PumpFor(20);
    }
    TslThread* NewThread()
    {
        return new TslThread(Root.get());
    }
    std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
    const DWORD MainThread = GetCurrentThreadId();
};

TEST_F(ThreadTest, RunsOnceAfterLoadingWhenNotSuspendedAndNeverByDefault)
{
    auto root = std::make_unique<TComponent>(nullptr);
    root->BeginLoading();
    std::atomic<int> started{0};
    std::atomic<int> defaultStarted{0};
    auto* eager = new TslThread(root.get());
    eager->SetSuspended(false);
    eager->SetOnExecute([&](TObject*) { ++started; });
    auto* lazy = new TslThread(root.get());
    lazy->SetOnExecute([&](TObject*) { ++defaultStarted; });
    EXPECT_TRUE(eager->Suspended()) << "before loading completes the thread waits";
    PumpFor(100);
    EXPECT_EQ(started.load(), 0) << "the handler must not start before the loaded step";

    root->FinishLoading();
    EXPECT_TRUE(PumpUntil([&] { return started == 1 && !eager->IsRunning(); }, 3000));
    PumpFor(150);
    EXPECT_EQ(started.load(), 1) << "exactly one run";
    EXPECT_EQ(defaultStarted.load(), 0) << "Suspended true (the default) never runs until resumed";
    EXPECT_TRUE(lazy->Suspended());

    lazy->SetSuspended(false);
    EXPECT_TRUE(PumpUntil([&] { return defaultStarted == 1; }, 3000)) << "resuming at run time starts it at once";
}

TEST_F(ThreadTest, HandlerRunsOnTheWorkerAndOnTerminateOnTheMainThread)
{
    TslThread* t = NewThread();
    std::atomic<DWORD> handlerThread{0};
    DWORD terminateThread = 0;
    TObject* terminateSender = nullptr;
    TObject* executeSender = nullptr;
    t->SetOnExecute([&](TObject* sender) {
        executeSender = sender;
        handlerThread = GetCurrentThreadId();
    });
    t->SetOnTerminate([&](TObject* sender) {
        terminateSender = sender;
        terminateThread = GetCurrentThreadId();
    });
    t->SetSuspended(false);
    ASSERT_TRUE(PumpUntil([&] { return terminateThread != 0; }, 3000)) << "OnTerminate must run";
    EXPECT_NE(handlerThread.load(), MainThread);
    EXPECT_EQ(terminateThread, MainThread);
    EXPECT_EQ(executeSender, t) << "the sender is the component, not the thread object";
    EXPECT_EQ(terminateSender, t);
    EXPECT_TRUE(PumpUntil([&] { return !t->IsRunning(); }, 1000));
}

TEST_F(ThreadTest, StartWhileRunningEndsTheRunAndStartsAgainOnANewThread)
{
    TslThread* t = NewThread();
    std::atomic<int> runs{0};
    std::atomic<int> ended{0};
    std::vector<DWORD> ids(8);
    t->SetOnExecute([&](TObject*) {
        ids[static_cast<std::size_t>(runs.load())] = GetCurrentThreadId();
        ++runs;
        while (!TslCustomThread::CurrentTerminated())
            Sleep(5);
        ++ended;
    });
    EXPECT_TRUE(t->Start());
    ASSERT_TRUE(PumpUntil([&] { return runs == 1; }, 3000));
    EXPECT_TRUE(t->IsRunning());
    EXPECT_TRUE(t->Start());
    ASSERT_TRUE(PumpUntil([&] { return runs == 2; }, 3000));
    EXPECT_EQ(ended.load(), 1) << "the earlier run saw its stop request and returned";
    EXPECT_NE(ids[0], ids[1]) << "the new run has a thread of its own";
    EXPECT_TRUE(t->IsRunning());
    EXPECT_FALSE(t->IsTerminated()) << "the fresh thread is not asked to stop";
}

TEST_F(ThreadTest, StartReplacesAHandlerThatIgnoresTheStopRequestWithoutWaitingForIt)
{
    TslThread* t = NewThread();
    std::atomic<int> runs{0};
    std::atomic<bool> release{false};
    t->SetOnExecute([&](TObject*) {
        ++runs;
        while (!release)
            Sleep(5);
    });
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return runs == 1; }, 3000));
    const auto start = TClock::now();
    t->Start();
    EXPECT_LT(MsSince(start), 1500.0) << "a handler that never returns must not block Start";
    EXPECT_TRUE(PumpUntil([&] { return runs == 2; }, 3000));
    release = true;
}

TEST_F(ThreadTest, StartWithWaitThreadReturnsAfterTheHandlerWhileMessagesAreHandled)
{
    TslThread* t = NewThread();
    t->WaitThread = true;
    std::atomic<bool> finished{false};
    t->SetOnExecute([&](TObject*) {
        Sleep(400);
        finished = true;
    });
    int handled = 0;
    const HWND wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_USER + 7)
            ++handled;
    });
    std::thread poster([wnd] {
        for (int i = 0; i < 5; ++i) {
            Sleep(40);
            PostMessageA(wnd, WM_USER + 7, 0, 0);
        }
    });
    const auto start = TClock::now();
    EXPECT_TRUE(t->Start());
    const double took = MsSince(start);
    poster.join();
    EXPECT_TRUE(finished.load()) << "Start returned before the handler finished";
    EXPECT_GE(took, 350.0);
    EXPECT_GE(handled, 3) << "messages must be handled while Start waits";
    DeallocateHWnd(wnd);
}

TEST_F(ThreadTest, WaitTimeoutEndsTheThreadAndLeavesAFreshSuspendedOne)
{
    TslThread* t = NewThread();
    t->WaitThread = true;
    t->WaitTimeout = 200;
    std::atomic<bool> returned{false};
    int asked = 0;
    t->OnWaitTimeoutExpired = [&](TObject* sender, bool& terminate) {
        EXPECT_EQ(sender, t);
        EXPECT_TRUE(terminate) << "the question starts with TerminateThread true";
        ++asked;
    };
    t->SetOnExecute([&](TObject*) {
        while (!TslCustomThread::CurrentTerminated())
            Sleep(5);
        returned = true;
    });
    const auto start = TClock::now();
    EXPECT_FALSE(t->Start()) << "a thread ended after the time limit answers false";
    EXPECT_GE(MsSince(start), 180.0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }, 2000)) << "the handler was asked to stop";
    EXPECT_TRUE(t->Suspended()) << "the replacement waits, suspended";
    EXPECT_FALSE(t->IsRunning());
    EXPECT_FALSE(t->IsTerminated());
}

TEST_F(ThreadTest, WaitTimeoutCanLetTheHandlerRunOn)
{
    TslThread* t = NewThread();
    t->WaitThread = true;
    t->WaitTimeout = 150;
    t->OnWaitTimeoutExpired = [](TObject*, bool& terminate) { terminate = false; };
    t->SetOnExecute([](TObject*) {
        while (!TslCustomThread::CurrentTerminated())
            Sleep(5);
    });
    EXPECT_TRUE(t->Start());
    EXPECT_TRUE(t->IsRunning()) << "the handler keeps running";
    t->Stop(false);
    EXPECT_TRUE(PumpUntil([&] { return !t->IsRunning(); }, 2000)) << "Stop(false) sets the flag the handler polls";
}

TEST_F(ThreadTest, SynchronizeRunsOnTheMainThreadAndReRaisesOnlyWithoutHandleExceptions)
{
    for (bool handle : {true, false}) {
        TslThread* t = NewThread();
        t->SetHandleExceptions(handle);
        std::atomic<DWORD> ranOn{0};
        std::atomic<bool> done{false};
        std::string caught;
        t->SetOnExecute([&](TObject*) {
            t->Synchronize([&] { ranOn = GetCurrentThreadId(); });
            try {
                t->Synchronize([] { throw Exception("boom"); });
                caught = "(nothing)";
            } catch (const Exception& e) {
                caught = e.Message;
            }
            done = true;
        });
        t->Start();
        ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 3000));
        EXPECT_EQ(ranOn.load(), MainThread);
        EXPECT_EQ(caught, handle ? "(nothing)" : "boom") << "HandleExceptions=" << handle;
        delete t;
    }
}

TEST_F(ThreadTest, AHandlerExceptionGoesToOnExceptionThenOnTerminate)
{
    TslThread* t = NewThread();
    std::vector<std::string> events;
    std::vector<DWORD> threads;
    t->SetOnExecute([](TObject*) { throw Exception("handler failed"); });
    t->SetOnException([&](TObject* sender) {
        EXPECT_EQ(sender, t);
        events.push_back("exception");
        threads.push_back(GetCurrentThreadId());
    });
    t->SetOnTerminate([&](TObject*) {
        events.push_back("terminate");
        threads.push_back(GetCurrentThreadId());
    });
    TExceptionCatcher reports;
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return events.size() == 2; }, 3000));
    EXPECT_EQ(events, (std::vector<std::string>{"exception", "terminate"}));
    EXPECT_EQ(threads, (std::vector<DWORD>{MainThread, MainThread}));
    EXPECT_TRUE(reports.Messages.empty()) << "with HandleExceptions nothing else is reported";
}

TEST_F(ThreadTest, AnExceptionInOnTerminateGoesToOnException)
{
    TslThread* t = NewThread();
    int exceptions = 0;
    t->SetOnExecute([](TObject*) {});
    t->SetOnTerminate([](TObject*) { throw Exception("late"); });
    t->SetOnException([&](TObject*) { ++exceptions; });
    t->Start();
    EXPECT_TRUE(PumpUntil([&] { return exceptions == 1; }, 3000));
}

TEST_F(ThreadTest, WithoutHandleExceptionsAnEscapingErrorIsReportedAndTheProgramGoesOn)
{
    TslThread* t = NewThread();
    t->SetHandleExceptions(false);
    int onException = 0;
    t->SetOnException([&](TObject*) { ++onException; });
    t->SetOnExecute([](TObject*) { throw Exception("not caught by the component"); });
    TExceptionCatcher reports;
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return !reports.Messages.empty(); }, 3000));
    EXPECT_EQ(reports.Messages.front(), "not caught by the component");
    EXPECT_EQ(onException, 0);
}

TEST_F(ThreadTest, DestroyingWithAHandlerThatNeverReturnsDoesNotHang)
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> running{false};
    TslThread* t = NewThread();
    t->SetOnExecute([&running, release](TObject*) {
        running = true;
        while (!*release) // ignores every stop request
            Sleep(5);
    });
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return running.load(); }, 3000));
    PumpFor(50);
    EXPECT_TRUE(t->IsRunning()) << "a handler that never returns keeps IsRunning true";
    const auto start = TClock::now();
    delete t;
    EXPECT_LT(MsSince(start), 1000.0) << "destruction waits only a bounded time";
    *release = true;
}

// Run in a child process by the next test: a handler that never returns, its component destroyed, then the
// process ends as the program does after "Exit".
TEST_F(ThreadTest, DISABLED_ChildEndsWithAHandlerStillRunning)
{
    TslThread* t = NewThread();
    std::atomic<bool> running{false};
    t->SetOnExecute([&running](TObject*) {
        running = true;
        for (;;)
            Sleep(1000);
    });
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return running.load(); }, 3000));
    delete t;
}

TEST_F(ThreadTest, TheProcessEndsEvenIfAHandlerNeverReturns)
{
    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, MAX_PATH), 0u);
    std::string command = std::string("\"") + exe +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=ThreadTest.DISABLED_ChildEndsWithAHandlerStillRunning";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 3);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the child process hung with its handler running";
    EXPECT_EQ(code, 0u) << "the child's test failed";
}

TEST_F(ThreadTest, DestroyingAsksAPollingHandlerToStopAndWaitsForIt)
{
    std::atomic<bool> returned{false};
    std::atomic<bool> running{false};
    TslThread* t = NewThread();
    t->SetOnExecute([&](TObject*) {
        running = true;
        while (!TslCustomThread::CurrentTerminated())
            Sleep(2);
        returned = true;
    });
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return running.load(); }, 3000));
    delete t;
    EXPECT_TRUE(returned.load()) << "the handler returned before the component was gone";
}

TEST_F(ThreadTest, NothingReachesTheMainThreadOnceTheComponentIsGone)
{
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto painted = std::make_shared<std::atomic<int>>(0);
    std::atomic<bool> running{false};
    TslThread* t = NewThread();
    t->SetOnExecute([&running, calls, painted](TObject*) {
        running = true;
        for (;;) { // keeps synchronizing even after a stop request
            ++*calls;
            TslCustomThread::SynchronizeCurrent([painted] { ++*painted; });
            Sleep(2);
        }
    });
    int terminated = 0;
    t->SetOnTerminate([&](TObject*) { ++terminated; });
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return *painted > 3; }, 3000));
    delete t;
    const int paintedAtDelete = *painted;
    const int callsAtDelete = *calls;
    PumpFor(200);
    EXPECT_GT(calls->load(), callsAtDelete) << "the let-go handler is still running";
    EXPECT_EQ(painted->load(), paintedAtDelete) << "but its synchronized calls are dropped";
    EXPECT_EQ(terminated, 0);
}

TEST_F(ThreadTest, StopWithKillReplacesTheThreadKeepingPriorityAndEvents)
{
    TslThread* t = NewThread();
    std::atomic<int> runs{0};
    t->SetOnExecute([&](TObject*) {
        ++runs;
        while (!TslCustomThread::CurrentTerminated())
            Sleep(2);
    });
    t->SetPriority(tpHigher);
    t->Start();
    ASSERT_TRUE(PumpUntil([&] { return runs == 1; }, 3000));
    const std::uint32_t before = t->Thread().ThreadID();
    t->Stop(true);
    EXPECT_NE(t->Thread().ThreadID(), before);
    EXPECT_TRUE(t->Suspended());
    EXPECT_FALSE(t->IsRunning());
    EXPECT_EQ(t->Priority(), tpHigher);
    EXPECT_TRUE(static_cast<bool>(t->OnExecute())) << "the events move to the new thread";
    t->SetSuspended(false);
    EXPECT_TRUE(PumpUntil([&] { return runs == 2; }, 3000));
}

TEST_F(ThreadTest, PriorityReadsBackThroughThePlatformTable)
{
    TslThread* t = NewThread();
    EXPECT_EQ(t->Priority(), tpNormal);
    for (TThreadPriority p : {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical}) {
        t->SetPriority(p);
        EXPECT_EQ(t->Priority(), p) << "priority " << p;
    }
}

TEST_F(ThreadTest, TheSynchronisationWindowLivesAsLongAsAThreadObject)
{
    // A message-only window: found among those, not among the top-level windows.
    const auto FindThreadWindow = [] { return FindWindowExA(HWND_MESSAGE, nullptr, "TslThreadWindow", nullptr); };
    EXPECT_EQ(FindThreadWindow(), nullptr);
    TslThread* a = NewThread();
    const HWND wnd = FindThreadWindow();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(wnd, nullptr), MainThread);
    EXPECT_FALSE(IsWindowVisible(wnd));
    TslThread* b = NewThread();
    EXPECT_EQ(FindThreadWindow(), wnd) << "one window for the whole process";
    delete a;
    EXPECT_EQ(FindThreadWindow(), wnd);
    delete b;
    EXPECT_EQ(FindThreadWindow(), nullptr);
}

} // namespace
} // namespace skyloom
