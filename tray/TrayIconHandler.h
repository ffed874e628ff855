#pragma once
// The hidden window that receives the shell's notifications about every tray icon of the process.
// Windows only.

#include <windows.h>

namespace skyloom {

// The shell's callback message for our icons: the first user message plus 1024.
constexpr UINT TrayCallbackMessage = WM_USER + 1024;

// Who receives the notifications of one icon.
class ITrayNotifyTarget {
public:
    virtual ~ITrayNotifyTarget() = default;
    // `msg` is the mouse or balloon message the shell reported.
    virtual void TrayNotify(UINT msg) = 0;
};

class TTrayIconHandler {
public:
    // Joins the shared window (creating it for the first icon) and returns the identifier the shell will report
    // back for `target`.
    static UINT AddRef(ITrayNotifyTarget* target);
    // Leaves it; the window goes when the last icon leaves.
    static void Release(UINT id);
    static HWND Handle();
    static int RefCount();
};

// True on Windows NT 4 and older, whose shell loses state when the user changes.
bool IsNT4OrOlder();

} // namespace skyloom
