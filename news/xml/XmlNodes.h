// The classes behind the XML interfaces. Internal to the library (the reader, the binary form and the tests of
// the reader's building blocks use them).
#pragma once

#include "XmlAlloc.h"
#include "XmlBase.h"
#include "XmlLib.h"
#include "XmlNames.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class TXmlNode;
class TXmlDocument;

// Growth of child lists and attribute arrays: by 4 below 9, by 16 up to 64, then by a quarter.
inline int XmlGrowCapacity(int capacity)
{
    if (capacity < 9)
        return capacity + 4;
    if (capacity <= 64)
        return capacity + 16;
    return capacity + capacity / 4;
}

class TXmlNodeList final : public TXmlCounted<IXmlNodeList> {
public:
    explicit TXmlNodeList(TXmlNode* owner) : FOwner(owner), FOne(nullptr) {}
    TXmlNodeList(const TXmlNodeList&) = delete;
    TXmlNodeList& operator=(const TXmlNodeList&) = delete;
    ~TXmlNodeList() override;

    int Count() override { return FCount; }
    TXmlPtr<IXmlNode> Item(int index) override;
    std::string ToXml() override;

    TXmlNode* At(int index) const noexcept { return Items()[index]; }
    int Size() const noexcept { return FCount; }
    TXmlNode* const* begin() const noexcept { return Items(); }
    TXmlNode* const* end() const noexcept { return Items() + FCount; }
    int IndexOf(const TXmlNode* node) const noexcept;

    // A node just created on the owner's name table, not yet anywhere: the list takes the first reference.
    inline void AppendNew(TXmlNode* node);
    // Puts a node at the index (Size() to append): it leaves its previous list, and its names are carried over
    // to the owner's table.
    void Insert(int index, TXmlNode* node);
    void Replace(int index, TXmlNode* node);
    void RemoveAt(int index);
    void Clear();
    // For search results, which own nothing.
    void AppendUnowned(TXmlNode* node);
    // The owner goes while the list lives on: the list keeps the nodes, which no longer have a parent.
    void Disown() noexcept;

private:
    void Reserve(int capacity);
    void GrowForNew(TXmlNode* node);
    void Attach(TXmlNode* node);
    void Detach(TXmlNode* node);

    // Most lists hold one node (an element's text): it needs no array of its own.
    TXmlNode* const* Items() const noexcept { return FCapacity == 1 ? &FOne : FMany; }
    TXmlNode** Items() noexcept { return FCapacity == 1 ? &FOne : FMany; }

    // The two counts side by side, so that no pointer leaves a gap.
    int FCount = 0;
    int FCapacity = 1;
    TXmlNode* FOwner;
    union {
        TXmlNode* FOne;    // capacity 1
        TXmlNode** FMany;  // a larger capacity
    };
};

struct TXmlAttrData {
    std::int32_t NameId;
    TXmlValue Value;
};

// The attributes of a node: a pointer and two 32-bit counts, since most nodes have none and a document holds
// many nodes. Grows like the child lists.
class TXmlAttrArray {
public:
    TXmlAttrArray() noexcept = default;
    TXmlAttrArray(const TXmlAttrArray&) = delete;
    TXmlAttrArray& operator=(const TXmlAttrArray& o)
    {
        if (this == &o)
            return *this;
        clear();
        if (o.FCount > FCapacity)
            Reserve(o.FCount);
        for (const TXmlAttrData& a : o)
            push_back(TXmlAttrData{a.NameId, a.Value});
        return *this;
    }
    ~TXmlAttrArray()
    {
        clear();
        if (FItems)
            xml::PoolRelease(FItems, sizeof(TXmlAttrData) * static_cast<std::size_t>(FCapacity));
    }

    std::size_t size() const noexcept { return static_cast<std::size_t>(FCount); }
    TXmlAttrData& operator[](std::size_t i) noexcept { return FItems[i]; }
    const TXmlAttrData& operator[](std::size_t i) const noexcept { return FItems[i]; }
    TXmlAttrData* begin() noexcept { return FItems; }
    TXmlAttrData* end() noexcept { return FItems + FCount; }
    const TXmlAttrData* begin() const noexcept { return FItems; }
    const TXmlAttrData* end() const noexcept { return FItems + FCount; }

