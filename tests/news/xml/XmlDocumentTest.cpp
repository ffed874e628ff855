// The document model: searching, text, typed values, attributes, tree changes, lifetimes and XML output.
#include "XmlPlatform.h"
#include "XmlTestSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace skyloom {
namespace {

using xmltest::Cp1251;
using xmltest::ErrorOf;
using xmltest::Load;
using xmltest::Shape;

const std::string kListIndex = Cp1251("Ошибка получения элемента списка: индекс выходит за пределы");
const std::string kNotSupported = Cp1251("Данная возможность не поддерживается библиотекой XML");

TEST(XmlDocument, DocumentElementIsTheFirstElementChild)
{
    EXPECT_FALSE(Load("")->DocumentElement());
    EXPECT_FALSE(Load("<!-- only -->")->DocumentElement());
    EXPECT_FALSE(Load("<?pi x?>text")->DocumentElement());
    auto doc = Load("<?xml version=\"1.0\"?><!-- c --><rss/><other/>");
    ASSERT_TRUE(doc->DocumentElement());
    EXPECT_EQ(doc->DocumentElement()->NodeName(), "rss");
    auto rss = Load("<rss/>")->DocumentElement();
    EXPECT_EQ(rss->NodeName(), "rss");
    EXPECT_EQ(rss->ChildNodes()->Count(), 0);
    EXPECT_EQ(rss->Text(), "");
    EXPECT_EQ(rss->NodeType(), ntElement);
}

TEST(XmlDocument, SearchesFindOnlyDirectChildElementsByOneName)
{
    auto doc = Load("<rss><x><channel/></x><item>1</item><!--item--><item>2</item><Item>3</Item></rss>");
    auto rss = doc->DocumentElement();
    EXPECT_FALSE(rss->FirstChildElementNamed("channel")) << "only direct children are searched";
    auto items = rss->ChildElementsNamed("item");
    ASSERT_TRUE(items);
    ASSERT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(0)->Text(), "1");
    EXPECT_EQ(items->Item(1)->Text(), "2");
    EXPECT_EQ(ErrorOf([&] { items->Item(2); }), kListIndex);
    EXPECT_EQ(ErrorOf([&] { items->Item(-1); }), kListIndex);
    auto none = rss->ChildElementsNamed("enclosure");
    ASSERT_TRUE(none) << "no match still gives a list";
    EXPECT_EQ(none->Count(), 0);
    EXPECT_EQ(ErrorOf([&] { none->Item(0); }), kListIndex);
    EXPECT_EQ(rss->FirstChildElementNamed("item")->Text(), "1");
    EXPECT_EQ(rss->FirstChildElementNamed("Item")->Text(), "3");
    for (const char* bad : {"channel/item", "", "1item", "a b", "@x"}) {
        EXPECT_EQ(ErrorOf([&] { rss->FirstChildElementNamed(bad); }), kNotSupported) << bad;
        EXPECT_EQ(ErrorOf([&] { rss->ChildElementsNamed(bad); }), kNotSupported) << bad;
    }
    // The search result owns nothing: the nodes keep their parent.
    items.reset();
    EXPECT_EQ(rss->ChildElementsNamed("item")->Item(0)->ParentNode(), rss);
}

TEST(XmlDocument, ChildListFollowsLaterChanges)
{
    auto doc = Load("<a><b/></a>");
    auto a = doc->DocumentElement();
    auto list = a->ChildNodes();
    EXPECT_EQ(list->Count(), 1);
    a->AddElement("c");
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Item(1)->NodeName(), "c");
}

