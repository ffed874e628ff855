// Node lists and nodes: tree changes, attributes, text and XML output.
#include "XmlMessages.h"
#include "XmlNodes.h"
#include "XmlPlatform.h"
#include "XmlValue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace skyloom {

namespace {

TXmlNode* ImplOf(const TXmlPtr<IXmlNode>& node) noexcept
{
    return node ? static_cast<TXmlNode*>(node->ImplObject()) : nullptr;
}

// The depth of the element being written in the indented form; shared by the whole process.
int gOutputDepth = 0;

struct TDepthRaise {
    TDepthRaise() noexcept { ++gOutputDepth; }
    ~TDepthRaise() { --gOutputDepth; }
    TDepthRaise(const TDepthRaise&) = delete;
    TDepthRaise& operator=(const TDepthRaise&) = delete;
};

void AppendEscaped(std::string& out, std::string_view s)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char* rep;
        switch (s[i]) {
        case '&': rep = "&amp;"; break;
        case '<': rep = "&lt;"; break;
        case '>': rep = "&gt;"; break;
        case '"': rep = "&quot;"; break;
        default: continue;
        }
        out.append(s.data() + start, i - start);
        out.append(rep);
        start = i + 1;
    }
    out.append(s.data() + start, s.size() - start);
}

void AppendEscapedValue(std::string& out, const TXmlValue& v)
{
    if (v.Kind() == vkString)
        AppendEscaped(out, v.Bytes());
    else
        AppendEscaped(out, v.ToText());
}

// Splits after the first "]" of every "]]>", so that each piece can be a CDATA section of its own.
std::vector<std::string_view> CDataPieces(std::string_view s)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find("]]>", start);
        if (at == std::string_view::npos)
            break;
        pieces.push_back(s.substr(start, at + 1 - start));
        start = at + 1;
    }
    pieces.push_back(s.substr(start));
    return pieces;
}

std::string TrimBlanks(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

bool IsSingleName(const std::string& name)
{
    const unsigned char* cls = xml::NameClassTable();
    if (name.empty() || !(cls[static_cast<unsigned char>(name[0])] & xml::kClassNameStart))
        return false;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (!(cls[static_cast<unsigned char>(name[i])] & xml::kClassName))
            return false;
    }
    return true;
}