    void push_back(TXmlAttrData&& a)
    {
        if (FCount == FCapacity)
            Reserve(XmlGrowCapacity(FCapacity));
        ::new (static_cast<void*>(FItems + FCount)) TXmlAttrData(std::move(a));
        ++FCount;
    }
    // Keeps the order of the others.
    void erase(int index) noexcept
    {
        for (int i = index; i + 1 < FCount; ++i)
            FItems[i] = std::move(FItems[i + 1]);
        FItems[--FCount].~TXmlAttrData();
    }
    // Room for at least capacity attributes.
    void reserve(int capacity)
    {
        if (capacity > FCapacity)
            Reserve(capacity);
    }
    void clear() noexcept
    {
        for (int i = 0; i < FCount; ++i)
            FItems[i].~TXmlAttrData();
        FCount = 0;
    }

private:
    void Reserve(int capacity)
    {
        auto* items =
            static_cast<TXmlAttrData*>(xml::CutObject(sizeof(TXmlAttrData) * static_cast<std::size_t>(capacity)));
        for (int i = 0; i < FCount; ++i) {
            ::new (static_cast<void*>(items + i)) TXmlAttrData(std::move(FItems[i]));
            FItems[i].~TXmlAttrData();
        }
        if (FItems)
            xml::PoolRelease(FItems, sizeof(TXmlAttrData) * static_cast<std::size_t>(FCapacity));
        FItems = items;
        FCapacity = capacity;
    }

    TXmlAttrData* FItems = nullptr;
    std::int32_t FCount = 0;
    std::int32_t FCapacity = 0;
};

