// Owners for Windows handles: each closes its handle exactly once, in its destructor or on Reset. The owner
// template itself is portable (Owned.h); sockets have theirs in SocketHandles.h.
#pragma once

#include "Owned.h"

#include <windows.h>
#include <wininet.h>

namespace skyloom {

struct TKernelHandleTraits {
    static HANDLE Null() { return nullptr; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using TWindowTraits = TNullHandleTraits<HWND, DestroyWindow>;
template <typename G>
using TGdiTraits = TNullHandleTraits<G, DeleteObject>;
using TKeyTraits = TNullHandleTraits<HKEY, RegCloseKey>;
using TIconTraits = TNullHandleTraits<HICON, DestroyIcon>;
using TMenuTraits = TNullHandleTraits<HMENU, DestroyMenu>;
using TModuleTraits = TNullHandleTraits<HMODULE, FreeLibrary>;
struct TFindTraits {
    static HANDLE Null() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
using TMemDCTraits = TNullHandleTraits<HDC, DeleteDC>;

// Internet library handles (sessions, connections, requests). Closing one also ends a call that another thread
// is blocked in on it.
using TInternetTraits = TNullHandleTraits<HINTERNET, InternetCloseHandle>;

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

// One COM reference, released with the owner.
template <typename T>
struct TComTraits {
    static T* Null() { return nullptr; }
    static bool Valid(T* p) { return p != nullptr; }
    static void Close(T* p) { p->Release(); }
};
template <typename T>
class TComRef : public TOwned<T*, TComTraits<T>> {
public:
    using TOwned<T*, TComTraits<T>>::TOwned;
    T* operator->() const { return this->Get(); }
    void** PutVoid() { return reinterpret_cast<void**>(this->Put()); }
};

// A critical section and the lock that holds it for one scope.
class TCriticalSection {
public:
    TCriticalSection() { InitializeCriticalSection(&FSection); }
    ~TCriticalSection() { DeleteCriticalSection(&FSection); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&FSection); }
    void Leave() { LeaveCriticalSection(&FSection); }

private:
    CRITICAL_SECTION FSection;
};

class TSectionLock {
public:
    explicit TSectionLock(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
    ~TSectionLock() { FSection.Leave(); }
    TSectionLock(const TSectionLock&) = delete;
    TSectionLock& operator=(const TSectionLock&) = delete;

private:
    TCriticalSection& FSection;
};

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

// The brush colour of TPenAndBrush that fills nothing.
inline constexpr COLORREF NoFill = CLR_INVALID;

// A solid pen and a brush made for one drawing step and selected into dc for the scope (Ellipse, RoundRect,
// Polygon and Rectangle draw with both).
class TPenAndBrush {
public:
    TPenAndBrush(HDC dc, int penWidth, COLORREF penColor, COLORREF brushColor)
        : FPen(CreatePen(PS_SOLID, penWidth, penColor)),
          FBrush(brushColor == NoFill ? nullptr : CreateSolidBrush(brushColor)), FSelectPen(dc, FPen.Get()),
          FSelectBrush(dc, FBrush ? static_cast<HGDIOBJ>(FBrush.Get()) : GetStockObject(NULL_BRUSH))
    {
    }

private:
    // In this order: the selections are undone before the pen and the brush are freed.
    TOwnedGdi<HPEN> FPen;
    TOwnedGdi<HBRUSH> FBrush;
    TSelectObject FSelectPen;
    TSelectObject FSelectBrush;
};

} // namespace skyloom
