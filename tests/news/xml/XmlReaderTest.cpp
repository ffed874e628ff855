// The XML text reader: what each construct becomes, every error message, references, names and the sources.
#include "XmlReader.h"
#include "XmlTestSupport.h"

#include <sstream>

namespace skyloom {
namespace {

using xmltest::Cp1251;
using xmltest::ErrorOf;
using xmltest::Load;
using xmltest::Shape;

std::string DocShape(const std::string& text, bool keep = false)
{
    auto doc = Load(text, keep);
    return Shape(TXmlPtr<IXmlNode>(doc));
}

TEST(XmlReader, ConstructsBecomeTheseNodes)
{
    struct Case {
        const char* input;
        const char* shape;
    } cases[] = {
        {"", "D()"},
        {" \r\n\t ", "D()"},
        {"<a> x </a>", "D( E(a T(256: x )))"},
        {"<a>x<b/>y</a>", "D( E(a T(256:x) E(b =256:) T(256:y)))"},
        {"a > b", "D( T(256:a > b))"},
        {"<abc></abc   >", "D( E(abc =256:))"},
        {"</x><y/>", "D()"},
        {"<y/></x>junk", "D( E(y =256:))"},
        {"abc<", "D( T(256:abc))"},
        {"<!DOCTYPE rss SYSTEM \"x.dtd\"><rss/>", "D( E(rss =256:))"},
        {"<!DOCTYPE a [<!ENTITY e \"v\">]><a/>", "D( T(256:]>) E(a =256:))"},
        {"<![CDATA[a &lt; ]] b]]>", "D( C(a &lt; ]] b))"},
        {"<!--a--->", "D( M(a-))"},
        {"<!-- <b>not</b> -->", "D( M(<b>not</b>))"},
        {"<![CDATA[x]]]]>", "D( C(x]]))"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "D( P(xml| @version=256:1.0 @encoding=256:UTF-8))"},
        {"<?php echo 1; ?>", "D( P(php| echo 1; ))"},
        {"<?XML version='1'?>", "D( P(XML| version='1'))"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?><r/>", "D( T(256:\xEF\xBB\xBF) P(xml| @version=256:1.0) E(r =256:))"},
        {"<a x='1' y=\"2\" x='3'/>", "D( E(a @x=256:3 @y=256:2 =256:))"},
        {"<a x = ' \"q\" > \r\n '/>", "D( E(a @x=256: \"q\" > \r\n  =256:))"},
        {"<dc:creator>Me</dc:creator>", "D( E(dc:creator T(256:Me)))"},
        {"<a\tb='1'\n/>", "D( E(a @b=256:1 =256:))"},
        {"<_x-1.2/>", "D( E(_x-1.2 =256:))"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocShape(c.input), c.shape) << "input: " << c.input;
}

TEST(XmlReader, PreservedWhitespaceKeepsBlankTexts)
{
    EXPECT_EQ(DocShape(" ", true), "D( T(256: ))");
    EXPECT_EQ(DocShape("<a> <b/>\n</a>", true), "D( T(256:) E(a T(256: ) E(b =256:) T(256:\n)))");
    EXPECT_EQ(DocShape("<a> <b/>\n</a>", false), "D( E(a E(b =256:)))");
    EXPECT_EQ(DocShape("<a>&#32;</a>", false), "D( E(a =256:))") << "a blank made by a reference is still blank";
}

TEST(XmlReader, ReferencesGiveOneByte)
{
    struct Case {
        const char* input;
        std::string text;
    } cases[] = {
        {"&#65;", "A"},
        {"&#x41;", "A"},
        {"&#x6a;", "j"},
        {"&amp;", "&"},
        {"&quot;&apos;&lt;&gt;", "\"'<>"},
        {"&#321;", "A"},
        {"&#8217;", "\x19"},
        {"&#233;", "\xE9"},
        {"&#0;", std::string(1, '\0')},
        {"&#4294967361;", "A"},
        {"x&#10;y", "x\ny"},
    };
    for (const auto& c : cases) {
        auto doc = Load(std::string("<a>") + c.input + "</a>", true);
        EXPECT_EQ(doc->DocumentElement()->Text(), c.text) << "in text: " << c.input;
        doc = Load(std::string("<a v='") + c.input + "'/>");
        EXPECT_EQ(doc->DocumentElement()->AttrText("v"), c.text) << "in attribute: " << c.input;
    }
}

// Texts and attribute values are scanned for the byte that ends them many bytes at a time where the processor
// allows it: wherever that byte falls, and whatever ordinary bytes (the other quote, ">") come before it, the run
// must end exactly there.
TEST(XmlReader, RunsEndAtTheirFirstStopWhereverItFalls)
{
    const std::string filler = "ab\"cd>ef'gh ij\tkl-mn=op;qr/st?uv]wx!yz.AB:CD_EF#GH";
    for (std::size_t n = 0; n <= 40; ++n) {
        const std::string run = filler.substr(0, n);
        // Texts end at "<" or run on over a reference; blanks before the run do not count.
        auto doc = Load("<a> " + run + "</a>", true);
        EXPECT_EQ(doc->DocumentElement()->Text(), " " + run) << "text of " << n << " bytes";
        doc = Load("<a>" + run + "&amp;" + run + "</a>", true);
        EXPECT_EQ(doc->DocumentElement()->Text(), run + "&" + run) << "text of " << n << " bytes with a reference";
        doc = Load("<a>" + run + "x</a>");
        EXPECT_EQ(doc->DocumentElement()->Text(), run + "x") << "text of " << n + 1 << " bytes";
        // A value ends at its own quote only; the other quote and ">" are ordinary bytes in it.
        for (const char q : {'"', '\''}) {
            std::string value = run;
            for (char& c : value) {
                if (c == q)
                    c = '`';
            }
            doc = Load(std::string("<a v=") + q + value + q + " w=" + q + value + "&lt;" + value + q + "/>");
            EXPECT_EQ(doc->DocumentElement()->AttrText("v", "-"), value) << "value of " << n << " bytes in " << q;
            EXPECT_EQ(doc->DocumentElement()->AttrText("w", "-"), value + "<" + value)
                << "value of " << n << " bytes with a reference in " << q;
            EXPECT_EQ(ErrorOf([&] { Load(std::string("<a v=") + q + value + "<" + q + "/>"); }),
                      Cp1251("Символ \"<\" не может использоваться в значениях атрибутов"))
                << "\"<\" after " << n << " bytes of a value in " << q;
            EXPECT_EQ(ErrorOf([&] { Load(std::string("<a v=") + q + value); }),
                      Cp1251("Ожидается \"") + q + "\"")
                << "unclosed value of " << n << " bytes in " << q;
        }
    }
}

TEST(XmlReader, EveryErrorHasItsMessage)
{
    const std::string expectedChar = Cp1251("Ожидается \"");
    struct Case {
        std::string input;
        std::string message;
    } cases[] = {
        {"&", Cp1251("Ожидается \"#\" или имя упрамляющего символа")},
        {"&#", Cp1251("Ожидается число")},
        {"&#X41;", Cp1251("Ожидается число")},
        {"&#;", Cp1251("Ожидается число")},
        {"&#x;", Cp1251("Ожидается шестнадцатеричное число")},
        {"&#xg;", Cp1251("Ожидается шестнадцатеричное число")},
        {"&nbsp;", Cp1251("Некорректное имя управляющего символа")},
        {"<a v='&nbsp;'/>", Cp1251("Некорректное имя управляющего символа")},
        {"&Amp;", Cp1251("Некорректное имя управляющего символа")},
        {"&amp", expectedChar + ";\""},
        {"&#65", expectedChar + ";\""},
        {"& x", Cp1251("Имя должно начинаться с буквы или \"_\"")},
        {"a < b", Cp1251("Имя должно начинаться с буквы или \"_\"")},
        {"<1a/>", Cp1251("Имя должно начинаться с буквы или \"_\"")},
        {"<?", Cp1251("Имя должно начинаться с буквы или \"_\"")},
        {std::string("<\0r\0s\0s\0>\0", 10), Cp1251("Имя должно начинаться с буквы или \"_\"")},
        {"<a x=1/>", Cp1251("Ожидается строковая константа")},
        {"<a x/>", expectedChar + "=\""},
        {"<a x=", Cp1251("Ожидается значение атрибута")},
        {"<a x='<'/>", Cp1251("Символ \"<\" не может использоваться в значениях атрибутов")},
        {"<a x='abc", expectedChar + "'\""},
        {"<a x=\"abc", expectedChar + "\"\""},
        {"<a", Cp1251("Не завершено определение элемента")},
        {"<a$/>", Cp1251("Некорретный символ в имени элемента")},
        {"<a>", expectedChar + "/\""},
        {"<a x='1'", expectedChar + ">\""},
        {"<a/ >", expectedChar + ">\""},
        {"<abc></abd>", expectedChar + "c\""},
        {"<abc></ab>", expectedChar + "c\""},
        {"<abc></abcd>", expectedChar + ">\""},
        {"<abc></ABC>", expectedChar + "abc\""},
        {"<abc></abc x>", expectedChar + ">\""},
        {"<a></a", expectedChar + ">\""},
        {"<!ENTITY x \"y\">", expectedChar + "DOCTYPE\""},
        {"<!DOCTYPE x", expectedChar + ">\""},
        {"<!-x-->", expectedChar + "-\""},
        {"<!-- x", expectedChar + "-->\""},
        {"<![CDATA[x", expectedChar + "]]>\""},
        {"<![CDATAx", expectedChar + "[\""},
        {"<?php x", expectedChar + "?>\""},
        {"<?xml version='1.0'", expectedChar + "?>\""},
        {"<?xml version='1.0' ?", expectedChar + ">\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { Load(c.input); }), c.message) << "input: " << c.input;
}

TEST(XmlReader, NodesBeforeAnErrorStay)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    EXPECT_NE(ErrorOf([&] { doc->LoadFromString("<a/><b>&nbsp;</b>"); }), "<no error>");
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(a =256:) E(b =256:))");
}

TEST(XmlReader, AttributesBeforeAnErrorStay)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    EXPECT_NE(ErrorOf([&] { doc->LoadFromString("<a x='1' y='2' z='&nbsp;'/>"); }), "<no error>");
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(a @x=256:1 @y=256:2 =256:))");
    EXPECT_NE(ErrorOf([&] { doc->LoadFromString("<a x='1' y=2/>"); }), "<no error>");
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(a @x=256:1 =256:))");
}

TEST(XmlReader, ManyAttributesKeepTheirOrderAndTheLastValue)
{
    // More attributes than the reader gathers at a time, with names repeated across the groups.
    std::string tag = "<a";
    std::string shape = "D( E(a";
    for (int i = 0; i < 20; ++i) {
        tag += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
        shape += " @n" + std::to_string(i) + "=256:" + std::to_string(i == 3 ? 99 : i == 11 ? 77 : i);
    }
    tag += " n3='99' n11='77'/>";
    shape += " =256:))";
    EXPECT_EQ(DocShape(tag), shape);
    auto doc = Load(tag);
    EXPECT_EQ(doc->DocumentElement()->AttributeCount(), 20);
}

TEST(XmlReader, NamesThatBeginAlikeStayApart)
{
    // Names that share their first bytes, names that are beginnings of others, short names followed by different
    // bytes and names too long to be remembered, each met again and again.
    const std::string once =
        "<item><items/><ite/><item2 itemx='1' item='2'/><it a='1'/><it>x</it>"
        "<a_very_long_element_name_of_40_bytes_xx/><a_very_long_element_name_of_40_bytes_yy/>"
        "<dc:creator>c</dc:creator><dc:created/></item>";
    const std::string shape =
        " E(item E(items =256:) E(ite =256:) E(item2 @itemx=256:1 @item=256:2 =256:) E(it @a=256:1 =256:)"
        " E(it T(256:x)) E(a_very_long_element_name_of_40_bytes_xx =256:) E(a_very_long_element_name_of_40_bytes_yy =256:)"
        " E(dc:creator T(256:c)) E(dc:created =256:))";
    EXPECT_EQ(DocShape("<r>" + once + once + once + "</r>"), "D( E(r" + shape + shape + shape + "))");
    // A name that ends where the input ends is not taken for a longer one seen before.
    EXPECT_EQ(ErrorOf([&] { Load("<items/><item"); }), Cp1251("Не завершено определение элемента"));
}

TEST(XmlReader, NamesAreResolvedByEachDocumentsOwnTable)
{
    // The same names read into documents on different tables, before and after a binary load that replaces a
    // table's names, each get the ids of their own table.
    const std::string text = "<feed><entry kind='a'/><title>t</title></feed>";
    auto first = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    first->Names()->IdOf("padding1");
    first->LoadFromString(text);
    auto second = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    second->LoadFromString(text);
    EXPECT_NE(first->DocumentElement()->NameId(), second->DocumentElement()->NameId());

    auto other = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    other->Names()->IdOf("p1");
    other->Names()->IdOf("p2");
    other->LoadFromString("<title><entry/></title>");
    first->LoadFromBinaryString(other->ToBinaryString());
    first->LoadFromString(text);
    for (const auto& doc : {first, second}) {
        EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(feed E(entry @kind=256:a =256:) E(title T(256:t))))");
        const auto root = doc->DocumentElement();
        EXPECT_EQ(doc->Names()->NameOf(root->NameId()), "feed");
        EXPECT_EQ(doc->Names()->NameOf(root->FirstChildElementNamed("entry")->AttributeNameId(0)), "kind");
    }
}

