#include "NewsView.h"

#include "HtmlLayout.h"

#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyloom {
namespace {

class TFakeList : public IHeadlineList {
public:
    void SetTextCharset(const std::string& charset) override { Charset = charset; }
    void Clear() override
    {
        Lines.clear();
        Selection.clear();
        ++Clears;
    }
    int Count() const override { return static_cast<int>(Lines.size()); }
    void Add(const std::string& line) override
    {
        Lines.push_back(line);
        Selection.push_back(false);
    }
    bool Selected(int index) const override { return Selection.at(static_cast<std::size_t>(index)); }

    std::vector<std::string> Lines;
    std::vector<bool> Selection;
    int Clears = 0;
    std::string Charset;
};

std::string Feed(const std::vector<std::pair<std::string, std::string>>& items)
{
    std::string s = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>T</title>";
    int n = 0;
    for (const auto& [title, description] : items) {
        ++n;
        s += "<item><title>" + title + "</title><link>http://news.example/" + std::to_string(n) +
             "</link><description>" + description + "</description></item>";
    }
    return s + "</channel></rss>";
}

TFeedFetch Serve(const std::string& body)
{
    return [body](const std::string&) { return body; };
}

TFeedFetch Unreachable()
{
    return [](const std::string& url) -> std::string { throw std::runtime_error("cannot reach " + url); };
}

class TCharWidth : public html::IHtmlTextMeasurer {
public:
    html::TFontMetrics Metrics(const html::TFontSpec& f) override { return {f.Height - 3, 3}; }
    int TextWidth(const html::TFontSpec&, std::u16string_view t) override { return static_cast<int>(t.size()) * 7; }
};

const std::vector<std::string> kABC = {"1. A", "2. B", "3. C"};

TEST(NewsView, ListsOneNumberedLinePerItemInDocumentOrder)
{
    TFakeList list;
    TslRSSFeed feed;
    std::string asked;
    RefreshHeadlines(
        list, [&](const std::string& url) { asked = url; return Feed({{"A", "a"}, {"B", "b"}, {"C", "c"}}); }, feed,
        "http://feed.example/rss");
    EXPECT_EQ(asked, "http://feed.example/rss");
    EXPECT_EQ(list.Lines, kABC);

    RefreshHeadlines(list, Serve(Feed({{"A", "a"}, {"B", "b"}, {"C", "c"}})), feed, "u");
    EXPECT_EQ(list.Lines, kABC) << "a second refresh starts again from an empty list";

    RefreshHeadlines(list, Serve(Feed({})), feed, "u");
    EXPECT_TRUE(list.Lines.empty()) << "a feed without items lists nothing";
}

TEST(NewsView, EmptiesTheListQuietlyWhenTheFeedCannotBeFetched)
{
    TFakeList list;
    TslRSSFeed feed;
    RefreshHeadlines(list, Serve(Feed({{"A", "a"}, {"B", "b"}, {"C", "c"}})), feed, "u");
    ASSERT_EQ(list.Lines, kABC);
    EXPECT_NO_THROW(RefreshHeadlines(list, Unreachable(), feed, "u"));
    EXPECT_TRUE(list.Lines.empty());
    EXPECT_EQ(feed.FeedItems().Count(), 3) << "the feed keeps what it held";
}

TEST(NewsView, ListsTheEarlierItemsAgainAfterATextThatIsNotRss)
{
    TFakeList list;
    TslRSSFeed feed;
    RefreshHeadlines(list, Serve(Feed({{"A", "a"}, {"B", "b"}, {"C", "c"}})), feed, "u");
    for (const std::string& page : {std::string("<html><body>Not a feed</body></html>"), std::string("plain text"),
                                    std::string("<rss><channel>")}) {
        RefreshHeadlines(list, Serve(page), feed, "u");
        EXPECT_EQ(list.Lines, kABC) << "after: " << page;
    }
}

TEST(NewsView, KeepsTheFeedsBytesInTheLines)
{
    TFakeList list;
    TslRSSFeed feed;
    RefreshHeadlines(list, Serve(Feed({{"Caf\xE9 &amp; bar", "x"}})), feed, "u");
    ASSERT_EQ(list.Lines.size(), 1u);
    EXPECT_EQ(list.Lines[0], "1. Caf\xE9 & bar");
}

TEST(NewsView, BuildsTheHtmlOfTheLastSelectedLine)
{
    TFakeList list;
    TslRSSFeed feed;
    RefreshHeadlines(list,
                     Serve(Feed({{"A", "first"}, {"B", "second&amp;lt;BR /&amp;gt;line"}, {"C", "&lt;b&gt;third"}})),
                     feed, "u");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(SelectedHeadline(list), 0) << "nothing selected: the first";
    EXPECT_EQ(SelectedItemHTML(list, feed),
              "<meta charset=\"utf-8\"><p>first</p><p><a href=\"http://news.example/1\" target=\"_blank\">Read more...</a></p>");
    list.Selection[1] = true;
    EXPECT_EQ(SelectedItemHTML(list, feed),
              "<meta charset=\"utf-8\"><p>second<br />line</p><p><a href=\"http://news.example/2\" target=\"_blank\">Read more...</a></p>");
    list.Selection[2] = true;
    EXPECT_EQ(SelectedHeadline(list), 2) << "the last selected line wins";
    EXPECT_EQ(SelectedItemHTML(list, feed),
              "<meta charset=\"utf-8\"><p><b>third</p><p><a href=\"http://news.example/3\" target=\"_blank\">Read more...</a></p>");
}

TEST(NewsView, RaisesAListIndexErrorForALineWithoutItem)
{
    TFakeList list;
    TslRSSFeed feed;
    list.Add("1. orphan");
    list.Add("2. orphan");
    list.Selection[1] = true;
    try {
        SelectedItemHTML(list, feed);
        FAIL() << "no error raised";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    }
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

// The demo's sample feed must stay a feed this program reads: thirty items, windows-1252 bytes kept as they are.
TEST(NewsView, ReadsTheDemoSampleFeed)
{
    const char* top = std::getenv("SL_SOURCE_DIR");
    ASSERT_NE(top, nullptr) << "SL_SOURCE_DIR is set by the test runner";
    std::ifstream in(std::string(top) + "/tools/feedserver/sample/news.xml", std::ios::binary);
    ASSERT_TRUE(in) << "sample feed missing";
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TFakeList list;
    TslRSSFeed feed;
    RefreshHeadlines(list, Serve(text), feed, "u");
    ASSERT_EQ(list.Count(), 30);
    EXPECT_EQ(list.Lines[1], "2. Caf\xE9 owners welcome longer terrace season");
    list.Selection[4] = true;
    const std::string html = SelectedItemHTML(list, feed);
    EXPECT_NE(html.find("<br />Ferries"), std::string::npos) << html;
}

TEST(NewsView, TheFeedsDeclaredCharacterSetDecodesListAndPane)
{
    // The lines and the model keep the feed's bytes; the list and the pane are told how to read them.
    struct Case {
        const char* declaration;
        const char* title;
        const char* charset;
        const char16_t* shown;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "Z\xC3\xBCrich \xE2\x80\x93 caf\xC3\xA9", "UTF-8",
         u"Z\u00FCrich \u2013 caf\u00E9"},
        {"<?xml version=\"1.0\"?>", "Z\xC3\xBCrich \xE2\x80\x93 caf\xC3\xA9", "utf-8", u"Z\u00FCrich \u2013 caf\u00E9"},
        {"", "Z\xC3\xBCrich", "utf-8", u"Z\u00FCrich"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "Z\xFCrich \x96 caf\xE9", "windows-1252",
         u"Z\u00FCrich \u2013 caf\u00E9"},
        {"<?xml version=\"1.0\" encoding=\" ISO-8859-1 \"?>", "caf\xE9", "ISO-8859-1", u"caf\u00E9"},
        // A name no table knows is passed on; whoever decodes falls back to the system's code page.
        {"<?xml version=\"1.0\" encoding=\"x-unknown\"?>", "abc", "x-unknown", u"abc"},
        // Only a name's own letters reach the pane's markup.
        {"<?xml version=\"1.0\" encoding=\"utf-8&quot;&gt;&lt;b\"?>", "abc", "utf-8b", u"abc"},
    };
    for (const Case& c : cases) {
        const std::string body = std::string(c.declaration) + "<rss version=\"2.0\"><channel><item><title>" +
                                 c.title + "</title><link>http://x/1</link><description>" + c.title +
                                 "</description></item></channel></rss>";
        TFakeList list;
        TslRSSFeed feed;
        RefreshHeadlines(list, Serve(body), feed, "u");
        ASSERT_EQ(list.Lines.size(), 1u) << c.declaration;
        EXPECT_EQ(list.Lines[0], std::string("1. ") + c.title) << "the line lost the feed's bytes: " << c.declaration;
        EXPECT_EQ(feed.FeedItems().Items(0).Title, c.title) << "the model lost the feed's bytes";
        EXPECT_EQ(list.Charset, c.charset) << c.declaration;

        const std::string html = SelectedItemHTML(list, feed);
        EXPECT_EQ(html.rfind(std::string("<meta charset=\"") + c.charset + "\">", 0), 0u) << html;
        if (std::string(c.charset) != "x-unknown") {
            TCharWidth measurer;
            const std::u16string text = html::LayoutHtml(html, 465, measurer).Text();
            EXPECT_EQ(text.substr(0, text.find(u'\n')), c.shown) << "the pane misread " << c.declaration;
        }
    }
}

TEST(NewsView, FetchingTouchesNeitherListNorFeedUntilListed)
{
    TslRSSFeed feed;
    TFakeList list;
    RefreshHeadlines(list, Serve(Feed({{"A", "a"}})), feed, "u");
    TFetchedFeed fetched = FetchFeed(Serve(Feed({{"B", "b"}, {"C", "c"}})), "u");
    EXPECT_TRUE(fetched.Fetched);
    EXPECT_EQ(feed.FeedItems().Count(), 1) << "reading changed the feed";
    EXPECT_EQ(list.Lines, std::vector<std::string>{"1. A"});
    ListFetchedFeed(list, feed, fetched);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"1. B", "2. C"}));

    TFetchedFeed failed = FetchFeed(Unreachable(), "u");
    EXPECT_FALSE(failed.Fetched);
    ListFetchedFeed(list, feed, failed);
    EXPECT_TRUE(list.Lines.empty()) << "a failed fetch left lines";
    EXPECT_EQ(feed.FeedItems().Count(), 2) << "a failed fetch changed the feed";
}

} // namespace
} // namespace skyloom