class TXmlNode : public TXmlBase {
public:
    // The operations of IXmlNode, which TXmlNodeOf passes on to these. The node kinds override the virtual ones.
    virtual std::int32_t NameId() = 0;
    virtual TXmlNodeType NodeType() = 0;
    virtual std::string Text() = 0;
    virtual void SetText(const std::string& s) = 0;
    TXmlPtr<IXmlNameTable> Names();
    std::string NodeName();
    virtual TXmlValueKind ValueKind() { return vkString; }
    virtual TXmlValue Value() { return TXmlValue(Text()); }
    virtual void SetValue(const TXmlValue& v) { SetText(v.ToText()); }
    std::string ToXml();
    TXmlPtr<IXmlNode> CloneNode(bool deep);
    TXmlPtr<IXmlNode> ParentNode();
    TXmlPtr<IXmlDocument> OwnerDocument();
    TXmlPtr<IXmlNodeList> ChildNodes();
    TXmlPtr<IXmlNode> AppendChild(const TXmlPtr<IXmlNode>& node);
    TXmlPtr<IXmlNode> InsertBefore(const TXmlPtr<IXmlNode>& node, const TXmlPtr<IXmlNode>& before);
    TXmlPtr<IXmlNode> ReplaceChild(const TXmlPtr<IXmlNode>& newChild, const TXmlPtr<IXmlNode>& oldChild);
    TXmlPtr<IXmlNode> RemoveChild(const TXmlPtr<IXmlNode>& node);
    TXmlPtr<IXmlElement> AddElementById(std::int32_t id);
    TXmlPtr<IXmlElement> AddElement(const std::string& name);
    TXmlPtr<IXmlText> AddText(const std::string& s);
    TXmlPtr<IXmlCDATASection> AddCData(const std::string& s);
    TXmlPtr<IXmlComment> AddComment(const std::string& s);
    TXmlPtr<IXmlProcessingInstruction> AddInstructionById(std::int32_t id, const std::string& data);
    TXmlPtr<IXmlProcessingInstruction> AddInstruction(const std::string& name, const std::string& data);
    std::string ChildText(const std::string& name, const std::string& defaultText);
    std::string ChildTextById(std::int32_t id, const std::string& defaultText);
    void StoreChildText(const std::string& name, const std::string& s);
    void StoreChildTextById(std::int32_t id, const std::string& s);
    TXmlPtr<IXmlNode> RequireChildById(std::int32_t id);
    TXmlPtr<IXmlNode> RequireChild(const std::string& name);
    TXmlPtr<IXmlNode> ChildOrNewById(std::int32_t id);
    TXmlPtr<IXmlNode> ChildOrNew(const std::string& name);
    void ClearChildren();
    TXmlPtr<IXmlNodeList> ChildElementsNamed(const std::string& name);
    TXmlPtr<IXmlElement> FirstChildElementNamed(const std::string& name);
    TXmlPtr<IXmlElement> FindChildByAttr(const std::string& elementName, const std::string& attrName,
                                         const TXmlValue& value);
    int AttributeCount() { return static_cast<int>(FAttributes.size()); }
    std::int32_t AttributeNameId(int index);
    std::string AttributeName(int index);
    void DeleteAttribute(const std::string& name);
    void DeleteAttributeById(std::int32_t id);
    void ClearAttributes() { FAttributes.clear(); }
    bool HasAttributeById(std::int32_t id) { return FindAttr(id) >= 0; }
    bool HasAttribute(const std::string& name);
    TXmlValueKind AttributeKindById(std::int32_t id);
    TXmlValueKind AttributeKind(const std::string& name);
    TXmlValue AttrValueById(std::int32_t id, const TXmlValue& defaultValue);
    TXmlValue AttrValue(const std::string& name, const TXmlValue& defaultValue);
    void SetAttrValueById(std::int32_t id, const TXmlValue& v);
    void SetAttrValue(const std::string& name, const TXmlValue& v);
    std::string RequireAttrById(std::int32_t id);
    std::string RequireAttr(const std::string& name);
    std::string AttrTextById(std::int32_t id, const std::string& defaultText);
    std::string AttrText(const std::string& name, const std::string& defaultText);
    void SetAttrTextById(std::int32_t id, const std::string& s);
    void SetAttrText(const std::string& name, const std::string& s);
    bool AttrAsBoolById(std::int32_t id, bool defaultValue);
    bool AttrAsBool(const std::string& name, bool defaultValue);
    void SetAttrBoolById(std::int32_t id, bool b);
    void SetAttrBool(const std::string& name, bool b);
    std::int32_t AttrAsIntById(std::int32_t id, std::int32_t defaultValue);
    std::int32_t AttrAsInt(const std::string& name, std::int32_t defaultValue);
    void SetAttrIntById(std::int32_t id, std::int32_t n);
    void SetAttrInt(const std::string& name, std::int32_t n);
    TDateTime AttrAsDateTimeById(std::int32_t id, TDateTime defaultValue);
    TDateTime AttrAsDateTime(const std::string& name, TDateTime defaultValue);
    void SetAttrDateTimeById(std::int32_t id, TDateTime t);
    void SetAttrDateTime(const std::string& name, TDateTime t);
    double AttrAsFloatById(std::int32_t id, double defaultValue);
    double AttrAsFloat(const std::string& name, double defaultValue);
    void SetAttrFloatById(std::int32_t id, double x);
    void SetAttrFloat(const std::string& name, double x);
    std::int32_t AttrAsHex(const std::string& name, std::int32_t defaultValue);
    std::int32_t AttrAsHexById(std::int32_t id, std::int32_t defaultValue);
    void SetAttrHex(const std::string& name, std::int32_t n, int digits);
    void SetAttrHexById(std::int32_t id, std::int32_t n, int digits);
    int AttrChoice(const std::string& name, const std::vector<std::string>& values, int defaultIndex);
    int AttrChoiceById(std::int32_t id, const std::vector<std::string>& values, int defaultIndex);
    int RequireAttrChoice(const std::string& name, const std::vector<std::string>& values);
    int RequireAttrChoiceById(std::int32_t id, const std::vector<std::string>& values);
    TXmlValue ValueAt(const std::string& path);
    void SetValueAt(const std::string& path, const TXmlValue& v);
    virtual TXmlPtr<IXmlElement> ToElement() { return nullptr; }
    virtual TXmlPtr<IXmlText> ToTextNode() { return nullptr; }
    virtual TXmlPtr<IXmlCDATASection> ToCDataSection() { return nullptr; }
    virtual TXmlPtr<IXmlComment> ToComment() { return nullptr; }
    virtual TXmlPtr<IXmlProcessingInstruction> ToInstruction() { return nullptr; }

