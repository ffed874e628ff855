// A 1,000-item feed fetched from a loopback server and loaded into TslRSSFeed, as a news refresh does it, with
// its two halves measured apart and set against peers measured in the same run: the XML library's parse of the
// same text (the floor of any load), and the curl command fetching the same address (when curl is installed;
// each of its runs includes starting the process).
//
// Run inside the private network namespace (scripts/lib/netns.sh); the server binds 127.0.0.1 only.
#include "BenchKit.h"
#include "BenchServer.h"
#include "NetHTTP.h"
#include "XmlLib.h"
#include "slRSSFeed.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace skyloom;
using Clock = std::chrono::steady_clock;

struct TFigure {
    double Median = 0;
    double Best = 0;
};

TFigure Measure(int Runs, const std::function<void()>& Step)
{
    Step();  // warm-up
    std::vector<double> ms;
    for (int i = 0; i < Runs; ++i) {
        const auto start = Clock::now();
        Step();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void Row(const char* What, const TFigure& f)
{
    std::printf("| %-46s | %9.3f | %9.3f |\n", What, f.Median, f.Best);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string body = bench::RssFeed(1000);
    const bench::TBenchServer server({{"/feed.xml", bench::ReplyWithLength(body, "application/rss+xml")}});
    const std::string url = server.Url("/feed.xml");

    TNetHTTP http;
    TslRSSFeed feed;
    int items = 0;
    const TFigure both = Measure(runs, [&] {
        feed.LoadFromString(http.Get(url));
        items = feed.FeedItems().Count();
    });
    if (items != 1000) {
        std::fprintf(stderr, "the feed loaded %d items instead of 1000\n", items);
        return 1;
    }
    std::string fetched;
    const TFigure fetch = Measure(runs, [&] { fetched = http.Get(url); });
    const TFigure load = Measure(runs, [&] { feed.LoadFromString(body); });
    const TFigure parse = Measure(runs, [&] {
        TXmlPtr<IXmlDocument> document = NewXmlDocument("", "1.0", "iso-8859-1");
        document->LoadFromString(body);
    });
    if (fetched != body) {
        std::fprintf(stderr, "the fetched body differs from the feed\n");
        return 1;
    }
    // curl fetches the address `batch` times in one process over one kept-alive connection, so that starting
    // the process weighs little; the time of one fetch is the batch's time divided by its size.
    constexpr int batch = 20;
    std::string curlCommand = "curl -s -f --noproxy '*'";
    for (int i = 0; i < batch; ++i)
        curlCommand += " -o /dev/null '" + url + "'";
    curlCommand += " 2>/dev/null";
    const bool haveCurl =
        std::system("command -v curl >/dev/null 2>&1") == 0 && std::system(curlCommand.c_str()) == 0;
    TFigure curl;
    if (haveCurl) {
        curl = Measure(std::max(3, runs / 4), [&] {
            if (std::system(curlCommand.c_str()) != 0)
                std::fprintf(stderr, "curl failed\n");
        });
        curl.Median /= batch;
        curl.Best /= batch;
    }

    std::printf("A 1,000-item feed (%zu bytes) over loopback, %d runs each, milliseconds\n\n", body.size(), runs);
    std::printf("| %-46s | %9s | %9s |\n", "step", "median", "best");
    std::printf("|%s|%s|%s|\n", std::string(48, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str());
    Row("fetch and load (TNetHTTP + TslRSSFeed)", both);
    Row("fetch only (TNetHTTP, kept-alive connection)", fetch);
    if (haveCurl)
        Row("fetch only (curl, kept-alive, per fetch)", curl);
    Row("load only (TslRSSFeed LoadFromString)", load);
    Row("XML parse only (XmlLib LoadFromString)", parse);
    std::printf("\n");
    if (haveCurl)
        std::printf("fetch, TNetHTTP against curl: %.2fx curl's speed (median), %.2fx (best)\n",
                    curl.Median / fetch.Median, curl.Best / fetch.Best);
    else
        std::printf("fetch, TNetHTTP against curl: curl is not installed, no comparison\n");
    std::printf("load, TslRSSFeed against the bare XML parse: %.2fx the parse's time (median), %.2fx (best)\n",
                load.Median / parse.Median, load.Best / parse.Best);
    return 0;
}
