// Hidden helper windows that only receive messages: a window class that is registered while windows of it exist,
// and one window shared by a count of users (made for the first, destroyed with the last).
#pragma once

#include "Owned.h"

#include <windows.h>

#include <mutex>

namespace skyloom {

// The class of hidden helper windows with one window procedure. Registered when its first window is made and
// withdrawn when its last one is destroyed. Safe to use from several threads.
class THiddenWindowClass : TNonCopyable {
public:
    THiddenWindowClass(const char* name, WNDPROC proc) : FName(name), FProc(proc) {}

    // A new hidden window of this class, or nullptr when the system refused one. `param` reaches WM_NCCREATE.
    HWND Create(HWND parent = nullptr, DWORD style = WS_POPUP, DWORD exStyle = 0, void* param = nullptr);
    // A message-only window of this class: it gets what is sent or posted to it and its timers, but no broadcasts,
    // and it is much cheaper to make than a top-level window (Wine makes no X window for it). Where the system
    // has no message-only windows, an ordinary hidden top-level window.
    HWND CreateMessageOnly(DWORD style = WS_POPUP, DWORD exStyle = 0);
    // Destroys a window made by Create (one that is already gone is only counted off).
    void Destroy(HWND wnd);
    int Windows() const;
    const char* Name() const { return FName; }

private:
    const char* FName;
    WNDPROC FProc;
    mutable std::mutex FLock;
    int FWindows = 0;
};

// One hidden message-only window shared by the objects that count themselves as its users. Not locked: callers that
// share it across threads hold a lock of their own around AddUser and ReleaseUser.
class TSharedHiddenWindow : TNonCopyable {
public:
    TSharedHiddenWindow(const char* className, WNDPROC proc, DWORD style = WS_POPUP)
        : FClass(className, proc), FStyle(style)
    {
    }

    // Counts one more user; makes the window when there is none yet. Returns the window (nullptr when the system
    // refused one; the next user tries again).
    HWND AddUser();
    // Counts one user off; the last one destroys the window and true is returned.
    bool ReleaseUser();
    HWND Handle() const { return FWindow; }
    int Users() const { return FUsers; }

private:
    THiddenWindowClass FClass;
    DWORD FStyle;
    HWND FWindow = nullptr;
    int FUsers = 0;
};

} // namespace skyloom