    // Internal operations.
    TXmlNameTable& NameTable() const noexcept { return *FNames; }
    TXmlNode* Parent() const noexcept { return FParent; }
    TXmlNodeList& ChildList();
    TXmlNodeList* ChildListIfAny() const noexcept { return FChildren.get(); }
    bool HasChildren() const noexcept { return FChildren && FChildren->Size() > 0; }
    TXmlDocument* OwnerDoc() noexcept;
    // The node as the interface its kind implements.
    virtual IXmlNode* Interface() noexcept = 0;
    virtual TXmlDocument* AsDocument() noexcept { return nullptr; }
    virtual void SetNameIdRaw(std::int32_t) noexcept {}
    virtual void WriteXml(std::string& out, bool compact) = 0;
    virtual TXmlNode* Clone(bool deep) = 0;
    // Carries this node's and its subtree's name ids over to another table.
    void MoveToNames(TXmlNameTable& target);
    void SetNameTable(TXmlNameTable* names) { FNames = TXmlPtr<TXmlNameTable>(names); }

    int FindAttr(std::int32_t id) const noexcept
    {
        const int n = static_cast<int>(FAttributes.size());
        for (int i = 0; i < n; ++i) {
            if (FAttributes[static_cast<std::size_t>(i)].NameId == id)
                return i;
        }
        return -1;
    }
    void StoreAttr(std::int32_t id, TXmlValue&& v);
    void ReserveAttributes(int capacity) { FAttributes.reserve(capacity); }
    // Appends without looking for an attribute of the same name (the binary form stores them as they were).
    void AppendAttr(std::int32_t id, TXmlValue&& v);
    const auto& Attributes() const noexcept { return FAttributes; }
    void WriteAttributes(std::string& out) const;
    // Copies the attributes and, when deep, clones of the children into copy, a new copy of this node.
    void CopyContentTo(TXmlNode& copy, bool deep) const;
    // Frees a node that nobody refers to yet (a new node that could not be filled or placed).
    void DiscardUnreferenced() noexcept
    {
        AddRef();
        Release();
    }

    // Declared first, so that it takes the room the counted base leaves after its count.
    // The name of an element or a processing instruction; the other kinds take theirs from the table.
    std::int32_t FNameId = -1;
    TXmlNode* FParent = nullptr;

protected:
    explicit TXmlNode(TXmlNameTable* names) : FNames(names) {}
    TXmlNode(TXmlNameTable* names, std::int32_t id) : FNameId(id), FNames(names) {}
    ~TXmlNode() override;
    bool IsAncestorOrSelf(const TXmlNode* node) const noexcept;
    TXmlNode* FirstChildWithId(std::int32_t id) const noexcept;
    TXmlNode* FirstChildElementWithId(std::int32_t id) const noexcept;
    void WriteChildren(std::string& out, bool compact);
    std::string ChildrenText();
    bool KeepsWhitespace() noexcept;

private:
    TXmlPtr<TXmlNameTable> FNames;
    TXmlAttrArray FAttributes;
    TXmlPtr<TXmlNodeList> FChildren;
};

// A node kind reached through the interface I (IXmlNode or one that extends it): the interface's operations are
// passed on to the node's own. The kinds declare NameId, NodeType, Text and SetText themselves, which then serve
// both the node and the interface.
template <class I, class Base = TXmlNode>
class TXmlNodeOf : public Base, public I {
public:
    using Base::Base;

    void AddRef() noexcept final { TXmlBase::AddRef(); }
    void Release() noexcept final { TXmlBase::Release(); }
    TXmlBase* ImplObject() noexcept final { return this; }
    IXmlNode* Interface() noexcept final { return this; }

