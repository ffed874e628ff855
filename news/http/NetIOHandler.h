// A line-oriented connection with an input buffer: the HTTP client reads status and header lines, chunk-size
// lines and counted blocks from it, and collects each request in a write buffer that goes out in one send.
#pragma once

#include "Owned.h"
#include "NetSocket.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace skyloom {

enum class TNetMaxLineAction { maException, maSplit };

class TNetIOHandlerStack : TNonCopyable {
public:
    explicit TNetIOHandlerStack(std::unique_ptr<TNetTransport> transport);
    ~TNetIOHandlerStack();

    int MaxLineLength = 16384;
    TNetMaxLineAction MaxLineAction = TNetMaxLineAction::maException;
    std::size_t RecvBufferSize = 32768;

    TNetTransport& Transport() { return *FTransport; }

    // Every receive ends by this time, however the peer trickles its bytes: a wait that would pass it fails with
    // socket error 10060. The default sets no such limit.
    using TClock = std::chrono::steady_clock;
    TClock::time_point Deadline = TClock::time_point::max();
    // Asked every few dozen milliseconds while a receive waits; true ends the wait with socket error 10004, so a
    // thread that is told to stop does not sit out a silent server.
    std::function<bool()> Cancelled;

    void Open(const std::string& host, int port, TNetIPVersion ipVersion);
    void Close();
    // Open and not closed by the peer. A poll that does not wait picks up a close that happened since the last
    // read; bytes still waiting in the input buffer count as open.
    bool Connected();
    const std::string& Host() const { return FHost; }
    int Port() const { return FPort; }
    TNetIPVersion IPVersion() const { return FIPVersion; }

    // Up to the next line feed, one carriage return before it removed. Raises ENetConnClosedGracefully when the
    // peer closes first, ENetReadLnMaxLineLengthExceeded for a line longer than MaxLineLength (maException).
    std::string ReadLn();
    // Appends up to `count` bytes to `sink`; returns how many. A close by the peer ends early (returns fewer)
    // unless raiseOnClose is set, which raises ENetConnClosedGracefully instead.
    std::size_t ReadBytes(std::size_t count, std::string& sink, bool raiseOnClose);
    // Appends everything until the peer closes; false (with at least limit + 1 bytes appended) when more than
    // `limit` bytes arrive first.
    bool ReadToClose(std::string& sink, std::size_t limit = static_cast<std::size_t>(-1));

    void WriteBuffered(const std::string& text) { FWriteBuffer += text; }
    void FlushWrite();
    void ClearWriteBuffer() { FWriteBuffer.clear(); }

    std::size_t BufferedBytes() const { return FInputEnd - FInputPos; }

private:
    // One receive into the input buffer; false when the peer closed.
    bool FillInput();
    void CompactInput();
    // One receive from the transport within the deadline.
    std::size_t Receive(char* buffer, std::size_t size);
    // One receive of at most `size` bytes straight onto the end of sink; sink keeps only what arrived, also when
    // the receive raises. Answers the count, 0 when the peer closed.
    std::size_t ReceiveAppend(std::string& sink, std::size_t size);

    std::unique_ptr<TNetTransport> FTransport;
    // Unread bytes are FInput[FInputPos, FInputEnd); the rest of FInput is room for the next receive, kept so
    // that small receives do not clear a fresh buffer each time.
    std::string FInput;
    std::size_t FInputPos = 0;
    std::size_t FInputEnd = 0;
    std::string FWriteBuffer;
    bool FClosedByPeer = false;
    std::string FHost;
    int FPort = 0;
    TNetIPVersion FIPVersion = TNetIPVersion::ivIPv4;
};

} // namespace skyloom
