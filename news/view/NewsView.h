// The main window's news: rebuilding the numbered headline list from the feed, and the HTML of the selected
// headline. Portable; the window supplies the list and the fetch.
#pragma once

#include "NewsHtml.h"
#include "slRSSFeed.h"

#include <functional>
#include <string>

namespace skyloom {

// The headline list as the news code uses it. Lines arrive as single-byte text; the list converts them to wide
// text with the system's code page.
class IHeadlineList {
public:
    virtual ~IHeadlineList() = default;
    virtual void Clear() = 0;
    virtual int Count() const = 0;
    virtual void Add(const std::string& line) = 0;
    virtual bool Selected(int index) const = 0;
};

// Fetches a URL and returns the reply body; raises on any failure.
using TFeedFetch = std::function<std::string(const std::string& url)>;

// Empties the list, fetches the feed, loads it into the feed component and lists one numbered line per item.
// Any error empties the list again, quietly. A text that is not RSS leaves the feed's earlier items, which are
// then listed again.
void RefreshHeadlines(IHeadlineList& list, const TFeedFetch& fetch, TslRSSFeed& feed, const std::string& url);

// The index of the last selected line, 0 when none is selected.
int SelectedHeadline(const IHeadlineList& list);

// The HTML of the selected headline's item. Raises EListError "List index out of bounds (<i>)" when the feed
// has no item at that line.
std::string SelectedItemHTML(const IHeadlineList& list, const TslRSSFeed& feed);

} // namespace skyloom