    TXmlPtr<IXmlNameTable> Names() override { return Base::Names(); }
    std::string NodeName() override { return Base::NodeName(); }
    TXmlValueKind ValueKind() override { return Base::ValueKind(); }
    TXmlValue Value() override { return Base::Value(); }
    void SetValue(const TXmlValue& v) override { Base::SetValue(v); }
    std::string ToXml() override { return Base::ToXml(); }
    TXmlPtr<IXmlNode> CloneNode(bool deep) override { return Base::CloneNode(deep); }
    TXmlPtr<IXmlNode> ParentNode() override { return Base::ParentNode(); }
    TXmlPtr<IXmlDocument> OwnerDocument() override { return Base::OwnerDocument(); }
    TXmlPtr<IXmlNodeList> ChildNodes() override { return Base::ChildNodes(); }
    TXmlPtr<IXmlNode> AppendChild(const TXmlPtr<IXmlNode>& node) override { return Base::AppendChild(node); }
    TXmlPtr<IXmlNode> InsertBefore(const TXmlPtr<IXmlNode>& node, const TXmlPtr<IXmlNode>& before) override
    {
        return Base::InsertBefore(node, before);
    }
    TXmlPtr<IXmlNode> ReplaceChild(const TXmlPtr<IXmlNode>& newChild, const TXmlPtr<IXmlNode>& oldChild) override
    {
        return Base::ReplaceChild(newChild, oldChild);
    }
    TXmlPtr<IXmlNode> RemoveChild(const TXmlPtr<IXmlNode>& node) override { return Base::RemoveChild(node); }
    TXmlPtr<IXmlElement> AddElementById(std::int32_t id) override { return Base::AddElementById(id); }
    TXmlPtr<IXmlElement> AddElement(const std::string& name) override { return Base::AddElement(name); }
    TXmlPtr<IXmlText> AddText(const std::string& s) override { return Base::AddText(s); }
    TXmlPtr<IXmlCDATASection> AddCData(const std::string& s) override { return Base::AddCData(s); }
    TXmlPtr<IXmlComment> AddComment(const std::string& s) override { return Base::AddComment(s); }
    TXmlPtr<IXmlProcessingInstruction> AddInstructionById(std::int32_t id, const std::string& data) override
    {
        return Base::AddInstructionById(id, data);
    }
    TXmlPtr<IXmlProcessingInstruction> AddInstruction(const std::string& name, const std::string& data) override
    {
        return Base::AddInstruction(name, data);
    }
    std::string ChildText(const std::string& name, const std::string& defaultText) override
    {
        return Base::ChildText(name, defaultText);
    }
    std::string ChildTextById(std::int32_t id, const std::string& defaultText) override
    {
        return Base::ChildTextById(id, defaultText);
    }
    void StoreChildText(const std::string& name, const std::string& s) override { Base::StoreChildText(name, s); }
    void StoreChildTextById(std::int32_t id, const std::string& s) override { Base::StoreChildTextById(id, s); }
    TXmlPtr<IXmlNode> RequireChildById(std::int32_t id) override { return Base::RequireChildById(id); }
    TXmlPtr<IXmlNode> RequireChild(const std::string& name) override { return Base::RequireChild(name); }
    TXmlPtr<IXmlNode> ChildOrNewById(std::int32_t id) override { return Base::ChildOrNewById(id); }
    TXmlPtr<IXmlNode> ChildOrNew(const std::string& name) override { return Base::ChildOrNew(name); }
    void ClearChildren() override { Base::ClearChildren(); }
    TXmlPtr<IXmlNodeList> ChildElementsNamed(const std::string& name) override
    {
        return Base::ChildElementsNamed(name);
    }
    TXmlPtr<IXmlElement> FirstChildElementNamed(const std::string& name) override
    {
        return Base::FirstChildElementNamed(name);
    }
    TXmlPtr<IXmlElement> FindChildByAttr(const std::string& elementName, const std::string& attrName, const TXmlValue& value) override
    {
        return Base::FindChildByAttr(elementName, attrName, value);
    }
    int AttributeCount() override { return Base::AttributeCount(); }
    std::int32_t AttributeNameId(int index) override { return Base::AttributeNameId(index); }
    std::string AttributeName(int index) override { return Base::AttributeName(index); }
    void DeleteAttribute(const std::string& name) override { Base::DeleteAttribute(name); }
    void DeleteAttributeById(std::int32_t id) override { Base::DeleteAttributeById(id); }
    void ClearAttributes() override { Base::ClearAttributes(); }
    bool HasAttributeById(std::int32_t id) override { return Base::HasAttributeById(id); }
    bool HasAttribute(const std::string& name) override { return Base::HasAttribute(name); }
    TXmlValueKind AttributeKindById(std::int32_t id) override { return Base::AttributeKindById(id); }
    TXmlValueKind AttributeKind(const std::string& name) override { return Base::AttributeKind(name); }
    TXmlValue AttrValueById(std::int32_t id, const TXmlValue& defaultValue) override
    {
        return Base::AttrValueById(id, defaultValue);
    }
    TXmlValue AttrValue(const std::string& name, const TXmlValue& defaultValue) override
    {
        return Base::AttrValue(name, defaultValue);
    }
    void SetAttrValueById(std::int32_t id, const TXmlValue& v) override { Base::SetAttrValueById(id, v); }
    void SetAttrValue(const std::string& name, const TXmlValue& v) override { Base::SetAttrValue(name, v); }
    std::string RequireAttrById(std::int32_t id) override { return Base::RequireAttrById(id); }
    std::string RequireAttr(const std::string& name) override { return Base::RequireAttr(name); }
    std::string AttrTextById(std::int32_t id, const std::string& defaultText) override
    {
        return Base::AttrTextById(id, defaultText);
    }
    std::string AttrText(const std::string& name, const std::string& defaultText) override
    {
        return Base::AttrText(name, defaultText);
    }
    void SetAttrTextById(std::int32_t id, const std::string& s) override { Base::SetAttrTextById(id, s); }
    void SetAttrText(const std::string& name, const std::string& s) override { Base::SetAttrText(name, s); }
    bool AttrAsBoolById(std::int32_t id, bool defaultValue) override { return Base::AttrAsBoolById(id, defaultValue); }
    bool AttrAsBool(const std::string& name, bool defaultValue) override
    {
        return Base::AttrAsBool(name, defaultValue);
    }
    void SetAttrBoolById(std::int32_t id, bool b) override { Base::SetAttrBoolById(id, b); }
    void SetAttrBool(const std::string& name, bool b) override { Base::SetAttrBool(name, b); }
    std::int32_t AttrAsIntById(std::int32_t id, std::int32_t defaultValue) override
    {
        return Base::AttrAsIntById(id, defaultValue);
    }
    std::int32_t AttrAsInt(const std::string& name, std::int32_t defaultValue) override
    {
        return Base::AttrAsInt(name, defaultValue);
    }
    void SetAttrIntById(std::int32_t id, std::int32_t n) override { Base::SetAttrIntById(id, n); }
    void SetAttrInt(const std::string& name, std::int32_t n) override { Base::SetAttrInt(name, n); }
    TDateTime AttrAsDateTimeById(std::int32_t id, TDateTime defaultValue) override
    {
        return Base::AttrAsDateTimeById(id, defaultValue);
    }
    TDateTime AttrAsDateTime(const std::string& name, TDateTime defaultValue) override
    {
        return Base::AttrAsDateTime(name, defaultValue);
    }
    void SetAttrDateTimeById(std::int32_t id, TDateTime t) override { Base::SetAttrDateTimeById(id, t); }
    void SetAttrDateTime(const std::string& name, TDateTime t) override { Base::SetAttrDateTime(name, t); }
    double AttrAsFloatById(std::int32_t id, double defaultValue) override
    {
        return Base::AttrAsFloatById(id, defaultValue);
    }
    double AttrAsFloat(const std::string& name, double defaultValue) override
    {
        return Base::AttrAsFloat(name, defaultValue);
    }
    void SetAttrFloatById(std::int32_t id, double x) override { Base::SetAttrFloatById(id, x); }
    void SetAttrFloat(const std::string& name, double x) override { Base::SetAttrFloat(name, x); }
    std::int32_t AttrAsHex(const std::string& name, std::int32_t defaultValue) override
    {
        return Base::AttrAsHex(name, defaultValue);
    }
    std::int32_t AttrAsHexById(std::int32_t id, std::int32_t defaultValue) override
    {
        return Base::AttrAsHexById(id, defaultValue);
    }
    void SetAttrHex(const std::string& name, std::int32_t n, int digits) override { Base::SetAttrHex(name, n, digits); }
    void SetAttrHexById(std::int32_t id, std::int32_t n, int digits) override { Base::SetAttrHexById(id, n, digits); }
    int AttrChoice(const std::string& name, const std::vector<std::string>& values, int defaultIndex) override
    {
        return Base::AttrChoice(name, values, defaultIndex);
    }
    int AttrChoiceById(std::int32_t id, const std::vector<std::string>& values, int defaultIndex) override
    {
        return Base::AttrChoiceById(id, values, defaultIndex);
    }
    int RequireAttrChoice(const std::string& name, const std::vector<std::string>& values) override
    {
        return Base::RequireAttrChoice(name, values);
    }
    int RequireAttrChoiceById(std::int32_t id, const std::vector<std::string>& values) override
    {
        return Base::RequireAttrChoiceById(id, values);
    }
    TXmlValue ValueAt(const std::string& path) override { return Base::ValueAt(path); }
    void SetValueAt(const std::string& path, const TXmlValue& v) override { Base::SetValueAt(path, v); }
    TXmlPtr<IXmlElement> ToElement() override { return Base::ToElement(); }
    TXmlPtr<IXmlText> ToTextNode() override { return Base::ToTextNode(); }
    TXmlPtr<IXmlCDATASection> ToCDataSection() override { return Base::ToCDataSection(); }
    TXmlPtr<IXmlComment> ToComment() override { return Base::ToComment(); }
    TXmlPtr<IXmlProcessingInstruction> ToInstruction() override { return Base::ToInstruction(); }
};

