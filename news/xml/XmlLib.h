// XmlLib: a small XML library. Reads XML text (bytes in, bytes out: no character-set conversion) into a tree of
// reference-counted nodes, searches it by name, reads and writes typed attribute values, writes the tree back as
// indented or compact XML and reads and writes a compact binary form of a whole document.
//
// Every object is reached through an interface pointer held in a TXmlPtr; an object is freed when the last TXmlPtr
// to it goes. Parents own their children, children only point back, so a node that a caller still holds outlives
// its document as a parentless node.
//
// Errors raise EXmlError carrying the library's message (Russian text held as Windows-1251 bytes). Conversions of
// attribute values that are not numbers, booleans or dates raise EXmlConvertError.
//
// The library takes no locks: the default name table and the output depth counter are shared by the whole process,
// so use it from one thread at a time.
//
// The library is self-contained: it depends on nothing of this program but the standard library (not even the
// framework), so it can be lifted out and used elsewhere. That is why it keeps its own small helpers (blanks,
// Base64, the date-time alias) instead of sharing the framework's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skyloom {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

class EXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A typed attribute or element value that cannot be converted to the kind asked for.
class EXmlConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------------------------------------------
// Counted interface pointer.

template <class T>
class TXmlPtr {
public:
    TXmlPtr() noexcept = default;
    TXmlPtr(std::nullptr_t) noexcept {}
    explicit TXmlPtr(T* p) noexcept : FPtr(p) { if (FPtr) FPtr->AddRef(); }
    TXmlPtr(const TXmlPtr& o) noexcept : FPtr(o.FPtr) { if (FPtr) FPtr->AddRef(); }
    TXmlPtr(TXmlPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
    template <class U>
    TXmlPtr(const TXmlPtr<U>& o) noexcept : FPtr(o.get()) { if (FPtr) FPtr->AddRef(); }
    ~TXmlPtr() { if (FPtr) FPtr->Release(); }

    TXmlPtr& operator=(TXmlPtr o) noexcept { std::swap(FPtr, o.FPtr); return *this; }

    T* get() const noexcept { return FPtr; }
    T* operator->() const noexcept { return FPtr; }
    T& operator*() const noexcept { return *FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    void reset() noexcept { TXmlPtr().swap(*this); }
    void swap(TXmlPtr& o) noexcept { std::swap(FPtr, o.FPtr); }

    template <class U>
    friend bool operator==(const TXmlPtr& a, const TXmlPtr<U>& b) noexcept { return a.get() == b.get(); }
    friend bool operator==(const TXmlPtr& a, std::nullptr_t) noexcept { return a.get() == nullptr; }

private:
    T* FPtr = nullptr;
};

// ---------------------------------------------------------------------------------------------------------------
// Storage of the library's strings and arrays: small blocks come from per-thread free lists, which makes loading
// and freeing the many small texts of a large feed much cheaper than the general heap.

namespace xml {

void* PoolAllocate(std::size_t size);
// A block without alignment, for bytes; released like the others.
void* PoolAllocateBytes(std::size_t size);
void PoolRelease(void* p, std::size_t size) noexcept;

template <class T>
struct TPoolAllocator {
    using value_type = T;
    TPoolAllocator() noexcept = default;
    template <class U>
    TPoolAllocator(const TPoolAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(PoolAllocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { PoolRelease(p, n * sizeof(T)); }
    friend bool operator==(const TPoolAllocator&, const TPoolAllocator&) noexcept { return true; }
};

} // namespace xml

using TXmlBytes = std::basic_string<char, std::char_traits<char>, xml::TPoolAllocator<char>>;

// ---------------------------------------------------------------------------------------------------------------
// Typed values.

enum TXmlValueKind : int {
    vkEmpty = 0,
    vkNull = 1,
    vkSmallint = 2,    // signed 16 bits
    vkInteger = 3,     // signed 32 bits
    vkSingle = 4,      // 32-bit float
    vkDouble = 5,      // 64-bit float
    vkCurrency = 6,    // signed 64-bit count of ten-thousandths
    vkDate = 7,        // TDateTime
    vkWideString = 8,  // UTF-16 text
    vkBoolean = 11,
    vkByte = 17,       // unsigned 8 bits
    vkString = 256,    // byte string (what the reader produces)
    vkByteArray = 8209,
};

class TXmlValue {
public:
    TXmlValue() noexcept = default;  // empty
    TXmlValue(const std::string& s) { AssignBytes(vkString, s.data(), s.size()); }
    TXmlValue(std::string_view s) { AssignBytes(vkString, s.data(), s.size()); }
    TXmlValue(const char* s) : TXmlValue(std::string_view(s)) {}
    TXmlValue(const TXmlValue& o) { CopyFrom(o); }
    TXmlValue(TXmlValue&& o) noexcept : FKind(o.FKind), FSize(o.FSize), FScalar(o.FScalar) { o.Forget(); }
    TXmlValue& operator=(const TXmlValue& o)
    {
        if (this != &o) {
            TXmlValue copy(o);
            Swap(copy);
        }
        return *this;
    }
    TXmlValue& operator=(TXmlValue&& o) noexcept
    {
        TXmlValue moved(std::move(o));
        Swap(moved);
        return *this;
    }
    ~TXmlValue() { FreeBytes(); }

    static TXmlValue Null();
    static TXmlValue FromSmallint(std::int16_t v);
    static TXmlValue FromInteger(std::int32_t v);
    static TXmlValue FromSingle(float v);
    static TXmlValue FromDouble(double v);
    static TXmlValue FromCurrency(std::int64_t tenThousandths);
    static TXmlValue FromDate(TDateTime v);
    static TXmlValue FromWideString(const std::u16string& v);
    static TXmlValue FromBoolean(bool v);
    static TXmlValue FromByte(std::uint8_t v);
    static TXmlValue FromString(std::string v);
    static TXmlValue FromByteArray(std::string bytes);

    TXmlValueKind Kind() const noexcept { return FKind; }
    bool IsEmpty() const noexcept { return FKind == vkEmpty; }

    // Raw payloads; each is meaningful only for its own kind.
    std::int16_t SmallintValue() const noexcept { return static_cast<std::int16_t>(FScalar.I32); }
    std::int32_t IntegerValue() const noexcept { return FScalar.I32; }
    float SingleValue() const noexcept { return FScalar.F32; }
    double DoubleValue() const noexcept { return FScalar.F64; }   // double and date
    std::int64_t CurrencyValue() const noexcept { return FScalar.I64; }
    bool BooleanValue() const noexcept { return FScalar.I32 != 0; }
    std::uint8_t ByteValue() const noexcept { return static_cast<std::uint8_t>(FScalar.I32); }
    std::string_view Bytes() const noexcept { return {HasBytes() ? FScalar.Data : "", FSize}; }  // byte string, array
    std::u16string WideValue() const;                               // wide string

    // The value as text: "" for empty, "{{null}}" for null, numbers in decimal with "." as separator, dates as
    // "yyyy-mm-ddThh-nn-ss", booleans as "1"/"0", wide strings in the active code page, byte arrays as Base64.
    std::string ToText() const;

    // Conversions; each raises EXmlConvertError when the value cannot be read as the kind asked for.
    bool AsBoolean() const;
    std::int32_t AsInteger() const;
    double AsFloat() const;        // text accepts "." or "," as the decimal separator
    TDateTime AsDateTime() const;  // text is read in the form ToText writes
    std::u16string AsWideString() const;

    // Equality after conversion to a common kind; a conversion that fails counts as unequal.
    bool Equals(const TXmlValue& other) const noexcept;

    // Payload storage for the binary form and the node classes.
    // For the scalar kinds only.
    void SetRaw(TXmlValueKind kind, std::int64_t bits) noexcept
    {
        FreeBytes();
        FKind = kind;
        FSize = 0;
        FScalar.I64 = bits;
    }
    std::int64_t RawBits() const noexcept { return HasBytes() ? 0 : FScalar.I64; }

private:
    // A document holds one value per text node, element and attribute, so the value is kept to 16 bytes: the
    // kind, the length of the bytes, and either the scalar or the bytes, which live in a block of their own.
    union TScalar {
        std::int32_t I32;
        float F32;
        double F64;
        std::int64_t I64;
        char* Data;  // byte string, byte array, or the UTF-16 units of a wide string; none when FSize is 0
    };

    // vkString and vkByteArray are the only kinds from 256 up.
    static TXmlValue OfKind(TXmlValueKind kind, TScalar scalar) noexcept;
    bool HasBytes() const noexcept { return FKind >= vkString || FKind == vkWideString; }
    void AssignBytes(TXmlValueKind kind, const char* p, std::size_t n);
    void CopyFrom(const TXmlValue& o)
    {
        if (o.HasBytes() && o.FSize > 0) {
            AssignBytes(o.FKind, o.FScalar.Data, o.FSize);
        } else {
            FKind = o.FKind;
            FSize = o.FSize;
            FScalar = o.FScalar;
        }
    }
    void FreeBytes() noexcept
    {
        if (HasBytes() && FSize > 0)
            xml::PoolRelease(FScalar.Data, FSize);
    }
    void Forget() noexcept
    {
        FKind = vkEmpty;
        FSize = 0;
        FScalar.I64 = 0;
    }
    void Swap(TXmlValue& o) noexcept
    {
        std::swap(FKind, o.FKind);
        std::swap(FSize, o.FSize);
        std::swap(FScalar, o.FScalar);
    }

    TXmlValueKind FKind = vkEmpty;
    std::uint32_t FSize = 0;
    TScalar FScalar{.I64 = 0};
};

// ---------------------------------------------------------------------------------------------------------------
// Interfaces.

enum TXmlNodeType : int {
    ntElement = 1,
    ntText = 3,
    ntCDataSection = 4,
    ntProcessingInstruction = 7,
    ntComment = 8,
    ntDocument = 9,
};

class TXmlBase;
class IXmlNode;
class IXmlElement;
class IXmlText;
class IXmlCDATASection;
class IXmlComment;
class IXmlProcessingInstruction;
class IXmlDocument;
class IXmlNodeList;
class IXmlNameTable;

class IXmlBase {
public:
    virtual void AddRef() noexcept = 0;
    virtual void Release() noexcept = 0;
    // The object behind the interface (used to reach the node behind an interface a caller passes in).
    virtual TXmlBase* ImplObject() noexcept = 0;

protected:
    virtual ~IXmlBase() = default;
};

class IXmlNameTable : public IXmlBase {
public:
    // The id of the name, interning it if new; -1 for the empty name.
    virtual std::int32_t IdOf(const std::string& name) = 0;
    // The name of the id; "" for a negative or unknown id.
    virtual std::string NameOf(std::int32_t id) = 0;
};

class IXmlNodeList : public IXmlBase {
public:
    virtual int Count() = 0;
    // Raises EXmlError when index is below 0 or not below Count.
    virtual TXmlPtr<IXmlNode> Item(int index) = 0;
    virtual std::string ToXml() = 0;
};

class IXmlNode : public IXmlBase {
public:
    virtual TXmlPtr<IXmlNameTable> Names() = 0;
    virtual std::string NodeName() = 0;
    virtual std::int32_t NameId() = 0;
    virtual TXmlNodeType NodeType() = 0;
    virtual std::string Text() = 0;
    virtual void SetText(const std::string& s) = 0;
    virtual TXmlValueKind ValueKind() = 0;
    virtual TXmlValue Value() = 0;
    virtual void SetValue(const TXmlValue& v) = 0;
    virtual std::string ToXml() = 0;
    virtual TXmlPtr<IXmlNode> CloneNode(bool deep) = 0;
    virtual TXmlPtr<IXmlNode> ParentNode() = 0;
    virtual TXmlPtr<IXmlDocument> OwnerDocument() = 0;
    virtual TXmlPtr<IXmlNodeList> ChildNodes() = 0;

    // Tree changes. The returned node is the one put in (append, insert) or taken out (replace, remove; none
    // when the node given was not a child).
    virtual TXmlPtr<IXmlNode> AppendChild(const TXmlPtr<IXmlNode>& node) = 0;
    virtual TXmlPtr<IXmlNode> InsertBefore(const TXmlPtr<IXmlNode>& node, const TXmlPtr<IXmlNode>& before) = 0;
    virtual TXmlPtr<IXmlNode> ReplaceChild(const TXmlPtr<IXmlNode>& newChild, const TXmlPtr<IXmlNode>& oldChild) = 0;
    virtual TXmlPtr<IXmlNode> RemoveChild(const TXmlPtr<IXmlNode>& node) = 0;
    virtual TXmlPtr<IXmlElement> AddElementById(std::int32_t id) = 0;
    virtual TXmlPtr<IXmlElement> AddElement(const std::string& name) = 0;
    virtual TXmlPtr<IXmlText> AddText(const std::string& s) = 0;
    virtual TXmlPtr<IXmlCDATASection> AddCData(const std::string& s) = 0;
    virtual TXmlPtr<IXmlComment> AddComment(const std::string& s) = 0;
    virtual TXmlPtr<IXmlProcessingInstruction> AddInstructionById(std::int32_t id, const std::string& data) = 0;
    virtual TXmlPtr<IXmlProcessingInstruction> AddInstruction(const std::string& name, const std::string& data) = 0;

    // Children by name (any node kind whose name id matches).
    virtual std::string ChildText(const std::string& name, const std::string& defaultText = "") = 0;
    virtual std::string ChildTextById(std::int32_t id, const std::string& defaultText = "") = 0;
    virtual void StoreChildText(const std::string& name, const std::string& s) = 0;
    virtual void StoreChildTextById(std::int32_t id, const std::string& s) = 0;
    virtual TXmlPtr<IXmlNode> RequireChildById(std::int32_t id) = 0;
    virtual TXmlPtr<IXmlNode> RequireChild(const std::string& name) = 0;
    virtual TXmlPtr<IXmlNode> ChildOrNewById(std::int32_t id) = 0;
    virtual TXmlPtr<IXmlNode> ChildOrNew(const std::string& name) = 0;
    virtual void ClearChildren() = 0;

    // Child elements by a single name ("a/b" or "" raise EXmlError); only direct children are searched.
    virtual TXmlPtr<IXmlNodeList> ChildElementsNamed(const std::string& name) = 0;
    virtual TXmlPtr<IXmlElement> FirstChildElementNamed(const std::string& name) = 0;
    virtual TXmlPtr<IXmlElement> FindChildByAttr(const std::string& elementName, const std::string& attrName,
                                                 const TXmlValue& value) = 0;

    // Attributes, in the order they were first set.
    virtual int AttributeCount() = 0;
    virtual std::int32_t AttributeNameId(int index) = 0;  // -1 for an index out of range
    virtual std::string AttributeName(int index) = 0;     // "" for an index out of range
    virtual void DeleteAttribute(const std::string& name) = 0;
    virtual void DeleteAttributeById(std::int32_t id) = 0;
    virtual void ClearAttributes() = 0;
    virtual bool HasAttributeById(std::int32_t id) = 0;
    virtual bool HasAttribute(const std::string& name) = 0;
    virtual TXmlValueKind AttributeKindById(std::int32_t id) = 0;  // vkString when absent
    virtual TXmlValueKind AttributeKind(const std::string& name) = 0;
    virtual TXmlValue AttrValueById(std::int32_t id, const TXmlValue& defaultValue = TXmlValue()) = 0;
    virtual TXmlValue AttrValue(const std::string& name, const TXmlValue& defaultValue = TXmlValue()) = 0;
    virtual void SetAttrValueById(std::int32_t id, const TXmlValue& v) = 0;
    virtual void SetAttrValue(const std::string& name, const TXmlValue& v) = 0;
    virtual std::string RequireAttrById(std::int32_t id) = 0;
    virtual std::string RequireAttr(const std::string& name) = 0;
    virtual std::string AttrTextById(std::int32_t id, const std::string& defaultText = "") = 0;
    virtual std::string AttrText(const std::string& name, const std::string& defaultText = "") = 0;
    virtual void SetAttrTextById(std::int32_t id, const std::string& s) = 0;
    virtual void SetAttrText(const std::string& name, const std::string& s) = 0;
    virtual bool AttrAsBoolById(std::int32_t id, bool defaultValue = false) = 0;
    virtual bool AttrAsBool(const std::string& name, bool defaultValue = false) = 0;
    virtual void SetAttrBoolById(std::int32_t id, bool b) = 0;
    virtual void SetAttrBool(const std::string& name, bool b) = 0;
    virtual std::int32_t AttrAsIntById(std::int32_t id, std::int32_t defaultValue = 0) = 0;
    virtual std::int32_t AttrAsInt(const std::string& name, std::int32_t defaultValue = 0) = 0;
    virtual void SetAttrIntById(std::int32_t id, std::int32_t n) = 0;
    virtual void SetAttrInt(const std::string& name, std::int32_t n) = 0;
    virtual TDateTime AttrAsDateTimeById(std::int32_t id, TDateTime defaultValue = 0) = 0;
    virtual TDateTime AttrAsDateTime(const std::string& name, TDateTime defaultValue = 0) = 0;
    virtual void SetAttrDateTimeById(std::int32_t id, TDateTime t) = 0;
    virtual void SetAttrDateTime(const std::string& name, TDateTime t) = 0;
    virtual double AttrAsFloatById(std::int32_t id, double defaultValue = 0) = 0;
    virtual double AttrAsFloat(const std::string& name, double defaultValue = 0) = 0;
    virtual void SetAttrFloatById(std::int32_t id, double x) = 0;
    virtual void SetAttrFloat(const std::string& name, double x) = 0;
    virtual std::int32_t AttrAsHex(const std::string& name, std::int32_t defaultValue = 0) = 0;
    virtual std::int32_t AttrAsHexById(std::int32_t id, std::int32_t defaultValue = 0) = 0;
    virtual void SetAttrHex(const std::string& name, std::int32_t n, int digits) = 0;
    virtual void SetAttrHexById(std::int32_t id, std::int32_t n, int digits) = 0;
    virtual int AttrChoice(const std::string& name, const std::vector<std::string>& values, int defaultIndex) = 0;
    virtual int AttrChoiceById(std::int32_t id, const std::vector<std::string>& values, int defaultIndex) = 0;
    virtual int RequireAttrChoice(const std::string& name, const std::vector<std::string>& values) = 0;
    virtual int RequireAttrChoiceById(std::int32_t id, const std::vector<std::string>& values) = 0;

    // "" is the node's own value, "@name" an attribute's, any other path the first child element of that name.
    virtual TXmlValue ValueAt(const std::string& path) = 0;
    virtual void SetValueAt(const std::string& path, const TXmlValue& v) = 0;

    // The node as one of the kinds, or none.
    virtual TXmlPtr<IXmlElement> ToElement() = 0;
    virtual TXmlPtr<IXmlText> ToTextNode() = 0;
    virtual TXmlPtr<IXmlCDATASection> ToCDataSection() = 0;
    virtual TXmlPtr<IXmlComment> ToComment() = 0;
    virtual TXmlPtr<IXmlProcessingInstruction> ToInstruction() = 0;
};

class IXmlElement : public IXmlNode {
public:
    // Replaces the text and CDATA children by CDATA sections that together hold exactly s.
    virtual void SetTextAsCData(const std::string& s) = 0;
    // Replaces the text and CDATA children by one text node with the Base64 form of the bytes, in lines of
    // lineLength characters joined by CR LF (no breaks when lineLength <= 0).
    virtual void SetTextAsBase64(const void* bytes, int count, int lineLength) = 0;
    virtual std::string DecodeBase64Text() = 0;
};

class IXmlText : public IXmlNode {};
class IXmlCDATASection : public IXmlNode {};
class IXmlComment : public IXmlNode {};
class IXmlProcessingInstruction : public IXmlNode {};

// The bytes a document loads from or writes its binary form to. The stream and file forms of loading and saving
// wrap a standard stream in one of these, so that only programs that use those forms carry the stream library.
class IXmlInput {
public:
    // Up to count bytes into buffer; fewer only at the end of the data, 0 there.
    virtual std::size_t Read(char* buffer, std::size_t count) = 0;

protected:
    ~IXmlInput() = default;
};

class IXmlOutput {
public:
    virtual void Write(const char* data, std::size_t count) = 0;

protected:
    ~IXmlOutput() = default;
};

class IXmlDocument : public IXmlNode {
public:
    virtual TXmlPtr<IXmlElement> DocumentElement() = 0;
    virtual std::string ToBinaryString() = 0;
    virtual bool KeepWhitespace() = 0;
    virtual void SetKeepWhitespace(bool b) = 0;
    virtual TXmlPtr<IXmlElement> StartDocumentById(const std::string& version, const std::string& encoding,
                                                   std::int32_t rootId) = 0;
    virtual TXmlPtr<IXmlElement> StartDocument(const std::string& version, const std::string& encoding,
                                               const std::string& rootName) = 0;
    virtual TXmlPtr<IXmlElement> CreateElementById(std::int32_t id) = 0;
    virtual TXmlPtr<IXmlElement> CreateElement(const std::string& name) = 0;
    virtual TXmlPtr<IXmlText> CreateTextNode(const std::string& s) = 0;
    virtual TXmlPtr<IXmlCDATASection> CreateCDATASection(const std::string& s) = 0;
    virtual TXmlPtr<IXmlComment> CreateComment(const std::string& s) = 0;
    virtual TXmlPtr<IXmlProcessingInstruction> CreateProcessingInstruction(const std::string& name,
                                                                           const std::string& data) = 0;
    virtual TXmlPtr<IXmlProcessingInstruction> CreateProcessingInstructionById(std::int32_t id,
                                                                               const std::string& data) = 0;
    // Loads replace the children. Data that begins with "< binary-xml >" is read as the binary form.
    virtual void LoadFromString(const std::string& text) = 0;
    virtual void LoadFromBinaryString(const std::string& data) = 0;
    // Reads size bytes of input (all of it with ~0) as XML text, or, with binary, as the binary form that follows
    // its marker (the marker already read).
    virtual void LoadFromInput(IXmlInput& input, std::uint64_t size, bool binary) = 0;
    // A resource of the program's own module (Windows only; elsewhere raises EXmlError). A missing or empty
    // resource leaves the document as it is.
    virtual void LoadFromResource(const std::string& type, const std::string& name) = 0;
    // options bit 0: strings as UTF-16.
    virtual void SaveBinaryToOutput(IXmlOutput& output, std::int32_t options) = 0;

    // The stream and file forms, built on the ones above (XmlStreams.cpp).
    void LoadFromStream(std::istream& stream);
    void LoadFromFile(const std::filesystem::path& fileName);
    void SaveToStream(std::ostream& stream);
    void SaveToFile(const std::filesystem::path& fileName);
    void SaveBinaryToStream(std::ostream& stream, std::int32_t options);
    void SaveBinaryToFile(const std::filesystem::path& fileName, std::int32_t options);
};

// A new empty document on the given name table (the process-wide default table when none is given). With a
// non-empty root name the document is started with StartDocument(version, encoding, rootName).
TXmlPtr<IXmlDocument> NewXmlDocument(const std::string& rootName = "", const std::string& version = "1.0",
                                     const std::string& encoding = "iso-8859-1",
                                     const TXmlPtr<IXmlNameTable>& names = nullptr);

// A new name table with the given number of buckets; it already holds the five built-in names
// "#text", "#cdata-section", "#comment", "#document" and "xml" with the ids 0 to 4.
TXmlPtr<IXmlNameTable> NewXmlNameTable(int bucketCount = 4096);

// The process-wide name table every document uses unless given another.
TXmlPtr<IXmlNameTable> XmlDefaultNameTable();

} // namespace skyloom
