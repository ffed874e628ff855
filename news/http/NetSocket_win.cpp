#include "NetSocket.h"

#include "NetException.h"

#include "SocketHandles_win.h"
#include "NetSocketResolve.h"

#include <cstring>

namespace skyloom {

namespace {

void EnsureWinSock()
{
    // Started once per process and cleaned up at exit.
    static TWinSockSession session;
}

[[noreturn]] void RaiseLast()
{
    RaiseSocketError(WSAGetLastError());
}

SOCKET ToSocket(std::intptr_t h)
{
    return static_cast<SOCKET>(h);
}

// select() for one socket's readability: above 0 readable, 0 when the time passed, below 0 an error.
int SelectReadable(SOCKET s, int timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    return select(0, &readable, nullptr, nullptr, &tv);
}

} // namespace

void TNetSocket::Close()
{
    if (FHandle != kInvalid) {
        closesocket(ToSocket(FHandle));
        FHandle = kInvalid;
    }
}

void TNetSocket::ShutdownSend()
{
    if (FHandle != kInvalid)
        shutdown(ToSocket(FHandle), SD_SEND);
}

void TNetSocket::ApplyTimeouts()
{
    if (ReadTimeout > 0) {
        const DWORD ms = static_cast<DWORD>(ReadTimeout);
        setsockopt(ToSocket(FHandle), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
        setsockopt(ToSocket(FHandle), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    }
    BOOL one = TRUE;
    setsockopt(ToSocket(FHandle), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

void TNetSocket::Connect(const std::string& host, int port, TNetIPVersion ipVersion)
{
    EnsureWinSock();
    Close();
    if (port < 1 || port > 65535)
        RaiseSocketError(10049);
    const netsocket::TAddress a = netsocket::Resolve(host, port, ipVersion, WSATRY_AGAIN);
    const SOCKET s = socket(a.storage.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        RaiseLast();
    FHandle = static_cast<std::intptr_t>(s);
    u_long nonBlocking = ConnectTimeout > 0 ? 1 : 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<const sockaddr*>(&a.storage), a.length) == SOCKET_ERROR) {
        const int err = WSAGetLastError();
        if (err != WSAEWOULDBLOCK || ConnectTimeout <= 0) {
            Close();
            RaiseSocketError(err);
        }
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval tv{};
        tv.tv_sec = ConnectTimeout / 1000;
        tv.tv_usec = (ConnectTimeout % 1000) * 1000;
        const int rc = select(0, nullptr, &writable, &failed, &tv);
        if (rc == 0) {
            Close();
            RaiseSocketError(10060);
        }
        int soError = 0;
        int len = sizeof soError;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
        if (rc == SOCKET_ERROR || FD_ISSET(s, &failed) || soError != 0) {
            const int e = rc == SOCKET_ERROR ? WSAGetLastError() : (soError != 0 ? soError : WSAECONNREFUSED);
            Close();
            RaiseSocketError(e);
        }
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    ApplyTimeouts();
}

void TNetSocket::Send(const char* data, std::size_t size)
{
    if (FHandle == kInvalid)
        RaiseSocketError(10038);
    while (size > 0) {
        const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
        const int n = send(ToSocket(FHandle), data, chunk, 0);
        if (n == SOCKET_ERROR)
            RaiseLast();
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::size_t TNetSocket::Receive(char* buffer, std::size_t size)
{
    if (FHandle == kInvalid)
        RaiseSocketError(10038);
    const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    const int n = recv(ToSocket(FHandle), buffer, chunk, 0);
    if (n == SOCKET_ERROR)
        RaiseLast();
    return static_cast<std::size_t>(n);
}

bool TNetSocket::Readable()
{
    return FHandle != kInvalid && SelectReadable(ToSocket(FHandle), 0) > 0;
}

bool TNetSocket::WaitReadable(int timeoutMs)
{
    if (FHandle == kInvalid)
        return true;  // the receive that follows reports the missing socket
    return SelectReadable(ToSocket(FHandle), timeoutMs) != 0;  // an error is left to the receive, which raises it
}

TNetListener::TNetListener()
{
    EnsureWinSock();
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        RaiseLast();
    FHandle = static_cast<std::intptr_t>(s);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s, reinterpret_cast<sockaddr*>(&sin), sizeof sin) == SOCKET_ERROR ||
        listen(s, 16) == SOCKET_ERROR) {
        const int e = WSAGetLastError();
        Close();
        RaiseSocketError(e);
    }
    int len = sizeof sin;
    getsockname(s, reinterpret_cast<sockaddr*>(&sin), &len);
    FPort = ntohs(sin.sin_port);
}

TNetListener::~TNetListener()
{
    Close();
}

void TNetListener::Close()
{
    if (FHandle != -1) {
        closesocket(ToSocket(FHandle));
        FHandle = -1;
    }
}

std::unique_ptr<TNetSocket> TNetListener::Accept(int timeoutMs)
{
    if (FHandle == -1)
        return nullptr;
    if (SelectReadable(ToSocket(FHandle), timeoutMs) <= 0)
        return nullptr;
    const SOCKET s = accept(ToSocket(FHandle), nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return nullptr;
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return std::unique_ptr<TNetSocket>(new TNetSocket(static_cast<std::intptr_t>(s)));
}

} // namespace skyloom
