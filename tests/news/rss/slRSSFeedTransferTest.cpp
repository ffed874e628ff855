// The feed's own HTTP transfer (Windows only): the real transfer component, its republished settings, its events
// forwarded to the feed, the address a document names, and that nothing in the feed ever starts it.
#include "SocketHandles_win.h"
#include "slRSSFeed.h"

#include "DateUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace skyloom {
namespace {

std::string Rss(const std::string& RootAttributes, const std::string& Titles)
{
    std::string items;
    for (const char c : Titles)
        items += std::string("<item><title>") + c + "</title></item>";
    return "<rss version=\"2.0\"" + RootAttributes + "><channel><title>c</title>" + items + "</channel></rss>";
}

std::vector<std::string> Titles(const TslRSSFeed& Feed)
{
    std::vector<std::string> titles;
    for (int i = 0; i < Feed.FeedItems().Count(); ++i)
        titles.push_back(Feed.FeedItems()[i].Title);
    return titles;
}

void FillSettings(TslRSSFeed& Feed)
{
    Feed.SetHTTPAgent("agent");
    Feed.SetHTTPUsername("user");
    Feed.SetHTTPPassword("secret");
    Feed.HTTPProxy().AccessType = atUseProxy;
    Feed.HTTPProxy().ProxyServer = "proxy";
    Feed.HTTPProxy().ProxyPort = 3128;
    Feed.SetThreadPriority(tpHigher);
    Feed.HTTPTransfer().URL = "http://x/rss";
    Feed.SetWaitThread(true);
    Feed.SetWaitTimeout(5000);
    Feed.Tag = 7;
}

TEST(TslRSSFeedTransfer, IsTheNoCacheTransferWithTheFeedsAgentAndPublishedDefaults)
{
    TslRSSFeed feed;
    TslHTTPPragmaNoCache& http = feed.HTTPTransfer();
    EXPECT_NE(dynamic_cast<TslCustomHTTP*>(&http), nullptr);
    EXPECT_EQ(http.Agent, "slRSSFeedReader (www.quorvane.com)");
    EXPECT_EQ(feed.HTTPAgent(), TslRSSFeed::DefaultAgent());
    EXPECT_EQ(http.CacheOptions,
              (TslCacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache}))
        << "the feed's transfer asks caches not to answer from their store";
    EXPECT_EQ(http.Owner(), nullptr) << "the feed alone owns its transfer";
    EXPECT_EQ(feed.HTTPTransferBufferSize(), 4096);
    EXPECT_EQ(feed.ThreadPriority(), tpNormal);
    EXPECT_FALSE(feed.WaitThread());
    EXPECT_EQ(feed.WaitTimeout(), 0);
    EXPECT_EQ(feed.HTTPUsername(), "");
    EXPECT_EQ(feed.HTTPPassword(), "");
    EXPECT_EQ(feed.HTTPProxy().AccessType, atPreconfig);
    EXPECT_EQ(feed.HTTPProxy().ProxyPort, 8080);
    EXPECT_EQ(feed.HTTPProxy().ProxyBypass, "127.0.0.1;");
    EXPECT_EQ(http.URL, "");
    EXPECT_FALSE(http.Busy());
    EXPECT_FALSE(http.InProgress());
}

TEST(TslRSSFeedTransfer, RepublishedSettingsAreTheTransfersOwn)
{
    TslRSSFeed feed;
    FillSettings(feed);
    const TslHTTPPragmaNoCache& http = feed.HTTPTransfer();
    EXPECT_EQ(http.Agent, "agent");
    EXPECT_EQ(http.HTTPUsername(), "user");
    EXPECT_EQ(http.UserName, "user") << "the user name is the login component's";
    EXPECT_EQ(http.HTTPPassword(), "secret");
    EXPECT_EQ(http.Proxy.AccessType, atUseProxy);
    EXPECT_EQ(http.Proxy.ProxyServer, "proxy");
    EXPECT_EQ(http.Proxy.ProxyPort, 3128);
    EXPECT_EQ(http.ThreadPriority, tpHigher);
    EXPECT_TRUE(http.WaitThread);
    EXPECT_EQ(http.WaitTimeout, 5000u);

    TslHTTPProxy proxy;
    proxy.AccessType = atDirect;
    proxy.ProxyBypass = "";
    feed.SetHTTPProxy(proxy);
    EXPECT_EQ(http.Proxy.AccessType, atDirect);
    EXPECT_EQ(http.Proxy.ProxyBypass, "");
    EXPECT_NE(&feed.HTTPProxy(), &proxy) << "the proxy settings are copied, not shared";

    for (const std::int32_t good : {255, 256, 65536, 2147483647}) {
        feed.SetHTTPTransferBufferSize(good);
        EXPECT_EQ(http.TransferBufferSize(), good);
    }
    for (const std::int32_t bad : {254, 0, -1, -2147483647 - 1}) {
        EXPECT_THROW(feed.SetHTTPTransferBufferSize(bad), std::out_of_range) << "size " << bad;
        EXPECT_EQ(feed.HTTPTransferBufferSize(), 2147483647) << "a refused size " << bad << " was kept";
    }
}

