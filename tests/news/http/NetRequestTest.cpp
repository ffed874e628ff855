// What the client sends for each URL form, through a connection that never touches the network.
#include "LoopbackServer.h"
#include "NetHTTP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace skyloom {
namespace {

using test::TFakeTransport;
using test::TFakeWire;

const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

struct TFakeClient {
    std::shared_ptr<TFakeWire> Wire = std::make_shared<TFakeWire>();
    TNetHTTP Http;
    TFakeClient()
    {
        Http.Request.UserAgent = "Mozilla/3.0 (compatible; Skyloom)";
        auto wire = Wire;
        Http.TransportFactory = [wire] { return std::make_unique<TFakeTransport>(wire); };
    }
    // The request line and Host value of one GET.
    std::pair<std::string, std::string> Send(const std::string& url)
    {
        Wire->ToServe += kOk;
        Wire->Sent.clear();
        Http.Get(url);
        const std::string& s = Wire->Sent;
        const std::string line = s.substr(0, s.find("\r\n"));
        const std::size_t h = s.find("\r\nHost: ");
        const std::string host = h == std::string::npos ? "-" : s.substr(h + 8, s.find("\r\n", h + 2) - h - 8);
        return {line, host};
    }
};

TEST(NetHTTPRequestLine, FollowsTheURLForm)
{
    struct Case {
        std::string url;
        std::string line;
        std::string host;
        std::string connectedTo;
    } cases[] = {
        {"http://feeds.example", "GET / HTTP/1.1", "feeds.example", "feeds.example:80"},
        {"http://feeds.example/", "GET / HTTP/1.1", "feeds.example", "feeds.example:80"},
        {"http://feeds.example:8080/news/rss.xml#latest", "GET /news/rss.xml HTTP/1.1", "feeds.example:8080",
         "feeds.example:8080"},
        {"http://feeds.example/a/b/?q=1&r=2#frag", "GET /a/b/?q=1&r=2 HTTP/1.1", "feeds.example", "feeds.example:80"},
        {"HTTP://Feeds.Example:80/x", "GET /x HTTP/1.1", "Feeds.Example", "Feeds.Example:80"},
        {"http://feeds.example:0080/x", "GET /x HTTP/1.1", "feeds.example:0080", "feeds.example:80"},
        {"http://feeds.example\\dir\\doc.xml", "GET /dir/doc.xml HTTP/1.1", "feeds.example", "feeds.example:80"},
        {"http://[::1]:8080/v6", "GET /v6 HTTP/1.1", "[::1]:8080", "::1:8080"},
        {"http://feeds.example/a b", "GET /a b HTTP/1.1", "feeds.example", "feeds.example:80"},
    };
    for (const Case& c : cases) {
        TFakeClient client;
        const auto [line, host] = client.Send(c.url);
        EXPECT_EQ(line, c.line) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        ASSERT_EQ(client.Wire->ConnectedTo.size(), 1u) << c.url;
        EXPECT_EQ(client.Wire->ConnectedTo[0], c.connectedTo) << c.url;
    }
}

TEST(NetHTTPRequestLine, RelativeURLsGoToThePreviousHostAndDirectory)
{
    TFakeClient client;
    struct Step {
        std::string url;
        std::string line;
        std::string host;
    } steps[] = {
        {"http://feeds.example:81/news/world/rss.xml", "GET /news/world/rss.xml HTTP/1.1", "feeds.example:81"},
        {"other.xml", "GET /news/world/other.xml HTTP/1.1", "feeds.example:81"},
        {"sub/deeper.xml", "GET /news/world/sub/deeper.xml HTTP/1.1", "feeds.example:81"},
        {"../up.xml", "GET /news/world/up.xml HTTP/1.1", "feeds.example:81"},
        {"../../top.xml?x", "GET /top.xml?x HTTP/1.1", "feeds.example:81"},
        {"../../../../beyond.xml", "GET /beyond.xml HTTP/1.1", "feeds.example:81"},
        {"/abs/path.xml", "GET /abs/path.xml HTTP/1.1", "feeds.example:81"},
        {"http://other.example/", "GET / HTTP/1.1", "other.example"},
        {"again.xml", "GET /again.xml HTTP/1.1", "other.example"},
    };
    for (const Step& s : steps) {
        const auto [line, host] = client.Send(s.url);
        EXPECT_EQ(line, s.line) << s.url;
        EXPECT_EQ(host, s.host) << s.url;
    }
    EXPECT_EQ(client.Wire->ConnectedTo,
              (std::vector<std::string>{"feeds.example:81", "other.example:80"}))
        << "one connection per host and port, reused for the relative requests";
}

TEST(NetHTTPRequestLine, AFirstURLWithoutSchemeOrPortIsAnUnknownProtocol)
{
    for (const char* url : {"feed.xml", "/feed.xml", "ftp://feeds.example/feed.xml", ""}) {
        TFakeClient client;
        client.Wire->ToServe = kOk;
        try {
            client.Http.Get(url);
            ADD_FAILURE() << url << ": no error";
        } catch (const ENetUnknownProtocol& e) {
            EXPECT_STREQ(e.what(), "") << url;
        }
        EXPECT_TRUE(client.Wire->ConnectedTo.empty()) << url;
    }
}

TEST(NetHTTPRequestLine, HttpsIsRefusedAndTheSchemeSticksForRelativeURLs)
{
    TFakeClient client;
    EXPECT_THROW(client.Http.Get("https://secure.example/feed.xml"), ENetIOHandlerPropInvalid);
    EXPECT_THROW(client.Http.Get("other.xml"), ENetIOHandlerPropInvalid);
    EXPECT_TRUE(client.Wire->ConnectedTo.empty());
    // An explicit http URL afterwards works again.
    EXPECT_EQ(client.Send("http://plain.example/x").first, "GET /x HTTP/1.1");
}

TEST(NetHTTPRequestLine, SetsOptionalHeadersInTheFixedOrderAndFoldsLongOnes)
{
    TFakeClient client;
    TNetHTTPRequest& r = client.Http.Request;
    r.CustomHeaders.Add("X-Custom: 1");
    r.Referer = "http://ref.example/";
    r.AcceptLanguage = "en";
    r.AcceptEncoding = "gzip";
    r.From = std::string(1500, 'f') + " " + std::string(10, 'g');
    client.Wire->ToServe = kOk;
    client.Http.Get("http://h.example/");
    EXPECT_EQ(client.Wire->Sent, "GET / HTTP/1.1\r\n"
                                 "X-Custom: 1\r\n"
                                 "Host: h.example\r\n"
                                 "Accept: text/html, */*\r\n"
                                 "Accept-Encoding: gzip, identity\r\n"
                                 "Accept-Language: en\r\n"
                                 "From: " + std::string(1500, 'f') + "\r\n"
                                 " gggggggggg\r\n"
                                 "Referer: http://ref.example/\r\n"
                                 "User-Agent: Mozilla/3.0 (compatible; Skyloom)\r\n"
                                 "\r\n");
}

TEST(NetHTTPRequestLine, ReadsReplyFieldsAndDates)
{
    TFakeClient client;
    client.Wire->ToServe = "HTTP/1.1 200 OK\r\nContent-Type: text/xml;\r\n charset=utf-8\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                           "Last-Modified: garbage\r\nServer: test\r\nContent-Length: 2\r\n\r\nok";
    SetLocalTimeBiasOverride(0);
    EXPECT_EQ(client.Http.Get("http://h.example/"), "ok");
    SetLocalTimeBiasOverride(std::nullopt);
    const TNetHTTPResponse& r = client.Http.Response();
    EXPECT_EQ(r.ResponseCode, 200);
    EXPECT_EQ(r.ContentType, "text/xml; charset=utf-8");
    EXPECT_EQ(r.ContentLength, 2);
    EXPECT_TRUE(r.HasContentLength);
    EXPECT_EQ(r.Server, "test");
    EXPECT_EQ(DateTimeToInternetDate(r.Date), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(r.LastModified, 0.0);
}

TEST(NetHTTPKeepAlive, SendsARequestOnceMoreWhenTheKeptConnectionTurnsOutClosed)
{
    TFakeClient client;
    client.Wire->OnConnect = {kOk, "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nnew"};
    EXPECT_EQ(client.Http.Get("http://h.example/a"), "ok");
    // The kept connection ends without a byte of the next reply.
    EXPECT_EQ(client.Http.Get("http://h.example/b"), "new");
    EXPECT_EQ(client.Wire->ConnectedTo.size(), 2u);
    EXPECT_EQ(client.Wire->Sent.find("GET /a"), 0u);
    EXPECT_EQ(std::count(client.Wire->Sent.begin(), client.Wire->Sent.end(), 'G'), 3) << client.Wire->Sent;

    // A new connection that ends at once is not tried again.
    TFakeClient fresh;
    EXPECT_THROW(fresh.Http.Get("http://h.example/"), ENetConnClosedGracefully);
    EXPECT_EQ(fresh.Wire->ConnectedTo.size(), 1u);
}

TEST(NetHTTPKeepAlive, ARequestSentOnceMoreGoesToTheSameAddress)
{
    TFakeClient client;
    client.Wire->OnConnect = {kOk, "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nnew"};
    EXPECT_EQ(client.Http.Get("http://h.example/dir/a"), "ok");
    // A relative address, taken against the last one; the kept connection turns out closed.
    EXPECT_EQ(client.Http.Get("b/feed.xml"), "new");
    const std::string& sent = client.Wire->Sent;
    const std::size_t first = sent.find("GET /dir/b/feed.xml ");
    ASSERT_NE(first, std::string::npos) << sent;
    EXPECT_NE(sent.find("GET /dir/b/feed.xml ", first + 1), std::string::npos) << "the second try: " << sent;
    EXPECT_EQ(sent.find("/b/b/"), std::string::npos) << sent;
}

TEST(NetIOHandler, ReadsLinesAndBlocksAcrossReceives)
{
    auto wire = std::make_shared<TFakeWire>();
    wire->ToServe = "first\r\nsecond\nthird\r\r\n0123456789abcdefghij" + std::string(40, 'x') + "\nrest";
    wire->Piece = 3;
    TNetIOHandlerStack io(std::make_unique<TFakeTransport>(wire));
    io.Open("h", 1, TNetIPVersion::ivIPv4);
    io.MaxLineLength = 30;
    EXPECT_EQ(io.ReadLn(), "first");
    EXPECT_EQ(io.ReadLn(), "second");
    EXPECT_EQ(io.ReadLn(), "third\r") << "only one carriage return is removed";
    std::string block;
    EXPECT_EQ(io.ReadBytes(10, block, false), 10u);
    EXPECT_EQ(block, "0123456789");
    EXPECT_THROW(io.ReadLn(), ENetReadLnMaxLineLengthExceeded);
    io.MaxLineAction = TNetMaxLineAction::maSplit;
    EXPECT_EQ(io.ReadLn(), "abcdefghij" + std::string(20, 'x'));
    EXPECT_EQ(io.ReadLn(), std::string(20, 'x'));
    EXPECT_THROW(io.ReadLn(), ENetConnClosedGracefully) << "a last line without its line feed";
    std::string tail;
    EXPECT_EQ(io.ReadBytes(10, tail, false), 4u) << "the bytes before the close";
    EXPECT_EQ(tail, "rest");
    EXPECT_FALSE(io.Connected());
}

} // namespace
} // namespace skyloom
