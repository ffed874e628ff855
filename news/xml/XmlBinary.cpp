// The binary document form: marker, options, name table and node bodies, little-endian throughout.
#include "XmlBinary.h"

#include "XmlMessages.h"
#include "XmlPlatform.h"
#include "XmlReader.h"

#include <algorithm>
#include <cstring>

namespace skyloom::xml {

namespace {

constexpr std::size_t kBufferSize = 65536;

class TBinWriter {
public:
    // A string is written to directly; an output through a buffer of 65536 bytes.
    TBinWriter(std::string* outString, IXmlOutput* output, std::int32_t options)
        : FString(outString), FOutput(output), FWide((options & 1) != 0),
          FBuffer(output ? new char[kBufferSize] : nullptr)
    {
    }

    void Document(TXmlDocument& doc, std::int32_t options)
    {
        Bytes(kXmlBinaryMarker, kXmlBinaryMarkerLength);
        Int32(options);
        Names(doc.NameTable());
        Body(doc);
        Flush();
    }

private:
    void Flush()
    {
        if (FUsed == 0 || FString)
            return;
        if (FString)
            FString->append(FBuffer.get(), FUsed);
        else
            FOutput->Write(FBuffer.get(), FUsed);
        FUsed = 0;
    }

    void Bytes(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const char*>(data);
        if (FString) {
            FString->append(p, n);
            return;
        }
        while (n > 0) {
            if (FUsed == kBufferSize)
                Flush();
            const std::size_t k = std::min(n, kBufferSize - FUsed);
            std::memcpy(FBuffer.get() + FUsed, p, k);
            FUsed += k;
            p += k;
            n -= k;
        }
    }

    void Byte(unsigned b)
    {
        const auto c = static_cast<unsigned char>(b);
        Bytes(&c, 1);
    }

    void Int32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                    static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
        Bytes(b, 4);
    }

    void Int64(std::int64_t v)
    {
        const auto u = static_cast<std::uint64_t>(v);
        Int32(static_cast<std::int32_t>(static_cast<std::uint32_t>(u)));
        Int32(static_cast<std::int32_t>(static_cast<std::uint32_t>(u >> 32)));
    }

    void Count(std::int64_t v)
    {
        if (v >= 0 && v <= 127) {
            Byte(static_cast<unsigned>(v));
        } else if (v >= 128 && v <= 32511) {
            Byte(static_cast<unsigned>(v >> 8) | 0x80);
            Byte(static_cast<unsigned>(v & 0xFF));
        } else {
            Byte(255);
            Int32(static_cast<std::int32_t>(v));
        }
    }

    void Units(const std::u16string& w)
    {
        Count(static_cast<std::int64_t>(w.size()));
        for (char16_t u : w) {
            Byte(u & 0xFF);
            Byte(u >> 8);
        }
    }

    void RawBytes(std::string_view s)
    {
        Count(static_cast<std::int64_t>(s.size()));
        Bytes(s.data(), s.size());
    }

    void String(std::string_view s)
    {
        if (FWide)
            Units(AnsiToWide(s));
        else
            RawBytes(s);
    }

    void Value(const TXmlValue& v)
    {
        switch (v.Kind()) {
        case vkEmpty: case vkNull:
            Count(v.Kind());
            break;
        case vkSmallint: case vkBoolean:
            Count(v.Kind());
            Byte(static_cast<unsigned>(v.RawBits()) & 0xFF);
            Byte((static_cast<unsigned>(v.RawBits()) >> 8) & 0xFF);
            break;
        case vkInteger: case vkSingle:
            Count(v.Kind());
            Int32(static_cast<std::int32_t>(static_cast<std::uint32_t>(v.RawBits())));
            break;
        case vkDouble: case vkCurrency: case vkDate:
            Count(v.Kind());
            Int64(v.RawBits());
            break;
        case vkByte:
            Count(v.Kind());
            Byte(static_cast<unsigned>(v.RawBits()) & 0xFF);
            break;
        case vkWideString:
            Count(v.Kind());
            Units(v.WideValue());
            break;
        case vkString: case vkByteArray:
            Count(v.Kind());
            RawBytes(v.Bytes());
            break;
        default:
            throw EXmlError(kMsgValueWriteKind);
        }
    }

    void Names(const TXmlNameTable& names)
    {
        Count(static_cast<std::int64_t>(names.Names().size()));
        for (const std::string& n : names.Names())
            String(n);
        Count(names.BucketCount());
        const auto used = names.UsedBuckets();
        Count(static_cast<std::int64_t>(used.size()));
        for (const auto& [index, ids] : used) {
            Count(index);
            Count(static_cast<std::int64_t>(ids.size()));
            for (std::int32_t id : ids)
                Int32(id);
        }
    }

