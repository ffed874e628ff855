#include "PingLib.h"

#include <cstdio>

namespace skyloom {

std::string FormatDottedIP(const TIPv4Address& Address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", Address[0], Address[1], Address[2], Address[3]);
    return text;
}

bool ParseDottedIP(const std::string& Text, TIPv4Address& Address)
{
    TIPv4Address parsed{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= Text.size() || Text[pos] != '.')
                return false;
            ++pos;
        }
        const std::size_t start = pos;
        unsigned value = 0;
        while (pos < Text.size() && pos - start < 3 && Text[pos] >= '0' && Text[pos] <= '9')
            value = value * 10 + static_cast<unsigned>(Text[pos++] - '0');
        const std::size_t digits = pos - start;
        if (digits == 0 || value > 255 || (digits > 1 && Text[start] == '0'))
            return false;
        parsed[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != Text.size())
        return false;
    Address = parsed;
    return true;
}

} // namespace skyloom