void CheckSingleName(const std::string& name)
{
    if (!IsSingleName(name))
        throw EXmlError(xml::kMsgNotSupported);
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Node list

TXmlNodeList::~TXmlNodeList()
{
    Clear();
    if (FCapacity > 1)
        xml::PoolRelease(FMany, sizeof(TXmlNode*) * static_cast<std::size_t>(FCapacity));
}

TXmlPtr<IXmlNode> TXmlNodeList::Item(int index)
{
    if (index < 0 || index >= FCount)
        throw EXmlError(xml::kMsgListIndex);
    return PtrTo<IXmlNode>(Items()[index]);
}

std::string TXmlNodeList::ToXml()
{
    std::string out;
    for (int i = 0; i < FCount; ++i)
        out += Items()[i]->ToXml();
    return out;
}

int TXmlNodeList::IndexOf(const TXmlNode* node) const noexcept
{
    for (int i = 0; i < FCount; ++i) {
        if (Items()[i] == node)
            return i;
    }
    return -1;
}

void TXmlNodeList::Reserve(int capacity)
{
    auto* items = static_cast<TXmlNode**>(xml::PoolAllocate(sizeof(TXmlNode*) * static_cast<std::size_t>(capacity)));
    if (FCount > 0)
        std::memcpy(items, Items(), sizeof(TXmlNode*) * static_cast<std::size_t>(FCount));
    if (FCapacity > 1)
        xml::PoolRelease(FMany, sizeof(TXmlNode*) * static_cast<std::size_t>(FCapacity));
    FMany = items;
    FCapacity = capacity;
}

void TXmlNodeList::GrowForNew(TXmlNode* node)
{
    try {
        Reserve(XmlGrowCapacity(FCapacity));
    } catch (...) {
        // The list was to take the only reference.
        node->DiscardUnreferenced();
        throw;
    }
}

void TXmlNodeList::AppendUnowned(TXmlNode* node)
{
    if (FCount == FCapacity)
        Reserve(XmlGrowCapacity(FCapacity));
    node->AddRef();
    Items()[FCount++] = node;
}

void TXmlNodeList::Disown() noexcept
{
    for (int i = 0; i < FCount; ++i) {
        TXmlNode* node = Items()[i];
        if (node->FParent == FOwner)
            node->FParent = nullptr;
    }
    FOwner = nullptr;
}

void TXmlNodeList::Attach(TXmlNode* node)
{
    // A node lives in one child list at a time: putting it into another takes it out of the first.
    if (TXmlNode* old = node->FParent) {
        if (TXmlNodeList* list = old->ChildListIfAny()) {
            const int at = list->IndexOf(node);
            if (at >= 0)
                list->RemoveAt(at);
        }
    }
    node->FParent = FOwner;
    if (FOwner && &node->NameTable() != &FOwner->NameTable())
        node->MoveToNames(FOwner->NameTable());
}

void TXmlNodeList::Detach(TXmlNode* node)
{
    if (FOwner && node->FParent == FOwner)
        node->FParent = nullptr;
    node->Release();
}

void TXmlNodeList::Insert(int index, TXmlNode* node)
{
    const TXmlPtr<IXmlNode> keep = PtrTo<IXmlNode>(node);
    Attach(node);
    if (index > FCount)
        index = FCount;
    if (FCount == FCapacity)
        Reserve(XmlGrowCapacity(FCapacity));
    TXmlNode** items = Items();
    std::memmove(items + index + 1, items + index, sizeof(TXmlNode*) * static_cast<std::size_t>(FCount - index));
    node->AddRef();
    items[index] = node;
    ++FCount;
}

void TXmlNodeList::Replace(int index, TXmlNode* node)
{
    const TXmlPtr<IXmlNode> keep = PtrTo<IXmlNode>(node);
    TXmlNode* old = Items()[index];
    if (old == node)
        return;
    const TXmlPtr<IXmlNode> keepOld = PtrTo<IXmlNode>(old);
    Attach(node);
    index = IndexOf(old);  // attaching may have taken the node out of this very list
    node->AddRef();
    Items()[index] = node;
    Detach(old);
}

void TXmlNodeList::RemoveAt(int index)
{
    TXmlNode** items = Items();
    TXmlNode* node = items[index];
    std::memmove(items + index, items + index + 1, sizeof(TXmlNode*) * static_cast<std::size_t>(FCount - index - 1));
    --FCount;
    Detach(node);
}

void TXmlNodeList::Clear()
{
    // Each node is released after its parent link is cleared, so that a child still held elsewhere survives as a
    // parentless node. The list is empty before the first release, and the nodes go in the order they were made,
    // which is the order of their memory.
    const int count = FCount;
    FCount = 0;
    for (int i = 0; i < count; ++i)
        Detach(Items()[i]);
}

// ---------------------------------------------------------------------------------------------------------------
// Node: tree

TXmlNode::~TXmlNode()
{
    // A caller may still hold the child list; its nodes must not point back at this node any more.
    if (FChildren && FChildren->IsShared())
        FChildren->Disown();
}

TXmlNodeList& TXmlNode::ChildList()
{
    if (!FChildren)
        FChildren = TXmlPtr<TXmlNodeList>(new TXmlNodeList(this));
    return *FChildren;
}

TXmlPtr<IXmlNameTable> TXmlNode::Names()
{
    return PtrTo<IXmlNameTable>(FNames.get());
}

std::string TXmlNode::NodeName()
{
    return FNames->Name(NameId());
}

TXmlDocument* TXmlNode::OwnerDoc() noexcept
{
    for (TXmlNode* n = this; n; n = n->FParent) {
        if (TXmlDocument* d = n->AsDocument())
            return d;
    }
    return nullptr;
}

bool TXmlNode::KeepsWhitespace() noexcept
{
    TXmlDocument* doc = OwnerDoc();
    return doc && doc->KeepWhitespace();
}

std::string TXmlNode::ToXml()
{
    std::string out;
    WriteXml(out, KeepsWhitespace());
    return out;
}

TXmlPtr<IXmlNode> TXmlNode::CloneNode(bool deep)
{
    return PtrTo<IXmlNode>(Clone(deep));
}

TXmlPtr<IXmlNode> TXmlNode::ParentNode()
{
    return PtrTo<IXmlNode>(FParent);
}

TXmlPtr<IXmlDocument> TXmlNode::OwnerDocument()
{
    return PtrTo<IXmlDocument>(OwnerDoc());
}

TXmlPtr<IXmlNodeList> TXmlNode::ChildNodes()
{
    return PtrTo<IXmlNodeList>(&ChildList());
}

bool TXmlNode::IsAncestorOrSelf(const TXmlNode* node) const noexcept
{
    for (const TXmlNode* n = node; n; n = n->FParent) {
        if (n == this)
            return true;
    }
    return false;
}

void TXmlNode::MoveToNames(TXmlNameTable& target)
{
    TXmlNameTable& source = *FNames;
    if (&source != &target) {
        if (NodeType() == ntElement || NodeType() == ntProcessingInstruction)
            SetNameIdRaw(target.Intern(source.Name(NameId())));
        for (TXmlAttrData& a : FAttributes)
            a.NameId = target.Intern(source.Name(a.NameId));
        FNames = TXmlPtr<TXmlNameTable>(&target);
    }
    if (FChildren) {
        for (TXmlNode* child : *FChildren)
            child->MoveToNames(target);
    }
}

TXmlPtr<IXmlNode> TXmlNode::AppendChild(const TXmlPtr<IXmlNode>& node)
{
    TXmlNode* n = ImplOf(node);
    if (!n)
        return nullptr;
    // A node inside its own subtree would make the tree a cycle.
    if (n->IsAncestorOrSelf(this))
        throw EXmlError(xml::kMsgNotSupported);
    TXmlNodeList& list = ChildList();
    list.Insert(list.Size(), n);
    return node;
}

TXmlPtr<IXmlNode> TXmlNode::InsertBefore(const TXmlPtr<IXmlNode>& node, const TXmlPtr<IXmlNode>& before)
{
    TXmlNode* n = ImplOf(node);
    if (!n)
        return nullptr;
    if (n->IsAncestorOrSelf(this))
        throw EXmlError(xml::kMsgNotSupported);
    TXmlNode* b = ImplOf(before);
    if (n == b)
        return node;
    TXmlNodeList& list = ChildList();
    if (n->FParent == this) {
        const int at = list.IndexOf(n);
        if (at >= 0) {
            const TXmlPtr<IXmlNode> keep = node;
            list.RemoveAt(at);
            const int pos = b ? list.IndexOf(b) : -1;
            list.Insert(pos >= 0 ? pos : list.Size(), n);
            return node;
        }
    }
    const int pos = b ? list.IndexOf(b) : -1;
    list.Insert(pos >= 0 ? pos : list.Size(), n);
    return node;
}

TXmlPtr<IXmlNode> TXmlNode::ReplaceChild(const TXmlPtr<IXmlNode>& newChild, const TXmlPtr<IXmlNode>& oldChild)
{
    TXmlNode* n = ImplOf(newChild);
    TXmlNode* o = ImplOf(oldChild);
    if (!FChildren || !o)
        return nullptr;
    const int at = FChildren->IndexOf(o);
    if (at < 0)
        return nullptr;
    if (!n)
        return nullptr;
    if (n->IsAncestorOrSelf(this))
        throw EXmlError(xml::kMsgNotSupported);
    FChildren->Replace(at, n);
    return oldChild;
}

TXmlPtr<IXmlNode> TXmlNode::RemoveChild(const TXmlPtr<IXmlNode>& node)
{
    TXmlNode* n = ImplOf(node);
    if (!FChildren || !n)
        return nullptr;
    const int at = FChildren->IndexOf(n);
    if (at < 0)
        return nullptr;
    FChildren->RemoveAt(at);
    return node;
}

TXmlPtr<IXmlElement> TXmlNode::AddElementById(std::int32_t id)
{
    auto* e = new TXmlElement(FNames.get(), id);
    ChildList().AppendNew(e);
    return PtrTo<IXmlElement>(e);
}

TXmlPtr<IXmlElement> TXmlNode::AddElement(const std::string& name)
{
    return AddElementById(FNames->Intern(name));
}

TXmlPtr<IXmlText> TXmlNode::AddText(const std::string& s)
{
    auto* t = new TXmlText(FNames.get(), TXmlValue(s));
    ChildList().AppendNew(t);
    return PtrTo<IXmlText>(t);
}

TXmlPtr<IXmlCDATASection> TXmlNode::AddCData(const std::string& s)
{
    auto* c = new TXmlCDATASection(FNames.get(), s);
    ChildList().AppendNew(c);
    return PtrTo<IXmlCDATASection>(c);
}

TXmlPtr<IXmlComment> TXmlNode::AddComment(const std::string& s)
{
    auto* c = new TXmlComment(FNames.get(), s);
    ChildList().AppendNew(c);
    return PtrTo<IXmlComment>(c);
}

TXmlPtr<IXmlProcessingInstruction> TXmlNode::AddInstructionById(std::int32_t id, const std::string& data)
{
    auto* p = new TXmlProcessingInstruction(FNames.get(), id, data);
    ChildList().AppendNew(p);
    return PtrTo<IXmlProcessingInstruction>(p);
}

TXmlPtr<IXmlProcessingInstruction> TXmlNode::AddInstruction(const std::string& name, const std::string& data)
{
    return AddInstructionById(FNames->Intern(name), data);
}

TXmlNode* TXmlNode::FirstChildWithId(std::int32_t id) const noexcept
{
    if (FChildren) {
        for (TXmlNode* child : *FChildren) {
            if (child->NameId() == id)
                return child;
        }
    }
    return nullptr;
}

TXmlNode* TXmlNode::FirstChildElementWithId(std::int32_t id) const noexcept
{
    if (FChildren) {
        for (TXmlNode* child : *FChildren) {
            if (child->NodeType() == ntElement && child->NameId() == id)
                return child;
        }
    }
    return nullptr;
}

std::string TXmlNode::ChildText(const std::string& name, const std::string& defaultText)
{
    return ChildTextById(FNames->Intern(name), defaultText);
}

std::string TXmlNode::ChildTextById(std::int32_t id, const std::string& defaultText)
{
    TXmlNode* child = FirstChildWithId(id);
    return child ? child->Text() : defaultText;
}

void TXmlNode::StoreChildText(const std::string& name, const std::string& s)
{
    StoreChildTextById(FNames->Intern(name), s);
}

void TXmlNode::StoreChildTextById(std::int32_t id, const std::string& s)
{
    ChildOrNewById(id)->SetText(s);
}

TXmlPtr<IXmlNode> TXmlNode::RequireChildById(std::int32_t id)
{
    TXmlNode* child = FirstChildWithId(id);
    if (!child)
        throw EXmlError(xml::FormatXmlMessage(xml::kMsgChildNotFound, {FNames->Name(id)}));
    return PtrTo<IXmlNode>(child);
}

TXmlPtr<IXmlNode> TXmlNode::RequireChild(const std::string& name)
{
    return RequireChildById(FNames->Intern(name));
}

TXmlPtr<IXmlNode> TXmlNode::ChildOrNewById(std::int32_t id)
{
    if (TXmlNode* child = FirstChildWithId(id))
        return PtrTo<IXmlNode>(child);
    return AddElementById(id);
}

TXmlPtr<IXmlNode> TXmlNode::ChildOrNew(const std::string& name)
{
    return ChildOrNewById(FNames->Intern(name));
}

void TXmlNode::ClearChildren()
{
    if (FChildren)
        FChildren->Clear();
}

TXmlPtr<IXmlNodeList> TXmlNode::ChildElementsNamed(const std::string& name)
{
    CheckSingleName(name);
    const std::int32_t id = FNames->Intern(name);
    auto* found = new TXmlNodeList(nullptr);
    TXmlPtr<IXmlNodeList> result = PtrTo<IXmlNodeList>(found);
    if (FChildren) {
        for (TXmlNode* child : *FChildren) {
            if (child->NodeType() == ntElement && child->NameId() == id)
                found->AppendUnowned(child);
        }
    }
    return result;
}

TXmlPtr<IXmlElement> TXmlNode::FirstChildElementNamed(const std::string& name)
{
    CheckSingleName(name);
    return PtrTo<IXmlElement>(static_cast<TXmlElement*>(FirstChildElementWithId(FNames->Intern(name))));
}

TXmlPtr<IXmlElement> TXmlNode::FindChildByAttr(const std::string& elementName, const std::string& attrName,
                                               const TXmlValue& value)
{
    const std::int32_t elementId = FNames->Intern(elementName);
    const std::int32_t attrId = FNames->Intern(attrName);
    if (!FChildren)
        return nullptr;
    for (TXmlNode* child : *FChildren) {
        if (child->NodeType() != ntElement || child->NameId() != elementId)
            continue;
        const int at = child->FindAttr(attrId);
        if (at >= 0 && child->FAttributes[static_cast<std::size_t>(at)].Value.Equals(value))
            return PtrTo<IXmlElement>(static_cast<TXmlElement*>(child));
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// Node: attributes

void TXmlNode::CopyContentTo(TXmlNode& copy, bool deep) const
{
    copy.FAttributes = FAttributes;
    if (deep && ChildListIfAny()) {
        for (TXmlNode* child : *ChildListIfAny())
            copy.ChildList().AppendNew(child->Clone(true));
    }
}

void TXmlNode::StoreAttr(std::int32_t id, TXmlValue&& v)
{
    const int at = FindAttr(id);
    if (at >= 0) {
        FAttributes[static_cast<std::size_t>(at)].Value = std::move(v);
        return;
    }
    AppendAttr(id, std::move(v));
}

void TXmlNode::AppendAttr(std::int32_t id, TXmlValue&& v)
{
    FAttributes.push_back(TXmlAttrData{id, std::move(v)});
}

std::int32_t TXmlNode::AttributeNameId(int index)
{
    if (index < 0 || index >= AttributeCount())
        return -1;
    return FAttributes[static_cast<std::size_t>(index)].NameId;
}

std::string TXmlNode::AttributeName(int index)
{
    return FNames->Name(AttributeNameId(index));
}

void TXmlNode::DeleteAttribute(const std::string& name)
{
    DeleteAttributeById(FNames->Intern(name));
}

void TXmlNode::DeleteAttributeById(std::int32_t id)
{
    const int at = FindAttr(id);
    if (at >= 0)
        FAttributes.erase(at);
}

bool TXmlNode::HasAttribute(const std::string& name)
{
    return HasAttributeById(FNames->Intern(name));
}

TXmlValueKind TXmlNode::AttributeKindById(std::int32_t id)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value.Kind() : vkString;
}

TXmlValueKind TXmlNode::AttributeKind(const std::string& name)
{
    return AttributeKindById(FNames->Intern(name));
}

TXmlValue TXmlNode::AttrValueById(std::int32_t id, const TXmlValue& defaultValue)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value : defaultValue;
}

TXmlValue TXmlNode::AttrValue(const std::string& name, const TXmlValue& defaultValue)
{
    return AttrValueById(FNames->Intern(name), defaultValue);
}

void TXmlNode::SetAttrValueById(std::int32_t id, const TXmlValue& v)
{
    StoreAttr(id, TXmlValue(v));
}

void TXmlNode::SetAttrValue(const std::string& name, const TXmlValue& v)
{
    SetAttrValueById(FNames->Intern(name), v);
}

std::string TXmlNode::RequireAttrById(std::int32_t id)
{
    const int at = FindAttr(id);
    if (at < 0)
        throw EXmlError(xml::FormatXmlMessage(xml::kMsgAttrNotSet, {FNames->Name(id)}));
    return FAttributes[static_cast<std::size_t>(at)].Value.ToText();
}

std::string TXmlNode::RequireAttr(const std::string& name)
{
    return RequireAttrById(FNames->Intern(name));
}

std::string TXmlNode::AttrTextById(std::int32_t id, const std::string& defaultText)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value.ToText() : defaultText;
}

