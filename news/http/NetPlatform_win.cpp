#include <windows.h>

namespace skyloom {

bool IsSystemLeadByte(unsigned char byte);

bool IsSystemLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

} // namespace skyloom
