// The square-bracket markup: runs, paragraphs, accelerators, plain text and the line layout.
#include "slRichText.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

using namespace skyloom;

namespace {

using Runs = std::vector<TslRichRun>;

Runs One(std::string_view text, const TslMarkupOptions& options = {}, TslRichStyles base = 0)
{
    auto paragraphs = ParseRichText(text, options, base);
    EXPECT_EQ(paragraphs.size(), 1u) << "one paragraph in [" << text << "]";
    return paragraphs.empty() ? Runs{} : paragraphs.front();
}

std::string Describe(const Runs& runs)
{
    std::string s;
    for (const auto& r : runs) {
        s += "{" + r.Text + "|";
        if (r.Style & rsBold)
            s += "b";
        if (r.Style & rsItalic)
            s += "i";
        if (r.Style & rsUnderline)
            s += "u";
        if (r.Style & rsStrikeOut)
            s += "s";
        if (r.Color != clDefault) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "#%06X", static_cast<unsigned>(r.Color));
            s += buffer;
        }
        s += "}";
    }
    return s;
}

// Every character is 6 pixels wide, bold ones 7; lines are 13 high.
class TFakeMeasurer : public TslTextMeasurer {
public:
    int TextWidth(std::string_view text, TslRichStyles style) override
    {
        ++Calls;
        return static_cast<int>(text.size()) * ((style & rsBold) ? 7 : 6);
    }
    int LineHeight() override { return 13; }
    int Calls = 0;
};

std::vector<std::string> LineTexts(const TslRichLayout& layout)
{
    std::vector<std::string> lines;
    for (const auto& line : layout.Lines) {
        std::string s;
        for (const auto& r : line.Runs)
            s += r.Text;
        lines.push_back(s);
    }
    return lines;
}

} // namespace

