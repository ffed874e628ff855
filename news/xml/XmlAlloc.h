// Allocation of the library's small objects (nodes, node lists, their arrays and strings). A document of a large
// feed holds hundreds of thousands of them; taking them from per-size free lists makes loading and freeing a
// document several times faster than the general heap. Memory of freed objects is kept for the next documents of
// the same thread. The functions are declared in XmlLib.h, whose string type uses them.
#pragma once

#include "XmlLib.h"
