// The base of the library's objects: reference counting and the allocation from the library's pools. Internal to
// the library.
#pragma once

#include "XmlAlloc.h"
#include "XmlLib.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace skyloom {

// The counted storage behind the library's objects. It is not one of the interfaces: an object joins its
// interface by deriving from both (TXmlCounted, TXmlNodeOf), so that the interfaces form single chains without
// virtual bases, whose constructors would load a table of tables and store several vtable pointers for every node a
// load makes.
class TXmlBase {
public:
    static void* operator new(std::size_t size) { return xml::CutObject(size); }
    static void operator delete(void* p, std::size_t size) noexcept { xml::PoolRelease(p, size); }

    TXmlBase(const TXmlBase&) = delete;
    TXmlBase& operator=(const TXmlBase&) = delete;

    void AddRef() noexcept { ++FRefCount; }
    void Release() noexcept
    {
        if (--FRefCount == 0)
            delete this;
    }
    // Whether anyone besides the caller's one reference holds the object.
    bool IsShared() const noexcept { return FRefCount > 1; }

protected:
    TXmlBase() = default;
    virtual ~TXmlBase() = default;

private:
    int FRefCount = 0;
};

// A counted object that is reached through the interface I.
template <class I>
class TXmlCounted : public TXmlBase, public I {
public:
    void AddRef() noexcept final { TXmlBase::AddRef(); }
    void Release() noexcept final { TXmlBase::Release(); }
    TXmlBase* ImplObject() noexcept final { return this; }
};

// Equality of two runs of n bytes. Names are short; comparing them a word at a time in place, with the last word
// overlapping the one before, beats both a call to memcmp and a loop whose end the processor cannot foresee.
// Reads nothing outside the two runs.
inline bool XmlSameBytes(const char* a, const char* b, std::size_t n) noexcept
{
    if (n >= 8) {
        std::uint64_t x, y;
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x != y)
                return false;
        }
        std::memcpy(&x, a + n - 8, 8);
        std::memcpy(&y, b + n - 8, 8);
        return x == y;
    }
    if (n >= 4) {
        std::uint32_t x1, y1, x2, y2;
        std::memcpy(&x1, a, 4);
        std::memcpy(&y1, b, 4);
        std::memcpy(&x2, a + n - 4, 4);
        std::memcpy(&y2, b + n - 4, 4);
        return ((x1 ^ y1) | (x2 ^ y2)) == 0;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// A library object as a reference to one of its interfaces.
template <class I, class T>
TXmlPtr<I> PtrTo(T* p)
{
    return TXmlPtr<I>(static_cast<I*>(p));
}

} // namespace skyloom