    void Body(TXmlNode& node)
    {
        Count(node.AttributeCount());
        for (const TXmlAttrData& a : node.Attributes()) {
            Count(a.NameId);
            Value(a.Value);
        }
        TXmlNodeList* children = node.ChildListIfAny();
        Count(children ? children->Size() : 0);
        if (!children)
            return;
        for (TXmlNode* child : *children) {
            const TXmlNodeType type = child->NodeType();
            switch (type) {
            case ntElement: {
                auto* e = static_cast<TXmlElement*>(child);
                Byte(type);
                Count(e->NameId());
                if (!e->HasChildren() && !e->OwnValue().IsEmpty())
                    Value(e->OwnValue());
                else
                    Count(vkEmpty);
                Body(*e);
                break;
            }
            case ntText:
                Byte(type);
                Value(static_cast<TXmlText*>(child)->OwnValue());
                break;
            case ntCDataSection: case ntComment:
                Byte(type);
                String(static_cast<TXmlCharacterData*>(child)->RawText());
                break;
            case ntProcessingInstruction: {
                auto* pi = static_cast<TXmlProcessingInstruction*>(child);
                Byte(type);
                Count(pi->NameId());
                String(pi->Data());
                Body(*pi);
                break;
            }
            default:
                throw EXmlError(kMsgBinWriteNodeType);
            }
        }
    }

    std::string* FString;
    IXmlOutput* FOutput;
    bool FWide;
    std::unique_ptr<char[]> FBuffer;
    std::size_t FUsed = 0;
};

class TBinReader {
public:
    TBinReader(TXmlSource& source, TXmlDocument& doc) : S(source), FDoc(doc) {}

    void Document()
    {
        FWide = (Int32() & 1) != 0;
        auto* names = new TXmlNameTable(4096);
        TXmlPtr<IXmlNameTable> keep(names);
        FDoc.SetNameTable(names);
        FNames = names;
        ReadNames(*names);
        Body(FDoc, 0);
    }

private:
    [[noreturn]] static void ReadFailure() { throw EXmlError(kMsgReadData); }

    void Bytes(void* dest, std::size_t n)
    {
        auto* d = static_cast<char*>(dest);
        while (n > 0) {
            if (S.AtEnd())
                ReadFailure();
            const std::size_t k = std::min(n, static_cast<std::size_t>(S.FEnd - S.FPos));
            std::memcpy(d, S.FPos, k);
            d += k;
            n -= k;
            S.MoveTo(S.FPos + k);
        }
    }

    unsigned Byte()
    {
        unsigned char c;
        Bytes(&c, 1);
        return c;
    }

    std::int32_t Int32()
    {
        unsigned char b[4];
        Bytes(b, 4);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                         (static_cast<std::uint32_t>(b[2]) << 16) |
                                         (static_cast<std::uint32_t>(b[3]) << 24));
    }

