// The binary document form: layout, both option values, typed values, both read paths and the messages.
#include "XmlReader.h"
#include "XmlTestSupport.h"

#include <cstring>
#include <sstream>

namespace skyloom {
namespace {

using xmltest::Cp1251;
using xmltest::ErrorOf;
using xmltest::Load;
using xmltest::Shape;

const std::string kMarker = "< binary-xml >";

std::string BinaryOf(const TXmlPtr<IXmlDocument>& doc, int options)
{
    std::ostringstream out;
    doc->SaveBinaryToStream(out, options);
    return out.str();
}

TXmlPtr<IXmlDocument> FromBinary(const std::string& data)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->LoadFromString(data);
    return doc;
}

// A document holding every node kind and every kind of typed value.
TXmlPtr<IXmlDocument> RichDocument()
{
    auto doc = NewXmlDocument("rss", "1.0", "", NewXmlNameTable());
    auto root = doc->DocumentElement();
    root->SetAttrText("version", "2.0");
    auto item = root->AddElement("item");
    item->SetAttrValue("empty", TXmlValue());
    item->SetAttrValue("null", TXmlValue::Null());
    item->SetAttrValue("small", TXmlValue::FromSmallint(-300));
    item->SetAttrValue("int", TXmlValue::FromInteger(-70000));
    item->SetAttrValue("single", TXmlValue::FromSingle(1.25f));
    item->SetAttrValue("double", TXmlValue::FromDouble(-2.5e-3));
    item->SetAttrValue("currency", TXmlValue::FromCurrency(-123456789));
    item->SetAttrValue("date", TXmlValue::FromDate(45000.75));
    item->SetAttrValue("wide", TXmlValue::FromWideString(u"\u0416\u00E9"));
    item->SetAttrValue("bool", TXmlValue::FromBoolean(true));
    item->SetAttrValue("byte", TXmlValue::FromByte(200));
    item->SetAttrValue("bytes", TXmlValue("caf\xE9 & <tea>"));
    item->SetAttrValue("array", TXmlValue::FromByteArray(std::string("\0\1\2\xFF", 4)));
    item->AddElement("title")->SetText("Title \xE9");
    item->AddElement("count")->SetValue(TXmlValue::FromInteger(12));
    item->AddCData(" <p>cdata</p> ");
    item->AddComment(" note ");
    item->AddText("plain");
    item->AddInstruction("pi", "data here");
    auto number = doc->CreateTextNode("");
    number->SetValue(TXmlValue::FromDouble(3.5));
    item->AppendChild(number);
    std::string longText(40000, 'x');
    item->AddElement("long")->SetText(longText);
    for (int i = 0; i < 200; ++i)
        root->AddElement(std::string("n").append(std::to_string(i)))->SetAttrInt("i", i);
    return doc;
}

TEST(XmlBinary, RoundTripKeepsEveryNodeAndValue)
{
    auto doc = RichDocument();
    const std::string expected = Shape(TXmlPtr<IXmlNode>(doc));
    for (int options : {0, 1}) {
        const std::string data = BinaryOf(doc, options);
        ASSERT_EQ(data.substr(0, 14), kMarker);
        EXPECT_EQ(static_cast<unsigned char>(data[14]), options) << "options follow the marker";
        auto back = FromBinary(data);
        EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(back)), expected) << "options " << options;
        EXPECT_EQ(BinaryOf(back, options), data) << "writing again gives the same bytes";
        auto fromBinaryString = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        fromBinaryString->LoadFromBinaryString(data);
        EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(fromBinaryString)), expected);
        std::istringstream stream(data);
        auto fromStream = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        fromStream->LoadFromStream(stream);
        EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(fromStream)), expected) << "stream path, options " << options;
    }
    EXPECT_EQ(doc->ToBinaryString(), BinaryOf(doc, 0));
}

TEST(XmlBinary, LoadingReplacesTheNameTable)
{
    auto names = NewXmlNameTable();
    names->IdOf("unrelated");
    auto source = Load("<item><title>t</title></item>");
    auto doc = NewXmlDocument("", "1.0", "", names);
    doc->LoadFromString(source->ToBinaryString());
    EXPECT_NE(doc->Names(), names);
    EXPECT_EQ(doc->Names()->NameOf(5), "item");
    EXPECT_EQ(doc->Names()->IdOf("title"), 6);
    EXPECT_EQ(doc->Names()->IdOf("unrelated"), 7) << "the new table knows only the stored names";
    EXPECT_EQ(doc->DocumentElement()->FirstChildElementNamed("title")->Text(), "t");
}

