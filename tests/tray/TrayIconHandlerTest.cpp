#include "TrayIconHandler.h"

#include <gtest/gtest.h>

#include <vector>

namespace skyloom {
namespace {

struct TRecorder : ITrayNotifyTarget {
    std::vector<UINT> Seen;
    void TrayNotify(UINT msg) override { Seen.push_back(msg); }
};

TEST(TrayIconHandler, OneWindowServesEveryIconAndGoesWithTheLast)
{
    ASSERT_EQ(TTrayIconHandler::RefCount(), 0);
    TRecorder a, b;
    const UINT idA = TTrayIconHandler::AddRef(&a);
    HWND wnd = TTrayIconHandler::Handle();
    ASSERT_NE(wnd, nullptr);
    const UINT idB = TTrayIconHandler::AddRef(&b);
    EXPECT_EQ(TTrayIconHandler::Handle(), wnd) << "the second icon joins the same window";
    EXPECT_NE(idA, idB);
    EXPECT_NE(idA, 0u);
    EXPECT_EQ(TTrayIconHandler::RefCount(), 2);
    TTrayIconHandler::Release(idA);
    EXPECT_TRUE(IsWindow(wnd));
    TTrayIconHandler::Release(idB);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(TTrayIconHandler::Handle(), nullptr);
    TTrayIconHandler::Release(idB);
    EXPECT_EQ(TTrayIconHandler::RefCount(), 0) << "a second release is harmless";
}

TEST(TrayIconHandler, CallbackReachesOnlyTheIconItNames)
{
    TRecorder a, b;
    const UINT idA = TTrayIconHandler::AddRef(&a);
    const UINT idB = TTrayIconHandler::AddRef(&b);
    HWND wnd = TTrayIconHandler::Handle();
    EXPECT_EQ(TrayCallbackMessage, 2048u);
    SendMessageA(wnd, TrayCallbackMessage, idB, WM_RBUTTONDOWN);
    SendMessageA(wnd, TrayCallbackMessage, idA, WM_LBUTTONDBLCLK);
    // Identifiers nobody holds, among them what a 64-bit address cut to 32 bits would look like.
    for (WPARAM stray : {WPARAM{0}, WPARAM{0xDEADBEEF}, static_cast<WPARAM>(idB + 100)})
        SendMessageA(wnd, TrayCallbackMessage, stray, WM_LBUTTONDOWN);
    EXPECT_EQ(a.Seen, std::vector<UINT>{WM_LBUTTONDBLCLK});
    EXPECT_EQ(b.Seen, std::vector<UINT>{WM_RBUTTONDOWN});
    TTrayIconHandler::Release(idA);
    SendMessageA(wnd, TrayCallbackMessage, idA, WM_LBUTTONDOWN);
    EXPECT_EQ(a.Seen.size(), 1u) << "a released icon hears nothing more";
    TTrayIconHandler::Release(idB);
}

TEST(TrayIconHandler, NeverBlocksTheEndOfTheSessionNorClosesItself)
{
    TRecorder a;
    const UINT id = TTrayIconHandler::AddRef(&a);
    HWND wnd = TTrayIconHandler::Handle();
    for (UINT msg : {WM_QUERYENDSESSION, WM_ENDSESSION, WM_CLOSE})
        EXPECT_EQ(SendMessageA(wnd, msg, 0, 0), 1) << msg;
    EXPECT_TRUE(IsWindow(wnd)) << "WM_CLOSE does not destroy the shared window";
    TTrayIconHandler::Release(id);
}

} // namespace
} // namespace skyloom
