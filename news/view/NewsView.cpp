#include "NewsView.h"

#include "SysUtils.h"

#include <stdexcept>

namespace skyloom {

std::string FeedCharset(const TslRSSFeed& feed)
{
    // Only the letters a character set name is made of: the name goes into the pane's markup.
    std::string name;
    for (const char c : Trim(feed.FeedCodePage)) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == ':')
            name += c;
    }
    return name.empty() ? std::string("utf-8") : name;
}

TFetchedFeed FetchFeed(const TFeedFetch& fetch, const std::string& url)
{
    TFetchedFeed fetched;
    try {
        const std::string text = fetch(url);
        fetched.Fetched = true;
        fetched.Read = TslRSSFeed::ReadString(text);
    } catch (...) {
        // A failed refresh shows an empty list until the next one; the user is not bothered with why.
        fetched = TFetchedFeed{};
    }
    return fetched;
}

void ListFetchedFeed(IHeadlineList& list, TslRSSFeed& feed, TFetchedFeed& fetched)
{
    list.Clear();
    if (!fetched.Fetched || !fetched.Read)
        return;
    try {
        feed.LoadRead(*fetched.Read);  // its answer does not matter: the items it holds afterwards are listed
        list.SetTextCharset(FeedCharset(feed));
        const TslRSSFeedItemCollection& items = feed.FeedItems();
        for (int i = 0; i < items.Count(); ++i) {
            list.Add(HeadlineLine(static_cast<std::size_t>(list.Count()), items.Items(i).Title));
        }
    } catch (...) {
        // As for a failed fetch: an empty list until the next refresh.
        list.Clear();
    }
}

void RefreshHeadlines(IHeadlineList& list, const TFeedFetch& fetch, TslRSSFeed& feed, const std::string& url)
{
    list.Clear();
    TFetchedFeed fetched = FetchFeed(fetch, url);
    ListFetchedFeed(list, feed, fetched);
}

int SelectedHeadline(const IHeadlineList& list)
{
    int index = 0;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Selected(i)) {
            index = i;
        }
    }
    return index;
}

std::string SelectedItemHTML(const IHeadlineList& list, const TslRSSFeed& feed)
{
    const int index = SelectedHeadline(list);
    if (index < 0 || index >= feed.FeedItems().Count()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    const TslRSSFeedItem& item = feed.FeedItems().Items(index);
    return "<meta charset=\"" + FeedCharset(feed) + "\">" + NewsItemHTML(item.Description, item.Link);
}

} // namespace skyloom
