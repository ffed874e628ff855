#include "XmlAlloc.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace skyloom::xml {

#ifdef SL_XML_PLAIN_HEAP

// Under the address sanitizer every object gets its own heap block, so that misuse is still caught.
void* PoolAllocate(std::size_t size)
{
    return ::operator new(size);
}

void* PoolAllocateBytes(std::size_t size)
{
    return ::operator new(size);
}

void PoolRelease(void* p, std::size_t) noexcept
{
    ::operator delete(p);
}

std::size_t PoolChunksMade() noexcept
{
    return 0;
}

#else

// Small blocks are cut one after another from 64 KB chunks, aligned to their size so that a block's chunk follows
// from its address. A chunk only counts its live blocks; once it is no longer being cut from and its last block is
// released, the whole chunk is reused. A load thus writes its nodes into consecutive memory, and releasing a block
// never touches the block itself.
//
// Like the rest of the library this takes no locks: it is used from one thread at a time. A document may still be
// made on one thread and released on another.

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;
constexpr std::size_t kChunksPerSlab = 16;
constexpr std::size_t kGranule = 8;  // no type of the library needs a stricter alignment
// While a chunk is being cut from, its count carries this bias, so that it cannot reach zero before the blocks
// handed out are added.
constexpr std::int32_t kCuttingBias = 1 << 30;

} // namespace

struct alignas(64) TChunk {
    std::int32_t Live;
    TChunk* NextSpare;
};

namespace {

constexpr std::size_t kFirstBlock = sizeof(TChunk);
static_assert(kFirstBlock % kGranule == 0);
static_assert(kGranule == 8);  // the rounding in CutObject
static_assert((kChunkSize - kFirstBlock) / kGranule < static_cast<std::size_t>(kCuttingBias));

TChunk* ChunkOf(void* p) noexcept
{
    return reinterpret_cast<TChunk*>(reinterpret_cast<std::uintptr_t>(p) & ~static_cast<std::uintptr_t>(kChunkSize - 1));
}

// Plain data without a destructor: nodes of static documents may still be released while the program exits.
struct TPool {
    // Empty chunks that were used before, the one given back last first: it is the likeliest to be still in the
    // cache. Slabs are never given back: the memory serves the next documents.
    TChunk* Spare;
    // Chunks of the newest slab not used yet; they are not touched before they are needed.
    char* SlabPos;
    char* SlabEnd;
    std::size_t ChunksMade;
};

TPool gPool = {};

void GiveBack(TChunk* c) noexcept
{
    c->NextSpare = gPool.Spare;
    gPool.Spare = c;
}

TChunk* TakeChunk()
{
    if (TChunk* c = gPool.Spare) {
        gPool.Spare = c->NextSpare;
        return c;
    }
    if (gPool.SlabPos == gPool.SlabEnd) {
        char* raw = static_cast<char*>(std::malloc(kChunkSize * (kChunksPerSlab + 1)));
        if (!raw)
            throw std::bad_alloc();
        gPool.ChunksMade += kChunksPerSlab;
        const auto at = reinterpret_cast<std::uintptr_t>(raw);
        gPool.SlabPos = raw + (((at + kChunkSize - 1) & ~(kChunkSize - 1)) - at);
        gPool.SlabEnd = gPool.SlabPos + kChunkSize * kChunksPerSlab;
    }
    auto* c = ::new (gPool.SlabPos) TChunk{};
    gPool.SlabPos += kChunkSize;
    return c;
}

} // namespace

TCursor gObjectCursor = {};
TCursor gByteCursor = {};

// Kept out of line, so that the common path of the allocation needs no saved registers.
SL_XML_NOINLINE void* CutFromNewChunk(TCursor& cursor, std::size_t bytes)
{
    TChunk* fresh = TakeChunk();
    fresh->Live = kCuttingBias;
    if (TChunk* old = cursor.Chunk) {
        // The bias is traded for the number of blocks handed out.
        old->Live += cursor.HandedOut - kCuttingBias;
        if (old->Live == 0)
            GiveBack(old);
    }
    cursor.Chunk = fresh;
    cursor.Pos = reinterpret_cast<char*>(fresh) + kFirstBlock + bytes;
    cursor.End = reinterpret_cast<char*>(fresh) + kChunkSize;
    cursor.HandedOut = 1;
    return reinterpret_cast<char*>(fresh) + kFirstBlock;
}

void* PoolAllocate(std::size_t size)
{
    return CutObject(size);
}

void* PoolAllocateBytes(std::size_t size)
{
    return CutBytes(size);
}

void PoolRelease(void* p, std::size_t size) noexcept
{
    if (!p)
        return;
    if (size - 1 >= kMaxPooled) {
        ::operator delete(p);
        return;
    }
    TChunk* c = ChunkOf(p);
    if (--c->Live == 0) {
        GiveBack(c);
        return;
    }
    // The last live block of a chunk still being cut from: cutting starts again at its beginning, so that the next
    // document (a feed is loaded, read and released again and again) is written into memory the cache still holds.
    for (TCursor* cursor : {&gObjectCursor, &gByteCursor}) {
        if (cursor->Chunk == c && c->Live - kCuttingBias + cursor->HandedOut == 0) {
            cursor->Pos = reinterpret_cast<char*>(c) + kFirstBlock;
            cursor->HandedOut = 0;
            c->Live = kCuttingBias;
        }
    }
}

std::size_t PoolChunksMade() noexcept
{
    return gPool.ChunksMade;
}

#endif

} // namespace skyloom::xml
