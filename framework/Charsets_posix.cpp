#include "Charsets.h"

namespace skyloom {

// Natively text has no double-byte system code page.
bool IsSystemLeadByte(unsigned char)
{
    return false;
}

} // namespace skyloom
