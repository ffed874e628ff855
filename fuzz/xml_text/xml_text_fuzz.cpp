// Reads arbitrary bytes as XML text, from a string and through a stream with a small buffer, and checks that
// both ways give the same tree or the same error.
#include "XmlLib.h"
#include "XmlNodes.h"
#include "XmlReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace skyloom;

namespace {

std::string Outcome(const std::string& text, bool keep, std::size_t bufferSize)
{
    auto doc = NewXmlDocument("", "1.0", "", NewXmlNameTable(64));
    doc->SetKeepWhitespace(keep);
    std::string result;
    try {
        if (bufferSize == 0) {
            doc->LoadFromString(text);
        } else {
            auto* impl = static_cast<TXmlDocument*>(doc->ImplObject());
            xml::TXmlStrInput input(text);
            xml::TXmlStmSource source(input, input.Size(), bufferSize);
            xml::ParseContent(impl->ChildList(), source, impl->NameTable(), keep);
        }
    } catch (const EXmlError& e) {
        result = std::string("error: ") + e.what() + "\n";
    }
    // What was read before an error stays in the document and must be the same too.
    result += doc->ToXml();
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool keep = size > 0 && (data[0] & 1);
    const std::size_t bufferSize = 1 + (size > 1 ? data[1] % 7 : 0);
    // A binary marker switches the string load to the other form; the stream source never does.
    if (text.rfind("< binary-xml >", 0) == 0)
        return 0;
    if (Outcome(text, keep, 0) != Outcome(text, keep, bufferSize))
        std::abort();
    return 0;
}
