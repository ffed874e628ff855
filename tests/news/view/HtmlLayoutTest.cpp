#include "HtmlLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom::html {
namespace {

// Every character is half the font height wide (bold ones one pixel more); ascent is four fifths of the height.
class TFixedMeasurer : public IHtmlTextMeasurer {
public:
    TFontMetrics Metrics(const TFontSpec& f) override { return {f.Height * 4 / 5, f.Height - f.Height * 4 / 5}; }
    int TextWidth(const TFontSpec& f, std::u16string_view text) override
    {
        return static_cast<int>(text.size()) * (f.Height / 2 + (f.Bold ? 1 : 0));
    }
};

std::string Narrow(const std::u16string& s)
{
    std::string out;
    for (const char16_t c : s) {
        out += c < 128 ? static_cast<char>(c) : '?';
    }
    return out;
}

// Body without border and margins, so that content starts at 0,0 and the line width is the given width.
THtmlBodyStyle Bare()
{
    THtmlBodyStyle b;
    b.BorderStyle = "none";
    b.MarginLeft = b.MarginTop = b.MarginRight = b.MarginBottom = 0;
    return b;
}

THtmlLayout Lay(const std::string& html, int width, const THtmlBodyStyle& body = Bare())
{
    TFixedMeasurer m;
    return LayoutHtml(html, width, m, body);
}

std::string TextOf(const std::string& html, int width = 400)
{
    return Narrow(Lay(html, width).Text());
}

const THtmlRun* RunWith(const THtmlLayout& l, const std::u16string& text)
{
    for (const THtmlRun& r : l.Runs) {
        if (r.Text == text) {
            return &r;
        }
    }
    return nullptr;
}

TEST(HtmlLayout, WrapsWordsAtTheLineWidth)
{
    // Normal text is 16 px high: 8 px a character, words of 32 px, a space of 8 px.
    const struct {
        int width;
        std::string expected;
    } cases[] = {
        {400, "aaaa bbbb cccc"},
        {112, "aaaa bbbb cccc"},
        {111, "aaaa bbbb\ncccc"},
        {72, "aaaa bbbb\ncccc"},
        {71, "aaaa\nbbbb\ncccc"},
        {32, "aaaa\nbbbb\ncccc"},
        {16, "aa\naa\nbb\nbb\ncc\ncc"},
        {1, "a\na\na\na\nb\nb\nb\nb\nc\nc\nc\nc"},
        {0, "a\na\na\na\nb\nb\nb\nb\nc\nc\nc\nc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf("aaaa bbbb cccc", c.width), c.expected) << "width " << c.width;
    }
}

TEST(HtmlLayout, PlacesLinesBelowEachOtherAtTheirWidths)
{
    const THtmlLayout l = Lay("aaaa bbbb cccc", 72);
    ASSERT_EQ(l.Runs.size(), 2u);
    EXPECT_EQ(l.Runs[0].Text, u"aaaa bbbb");
    EXPECT_EQ(l.Runs[0].X, 0);
    EXPECT_EQ(l.Runs[0].Y, 0);
    EXPECT_EQ(l.Runs[0].Width, 72);
    EXPECT_EQ(l.Runs[0].Height, 16);
    EXPECT_EQ(l.Runs[0].Baseline, 12);
    EXPECT_EQ(l.Runs[1].Y, 16);
    EXPECT_EQ(l.Height, 32);
}

TEST(HtmlLayout, CollapsesWhitespaceAndDecodesReferences)
{
    const struct {
        std::string html;
        std::string expected;
    } cases[] = {
        {"  one \n\t two  ", "one two"},
        {"Fish &amp; chips &lt;b&gt;", "Fish & chips <b>"},
        {"&lt;br /&gt; stays escaped", "<br /> stays escaped"},
        {"x<!-- comment -->y", "xy"},
        {"one<b> two</b> three", "one two three"},
        {"<p>  </p>", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf(c.html), c.expected) << "html: " << c.html;
    }
}

TEST(HtmlLayout, BreaksLinesAtBlocksAndBreaks)
{
    const struct {
        std::string html;
        std::string expected;
    } cases[] = {
        {"<p>one</p><p>two</p>", "one\ntwo"},
        {"one<br>two<br/>three<br />four", "one\ntwo\nthree\nfour"},
        {"one</br>two", "one\ntwo"},
        {"<div>a</div><div>b</div>c", "a\nb\nc"},
        {"<p>unclosed<p>next", "unclosed\nnext"},
        {"<h1>Title</h1>text", "Title\ntext"},
        {"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>", "a b\nc"},
        {"before<hr>after", "before\nafter"},
        {"<pre>  two  spaces\n\tand a tab</pre>", "  two  spaces\n        and a tab"},
        {"<pre>\nfirst newline dropped</pre>", "first newline dropped"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf(c.html), c.expected) << "html: " << c.html;
    }
}

TEST(HtmlLayout, SeparatesParagraphsByAMarginAndKeepsEmptyBreakLines)
{
    const THtmlLayout p = Lay("<p>one</p><p>two</p>", 400);
    ASSERT_EQ(p.Runs.size(), 2u);
    EXPECT_EQ(p.Runs[0].Y, 0) << "the first paragraph's margin is not applied at the top";
    EXPECT_EQ(p.Runs[1].Y, 16 + 16) << "one line and one collapsed margin of 1em";

    const THtmlLayout br = Lay("a<br><br>b", 400);
    ASSERT_EQ(br.Runs.size(), 2u);
    EXPECT_EQ(br.Runs[1].Y, 32) << "an empty line between the two breaks";
}

TEST(HtmlLayout, AppliesFontsColoursAndHeadings)
{
    const THtmlLayout l = Lay("<b>B</b><i>I</i><u>U</u><s>S</s><font face=\"Verdana, Arial\" size=\"-1\" "
                              "color=\"#336699\">F</font><h1>H</h1><font size=7>7</font><code>C</code>",
                              400);
    const THtmlRun* b = RunWith(l, u"B");
    const THtmlRun* i = RunWith(l, u"I");
    const THtmlRun* u = RunWith(l, u"U");
    const THtmlRun* s = RunWith(l, u"S");
    const THtmlRun* f = RunWith(l, u"F");
    const THtmlRun* h = RunWith(l, u"H");
    const THtmlRun* seven = RunWith(l, u"7");
    const THtmlRun* code = RunWith(l, u"C");
    ASSERT_TRUE(b && i && u && s && f && h && seven && code);
    EXPECT_TRUE(b->Font.Bold);
    EXPECT_FALSE(b->Font.Italic);
    EXPECT_TRUE(i->Font.Italic);
    EXPECT_TRUE(u->Font.Underline);
    EXPECT_TRUE(s->Font.StrikeOut);
    EXPECT_EQ(f->Font.Face, "Verdana");
    EXPECT_EQ(f->Font.Height, 13);
    EXPECT_EQ(f->Color, 0x336699u);
    EXPECT_EQ(h->Font.Height, 32);
    EXPECT_TRUE(h->Font.Bold);
    EXPECT_EQ(seven->Font.Height, 48);
    EXPECT_EQ(code->Font.Face, "Courier New");
    EXPECT_EQ(b->Font.Face, "Times New Roman");
    EXPECT_EQ(b->Color, 0x000000u);
}

TEST(HtmlLayout, NumbersAndBulletsListItems)
{
    const struct {
        std::string html;
        std::string expected;  // '?' stands for the bullet
    } cases[] = {
        {"<ul><li>one<li>two</ul>", "? one\n? two"},
        {"<ol><li>one</li><li>two</li></ol>", "1. one\n2. two"},
        {"<ol start=\"5\"><li>five<li>six</ol>", "5. five\n6. six"},
        {"<ul><li>outer<ol><li>inner</ol></ul>", "? outer\n1. inner"},
        {"<ul><li></li></ul>", "?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf(c.html), c.expected) << "html: " << c.html;
    }
    const THtmlLayout l = Lay("<ul><li>item</ul>", 400);
    const THtmlRun* item = RunWith(l, u"item");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->X, 40) << "list items are indented";
    ASSERT_EQ(l.Runs.front().Text, u"\u2022");
    EXPECT_LT(l.Runs.front().X + l.Runs.front().Width, item->X) << "the bullet stands left of the item";
    EXPECT_EQ(l.Runs.front().Y, item->Y);
}

TEST(HtmlLayout, IndentsBlockQuotesAndAlignsCentredText)
{
    const THtmlLayout q = Lay("<blockquote>quoted</blockquote>", 400);
    ASSERT_EQ(q.Runs.size(), 1u);
    EXPECT_EQ(q.Runs[0].X, 40);
    const THtmlLayout c = Lay("<center>abcd</center><p align=right>ab</p>", 400);
    ASSERT_EQ(c.Runs.size(), 2u);
    EXPECT_EQ(c.Runs[0].X, (400 - 32) / 2);
    EXPECT_EQ(c.Runs[1].X, 400 - 16);
    // The quote's right indent narrows its lines too.
    EXPECT_EQ(Narrow(Lay("<blockquote>aaaa bbbb</blockquote>", 80 + 72).Text()), "aaaa bbbb");
    EXPECT_EQ(Narrow(Lay("<blockquote>aaaa bbbb</blockquote>", 80 + 71).Text()), "aaaa\nbbbb");
}

TEST(HtmlLayout, GivesLinksTheirAddressStyleAndHitAreas)
{
    const THtmlLayout l =
        Lay("see <a href=\" http://example.com/a?x=1&amp;y=2 \" target=\"_blank\">the story</a> here", 400);
    ASSERT_EQ(l.Links.size(), 1u);
    EXPECT_EQ(Narrow(l.Links[0].Href), "http://example.com/a?x=1&y=2");
    EXPECT_EQ(Narrow(l.Links[0].Target), "_blank");
    const THtmlRun* link = RunWith(l, u"the story");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->Link, 0);
    EXPECT_TRUE(link->Font.Underline);
    EXPECT_EQ(link->Color, 0x0000FFu);
    const std::vector<THtmlRect> area = l.LinkArea(0);
    ASSERT_EQ(area.size(), 1u);
    EXPECT_EQ(area[0], (THtmlRect{32, 0, 32 + 72, 16})) << "\"see \" is 32 px, \"the story\" 72 px";
    const struct {
        int x, y, expected;
    } hits[] = {{32, 0, 0}, {103, 15, 0}, {31, 5, -1}, {104, 5, -1}, {50, 16, -1}, {50, -1, -1}};
    for (const auto& h : hits) {
        EXPECT_EQ(l.LinkAt(h.x, h.y), h.expected) << "at " << h.x << "," << h.y;
    }
    EXPECT_EQ(Narrow(l.Text()), "see the story here");
    EXPECT_FALSE(RunWith(l, u" here")->Font.Underline) << "the space after the link is not part of it";
}

TEST(HtmlLayout, LinkWrappedOverTwoLinesIsClickableOnBoth)
{
    const THtmlLayout l = Lay("<a href=\"http://x/\">aaaa bbbb</a> <a href=\"http://y/\">cc</a>", 40);
    ASSERT_EQ(l.Links.size(), 2u);
    const std::vector<THtmlRect> first = l.LinkArea(0);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(l.LinkAt(first[0].Left, first[0].Top), 0);
    EXPECT_EQ(l.LinkAt(first[1].Left, first[1].Top), 0);
    EXPECT_GT(first[1].Top, first[0].Top);
    EXPECT_EQ(l.LinkArea(1).size(), 1u);
    EXPECT_TRUE(l.LinkArea(7).empty());
    EXPECT_TRUE(l.LinkArea(-1).empty());
    EXPECT_EQ(l.LinkAt(1000, 1000), -1);
}

TEST(HtmlLayout, ShowsImagesAsAltTextAndNeverShowsScripts)
{
    const struct {
        std::string html;
        std::string expected;
    } cases[] = {
        {"a <img src=\"http://x/cat.png\" alt=\"A cat\"> b", "a A cat b"},
        {"a<img src=\"x.png\">b", "ab"},
        {"<script>document.write('evil')</script>ok", "ok"},
        {"<p onclick=\"alert(1)\">click</p>", "click"},
        {"<object data=x><embed src=y>fallback</object>", "fallback"},
        {"<style>body{display:none}</style>shown", "shown"},
        {"<a name=\"top\">anchor</a>", "anchor"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf(c.html), c.expected) << "html: " << c.html;
    }
    EXPECT_TRUE(Lay("<a name=\"top\">anchor</a>", 400).Links.empty()) << "an anchor without href is no link";
}

TEST(HtmlLayout, StylesTheBodyFromThePaneAndTheDocument)
{
    TFixedMeasurer m;
    const THtmlLayout plain = LayoutHtml("x", 200, m);
    EXPECT_EQ(plain.BorderWidth, 2) << "the default sunken edge";
    EXPECT_EQ(plain.Runs[0].X, 2 + 8);
    EXPECT_EQ(plain.Runs[0].Y, 2 + 8);
    EXPECT_EQ(plain.Background, 0xFFFFFFu);
    EXPECT_EQ(plain.Height, 2 + 8 + 16 + 8 + 2);

    THtmlBodyStyle s;
    s.BorderStyle = "none";
    s.Background = 0x102030;
    s.BorderColor = 0xFF0000;
    s.MarginLeft = 0;
    s.MarginTop = 20;
    s.NoScroll = true;
    const THtmlLayout styled = LayoutHtml("<body bgcolor=\"#FFFFCC\" text=green>x</body>", 200, m, s);
    EXPECT_EQ(styled.BorderWidth, 0);
    EXPECT_EQ(styled.BorderStyle, "none");
    EXPECT_EQ(styled.Background, 0x102030u) << "the pane's colour wins over the document's";
    EXPECT_EQ(styled.BorderColor, 0xFF0000u);
    EXPECT_TRUE(styled.NoScroll);
    EXPECT_EQ(styled.Runs[0].X, 0);
    EXPECT_EQ(styled.Runs[0].Y, 20);
    EXPECT_EQ(styled.Runs[0].Color, 0x008000u) << "the body's text colour";

    const THtmlLayout doc = LayoutHtml("<body bgcolor=\"#FFFFCC\">x</body>", 200, m);
    EXPECT_EQ(doc.Background, 0xFFFFCCu);

    const struct {
        std::string style;
        int width;
    } borders[] = {{"", 2}, {"none", 0}, {"solid", 1}, {"dotted", 1}, {"double", 3}, {"inset", 2},
                   {"window-inset", 2}, {"groove", 2}};
    for (const auto& b : borders) {
        THtmlBodyStyle bs;
        bs.BorderStyle = b.style;
        EXPECT_EQ(LayoutHtml("x", 200, m, bs).BorderWidth, b.width) << "border style " << b.style;
    }
}

TEST(HtmlLayout, ReadsTheBytesInTheDeclaredCharacterSet)
{
    TFixedMeasurer m;
    EXPECT_EQ(LayoutHtml("caf\xE9", 400, m).Text(), u"caf\u00E9") << "the caller's code page by default";
    EXPECT_EQ(LayoutHtml("<meta charset=\"utf-8\">caf\xC3\xA9", 400, m).Text(), u"caf\u00E9");
    EXPECT_EQ(LayoutHtml("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\xE2\x82\xAC", 400, m)
                  .Text(),
              u"\u20AC");
    const THtmlDecoder upper = [](std::string_view b) { return std::u16string(b.size(), u'X'); };
    EXPECT_EQ(LayoutHtml("ab", 400, m, {}, upper).Text(), u"XX");
}

TEST(HtmlLayout, ParsesColours)
{
    const struct {
        std::string text;
        std::optional<TRgb> expected;
    } cases[] = {
        {"#336699", 0x336699}, {"336699", 0x336699}, {"#abc", 0xAABBCC}, {" Red ", 0xFF0000}, {"navy", 0x000080},
        {"#12345", std::nullopt}, {"#gg0000", std::nullopt}, {"", std::nullopt}, {"nocolour", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHtmlColor(c.text), c.expected) << "colour text: " << c.text;
    }
}

TEST(HtmlLayout, OpensOnlyWebAddresses)
{
    const struct {
        std::u16string href;
        std::u16string expected;
    } cases[] = {
        {u"http://example.com/story", u"http://example.com/story"},
        {u"  HTTPS://example.com/  ", u"HTTPS://example.com/"},
        {u"www.example.com/x", u"http://www.example.com/x"},
        {u"javascript:alert(1)", u"http://javascript:alert(1)"},
        {u"file:///C:/Windows/system32/calc.exe", u""},
        {u"ftp://example.com/", u""},
        {u"C:\\Windows\\notepad.exe", u"http://C:\\Windows\\notepad.exe"},
        {u"#top", u""},
        {u"", u""},
        {u"http://a/\nb", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WebAddressForLink(c.href), c.expected) << Narrow(c.href);
    }
}

TEST(HtmlLayout, SurvivesMalformedAndHostileDocuments)
{
    std::string deep;
    for (int i = 0; i < 20000; ++i) {
        deep += "<div><b><ul><li><blockquote>";
    }
    deep += "bottom";
    std::string long_word(100000, 'w');
    std::string many_closes;
    for (int i = 0; i < 20000; ++i) {
        many_closes += "</b></div></li>";
    }
    const std::string cases[] = {
        deep,
        long_word,
        many_closes,
        "<a href=\"x\"><a href=\"y\"><a href=\"z\">nested links",
        "<<<<>>>>&&&&;;;;<!--<!--",
        "<p <b <i>x",
        "<font size=\"+99999999999\">x</font><font size=\"-99999\">y</font><font size=\"\">z</font>",
        "<ol start=\"99999999999999\"><li>x</ol>",
        std::string("a\0b<b\0>c", 8),
        "<pre>" + std::string(5000, '\t') + "</pre>",
        "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80",
        "<meta charset=utf-8>\xF0\x9F\x98\x80\xF0\x9F\x98\x80",
        "<li>stray item</li></ul></ol>",
        "<hr><hr><br><br></p></p>",
    };
    for (const std::string& html : cases) {
        for (const int width : {0, 1, 20, 465}) {
            const THtmlLayout l = Lay(html, width);
            int last_y = 0;
            for (const THtmlRun& r : l.Runs) {
                EXPECT_GE(r.Y, last_y) << "lines go downwards";
                EXPECT_FALSE(r.Text.empty());
                last_y = r.Y;
            }
            EXPECT_GE(l.Height, last_y);
        }
    }
    // A split never separates the halves of a surrogate pair.
    TFixedMeasurer m;
    const THtmlLayout emoji = LayoutHtml("<meta charset=utf-8>\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 1, m, Bare());
    for (const THtmlRun& r : emoji.Runs) {
        EXPECT_EQ(r.Text.size(), 2u);
        EXPECT_TRUE(r.Text[0] >= 0xD800 && r.Text[0] <= 0xDBFF);
    }
}

} // namespace
} // namespace skyloom::html