TEST(XmlDocument, TextJoinsElementsTextsAndCData)
{
    struct Case {
        const char* input;
        bool keep;
        const char* text;
    } cases[] = {
        {"<d>Hello <b>big</b> world</d>", false, "Hello  big  world"},
        {"<d><![CDATA[ <p>x</p> ]]></d>", false, "<p>x</p>"},
        {"<d><![CDATA[  a  ]]></d>", true, "  a  "},
        {"<d>  a  </d>", false, "  a  "},
        {"<d>  a  </d>", true, "  a  "},
        {"<d><!-- c --></d>", false, ""},
        {"<d><!-- c --><?p q?></d>", false, ""},
        {"<d><e/>x<f></f>y</d>", false, "x y"},
        {"<d><e>1</e><e>2</e></d>", false, "1 2"},
        {"<d>\n  line\n</d>", false, "\n  line\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Load(c.input, c.keep)->DocumentElement()->Text(), c.text) << c.input;
    auto doc = Load("<d><!-- c --><?p  q ?></d>");
    auto kids = doc->DocumentElement()->ChildNodes();
    EXPECT_EQ(kids->Item(0)->Text(), "c") << "comment text is trimmed without preserved whitespace";
    EXPECT_EQ(kids->Item(1)->Text(), "  q ") << "instruction data is the text, blanks after the name included";
    EXPECT_EQ(Load("a<b>c</b>")->Text(), "a c") << "a document reads like an element";
}

TEST(XmlDocument, NodeNamesAndTypes)
{
    auto doc = Load("<?pi d?><a>t<![CDATA[c]]><!--m--></a>");
    EXPECT_EQ(doc->NodeName(), "#document");
    EXPECT_EQ(doc->NodeType(), ntDocument);
    auto kids = doc->DocumentElement()->ChildNodes();
    EXPECT_EQ(kids->Item(0)->NodeName(), "#text");
    EXPECT_EQ(kids->Item(1)->NodeName(), "#cdata-section");
    EXPECT_EQ(kids->Item(2)->NodeName(), "#comment");
    EXPECT_EQ(doc->ChildNodes()->Item(0)->NodeName(), "pi");
    EXPECT_EQ(kids->Item(0)->NodeType(), ntText);
    EXPECT_EQ(kids->Item(1)->NodeType(), ntCDataSection);
    EXPECT_EQ(kids->Item(2)->NodeType(), ntComment);
    EXPECT_EQ(doc->ChildNodes()->Item(0)->NodeType(), ntProcessingInstruction);
    EXPECT_TRUE(kids->Item(0)->ToTextNode());
    EXPECT_FALSE(kids->Item(0)->ToElement());
    EXPECT_TRUE(kids->Item(1)->ToCDataSection());
    EXPECT_TRUE(kids->Item(2)->ToComment());
    EXPECT_TRUE(doc->ChildNodes()->Item(0)->ToInstruction());
    EXPECT_TRUE(doc->DocumentElement()->ToElement());
    EXPECT_EQ(kids->Item(0)->NameId(), 0);
    EXPECT_EQ(kids->Item(1)->NameId(), 1);
    EXPECT_EQ(kids->Item(2)->NameId(), 2);
    EXPECT_EQ(doc->NameId(), 3);
}

TEST(XmlDocument, TypedValuesHaveTheseTexts)
{
    struct Case {
        TXmlValue value;
        const char* text;
    } cases[] = {
        {TXmlValue(), ""},
        {TXmlValue::Null(), "{{null}}"},
        {TXmlValue::FromSmallint(-12), "-12"},
        {TXmlValue::FromInteger(2147483647), "2147483647"},
        {TXmlValue::FromByte(255), "255"},
        {TXmlValue::FromSingle(0.5f), "0.5"},
        {TXmlValue::FromDouble(0.1), "0.1"},
        {TXmlValue::FromDouble(1e20), "1E20"},
        {TXmlValue::FromDouble(-1.5e-7), "-1.5E-7"},
        {TXmlValue::FromDouble(123456789012345.0), "123456789012345"},
        {TXmlValue::FromDouble(1.0 / 3.0), "0.333333333333333"},
        {TXmlValue::FromCurrency(12345), "1.2345"},
        {TXmlValue::FromCurrency(-50000), "-5"},
        {TXmlValue::FromDate(45000.5), "2023-03-15T12-00-00"},
        {TXmlValue::FromDate(0.0), "1899-12-30T00-00-00"},
        {TXmlValue::FromDate(-1.25), "1899-12-29T06-00-00"},
        {TXmlValue::FromWideString(u"caf\u00E9"), "caf\xE9"},
        {TXmlValue::FromBoolean(true), "1"},
        {TXmlValue::FromBoolean(false), "0"},
        {TXmlValue("bytes"), "bytes"},
        {TXmlValue::FromByteArray("Man"), "TWFu"},
        {TXmlValue::FromByteArray(std::string("\xFF\x00", 2)), "/wA="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value.ToText(), c.text) << "kind " << c.value.Kind();
    EXPECT_THROW(TXmlValue::FromDate(std::nan("")).ToText(), EXmlConvertError);
    EXPECT_THROW(TXmlValue::FromDate(1e300).ToText(), EXmlConvertError);
}

TEST(XmlDocument, AttributesReadAsTypedValues)
{
    auto doc = Load("<a i=' 42 ' f='1,5' g='2.25' h='ff' b='true' x='xyz' z='0' d='2023-03-15T12-00-00' "
                    "d2='2023-03-15' t='abc' e=''/>");
    auto a = doc->DocumentElement();
    EXPECT_EQ(a->AttrAsInt("i"), 42);
    EXPECT_EQ(a->AttrAsInt("missing", 7), 7);
    EXPECT_DOUBLE_EQ(a->AttrAsFloat("f"), 1.5);
    EXPECT_DOUBLE_EQ(a->AttrAsFloat("g"), 2.25);
    EXPECT_EQ(a->AttrAsHex("h"), 255);
    EXPECT_EQ(a->AttrAsHex("missing", -1), -1);
    EXPECT_TRUE(a->AttrAsBool("b"));
    EXPECT_FALSE(a->AttrAsBool("z", true));
    EXPECT_TRUE(a->AttrAsBool("missing", true));
    EXPECT_DOUBLE_EQ(a->AttrAsDateTime("d"), 45000.5);
    EXPECT_DOUBLE_EQ(a->AttrAsDateTime("d2"), 45000.0);
    EXPECT_THROW(a->AttrAsInt("t"), EXmlConvertError);
    EXPECT_THROW(a->AttrAsFloat("t"), EXmlConvertError);
    EXPECT_THROW(a->AttrAsHex("x"), EXmlConvertError);
    EXPECT_EQ(a->AttrAsHex("t"), 0xABC);
    EXPECT_THROW(a->AttrAsBool("t"), EXmlConvertError);
    EXPECT_THROW(a->AttrAsDateTime("t"), EXmlConvertError);
    EXPECT_THROW(a->AttrAsInt("e"), EXmlConvertError);
    EXPECT_EQ(a->AttrText("I", "d"), "d") << "attribute names are case-sensitive";
    EXPECT_EQ(a->AttributeKind("i"), vkString);
    EXPECT_EQ(a->AttributeKind("missing"), vkString);
}

TEST(XmlDocument, FloatAttributesAcceptTheDecimalFormsOnly)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* text;
        bool valid;
        double value;
    } cases[] = {
        {"0", true, 0.0},           {"-0.0", true, -0.0},        {"+7", true, 7.0},
        {".5", true, 0.5},          {"5.", true, 5.0},           {"1e5", true, 1e5},
        {"1E-5", true, 1e-5},       {"2.5e+3", true, 2500.0},    {"0e999", true, 0.0},
        {"0.1", true, 0.1},         {"9007199254740993", true, 9007199254740992.0},
        {"2.2250738585072011e-308", true, 2.2250738585072011e-308},
        {"4.9e-324", true, 4.9e-324},
        {"inf", true, inf},         {"-Infinity", true, -inf},   {"NaN", true, nan},
        {"nan(123)", true, nan},    {"1,25", true, 1.25},        {" \t3.5\r\n", true, 3.5},
        {"", false, 0},             {"+", false, 0},             {"-", false, 0},
        {".", false, 0},            {"e5", false, 0},            {"1e", false, 0},
        {"1e+", false, 0},          {"1.2.3", false, 0},         {"0x10", false, 0},
        {"1 2", false, 0},          {"++1", false, 0},           {"infinit", false, 0},
        {"nan(", false, 0},         {"1e400", false, 0},         {"1e-400", false, 0},
        {"5d", false, 0},
    };
    for (const auto& c : cases) {
        auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        auto e = doc->AddElement("e");
        e->SetAttrText("f", c.text);
        if (!c.valid) {
            EXPECT_THROW(e->AttrAsFloat("f"), EXmlConvertError) << "\"" << c.text << "\" is no number";
            continue;
        }
        double got = 0;
        ASSERT_NO_THROW(got = e->AttrAsFloat("f")) << "\"" << c.text << "\" is a number";
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(got)) << "\"" << c.text << "\" is not a number";
        else
            EXPECT_EQ(got, c.value) << "\"" << c.text << "\" read exactly";
    }
    // What the library writes it reads back to the same double.
    for (double v : {0.1, 1.0 / 3.0, -1.5e-7, 1e20, 123456789012345.0, 6.02214076e23}) {
        auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        auto e = doc->AddElement("e");
        e->SetAttrFloat("f", v);
        EXPECT_NEAR(e->AttrAsFloat("f"), v, std::abs(v) * 1e-14) << e->AttrText("f");
    }
}

