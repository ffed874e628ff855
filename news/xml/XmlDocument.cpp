// The document: creating nodes, starting a document, loading and saving.
#include "XmlBinary.h"
#include "XmlMessages.h"
#include "XmlNodes.h"
#include "XmlPlatform.h"
#include "XmlReader.h"

#include <cstring>

namespace skyloom {

namespace {

bool HasBinaryMarker(std::string_view data)
{
    return data.size() >= xml::kXmlBinaryMarkerLength &&
           std::memcmp(data.data(), xml::kXmlBinaryMarker, xml::kXmlBinaryMarkerLength) == 0;
}

} // namespace

TXmlDocument::TXmlDocument(TXmlNameTable* names) : TXmlNodeOf(names) {}

void TXmlDocument::SetText(const std::string& s)
{
    ClearChildren();
    AddText(s);
}

TXmlPtr<IXmlElement> TXmlDocument::DocumentElement()
{
    if (TXmlNodeList* list = ChildListIfAny()) {
        for (TXmlNode* child : *list) {
            if (child->NodeType() == ntElement)
                return PtrTo<IXmlElement>(static_cast<TXmlElement*>(child));
        }
    }
    return nullptr;
}

std::string TXmlDocument::ToBinaryString()
{
    std::string out;
    xml::WriteBinary(*this, out, 0);
    return out;
}

TXmlPtr<IXmlElement> TXmlDocument::StartDocumentById(const std::string& version, const std::string& encoding,
                                                     std::int32_t rootId)
{
    ClearChildren();
    const std::string data = "version=\"" + version + "\" encoding=\"" +
                             (encoding.empty() ? std::string("iso-8859-1") : encoding) + "\"";
    TXmlNodeList& list = ChildList();
    list.AppendNew(new TXmlProcessingInstruction(&NameTable(), NameTable().FXmlId, data));
    auto* root = new TXmlElement(&NameTable(), rootId);
    list.AppendNew(root);
    return PtrTo<IXmlElement>(root);
}

TXmlPtr<IXmlElement> TXmlDocument::StartDocument(const std::string& version, const std::string& encoding,
                                                 const std::string& rootName)
{
    return StartDocumentById(version, encoding, NameTable().Intern(rootName));
}

TXmlPtr<IXmlElement> TXmlDocument::CreateElementById(std::int32_t id)
{
    return PtrTo<IXmlElement>(new TXmlElement(&NameTable(), id));
}

TXmlPtr<IXmlElement> TXmlDocument::CreateElement(const std::string& name)
{
    return CreateElementById(NameTable().Intern(name));
}

TXmlPtr<IXmlText> TXmlDocument::CreateTextNode(const std::string& s)
{
    return PtrTo<IXmlText>(new TXmlText(&NameTable(), TXmlValue(s)));
}

TXmlPtr<IXmlCDATASection> TXmlDocument::CreateCDATASection(const std::string& s)
{
    return PtrTo<IXmlCDATASection>(new TXmlCDATASection(&NameTable(), s));
}

TXmlPtr<IXmlComment> TXmlDocument::CreateComment(const std::string& s)
{
    return PtrTo<IXmlComment>(new TXmlComment(&NameTable(), s));
}

TXmlPtr<IXmlProcessingInstruction> TXmlDocument::CreateProcessingInstruction(const std::string& name,
                                                                             const std::string& data)
{
    return CreateProcessingInstructionById(NameTable().Intern(name), data);
}

TXmlPtr<IXmlProcessingInstruction> TXmlDocument::CreateProcessingInstructionById(std::int32_t id,
                                                                                 const std::string& data)
{
    return PtrTo<IXmlProcessingInstruction>(new TXmlProcessingInstruction(&NameTable(), id, data));
}

void TXmlDocument::ResetForLoad()
{
    ClearChildren();
    ClearAttributes();
}

void TXmlDocument::LoadFromString(const std::string& text)
{
    if (HasBinaryMarker(text)) {
        LoadFromBinaryString(text);
        return;
    }
    ResetForLoad();
    xml::TXmlStrSource source(text);
    xml::ParseContent(ChildList(), source, NameTable(), FKeepWhitespace);
}

void TXmlDocument::LoadFromBinaryString(const std::string& data)
{
    ResetForLoad();
    if (data.size() < xml::kXmlBinaryMarkerLength)
        throw EXmlError(xml::kMsgReadData);
    xml::TXmlStrSource source(std::string_view(data).substr(xml::kXmlBinaryMarkerLength));
    xml::ReadBinary(*this, source);
}

void TXmlDocument::LoadFromInput(IXmlInput& input, std::uint64_t size, bool binary)
{
    ResetForLoad();
    xml::TXmlStmSource source(input, size, 65536);
    if (binary)
        xml::ReadBinary(*this, source);
    else
        xml::ParseContent(ChildList(), source, NameTable(), FKeepWhitespace);
}

void TXmlDocument::LoadFromResource(const std::string& type, const std::string& name)
{
    bool found = false;
    const std::string bytes = xml::LoadModuleResource(type, name, found);
    if (found && !bytes.empty())
        LoadFromString(bytes);
}

void TXmlDocument::SaveBinaryToOutput(IXmlOutput& output, std::int32_t options)
{
    xml::WriteBinary(*this, output, options);
}

void TXmlDocument::WriteXml(std::string& out, bool)
{
    // The document's own flag decides the form of everything below it.
    WriteChildren(out, FKeepWhitespace);
}

TXmlNode* TXmlDocument::Clone(bool deep)
{
    return FillNew(new TXmlDocument(&NameTable()), [&](TXmlDocument& d) {
        d.FKeepWhitespace = FKeepWhitespace;
        CopyContentTo(d, deep);
    });
}

TXmlPtr<IXmlDocument> NewXmlDocument(const std::string& rootName, const std::string& version,
                                     const std::string& encoding, const TXmlPtr<IXmlNameTable>& names)
{
    TXmlPtr<IXmlDocument> doc = PtrTo<IXmlDocument>(new TXmlDocument(XmlNameTableOf(names)));
    if (!rootName.empty())
        doc->StartDocument(version, encoding, rootName);
    return doc;
}

} // namespace skyloom