std::string TXmlNode::AttrText(const std::string& name, const std::string& defaultText)
{
    return AttrTextById(FNames->Intern(name), defaultText);
}

void TXmlNode::SetAttrTextById(std::int32_t id, const std::string& s)
{
    StoreAttr(id, TXmlValue(s));
}

void TXmlNode::SetAttrText(const std::string& name, const std::string& s)
{
    SetAttrTextById(FNames->Intern(name), s);
}

bool TXmlNode::AttrAsBoolById(std::int32_t id, bool defaultValue)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value.AsBoolean() : defaultValue;
}

bool TXmlNode::AttrAsBool(const std::string& name, bool defaultValue)
{
    return AttrAsBoolById(FNames->Intern(name), defaultValue);
}

void TXmlNode::SetAttrBoolById(std::int32_t id, bool b)
{
    StoreAttr(id, TXmlValue::FromBoolean(b));
}

void TXmlNode::SetAttrBool(const std::string& name, bool b)
{
    SetAttrBoolById(FNames->Intern(name), b);
}

std::int32_t TXmlNode::AttrAsIntById(std::int32_t id, std::int32_t defaultValue)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value.AsInteger() : defaultValue;
}

std::int32_t TXmlNode::AttrAsInt(const std::string& name, std::int32_t defaultValue)
{
    return AttrAsIntById(FNames->Intern(name), defaultValue);
}

