// Loads arbitrary bytes (as text, or as the binary form when they start with its marker) and then runs every
// way of reading the result out: both XML forms, node texts and values, searches, clones and the binary form.
#include "XmlLib.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace skyloom;

namespace {

void Walk(const TXmlPtr<IXmlNode>& node, int depth)
{
    (void)node->NodeName();
    (void)node->Text();
    (void)node->Value().ToText();
    (void)node->ValueKind();
    for (int i = 0; i < node->AttributeCount(); ++i) {
        const std::string name = node->AttributeName(i);
        (void)node->AttrText(name, "");
        (void)node->AttrValue(name).Equals(TXmlValue("1"));
    }
    if (auto element = node->ToElement()) {
        (void)element->DecodeBase64Text();
        const std::string name = element->NodeName();
        if (!name.empty() && name.find('/') == std::string::npos) {
            try {
                (void)node->ChildElementsNamed(name)->Count();
                (void)node->FirstChildElementNamed(name);
            } catch (const EXmlError&) {
                // Names from the binary form need not be names the text form allows.
            }
        }
    }
    auto kids = node->ChildNodes();
    for (int i = 0; i < kids->Count(); ++i)
        Walk(kids->Item(i), depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable(64));
    doc->SetKeepWhitespace(size > 0 && (data[size - 1] & 1));
    try {
        doc->LoadFromString(input);
    } catch (const EXmlError&) {
        // Whatever was read before the error is output as well.
    }
    try {
        Walk(TXmlPtr<IXmlNode>(doc), 0);
        const std::string compact = doc->ToXml();
        doc->SetKeepWhitespace(!doc->KeepWhitespace());
        const std::string other = doc->ToXml();
        // Instructions are cloned without their attributes, so a clone is only written, not compared.
        (void)doc->CloneNode(true)->ToXml();
        const std::string binary = doc->ToBinaryString();
        auto back = NewXmlDocument("", "1.0", "", NewXmlNameTable(64));
        back->SetKeepWhitespace(doc->KeepWhitespace());
        back->LoadFromString(binary);
        if (back->ToXml() != other)
            std::abort();
        // Written text of a document read from text reads again without error.
        if (input.rfind("< binary-xml >", 0) != 0) {
            auto again = NewXmlDocument("", "1.0", "", NewXmlNameTable(64));
            again->SetKeepWhitespace(true);
            doc->SetKeepWhitespace(true);
            again->LoadFromString(doc->ToXml());
        }
    } catch (const EXmlConvertError&) {
        // Only values from the binary form (dates outside the calendar) have no text form.
    } catch (const EXmlError& e) {
        (void)e;
        if (input.rfind("< binary-xml >", 0) != 0)
            std::abort();  // a tree read from text always writes and reads back
    }
    return 0;
}
