// Windows side of PingLib: Winsock 1.1 host-by-name lookups and the ICMP helper library.
#include "PingLib.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace skyloom {
namespace {

// Each lookup starts and stops the socket library itself; the platform counts start-ups per process, so overlapping
// calls on several threads are fine.
class TWinsockSession {
public:
    TWinsockSession()
    {
        WSADATA data;
        FStarted = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~TWinsockSession()
    {
        if (FStarted)
            WSACleanup();
    }
    TWinsockSession(const TWinsockSession&) = delete;
    TWinsockSession& operator=(const TWinsockSession&) = delete;
    bool Started() const { return FStarted; }

private:
    bool FStarted = false;
};

class TIcmpHandle {
public:
    TIcmpHandle() : FHandle(IcmpCreateFile()) {}
    ~TIcmpHandle()
    {
        if (Valid())
            IcmpCloseHandle(FHandle);
    }
    TIcmpHandle(const TIcmpHandle&) = delete;
    TIcmpHandle& operator=(const TIcmpHandle&) = delete;
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }

private:
    HANDLE FHandle;
};

// The first IPv4 address of Name, or nullptr. Names longer than the lookup buffer are refused rather than cut, since
// a shortened name is a different host. An empty name would make the platform answer with this machine's own
// addresses, which is not "a host that resolves", so it is refused too.
const hostent* LookUp(const std::string& Name, char (&Buffer)[MaxHostNameLength + 1])
{
    if (Name.empty() || Name.size() > MaxHostNameLength || Name.find('\0') != std::string::npos)
        return nullptr;
    std::memcpy(Buffer, Name.c_str(), Name.size() + 1);
    const hostent* entry = gethostbyname(Buffer);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4)
        return nullptr;
    return entry;
}

bool FirstAddress(const hostent* Entry, TIPv4Address& Address)
{
    if (Entry->h_addr_list == nullptr || Entry->h_addr_list[0] == nullptr)
        return false;
    std::memcpy(Address.data(), Entry->h_addr_list[0], 4);
    return true;
}

} // namespace

bool HostToDottedIP(const std::string& HostName, std::string& IP)
{
    TWinsockSession session;
    if (!session.Started())
        return false;
    char buffer[MaxHostNameLength + 1];
    const hostent* entry = LookUp(HostName, buffer);
    TIPv4Address address;
    if (entry == nullptr || !FirstAddress(entry, address))
        return false;
    IP = FormatDottedIP(address);
    return true;
}

void ResolveIPv4(const std::string& Name, TIPv4Address& Address)
{
    // Dotted text is its own address; the platform would answer the same without asking anyone.
    if (ParseDottedIP(Name, Address))
        return;
    TWinsockSession session;
    try {
        char buffer[MaxHostNameLength + 1];
        const hostent* entry = session.Started() ? LookUp(Name, buffer) : nullptr;
        if (entry == nullptr)
            throw std::runtime_error("Error getting HostName");
        TIPv4Address found;
        if (!FirstAddress(entry, found))
            throw std::runtime_error("Error getting IP from HostName");
        Address = found;
    } catch (const std::exception&) {
        // Callers only want an address; a name that does not resolve is the address nobody answers for.
        Address = TIPv4Address{0, 0, 0, 0};
    }
}

namespace {

bool SendEchoVia(const TIcmpHandle& icmp, const std::string& Address)
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
    TIcmpHandle icmp;
    if (!icmp.Valid())
        return false;
    return SendEchoVia(icmp, Address);
}

struct TProbeSession::TState {
    TWinsockSession Winsock;  // held, so that each lookup's own start-up and clean-up only count
    std::unique_ptr<TIcmpHandle> Icmp;
};

TProbeSession::TProbeSession() : FState(std::make_unique<TState>()) {}

TProbeSession::~TProbeSession() = default;

bool TProbeSession::HostToDottedIP(const std::string& HostName, std::string& IP)
{
    return skyloom::HostToDottedIP(HostName, IP);
}

bool TProbeSession::EchoProbe(const std::string& Address)
{
    if (!FState->Icmp || !FState->Icmp->Valid())
        FState->Icmp = std::make_unique<TIcmpHandle>();
    if (!FState->Icmp->Valid())
        return false;
    return SendEchoVia(*FState->Icmp, Address);
}

} // namespace skyloom