TEST(XmlReader, NestingIsLimited)
{
    auto nested = [](int depth) {
        std::string s;
        for (int i = 0; i < depth; ++i)
            s += "<a>";
        for (int i = 0; i < depth; ++i)
            s += "</a>";
        return s;
    };
    EXPECT_EQ(ErrorOf([&] { Load(nested(xml::kMaxXmlDepth)); }), "<no error>");
    EXPECT_EQ(ErrorOf([&] { Load(nested(xml::kMaxXmlDepth + 1)); }),
              Cp1251("Слишком глубокая вложенность элементов"));
    EXPECT_EQ(ErrorOf([&] { Load(std::string(100000, '<') + "a"); }), Cp1251("Имя должно начинаться с буквы или \"_\""));
    const std::string deep = nested(200000);
    EXPECT_EQ(ErrorOf([&] { Load(deep); }), Cp1251("Слишком глубокая вложенность элементов"));
}

TEST(XmlReader, NameBytesFollowTheWindowsLetterClasses)
{
    struct Case {
        unsigned char byte;
        bool startsName;
        bool inName;
    } cases[] = {
        {'A', true, true}, {'z', true, true}, {'_', true, true}, {'0', false, true}, {'9', false, true},
        {'-', false, true}, {'.', false, true}, {':', false, true}, {'$', false, false}, {'@', false, false},
        {0xC0, true, true}, {0xE9, true, true}, {0xFF, true, true}, {0xD7, false, false}, {0xF7, false, false},
        {0x8A, true, true}, {0x9F, true, true}, {0xAA, true, true}, {0xB5, true, true}, {0x80, false, false},
        {0xA0, false, false}, {0xBF, false, false},
    };
    for (const auto& c : cases) {
        const std::string b(1, static_cast<char>(c.byte));
        EXPECT_EQ(ErrorOf([&] { Load("<" + b + "/>"); }) == "<no error>", c.startsName)
            << "byte 0x" << std::hex << unsigned(c.byte) << " as the first byte of a name";
        EXPECT_EQ(ErrorOf([&] { Load("<x" + b + "/>"); }) == "<no error>", c.inName)
            << "byte 0x" << std::hex << unsigned(c.byte) << " inside a name";
    }
}

