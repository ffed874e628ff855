// Owners for the socket library's handles on Windows: a Windows Sockets start-up, a socket, an address list from
// getaddrinfo and an ICMP echo handle. Include before windows.h where both are needed.
#pragma once

#include "Owned.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

namespace skyloom {

struct TSocketTraits {
    static SOCKET Null() { return INVALID_SOCKET; }
    static bool Valid(SOCKET s) { return s != INVALID_SOCKET; }
    static void Close(SOCKET s) { closesocket(s); }
};
using TAddrInfoTraits = TNullHandleTraits<addrinfo*, freeaddrinfo>;
struct TIcmpTraits {
    static HANDLE Null() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { IcmpCloseHandle(h); }
};

using TOwnedSocket = TOwned<SOCKET, TSocketTraits>;
using TOwnedAddrInfo = TOwned<addrinfo*, TAddrInfoTraits>;  // getaddrinfo(..., owned.Put())
using TOwnedIcmp = TOwned<HANDLE, TIcmpTraits>;             // IcmpCreateFile

// One start-up of Windows Sockets, cleaned up with the owner. The platform counts start-ups per process, so
// sessions on several threads may overlap.
class TWinSockSession : TNonCopyable {
public:
    explicit TWinSockSession(WORD version = MAKEWORD(2, 2))
    {
        WSADATA data{};
        FStarted = WSAStartup(version, &data) == 0;
    }
    ~TWinSockSession()
    {
        if (FStarted)
            WSACleanup();
    }
    bool Started() const { return FStarted; }

private:
    bool FStarted = false;
};

} // namespace skyloom