void TXmlNode::SetAttrIntById(std::int32_t id, std::int32_t n)
{
    StoreAttr(id, TXmlValue::FromInteger(n));
}

void TXmlNode::SetAttrInt(const std::string& name, std::int32_t n)
{
    SetAttrIntById(FNames->Intern(name), n);
}

TDateTime TXmlNode::AttrAsDateTimeById(std::int32_t id, TDateTime defaultValue)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value.AsDateTime() : defaultValue;
}

TDateTime TXmlNode::AttrAsDateTime(const std::string& name, TDateTime defaultValue)
{
    return AttrAsDateTimeById(FNames->Intern(name), defaultValue);
}

void TXmlNode::SetAttrDateTimeById(std::int32_t id, TDateTime t)
{
    StoreAttr(id, TXmlValue::FromDate(t));
}

void TXmlNode::SetAttrDateTime(const std::string& name, TDateTime t)
{
    SetAttrDateTimeById(FNames->Intern(name), t);
}

double TXmlNode::AttrAsFloatById(std::int32_t id, double defaultValue)
{
    const int at = FindAttr(id);
    return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value.AsFloat() : defaultValue;
}

double TXmlNode::AttrAsFloat(const std::string& name, double defaultValue)
{
    return AttrAsFloatById(FNames->Intern(name), defaultValue);
}

