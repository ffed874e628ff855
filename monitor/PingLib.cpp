#include "PingLib.h"

#include <cstdio>
#include <stdexcept>

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

bool IsLookupName(const std::string& Name)
{
    return !Name.empty() && Name.size() <= MaxHostNameLength && Name.find('\0') == std::string::npos;
}

bool HostToDottedIP(const std::string& HostName, std::string& IP)
{
    TIPv4Address address;
    if (LookUpIPv4(HostName, address) != TLookup::lkFound)
        return false;
    IP = FormatDottedIP(address);
    return true;
}

void ResolveIPv4(const std::string& Name, TIPv4Address& Address)
{
    // Dotted text is its own address; the platform would answer the same without asking anyone.
    if (ParseDottedIP(Name, Address))
        return;
    try {
        TIPv4Address found;
        switch (LookUpIPv4(Name, found)) {
        case TLookup::lkNoEntry:
            throw std::runtime_error("Error getting HostName");
        case TLookup::lkNoAddress:
            throw std::runtime_error("Error getting IP from HostName");
        case TLookup::lkFound:
            break;
        }
        Address = found;
    } catch (const std::exception&) {
        // Callers only want an address; a name that does not resolve is the address nobody answers for.
        Address = TIPv4Address{0, 0, 0, 0};
    }
}

bool TProbeSession::HostToDottedIP(const std::string& HostName, std::string& IP)
{
    return skyloom::HostToDottedIP(HostName, IP);
}

} // namespace skyloom