TEST(TslRSSFeedTransfer, AssignCopiesOrResetsTheTransferSettings)
{
    TslRSSFeed source;
    FillSettings(source);
    TslRSSFeed copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.HTTPAgent(), "agent");
    EXPECT_EQ(copy.HTTPUsername(), "user");
    EXPECT_EQ(copy.HTTPPassword(), "secret");
    EXPECT_EQ(copy.HTTPProxy().ProxyServer, "proxy");
    EXPECT_EQ(copy.HTTPProxy().ProxyPort, 3128);
    EXPECT_EQ(copy.ThreadPriority(), tpHigher);
    EXPECT_EQ(copy.HTTPTransfer().URL, "http://x/rss");
    EXPECT_TRUE(copy.WaitThread());
    EXPECT_EQ(copy.WaitTimeout(), 5000);
    EXPECT_NE(&copy.HTTPTransfer(), &source.HTTPTransfer());
    source.HTTPProxy().ProxyServer = "changed";
    EXPECT_EQ(copy.HTTPProxy().ProxyServer, "proxy") << "the copy's settings are its own";

    copy.Clear();
    EXPECT_EQ(copy.HTTPAgent(), "agent") << "clearing the contents keeps the settings";

    copy.Assign(nullptr);
    EXPECT_EQ(copy.HTTPAgent(), TslRSSFeed::DefaultAgent());
    EXPECT_EQ(copy.HTTPUsername(), "");
    EXPECT_EQ(copy.HTTPPassword(), "");
    EXPECT_EQ(copy.HTTPProxy().AccessType, atPreconfig);
    EXPECT_EQ(copy.HTTPProxy().ProxyServer, "");
    EXPECT_EQ(copy.HTTPProxy().ProxyPort, 8080);
    EXPECT_EQ(copy.HTTPProxy().ProxyBypass, "127.0.0.1;");
    EXPECT_EQ(copy.ThreadPriority(), tpNormal);
    EXPECT_EQ(copy.HTTPTransfer().URL, "");
    EXPECT_FALSE(copy.WaitThread());
    EXPECT_EQ(copy.WaitTimeout(), 0);
    EXPECT_EQ(copy.Tag, 0);
}