TEST(XmlDocument, AttributesStoreTypedValues)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto e = doc->AddElement("e");
    e->SetAttrBool("b", true);
    e->SetAttrInt("i", -5);
    e->SetAttrFloat("f", 2.5);
    e->SetAttrDateTime("d", 45000.25);
    e->SetAttrHex("h", 255, 4);
    e->SetAttrHex("h2", -1, 2);
    e->SetAttrText("q", "say \"<hi>\" & 'bye'");
    e->SetAttrValue("n", TXmlValue::Null());
    EXPECT_EQ(e->AttributeKind("b"), vkBoolean);
    EXPECT_EQ(e->AttributeKind("i"), vkInteger);
    EXPECT_EQ(e->AttributeKind("f"), vkDouble);
    EXPECT_EQ(e->AttributeKind("d"), vkDate);
    EXPECT_EQ(e->AttrText("h"), "00FF");
    EXPECT_EQ(e->AttrText("h2"), "FFFFFFFF");
    EXPECT_EQ(e->AttrAsInt("b"), 1);
    EXPECT_DOUBLE_EQ(e->AttrAsFloat("i"), -5.0);
    EXPECT_DOUBLE_EQ(e->AttrAsDateTime("d"), 45000.25);
    EXPECT_EQ(e->ToXml(), "\r\n<e b=\"1\" i=\"-5\" f=\"2.5\" d=\"2023-03-15T06-00-00\" h=\"00FF\" h2=\"FFFFFFFF\" "
                          "q=\"say &quot;&lt;hi&gt;&quot; &amp; 'bye'\" n=\"{{null}}\"/>");
    e->SetAttrInt("b", 3);
    EXPECT_EQ(e->AttributeName(0), "b") << "replacing a value keeps the position";
    EXPECT_EQ(e->AttrText("b"), "3");
    e->DeleteAttribute("i");
    EXPECT_EQ(e->AttributeCount(), 7);
    EXPECT_EQ(e->AttributeName(1), "f") << "deleting keeps the order of the others";
    EXPECT_FALSE(e->HasAttribute("i"));
    EXPECT_TRUE(e->HasAttributeById(e->AttributeNameId(1)));
    EXPECT_EQ(e->AttributeNameId(99), -1);
    EXPECT_EQ(e->AttributeName(-1), "");
    e->ClearAttributes();
    EXPECT_EQ(e->AttributeCount(), 0);
}