void TXmlNode::SetAttrFloatById(std::int32_t id, double x)
{
    StoreAttr(id, TXmlValue::FromDouble(x));
}

void TXmlNode::SetAttrFloat(const std::string& name, double x)
{
    SetAttrFloatById(FNames->Intern(name), x);
}

std::int32_t TXmlNode::AttrAsHex(const std::string& name, std::int32_t defaultValue)
{
    return AttrAsHexById(FNames->Intern(name), defaultValue);
}

std::int32_t TXmlNode::AttrAsHexById(std::int32_t id, std::int32_t defaultValue)
{
    const int at = FindAttr(id);
    if (at < 0)
        return defaultValue;
    const std::string text = FAttributes[static_cast<std::size_t>(at)].Value.ToText();
    const std::string s = TrimBlanks(text);
    std::uint32_t v = 0;
    bool ok = !s.empty() && s.size() <= 8;
    for (char c : s) {
        const unsigned d = xml::HexDigitValue(static_cast<unsigned char>(c));
        if (d >= 16) {
            ok = false;
            break;
        }
        v = v * 16 + d;
    }
    if (!ok)
        throw EXmlConvertError("'" + text + "' is not a valid integer value");
    return static_cast<std::int32_t>(v);
}

void TXmlNode::SetAttrHex(const std::string& name, std::int32_t n, int digits)
{
    SetAttrHexById(FNames->Intern(name), n, digits);
}