class TXmlElement final : public TXmlNodeOf<IXmlElement> {
public:
    TXmlElement(TXmlNameTable* names, std::int32_t id) : TXmlNodeOf(names, id) {}

    std::int32_t NameId() override { return FNameId; }
    TXmlNodeType NodeType() override { return ntElement; }
    std::string Text() override;
    void SetText(const std::string& s) override;
    TXmlValueKind ValueKind() override;
    TXmlValue Value() override;
    void SetValue(const TXmlValue& v) override;
    TXmlPtr<IXmlElement> ToElement() override { return TXmlPtr<IXmlElement>(this); }
    void SetTextAsCData(const std::string& s) override;
    void SetTextAsBase64(const void* bytes, int count, int lineLength) override;
    std::string DecodeBase64Text() override;

    void SetNameIdRaw(std::int32_t id) noexcept override { FNameId = id; }
    void WriteXml(std::string& out, bool compact) override;
    TXmlNode* Clone(bool deep) override;
    const TXmlValue& OwnValue() const noexcept { return FValue; }
    void SetOwnValue(TXmlValue&& v) { FValue = std::move(v); }

private:
    void RemoveTextChildren();

    TXmlValue FValue;
};

class TXmlCharacterData : public TXmlNode {
public:
    std::string Text() override;
    void SetText(const std::string& s) override { FText = TXmlValue(s); }
    std::string_view RawText() const noexcept { return FText.Bytes(); }

protected:
    // The text is a byte string.
    TXmlCharacterData(TXmlNameTable* names, TXmlValue&& text) : TXmlNode(names), FText(std::move(text)) {}

