// A line-oriented connection with an input buffer: the HTTP client reads status and header lines, chunk-size
// lines and counted blocks from it, and collects each request in a write buffer that goes out in one send.
#pragma once

#include "NetSocket.h"

#include <cstddef>
#include <memory>
#include <string>

namespace skyloom {

enum class TNetMaxLineAction { maException, maSplit };

class TNetIOHandlerStack {
public:
    explicit TNetIOHandlerStack(std::unique_ptr<TNetTransport> transport);
    ~TNetIOHandlerStack();
    TNetIOHandlerStack(const TNetIOHandlerStack&) = delete;
    TNetIOHandlerStack& operator=(const TNetIOHandlerStack&) = delete;

    int MaxLineLength = 16384;
    TNetMaxLineAction MaxLineAction = TNetMaxLineAction::maException;
    std::size_t RecvBufferSize = 32768;

    TNetTransport& Transport() { return *FTransport; }

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
    // Appends everything until the peer closes.
    void ReadToClose(std::string& sink);

    void WriteBuffered(const std::string& text) { FWriteBuffer += text; }
    void FlushWrite();
    void ClearWriteBuffer() { FWriteBuffer.clear(); }

    std::size_t BufferedBytes() const { return FInputEnd - FInputPos; }

private:
    // One receive into the input buffer; false when the peer closed.
    bool FillInput();
    void CompactInput();

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