void TXmlNode::SetAttrHexById(std::int32_t id, std::int32_t n, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(n));
    std::string s = buf;
    if (digits > 16)
        digits = 16;
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    SetAttrTextById(id, s);
}

int TXmlNode::AttrChoice(const std::string& name, const std::vector<std::string>& values, int defaultIndex)
{
    return AttrChoiceById(FNames->Intern(name), values, defaultIndex);
}

int TXmlNode::AttrChoiceById(std::int32_t id, const std::vector<std::string>& values, int defaultIndex)
{
    const int at = FindAttr(id);
    if (at < 0)
        return defaultIndex;
    const std::string text = FAttributes[static_cast<std::size_t>(at)].Value.ToText();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (SameTextIgnoringCase(text, values[i]))
            return static_cast<int>(i);
    }
    std::string allowed;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            allowed += "\r\n";
        allowed += values[i];
    }
    throw EXmlError(xml::FormatXmlMessage(xml::kMsgAttrChoice, {FNames->Name(id), NodeName(), allowed}));
}

int TXmlNode::RequireAttrChoice(const std::string& name, const std::vector<std::string>& values)
{
    return RequireAttrChoiceById(FNames->Intern(name), values);
}

int TXmlNode::RequireAttrChoiceById(std::int32_t id, const std::vector<std::string>& values)
{
    if (FindAttr(id) < 0)
        throw EXmlError(xml::FormatXmlMessage(xml::kMsgAttrNotFound, {FNames->Name(id)}));
    return AttrChoiceById(id, values, -1);
}

