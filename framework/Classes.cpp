#include "Classes.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace skyloom {

namespace {
bool GApplicationDestroying = false;
} // namespace

bool ApplicationDestroying() { return GApplicationDestroying; }
void SetApplicationDestroying(bool value) { GApplicationDestroying = value; }

// ---- TPersistent ----

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const
{
    (void)dest;
    throw EConvertError(Format("Cannot assign a %s to a %s", {typeid(*this).name(), typeid(dest).name()}));
}

// ---- TComponent ----

TComponent::TComponent(TComponent* owner)
{
    if (owner) {
        if (owner->FLoadingRoot)
            FComponentState |= csLoading;
        if (owner->Designing())
            FComponentState |= csDesigning;
        owner->InsertComponent(this);
    }
}

TComponent::~TComponent()
{
    FComponentState |= csDestroying;
    // Tell everyone who asked, then free what we own, then leave our owner.
    std::vector<TComponent*> notifies;
    notifies.swap(FFreeNotifies);
    for (TComponent* c : notifies) {
        auto& theirs = c->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::SetDestroying() { FComponentState |= csDestroying; }

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->Name, name))
            return c;
    return nullptr;
}

int TComponent::ComponentIndex() const { return FOwner ? IndexIn(FOwner->FComponents, this) : -1; }

void TComponent::SetDesigning(bool value)
{
    if (value)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~static_cast<unsigned>(csDesigning);
    for (TComponent* c : FComponents)
        c->SetDesigning(value);
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->FOwner == this)
        return;
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    component->FOwner = this;
    FComponents.push_back(component);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!RemoveFrom(FComponents, component))
        return;
    component->FOwner = nullptr;
    Notification(component, opRemove);
}

void TComponent::DestroyComponents()
{
    // Newest first. A component may free others while it goes (a menu item its sub-items); each one leaves
    // this list as it is freed, so taking the last entry every time frees each exactly once.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        c->FComponentState |= csDestroying;
        delete c;
    }
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
        FFreeNotifies.push_back(other);
    if (std::find(other->FFreeNotifies.begin(), other->FFreeNotifies.end(), this) == other->FFreeNotifies.end())
        other->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    if (!other)
        return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), other), FFreeNotifies.end());
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component) {
        // A component freed elsewhere no longer needs to tell us.
        FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component),
                            FFreeNotifies.end());
    }
}

void TComponent::BeginLoading()
{
    FLoadingRoot = true;
    FLoadedRun = false;
    FComponentState |= csLoading;
}

void TComponent::Loaded() { FComponentState &= ~static_cast<unsigned>(csLoading); }

void TComponent::FinishLoading()
{
    if (!FLoadingRoot)
        return;
    FLoadingRoot = false;
    // The loaded steps run in design order: the root, then what it owns in creation order. A step may create
    // or free components; those created now were not designed and get no loaded step.
    std::vector<TComponent*> designed;
    for (TComponent* c : FComponents)
        if (c->Loading())
            designed.push_back(c);
    if (!FLoadedRun) {
        FLoadedRun = true;
        Loaded();
        FComponentState &= ~static_cast<unsigned>(csLoading);
    }
    for (TComponent* c : designed) {
        if (std::find(FComponents.begin(), FComponents.end(), c) == FComponents.end())
            continue;  // freed by an earlier step
        if (c->FLoadedRun)
            continue;
        c->FLoadedRun = true;
        c->Loaded();
        c->FComponentState &= ~static_cast<unsigned>(csLoading);
    }
    AfterLoading();
}

// ---- TList ----

TList::~TList() = default;

void TList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
}

