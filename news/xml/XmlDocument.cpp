// The document: creating nodes, starting a document, loading and saving.
#include "XmlBinary.h"
#include "XmlMessages.h"
#include "XmlNodes.h"
#include "XmlPlatform.h"
#include "XmlReader.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <streambuf>
#include <fstream>
#include <iterator>
#include <sstream>

namespace skyloom {

namespace {

bool HasBinaryMarker(std::string_view data)
{
    return data.size() >= xml::kXmlBinaryMarkerLength &&
           std::memcmp(data.data(), xml::kXmlBinaryMarker, xml::kXmlBinaryMarkerLength) == 0;
}

// A read-only stream buffer over an open file, which it closes. Seeks within what was read last move in the
// buffer; others go to the file (offsets up to the platform's long).
class TFileReadBuffer : public std::streambuf {
public:
    explicit TFileReadBuffer(std::FILE* file) : FFile(file) {}
    TFileReadBuffer(const TFileReadBuffer&) = delete;
    TFileReadBuffer& operator=(const TFileReadBuffer&) = delete;
    ~TFileReadBuffer() override { std::fclose(FFile); }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        const std::size_t n = std::fread(FBuffer, 1, sizeof FBuffer, FFile);
        if (n == 0)
            return traits_type::eof();
        FEnd += static_cast<std::streamoff>(n);
        setg(FBuffer, FBuffer, FBuffer + n);
        return traits_type::to_int_type(*gptr());
    }

    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override
    {
        if (dir == std::ios_base::cur)
            return seekpos(pos_type(FEnd - (egptr() - gptr()) + off), which);
        if (dir == std::ios_base::end) {
            if (std::fseek(FFile, 0, SEEK_END) != 0)
                return Fail();
            const long size = std::ftell(FFile);
            // The file position moved: the buffer no longer ends there.
            setg(FBuffer, FBuffer, FBuffer);
            FEnd = size;
            return size < 0 ? Fail() : seekpos(pos_type(size + off), which);
        }
        return seekpos(pos_type(off), which);
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override
    {
        const std::streamoff target = pos;
        if (!(which & std::ios_base::in) || target < 0)
            return Fail();
        const std::streamoff bufferStart = FEnd - (egptr() - eback());
        if (target >= bufferStart && target <= FEnd) {
            setg(eback(), eback() + (target - bufferStart), egptr());
            return pos;
        }
        if (target > std::numeric_limits<long>::max() || std::fseek(FFile, static_cast<long>(target), SEEK_SET) != 0)
            return Fail();
        FEnd = target;
        setg(FBuffer, FBuffer, FBuffer);
        return pos;
    }

private:
    static pos_type Fail() { return pos_type(off_type(-1)); }

    std::FILE* FFile;
    std::streamoff FEnd = 0;  // the file position just after the buffered bytes
    char FBuffer[16384];
};

} // namespace

TXmlDocument::TXmlDocument(TXmlNameTable* names) : TXmlNode(names) {}

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

void TXmlDocument::LoadFromStream(std::istream& stream)
{
    const std::istream::pos_type start = stream.tellg();
    if (start == std::istream::pos_type(-1)) {
        // A stream that cannot tell its size is read whole first.
        std::string all((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        LoadFromString(all);
        return;
    }
    ResetForLoad();
    stream.seekg(0, std::ios::end);
    const std::istream::pos_type end = stream.tellg();
    stream.seekg(start);
    if (end - start > static_cast<std::streamoff>(xml::kXmlBinaryMarkerLength)) {
        char head[xml::kXmlBinaryMarkerLength];
        stream.read(head, sizeof head);
        if (HasBinaryMarker(std::string_view(head, sizeof head))) {
            xml::TXmlStmSource source(stream, 65536);
            xml::ReadBinary(*this, source);
            return;
        }
        stream.seekg(start);
    }
    xml::TXmlStmSource source(stream, 65536);
    xml::ParseContent(ChildList(), source, NameTable(), FKeepWhitespace);
}

void TXmlDocument::LoadFromFile(const std::filesystem::path& fileName)
{
    // Others may read the file meanwhile, but not change it under the reader.
    std::FILE* file = xml::OpenFileDenyingWrites(fileName);
    if (!file)
        throw EXmlError("Cannot open file \"" + fileName.string() + "\"");
    TFileReadBuffer buffer(file);
    std::istream stream(&buffer);
    LoadFromStream(stream);
}

void TXmlDocument::LoadFromResource(const std::string& type, const std::string& name)
{
    bool found = false;
    const std::string bytes = xml::LoadModuleResource(type, name, found);
    if (found && !bytes.empty())
        LoadFromString(bytes);
}

void TXmlDocument::SaveToStream(std::ostream& stream)
{
    const std::string text = ToXml();
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TXmlDocument::SaveToFile(const std::filesystem::path& fileName)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file)
        throw EXmlError("Cannot create file \"" + fileName.string() + "\"");
    SaveToStream(file);
}

void TXmlDocument::SaveBinaryToStream(std::ostream& stream, std::int32_t options)
{
    xml::WriteBinary(*this, stream, options);
}

void TXmlDocument::SaveBinaryToFile(const std::filesystem::path& fileName, std::int32_t options)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file)
        throw EXmlError("Cannot create file \"" + fileName.string() + "\"");
    SaveBinaryToStream(file, options);
}

void TXmlDocument::WriteXml(std::string& out, bool)
{
    // The document's own flag decides the form of everything below it.
    WriteChildren(out, FKeepWhitespace);
}

TXmlNode* TXmlDocument::Clone(bool deep)
{
    auto* d = new TXmlDocument(&NameTable());
    try {
        d->FKeepWhitespace = FKeepWhitespace;
        CopyAttributesTo(*d);
        if (deep && ChildListIfAny()) {
            for (TXmlNode* child : *ChildListIfAny())
                d->ChildList().AppendNew(child->Clone(true));
        }
    } catch (...) {
        d->AddRef();
        d->Release();
        throw;
    }
    return d;
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
