// Status loop on loopback: passes per second and CPU per pass of the real loop (lookup + echo + 10 ms pause), next
// to peers measured in the same run: the loop with only the pause, with only the lookup, with only the echo.
// Run as root inside a private network namespace (scripts/lib/netns.sh sl_netns) so the echo stays on loopback.
// The Windows build (win32/win64 presets) runs the same under Wine: wine bench_monitor.exe [seconds] [host].
//
//   bench_monitor [seconds-per-variant] [host]
#include "BenchKit.h"
#include "PingLib.h"
#include "StatusLoop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace skyloom;

struct TFigures {
    double PassesPerSecond;
    double CpuMsPerPass;
    double WallMsPerPass;
    std::uint64_t Online;
    std::uint64_t Passes;
};

TFigures Measure(const TStatusProbes& probes, const std::string& host, double seconds)
{
    using TClock = std::chrono::steady_clock;
    const auto start = TClock::now();
    const auto end = start + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(seconds));
    const double cpu0 = bench::CpuSeconds();
    std::uint64_t online = 0;
    TStatusLoopHooks hooks;
    hooks.StopRequested = [&] { return TClock::now() >= end; };
    hooks.PingSetting = [] { return std::string(SL_PROBE_HOST); };
    hooks.Show = [&](const TStatusLook& look) { online += std::string(look.Caption) == "ONLINE"; };
    const std::uint64_t passes = RunStatusLoop(probes, host, hooks);
    const double wall = std::chrono::duration<double>(TClock::now() - start).count();
    const double cpu = bench::CpuSeconds() - cpu0;
    const double n = passes > 0 ? static_cast<double>(passes) : 1.0;
    return {static_cast<double>(passes) / wall, cpu * 1000.0 / n, wall * 1000.0 / n, online, passes};
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const std::string host = argc > 2 ? argv[2] : "localhost";
    std::string address;
    if (!HostToDottedIP(host, address) || !EchoProbe(address)) {
        std::fprintf(stderr, "%s does not answer echoes here; run inside sl_netns as root\n", host.c_str());
        return 1;
    }
    const TStatusProbes real = TStatusProbes::Network();
    TStatusProbes pauseOnly{[](const std::string&, std::string& ip) { ip = "127.0.0.1"; return true; },
                            [](const std::string&) { return true; }};
    TStatusProbes lookupOnly{&HostToDottedIP, [](const std::string&) { return true; }};
    TStatusProbes echoOnly{[](const std::string&, std::string& ip) { ip = "127.0.0.1"; return true; }, &EchoProbe};

    const TFigures full = Measure(real, host, seconds);
    const TFigures pause = Measure(pauseOnly, host, seconds);
    const TFigures lookup = Measure(lookupOnly, host, seconds);
    const TFigures echo = Measure(echoOnly, host, seconds);

    std::printf("%-22s %10s %12s %12s %8s\n", "variant", "passes/s", "cpu ms/pass", "wall ms/pass", "online");
    auto row = [](const char* name, const TFigures& f) {
        std::printf("%-22s %10.1f %12.4f %12.3f %7llu/%llu\n", name, f.PassesPerSecond, f.CpuMsPerPass, f.WallMsPerPass,
                    static_cast<unsigned long long>(f.Online), static_cast<unsigned long long>(f.Passes));
    };
    row("full pass (loopback)", full);
    row("pause only", pause);
    row("lookup + pause", lookup);
    row("echo + pause", echo);
    std::printf("ratio full/pause-only passes/s: %.3f\n", full.PassesPerSecond / pause.PassesPerSecond);
    std::printf("ratio full/lookup-only cpu per pass: %.2f\n", full.CpuMsPerPass / lookup.CpuMsPerPass);
    std::printf("ratio full/echo-only cpu per pass: %.2f\n", full.CpuMsPerPass / echo.CpuMsPerPass);
    return full.Online == full.Passes ? 0 : 2;
}
