// Allocation of the library's small objects (nodes, node lists, their arrays and strings). A document of a large
// feed holds hundreds of thousands of them; cutting them one after another from chunks that are reused as a whole
// makes loading and freeing a document several times faster than the general heap. Memory of freed objects is kept
// for the next documents. The functions are declared in XmlLib.h, whose string type uses them.
#pragma once

#include "XmlLib.h"

#include <cstddef>

// Keeps a rare slow path out of a hot function, so that the common path needs no saved registers.
#if defined(_MSC_VER)
#define SL_XML_NOINLINE __declspec(noinline)
#else
#define SL_XML_NOINLINE __attribute__((noinline))
#endif

namespace skyloom::xml {

// How many chunks for small blocks have been made so far; they are never given back, only reused. Always 0 in the
// sanitizer builds, where every block comes from the general heap.
std::size_t PoolChunksMade() noexcept;

} // namespace skyloom::xml
