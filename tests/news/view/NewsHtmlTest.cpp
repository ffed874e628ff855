#include "NewsHtml.h"

#include "HtmlLayout.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TEST(NewsHtml, NumbersHeadlinesFromTheLinesAlreadyListed)
{
    const struct {
        std::size_t lines;
        std::string title;
        std::string expected;
    } cases[] = {
        {0, "A", "1. A"}, {1, "B", "2. B"}, {2, "C", "3. C"}, {9, "Tenth", "10. Tenth"}, {0, "", "1. "},
        {0, "Caf\xE9 \"quoted\" <b>", "1. Caf\xE9 \"quoted\" <b>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HeadlineLine(c.lines, c.title), c.expected);
    }
}

TEST(NewsHtml, BuildsTheDescriptionAndAReadMoreLink)
{
    EXPECT_EQ(NewsItemHTML("Rain <b>today</b>.", "http://news.example/1"),
              "<p>Rain <b>today</b>.</p><p><a href=\"http://news.example/1\" target=\"_blank\">Read more...</a></p>");
    EXPECT_EQ(NewsItemHTML("", ""), "<p></p><p><a href=\"\" target=\"_blank\">Read more...</a></p>");
    EXPECT_EQ(NewsItemHTML("one&lt;BR /&gt;two", "http://x/"),
              "<p>one<br />two</p><p><a href=\"http://x/\" target=\"_blank\">Read more...</a></p>");
}

TEST(NewsHtml, UnescapesLineBreaksInAnyLetterCase)
{
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"a&lt;br /&gt;b", "a<br />b"},
        {"&LT;BR /&GT;", "<br />"},
        {"&Lt;bR /&gT;", "<br />"},
        {"&lt;br /&gt;&lt;br /&gt;", "<br /><br />"},
        {"&amp;lt;br /&amp;gt;", "&amp;lt;br /&amp;gt;"},
        {"&lt;br/&gt;", "&lt;br/&gt;"},
        {"&lt;br&gt;", "&lt;br&gt;"},
        {"&lt;b&gt;bold&lt;/b&gt;", "&lt;b&gt;bold&lt;/b&gt;"},
        {"&lt;br /&gt", "&lt;br /&gt"},
        {"&&lt;br /&gt;", "&<br />"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnescapeLineBreaks(c.input), c.expected) << "input: " << c.input;
    }
}

class TCharMeasurer : public html::IHtmlTextMeasurer {
public:
    html::TFontMetrics Metrics(const html::TFontSpec& f) override { return {f.Height - 3, 3}; }
    int TextWidth(const html::TFontSpec&, std::u16string_view t) override { return static_cast<int>(t.size()) * 7; }
};

TEST(NewsHtml, AnItemShowsItsTextAndAReadMoreLinkInThePane)
{
    TCharMeasurer m;
    const html::THtmlLayout l =
        html::LayoutHtml(NewsItemHTML("First line&lt;br /&gt;second line", "http://news.example/2"), 465, m);
    EXPECT_EQ(l.Text(), u"First line\nsecond line\nRead more...");
    ASSERT_EQ(l.Links.size(), 1u);
    EXPECT_EQ(l.Links[0].Href, u"http://news.example/2");
    EXPECT_EQ(l.Links[0].Target, u"_blank");
    ASSERT_EQ(l.LinkArea(0).size(), 1u);
    EXPECT_EQ(l.LinkArea(0)[0].Right - l.LinkArea(0)[0].Left, 12 * 7);
}

} // namespace
} // namespace skyloom
