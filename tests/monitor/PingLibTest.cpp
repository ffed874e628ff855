#include "PingLib.h"
#ifndef _WIN32
#include "PingLib_posix.h"
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace skyloom {
namespace {

bool EnvFlag(const char* Name)
{
    const char* value = std::getenv(Name);
    return value != nullptr && std::string(value) == "1";
}

// A 255-character name; the namespace the tests run in maps it to 127.0.0.1.
std::string LongestName()
{
    std::string name = std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
                       std::string(58, 'd') + ".test";
    return name;
}

double SecondsOf(const std::chrono::steady_clock::duration& d)
{
    return std::chrono::duration<double>(d).count();
}

TEST(PingLib, FormatsDottedTextWithoutLeadingZeros)
{
    const struct {
        TIPv4Address Address;
        const char* Text;
    } cases[] = {
        {{0, 0, 0, 0}, "0.0.0.0"},
        {{127, 0, 0, 1}, "127.0.0.1"},
        {{10, 1, 20, 200}, "10.1.20.200"},
        {{255, 255, 255, 255}, "255.255.255.255"},
        {{1, 2, 3, 4}, "1.2.3.4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDottedIP(c.Address), c.Text);
}

TEST(PingLib, ReadsOnlyCanonicalDottedTextItself)
{
    const struct {
        const char* Text;
        bool Dotted;
        TIPv4Address Address;
    } cases[] = {
        {"127.0.0.1", true, {127, 0, 0, 1}},
        {"0.0.0.0", true, {0, 0, 0, 0}},
        {"255.255.255.255", true, {255, 255, 255, 255}},
        {"10.1.20.200", true, {10, 1, 20, 200}},
        {"256.1.1.1", false, {}},
        {"01.2.3.4", false, {}},
        {"1.2.3", false, {}},
        {"1.2.3.4.5", false, {}},
        {"1.2.3.1234", false, {}},
        {"127.1", false, {}},
        {"1..2.3", false, {}},
        {" 1.2.3.4", false, {}},
        {"1.2.3.4 ", false, {}},
        {"1.2.3.4x", false, {}},
        {"a.b.c.d", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        TIPv4Address out{9, 9, 9, 9};
        EXPECT_EQ(ParseDottedIP(c.Text, out), c.Dotted) << "'" << c.Text << "'";
        const TIPv4Address expected = c.Dotted ? c.Address : TIPv4Address{9, 9, 9, 9};
        EXPECT_EQ(FormatDottedIP(out), FormatDottedIP(expected)) << "'" << c.Text << "' changed the output";
    }
}

TEST(PingLib, HostToDottedIPGivesTheFirstAddressOrLeavesTheOutput)
{
    const struct {
        std::string Name;
        bool Resolves;
        const char* Expected;
    } cases[] = {
        {"127.0.0.1", true, "127.0.0.1"},
        {"10.20.30.40", true, "10.20.30.40"},
        {"localhost", true, "127.0.0.1"},
        {"no-such-host.invalid", false, nullptr},
        {"", false, nullptr},
        {std::string(256, 'x'), false, nullptr},
    };
    for (const auto& c : cases) {
        for (const std::string before : {"", "keep me"}) {
            std::string out = before;
            EXPECT_EQ(HostToDottedIP(c.Name, out), c.Resolves) << "name '" << c.Name.substr(0, 40) << "'";
            if (c.Resolves)
                EXPECT_EQ(out, c.Expected) << c.Name;
            else
                EXPECT_EQ(out, before) << "a failed lookup must leave the output as it was: " << c.Name.substr(0, 40);
        }
    }
}

TEST(PingLib, HostToDottedIPHandlesA255CharacterName)
{
    const std::string name = LongestName();
    ASSERT_EQ(name.size(), 255u);
    std::string out = "unchanged";
    const bool resolved = HostToDottedIP(name, out);
    if (EnvFlag("SL_TEST_HOSTS_MAPPED")) {
        EXPECT_TRUE(resolved);
        EXPECT_EQ(out, "127.0.0.1");
    } else if (!resolved) {
        EXPECT_EQ(out, "unchanged");
    }
    std::string longer = "unchanged";
    EXPECT_FALSE(HostToDottedIP(name + "x", longer)) << "names beyond 255 characters are refused, never cut";
    EXPECT_EQ(longer, "unchanged");
}

TEST(PingLib, ResolveIPv4GivesTheAddressOrZerosNeverAStaleValue)
{
    const struct {
        std::string Name;
        TIPv4Address Expected;
    } cases[] = {
        {"127.0.0.1", {127, 0, 0, 1}},
        {"192.168.7.9", {192, 168, 7, 9}},
        {"localhost", {127, 0, 0, 1}},
        {"no-such-host.invalid", {0, 0, 0, 0}},
        {"", {0, 0, 0, 0}},
        {std::string(300, 'y'), {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        TIPv4Address out{9, 9, 9, 9};
        ResolveIPv4(c.Name, out);
        EXPECT_EQ(FormatDottedIP(out), FormatDottedIP(c.Expected)) << "name '" << c.Name.substr(0, 40) << "'";
    }
    // The same output variable, first filled by a good lookup, then by a failing one.
    TIPv4Address out;
    ResolveIPv4("127.0.0.1", out);
    ResolveIPv4("no-such-host.invalid", out);
    EXPECT_EQ(FormatDottedIP(out), "0.0.0.0");
}

TEST(PingLib, EchoProbeAnswersForLoopbackAndFailsFastForNoAddress)
{
    if (EnvFlag("SL_TEST_IGNORE_ECHO"))
        GTEST_SKIP() << "this network does not answer echoes";
    const struct {
        const char* Address;
        bool Replies;
    } cases[] = {
        {"127.0.0.1", true},
        {"localhost", true},
        {"no-such-host.invalid", false},
        {"", false},
        {"0.0.0.0", false},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(EchoProbe(c.Address), c.Replies) << "address '" << c.Address << "'";
        EXPECT_LT(SecondsOf(std::chrono::steady_clock::now() - start), 2.0)
            << "'" << c.Address << "' should be decided without waiting for the echo timeout";
    }
    // A session answers the same, call after call, whatever the calls before it gave.
    TProbeSession session;
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases)
            EXPECT_EQ(session.EchoProbe(c.Address), c.Replies) << "session, round " << round << ", '" << c.Address << "'";
    }
    std::string ip = "unchanged";
    EXPECT_TRUE(session.HostToDottedIP("localhost", ip));
    EXPECT_EQ(ip, "127.0.0.1");
    EXPECT_FALSE(session.HostToDottedIP("no-such-host.invalid", ip));
    EXPECT_EQ(ip, "127.0.0.1") << "a failed lookup leaves the output";
}

TEST(PingLib, EchoProbeGivesUpAfterTheTimeoutWhenNobodyAnswers)
{
    if (!EnvFlag("SL_TEST_IGNORE_ECHO"))
        GTEST_SKIP() << "needs a network that ignores echo requests (netns-run.sh --ignore-echo)";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(EchoProbe("127.0.0.1"));
    const double took = SecondsOf(std::chrono::steady_clock::now() - start);
    EXPECT_GT(took, 2.5) << "the probe waits for the reply for about three seconds";
    EXPECT_LT(took, 6.0) << "the probe must not wait much beyond its three seconds";
    TProbeSession session;
    const auto sessionStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(session.EchoProbe("127.0.0.1"));
    EXPECT_GT(SecondsOf(std::chrono::steady_clock::now() - sessionStart), 2.5) << "a session waits just the same";
}

TEST(PingLib, EchoProbeCountsOnlyEchoRepliesNotIcmpErrors)
{
    if (!EnvFlag("SL_TEST_ROUTER"))
        GTEST_SKIP() << "needs the routed peer of netns-run.sh --router";
    EXPECT_TRUE(EchoProbe("10.77.0.2")) << "the peer answers echoes";
    EXPECT_TRUE(EchoProbe("pinglib-peer.test")) << "names resolve before the echo";
    // The peer answers this one with "host unreachable"; that answer is stored as a reply but is no echo reply.
    EXPECT_FALSE(EchoProbe("10.78.0.5"));
    TProbeSession session;
    EXPECT_TRUE(session.EchoProbe("10.77.0.2"));
    EXPECT_FALSE(session.EchoProbe("10.78.0.5"));
    EXPECT_TRUE(session.EchoProbe("10.77.0.2")) << "an ICMP error does not spoil the session's next echo";
}

#ifndef _WIN32
TEST(PingLibPosix, BothKindsOfEchoSocketGiveTheSameAnswers)
{
    if (EnvFlag("SL_TEST_IGNORE_ECHO"))
        GTEST_SKIP() << "this network does not answer echoes";
    int tried = 0;
    for (TEchoSocket kind : {TEchoSocket::esDatagram, TEchoSocket::esRaw}) {
        if (!EchoSocketAvailable(kind))
            continue;
        ++tried;
        const char* name = kind == TEchoSocket::esDatagram ? "datagram" : "raw";
        EXPECT_TRUE(EchoProbeVia(kind, "127.0.0.1")) << name;
        EXPECT_FALSE(EchoProbeVia(kind, "0.0.0.0")) << name;
        EXPECT_FALSE(EchoProbeVia(kind, "no-such-host.invalid")) << name;
        if (EnvFlag("SL_TEST_ROUTER")) {
            EXPECT_TRUE(EchoProbeVia(kind, "10.77.0.2")) << name;
            EXPECT_FALSE(EchoProbeVia(kind, "10.78.0.5")) << name << ": an unreachable answer is no reply";
        }
    }
    if (tried == 0)
        GTEST_SKIP() << "this process may open no ICMP socket";
}
#endif

} // namespace
} // namespace skyloom