TXmlValue TXmlNode::ValueAt(const std::string& path)
{
    if (path.empty())
        return Value();
    if (path[0] == '@') {
        const int at = FindAttr(FNames->Intern(std::string_view(path).substr(1)));
        return at >= 0 ? FAttributes[static_cast<std::size_t>(at)].Value : TXmlValue(std::string());
    }
    // Any other path is the name of a child element as it stands: a path of several names finds no element the
    // reader made, so it answers the empty string instead of raising.
    TXmlNode* child = FirstChildElementWithId(FNames->Intern(path));
    return child ? child->Value() : TXmlValue(std::string());
}

void TXmlNode::SetValueAt(const std::string& path, const TXmlValue& v)
{
    if (path.empty()) {
        SetValue(v);
        return;
    }
    if (path[0] == '@') {
        SetAttrValueById(FNames->Intern(std::string_view(path).substr(1)), v);
        return;
    }
    const std::int32_t id = FNames->Intern(path);
    if (TXmlNode* child = FirstChildElementWithId(id))
        child->SetValue(v);
    else
        AddElementById(id)->SetValue(v);
}

// ---------------------------------------------------------------------------------------------------------------
// Node: text and output

std::string TXmlNode::ChildrenText()
{
    std::string result;
    if (!FChildren)
        return result;
    for (TXmlNode* child : *FChildren) {
        const TXmlNodeType t = child->NodeType();
        if (t != ntElement && t != ntText && t != ntCDataSection)
            continue;
        const std::string piece = child->Text();
        if (piece.empty())
            continue;
        if (!result.empty())
            result.push_back(' ');
        result += piece;
    }
    return result;
}

void TXmlNode::WriteChildren(std::string& out, bool compact)
{
    if (FChildren) {
        for (TXmlNode* child : *FChildren)
            child->WriteXml(out, compact);
    }
}

