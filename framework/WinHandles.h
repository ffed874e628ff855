// Owners for platform handles: each closes its handle exactly once, in its destructor or on Reset.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

namespace skyloom {

template <typename H, typename Traits>
class TOwned {
public:
    TOwned() = default;
    explicit TOwned(H h) : FHandle(h) {}
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    TOwned(TOwned&& other) noexcept : FHandle(other.Release()) {}
    TOwned& operator=(TOwned&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~TOwned() { Reset(); }

    H Get() const { return FHandle; }
    bool Valid() const { return Traits::Valid(FHandle); }
    explicit operator bool() const { return Valid(); }
    // Gives up ownership without closing.
    H Release() { return std::exchange(FHandle, Traits::Null()); }
    void Reset(H h = Traits::Null())
    {
        H old = std::exchange(FHandle, h);
        if (Traits::Valid(old) && old != h)
            Traits::Close(old);
    }

private:
    H FHandle = Traits::Null();
};

struct TKernelHandleTraits {
    static HANDLE Null() { return nullptr; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct TWindowTraits {
    static HWND Null() { return nullptr; }
    static bool Valid(HWND h) { return h != nullptr; }
    static void Close(HWND h) { DestroyWindow(h); }
};
template <typename G>
struct TGdiTraits {
    static G Null() { return nullptr; }
    static bool Valid(G h) { return h != nullptr; }
    static void Close(G h) { DeleteObject(h); }
};
struct TKeyTraits {
    static HKEY Null() { return nullptr; }
    static bool Valid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct TIconTraits {
    static HICON Null() { return nullptr; }
    static bool Valid(HICON h) { return h != nullptr; }
    static void Close(HICON h) { DestroyIcon(h); }
};
struct TMenuTraits {
    static HMENU Null() { return nullptr; }
    static bool Valid(HMENU h) { return h != nullptr; }
    static void Close(HMENU h) { DestroyMenu(h); }
};
struct TModuleTraits {
    static HMODULE Null() { return nullptr; }
    static bool Valid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct TFindTraits {
    static HANDLE Null() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
struct TMemDCTraits {
    static HDC Null() { return nullptr; }
    static bool Valid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { DeleteDC(h); }
};

// Internet library handles (sessions, connections, requests). Closing one also ends a call that another thread
// is blocked in on it.
struct TInternetTraits {
    static HINTERNET Null() { return nullptr; }
    static bool Valid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { InternetCloseHandle(h); }
};

using TOwnedHandle = TOwned<HANDLE, TKernelHandleTraits>;     // files, mutexes, events, threads
using TOwnedWindow = TOwned<HWND, TWindowTraits>;
template <typename G>
using TOwnedGdi = TOwned<G, TGdiTraits<G>>;                    // HFONT, HBRUSH, HPEN, HBITMAP, HRGN
using TOwnedKey = TOwned<HKEY, TKeyTraits>;
using TOwnedIcon = TOwned<HICON, TIconTraits>;
using TOwnedMenu = TOwned<HMENU, TMenuTraits>;
using TOwnedModule = TOwned<HMODULE, TModuleTraits>;
using TOwnedFind = TOwned<HANDLE, TFindTraits>;
using TOwnedMemDC = TOwned<HDC, TMemDCTraits>;                 // CreateCompatibleDC
using TOwnedInternet = TOwned<HINTERNET, TInternetTraits>;

// A device context borrowed from a window (GetDC / ReleaseDC).
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) : FWnd(wnd), FDC(GetDC(wnd)) {}
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    ~TWindowDC()
    {
        if (FDC)
            ReleaseDC(FWnd, FDC);
    }
    HDC Get() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// Selects a GDI object into a device context for the lifetime of this object.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) : FDC(dc), FOld(obj ? SelectObject(dc, obj) : nullptr) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    ~TSelectObject()
    {
        if (FOld)
            SelectObject(FDC, FOld);
    }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

} // namespace skyloom