TEST(XmlDocument, ValuesKeepTheirPayloadThroughCopiesAndMoves)
{
    const std::string withZeros("a\0b\0", 4);
    const std::string longText(5000, 'x');
    const std::vector<std::pair<TXmlValue, std::string>> cases = {
        {TXmlValue(), ""},
        {TXmlValue(""), ""},
        {TXmlValue(withZeros), withZeros},
        {TXmlValue(longText), longText},
        {TXmlValue::FromByteArray(std::string("\xFF\x00\x10", 3)), "/wAQ"},
        {TXmlValue::FromWideString(u"Wide"), "Wide"},
        {TXmlValue::FromInteger(-7), "-7"},
        {TXmlValue::FromDouble(0.5), "0.5"},
        {TXmlValue::Null(), "{{null}}"},
    };
    for (const auto& [value, text] : cases) {
        TXmlValue copy(value);
        EXPECT_EQ(copy.Kind(), value.Kind()) << text;
        EXPECT_EQ(copy.ToText(), text) << "a copy has the same text";
        TXmlValue assigned = TXmlValue::FromInteger(3);
        assigned = value;
        EXPECT_EQ(assigned.ToText(), text) << "assigning over a number";
        TXmlValue overText("previous text that is long enough to need its own block");
        overText = copy;
        EXPECT_EQ(overText.ToText(), text) << "assigning over a text";
        const TXmlValue& same = overText;
        overText = same;
        EXPECT_EQ(overText.ToText(), text) << "assigning a value to itself";
        TXmlValue moved(std::move(copy));
        EXPECT_EQ(moved.ToText(), text) << "a moved value keeps the payload";
        EXPECT_TRUE(moved.Equals(value) || value.Kind() == vkNull) << text;
        moved.SetRaw(vkInteger, 12);
        EXPECT_EQ(moved.ToText(), "12") << "a number stored over " << text;
        EXPECT_EQ(value.ToText(), text) << "the original is untouched";
    }
    EXPECT_EQ(TXmlValue::FromByteArray(std::string("\x01\x02", 2)).Bytes(), std::string_view("\x01\x02", 2));
    EXPECT_EQ(TXmlValue::FromWideString(u"\u0416").WideValue(), u"\u0416");
    EXPECT_EQ(TXmlValue("abc").RawBits(), 0) << "a text has no scalar bits";
}

TEST(XmlDocument, ManyAttributesKeepTheirOrderAndValues)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto e = doc->AddElement("e");
    // Appending keeps gcc 12 from a false -Wrestrict warning about numbered("a", i).
    const auto numbered = [](const char* prefix, int i) {
        std::string s = prefix;
        s += std::to_string(i);
        return s;
    };
    for (int i = 0; i < 150; ++i)
        e->SetAttrText(numbered("a", i), numbered("value ", i));
    ASSERT_EQ(e->AttributeCount(), 150);
    for (int i = 0; i < 150; i += 7) {
        EXPECT_EQ(e->AttributeName(i), numbered("a", i));
        EXPECT_EQ(e->AttrText(numbered("a", i)), numbered("value ", i));
    }
    for (int i = 0; i < 150; i += 2)
        e->DeleteAttribute(numbered("a", i));
    ASSERT_EQ(e->AttributeCount(), 75);
    for (int i = 0; i < 75; ++i)
        EXPECT_EQ(e->AttributeName(i), numbered("a", 2 * i + 1)) << "deleting keeps the order of the others";
    auto clone = e->CloneNode(false);
    ASSERT_EQ(clone->AttributeCount(), 75);
    EXPECT_EQ(clone->AttrText("a149"), "value 149");
    e->SetAttrInt("a149", 1);
    EXPECT_EQ(clone->AttrText("a149"), "value 149") << "a clone has its own copies of the values";
    auto loaded = Load("<e" + [] {
        std::string attrs;
        for (int i = 0; i < 40; ++i) {
            attrs += " n";
            attrs += std::to_string(i);
            attrs += "='";
            attrs.append(static_cast<std::size_t>(i), 'v');
            attrs += "'";
        }
        return attrs;
    }() + "/>");
    auto root = loaded->DocumentElement();
    ASSERT_EQ(root->AttributeCount(), 40);
    EXPECT_EQ(root->AttrText("n39"), std::string(39, 'v'));
    EXPECT_EQ(root->AttrText("n0", "d"), "");
}

TEST(XmlDocument, RequiredThingsRaiseNamedMessages)
{
    auto doc = Load("<feed kind='Rss'><title>t</title></feed>");
    auto feed = doc->DocumentElement();
    const std::vector<std::string> kinds = {"atom", "rss", "rdf"};
    EXPECT_EQ(feed->AttrChoice("kind", kinds, -1), 1) << "choices ignore case";
    EXPECT_EQ(feed->AttrChoice("missing", kinds, 9), 9);
    EXPECT_EQ(feed->RequireAttrChoice("kind", kinds), 1);
    EXPECT_EQ(ErrorOf([&] { feed->AttrChoice("kind", {"a", "b"}, 0); }),
              Cp1251("Неверное значение атрибута \"kind\" элемента \"feed\".\r\nДопустимые значения:\r\na\r\nb"));
    EXPECT_EQ(ErrorOf([&] { feed->RequireAttrChoice("mode", kinds); }), Cp1251("Не найден атрибут \"mode\""));
    EXPECT_EQ(ErrorOf([&] { feed->RequireAttr("mode"); }), Cp1251("Не задан атрибут \"mode\""));
    EXPECT_EQ(feed->RequireAttr("kind"), "Rss");
    EXPECT_EQ(ErrorOf([&] { feed->RequireChild("link"); }), Cp1251("Ошибка: не найден дочерний элемент \"link\"."));
    EXPECT_EQ(feed->RequireChild("title")->Text(), "t");
    EXPECT_EQ(feed->ChildText("title"), "t");
    EXPECT_EQ(feed->ChildText("link", "none"), "none");
}

