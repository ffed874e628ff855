#include "PingLib.h"

#include <cstdio>

namespace skyloom {

std::string FormatDottedIP(const TIPv4Address& Address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", Address[0], Address[1], Address[2], Address[3]);
    return text;
}

} // namespace skyloom
