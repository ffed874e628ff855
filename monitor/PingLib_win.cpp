// Windows side of PingLib: Winsock 1.1 host-by-name lookups and the ICMP helper library.
#include "PingLib.h"

#include "SocketHandles_win.h"

#include <cstring>
#include <memory>

namespace skyloom {

TLookup LookUpIPv4(const std::string& Name, TIPv4Address& Address)
{
    if (!IsLookupName(Name))
        return TLookup::lkNoEntry;
    // Each lookup starts and stops the socket library itself; Winsock 1.1 is enough for host-by-name.
    TWinSockSession session(MAKEWORD(1, 1));
    if (!session.Started())
        return TLookup::lkNoEntry;
    char buffer[MaxHostNameLength + 1];
    std::memcpy(buffer, Name.c_str(), Name.size() + 1);
    const hostent* entry = gethostbyname(buffer);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4)
        return TLookup::lkNoEntry;
    if (entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr)
        return TLookup::lkNoAddress;
    std::memcpy(Address.data(), entry->h_addr_list[0], 4);
    return TLookup::lkFound;
}

namespace {

bool SendEchoVia(const TOwnedIcmp& icmp, const std::string& Address)
{
    TIPv4Address target;
    ResolveIPv4(Address, target);
    // 0.0.0.0 is what a failed lookup gives; Windows refuses to send there, some ICMP stacks would loop it back to
    // this machine and report a reply, so it never goes out.
    if (target == TIPv4Address{0, 0, 0, 0})
        return false;
    IPAddr destination;
    std::memcpy(&destination, target.data(), 4);
    char request = 0;
    alignas(ICMP_ECHO_REPLY) unsigned char reply[EchoReplyBufferSize];
    const DWORD stored =
        IcmpSendEcho(icmp.Get(), destination, &request, 0, nullptr, reply, sizeof reply, EchoTimeoutMs);
    if (stored == 0)
        return false;
    // An unreachable or time-exceeded answer is stored as a reply too; only a real echo reply means the host answered.
    const auto* first = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply);
    return first->Status == IP_SUCCESS;
}

} // namespace

bool EchoProbe(const std::string& Address)
{
    TOwnedIcmp icmp(IcmpCreateFile());
    if (!icmp.Valid())
        return false;
    return SendEchoVia(icmp, Address);
}

struct TProbeSession::TState {
    TWinSockSession Winsock{MAKEWORD(1, 1)};  // held, so that each lookup's own start-up and clean-up only count
    TOwnedIcmp Icmp;
};

TProbeSession::TProbeSession() : FState(std::make_unique<TState>()) {}

TProbeSession::~TProbeSession() = default;

bool TProbeSession::EchoProbe(const std::string& Address)
{
    if (!FState->Icmp.Valid())
        FState->Icmp.Reset(IcmpCreateFile());
    if (!FState->Icmp.Valid())
        return false;
    return SendEchoVia(FState->Icmp, Address);
}

} // namespace skyloom
