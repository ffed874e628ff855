// Owners for the socket library's handles on POSIX systems: a file descriptor and an address list from getaddrinfo.
#pragma once

#include "Owned.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace skyloom {

struct TFdTraits {
    static int Null() { return -1; }
    static bool Valid(int fd) { return fd >= 0; }
    static void Close(int fd) { ::close(fd); }
};
using TAddrInfoTraits = TNullHandleTraits<addrinfo*, freeaddrinfo>;

using TOwnedFd = TOwned<int, TFdTraits>;                     // sockets and files
using TOwnedAddrInfo = TOwned<addrinfo*, TAddrInfoTraits>;  // getaddrinfo(..., owned.Put())

} // namespace skyloom