TEST(XmlReader, NameTableStartsWithTheBuiltInNames)
{
    auto names = NewXmlNameTable(16);
    const char* builtIn[] = {"#text", "#cdata-section", "#comment", "#document", "xml"};
    for (int id = 0; id < 5; ++id) {
        EXPECT_EQ(names->NameOf(id), builtIn[id]);
        EXPECT_EQ(names->IdOf(builtIn[id]), id);
    }
    EXPECT_EQ(names->IdOf(""), -1);
    EXPECT_EQ(names->NameOf(-1), "");
    EXPECT_EQ(names->NameOf(1000), "");
    EXPECT_EQ(names->IdOf("item"), 5);
    EXPECT_EQ(names->IdOf("Item"), 6) << "names are case-sensitive";
    EXPECT_EQ(names->IdOf("item"), 5);
    EXPECT_EQ(XmlDefaultNameTable()->IdOf("xml"), 4);
    auto a = NewXmlDocument();
    auto b = NewXmlDocument();
    EXPECT_EQ(a->Names(), b->Names()) << "documents share the default table";
}

TEST(XmlReader, TokensStartAt32BytesAndNeverShrink)
{
    xml::TXmlStrSource source("");
    source.NewToken();
    EXPECT_EQ(source.TokenCapacity(0), 32u);
    const std::string longText(1000, 'x');
    source.AppendRun(longText.data(), longText.size());
    source.NewToken();
    source.AppendChar('y');
    EXPECT_EQ(source.TakeToken(), "y");
    EXPECT_EQ(source.TakeToken(), longText);
    EXPECT_EQ(source.Top(), -1);
    source.NewToken();
    EXPECT_GE(source.TokenCapacity(0), 1000u) << "a reused buffer keeps its room";
    EXPECT_EQ(source.TakeToken(), "");
}

