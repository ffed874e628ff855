#include "XmlAlloc.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define SL_XML_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SL_XML_PLAIN_HEAP 1
#endif
#endif

namespace skyloom::xml {

#ifdef SL_XML_PLAIN_HEAP

// Under the address sanitizer every object gets its own heap block, so that misuse is still caught.
void* PoolAllocate(std::size_t size)
{
    return ::operator new(size);
}

void PoolRelease(void* p, std::size_t) noexcept
{
    ::operator delete(p);
}

#else

namespace {

constexpr std::size_t kGranule = 16;
constexpr std::size_t kMaxPooled = 512;
constexpr std::size_t kClasses = kMaxPooled / kGranule;
constexpr std::size_t kChunkSize = 64 * 1024;

struct TFreeBlock {
    TFreeBlock* Next;
};

// One set of free lists per thread, so that no lock is needed. A block freed on another thread simply joins
// that thread's list. The chunks are never given back: they are reused by later documents.
struct TPools {
    TFreeBlock* Free[kClasses] = {};
    char* ChunkPos = nullptr;
    char* ChunkEnd = nullptr;

    void* Carve(std::size_t bytes)
    {
        if (static_cast<std::size_t>(ChunkEnd - ChunkPos) < bytes) {
            ChunkPos = static_cast<char*>(std::malloc(kChunkSize));
            if (!ChunkPos) {
                ChunkEnd = nullptr;
                throw std::bad_alloc();
            }
            ChunkEnd = ChunkPos + kChunkSize;
        }
        void* p = ChunkPos;
        ChunkPos += bytes;
        return p;
    }
};

thread_local TPools tPools;

} // namespace

void* PoolAllocate(std::size_t size)
{
    if (size == 0 || size > kMaxPooled)
        return ::operator new(size);
    const std::size_t cls = (size - 1) / kGranule;
    TPools& pools = tPools;
    if (TFreeBlock* b = pools.Free[cls]) {
        pools.Free[cls] = b->Next;
        return b;
    }
    return pools.Carve((cls + 1) * kGranule);
}

void PoolRelease(void* p, std::size_t size) noexcept
{
    if (!p)
        return;
    if (size == 0 || size > kMaxPooled) {
        ::operator delete(p);
        return;
    }
    const std::size_t cls = (size - 1) / kGranule;
    TPools& pools = tPools;
    auto* b = static_cast<TFreeBlock*>(p);
    b->Next = pools.Free[cls];
    pools.Free[cls] = b;
}

#endif

} // namespace skyloom::xml