TEST(RichText, TagsSetStylesAndColours)
{
    struct Case {
        const char* text;
        const char* runs;
    } cases[] = {
        {"A newer version of [b]Skyloom[] was released.",
         "{A newer version of |}{Skyloom|b}{ was released.|}"},
        {"[red]x[b]y[]z[DEF]w", "{x|#0000FF}{y|b#0000FF}{z|#0000FF}{w|}"},
        {"[RED]a[Red]b", "{ab|#0000FF}"},
        {"[ub]both[bold]b", "{both|bu}{b|b}"},
        {"[b]x[zz]y", "{x|b}{y|}"},
        {"a [b c", "{a [b c|}"},
        {"x] [b]y", "{x] |}{y|b}"},
        {"]a[i]b", "{]a|}{b|i}"},
        {"[navy]n[teal]t[gray]g[silver]s", "{n|#800000}{t|#808000}{g|#808080}{s|#C0C0C0}"},
        {"[aqua][s]z", "{z|s#FFFF00}"},
        {"[b][]", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(One(c.text)), c.runs) << "runs of [" << c.text << "]";
}

TEST(RichText, DefReturnsToTheLabelsOwnStyle)
{
    EXPECT_EQ(Describe(One("a[b]x[DEF]y[]z", {}, rsItalic)), "{a|i}{x|b}{y|i}{z|}")
        << "the label's italic font: [b] and [] clear it, [DEF] brings it back";
}

TEST(RichText, PlainTextAndOtherTagCharacters)
{
    TslMarkupOptions plain;
    plain.PlainText = true;
    EXPECT_EQ(Describe(One("[b]x[]", plain)), "{[b]x[]|}");
    TslMarkupOptions braces;
    braces.TagOpen = '{';
    braces.TagClose = '}';
    EXPECT_EQ(Describe(One("[b]a{b}c", braces)), "{[b]a|}{c|b}");
}

TEST(RichText, ParagraphsBreakAtLineFeedsOnly)
{
    struct Case {
        const char* text;
        std::vector<std::string> paragraphs;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb", {"a\rb"}},
        {"a\r\r\nb", {"a\r", "b"}},
        {"", {""}},
        {"x\n", {"x", ""}},
        {"\r\n\r\n", {"", "", ""}},
    };
    for (const Case& c : cases) {
        auto got = SplitRichParagraphs(c.text);
        std::vector<std::string> texts(got.begin(), got.end());
        EXPECT_EQ(texts, c.paragraphs) << "paragraphs of a text of " << std::string(c.text).size() << " bytes";
    }
    auto styled = ParseRichText("[b]a\nb[]c", {});
    ASSERT_EQ(styled.size(), 2u);
    EXPECT_EQ(Describe(styled[1]), "{b|b}{c|}") << "the style carries over to the next paragraph";
}

TEST(RichText, AcceleratorsUnderlineTheNextCharacter)
{
    TslMarkupOptions accel;
    accel.Accelerators = true;
    struct Case {
        const char* text;
        const char* runs;
    } cases[] = {
        {"&Yes", "{Y|u}{es|}"},
        {"Fish && Chips", "{Fish & Chips|}"},
        {"end&", "{end&|}"},
        {"[b]&x[]&&", "{x|bu}{&|}"},
        {"&&&a", "{&|}{a|u}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(One(c.text, accel)), c.runs) << "accelerators in [" << c.text << "]";
    EXPECT_EQ(Describe(One("&Yes")), "{&Yes|}") << "without the option ampersands stay";
}

TEST(RichText, PlainTextDropsOnlyKnownTags)
{
    struct Case {
        const char* text;
        const char* plain;
    } cases[] = {
        {"[b]x[] [ub]y[]", "x y"},
        {"[b]Note[] text", "Note text"},
        {"[RED]r[Def]d[default]x", "rdx"},
        {"[bb]x[bx]y", "[bb]x[bx]y"},
        {"[sbui]all[]", "all"},
        {"[b[i]]", ""},
        {"a [b c", "a [b c"},
        {"[link]", "[link]"},
        {"]][[", "]][["},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RichPlainText(c.text), c.plain) << "plain text of [" << c.text << "]";
    EXPECT_EQ(RichPlainText("<b>x<>", '<', '>'), "x");
}

TEST(RichText, LayoutWrapsAfterBreakCharacters)
{
    struct Case {
        const char* text;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {"hello world", 100, {"hello world"}},
        {"hello world", 40, {"hello ", "world"}},
        {"superlongword", 20, {"superlongword"}},
        {"a-b-c-d", 24, {"a-b-", "c-d"}},
        {"superlongword, and more", 40, {"superlongword,", " and ", "more"}},
        {"hello  world", 40, {"hello  ", "world"}},
        {"one\ntwo three", 40, {"one", "two ", "three"}},
        {"path\\to\\file", 50, {"path\\to\\", "file"}},
    };
    for (const Case& c : cases) {
        TFakeMeasurer m;
        TslRichLayoutOptions o;
        o.Width = c.width;
        EXPECT_EQ(LineTexts(LayoutRichText(c.text, {}, o, m)), c.lines)
            << "lines of [" << c.text << "] in " << c.width << " pixels";
    }
    TFakeMeasurer m;
    TslRichLayoutOptions noWrap;
    noWrap.Width = 10;
    noWrap.WordWrap = false;
    EXPECT_EQ(LayoutRichText("a b c d", {}, noWrap, m).Lines.size(), 1u) << "without WordWrap one line";
}

TEST(RichText, Utf8TextMayBreakAfterEveryIdeograph)
{
    struct Length {
        const char* text;
        std::size_t length;
    } lengths[] = {
        {"\xE4\xB8\x80", 3},      // U+4E00, the first CJK ideograph
        {"\xEF\xBC\x8C", 3},      // U+FF0C, the full-width comma
        {"\xE3\x81\x82", 3},      // U+3042, hiragana
        {"\xED\x95\x9C", 3},      // U+D55C, hangul
        {"\xE2\x82\xAC", 0},      // U+20AC, the euro sign: a letter like any other
        {"\xD0\xBF", 0},           // Cyrillic: words are separated by blanks
        {"a", 0},
        {"\xE4\xB8", 0},           // cut short
        {"\xE4\x41\x80", 0},      // not a sequence
    };
    for (const Length& l : lengths)
        EXPECT_EQ(Utf8WideBreakLength(l.text), l.length) << "sequence of " << std::strlen(l.text) << " bytes";

    // The fake measurer gives 6 pixels a byte: one ideograph is 18 pixels wide.
    const std::string five = "\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89\xE5\x9B\x9B\xE4\xBA\x94";  // 一二三四五
    struct Case {
        std::string text;
        bool utf8;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {five, true, 40, {five.substr(0, 6), five.substr(6, 6), five.substr(12)}},
        {five, false, 40, {five}},  // in a code page the bytes are not characters of their own
        {five, true, 200, {five}},
        {"[b]" + five.substr(0, 6) + "[]" + five.substr(6, 6), true, 44, {five.substr(0, 6), five.substr(6, 6)}},
        {"ab" + five.substr(0, 3) + "cd", true, 30, {"ab" + five.substr(0, 3), "cd"}},
        {"\xD0\xBF\xD1\x80\xD0\xB8 \xD0\xBC\xD0\xB8", true, 40, {"\xD0\xBF\xD1\x80\xD0\xB8 ", "\xD0\xBC\xD0\xB8"}},
    };
    for (const Case& c : cases) {
        TFakeMeasurer m;
        TslRichLayoutOptions o;
        o.Width = c.width;
        o.Utf8 = c.utf8;
        EXPECT_EQ(LineTexts(LayoutRichText(c.text, {}, o, m)), c.lines)
            << "lines of " << c.text.size() << " bytes in " << c.width << " pixels, utf8 " << c.utf8;
    }
}

TEST(RichText, LayoutMeasuresWithTheMarkupApplied)
{
    TFakeMeasurer m;
    TslRichLayoutOptions o;
    o.Width = 300;
    // "[b]abc[] de" is 3 bold (21) + 3 regular (18) = 39.
    auto layout = LayoutRichText("[b]abc[] de", {}, o, m);
    ASSERT_EQ(layout.Lines.size(), 1u);
    EXPECT_EQ(layout.Lines[0].Width, 39);
    // 42 pixels: "[b]abc[] de" fits in 39, so no break; 38 does not.
    o.Width = 38;
    EXPECT_EQ(LineTexts(LayoutRichText("[b]abc[] de", {}, o, m)), (std::vector<std::string>{"abc ", "de"}));
    // Trailing blanks do not count: "ab  " is 12 wide when left-aligned, 24 when right-aligned.
    o.Width = 200;
    EXPECT_EQ(LayoutRichText("ab  ", {}, o, m).Lines[0].Width, 12);
    o.Alignment = raRight;
    EXPECT_EQ(LayoutRichText("ab  ", {}, o, m).Lines[0].Width, 24);
}

TEST(RichText, LayoutPlacesLinesAndSizesTheDrawing)
{
    TFakeMeasurer m;
    TslRichLayoutOptions o;
    o.Width = 100;
    o.MarginHorz = 10;
    o.MarginVert = 4;
    auto left = LayoutRichText("abcde fgh\nij", {}, o, m);  // 30+... "abcde fgh" = 54 fits in 90
    ASSERT_EQ(left.Lines.size(), 2u);
    EXPECT_EQ(left.LineHeight, 13);
    EXPECT_EQ(left.Lines[0].X, 10);
    EXPECT_EQ(left.Lines[0].Y, 4);
    EXPECT_EQ(left.Lines[1].Y, 17);
    EXPECT_EQ(left.Height, 2 * 13 + 8);
    EXPECT_EQ(left.Width, 54 + 10) << "wrapped left-aligned text is as wide as its widest line and the margin";
    o.ShowShadow = true;
    auto shadowed = LayoutRichText("abcde fgh\nij", {}, o, m);
    EXPECT_EQ(shadowed.Height, 2 * 13 + 8 + 8);
    EXPECT_EQ(shadowed.Width, 54 + 10 + 7);
    o.ShowShadow = false;
    o.Alignment = raRight;
    auto right = LayoutRichText("abcde fgh\nij", {}, o, m);
    EXPECT_EQ(right.Lines[0].X, 100 - 10 - 54);
    EXPECT_EQ(right.Lines[1].X, 100 - 10 - 12);
    EXPECT_EQ(right.Width, 100) << "right-aligned text keeps the label's width";
    o.Alignment = raCenter;
    auto centre = LayoutRichText("abcde fgh", {}, o, m);
    EXPECT_EQ(centre.Lines[0].X, (100 - 10 - 54) / 2);
    TslRichLayoutOptions plain;
    plain.Width = 50;
    EXPECT_EQ(LayoutRichText("", {}, plain, m).Height, 13) << "an empty text is one empty line";
}

TEST(RichText, LongParagraphsNeedFewMeasurements)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "word ";
    TFakeMeasurer m;
    TslRichLayoutOptions o;
    o.Width = 300;
    auto layout = LayoutRichText(text, {}, o, m);
    EXPECT_EQ(layout.Lines.size(), 2000u / 10u) << "ten words of 30 pixels a line";
    EXPECT_LT(m.Calls, 200 * 20) << "each line is found by halving, not by trying every break";
}