// The transfer raises its events with itself as Sender; the feed's handlers get the feed, and answers go back.
TEST(TslRSSFeedTransfer, ForwardsTheTransfersEventsWithTheFeedAsSender)
{
    TslRSSFeed feed;
    TslHTTPPragmaNoCache& http = feed.HTTPTransfer();
    std::vector<std::string> seen;
    TMemoryStream body;

    // Unassigned handlers are skipped, and the answers stay as the transfer set them.
    bool answer = true;
    http.OnHeaderInfo(&http, 200, "raw", "text/xml", "en", "gzip", 10, "", 1, 2, 3, "etag", answer);
    EXPECT_TRUE(answer);
    http.OnHostUnreachable(&http);

    feed.OnHTTPHeaderInfo = [&](TObject* Sender, std::int32_t ErrorCode, const std::string& Raw,
                                const std::string& Type, const std::string& Language, const std::string& Encoding,
                                std::int64_t Length, const std::string& Location, TDateTime Date,
                                TDateTime LastModified, TDateTime Expires, const std::string& ETag,
                                bool& ContinueDownload) {
        EXPECT_EQ(Sender, &feed);
        seen.push_back("header " + std::to_string(ErrorCode) + " " + Raw + " " + Type + " " + Language + " " +
                       Encoding + " " + std::to_string(Length) + " " + Location + " " + std::to_string(Date) + " " +
                       std::to_string(LastModified) + " " + std::to_string(Expires) + " " + ETag);
        ContinueDownload = false;
    };
    feed.OnHTTPConnLost = [&](TObject* Sender, const std::string& Type, std::int64_t Size, std::int64_t Read,
                              TStream* Stream) {
        EXPECT_EQ(Sender, &feed);
        EXPECT_EQ(Stream, &body);
        seen.push_back("lost " + Type + " " + std::to_string(Size) + " " + std::to_string(Read));
    };
    feed.OnHTTPError = [&](TObject* Sender, std::int32_t Code, TStream* Stream) {
        EXPECT_EQ(Sender, &feed);
        EXPECT_EQ(Stream, &body);
        seen.push_back("error " + std::to_string(Code));
    };
    feed.OnHTTPPasswordRequest = [&](TObject* Sender, const std::string& Realm, bool& TryAgain) {
        EXPECT_EQ(Sender, &feed);
        seen.push_back("password " + Realm);
        TryAgain = true;
    };
    feed.OnHTTPProxyAuthenticationRequest = [&](TObject* Sender, std::string& User, std::string& Password,
                                                bool& TryAgain) {
        EXPECT_EQ(Sender, &feed);
        seen.push_back("proxy " + User);
        User = "pu";
        Password = "pp";
        TryAgain = true;
    };
    feed.OnHTTPProgress = [&](TObject* Sender, const std::string& Type, std::int64_t Size, std::int64_t Read,
                              std::int32_t Elapsed, std::int32_t Left, std::uint8_t Percent, float Rate,
                              TStream* Stream) {
        EXPECT_EQ(Sender, &feed);
        EXPECT_EQ(Stream, &body);
        seen.push_back("progress " + Type + " " + std::to_string(Size) + " " + std::to_string(Read) + " " +
                       std::to_string(Elapsed) + " " + std::to_string(Left) + " " + std::to_string(Percent) + " " +
                       std::to_string(Rate));
    };
    feed.OnHTTPHostUnreachable = [&](TslRSSFeed& Sender) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("unreachable");
    };
    feed.OnWaitTimeoutExpired = [&](TObject* Sender, bool& Terminate) {
        EXPECT_EQ(Sender, &feed);
        seen.push_back("timeout");
        Terminate = false;
    };
    feed.OnRSSLoadError = [&](TslRSSFeed& Sender) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("load error");
    };

    bool continueDownload = true;
    http.OnHeaderInfo(&http, 200, "raw", "text/xml", "en", "gzip", 5000000000, "loc", 1, 2, 3, "etag",
                      continueDownload);
    EXPECT_FALSE(continueDownload) << "the handler's answer did not come back";
    http.OnConnLost(&http, "text/xml", 100, 50, &body);
    http.OnHTTPError(&http, 404, &body);
    bool tryAgain = false;
    http.OnPasswordRequest(&http, "realm", tryAgain);
    EXPECT_TRUE(tryAgain);
    std::string user = "u";
    std::string password;
    tryAgain = false;
    http.OnProxyAuthenticationRequest(&http, user, password, tryAgain);
    EXPECT_EQ(user, "pu");
    EXPECT_EQ(password, "pp");
    EXPECT_TRUE(tryAgain);
    http.OnProgress(&http, "text/xml", 100, 50, 2, 2, 50, 1.5f, &body);
    http.OnHostUnreachable(&http);
    bool terminate = true;
    http.OnWaitTimeoutExpired(&http, terminate);
    EXPECT_FALSE(terminate);
    http.OnFailed(&http);

    const std::vector<std::string> expected = {
        "header 200 raw text/xml en gzip 5000000000 loc 1.000000 2.000000 3.000000 etag",
        "lost text/xml 100 50",
        "error 404",
        "password realm",
        "proxy u",
        "progress text/xml 100 50 2 2 50 1.500000",
        "unreachable",
        "timeout",
        "load error",
    };
    EXPECT_EQ(seen, expected);
}

