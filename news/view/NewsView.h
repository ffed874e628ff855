// The main window's news: rebuilding the numbered headline list from the feed, and the HTML of the selected
// headline. Portable; the window supplies the list and the fetch.
#pragma once

#include "NewsHtml.h"
#include "slRSSFeed.h"

#include <functional>
#include <memory>
#include <string>

namespace skyloom {

// The headline list as the news code uses it. Lines arrive as the feed's bytes; the list converts them to wide
// text in the character set it was last given (the system's code page before any).
class IHeadlineList {
public:
    virtual ~IHeadlineList() = default;
    virtual void SetTextCharset(const std::string& charset) { (void)charset; }
    virtual void Clear() = 0;
    virtual int Count() const = 0;
    virtual void Add(const std::string& line) = 0;
    virtual bool Selected(int index) const = 0;
};

// Fetches a URL and returns the reply body; raises on any failure.
using TFeedFetch = std::function<std::string(const std::string& url)>;

// The character set of a feed's text: the one its XML declaration names, else UTF-8, as XML has it.
std::string FeedCharset(const TslRSSFeed& feed);

// What the fetch and the reading of one refresh produced. Made without touching the list or the feed, so it may
// be made on a worker thread; ListFetchedFeed then applies it where the list and the feed live.
struct TFetchedFeed {
    bool Fetched = false;                     // the body arrived
    std::shared_ptr<TslRSSReadResult> Read;   // the body read as RSS (whatever the outcome)
};
TFetchedFeed FetchFeed(const TFeedFetch& fetch, const std::string& url);

// Empties the list, loads what was fetched into the feed and lists one numbered line per item. A failed fetch
// (and any error) leaves the list empty, quietly; a text that is not RSS leaves the feed's earlier items, which
// are then listed again.
void ListFetchedFeed(IHeadlineList& list, TslRSSFeed& feed, TFetchedFeed& fetched);

// Both steps at once: empties the list, fetches the feed, loads it and lists its items.
void RefreshHeadlines(IHeadlineList& list, const TFeedFetch& fetch, TslRSSFeed& feed, const std::string& url);

// The index of the last selected line, 0 when none is selected.
int SelectedHeadline(const IHeadlineList& list);

// The HTML of the selected headline's item, declaring the feed's character set so that the pane reads its bytes
// right. Raises EListError "List index out of bounds (<i>)" when the feed
// has no item at that line.
std::string SelectedItemHTML(const IHeadlineList& list, const TslRSSFeed& feed);

} // namespace skyloom