// The stream source must read exactly what the string source reads, wherever its buffer boundaries fall.
TEST(XmlReader, StreamSourceReadsLikeTheStringSource)
{
    const std::string inputs[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/\">"
        "<channel><title>A &amp; B &#233;</title><item><title>T</title>"
        "<description><![CDATA[<p>x]]]]></p>]]></description><dc:creator>Me</dc:creator>"
        "<link>http://x/?a=1&amp;b=2</link></item><!-- c--d ---><?pi data ?" "?></channel></rss>",
        "<a x='&lt;&#x41;&quot;'>  text &#65; more  </a>",
        "<!DOCTYPE rss [<!ENTITY e 'v'>]><r/>",
        "<a>]]]>--></a><![CDATA[]]]><!----->",
        "<abc></abd>",
        "<a x='1",
        "&nbsp;",
        "<a><b>text",
        "<averyveryverylongelementname attributewithlongname='value with spaces'/>",
    };
    for (const auto& input : inputs) {
        std::string expected;
        try {
            expected = Load(input, true)->ToXml();
        } catch (const EXmlError& e) {
            expected = std::string("error: ") + e.what();
        }
        for (std::size_t size : {1u, 2u, 3u, 5u, 8u, 64u}) {
            auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
            doc->SetKeepWhitespace(true);
            auto* impl = static_cast<TXmlDocument*>(doc->ImplObject());
            xml::TXmlStrInput piecewise(input);
            std::string got;
            try {
                xml::TXmlStmSource source(piecewise, piecewise.Size(), size);
                xml::ParseContent(impl->ChildList(), source, impl->NameTable(), true);
                got = doc->ToXml();
            } catch (const EXmlError& e) {
                got = std::string("error: ") + e.what();
            }
            EXPECT_EQ(got, expected) << "buffer of " << size << " bytes, input: " << input;
        }
    }
}

TEST(XmlReader, StreamSourceStartsAtTheStreamPosition)
{
    std::istringstream stream("junk<a>x</a>");
    stream.seekg(4);
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->LoadFromStream(stream);
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(a T(256:x)))");
}

TEST(XmlReader, LargeInputsCrossTheStreamBuffer)
{
    std::string feed = "<rss><channel>";
    for (int i = 0; i < 3000; ++i)
        feed += "<item n=\"" + std::to_string(i) + "\"><title>Item &amp; " + std::to_string(i) +
                "</title><description><![CDATA[<p>" + std::string(static_cast<std::size_t>(i % 97), 'd') +
                "</p>]]></description></item>";
    feed += "</channel></rss>";
    ASSERT_GT(feed.size(), 3u * 65536u);
    std::istringstream stream(feed);
    auto fromStream = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    fromStream->LoadFromStream(stream);
    auto fromString = Load(feed);
    EXPECT_EQ(fromStream->ToXml(), fromString->ToXml());
    EXPECT_EQ(fromStream->DocumentElement()->FirstChildElementNamed("channel")->ChildElementsNamed("item")->Count(),
              3000);
}

} // namespace
} // namespace skyloom