TEST(XmlDocument, ChildrenByNameAreFoundOrMade)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto root = doc->AddElement("root");
    root->StoreChildText("title", "one");
    root->StoreChildText("title", "two");
    EXPECT_EQ(root->ChildElementsNamed("title")->Count(), 1);
    EXPECT_EQ(root->ChildText("title"), "two");
    auto made = root->ChildOrNew("link");
    EXPECT_EQ(root->ChildOrNew("link"), made);
    EXPECT_EQ(root->ChildNodes()->Count(), 2);
    root->AddText("free");
    EXPECT_EQ(root->ChildText("#text"), "free") << "any kind of child is found by its name";
}

TEST(XmlDocument, ValueAtReadsAndWritesPaths)
{
    auto doc = Load("<item id='7'><title>T</title><empty/></item>");
    auto item = doc->DocumentElement();
    EXPECT_EQ(item->ValueAt("@id").ToText(), "7");
    EXPECT_EQ(item->ValueAt("@none").Kind(), vkString);
    EXPECT_EQ(item->ValueAt("@none").ToText(), "");
    EXPECT_EQ(item->ValueAt("title").ToText(), "T");
    EXPECT_EQ(item->ValueAt("missing").Kind(), vkString);
    EXPECT_EQ(item->ValueAt("").ToText(), "T");
    item->SetValueAt("@id", TXmlValue::FromInteger(8));
    EXPECT_EQ(item->AttributeKind("id"), vkInteger);
    item->SetValueAt("count", TXmlValue::FromInteger(3));
    EXPECT_EQ(item->ValueAt("count").Kind(), vkInteger);
    EXPECT_EQ(item->FirstChildElementNamed("count")->ValueKind(), vkInteger);
    item->SetValueAt("title", TXmlValue("U"));
    EXPECT_EQ(item->ChildText("title"), "U");
    auto empty = item->FirstChildElementNamed("empty");
    empty->SetValueAt("", TXmlValue::FromDouble(1.5));
    EXPECT_EQ(empty->ValueKind(), vkDouble);
    EXPECT_EQ(empty->Text(), "1.5");
}

TEST(XmlDocument, ValueAtTakesAPathOfSeveralNamesAsOneName)
{
    auto doc = Load("<item id='7'><a><b>inner</b></a><c/></item>");
    auto item = doc->DocumentElement();
    // Reading never raises: there is no child element named "a/b", so the answer is the empty string.
    for (const char* path : {"a/b", "channel/item", "a b", "1a", "/", "@"}) {
        EXPECT_EQ(item->ValueAt(path).Kind(), vkString) << path;
        EXPECT_EQ(item->ValueAt(path).ToText(), "") << path;
    }
    EXPECT_EQ(item->ChildNodes()->Count(), 2) << "reading adds nothing";

    // Writing stores the value in the first child element of that name, appended when there is none.
    item->SetValueAt("a/b", TXmlValue("x"));
    ASSERT_EQ(item->ChildNodes()->Count(), 3);
    EXPECT_EQ(item->ChildNodes()->Item(2)->NodeName(), "a/b");
    EXPECT_EQ(item->ValueAt("a/b").ToText(), "x");
    item->SetValueAt("a/b", TXmlValue::FromInteger(5));
    EXPECT_EQ(item->ChildNodes()->Count(), 3) << "the second write finds the first element";
    EXPECT_EQ(item->ValueAt("a/b").Kind(), vkInteger);
    EXPECT_EQ(item->FirstChildElementNamed("a")->ChildText("b"), "inner") << "the nested element is untouched";
}

TEST(XmlDocument, SettingTextOrValueReplacesChildren)
{
    auto doc = Load("<a><b/>x</a>");
    auto a = doc->DocumentElement();
    EXPECT_EQ(a->ValueKind(), vkString);
    a->SetValue(TXmlValue::FromInteger(5));
    EXPECT_EQ(a->ChildNodes()->Count(), 0);
    EXPECT_EQ(a->ValueKind(), vkInteger);
    EXPECT_EQ(a->Text(), "5");
    a->SetText("new");
    EXPECT_EQ(a->ValueKind(), vkString);
    EXPECT_EQ(a->Value().ToText(), "new");
    doc->SetText("only");
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( T(256:only))");
}

