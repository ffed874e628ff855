// Allocation of the library's small objects (nodes, node lists, their arrays and strings). A document of a large
// feed holds hundreds of thousands of them; cutting them one after another from chunks that are reused as a whole
// makes loading and freeing a document several times faster than the general heap. Memory of freed objects is kept
// for the next documents. The functions are declared in XmlLib.h, whose string type uses them.
#pragma once

#include "XmlLib.h"

#include <cstddef>
#include <cstdint>
#include <new>

// Keeps a rare slow path out of a hot function, so that the common path needs no saved registers.
#if defined(_MSC_VER)
#define SL_XML_NOINLINE __declspec(noinline)
#else
#define SL_XML_NOINLINE __attribute__((noinline))
#endif

#if defined(__SANITIZE_ADDRESS__)
#define SL_XML_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SL_XML_PLAIN_HEAP 1
#endif
#endif

namespace skyloom::xml {

#ifdef SL_XML_PLAIN_HEAP

// Under the address sanitizer every block comes from the general heap, so that misuse is still caught.
inline void* CutObject(std::size_t size) { return ::operator new(size); }
inline void* CutBytes(std::size_t size) { return ::operator new(size); }

#else

// Blocks up to this size are cut from the pool's chunks; larger ones come from the general heap.
inline constexpr std::size_t kMaxPooled = 4096;

struct TChunk;

// Where blocks are being cut: one chunk, the free part of it and how many blocks it has handed out.
struct TCursor {
    TChunk* Chunk;
    char* Pos;
    char* End;
    std::int32_t HandedOut;
};

// Objects are cut at multiples of 8 bytes; the bytes of texts and values, which need no alignment, from chunks of
// their own without rounding, which also keeps the nodes of a document close together.
extern TCursor gObjectCursor;
extern TCursor gByteCursor;

// Takes the next chunk when the cursor's one is used up.
void* CutFromNewChunk(TCursor& cursor, std::size_t bytes);

// The common path of an allocation, inline where the library makes its many small objects.
inline void* Cut(TCursor& cursor, std::size_t bytes)
{
    if (static_cast<std::size_t>(cursor.End - cursor.Pos) < bytes)
        return CutFromNewChunk(cursor, bytes);
    void* p = cursor.Pos;
    cursor.Pos += bytes;
    ++cursor.HandedOut;
#if defined(__GNUC__)
    // The next blocks are written soon: their memory is asked for ahead of the writes.
    __builtin_prefetch(cursor.Pos + 256, 1);
#endif
    return p;
}

inline void* CutObject(std::size_t size)
{
    if (size - 1 >= kMaxPooled)  // also 0
        return ::operator new(size);
    return Cut(gObjectCursor, (size + 7) & ~static_cast<std::size_t>(7));
}

inline void* CutBytes(std::size_t size)
{
    if (size - 1 >= kMaxPooled)
        return ::operator new(size);
    return Cut(gByteCursor, size);
}

#endif

// How many chunks for small blocks have been made so far; they are never given back, only reused. Always 0 in the
// sanitizer builds, where every block comes from the general heap.
std::size_t PoolChunksMade() noexcept;

} // namespace skyloom::xml
