#include "NetIOHandler.h"

#include "NetException.h"

#include <algorithm>
#include <cstring>

namespace skyloom {

TNetIOHandlerStack::TNetIOHandlerStack(std::unique_ptr<TNetTransport> transport) : FTransport(std::move(transport))
{
}

TNetIOHandlerStack::~TNetIOHandlerStack() = default;

void TNetIOHandlerStack::Open(const std::string& host, int port, TNetIPVersion ipVersion)
{
    Close();
    FHost = host;
    FPort = port;
    FIPVersion = ipVersion;
    FTransport->Connect(host, port, ipVersion);
}

void TNetIOHandlerStack::Close()
{
    FTransport->Close();
    FInputPos = 0;
    FInputEnd = 0;
    FWriteBuffer.clear();
    FClosedByPeer = false;
}

bool TNetIOHandlerStack::Connected()
{
    if (BufferedBytes() > 0)
        return true;
    if (!FTransport->IsOpen() || FClosedByPeer)
        return false;
    try {
        if (FTransport->Readable() && !FillInput())
            return false;
    } catch (const ENetException&) {
        // A reset found by the poll means the same as a close: the connection cannot be used any more.
        FClosedByPeer = true;
        return false;
    }
    return true;
}

std::size_t TNetIOHandlerStack::Receive(char* buffer, std::size_t size)
{
    if (Deadline != TClock::time_point::max() || Cancelled) {
        // The wait happens here, in slices when someone may cancel it; the socket's own receive limit stays as a
        // backstop.
        const int readTimeout = FTransport->ReadTimeout;
        const TClock::time_point start = TClock::now();
        TClock::time_point end = Deadline;
        if (readTimeout > 0)
            end = std::min(end, start + std::chrono::milliseconds(readTimeout));
        for (;;) {
            if (Cancelled && Cancelled())
                RaiseSocketError(10004);
            const TClock::time_point now = TClock::now();
            if (now >= end)
                RaiseSocketError(10060);
            long long left = end == TClock::time_point::max()
                                 ? 0x7FFFFFFF
                                 : std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
            if (Cancelled)
                left = std::min(left, 50LL);
            if (FTransport->WaitReadable(static_cast<int>(std::min(left, 0x7FFFFFFFLL))))
                break;
        }
    }
    return FTransport->Receive(buffer, size);
}

void TNetIOHandlerStack::CompactInput()
{
    if (FInputPos == FInputEnd) {
        FInputPos = 0;
        FInputEnd = 0;
    } else if (FInputPos > 0) {
        std::memmove(FInput.data(), FInput.data() + FInputPos, FInputEnd - FInputPos);
        FInputEnd -= FInputPos;
        FInputPos = 0;
    }
}

bool TNetIOHandlerStack::FillInput()
{
    if (FClosedByPeer || !FTransport->IsOpen())
        return false;
    if (FInput.size() - FInputEnd < RecvBufferSize) {
        CompactInput();
        if (FInput.size() - FInputEnd < RecvBufferSize)
            FInput.resize(FInputEnd + RecvBufferSize);
    }
    const std::size_t n = Receive(FInput.data() + FInputEnd, RecvBufferSize);
    FInputEnd += n;
    if (n == 0)
        FClosedByPeer = true;
    return n > 0;
}

std::string TNetIOHandlerStack::ReadLn()
{
    const std::size_t limit = MaxLineLength > 0 ? static_cast<std::size_t>(MaxLineLength) : std::string::npos;
    std::size_t scanned = 0;
    for (;;) {
        const char* begin = FInput.data() + FInputPos;
        const std::size_t avail = FInputEnd - FInputPos;
        const void* lf = avail > scanned ? std::memchr(begin + scanned, '\n', avail - scanned) : nullptr;
        if (lf != nullptr) {
            const std::size_t pos = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
            std::size_t len = pos;
            if (len > 0 && begin[len - 1] == '\r')
                --len;
            if (len > limit) {
                if (MaxLineAction == TNetMaxLineAction::maException)
                    throw ENetReadLnMaxLineLengthExceeded();
                std::string part(begin, limit);
                FInputPos += limit;
                return part;
            }
            std::string line(begin, len);
            FInputPos += pos + 1;
            return line;
        }
        scanned = avail;
        // No line feed yet: a line that is already too long (even allowing for its carriage return) need not
        // be waited for.
        if (limit != std::string::npos && avail > limit + 1) {
            if (MaxLineAction == TNetMaxLineAction::maException)
                throw ENetReadLnMaxLineLengthExceeded();
            std::string part(begin, limit);
            FInputPos += limit;
            return part;
        }
        // Compaction may move the unread bytes to the front; `scanned` counts from the read position, so it
        // stays right.
        if (!FillInput())
            throw ENetConnClosedGracefully();
    }
}

std::size_t TNetIOHandlerStack::ReadBytes(std::size_t count, std::string& sink, bool raiseOnClose)
{
    std::size_t done = std::min(count, BufferedBytes());
    // An announced length is not trusted with memory: room grows with what has really arrived (doubling, so the
    // copies stay few) and never beyond the announced block.
    const std::size_t start = sink.size();
    const std::size_t whole = start + count;
    sink.reserve(start + std::min<std::size_t>(count, std::size_t{64} << 10));
    sink.append(FInput, FInputPos, done);
    FInputPos += done;
    if (FInputPos == FInputEnd)
        FInputPos = FInputEnd = 0;
    // The rest goes straight from the socket into the sink, a receive buffer at a time.
    while (done < count) {
        if (FClosedByPeer || !FTransport->IsOpen()) {
            if (raiseOnClose)
                throw ENetConnClosedGracefully();
            break;
        }
        if (count - done < RecvBufferSize) {
            // A short remainder (the tail of a body, a chunk) is read through the input buffer: one full-sized
            // receive also brings what follows it, such as the next chunk's size line, instead of a small
            // receive for each piece.
            if (!FillInput())
                continue;
            const std::size_t take = std::min(count - done, BufferedBytes());
            sink.append(FInput, FInputPos, take);
            FInputPos += take;
            done += take;
            continue;
        }
        const std::size_t want = std::min(count - done, RecvBufferSize);
        const std::size_t old = sink.size();
        if (old + want > sink.capacity())
            sink.reserve(std::min(whole, std::max(old + want, 2 * sink.capacity())));
        const std::size_t n = ReceiveAppend(sink, want);
        if (n == 0) {
            FClosedByPeer = true;
            continue;
        }
        done += n;
    }
    return done;
}

std::size_t TNetIOHandlerStack::ReceiveAppend(std::string& sink, std::size_t size)
{
    const std::size_t old = sink.size();
    sink.resize(old + size);
    std::size_t n = 0;
    try {
        n = Receive(sink.data() + old, size);
    } catch (...) {
        sink.resize(old);
        throw;
    }
    sink.resize(old + n);
    return n;
}

bool TNetIOHandlerStack::ReadToClose(std::string& sink, std::size_t limit)
{
    const std::size_t start = sink.size();
    sink.append(FInput, FInputPos, FInputEnd - FInputPos);
    FInputPos = FInputEnd = 0;
    while (!FClosedByPeer && FTransport->IsOpen()) {
        if (sink.size() - start > limit)
            return false;
        if (ReceiveAppend(sink, RecvBufferSize) == 0)
            FClosedByPeer = true;
    }
    return sink.size() - start <= limit;
}

void TNetIOHandlerStack::FlushWrite()
{
    std::string out;
    out.swap(FWriteBuffer);
    FTransport->Send(out.data(), out.size());
}

} // namespace skyloom