    // Always a byte string.
    TXmlValue FText;
};

class TXmlCDATASection final : public TXmlNodeOf<IXmlCDATASection, TXmlCharacterData> {
public:
    TXmlCDATASection(TXmlNameTable* names, TXmlValue&& text) : TXmlNodeOf(names, std::move(text)) {}
    std::string Text() override { return TXmlCharacterData::Text(); }
    void SetText(const std::string& s) override { TXmlCharacterData::SetText(s); }
    std::int32_t NameId() override { return NameTable().FCDataId; }
    TXmlNodeType NodeType() override { return ntCDataSection; }
    TXmlPtr<IXmlCDATASection> ToCDataSection() override { return TXmlPtr<IXmlCDATASection>(this); }
    void WriteXml(std::string& out, bool compact) override;
    TXmlNode* Clone(bool deep) override;
};

class TXmlComment final : public TXmlNodeOf<IXmlComment, TXmlCharacterData> {
public:
    TXmlComment(TXmlNameTable* names, TXmlValue&& text) : TXmlNodeOf(names, std::move(text)) {}
    std::string Text() override { return TXmlCharacterData::Text(); }
    void SetText(const std::string& s) override { TXmlCharacterData::SetText(s); }
    std::int32_t NameId() override { return NameTable().FCommentId; }
    TXmlNodeType NodeType() override { return ntComment; }
    TXmlPtr<IXmlComment> ToComment() override { return TXmlPtr<IXmlComment>(this); }
    void WriteXml(std::string& out, bool compact) override;
    TXmlNode* Clone(bool deep) override;
};

class TXmlText final : public TXmlNodeOf<IXmlText> {
public:
    TXmlText(TXmlNameTable* names, TXmlValue value) : TXmlNodeOf(names), FValue(std::move(value)) {}
    TXmlText(TXmlNameTable* names, std::string_view text) : TXmlNodeOf(names), FValue(text) {}
    std::int32_t NameId() override { return NameTable().FTextId; }
    TXmlNodeType NodeType() override { return ntText; }
    std::string Text() override { return FValue.ToText(); }
    void SetText(const std::string& s) override { FValue = TXmlValue(s); }
    TXmlValueKind ValueKind() override { return FValue.Kind(); }
    TXmlValue Value() override { return FValue; }
    void SetValue(const TXmlValue& v) override { FValue = v; }
    TXmlPtr<IXmlText> ToTextNode() override { return TXmlPtr<IXmlText>(this); }
    void WriteXml(std::string& out, bool compact) override;
    TXmlNode* Clone(bool deep) override;
    const TXmlValue& OwnValue() const noexcept { return FValue; }

private:
    TXmlValue FValue;
};

