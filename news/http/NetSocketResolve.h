// Address resolution for both socket back ends. Included by NetSocket_win.cpp and NetSocket_posix.cpp after their
// platform's socket headers and owners (SocketHandles_win.h / SocketHandles_posix.h); internal to the HTTP library.
#pragma once

#include "NetException.h"
#include "NetSocket.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace skyloom::netsocket {

struct TAddress {
    sockaddr_storage storage{};
    int length = 0;
};

// The address of host (a dotted IPv4 address is taken as it is) with port; raises ENetSocketError 11001 when the
// name is unknown and 11002 when the lookup failed for now (`tryAgain`, the platform's code for that answer).
inline TAddress Resolve(const std::string& host, int port, TNetIPVersion ipVersion, int tryAgain)
{
    TAddress a;
    const auto netPort = htons(static_cast<std::uint16_t>(port));
    if (ipVersion == TNetIPVersion::ivIPv4 && IsDottedIPv4(host)) {
        auto* sin = reinterpret_cast<sockaddr_in*>(&a.storage);
        sin->sin_family = AF_INET;
        sin->sin_port = netPort;
        inet_pton(AF_INET, host.c_str(), &sin->sin_addr);
        a.length = sizeof(sockaddr_in);
        return a;
    }
    addrinfo hints{};
    hints.ai_family = ipVersion == TNetIPVersion::ivIPv6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    TOwnedAddrInfo found;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, found.Put());
    if (rc != 0 || !found)
        RaiseSocketError(rc == tryAgain ? 11002 : 11001);
    std::memcpy(&a.storage, found.Get()->ai_addr, found.Get()->ai_addrlen);
    a.length = static_cast<int>(found.Get()->ai_addrlen);
    if (a.storage.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&a.storage)->sin6_port = netPort;
    else
        reinterpret_cast<sockaddr_in*>(&a.storage)->sin_port = netPort;
    return a;
}

} // namespace skyloom::netsocket
