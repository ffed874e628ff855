#include "StatusLoop.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace skyloom {
namespace {

bool EnvFlag(const char* Name)
{
    const char* value = std::getenv(Name);
    return value != nullptr && std::string(value) == "1";
}

TEST(StatusLoop, TrimRemovesBytesUpToSpaceOnBothEnds)
{
    const struct {
        std::string In;
        std::string Out;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"1.2.3.4", "1.2.3.4"},
        {" 1.2.3.4\t", "1.2.3.4"},
        {std::string("\x01\x1f 10.0.0.1 \r\n", 14), "10.0.0.1"},
        {"a b", "a b"},
        {std::string("\0x\0", 3), "x"},
        {"\x7f" "x", "\x7f" "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Trim(c.In), c.Out) << "input '" << c.In << "'";
}

TEST(StatusLoop, OutcomeNeedsAReplyAnAddressAndADifferentSetting)
{
    const struct {
        bool Replied;
        std::string Address;
        std::string Setting;
        TConnectionStatus Expected;
    } cases[] = {
        {true, "1.1.1.1", "", TConnectionStatus::csOnline},
        {true, "1.1.1.1", "one.one.one.one", TConnectionStatus::csOnline},
        {false, "1.1.1.1", "", TConnectionStatus::csOffline},
        {true, "", "", TConnectionStatus::csOffline},
        {true, "  ", "", TConnectionStatus::csOffline},
        {true, "1.1.1.1", "1.1.1.1", TConnectionStatus::csOffline},
        {true, " 1.1.1.1 ", "1.1.1.1", TConnectionStatus::csOffline},  // the address is trimmed...
        {true, "1.1.1.1", " 1.1.1.1", TConnectionStatus::csOnline},    // ...the setting is not
        {true, "1.1.1.1", "1.1.1.10", TConnectionStatus::csOnline},
        {true, "1.1.1.1", "1.1.1", TConnectionStatus::csOnline},
        {false, "", "", TConnectionStatus::csOffline},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PassOutcome(c.Replied, c.Address, c.Setting), c.Expected)
            << "replied=" << c.Replied << " address='" << c.Address << "' setting='" << c.Setting << "'";
}

TEST(StatusLoop, LooksAreGreenOnlineAndRedOffline)
{
    const TStatusLook& on = LookOf(TConnectionStatus::csOnline);
    EXPECT_EQ(std::string(on.Caption), "ONLINE");
    EXPECT_EQ(on.Red, 0);
    EXPECT_EQ(on.Green, 128);
    EXPECT_EQ(on.Blue, 0);
    const TStatusLook& off = LookOf(TConnectionStatus::csOffline);
    EXPECT_EQ(std::string(off.Caption), "OFFLINE");
    EXPECT_EQ(off.Red, 255);
    EXPECT_EQ(off.Green, 0);
    EXPECT_EQ(off.Blue, 0);
}

TEST(StatusLoop, ProbeHostIsABuiltInName)
{
    ASSERT_NE(ProbeHost, nullptr);
    EXPECT_EQ(std::string(ProbeHost), SL_PROBE_HOST);
    EXPECT_FALSE(std::string(ProbeHost).empty());
}

// Fake network: names map to addresses, some addresses answer echoes.
struct TFakeNetwork {
    std::string KnownHost = "probe.test";
    std::string KnownAddress = "10.0.0.7";
    bool Answers = true;
    std::vector<std::string> Lookups;
    std::vector<std::string> Echoes;
    int StaleOutputs = 0;

    TStatusProbes Probes()
    {
        return TStatusProbes{
            [this](const std::string& host, std::string& ip) {
                Lookups.push_back(host);
                if (!ip.empty())
                    ++StaleOutputs;
                if (host != KnownHost)
                    return false;
                ip = KnownAddress;
                return true;
            },
            [this](const std::string& address) {
                Echoes.push_back(address);
                return Answers && !address.empty();
            }};
    }
};

TEST(StatusLoop, APassLooksUpTheHostThenEchoesItsAddressEvenWhenEmpty)
{
    TFakeNetwork net;
    const TStatusProbes probes = net.Probes();
    EXPECT_EQ(RunStatusPass(probes, "probe.test", ""), TConnectionStatus::csOnline);
    EXPECT_EQ(RunStatusPass(probes, "probe.test", "10.0.0.7"), TConnectionStatus::csOffline)
        << "the setting equal to the resolved address turns the outcome offline";
    EXPECT_EQ(RunStatusPass(probes, "probe.test", "probe.test"), TConnectionStatus::csOnline)
        << "a host name in the setting never equals an address";
    EXPECT_EQ(RunStatusPass(probes, "unknown.test", ""), TConnectionStatus::csOffline);
    net.Answers = false;
    EXPECT_EQ(RunStatusPass(probes, "probe.test", ""), TConnectionStatus::csOffline);

    const std::vector<std::string> lookups{"probe.test", "probe.test", "probe.test", "unknown.test", "probe.test"};
    const std::vector<std::string> echoes{"10.0.0.7", "10.0.0.7", "10.0.0.7", "", "10.0.0.7"};
    EXPECT_EQ(net.Lookups, lookups);
    EXPECT_EQ(net.Echoes, echoes) << "the echo goes out after a failed lookup too, to the empty text";
    EXPECT_EQ(net.StaleOutputs, 0) << "every pass starts with an empty address of its own";
}

TEST(StatusLoop, LoopShowsEveryPassPausesAndStopsWhenAsked)
{
    TFakeNetwork net;
    std::vector<std::string> shown;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<std::string> settings{"", "", "10.0.0.7", "x", "x"};
    std::size_t settingReads = 0;
    int stopQuestions = 0;
    TStatusLoopHooks hooks;
    hooks.StopRequested = [&] { return ++stopQuestions > 2 * static_cast<int>(settings.size()); };
    hooks.PingSetting = [&] { return settings.at(settingReads++); };
    hooks.Show = [&](const TStatusLook& look) { shown.push_back(look.Caption); };
    hooks.Pause = [&](std::chrono::milliseconds d) { pauses.push_back(d); };

    EXPECT_EQ(RunStatusLoop(net.Probes(), "probe.test", hooks), settings.size());
    const std::vector<std::string> expected{"ONLINE", "ONLINE", "OFFLINE", "ONLINE", "ONLINE"};
    EXPECT_EQ(shown, expected) << "the setting is read afresh in every pass";
    EXPECT_EQ(settingReads, settings.size());
    ASSERT_EQ(pauses.size(), settings.size());
    for (auto p : pauses)
        EXPECT_EQ(p.count(), 10);
}

TEST(StatusLoop, AStopAskedDuringAnEchoIsNotFollowedByPainting)
{
    TFakeNetwork net;
    bool stop = false;
    TStatusProbes probes = net.Probes();
    probes.EchoProbe = [&](const std::string&) {
        stop = true; // the window starts closing while the echo is out
        return true;
    };
    int shown = 0;
    TStatusLoopHooks hooks;
    hooks.StopRequested = [&] { return stop; };
    hooks.PingSetting = [] { return std::string(); };
    hooks.Show = [&](const TStatusLook&) { ++shown; };
    hooks.Pause = [](std::chrono::milliseconds) {};
    EXPECT_EQ(RunStatusLoop(probes, "probe.test", hooks), 0u);
    EXPECT_EQ(shown, 0);
}

TEST(StatusLoop, AStoppedLoopDoesNotStartAPass)
{
    TFakeNetwork net;
    TStatusLoopHooks hooks;
    hooks.StopRequested = [] { return true; };
    hooks.PingSetting = [] { return std::string(); };
    hooks.Show = [](const TStatusLook&) { ADD_FAILURE() << "nothing may be shown"; };
    EXPECT_EQ(RunStatusLoop(net.Probes(), "probe.test", hooks), 0u);
    EXPECT_TRUE(net.Lookups.empty());
}

TEST(StatusLoop, GuardedStringReadsAreAlwaysWholeValues)
{
    TGuardedString setting;
    const std::string a(1000, 'a');
    const std::string b(3, 'b');
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const std::string v = setting.Get();
            if (!v.empty() && v != a && v != b)
                ++torn;
        }
    });
    for (int i = 0; i < 20000; ++i)
        setting.Set(i % 2 ? b : a);
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(setting.Get(), b);
}

// The real lookups on this machine's loopback (run inside a private namespace that maps the test names).
TEST(StatusLoop, RealPassesOnLoopback)
{
    if (EnvFlag("SL_TEST_IGNORE_ECHO")) {
        EXPECT_EQ(RunStatusPass(TStatusProbes::Network(), "localhost", ""), TConnectionStatus::csOffline)
            << "echoes go unanswered here";
        return;
    }
    const TStatusProbes net = TStatusProbes::Network();
    EXPECT_EQ(RunStatusPass(net, "localhost", ""), TConnectionStatus::csOnline);
    EXPECT_EQ(RunStatusPass(net, "localhost", "localhost"), TConnectionStatus::csOnline);
    EXPECT_EQ(RunStatusPass(net, "localhost", "127.0.0.1"), TConnectionStatus::csOffline);
    EXPECT_EQ(RunStatusPass(net, "no-such-host.invalid", ""), TConnectionStatus::csOffline);
}

} // namespace
} // namespace skyloom