TEST(XmlDocument, CDataAndBase64Texts)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->SetKeepWhitespace(true);
    auto e = doc->AddElement("e");
    e->AddComment("keep");
    e->AddText("drop");
    e->SetTextAsCData("a]]>b]]>");
    EXPECT_EQ(doc->ToXml(), "<e><!--keep--><![CDATA[a]]]><![CDATA[]>b]]]><![CDATA[]>]]></e>");
    auto back = Load(doc->ToXml(), true);
    std::string joined;
    auto sections = back->DocumentElement()->ChildNodes();
    for (int i = 0; i < sections->Count(); ++i) {
        if (sections->Item(i)->NodeType() == ntCDataSection)
            joined += sections->Item(i)->Text();
    }
    EXPECT_EQ(joined, "a]]>b]]>") << "the sections hold exactly the text";

    const std::string bytes = "any carnal pleasure.";
    e->SetTextAsBase64(bytes.data(), static_cast<int>(bytes.size()), 8);
    EXPECT_EQ(e->ChildNodes()->Item(1)->Text(), "YW55IGNh\r\ncm5hbCBw\r\nbGVhc3Vy\r\nZS4=");
    EXPECT_EQ(e->DecodeBase64Text(), bytes);
    e->SetTextAsBase64(bytes.data(), static_cast<int>(bytes.size()), 0);
    EXPECT_EQ(e->ChildNodes()->Item(1)->Text(), "YW55IGNhcm5hbCBwbGVhc3VyZS4=");
    auto small = Load("<e> QQ= </e>")->DocumentElement();
    EXPECT_EQ(small->ToElement()->DecodeBase64Text(), "") << "three characters or fewer decode to nothing";
}

TEST(XmlDocument, NodeOutlivesItsDocument)
{
    TXmlPtr<IXmlElement> item;
    TXmlPtr<IXmlNode> text;
    {
        auto names = NewXmlNameTable();
        auto doc = NewXmlDocument("", "1.0", "", names);
        doc->LoadFromString("<rss><item a='1'>t</item></rss>");
        item = doc->DocumentElement()->FirstChildElementNamed("item");
        text = item->ChildNodes()->Item(0);
        EXPECT_EQ(item->OwnerDocument(), doc);
    }
    EXPECT_FALSE(item->ParentNode()) << "the document is gone, so the item has no parent";
    EXPECT_FALSE(item->OwnerDocument());
    EXPECT_EQ(item->NodeName(), "item") << "the name table lives on through the node";
    EXPECT_EQ(item->AttrText("a"), "1");
    EXPECT_EQ(text->ParentNode(), item);
    EXPECT_EQ(item->ToXml(), "\r\n<item a=\"1\">t</item>");
}

TEST(XmlDocument, ChildListOutlivesItsNode)
{
    const std::string feed = "<rss><channel><item>a</item><item>b</item></channel></rss>";
    TXmlPtr<IXmlNodeList> items;
    TXmlPtr<IXmlNodeList> top;
    {
        auto doc = Load(feed);
        items = doc->DocumentElement()->FirstChildElementNamed("channel")->ChildNodes();
        top = Load(feed)->DocumentElement()->ChildNodes();
    }
    ASSERT_EQ(items->Count(), 2) << "the list keeps its nodes after the channel is gone";
    EXPECT_FALSE(items->Item(0)->ParentNode()) << "the nodes must not point at the freed channel";
    EXPECT_FALSE(items->Item(1)->ParentNode());
    EXPECT_EQ(items->Item(1)->Text(), "b");
    EXPECT_EQ(items->ToXml(), "\r\n<item>a</item>\r\n<item>b</item>");

    ASSERT_EQ(top->Count(), 1);
    auto channel = top->Item(0);
    EXPECT_FALSE(channel->ParentNode()) << "the rss element is gone";
    ASSERT_EQ(channel->ChildNodes()->Count(), 2);
    EXPECT_EQ(channel->ChildNodes()->Item(0)->ParentNode(), channel) << "the channel still owns its items";
}

TEST(XmlDocument, TreeChangesKeepOneParent)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto root = doc->AddElement("root");
    auto a = root->AddElement("a");
    auto b = root->AddElement("b");
    auto c = doc->CreateElement("c");
    EXPECT_FALSE(c->ParentNode());
    root->InsertBefore(c, a);
    EXPECT_EQ(Shape(root), "E(root E(c =256:) E(a =256:) E(b =256:))");
    b->AppendChild(c);
    EXPECT_EQ(Shape(root), "E(root E(a =256:) E(b E(c =256:)))") << "a node moves out of its previous list";
    EXPECT_EQ(c->ParentNode(), b);
    auto old = root->ReplaceChild(c, a);
    EXPECT_EQ(old, a);
    EXPECT_FALSE(a->ParentNode());
    EXPECT_EQ(Shape(root), "E(root E(c =256:) E(b =256:))");
    EXPECT_FALSE(root->ReplaceChild(a, a)) << "replacing a node that is not a child does nothing";
    EXPECT_EQ(root->RemoveChild(c), c);
    EXPECT_FALSE(c->ParentNode());
    EXPECT_FALSE(root->RemoveChild(c));
    root->InsertBefore(c, nullptr);
    EXPECT_EQ(Shape(root), "E(root E(b =256:) E(c =256:))");
    root->InsertBefore(c, b);
    EXPECT_EQ(Shape(root), "E(root E(c =256:) E(b =256:))");
    EXPECT_EQ(ErrorOf([&] { b->AppendChild(root); }), kNotSupported) << "a node cannot go inside itself";
    EXPECT_EQ(ErrorOf([&] { b->AppendChild(b); }), kNotSupported);
    EXPECT_EQ(Shape(root), "E(root E(c =256:) E(b =256:))");
    root->ClearChildren();
    EXPECT_FALSE(b->ParentNode());
    EXPECT_EQ(root->ChildNodes()->Count(), 0);
}

