// Waits on the window thread: they end when the object is signalled or the time is up, and meanwhile serve what
// other threads send to this thread, so that a thread that must hear back from us does not stall both of us.
#include "HiddenWindow.h"
#include "Waits.h"
#include "WinHandles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace skyloom;

namespace {

constexpr UINT kAsk = WM_USER + 7;
std::atomic<int> GServed{0};

LRESULT CALLBACK ServingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kAsk) {
        ++GServed;
        return 7;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

DWORD WINAPI SleepBriefly(LPVOID)
{
    Sleep(50);
    return 0;
}

} // namespace

TEST(Waits, AnotherThreadsSentMessageIsServedWhileWaitingForIt)
{
    THiddenWindowClass windowClass("TslTestWaitsWindow", ServingProc);
    const HWND wnd = windowClass.Create();
    ASSERT_NE(wnd, nullptr);
    TOwnedHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(done.Valid());
    GServed = 0;
    // The worker can only signal once its sent message has been answered by this thread.
    std::thread worker([&] {
        if (SendMessageA(wnd, kAsk, 0, 0) == 7)
            SetEvent(done.Get());
    });
    EXPECT_TRUE(WaitServingSent(done.Get(), 10000)) << "the sent message was not served during the wait";
    worker.join();
    EXPECT_EQ(GServed.load(), 1);
    windowClass.Destroy(wnd);
}

TEST(Waits, TheWaitEndsWithTheTimeOrTheObject)
{
    TOwnedHandle never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(never.Valid());
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(WaitServingSent(never.Get(), 200)) << "an object that is never signalled times out";
    EXPECT_GE(GetTickCount64() - start, 150u) << "the wait ended long before its time";
    EXPECT_FALSE(WaitServingSent(never.Get(), 0)) << "a zero wait only looks";

    TOwnedHandle signalled(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    EXPECT_TRUE(WaitServingSent(signalled.Get(), INFINITE)) << "a signalled object ends even an unbounded wait";
    TOwnedHandle thread(CreateThread(nullptr, 0, SleepBriefly, nullptr, 0, nullptr));
    ASSERT_TRUE(thread.Valid());
    EXPECT_TRUE(WaitServingSent(thread.Get(), 10000)) << "a thread's handle is signalled when it ends";
}