void TXmlNode::WriteAttributes(std::string& out) const
{
    for (const TXmlAttrData& a : FAttributes) {
        out.push_back(' ');
        out += FNames->Name(a.NameId);
        out += "=\"";
        AppendEscapedValue(out, a.Value);
        out.push_back('"');
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Element

std::string TXmlElement::Text()
{
    if (HasChildren())
        return ChildrenText();
    return FValue.ToText();
}

void TXmlElement::SetText(const std::string& s)
{
    ClearChildren();
    FValue = TXmlValue(s);
}

TXmlValueKind TXmlElement::ValueKind()
{
    if (HasChildren() || FValue.IsEmpty())
        return vkString;
    return FValue.Kind();
}

TXmlValue TXmlElement::Value()
{
    if (HasChildren())
        return TXmlValue(ChildrenText());
    return FValue;
}

void TXmlElement::SetValue(const TXmlValue& v)
{
    ClearChildren();
    FValue = v;
}

void TXmlElement::RemoveTextChildren()
{
    TXmlNodeList* list = ChildListIfAny();
    if (!list)
        return;
    for (int i = list->Size() - 1; i >= 0; --i) {
        const TXmlNodeType t = list->At(i)->NodeType();
        if (t == ntText || t == ntCDataSection)
            list->RemoveAt(i);
    }
}

void TXmlElement::SetTextAsCData(const std::string& s)
{
    RemoveTextChildren();
    for (std::string_view piece : CDataPieces(s))
        AddCData(std::string(piece));
}

void TXmlElement::SetTextAsBase64(const void* bytes, int count, int lineLength)
{
    RemoveTextChildren();
    AddText(xml::Base64Encode(bytes, count > 0 && bytes ? static_cast<std::size_t>(count) : 0, lineLength));
}

std::string TXmlElement::DecodeBase64Text()
{
    std::string text;
    for (char c : Text()) {
        if (static_cast<unsigned char>(c) > 32)
            text.push_back(c);
    }
    if (text.size() <= 3)
        return {};
    return xml::Base64Decode(text);
}

void TXmlElement::WriteXml(std::string& out, bool compact)
{
    const std::string& name = NameTable().Name(FNameId);
    const int depth = gOutputDepth;
    if (!compact) {
        out += "\r\n";
        out.append(static_cast<std::size_t>(depth), '\t');
    }
    out.push_back('<');
    out += name;
    WriteAttributes(out);
    const std::size_t open = out.size();
    out.push_back('>');
    const std::size_t contentStart = out.size();
    if (HasChildren()) {
        if (compact) {
            WriteChildren(out, compact);
        } else {
            TDepthRaise raise;
            WriteChildren(out, compact);
        }
    } else if (!FValue.IsEmpty()) {
        AppendEscapedValue(out, FValue);
    }
    if (out.size() == contentStart) {
        out.resize(open);
        out += "/>";
        return;
    }
    if (!compact) {
        const std::string_view content(out.data() + contentStart, out.size() - contentStart);
        if (content.find_first_of("\r\n") != std::string_view::npos) {
            const bool endsWithBreak = content.size() >= 2 && content.substr(content.size() - 2) == "\r\n";
            if (!endsWithBreak)
                out += "\r\n";
            out.append(static_cast<std::size_t>(depth), '\t');
        }
    }
    out += "</";
    out += name;
    out.push_back('>');
}

TXmlNode* TXmlElement::Clone(bool deep)
{
    return FillNew(new TXmlElement(&NameTable(), FNameId), [&](TXmlElement& e) {
        e.FValue = FValue;
        CopyContentTo(e, deep);
    });
}

// ---------------------------------------------------------------------------------------------------------------
// Character data, text, processing instructions

std::string TXmlCharacterData::Text()
{
    const std::string text(RawText());
    return KeepsWhitespace() ? text : TrimBlanks(text);
}

void TXmlCDATASection::WriteXml(std::string& out, bool)
{
    for (std::string_view piece : CDataPieces(RawText())) {
        out += "<![CDATA[";
        out += piece;
        out += "]]>";
    }
}

TXmlNode* TXmlCDATASection::Clone(bool)
{
    return new TXmlCDATASection(&NameTable(), RawText());
}

void TXmlComment::WriteXml(std::string& out, bool)
{
    out += "<!--";
    out += RawText();
    out += "-->";
}

TXmlNode* TXmlComment::Clone(bool)
{
    return new TXmlComment(&NameTable(), RawText());
}

void TXmlText::WriteXml(std::string& out, bool)
{
    AppendEscapedValue(out, FValue);
}

TXmlNode* TXmlText::Clone(bool)
{
    return new TXmlText(&NameTable(), FValue);
}

void TXmlProcessingInstruction::WriteXml(std::string& out, bool)
{
    out += "<?";
    out += NameTable().Name(FNameId);
    if (!FData.empty()) {
        // Data read from text keeps the blanks after the name; adding another one would make every
        // read-and-write cycle grow the data by a space.
        if (static_cast<unsigned char>(FData[0]) > 32)
            out.push_back(' ');
        out += FData;
    } else {
        WriteAttributes(out);
    }
    out += "?>";
}

TXmlNode* TXmlProcessingInstruction::Clone(bool)
{
    return new TXmlProcessingInstruction(&NameTable(), FNameId, FData);
}

} // namespace skyloom
