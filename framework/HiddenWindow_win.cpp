#include "HiddenWindow.h"

namespace skyloom {

HWND THiddenWindowClass::Create(HWND parent, DWORD style, DWORD exStyle, void* param)
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    {
        std::lock_guard<std::mutex> guard(FLock);
        if (FWindows++ == 0) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = FProc;
            wc.hInstance = instance;
            wc.lpszClassName = FName;
            RegisterClassA(&wc);
        }
    }
    // Made outside the lock: the window procedure runs during CreateWindowEx and may make windows of its own.
    const HWND wnd = CreateWindowExA(exStyle, FName, "", style, 0, 0, 0, 0, parent, nullptr, instance, param);
    if (!wnd)
        Destroy(nullptr);
    return wnd;
}

HWND THiddenWindowClass::CreateMessageOnly(DWORD style, DWORD exStyle)
{
    if (const HWND wnd = Create(HWND_MESSAGE, style, exStyle))
        return wnd;
    return Create(nullptr, style, exStyle);
}

void THiddenWindowClass::Destroy(HWND wnd)
{
    if (wnd && IsWindow(wnd))
        DestroyWindow(wnd);
    std::lock_guard<std::mutex> guard(FLock);
    if (FWindows > 0 && --FWindows == 0)
        UnregisterClassA(FName, GetModuleHandleA(nullptr));
}

int THiddenWindowClass::Windows() const
{
    std::lock_guard<std::mutex> guard(FLock);
    return FWindows;
}

HWND TSharedHiddenWindow::AddUser()
{
    ++FUsers;
    if (!FWindow)
        FWindow = FClass.CreateMessageOnly(FStyle);
    return FWindow;
}

bool TSharedHiddenWindow::ReleaseUser()
{
    if (FUsers <= 0 || --FUsers > 0)
        return false;
    if (FWindow)
        FClass.Destroy(FWindow);
    FWindow = nullptr;
    return true;
}

} // namespace skyloom
