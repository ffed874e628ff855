#include "NetSocket.h"

#include "NetException.h"
#include "SocketHandles_posix.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

#include "NetSocketResolve.h"

namespace skyloom {

namespace {

// POSIX error numbers in WinSock terms, so messages and numbers are the same on every platform.
int WinSockError(int err)
{
    switch (err) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EAGAIN: return 10035;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK: return 10035;
#endif
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case EPIPE: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return 10000 + err;
    }
}

[[noreturn]] void RaiseErrno(int err)
{
    RaiseSocketError(WinSockError(err));
}

// A blocking socket reports the end of its send or receive time limit as "would block".
[[noreturn]] void RaiseTransferErrno(int err)
{
    RaiseErrno(err == EAGAIN ? ETIMEDOUT : err);
}

int ToFd(std::intptr_t h)
{
    return static_cast<int>(h);
}

} // namespace

void TNetSocket::Close()
{
    if (FHandle != kInvalid) {
        ::close(ToFd(FHandle));
        FHandle = kInvalid;
    }
}

void TNetSocket::ShutdownSend()
{
    if (FHandle != kInvalid)
        ::shutdown(ToFd(FHandle), SHUT_WR);
}

void TNetSocket::ApplyTimeouts()
{
    if (ReadTimeout > 0) {
        timeval tv{};
        tv.tv_sec = ReadTimeout / 1000;
        tv.tv_usec = (ReadTimeout % 1000) * 1000;
        ::setsockopt(ToFd(FHandle), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(ToFd(FHandle), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    int one = 1;
    ::setsockopt(ToFd(FHandle), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void TNetSocket::Connect(const std::string& host, int port, TNetIPVersion ipVersion)
{
    Close();
    if (port < 1 || port > 65535)
        RaiseSocketError(10049);
    const netsocket::TAddress a = netsocket::Resolve(host, port, ipVersion, EAI_AGAIN);
    const int fd = ::socket(a.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        RaiseErrno(errno);
    FHandle = fd;
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (ConnectTimeout > 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&a.storage), a.length);
    if (rc < 0 && errno == EINPROGRESS && ConnectTimeout > 0) {
        pollfd p{fd, POLLOUT, 0};
        do {
            rc = ::poll(&p, 1, ConnectTimeout);
        } while (rc < 0 && errno == EINTR);
        if (rc == 0) {
            Close();
            RaiseSocketError(10060);
        }
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (rc < 0 || err != 0) {
            const int e = rc < 0 ? errno : err;
            Close();
            RaiseErrno(e);
        }
    } else if (rc < 0) {
        const int e = errno;
        Close();
        RaiseErrno(e);
    }
    ::fcntl(fd, F_SETFL, flags);
    ApplyTimeouts();
}

void TNetSocket::Send(const char* data, std::size_t size)
{
    if (FHandle == kInvalid)
        RaiseSocketError(10038);
    while (size > 0) {
        const ssize_t n = ::send(ToFd(FHandle), data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseTransferErrno(errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::size_t TNetSocket::Receive(char* buffer, std::size_t size)
{
    if (FHandle == kInvalid)
        RaiseSocketError(10038);
    for (;;) {
        const ssize_t n = ::recv(ToFd(FHandle), buffer, size, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        RaiseTransferErrno(errno);
    }
}

bool TNetSocket::Readable()
{
    if (FHandle == kInvalid)
        return false;
    pollfd p{ToFd(FHandle), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, 0);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

bool TNetSocket::WaitReadable(int timeoutMs)
{
    if (FHandle == kInvalid)
        return true;  // the receive that follows reports the missing socket
    pollfd p{ToFd(FHandle), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc != 0;  // an error is left to the receive, which raises it
}

TNetListener::TNetListener()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        RaiseErrno(errno);
    FHandle = fd;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) < 0 || ::listen(fd, 16) < 0) {
        const int e = errno;
        Close();
        RaiseErrno(e);
    }
    socklen_t len = sizeof sin;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &len);
    FPort = ntohs(sin.sin_port);
}

TNetListener::~TNetListener()
{
    Close();
}

void TNetListener::Close()
{
    if (FHandle >= 0) {
        ::close(static_cast<int>(FHandle));
        FHandle = -1;
    }
}

std::unique_ptr<TNetSocket> TNetListener::Accept(int timeoutMs)
{
    if (FHandle < 0)
        return nullptr;
    pollfd p{static_cast<int>(FHandle), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc <= 0)
        return nullptr;
    const int fd = ::accept4(static_cast<int>(FHandle), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return nullptr;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return std::unique_ptr<TNetSocket>(new TNetSocket(fd));
}

} // namespace skyloom
