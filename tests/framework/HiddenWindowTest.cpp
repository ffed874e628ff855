// Hidden helper windows: the class is registered while windows of it exist; a shared window lives from its first
// user to its last.
#include "HiddenWindow.h"

#include <gtest/gtest.h>

using namespace skyloom;

namespace {

int GMessages = 0;
// A message of our own to broadcast, so that no other window takes it for one of its own.
const UINT GBroadcast = RegisterWindowMessageA("TslTestHiddenWindowBroadcast");

LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 1 || (GBroadcast != 0 && msg == GBroadcast)) {
        ++GMessages;
        return 42;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

bool Registered(const char* name)
{
    WNDCLASSA wc{};
    return GetClassInfoA(GetModuleHandleA(nullptr), name, &wc) != FALSE;
}

} // namespace

TEST(HiddenWindow, TheClassIsRegisteredWhileItHasWindows)
{
    THiddenWindowClass windowClass("TslTestHiddenClass", CountingProc);
    EXPECT_FALSE(Registered("TslTestHiddenClass"));
    const HWND first = windowClass.Create();
    const HWND second = windowClass.Create(nullptr, 0, WS_EX_TOOLWINDOW);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(Registered("TslTestHiddenClass"));
    EXPECT_FALSE(IsWindowVisible(first)) << "a helper window is never shown";
    EXPECT_EQ(windowClass.Windows(), 2);
    GMessages = 0;
    EXPECT_EQ(SendMessageA(second, WM_USER + 1, 0, 0), 42) << "messages reach the class's procedure";
    EXPECT_EQ(GMessages, 1);
    windowClass.Destroy(first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(Registered("TslTestHiddenClass")) << "one window is left";
    windowClass.Destroy(second);
    EXPECT_FALSE(Registered("TslTestHiddenClass")) << "withdrawn with the last window";
    EXPECT_EQ(windowClass.Windows(), 0);
}

TEST(HiddenWindow, ASharedWindowLivesFromTheFirstUserToTheLast)
{
    TSharedHiddenWindow shared("TslTestSharedWindow", CountingProc);
    EXPECT_EQ(shared.Handle(), nullptr);
    const HWND wnd = shared.AddUser();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(shared.AddUser(), wnd) << "the second user gets the same window";
    EXPECT_EQ(shared.Users(), 2);
    EXPECT_FALSE(shared.ReleaseUser()) << "one user is left";
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_TRUE(shared.ReleaseUser()) << "the last user destroys it";
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(shared.Handle(), nullptr);
    EXPECT_FALSE(Registered("TslTestSharedWindow"));
    EXPECT_FALSE(shared.ReleaseUser()) << "a release without a user changes nothing";
    EXPECT_EQ(shared.Users(), 0);
    const HWND again = shared.AddUser();
    EXPECT_NE(again, nullptr) << "a new first user makes a new window";
    shared.ReleaseUser();
}

TEST(HiddenWindow, AMessageOnlyWindowGetsItsOwnMessagesButNoBroadcasts)
{
    THiddenWindowClass windowClass("TslTestMessageOnly", CountingProc);
    TSharedHiddenWindow shared("TslTestSharedMessageOnly", CountingProc);
    const HWND made[] = {windowClass.CreateMessageOnly(), shared.AddUser()};
    for (const HWND wnd : made) {
        ASSERT_NE(wnd, nullptr);
        EXPECT_EQ(GetAncestor(wnd, GA_PARENT), GetAncestor(FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr),
                                                            GA_PARENT))
            << "a message-only window, not one of the desktop's";
        GMessages = 0;
        EXPECT_EQ(SendMessageA(wnd, WM_USER + 1, 0, 0), 42) << "sent messages arrive";
        ASSERT_TRUE(PostMessageA(wnd, WM_USER + 1, 0, 0));
        MSG msg;
        while (PeekMessageA(&msg, wnd, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        EXPECT_EQ(GMessages, 2) << "posted messages arrive";
        DWORD_PTR answer = 0;
        ASSERT_NE(GBroadcast, 0u);
        SendMessageTimeoutA(HWND_BROADCAST, GBroadcast, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
        EXPECT_EQ(GMessages, 2) << "a broadcast does not reach it";
    }
    windowClass.Destroy(made[0]);
    EXPECT_TRUE(shared.ReleaseUser());
    EXPECT_EQ(windowClass.Windows(), 0);
}
