// The one place where the HTTP client meets the system's sockets: WinSock on Windows (NetSocket_win.cpp), POSIX
// sockets elsewhere (NetSocket_posix.cpp). Errors are raised as ENetSocketError with WinSock error numbers on
// both, so callers see the same numbers and texts everywhere.
#pragma once

#include "Owned.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace skyloom {

enum class TNetIPVersion { ivIPv4, ivIPv6 };

// What the line reader needs from a connection. The client connects through TNetSocket; tests and fuzzers can
// serve scripted bytes through a transport of their own.
class TNetTransport {
public:
    virtual ~TNetTransport() = default;
    // Resolves (unless the host is a numeric address) and connects; raises ENetSocketError.
    virtual void Connect(const std::string& host, int port, TNetIPVersion ipVersion) = 0;
    // Sends every byte or raises.
    virtual void Send(const char* data, std::size_t size) = 0;
    // Waits for bytes (at most ReadTimeout ms when that is above 0); returns how many arrived, 0 when the peer
    // closed the connection. Raises ENetSocketError, 10060 when the wait timed out.
    virtual std::size_t Receive(char* buffer, std::size_t size) = 0;
    // Non-waiting poll: true when a Receive would not block (bytes, end of stream or an error wait).
    virtual bool Readable() = 0;
    // Waits up to timeoutMs for Readable; false when the time passed first. Transports that never block (scripted
    // ones) are always readable.
    virtual bool WaitReadable(int timeoutMs)
    {
        (void)timeoutMs;
        return true;
    }
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Milliseconds; 0 leaves the wait to the system.
    int ConnectTimeout = 0;
    int ReadTimeout = 0;
};

class TNetSocket final : public TNetTransport, TNonCopyable {
public:
    TNetSocket() = default;
    ~TNetSocket() override;

    void Connect(const std::string& host, int port, TNetIPVersion ipVersion) override;
    void Send(const char* data, std::size_t size) override;
    std::size_t Receive(char* buffer, std::size_t size) override;
    bool Readable() override;
    bool WaitReadable(int timeoutMs) override;
    void Close() override;
    bool IsOpen() const override { return FHandle != kInvalid; }
    // Half-closes the sending side (the peer reads the end of stream).
    void ShutdownSend();
    // Applies ReadTimeout (to sends as well) to the open socket; Connect does it by itself.
    void ApplyTimeouts();

private:
    friend class TNetListener;
    static constexpr std::intptr_t kInvalid = -1;
    explicit TNetSocket(std::intptr_t handle);
    std::intptr_t FHandle = kInvalid;
};

// A listening TCP socket on 127.0.0.1 with a port chosen by the system; for loopback servers in tests and
// benchmarks.
class TNetListener : TNonCopyable {
public:
    TNetListener();
    ~TNetListener();

    int Port() const { return FPort; }
    // The next connection, or nothing when none arrived within timeoutMs or the listener was closed.
    std::unique_ptr<TNetSocket> Accept(int timeoutMs);
    void Close();

private:
    std::intptr_t FHandle = -1;
    int FPort = 0;
};

// True for four dot-separated decimal numbers of 0 to 255.
bool IsDottedIPv4(const std::string& host);

} // namespace skyloom
