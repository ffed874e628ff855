// Any byte string loaded into a feed, with keeping and trimming chosen by the first byte (and loaded a second time
// when keeping, so that it merges into its own items): the load must neither crash nor hang, must answer with
// exactly one outcome, must leave the list alone when it fails, and must never shrink a kept list.
#include "slRSSFeed.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t flags = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    skyloom::TslRSSFeed feed;
    feed.KeepOutdatedItems = (flags & 1) != 0;
    feed.TrimStrings = (flags & 2) != 0;
    int loaded = 0;
    int failed = 0;
    int specific = 0;
    feed.OnRSSLoaded = [&](skyloom::TslRSSFeed&) { ++loaded; };
    feed.OnRSSLoadError = [&](skyloom::TslRSSFeed&) { ++failed; };
    feed.OnRSSParseError = [&](skyloom::TslRSSFeed&) { ++specific; };
    feed.OnRSSNotRSSError = [&](skyloom::TslRSSFeed&) { ++specific; };

    const int rounds = feed.KeepOutdatedItems ? 2 : 1;
    for (int round = 0; round < rounds; ++round) {
        const int before = feed.FeedItems().Count();
        loaded = failed = specific = 0;
        const bool ok = feed.LoadFromString(text);
        if (ok != (loaded == 1) || loaded + failed != 1 || specific != failed)
            std::abort();
        if (!ok && feed.FeedItems().Count() != before)
            std::abort();
        if (ok && feed.KeepOutdatedItems && feed.FeedItems().Count() < before)
            std::abort();
    }
    for (int i = 0; i < feed.FeedItems().Count(); ++i) {
        const skyloom::TslRSSFeedItem& item = feed.FeedItems()[i];
        (void)item.DisplayName();
        for (int e = 0; e < item.Enclosure().Count(); ++e)
            (void)item.Enclosure()[e].DisplayName();
    }
    (void)feed.EnclosureSize();
    feed.TrimAll();
    return 0;
}