    std::int64_t Int64()
    {
        const auto lo = static_cast<std::uint32_t>(Int32());
        const auto hi = static_cast<std::uint32_t>(Int32());
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(hi) << 32) | lo);
    }

    std::int32_t Count()
    {
        const unsigned b = Byte();
        if (b < 128)
            return static_cast<std::int32_t>(b);
        if (b == 255)
            return Int32();
        return static_cast<std::int32_t>(((b & 0x7F) << 8) | Byte());
    }

    // A length read from the data; a negative one cannot be satisfied.
    std::size_t Length()
    {
        const std::int32_t n = Count();
        if (n < 0)
            ReadFailure();
        return static_cast<std::size_t>(n);
    }

    // Reads in pieces so that a damaged length fails at the end of the data instead of allocating it up front.
    std::string RawBytes(std::size_t n)
    {
        std::string s;
        while (n > 0) {
            const std::size_t k = std::min(n, kBufferSize);
            const std::size_t old = s.size();
            s.resize(old + k);
            Bytes(s.data() + old, k);
            n -= k;
        }
        return s;
    }

    std::u16string Units()
    {
        const std::size_t n = Length();
        const std::string raw = RawBytes(n * 2);
        std::u16string w(n, u'\0');
        for (std::size_t i = 0; i < n; ++i)
            w[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                         (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
        return w;
    }

    std::string String()
    {
        if (FWide)
            return WideToAnsi(Units());
        return RawBytes(Length());
    }

    TXmlValue Value()
    {
        const std::int32_t kind = Count();
        TXmlValue v;
        switch (kind) {
        case vkEmpty:
            break;
        case vkNull:
            v = TXmlValue::Null();
            break;
        case vkSmallint: {
            const unsigned lo = Byte();
            const unsigned hi = Byte();
            v = TXmlValue::FromSmallint(static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8))));
            break;
        }
        case vkBoolean: {
            const unsigned lo = Byte();
            const unsigned hi = Byte();
            v = TXmlValue::FromBoolean((lo | hi) != 0);
            break;
        }
        case vkInteger:
            v = TXmlValue::FromInteger(Int32());
            break;
        case vkSingle: {
            const auto bits = static_cast<std::uint32_t>(Int32());
            float f;
            std::memcpy(&f, &bits, sizeof f);
            v = TXmlValue::FromSingle(f);
            break;
        }
        case vkDouble: case vkCurrency: case vkDate:
            v.SetRaw(static_cast<TXmlValueKind>(kind), Int64());
            break;
        case vkByte:
            v = TXmlValue::FromByte(static_cast<std::uint8_t>(Byte()));
            break;
        case vkWideString:
            v = TXmlValue::FromWideString(Units());
            break;
        case vkString:
            v = TXmlValue(RawBytes(Length()));
            break;
        case vkByteArray:
            v = TXmlValue::FromByteArray(RawBytes(Length()));
            break;
        default:
            throw EXmlError(kMsgValueReadKind);
        }
        return v;
    }

    void ReadNames(TXmlNameTable& names)
    {
        const std::size_t count = Length();
        std::vector<std::string> stored;
        for (std::size_t i = 0; i < count; ++i)
            stored.push_back(String());
        // The stored buckets are read and checked for length only: the table is indexed again from the names, so
        // damaged buckets cannot make a lookup find a wrong or missing name.
        Count();  // bucket count
        const std::size_t used = Length();
        for (std::size_t i = 0; i < used; ++i) {
            Count();  // bucket index
            const std::size_t ids = Length();
            for (std::size_t k = 0; k < ids; ++k)
                Int32();
        }
        names.AssignNames(std::move(stored));
    }

    void Body(TXmlNode& node, int depth)
    {
        node.ClearAttributes();
        const std::size_t attrs = Length();
        for (std::size_t i = 0; i < attrs; ++i) {
            const std::int32_t id = Count();
            node.AppendAttr(id, Value());
        }
        const std::int32_t children = Count();
        if (children <= 0)
            return;
        TXmlNodeList& list = node.ChildList();
        list.Clear();
        for (std::int32_t i = 0; i < children; ++i) {
            const unsigned type = Byte();
            switch (type) {
            case ntElement: {
                // As deep as the text reader goes: elements at depth 0 to 255, and below the deepest of them
                // only texts, sections and comments.
                if (depth >= kMaxXmlDepth)
                    throw EXmlError(kMsgTooDeep);
                const std::int32_t id = Count();
                auto* e = new TXmlElement(FNames, id);
                list.AppendNew(e);
                e->SetOwnValue(Value());
                Body(*e, depth + 1);
                break;
            }
            case ntText:
                list.AppendNew(new TXmlText(FNames, Value()));
                break;
            case ntCDataSection:
                list.AppendNew(new TXmlCDATASection(FNames, String()));
                break;
            case ntProcessingInstruction: {
                if (depth >= kMaxXmlDepth)
                    throw EXmlError(kMsgTooDeep);
                const std::int32_t id = Count();
                auto* pi = new TXmlProcessingInstruction(FNames, id, std::string());
                list.AppendNew(pi);
                pi->SetData(String());
                Body(*pi, depth + 1);
                break;
            }
            case ntComment:
                list.AppendNew(new TXmlComment(FNames, String()));
                break;
            default:
                throw EXmlError(kMsgBinReadNodeType);
            }
        }
    }

    TXmlSource& S;
    TXmlDocument& FDoc;
    TXmlNameTable* FNames = nullptr;
    bool FWide = false;
};

} // namespace

void WriteBinary(TXmlDocument& doc, std::string& out, std::int32_t options)
{
    TBinWriter(&out, nullptr, options).Document(doc, options);
}

void WriteBinary(TXmlDocument& doc, IXmlOutput& out, std::int32_t options)
{
    TBinWriter(nullptr, &out, options).Document(doc, options);
}

void ReadBinary(TXmlDocument& doc, TXmlSource& source)
{
    TBinReader(source, doc).Document();
}

} // namespace skyloom::xml
