// POSIX side of PingLib: getaddrinfo for lookups, and an ICMP echo over the unprivileged datagram socket, falling back
// to a raw socket where the datagram one is not allowed (root without a suitable ping_group_range).
#include "PingLib.h"
#include "PingLib_posix.h"
#include "SocketHandles_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace skyloom {

TLookup LookUpIPv4(const std::string& Name, TIPv4Address& Address)
{
    if (!IsLookupName(Name))
        return TLookup::lkNoEntry;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    TOwnedAddrInfo list;
    if (getaddrinfo(Name.c_str(), nullptr, &hints, list.Put()) != 0)
        return TLookup::lkNoEntry;
    for (const addrinfo* ai = list.Get(); ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in sin;
            std::memcpy(&sin, ai->ai_addr, sizeof sin);
            std::memcpy(Address.data(), &sin.sin_addr.s_addr, 4);
            return TLookup::lkFound;
        }
    }
    return TLookup::lkNoAddress;
}

namespace {

std::uint16_t InternetChecksum(const unsigned char* Data, std::size_t Size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < Size; i += 2)
        sum += static_cast<std::uint32_t>(Data[i] << 8 | Data[i + 1]);
    if (Size % 2 != 0)
        sum += static_cast<std::uint32_t>(Data[Size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

int OpenEchoSocket(TEchoSocket Kind)
{
    return ::socket(AF_INET, (Kind == TEchoSocket::esDatagram ? SOCK_DGRAM : SOCK_RAW) | SOCK_CLOEXEC, IPPROTO_ICMP);
}

std::atomic<std::uint16_t> NextSequence{1};

enum class TAnswer { anNone, anEchoReply, anError };

// What one received packet says about our request. A raw socket sees every ICMP packet of the host with its IP
// header; a datagram socket sees only its own ICMP messages, without the header, and the kernel picks the identifier.
TAnswer Classify(TEchoSocket Kind, const unsigned char* Packet, std::size_t Size, const TIPv4Address& Target,
                 std::uint16_t Id, std::uint16_t Sequence)
{
    std::size_t offset = 0;
    if (Kind == TEchoSocket::esRaw) {
        if (Size < 20)
            return TAnswer::anNone;
        offset = static_cast<std::size_t>(Packet[0] & 0x0F) * 4;
        if (offset < 20 || Size < offset + 8)
            return TAnswer::anNone;
    } else if (Size < 8) {
        return TAnswer::anNone;
    }
    const unsigned char* icmp = Packet + offset;
    const std::uint8_t type = icmp[0];
    auto word = [](const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); };
    if (type == ICMP_ECHOREPLY) {
        if (word(icmp + 6) != Sequence)
            return TAnswer::anNone;
        if (Kind == TEchoSocket::esRaw && (word(icmp + 4) != Id || std::memcmp(Packet + 12, Target.data(), 4) != 0))
            return TAnswer::anNone;
        return TAnswer::anEchoReply;
    }
    if (Kind == TEchoSocket::esRaw && (type == ICMP_DEST_UNREACH || type == ICMP_TIME_EXCEEDED ||
                                       type == ICMP_PARAMETERPROB || type == ICMP_SOURCE_QUENCH)) {
        // The error quotes our request: its IP header, then our echo header.
        const unsigned char* quoted = icmp + 8;
        const std::size_t left = Size - offset - 8;
        if (left < 20)
            return TAnswer::anNone;
        const std::size_t quotedHeader = static_cast<std::size_t>(quoted[0] & 0x0F) * 4;
        if (quotedHeader < 20 || left < quotedHeader + 8)
            return TAnswer::anNone;
        const unsigned char* echo = quoted + quotedHeader;
        if (echo[0] == ICMP_ECHO && word(echo + 4) == Id && word(echo + 6) == Sequence &&
            std::memcmp(quoted + 16, Target.data(), 4) == 0)
            return TAnswer::anError;
    }
    return TAnswer::anNone;
}

bool SendEcho(TEchoSocket Kind, const TIPv4Address& Target)
{
    TOwnedFd sock(OpenEchoSocket(Kind));
    if (!sock.Valid())
        return false;
    if (Kind == TEchoSocket::esDatagram) {
        // Without this a datagram socket drops ICMP errors about its request, and an unreachable host would cost
        // the whole timeout instead of failing at once as on the raw socket.
        const int on = 1;
        ::setsockopt(sock.Get(), IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    }
    const std::uint16_t id = static_cast<std::uint16_t>(::getpid());
    const std::uint16_t sequence = NextSequence.fetch_add(1);
    unsigned char request[8] = {ICMP_ECHO, 0, 0, 0, static_cast<unsigned char>(id >> 8),
                                static_cast<unsigned char>(id), static_cast<unsigned char>(sequence >> 8),
                                static_cast<unsigned char>(sequence)};
    const std::uint16_t sum = InternetChecksum(request, sizeof request);
    request[2] = static_cast<unsigned char>(sum >> 8);
    request[3] = static_cast<unsigned char>(sum);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr.s_addr, Target.data(), 4);
    if (::sendto(sock.Get(), request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) !=
        static_cast<ssize_t>(sizeof request))
        return false;

    using TClock = std::chrono::steady_clock;
    const auto deadline = TClock::now() + std::chrono::milliseconds(EchoTimeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            return false;
        pollfd pfd{sock.Get(), POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        unsigned char packet[EchoReplyBufferSize];
        const ssize_t got = ::recv(sock.Get(), packet, sizeof packet, 0);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false; // an error queued on the socket, e.g. the host is unreachable
        }
        switch (Classify(Kind, packet, static_cast<std::size_t>(got), Target, id, sequence)) {
        case TAnswer::anEchoReply:
            return true;
        case TAnswer::anError:
            return false;
        case TAnswer::anNone:
            break;
        }
    }
}

} // namespace

bool EchoSocketAvailable(TEchoSocket Kind)
{
    TOwnedFd sock(OpenEchoSocket(Kind));
    return sock.Valid();
}

bool EchoProbeVia(TEchoSocket Kind, const std::string& Address)
{
    TIPv4Address target;
    ResolveIPv4(Address, target);
    // 0.0.0.0 is what a failed lookup gives. Linux would deliver an echo to it locally and answer, which would turn
    // "no such host" into a reply.
    if (target == TIPv4Address{0, 0, 0, 0})
        return false;
    return SendEcho(Kind, target);
}

bool EchoProbe(const std::string& Address)
{
    // The kind of socket this process may open does not change while it runs: found once, not before every echo.
    static const TEchoSocket kind =
        EchoSocketAvailable(TEchoSocket::esDatagram) ? TEchoSocket::esDatagram : TEchoSocket::esRaw;
    return EchoProbeVia(kind, Address);
}

struct TProbeSession::TState {};

TProbeSession::TProbeSession() : FState(std::make_unique<TState>()) {}

TProbeSession::~TProbeSession() = default;

bool TProbeSession::EchoProbe(const std::string& Address)
{
    return skyloom::EchoProbe(Address);
}

} // namespace skyloom
