#include "TrayIconHandler.h"

#include "HiddenWindow.h"
#include "WinHandles.h"

#include <commctrl.h>

#include <map>

namespace skyloom {

namespace {

constexpr char HandlerWindowClass[] = "TTrayIconHandler";

// The shell hands back the record's identifier as the message's first parameter. It is a number we gave out, not
// an address: on 64-bit Windows the identifier field cannot hold one, and a stray or forged message must not be
// able to make us call through an arbitrary pointer.
std::map<UINT, ITrayNotifyTarget*> GTargets;
UINT GNextId = 1;
TOwnedModule GCommonControls;

LRESULT CALLBACK HandlerWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case TrayCallbackMessage: {
        auto it = GTargets.find(static_cast<UINT>(wp));
        if (it != GTargets.end())
            it->second->TrayNotify(static_cast<UINT>(lp));
        return 0;
    }
    // The hidden window never blocks logging off or shutting down, and nobody closes it but its last user.
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_QUIT:
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
        return 1;
    case WM_USERCHANGED:
        // Old shells lose the common controls' state when the user changes; reload them on every other notice.
        if (IsNT4OrOlder()) {
            if (GCommonControls) {
                GCommonControls.Reset();
            } else {
                GCommonControls.Reset(LoadLibraryA("comctl32.dll"));
                if (GCommonControls)
                    InitCommonControls();
            }
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

TSharedHiddenWindow& Window()
{
    static TSharedHiddenWindow* window = new TSharedHiddenWindow(HandlerWindowClass, HandlerWindowProc);
    return *window;
}

} // namespace

bool IsNT4OrOlder()
{
    // GetVersion is deprecated but is exactly the question asked here: which major version the system reports.
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion <= 4;
}

UINT TTrayIconHandler::AddRef(ITrayNotifyTarget* target)
{
    Window().AddUser();
    UINT id = GNextId++;
    if (GNextId == 0)
        GNextId = 1;
    GTargets[id] = target;
    return id;
}

void TTrayIconHandler::Release(UINT id)
{
    if (GTargets.erase(id) == 0)
        return;
    // WM_DESTROY and WM_NCDESTROY are answered by our procedure; the window still goes.
    if (Window().ReleaseUser())
        GCommonControls.Reset();
}

HWND TTrayIconHandler::Handle() { return Window().Handle(); }

int TTrayIconHandler::RefCount() { return static_cast<int>(GTargets.size()); }

} // namespace skyloom