class TXmlProcessingInstruction final : public TXmlNodeOf<IXmlProcessingInstruction> {
public:
    TXmlProcessingInstruction(TXmlNameTable* names, std::int32_t id, std::string data)
        : TXmlNodeOf(names, id), FData(std::move(data)) {}
    std::int32_t NameId() override { return FNameId; }
    TXmlNodeType NodeType() override { return ntProcessingInstruction; }
    std::string Text() override { return FData; }
    void SetText(const std::string& s) override { FData = s; }
    TXmlPtr<IXmlProcessingInstruction> ToInstruction() override { return TXmlPtr<IXmlProcessingInstruction>(this); }
    void SetNameIdRaw(std::int32_t id) noexcept override { FNameId = id; }
    void WriteXml(std::string& out, bool compact) override;
    TXmlNode* Clone(bool deep) override;
    const std::string& Data() const noexcept { return FData; }
    void SetData(std::string data) { FData = std::move(data); }

private:
    std::string FData;
};

class TXmlDocument final : public TXmlNodeOf<IXmlDocument> {
public:
    explicit TXmlDocument(TXmlNameTable* names);

    std::int32_t NameId() override { return NameTable().FDocumentId; }
    TXmlNodeType NodeType() override { return ntDocument; }
    std::string Text() override { return ChildrenText(); }
    void SetText(const std::string& s) override;

    TXmlPtr<IXmlElement> DocumentElement() override;
    std::string ToBinaryString() override;
    bool KeepWhitespace() override { return FKeepWhitespace; }
    void SetKeepWhitespace(bool b) override { FKeepWhitespace = b; }
    TXmlPtr<IXmlElement> StartDocumentById(const std::string& version, const std::string& encoding,
                                           std::int32_t rootId) override;
    TXmlPtr<IXmlElement> StartDocument(const std::string& version, const std::string& encoding,
                                       const std::string& rootName) override;
    TXmlPtr<IXmlElement> CreateElementById(std::int32_t id) override;
    TXmlPtr<IXmlElement> CreateElement(const std::string& name) override;
    TXmlPtr<IXmlText> CreateTextNode(const std::string& s) override;
    TXmlPtr<IXmlCDATASection> CreateCDATASection(const std::string& s) override;
    TXmlPtr<IXmlComment> CreateComment(const std::string& s) override;
    TXmlPtr<IXmlProcessingInstruction> CreateProcessingInstruction(const std::string& name,
                                                                   const std::string& data) override;
    TXmlPtr<IXmlProcessingInstruction> CreateProcessingInstructionById(std::int32_t id,
                                                                       const std::string& data) override;
    void LoadFromString(const std::string& text) override;
    void LoadFromBinaryString(const std::string& data) override;
    void LoadFromInput(IXmlInput& input, std::uint64_t size, bool binary) override;
    void LoadFromResource(const std::string& type, const std::string& name) override;
    void SaveBinaryToOutput(IXmlOutput& output, std::int32_t options) override;

    TXmlDocument* AsDocument() noexcept override { return this; }
    void WriteXml(std::string& out, bool compact) override;
    TXmlNode* Clone(bool deep) override;
    // Empties the document before a load.
    void ResetForLoad();

private:
    bool FKeepWhitespace = false;
};

// A node of any kind as a reference to its IXmlNode; none for none.
template <class I>
TXmlPtr<I> PtrTo(TXmlNode* p)
{
    return TXmlPtr<I>(p ? static_cast<I*>(p->Interface()) : nullptr);
}

// Fills a new node that nobody refers to yet; when filling fails, the node is freed before the error goes on.
template <class TNode, class Fill>
TNode* FillNew(TNode* node, Fill&& fill)
{
    try {
        fill(*node);
    } catch (...) {
        node->DiscardUnreferenced();
        throw;
    }
    return node;
}

inline void TXmlNodeList::AppendNew(TXmlNode* node)
{
    if (FCount == FCapacity)
        GrowForNew(node);
    node->AddRef();
    node->FParent = FOwner;
    Items()[FCount++] = node;
}

} // namespace skyloom
