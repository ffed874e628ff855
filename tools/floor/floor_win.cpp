// The floor the measurements compare against: a program that only shows one window of the main window's size and
// paints its client area in one colour. Its start-up time and memory are what Wine costs before any program of ours
// does anything. Arguments name DLLs to load first, so the memory reference can carry the same system libraries as
// the program it is compared with.
#include <windows.h>

#include <cstdlib>

namespace {

// The client colour the meter looks for to know the window has been painted.
constexpr COLORREF FloorColour = RGB(0, 128, 128);

LRESULT CALLBACK FloorProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wparam, lparam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    for (int i = 1; i < __argc; ++i)
        LoadLibraryA(__argv[i]);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(FloorColour);
    wc.lpszClassName = L"SlFloorWindow";
    RegisterClassW(&wc);
    RECT rc{0, 0, 480, 426};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&rc, style, FALSE);
    HWND wnd = CreateWindowW(L"SlFloorWindow", L"Floor", style, CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left,
                             rc.bottom - rc.top, nullptr, nullptr, instance, nullptr);
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