int TList::Add(void* item)
{
    FItems.push_back(item);
    if (item)
        Notify(item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void* item)
{
    if (index < 0 || index > Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    FItems.insert(FItems.begin() + index, item);
    if (item)
        Notify(item, lnAdded);
}

void TList::Delete(int index)
{
    CheckIndex(index);
    void* item = FItems[static_cast<std::size_t>(index)];
    FItems.erase(FItems.begin() + index);
    if (item)
        Notify(item, lnDeleted);
}

int TList::Remove(void* item)
{
    int i = IndexOf(item);
    if (i >= 0)
        Delete(i);
    return i;
}

void* TList::Extract(void* item)
{
    int i = IndexOf(item);
    if (i < 0)
        return nullptr;
    FItems.erase(FItems.begin() + i);
    Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(const void* item) const { return IndexIn(FItems, item); }

void TList::Clear()
{
    while (!FItems.empty())
        Delete(Count() - 1);
}

void TList::Move(int from, int to)
{
    CheckIndex(from);
    CheckIndex(to);
    void* item = FItems[static_cast<std::size_t>(from)];
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, item);
}

void* TList::Items(int index) const
{
    CheckIndex(index);
    return FItems[static_cast<std::size_t>(index)];
}

void TList::SetItem(int index, void* item)
{
    CheckIndex(index);
    void*& slot = FItems[static_cast<std::size_t>(index)];
    if (slot == item)
        return;
    void* old = slot;
    slot = item;
    if (old)
        Notify(old, lnDeleted);
    if (item)
        Notify(item, lnAdded);
}

void TList::Notify(void* item, TListNotification action)
{
    (void)item;
    (void)action;
}

// ---- TCollectionItem / TCollection ----

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* value)
{
    if (FCollection == value)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (value)
        value->InsertItem(this);
}

int TCollectionItem::Index() const { return FCollection ? IndexIn(FCollection->FItems, this) : -1; }

void TCollectionItem::SetIndex(int value)
{
    int current = Index();
    if (current < 0 || value == current)
        return;
    auto& items = FCollection->FItems;
    value = std::clamp(value, 0, static_cast<int>(items.size()) - 1);
    items.erase(items.begin() + current);
    items.insert(items.begin() + value, this);
    Changed(true);
}

void TCollectionItem::Changed(bool allItems)
{
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(allItems ? nullptr : this);
}

TCollection::TCollection(TItemFactory factory) : FFactory(std::move(factory)) {}

TCollection::~TCollection()
{
    FUpdateCount = 1;  // no updates while tearing down
    while (!FItems.empty())
        delete FItems.back();
}

TCollectionItem* TCollection::Add()
{
    if (!FFactory)
        throw EInvalidOperation("Collection has no item class");
    TCollectionItem* item = FFactory(this);
    if (item && item->Collection() != this)
        item->SetCollection(this);
    Changed();
    return item;
}

TCollectionItem* TCollection::Insert(int index)
{
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index)
{
    delete Items(index);
    Changed();
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    EndUpdate();
}

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    return FItems[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::FindItemID(int id) const
{
    for (TCollectionItem* item : FItems)
        if (item->ID() == id)
            return item;
    return nullptr;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TCollection::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    try {
        while (!FItems.empty())
            delete FItems.back();
        for (TCollectionItem* item : other->FItems)
            Add()->Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Update(TCollectionItem* item) { Fire(OnUpdate, this, item); }

void TCollection::InsertItem(TCollectionItem* item)
{
    FItems.push_back(item);
    item->FCollection = this;
    item->FID = FNextID++;
}

void TCollection::RemoveItem(TCollectionItem* item)
{
    RemoveFrom(FItems, item);
    item->FCollection = nullptr;
    Changed();
}

void TCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

// ---- TStream ----

std::int64_t TStream::Size()
{
    std::int64_t pos = Seek(0, soCurrent);
    std::int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::int64_t done = 0;
    char buffer[65536];
    while (done < count) {
        std::int64_t n = std::min<std::int64_t>(count - done, sizeof buffer);
        source.ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        done += n;
    }
    return done;
}

// ---- TMemoryStream ----

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || FPos >= static_cast<std::int64_t>(FData.size()))
        return 0;
    std::int64_t n = std::min<std::int64_t>(count, static_cast<std::int64_t>(FData.size()) - FPos);
    std::memcpy(buffer, FData.data() + FPos, static_cast<std::size_t>(n));
    FPos += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    std::size_t end = static_cast<std::size_t>(FPos + count);
    if (end > FData.size())
        FData.resize(end);
    std::memcpy(FData.data() + FPos, buffer, static_cast<std::size_t>(count));
    FPos += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPos : static_cast<std::int64_t>(FData.size());
    std::int64_t pos = base + offset;
    if (pos < 0)
        pos = 0;
    FPos = pos;
    return FPos;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    FData.resize(static_cast<std::size_t>(size < 0 ? 0 : size));
    if (FPos > size)
        FPos = size;
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPos = 0;
}

// ---- TStringList ----

int TStringList::Add(std::string s)
{
    FItems.push_back(std::move(s));
    return Count() - 1;
}

void TStringList::Insert(int index, std::string s)
{
    if (index < 0 || index > Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    FItems.insert(FItems.begin() + index, std::move(s));
}

void TStringList::Delete(int index)
{
    Strings(index);
    FItems.erase(FItems.begin() + index);
}

const std::string& TStringList::Strings(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    return FItems[static_cast<std::size_t>(index)];
}

void TStringList::SetStrings(int index, std::string s)
{
    Strings(index);
    FItems[static_cast<std::size_t>(index)] = std::move(s);
}

int TStringList::IndexOf(std::string_view s) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(FItems[static_cast<std::size_t>(i)], s))
            return i;
    return -1;
}

std::string TStringList::Names(int index) const
{
    const std::string& s = Strings(index);
    std::size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStringList::ValueFromIndex(int index) const
{
    const std::string& s = Strings(index);
    std::size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStringList::IndexOfName(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = FItems[static_cast<std::size_t>(i)];
        std::size_t p = s.find('=');
        if (p != std::string::npos && SameText(std::string_view(s).substr(0, p), name))
            return i;
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const
{
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValues(std::string_view name, std::string_view value)
{
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    std::string line = std::string(name) + "=" + std::string(value);
    if (i >= 0)
        FItems[static_cast<std::size_t>(i)] = std::move(line);
    else
        Add(std::move(line));
}

std::string TStringList::Text() const
{
    std::string r;
    for (const std::string& s : FItems) {
        r += s;
        r += "\r\n";
    }
    return r;
}

void TStringList::SetText(std::string_view text)
{
    FItems.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n')
            ++j;
        FItems.emplace_back(text.substr(i, j - i));
        if (j < text.size() && text[j] == '\r')
            ++j;
        if (j < text.size() && text[j] == '\n')
            ++j;
        i = j;
    }
}

std::string TStringList::CommaText() const
{
    std::string r;
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (i)
            r += ',';
        const std::string& s = FItems[i];
        bool quote = s.empty() || s.find_first_of(" ,\"") != std::string::npos;
        if (!quote) {
            r += s;
            continue;
        }
        r += '"';
        for (char c : s) {
            if (c == '"')
                r += '"';
            r += c;
        }
        r += '"';
    }
    return r;
}

void TStringList::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TStringList*>(&source)) {
        FItems = other->FItems;
        return;
    }
    TPersistent::Assign(source);
}

} // namespace skyloom
