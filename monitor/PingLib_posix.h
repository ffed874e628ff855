// The POSIX build sends its echo through one of two kinds of ICMP socket; tests pick each one explicitly.
#pragma once

#include <string>

namespace skyloom {

enum class TEchoSocket {
    esDatagram, // unprivileged ICMP datagram socket, allowed by net.ipv4.ping_group_range
    esRaw,      // raw ICMP socket, needs CAP_NET_RAW
};

// EchoProbe over the given kind of socket only. False also when that socket cannot be opened here.
bool EchoProbeVia(TEchoSocket Kind, const std::string& Address);

// Whether this process may open that kind of ICMP socket.
bool EchoSocketAvailable(TEchoSocket Kind);

} // namespace skyloom