TEST(TslRSSFeedTransfer, LoadsWhatTheTransferReceived)
{
    TslRSSFeed feed;
    std::vector<std::string> events;
    feed.OnRSSLoaded = [&](TslRSSFeed&) { events.push_back("loaded"); };
    feed.OnRSSNotRSSError = [&](TslRSSFeed&) { events.push_back("not rss"); };
    feed.OnRSSLoadError = [&](TslRSSFeed&) { events.push_back("load error"); };
    TslHTTPPragmaNoCache& http = feed.HTTPTransfer();

    // From the stream's position on.
    TMemoryStream body;
    const std::string text = "<a>" + Rss("", "f");
    body.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    body.SetPosition(3);
    const TDateTime before = Now();
    http.OnDone(&http, "text/xml", 100, &body);
    EXPECT_EQ(events, std::vector<std::string>{"loaded"});
    EXPECT_EQ(Titles(feed), std::vector<std::string>{"f"});
    EXPECT_GE(feed.FeedTime, before) << "the feed time is the time of the transfer";
    EXPECT_LE(feed.FeedTime, Now());

    feed.FeedTime = 1;
    TMemoryStream html;
    html.WriteBuffer("<html/>", 7);
    html.SetPosition(0);
    events.clear();
    http.OnDone(&http, "text/html", 7, &html);
    EXPECT_EQ(events, (std::vector<std::string>{"not rss", "load error"}));
    EXPECT_EQ(feed.FeedTime, 1.0) << "a failed load keeps the feed time";

    events.clear();
    http.OnDone(&http, "text/xml", 0, nullptr);
    EXPECT_EQ(events, std::vector<std::string>{"load error"}) << "a transfer into a file leaves nothing to load";
    EXPECT_EQ(Titles(feed), std::vector<std::string>{"f"});
}

TEST(TslRSSFeedTransfer, TheDocumentsFromAttributeBecomesTheTransfersAddress)
{
    TslRSSFeed feed;
    feed.HTTPTransfer().URL = "http://before/";
    ASSERT_TRUE(feed.LoadFromString(Rss(" from=\"http://x.org/rss\"", "a")));
    EXPECT_EQ(feed.HTTPTransfer().URL, "http://x.org/rss");
    ASSERT_TRUE(feed.LoadFromString(Rss(" from=\"\"", "b")));
    EXPECT_EQ(feed.HTTPTransfer().URL, "http://x.org/rss") << "an empty from leaves the address";
    ASSERT_FALSE(feed.LoadFromString("<rss from=\"http://y.org/\"><"));
    EXPECT_EQ(feed.HTTPTransfer().URL, "http://x.org/rss") << "a failed load changes nothing";
}

// A loopback listener that only sees whether anybody knocked.
class TListener {
public:
    TListener() : FSocket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP))
    {
        sockaddr_in address = Loopback(0);
        int length = sizeof address;
        if (FSocket && bind(FSocket.Get(), reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            listen(FSocket.Get(), 8) == 0 &&
            getsockname(FSocket.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0)
            FPort = ntohs(address.sin_port);
    }

    static sockaddr_in Loopback(int Port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(Port));
        return address;
    }
    int Port() const { return FPort; }
    // Whether a connection waits to be accepted.
    bool Knocked() const
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(FSocket.Get(), &readable);
        timeval none{0, 0};
        return select(0, &readable, nullptr, nullptr, &none) == 1;
    }

private:
    TWinSockSession FSession;
    TOwnedSocket FSocket;
    int FPort = 0;
};

TEST(TslRSSFeedTransfer, NothingInTheFeedStartsTheTransfer)
{
    TListener listener;
    ASSERT_NE(listener.Port(), 0) << "no loopback listener";
    const std::string address = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/rss.xml";

    TslRSSFeed feed;
    bool transferEvent = false;
    feed.OnHTTPHeaderInfo = [&](TObject*, std::int32_t, const std::string&, const std::string&, const std::string&,
                                const std::string&, std::int64_t, const std::string&, TDateTime, TDateTime,
                                TDateTime, const std::string&, bool&) { transferEvent = true; };
    feed.OnHTTPHostUnreachable = [&](TslRSSFeed&) { transferEvent = true; };
    feed.KeepOutdatedItems = true;
    feed.TrimStrings = true;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(feed.LoadFromString(Rss(" from=\"" + address + "\"", "ab")));
        TslRSSFeed copy;
        copy.Assign(&feed);
        copy.Assign(nullptr);
    }
    ASSERT_EQ(feed.HTTPTransfer().URL, address);
    PumpFor(300);
    EXPECT_FALSE(feed.HTTPTransfer().Busy());
    EXPECT_FALSE(feed.HTTPTransfer().InProgress());
    EXPECT_FALSE(transferEvent);
    EXPECT_FALSE(listener.Knocked()) << "something fetched the feed's own address";

    // The check itself sees a connection when there is one.
    TOwnedSocket client(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in to = TListener::Loopback(listener.Port());
    ASSERT_EQ(connect(client.Get(), reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    EXPECT_TRUE(PumpUntil([&] { return listener.Knocked(); }, 2000));
}

} // namespace
} // namespace skyloom
