// Loading and saving through standard streams and files. Kept apart from the rest of the document so that a
// program that never calls these does not link the stream library and its locale machinery.
#include "XmlBinary.h"
#include "XmlNodes.h"
#include "XmlPlatform.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>
#include <limits>
#include <ostream>
#include <streambuf>

namespace skyloom {

namespace {

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
    // Others may read the file meanwhile, but not change it under the reader.
    std::FILE* file = xml::OpenFileDenyingWrites(fileName);
    if (!file)
        throw EXmlError("Cannot open file \"" + fileName.string() + "\"");
    TFileReadBuffer buffer(file);
    std::istream stream(&buffer);
    LoadFromStream(stream);
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