TEST(XmlBinary, CompactIntegersUseOneTwoOrFiveBytes)
{
    // A byte-string value's length is a compact integer: the size grows by the length plus its own encoding.
    auto sizeWith = [](std::size_t length) {
        auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        doc->AddText(std::string(length, 'a'));
        return doc->ToBinaryString().size() - length;
    };
    const std::size_t base = sizeWith(0);
    EXPECT_EQ(sizeWith(127), base);
    EXPECT_EQ(sizeWith(128), base + 1);
    EXPECT_EQ(sizeWith(32511), base + 1);
    EXPECT_EQ(sizeWith(32512), base + 4);
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->AddText(std::string(300, 'a'));
    const std::string data = doc->ToBinaryString();
    EXPECT_NE(data.find(std::string("\x81\x2C", 2) + std::string(300, 'a')), std::string::npos)
        << "300 is written as 0x81 0x2C";
    doc->ClearChildren();
    doc->AddElementById(-1);
    EXPECT_NE(doc->ToBinaryString().find(std::string("\x01\xFF\xFF\xFF\xFF\xFF", 6)), std::string::npos)
        << "-1 is 255 and four bytes FF";
}

TEST(XmlBinary, NameTableIsStoredWithItsBuckets)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->AddElement("ab");
    const std::string data = doc->ToBinaryString();
    std::string expected = kMarker + std::string("\0\0\0\0", 4);
    expected += "\x06";
    for (const char* n : {"#text", "#cdata-section", "#comment", "#document", "xml", "ab"})
        expected += std::string(1, static_cast<char>(std::strlen(n))) + n;
    expected += std::string("\x90\x00", 2);  // 4096 buckets
    ASSERT_EQ(data.compare(0, expected.size(), expected), 0) << "marker, options, names, bucket count";
    // "ab" hashes to 97 * 33 + 98 = 3299, written as the two-byte count 0x8C 0xE3.
    EXPECT_NE(data.find(std::string("\x8C\xE3\x01\x05\x00\x00\x00", 7)), std::string::npos);
}

TEST(XmlBinary, WideOptionStoresUtf16Strings)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->AddElement("caf\xE9")->AddText("\xE9t\xE9");
    const std::string data = BinaryOf(doc, 1);
    EXPECT_NE(data.find(std::string("\x04" "c\0a\0f\0\xE9\0", 9)), std::string::npos) << "names as UTF-16 units";
    auto back = FromBinary(data);
    EXPECT_EQ(back->DocumentElement()->NodeName(), "caf\xE9");
    EXPECT_EQ(back->DocumentElement()->Text(), "\xE9t\xE9");
}

TEST(XmlBinary, ElementWithChildrenDropsItsValue)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto e = doc->AddElement("e");
    e->SetValue(TXmlValue::FromInteger(5));
    e->AddElement("child");
    auto back = FromBinary(doc->ToBinaryString());
    auto be = back->DocumentElement();
    EXPECT_EQ(be->ChildNodes()->Count(), 1);
    be->RemoveChild(be->ChildNodes()->Item(0));
    EXPECT_EQ(be->ValueKind(), vkString);
    EXPECT_EQ(be->Text(), "") << "the value was not stored";
}

TEST(XmlBinary, MarkerPrefixAloneIsText)
{
    EXPECT_EQ(ErrorOf([] { FromBinary(kMarker.substr(0, 13)); }),
              Cp1251("Имя должно начинаться с буквы или \"_\""));
    std::istringstream exactlyMarker(kMarker);
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    EXPECT_EQ(ErrorOf([&] { doc->LoadFromStream(exactlyMarker); }),
              Cp1251("Имя должно начинаться с буквы или \"_\""))
        << "a stream of only the 14 marker bytes is read as text";
}

