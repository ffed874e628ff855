#include "ThreadStack.h"
#include "WinHandles.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

namespace skyloom {
namespace {

// Fills size bytes of stack below the caller with a pattern and returns a checksum, so nothing is optimised away.
[[gnu::noinline]] unsigned TouchStack(std::size_t depth)
{
    volatile unsigned char block[32 * 1024];
    for (std::size_t i = 0; i < sizeof block; i += 512)
        block[i] = static_cast<unsigned char>(depth + i);
    unsigned sum = block[0];
    if (depth > 0)
        sum += TouchStack(depth - 1);
    return sum + block[sizeof block - 512];
}

std::size_t WorkingSetKb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize / 1024;
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(ThreadStack, ADetachedThreadRunsItsBodyElsewhereAndLetsGoOfWhatTheBodyHeld)
{
    auto held = std::make_shared<int>(7);
    const TOwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE ran = event.Get();
    DWORD bodyThread = 0;
    ASSERT_TRUE(StartDetachedThread([held, ran, &bodyThread] {
        bodyThread = GetCurrentThreadId();
        SetEvent(ran);
    }));
    ASSERT_EQ(WaitForSingleObject(ran, 5000), WAIT_OBJECT_0) << "the body never ran";
    EXPECT_NE(bodyThread, GetCurrentThreadId()) << "the body ran on the caller's thread";
    // The thread frees its copy of the body once the body has returned.
    for (int i = 0; i < 500 && held.use_count() > 1; ++i)
        Sleep(10);
    EXPECT_EQ(held.use_count(), 1) << "the body's captures were never freed";
}

TEST(ThreadStack, ReleasingKeepsTheLiveFramesAndTheStackUsable)
{
    std::thread worker([] {
        // Frames above the call keep their contents.
        unsigned char mine[8 * 1024];
        for (std::size_t i = 0; i < sizeof mine; ++i)
            mine[i] = static_cast<unsigned char>(i * 7);
        const unsigned first = TouchStack(24);  // about 800 kB below this frame
        ReleaseUnusedStack();
        for (std::size_t i = 0; i < sizeof mine; ++i)
            ASSERT_EQ(mine[i], static_cast<unsigned char>(i * 7)) << "a live frame lost its contents at " << i;
        // The released pages serve the stack again, and deeper calls than before still work.
        EXPECT_EQ(TouchStack(24), first) << "the stack gives other results after the release";
        TouchStack(40);
        ReleaseUnusedStack();
        ReleaseUnusedStack();
    });
    worker.join();
}

TEST(ThreadStack, ReleasingGivesTheTouchedPagesBack)
{
    if (!UnderWine())
        GTEST_SKIP() << "Windows keeps reset pages in the working set until it needs them";
    std::size_t touched = 0;
    std::size_t released = 0;
    std::thread worker([&] {
        TouchStack(24);
        touched = WorkingSetKb();
        ReleaseUnusedStack();
        released = WorkingSetKb();
    });
    worker.join();
    EXPECT_GE(touched, released + 512) << "touched " << touched << " kB, after the release " << released << " kB";
}

} // namespace
} // namespace skyloom
