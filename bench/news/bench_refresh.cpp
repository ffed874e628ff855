// A news refresh of a 1,000-item feed as the main window runs it: the fetch and the reading on a worker thread,
// the loading and listing on the main thread, which meanwhile waits idle as its message loop would. Measures the
// main thread's longest stretch of work for the refresh (one frame is 16 ms) and the time from the request to the filled
// list, and sets them against the same refresh done wholly on the main thread, as a blocking refresh does it.
//
// Built natively and for Windows (run it under Wine as well). Run inside the private network namespace
// (scripts/lib/netns.sh); the server binds 127.0.0.1 only.
#include "BenchKit.h"
#include "LoopbackServer.h"
#include "HtmlTokenizer.h"
#include "NetHTTP.h"
#include "NewsView.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace skyloom;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// The list as the window has it: every line turned into wide text.
class TWideLines : public IHeadlineList {
public:
    void Clear() override { FLines.clear(); }
    int Count() const override { return static_cast<int>(FLines.size()); }
    void Add(const std::string& line) override { FLines.push_back(html::DecodeUtf8(line)); }
    bool Selected(int) const override { return false; }

private:
    std::vector<std::u16string> FLines;
};

struct TRun {
    double Longest = 0;     // the main thread's longest stretch of work for the refresh, between two idle waits
    double Listing = 0;     // of which loading and listing the fetched feed
    double ToFilled = 0;    // from the request to the filled list
};

// The main thread waits idle the way a message loop does, woken when the worker hands over its result; only its
// own work counts as a stretch, not the time the system takes to wake it.
TRun ThreadedRefresh(TNetHTTP& http, const std::string& url, TslRSSFeed& feed)
{
    TRun run;
    TWideLines list;
    const Clock::time_point request = Clock::now();
    list.Clear();
    TFetchedFeed fetched;
    std::mutex lock;
    std::condition_variable wake;
    bool ready = false;
    std::thread worker([&] {
        TFetchedFeed result = FetchFeed([&http](const std::string& a) { return http.Get(a); }, url);
        std::lock_guard guard(lock);
        fetched = std::move(result);
        ready = true;
        wake.notify_one();
    });
    run.Longest = Ms(Clock::now() - request);
    std::unique_lock guard(lock);
    wake.wait(guard, [&ready] { return ready; });
    const Clock::time_point start = Clock::now();
    ListFetchedFeed(list, feed, fetched);
    const Clock::time_point end = Clock::now();
    guard.unlock();
    run.Listing = Ms(end - start);
    run.ToFilled = Ms(end - request);
    run.Longest = std::max(run.Longest, run.Listing);
    worker.join();
    if (list.Count() != feed.FeedItems().Count() || list.Count() == 0)
        std::fprintf(stderr, "the list was not filled\n");
    return run;
}

double BlockingRefresh(TNetHTTP& http, const std::string& url, TslRSSFeed& feed)
{
    TWideLines list;
    const Clock::time_point start = Clock::now();
    RefreshHeadlines(list, [&http](const std::string& a) { return http.Get(a); }, feed, url);
    return Ms(Clock::now() - start);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main()
{
    constexpr int kItems = 1000;
    constexpr int kRuns = 15;
    const std::string body = bench::RssFeed(kItems);
    std::vector<test::TScriptedReply> script;
    for (int i = 0; i < 2 * kRuns + 2; ++i)
        script.push_back(test::Reply("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                     std::to_string(body.size()) + "\r\n\r\n" + body));
    test::TLoopbackServer server(script);
    TNetHTTP http;
    TslRSSFeed feed;
    BlockingRefresh(http, server.Url("/feed.xml"), feed);  // warm-up: connection, allocator, caches

    std::vector<double> longest, listing, filled, blocking;
    for (int i = 0; i < kRuns; ++i) {
        const TRun run = ThreadedRefresh(http, server.Url("/feed.xml"), feed);
        longest.push_back(run.Longest);
        listing.push_back(run.Listing);
        filled.push_back(run.ToFilled);
        blocking.push_back(BlockingRefresh(http, server.Url("/feed.xml"), feed));
    }
    const double worst = *std::max_element(longest.begin(), longest.end());
    std::printf("news refresh of %d items (%zu bytes), %d runs each\n", kItems, body.size(), kRuns);
    std::printf("  main thread longest stretch:  median %.2f ms, worst %.2f ms (target < 16 ms: %s)\n",
                Median(longest), worst, worst < 16 ? "met" : "MISSED");
    std::printf("  of which loading and listing: median %.2f ms\n", Median(listing));
    std::printf("  request to filled list:       median %.2f ms\n", Median(filled));
    std::printf("  blocking refresh (reference): median %.2f ms with the main thread held throughout\n",
                Median(blocking));
    std::printf("  ratio blocking / longest stretch: %.1fx; request to filled / blocking: %.2f\n",
                Median(blocking) / Median(longest), Median(filled) / Median(blocking));
    return 0;
}
