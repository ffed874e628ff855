// Address lookup and ICMP echo: three small routines the connection monitor calls from its worker thread. They keep
// no state between calls and report failures only through their results.
#pragma once

#include "Owned.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace skyloom {

// Four bytes in network order: the first byte is the first number of the dotted form.
using TIPv4Address = std::array<std::uint8_t, 4>;

// Longest host name the lookups accept; the platform's query gets it in a 256-byte buffer with its terminator.
inline constexpr std::size_t MaxHostNameLength = 255;
// How long EchoProbe waits for the reply to its one echo request.
inline constexpr unsigned EchoTimeoutMs = 3000;
// Size of the buffer the reply is stored in.
inline constexpr std::size_t EchoReplyBufferSize = 128;

// "%d.%d.%d.%d" of the four bytes.
std::string FormatDottedIP(const TIPv4Address& Address);

// Reads text of exactly that form (four numbers 0..255 without leading zeros, nothing else) without asking the
// platform; false for anything else, which is then the name lookup's to judge.
bool ParseDottedIP(const std::string& Text, TIPv4Address& Address);

// True when HostName resolved; IP then holds the dotted text of its first address. False leaves IP untouched.
bool HostToDottedIP(const std::string& HostName, std::string& IP);

// Address holds the first address of Name (dotted text resolves to itself), or 0.0.0.0 when it does not resolve.
void ResolveIPv4(const std::string& Name, TIPv4Address& Address);

// What a host-name lookup found: the platform's half of HostToDottedIP and ResolveIPv4.
enum class TLookup { lkFound, lkNoEntry, lkNoAddress };

// First IPv4 address of Name, asked of the platform (each call starts what the platform's lookup needs itself).
// Over-long names are refused rather than cut (a shortened name is a different host), and so is the empty name,
// which the platforms answer with this machine's own addresses: both give lkNoEntry, as does a NUL inside the name.
TLookup LookUpIPv4(const std::string& Name, TIPv4Address& Address);

// Whether Name may be handed to the platform's lookup at all (see LookUpIPv4).
bool IsLookupName(const std::string& Name);

// Sends one echo request without payload to Address (a name or dotted text) and waits up to EchoTimeoutMs.
// True only when an echo reply came back; ICMP errors (unreachable, time exceeded...) and silence give false.
bool EchoProbe(const std::string& Address);

// A series of probes from one thread that keeps between calls what the platform makes expensive to set up again:
// the socket library stays started and the ICMP handle stays open for the session's life. Each call sends and asks
// exactly what the free routines above do.
class TProbeSession : TNonCopyable {
public:
    TProbeSession();
    ~TProbeSession();

    bool HostToDottedIP(const std::string& HostName, std::string& IP);
    bool EchoProbe(const std::string& Address);

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

} // namespace skyloom
