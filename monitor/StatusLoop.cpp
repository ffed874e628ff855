#include "StatusLoop.h"

#include "PingLib.h"

#include <memory>
#include <thread>

namespace skyloom {

const char* const ProbeHost = SL_PROBE_HOST;

const TStatusLook& LookOf(TConnectionStatus Status)
{
    return Status == TConnectionStatus::csOnline ? OnlineLook : OfflineLook;
}

std::string TrimText(const std::string& Text)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t first = 0;
    std::size_t last = Text.size();
    while (first < last && blank(Text[first]))
        ++first;
    while (last > first && blank(Text[last - 1]))
        --last;
    return Text.substr(first, last - first);
}

TConnectionStatus PassOutcome(bool Replied, const std::string& AddressText, const std::string& PingSetting)
{
    const std::string trimmed = TrimText(AddressText);
    const bool online = Replied && !trimmed.empty() && trimmed != PingSetting;
    return online ? TConnectionStatus::csOnline : TConnectionStatus::csOffline;
}

TStatusProbes TStatusProbes::Network()
{
    // One session for the probes' life: the loop's passes share the socket library and the ICMP handle.
    auto session = std::make_shared<TProbeSession>();
    return TStatusProbes{
        [session](const std::string& HostName, std::string& IP) { return session->HostToDottedIP(HostName, IP); },
        [session](const std::string& Address) { return session->EchoProbe(Address); }};
}

TConnectionStatus RunStatusPass(const TStatusProbes& Probes, const std::string& Host, const std::string& PingSetting)
{
    std::string address;
    // The lookup's own result is not needed: a failed lookup leaves the text empty, and the rule sees that.
    Probes.HostToDottedIP(Host, address);
    const bool replied = Probes.EchoProbe(address);
    return PassOutcome(replied, address, PingSetting);
}

void TGuardedString::Set(std::string Value)
{
    std::lock_guard<std::mutex> guard(FLock);
    FValue = std::move(Value);
}

std::string TGuardedString::Get() const
{
    std::lock_guard<std::mutex> guard(FLock);
    return FValue;
}

std::uint64_t RunStatusLoop(const TStatusProbes& Probes, const std::string& Host, const TStatusLoopHooks& Hooks)
{
    std::uint64_t shown = 0;
    while (!Hooks.StopRequested()) {
        const TConnectionStatus status = RunStatusPass(Probes, Host, Hooks.PingSetting());
        // An echo can take three seconds; a stop asked for meanwhile must not paint a window that is going away.
        if (Hooks.StopRequested())
            break;
        Hooks.Show(LookOf(status));
        ++shown;
        if (Hooks.Pause)
            Hooks.Pause(StatusPassPause);
        else
            std::this_thread::sleep_for(StatusPassPause);
    }
    return shown;
}

} // namespace skyloom
