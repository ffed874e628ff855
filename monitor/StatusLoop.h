// The connection status loop: one pass resolves the probe host, sends it one echo and decides between online and
// offline; the loop repeats passes until its thread is asked to stop. The window side (painting the status panel on
// the main thread) is handed in as a callback, so the rules here run and are tested without a window.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace skyloom {

// The public host whose address every pass pings.
extern const char* const ProbeHost;

// Pause between two passes.
inline constexpr std::chrono::milliseconds StatusPassPause{10};

enum class TConnectionStatus { csOffline, csOnline };

// How the status panel shows an outcome: its colour (red, green, blue) and caption.
struct TStatusLook {
    std::uint8_t Red;
    std::uint8_t Green;
    std::uint8_t Blue;
    const char* Caption;
};

inline constexpr TStatusLook OnlineLook{0, 128, 0, "ONLINE"};
inline constexpr TStatusLook OfflineLook{255, 0, 0, "OFFLINE"};

const TStatusLook& LookOf(TConnectionStatus Status);

// Removes leading and trailing bytes of value 32 or less.
std::string TrimText(const std::string& Text);

// The outcome rule of one pass: online when the echo was answered, the address text (trimmed) is not empty and it
// differs from the "ping" setting (exact, case-sensitive, the setting untrimmed).
TConnectionStatus PassOutcome(bool Replied, const std::string& AddressText, const std::string& PingSetting);

// The lookups a pass makes; PingLib's by default, replaceable for tests.
struct TStatusProbes {
    std::function<bool(const std::string& HostName, std::string& IP)> HostToDottedIP;
    std::function<bool(const std::string& Address)> EchoProbe;

    // The platform's, through one probe session: create it on the thread that runs the passes.
    static TStatusProbes Network();
};

// One pass: a fresh address text, the lookup (its result ignored), the echo (sent even to an empty text), the rule.
TConnectionStatus RunStatusPass(const TStatusProbes& Probes, const std::string& Host, const std::string& PingSetting);

// A string written by one thread and read by another; each read sees a whole value.
class TGuardedString {
public:
    void Set(std::string Value);
    std::string Get() const;

private:
    mutable std::mutex FLock;
    std::string FValue;
};

struct TStatusLoopHooks {
    // Asked before each pass and again before its outcome is shown; true ends the loop.
    std::function<bool()> StopRequested;
    // The "ping" setting, read afresh in every pass.
    std::function<std::string()> PingSetting;
    // Shows the outcome; called on the loop's thread, so it must hand the look over to the window's thread.
    std::function<void(const TStatusLook& Look)> Show;
    // Waits between passes; std::this_thread::sleep_for when empty.
    std::function<void(std::chrono::milliseconds)> Pause;
};

// Repeats passes until StopRequested answers true. Returns the number of passes whose outcome was shown.
std::uint64_t RunStatusLoop(const TStatusProbes& Probes, const std::string& Host, const TStatusLoopHooks& Hooks);

} // namespace skyloom