TEST(XmlDocument, NodesMovedToAnotherTableGetItsIds)
{
    auto namesA = NewXmlNameTable();
    auto namesB = NewXmlNameTable();
    namesB->IdOf("padding");
    auto a = NewXmlDocument("", "1.0", "", namesA);
    a->LoadFromString("<item x='1'><?proc d?><title>t</title></item>");
    auto b = NewXmlDocument("", "1.0", "", namesB);
    auto root = b->AddElement("root");
    auto item = a->DocumentElement();
    root->AppendChild(item);
    EXPECT_FALSE(a->DocumentElement()) << "the item left its first document";
    EXPECT_EQ(item->Names(), namesB);
    EXPECT_EQ(item->NameId(), namesB->IdOf("item"));
    EXPECT_EQ(item->AttributeNameId(0), namesB->IdOf("x"));
    auto kids = item->ChildNodes();
    EXPECT_EQ(kids->Item(0)->NameId(), namesB->IdOf("proc"));
    EXPECT_EQ(kids->Item(1)->NameId(), namesB->IdOf("title"));
    EXPECT_EQ(kids->Item(1)->Names(), namesB);
    EXPECT_EQ(Shape(root), "E(root E(item @x=256:1 P(proc| d) E(title T(256:t))))");
}

TEST(XmlDocument, ClonesCopyNamesAttributesAndOptionallyChildren)
{
    auto doc = Load("<a k='v'>x<b/></a><?p d?>");
    auto a = doc->DocumentElement();
    auto deep = a->CloneNode(true);
    auto shallow = a->CloneNode(false);
    EXPECT_FALSE(deep->ParentNode());
    EXPECT_EQ(Shape(deep), Shape(a));
    EXPECT_EQ(Shape(shallow), "E(a @k=256:v =256:)");
    auto pi = doc->ChildNodes()->Item(1)->CloneNode(true);
    EXPECT_EQ(Shape(pi), "P(p| d)");
    auto docClone = doc->CloneNode(true);
    EXPECT_EQ(docClone->NodeType(), ntDocument);
    EXPECT_EQ(docClone->ToXml(), doc->ToXml());
    deep->ToElement()->SetAttrText("k", "changed");
    EXPECT_EQ(a->AttrText("k"), "v") << "a clone is independent";
}

TEST(XmlDocument, StartDocumentWritesTheDeclarationAndIndents)
{
    auto doc = NewXmlDocument("downloads", "1.0", "", NewXmlNameTable());
    auto root = doc->DocumentElement();
    ASSERT_TRUE(root);
    auto download = root->AddElement("download");
    download->SetAttrText("target", "a.zip");
    download->AddElement("source")->SetAttrText("url", "u");
    EXPECT_EQ(doc->ToXml(), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<downloads>\r\n\t<download "
                            "target=\"a.zip\">\r\n\t\t<source url=\"u\"/>\r\n\t</download>\r\n</downloads>");
    EXPECT_EQ(doc->StartDocument("1.1", "utf-8", "r")->NodeName(), "r");
    EXPECT_EQ(doc->ToXml(), "<?xml version=\"1.1\" encoding=\"utf-8\"?>\r\n<r/>");
}