TEST(XmlBinary, DamagedDataRaisesItsMessage)
{
    const std::string readError = Cp1251("Ошибка чтения данных.");
    const std::string data = RichDocument()->ToBinaryString();
    for (std::size_t cut = 14; cut < data.size(); cut += (cut < 200 ? 1 : 997)) {
        EXPECT_EQ(ErrorOf([&] { FromBinary(data.substr(0, cut)); }), readError) << "cut at " << cut;
        if (cut == 14)
            continue;  // a stream of the marker alone is read as text
        std::istringstream stream(data.substr(0, cut));
        auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
        EXPECT_EQ(ErrorOf([&] { doc->LoadFromStream(stream); }), readError) << "stream cut at " << cut;
    }
    EXPECT_EQ(ErrorOf([&] { NewXmlDocument()->LoadFromBinaryString("short"); }), readError);

    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    doc->AddElement("e");
    std::string good = doc->ToBinaryString();
    const std::size_t typeAt = good.size() - 5;  // type byte, id, value kind, attribute count, child count
    ASSERT_EQ(good[typeAt], '\x01');
    std::string badType = good;
    badType[typeAt] = '\x02';
    EXPECT_EQ(ErrorOf([&] { FromBinary(badType); }), Cp1251("Ошибка чтения двоичного XML: некорректный тип узла"));
    std::string badKind = good;
    badKind[typeAt + 2] = '\x09';
    EXPECT_EQ(ErrorOf([&] { FromBinary(badKind); }), Cp1251("Ошибка чтения значения: некорректный тип."));
    std::string hugeCount = good;
    hugeCount.replace(hugeCount.size() - 1, 1, std::string("\xFF\xFF\xFF\xFF\x7F", 5));
    EXPECT_EQ(ErrorOf([&] { FromBinary(hugeCount); }), readError) << "a count beyond the data";

    auto partial = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto oldNames = partial->Names();
    const std::string twoElements = Load("<a/><b/>")->ToBinaryString();
    EXPECT_EQ(ErrorOf([&] { partial->LoadFromString(twoElements.substr(0, twoElements.size() - 2)); }), readError);
    EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(partial)), "D( E(a =256:) E(b =256:))") << "children read so far stay";
    EXPECT_NE(partial->Names(), oldNames);
}

TEST(XmlBinary, NestingIsLimitedLikeTheTextReader)
{
    // The deepest tree the text reader builds: elements at depths 0 to 255, the deepest one with a text, a
    // section and a comment.
    std::string text;
    for (int i = 0; i < xml::kMaxXmlDepth; ++i)
        text += "<a>";
    text += "x<![CDATA[y]]><!--z-->";
    for (int i = 0; i < xml::kMaxXmlDepth; ++i)
        text += "</a>";
    auto deepest = Load(text);
    for (int options : {0, 1}) {
        TXmlPtr<IXmlDocument> back;
        EXPECT_EQ(ErrorOf([&] { back = FromBinary(BinaryOf(deepest, options)); }), "<no error>")
            << "options " << options;
        if (back) {
            EXPECT_EQ(back->ToXml(), deepest->ToXml()) << "options " << options;
        }
    }

    // One element deeper is refused, as the text reader refuses it.
    TXmlPtr<IXmlNode> node = deepest->DocumentElement();
    while (node->ChildNodes()->Item(0)->NodeType() == ntElement)
        node = node->ChildNodes()->Item(0);
    node->AddElement("b");
    EXPECT_EQ(ErrorOf([&] { Load(deepest->ToXml()); }), Cp1251("Слишком глубокая вложенность элементов"));
    EXPECT_EQ(ErrorOf([&] { FromBinary(deepest->ToBinaryString()); }),
              Cp1251("Слишком глубокая вложенность элементов"));
}

TEST(XmlBinary, UnwritableThingsRaiseTheirMessages)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable());
    auto e = doc->AddElement("e");
    TXmlValue odd;
    odd.SetRaw(static_cast<TXmlValueKind>(99), 0);
    e->SetAttrValue("a", odd);
    EXPECT_EQ(ErrorOf([&] { doc->ToBinaryString(); }), Cp1251("Ошибка записи значения: некорректный тип."));
    e->ClearAttributes();
    e->AppendChild(NewXmlDocument("", "1.0", "", doc->Names()));
    EXPECT_EQ(ErrorOf([&] { doc->ToBinaryString(); }), Cp1251("Ошибка записи двоичного XML: некорректный тип узла"));
}

} // namespace
} // namespace skyloom
