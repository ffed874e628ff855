// The base of the library's objects: reference counting and the allocation from the library's pools. Internal to
// the library.
#pragma once

#include "XmlAlloc.h"
#include "XmlLib.h"

#include <cstddef>

namespace skyloom {

class TXmlBase : public virtual IXmlBase {
public:
    static void* operator new(std::size_t size) { return xml::PoolAllocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { xml::PoolRelease(p, size); }

    void AddRef() noexcept final { ++FRefCount; }
    void Release() noexcept final
    {
        if (--FRefCount == 0)
            delete this;
    }
    TXmlBase* ImplObject() noexcept final { return this; }
    // Whether anyone besides the caller's one reference holds the object.
    bool IsShared() const noexcept { return FRefCount > 1; }

protected:
    TXmlBase() = default;
    ~TXmlBase() override = default;

private:
    int FRefCount = 0;
};

// Equality of two runs of n bytes. Names are short; comparing them in place beats a call to memcmp.
inline bool XmlSameBytes(const char* a, const char* b, std::size_t n) noexcept
{
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