TEST(XmlDocument, IndentedAndCompactOutput)
{
    struct Case {
        const char* input;
        bool keep;
        const char* xml;
    } cases[] = {
        {"<channel><title>News</title></channel>", false, "\r\n<channel>\r\n\t<title>News</title>\r\n</channel>"},
        {"<channel><title>News</title></channel>", true, "<channel><title>News</title></channel>"},
        {"<a>x<b/>y</a>", true, "<a>x<b/>y</a>"},
        {"<a>x<b/>y</a>", false, "\r\n<a>x\r\n\t<b/>y\r\n</a>"},
        {"<a>line\r\n</a>", false, "\r\n<a>line\r\n</a>"},
        {"<a>line\nmore</a>", false, "\r\n<a>line\nmore\r\n</a>"},
        {"<a t='&lt;&amp;&quot;&apos;&gt;'>&lt;&amp;&quot;'&gt;\xE9</a>", true,
         "<a t=\"&lt;&amp;&quot;'&gt;\">&lt;&amp;&quot;'&gt;\xE9</a>"},
        {"<a><!--c--><![CDATA[<x>]]><?p d?><?xml version='1'?></a>", true,
         "<a><!--c--><![CDATA[<x>]]><?p d?><?xml version=\"1\"?></a>"},
        {"<a></a>", true, "<a/>"},
        {"<a> </a>", true, "<a> </a>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Load(c.input, c.keep)->ToXml(), c.xml) << c.input;
    auto doc = Load("<a><b><c>x</c></b></a>");
    EXPECT_EQ(doc->DocumentElement()->FirstChildElementNamed("b")->ToXml(), "\r\n<b>\r\n\t<c>x</c>\r\n</b>")
        << "a node written on its own starts at depth 0";
    EXPECT_EQ(doc->DocumentElement()->ChildNodes()->ToXml(), "\r\n<b>\r\n\t<c>x</c>\r\n</b>");
}

TEST(XmlDocument, OutputDepthRecoversFromAFailure)
{
    auto doc = Load("<a><b><c/></b></a>");
    doc->DocumentElement()->FirstChildElementNamed("b")->FirstChildElementNamed("c")->SetAttrDateTime("t", 1e300);
    EXPECT_THROW(doc->ToXml(), EXmlConvertError);
    EXPECT_EQ(Load("<x><y/></x>")->ToXml(), "\r\n<x>\r\n\t<y/>\r\n</x>");
}

TEST(XmlDocument, SecondLoadReplacesTheFirst)
{
    auto names = NewXmlNameTable();
    auto doc = NewXmlDocument("", "1.0", "", names);
    doc->LoadFromString("<first a='1'/>");
    auto first = doc->DocumentElement();
    doc->LoadFromString("<second/>");
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(second =256:))");
    EXPECT_FALSE(first->ParentNode());
    EXPECT_EQ(doc->Names(), names) << "a text load keeps the name table";
}

TEST(XmlDocument, FilesAndStreams)
{
    const auto dir = std::filesystem::temp_directory_path() / "sl_xml_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / "doc.xml";
    auto doc = Load("<rss><channel><title>A &amp; B</title></channel></rss>");
    doc->SaveToFile(path);
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(written, doc->ToXml()) << "no byte-order mark, no trailing line break";
    auto back = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    back->LoadFromFile(path);
    EXPECT_EQ(back->ToXml(), doc->ToXml());
    doc->SaveBinaryToFile(path, 1);
    back->LoadFromFile(path);
    EXPECT_EQ(back->ToXml(), doc->ToXml());
    std::ostringstream out;
    doc->SaveToStream(out);
    EXPECT_EQ(out.str(), doc->ToXml());
    EXPECT_THROW(back->LoadFromFile(dir / "missing.xml"), EXmlError);
    std::filesystem::remove_all(dir);
}

TEST(XmlDocument, FilesOfEveryShapeLoadAsTheirText)
{
    const auto dir = std::filesystem::temp_directory_path() / "sl_xml_file_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / "doc.xml";
    std::string big = "<rss>";
    for (int i = 0; i < 5000; ++i)
        big += "<item n='" + std::to_string(i) + "'>text " + std::to_string(i) + "</item>";
    big += "</rss>";
    // Texts shorter than the binary marker, one just past it, several buffers long, and the binary form.
    const struct {
        std::string bytes;
        const char* what;
    } cases[] = {
        {"<a/>", "shorter than the marker"},
        {"<abc>0123456</abc>", "just longer than the marker"},
        {big, "many buffers long"},
        {Load(big)->ToBinaryString(), "the binary form"},
        {"", "empty"},
    };
    for (const auto& c : cases) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(c.bytes.data(), static_cast<std::streamsize>(c.bytes.size()));
        }
        auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        doc->LoadFromFile(path);
        auto expected = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        if (c.bytes.rfind("<", 0) == 0 || c.bytes.empty())
            expected->LoadFromString(c.bytes);
        else
            expected->LoadFromBinaryString(c.bytes.substr(14));
        EXPECT_EQ(doc->ToXml(), expected->ToXml()) << c.what;
    }
    std::filesystem::remove_all(dir);
}

#ifdef _WIN32
TEST(XmlDocument, AFileBeingLoadedMayBeReadButNotWrittenByOthers)
{
    const auto dir = std::filesystem::temp_directory_path() / "sl_xml_share_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / "doc.xml";
    {
        std::ofstream out(path, std::ios::binary);
        out << "<a/>";
    }
    std::FILE* file = xml::OpenFileDenyingWrites(path);
    ASSERT_NE(file, nullptr);
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    const DWORD writeError = GetLastError();
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "a writer is refused while the file is open";
    EXPECT_EQ(writeError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "another reader is let in";
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);
    std::fclose(file);
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->LoadFromFile(path);
    HANDLE after = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(after, INVALID_HANDLE_VALUE) << "the load lets go of the file";
    if (after != INVALID_HANDLE_VALUE)
        CloseHandle(after);
    std::filesystem::remove_all(dir);
}
#endif

TEST(XmlDocument, ResourcesLoadOnlyOnWindows)
{
    auto doc = Load("<keep/>");
#ifdef _WIN32
    doc->LoadFromResource("XML", "NO_SUCH_RESOURCE");
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(doc)), "D( E(keep =256:))") << "a missing resource changes nothing";
#else
    EXPECT_THROW(doc->LoadFromResource("XML", "NO_SUCH_RESOURCE"), EXmlError);
#endif
}

TEST(XmlDocument, FindChildByAttrComparesTypedValues)
{
    auto doc = Load("<r><e id='1'/><f id='2'/><e id='2'/><e id='x'/></r>");
    auto r = doc->DocumentElement();
    auto found = r->FindChildByAttr("e", "id", TXmlValue::FromInteger(2));
    ASSERT_TRUE(found);
    EXPECT_EQ(found, r->ChildNodes()->Item(2));
    EXPECT_EQ(r->FindChildByAttr("e", "id", TXmlValue("x")), r->ChildNodes()->Item(3));
    EXPECT_FALSE(r->FindChildByAttr("e", "id", TXmlValue::FromInteger(3)));
    EXPECT_FALSE(r->FindChildByAttr("e", "other", TXmlValue("1")));
}

} // namespace
} // namespace skyloom
