// The owner of one handle of any kind: closes it exactly once, in its destructor or on Reset. A traits type says
// what the empty handle is, which handles are valid and how one is closed. Portable: the Windows handles' traits
// are in WinHandles.h, the sockets' in SocketHandles.h.
#pragma once

#include <utility>

namespace skyloom {

// The traits of the common kind of handle: empty when null, closed by one function of the platform
// (TNullHandleTraits<HKEY, RegCloseKey>).
template <typename H, auto CloseFunction>
struct TNullHandleTraits {
    static H Null() { return nullptr; }
    static bool Valid(H h) { return h != nullptr; }
    static void Close(H h) { CloseFunction(h); }
};

// The base of a class that owns what a copy must not share (a socket, a window, a timer, a session): copying it does
// not compile.
class TNonCopyable {
public:
    TNonCopyable(const TNonCopyable&) = delete;
    TNonCopyable& operator=(const TNonCopyable&) = delete;

protected:
    TNonCopyable() = default;
    ~TNonCopyable() = default;
};

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
    // For functions that hand out a new handle through an out parameter: closes the current one first.
    H* Put()
    {
        Reset();
        return &FHandle;
    }
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

} // namespace skyloom
