#include "HtmlTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom::html {
namespace {

// A compact picture of the tokens: T(text) for text, <name a=v /> for start tags, </name> for end tags.
std::string Describe(const std::vector<THtmlToken>& tokens)
{
    std::string out;
    for (const THtmlToken& t : tokens) {
        switch (t.Kind) {
        case THtmlTokenKind::tkText:
            out += "T(" + t.Text + ")";
            break;
        case THtmlTokenKind::tkStartTag:
            out += "<" + t.Text;
            for (const auto& a : t.Attributes) {
                out += " " + a.Name + "=" + a.Value;
            }
            out += t.SelfClosing ? " />" : ">";
            break;
        case THtmlTokenKind::tkEndTag:
            out += "</" + t.Text + ">";
            break;
        }
    }
    return out;
}

TEST(HtmlTokenizer, SplitsTagSoupIntoTextAndTags)
{
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"a<b>c</b>", "T(a)<b>T(c)</b>"},
        {"<P CLASS=Intro>x</P>", "<p class=Intro>T(x)</p>"},
        {"<a href=\"x y\" target='_blank' nofollow>", "<a href=x y target=_blank nofollow=>"},
        {"<a href = \"spaced\" >", "<a href=spaced>"},
        {"<a href=\"never closed", "<a href=never closed>"},
        {"<a href=x", "<a href=x>"},
        {"<br/><br />", "<br /><br />"},
        {"1 < 2 and 3 > 2", "T(1 < 2 and 3 > 2)"},
        {"<", "T(<)"},
        {"a<", "T(a<)"},
        {"<>", "T(<>)"},
        {"x<!-- <b>hidden</b> -->y", "T(x)T(y)"},
        {"x<!-- never closed <b>", "T(x)"},
        {"<!DOCTYPE html><?xml version=\"1.0\"?>x", "T(x)"},
        {"</>x", "T(x)"},
        {"</ b>x", "T(x)"},
        {"<b\nclass='k'\t>x", "<b class=k>T(x)"},
        {"<textarea><b>as text</b></textarea>", "<textarea>T(<b>as text</b>)</textarea>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(TokenizeHtml(c.input)), c.expected) << "input: " << c.input;
    }
}

TEST(HtmlTokenizer, DropsTheContentOfScriptsStylesAndTitles)
{
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"<script>alert('<b>hi</b>')</script>after", "<script></script>T(after)"},
        {"<SCRIPT type=text/javascript>x</ScRiPt >y", "<script type=text/javascript></script>T(y)"},
        {"<script>document.write('</scr' + 'ipt>')</script>z", "<script></script>T(z)"},
        {"<script>never closed <p>text", "<script>"},
        {"<script/>x</script>y", "<script /></script>T(y)"},
        {"<style>p { color: red }</style>t", "<style></style>T(t)"},
        {"<title>Page</title>body", "<title></title>T(body)"},
        {"<iframe src=x>inner</iframe>", "<iframe src=x></iframe>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(TokenizeHtml(c.input)), c.expected) << "input: " << c.input;
    }
}

TEST(HtmlTokenizer, DecodesCharacterReferences)
{
    const struct {
        std::u16string input;
        std::u16string expected;
    } cases[] = {
        {u"Fish &amp; chips", u"Fish & chips"},
        {u"&lt;b&gt;not bold&lt;/b&gt;", u"<b>not bold</b>"},
        {u"&quot;q&quot; &apos;a&apos;", u"\"q\" 'a'"},
        {u"caf&eacute; caf&#233; caf&#xE9; caf&#XE9;", u"caf\u00E9 caf\u00E9 caf\u00E9 caf\u00E9"},
        {u"a&nbsp;b", u"a\u00A0b"},
        {u"&hellip;&mdash;&ndash;&lsquo;&rsquo;&ldquo;&rdquo;&euro;&trade;",
         u"\u2026\u2014\u2013\u2018\u2019\u201C\u201D\u20AC\u2122"},
        {u"&copy; &reg; &Uuml;ber &szlig;", u"\u00A9 \u00AE \u00DCber \u00DF"},
        {u"AT&T &amp no semicolon", u"AT&T & no semicolon"},
        {u"&hellip no semicolon", u"&hellip no semicolon"},
        {u"&unknown; &; & &#; &#x;", u"&unknown; &; & &#; &#x;"},
        {u"&#65&#66;", u"AB"},
        {u"&#0; &#xD800; &#x110000; &#99999999999999999999;", u"\uFFFD \uFFFD \uFFFD \uFFFD"},
        {u"&#128512;", u"\U0001F600"},
        {u"&#150;&#128;", u"\u2013\u20AC"},
        {u"&AMP;", u"&AMP;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeCharacterReferences(c.input), c.expected)
            << "input: " << std::string(c.input.begin(), c.input.end());
    }
}

TEST(HtmlTokenizer, DecodesBytesOfTheKnownCharacterSets)
{
    EXPECT_EQ(DecodeWindows1252("caf\xE9 \x80 \x93x\x94 \x81"), u"caf\u00E9 \u20AC \u201Cx\u201D \u0081");
    const struct {
        std::string input;
        std::u16string expected;
    } utf8[] = {
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xC3", u"\uFFFD"},
        {"\xC3x", u"\uFFFDx"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},
        {"\xE0\x80\xAF", u"\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD"},
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", u"\uFFFD"},
    };
    for (const auto& c : utf8) {
        EXPECT_EQ(DecodeUtf8(c.input), c.expected) << "bytes of length " << c.input.size();
    }
}

} // namespace
} // namespace skyloom::html
