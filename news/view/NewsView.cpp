#include "NewsView.h"

#include "SysUtils.h"

#include <stdexcept>

namespace skyloom {

void RefreshHeadlines(IHeadlineList& list, const TFeedFetch& fetch, TslRSSFeed& feed, const std::string& url)
{
    list.Clear();
    try {
        const std::string text = fetch(url);
        feed.LoadFromString(text);  // its answer does not matter: the items it holds afterwards are listed
        const TslRSSFeedItemCollection& items = feed.FeedItems();
        for (int i = 0; i < items.Count(); ++i) {
            list.Add(HeadlineLine(static_cast<std::size_t>(list.Count()), items.Items(i).Title));
        }
    } catch (...) {
        // A failed refresh shows an empty list until the next one; the user is not bothered with why.
        list.Clear();
    }
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
    return NewsItemHTML(item.Description, item.Link);
}

} // namespace skyloom
