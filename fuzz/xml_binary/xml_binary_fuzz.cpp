// Reads arbitrary bytes as the binary document form, from a string and from a stream; what loads must write
// and read back to the same bytes.
#include "XmlLib.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

using namespace skyloom;

namespace {

// The binary image of what the data loads to, or the error.
std::string Load(const std::string& data, bool fromStream, TXmlPtr<IXmlDocument>& doc)
{
    doc = NewXmlDocument("", "1.0", "", NewXmlNameTable(64));
    try {
        if (fromStream) {
            std::istringstream stream(data);
            doc->LoadFromStream(stream);
        } else {
            doc->LoadFromString(data);
        }
    } catch (const EXmlError& e) {
        return std::string("error: ") + e.what();
    }
    try {
        return doc->ToBinaryString();
    } catch (const EXmlError& e) {
        return std::string("write error: ") + e.what();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A stream of the marker alone is read as text, a string of it as the binary form.
    if (size == 0)
        return 0;
    std::string input = "< binary-xml >";
    input.append(reinterpret_cast<const char*>(data), size);
    TXmlPtr<IXmlDocument> a, b;
    const std::string fromString = Load(input, false, a);
    const std::string fromStream = Load(input, true, b);
    if (fromString != fromStream)
        std::abort();
    if (fromString.rfind("< binary-xml >", 0) == 0) {
        TXmlPtr<IXmlDocument> c;
        if (Load(fromString, false, c) != fromString)
            std::abort();
        try {
            (void)a->ToXml();
        } catch (const EXmlConvertError&) {
            // A stored date outside the calendar has no text form.
        }
    }
    return 0;
}
