// What a misbehaving server can make a request cost: time, memory and interim replies are bounded, the failure is
// clear, and the client works again afterwards.
#include "LoopbackServer.h"
#include "NetHTTP.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace skyloom {
namespace {

using test::Reply;
using test::TLoopbackServer;
using test::TStreamingServer;
using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// Holds the connection open until the client goes or the test ends.
void Hold(TNetSocket& s, const std::atomic<bool>& stopping)
{
    char buf[256];
    while (!stopping) {
        if (!s.WaitReadable(20))
            continue;
        try {
            if (s.Receive(buf, sizeof buf) == 0)
                return;
        } catch (const std::exception&) {
            return;
        }
    }
}

// The client still fetches from a sane server after a failure.
void ExpectUsable(TNetHTTP& http, const char* after)
{
    TLoopbackServer sane({Reply("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nsane")});
    EXPECT_EQ(http.Get(sane.Url()), "sane") << "the client is not usable after " << after;
}

TEST(NetHTTPLimits, ATricklingServerEndsAtTheRequestDeadline)
{
    // One byte every 20 ms: each wait is short, so only the overall limit can end the request.
    TStreamingServer server([](TNetSocket& s, const std::atomic<bool>& stopping) {
        if (!TStreamingServer::SendText(s, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n"))
            return;
        while (!stopping && TStreamingServer::SendText(s, "x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    TNetHTTP http;
    http.ReadTimeout = 5000;
    http.RequestTimeout = 700;
    const auto start = TClock::now();
    try {
        http.Get(server.Url());
        ADD_FAILURE() << "a trickled body was returned";
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10060) << e.what();
    }
    const double took = SecondsSince(start);
    EXPECT_GE(took, 0.6) << "the request ended before its deadline";
    EXPECT_LT(took, 4.0) << "the request outlived its deadline";
    EXPECT_FALSE(http.Connected());
    ExpectUsable(http, "a trickled reply");

    // A trickled status line and headers are bounded the same way.
    TStreamingServer heads([](TNetSocket& s, const std::atomic<bool>& stopping) {
        while (!stopping && TStreamingServer::SendText(s, "X"))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    const auto start2 = TClock::now();
    EXPECT_THROW(http.Get(heads.Url()), ENetSocketError);
    EXPECT_LT(SecondsSince(start2), 4.0) << "a trickled status line outlived the deadline";
}

TEST(NetHTTPLimits, AnAnnouncedBodyBeyondTheCapFailsAtOnce)
{
    // 2 GB announced, 64 KB sent, then the connection is held. (Kept below what the loopback socket buffers hold:
    // under Wine a send blocked on a full buffer does not notice that the client closed.)
    TStreamingServer server([](TNetSocket& s, const std::atomic<bool>& stopping) {
        if (TStreamingServer::SendText(s, "HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n") &&
            TStreamingServer::SendText(s, std::string(64 << 10, 'x')))
            Hold(s, stopping);
    });
    TNetHTTP http;
    http.ReadTimeout = 20000;
    const auto start = TClock::now();
    try {
        http.Get(server.Url());
        ADD_FAILURE() << "a 2 GB announcement was read";
    } catch (const ENetReplyTooLarge& e) {
        EXPECT_STREQ(e.what(), "Reply body larger than 16777216 bytes.");
    }
    EXPECT_LT(SecondsSince(start), 10.0) << "the client waited for a body it would refuse";
    EXPECT_FALSE(http.Connected()) << "the connection with unread bytes was kept";
    ExpectUsable(http, "a refused announcement");
}

TEST(NetHTTPLimits, MemoryFollowsWhatArrivedNotWhatWasAnnounced)
{
    // 12 MB announced (within the cap), 256 KB sent, then the server closes: the short body is returned, and the
    // client did not set aside room for the announced size.
    TStreamingServer server([](TNetSocket& s, const std::atomic<bool>&) {
        TStreamingServer::SendText(s, "HTTP/1.1 200 OK\r\nContent-Length: 12582912\r\n\r\n" +
                                          std::string(256 << 10, 'y'));
    });
    TNetHTTP http;
    http.ReadTimeout = 5000;
    const std::string body = http.Get(server.Url());
    EXPECT_EQ(body.size(), std::size_t{256} << 10);
    EXPECT_LE(body.capacity(), std::size_t{1} << 20) << "room was reserved for bytes that never came";

    // A body of exactly the cap is fine; one byte more is not.
    for (const int extra : {0, 1}) {
        TLoopbackServer exact({Reply("HTTP/1.1 200 OK\r\n\r\n" + std::string((64 << 10) + extra, 'z'), true)});
        TNetHTTP small;
        small.MaxBodySize = 64 << 10;
        if (extra == 0)
            EXPECT_EQ(small.Get(exact.Url()).size(), std::size_t{64} << 10);
        else
            EXPECT_THROW(small.Get(exact.Url()), ENetReplyTooLarge) << "a body one byte over the cap";
    }
}

TEST(NetHTTPLimits, EndlessBodiesStopAtTheCap)
{
    struct Case {
        const char* name;
        const char* head;
        std::string piece;
    } cases[] = {
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "1000\r\n" + std::string(4096, 'c') + "\r\n"},
        {"read to close", "HTTP/1.1 200 OK\r\n\r\n", std::string(4096, 'r')},
        {"error page", "HTTP/1.1 500 Oops\r\n\r\n", std::string(4096, 'e')},
    };
    for (const Case& c : cases) {
        TStreamingServer server([&c](TNetSocket& s, const std::atomic<bool>& stopping) {
            if (!TStreamingServer::SendText(s, c.head))
                return;
            while (!stopping && TStreamingServer::SendText(s, c.piece)) {
            }
        });
        TNetHTTP http;
        http.ReadTimeout = 5000;
        http.MaxBodySize = 1 << 20;
        const auto start = TClock::now();
        try {
            http.Get(server.Url());
            ADD_FAILURE() << c.name << ": an endless body was returned";
        } catch (const ENetReplyTooLarge& e) {
            EXPECT_STREQ(e.what(), "Reply body larger than 1048576 bytes.") << c.name;
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.name << ": " << e.what();
        }
        EXPECT_LT(SecondsSince(start), 30.0) << c.name << ": the body did not end";
        ExpectUsable(http, c.name);
    }
}

TEST(NetHTTPLimits, EndlessInterimRepliesAreRefused)
{
    TStreamingServer server([](TNetSocket& s, const std::atomic<bool>& stopping) {
        while (!stopping && TStreamingServer::SendText(s, "HTTP/1.1 100 Continue\r\nX-Note: again\r\n\r\n")) {
        }
    });
    TNetHTTP http;
    http.ReadTimeout = 5000;
    EXPECT_THROW(http.Get(server.Url()), ENetTooManyInterimReplies);
    ExpectUsable(http, "endless interim replies");

    // A few interim replies before the real one are fine.
    std::string replies;
    for (int i = 0; i < http.MaxInterimReplies; ++i)
        replies += "HTTP/1.1 100 Continue\r\n\r\n";
    TLoopbackServer some({Reply(replies + "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    EXPECT_EQ(http.Get(some.Url()), "ok");
}

TEST(NetHTTPLimits, ACookieFloodIsBounded)
{
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
    for (int i = 0; i < 200; ++i)
        head += "Set-Cookie: flood" + std::to_string(i) + "=" + std::string(100, 'v') + "\r\n";
    TLoopbackServer server({Reply(head + "\r\nok")});
    TNetHTTP http;
    http.MaxHeaderLines = 0;  // the header line limit would stop the flood before the store sees it
    EXPECT_EQ(http.Get(server.Url()), "ok");
    ASSERT_NE(http.CookieManager(), nullptr);
    EXPECT_EQ(http.CookieManager()->CookieCollection().Count(), TNetCookies::MaxPerDomain);
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

TEST(NetHTTPLimits, ACancelledRequestStopsWaitingAtOnce)
{
    TStreamingServer silent([](TNetSocket& s, const std::atomic<bool>& stopping) { Hold(s, stopping); });
    TNetHTTP http;
    http.ReadTimeout = 20000;
    std::atomic<bool> cancel{false};
    http.Cancelled = [&cancel] { return cancel.load(); };
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    const auto start = TClock::now();
    try {
        http.Get(silent.Url());
        ADD_FAILURE() << "a silent server answered";
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10004) << e.what();
    }
    canceller.join();
    EXPECT_LT(SecondsSince(start), 5.0) << "the cancelled wait went on";
    cancel = false;
    ExpectUsable(http, "a cancelled request");
}

} // namespace
} // namespace skyloom
