// Loading and saving through standard streams and files. Kept apart from the rest of the document so that a
// program that never calls these does not link the stream library and its locale machinery.
#include "XmlBinary.h"
#include "XmlNodes.h"

#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>
#include <ostream>

namespace skyloom {

namespace {

class TIstreamInput final : public IXmlInput {
public:
    explicit TIstreamInput(std::istream& stream) : FStream(stream) {}

    std::size_t Read(char* buffer, std::size_t count) override
    {
        FStream.read(buffer, static_cast<std::streamsize>(count));
        const std::streamsize got = FStream.gcount();
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

private:
    std::istream& FStream;
};

class TOstreamOutput final : public IXmlOutput {
public:
    explicit TOstreamOutput(std::ostream& stream) : FStream(stream) {}

    void Write(const char* data, std::size_t count) override
    {
        FStream.write(data, static_cast<std::streamsize>(count));
    }

private:
    std::ostream& FStream;
};

} // namespace

void IXmlDocument::LoadFromStream(std::istream& stream)
{
    const std::istream::pos_type start = stream.tellg();
    if (start == std::istream::pos_type(-1)) {
        // A stream that cannot tell its size is read whole first.
        std::string all((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        LoadFromString(all);
        return;
    }
    stream.seekg(0, std::ios::end);
    const std::istream::pos_type end = stream.tellg();
    stream.seekg(start);
    std::uint64_t size = end > start ? static_cast<std::uint64_t>(end - start) : 0;
    bool binary = false;
    if (size > xml::kXmlBinaryMarkerLength) {
        char head[xml::kXmlBinaryMarkerLength];
        stream.read(head, sizeof head);
        if (std::memcmp(head, xml::kXmlBinaryMarker, sizeof head) == 0) {
            binary = true;
            size -= sizeof head;
        } else {
            stream.seekg(start);
        }
    }
    TIstreamInput input(stream);
    LoadFromInput(input, size, binary);
}

void IXmlDocument::LoadFromFile(const std::filesystem::path& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EXmlError("Cannot open file \"" + fileName.string() + "\"");
    LoadFromStream(file);
}

void IXmlDocument::SaveToStream(std::ostream& stream)
{
    const std::string text = ToXml();
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void IXmlDocument::SaveToFile(const std::filesystem::path& fileName)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file)
        throw EXmlError("Cannot create file \"" + fileName.string() + "\"");
    SaveToStream(file);
}

void IXmlDocument::SaveBinaryToStream(std::ostream& stream, std::int32_t options)
{
    TOstreamOutput output(stream);
    SaveBinaryToOutput(output, options);
}

void IXmlDocument::SaveBinaryToFile(const std::filesystem::path& fileName, std::int32_t options)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file)
        throw EXmlError("Cannot create file \"" + fileName.string() + "\"");
    SaveBinaryToStream(file, options);
}

} // namespace skyloom