namespace skyloom::html {
namespace {

TEST(HtmlLayout, ReadsTheCommonInlineStyleDeclarations)
{
    const THtmlLayout l = Lay("<span style=\"color: #336699; font-weight: bold\">A</span>"
                              "<span style=\"FONT-STYLE:italic;text-decoration:underline line-through\">B</span>"
                              "<span style=\"font-size: 24px; font-family: 'Georgia', serif\">C</span>"
                              "<span style=\"font-size: 9pt\">D</span>"
                              "<span style=\"font-weight:700 !important; font-size: 200%\">E</span>"
                              "<b><span style=\"font-weight: normal\">F</span></b>"
                              "<span style=\"font-size: 99999px; color: nonsense; ;: ;garbage\">G</span>"
                              "<p style=\"font-size: 1e300px\">I</p><p style=\"font-size: 1e30em\">J</p>"
                              "<p style=\"font-weight: 99999999999999999999\">K</p>"
                              "<p style=\"text-align: center\">HH</p>",
                              400);
    const THtmlRun* a = RunWith(l, u"A");
    const THtmlRun* b = RunWith(l, u"B");
    const THtmlRun* c = RunWith(l, u"C");
    const THtmlRun* d = RunWith(l, u"D");
    const THtmlRun* e = RunWith(l, u"E");
    const THtmlRun* f = RunWith(l, u"F");
    const THtmlRun* g = RunWith(l, u"G");
    const THtmlRun* h = RunWith(l, u"HH");
    ASSERT_TRUE(a && b && c && d && e && f && g && h);
    EXPECT_EQ(a->Color, 0x336699u);
    EXPECT_TRUE(a->Font.Bold);
    EXPECT_TRUE(b->Font.Italic);
    EXPECT_TRUE(b->Font.Underline);
    EXPECT_TRUE(b->Font.StrikeOut);
    EXPECT_EQ(c->Font.Height, 24);
    EXPECT_EQ(c->Font.Face, "Georgia");
    EXPECT_EQ(d->Font.Height, 12);
    EXPECT_TRUE(e->Font.Bold);
    EXPECT_EQ(e->Font.Height, 32);
    EXPECT_FALSE(f->Font.Bold);
    EXPECT_EQ(g->Font.Height, 72) << "sizes are kept within reason";
    EXPECT_EQ(g->Color, 0x000000u);
    const THtmlRun* i = RunWith(l, u"I");
    const THtmlRun* j = RunWith(l, u"J");
    const THtmlRun* k = RunWith(l, u"K");
    ASSERT_TRUE(i && j && k);
    EXPECT_EQ(i->Font.Height, 72) << "a size beyond any number the pane keeps is its largest";
    EXPECT_EQ(j->Font.Height, 72);
    EXPECT_TRUE(k->Font.Bold) << "a weight beyond any number is heavy";
    EXPECT_EQ(h->X, (400 - 16) / 2);
}

} // namespace
} // namespace skyloom::html
