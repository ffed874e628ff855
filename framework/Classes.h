// Root classes: objects, persistent objects, components with owners and a loaded step, lists, collections,
// streams, string lists and the common event types. Portable.
#pragma once

#include "Owned.h"
#include "SysUtils.h"
#include "Types.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skyloom {

class TObject;
class TComponent;
class TForm;
class TWinControl;

// Events: the sender first, answers through references. An empty std::function is an unassigned event.
using TNotifyEvent = std::function<void(TObject* sender)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, unsigned short& key, TShiftState shift)>;

// The mouse events that controls and the tray icon both raise. Each raiser passes coordinates of its own: a
// control those of its client area, the tray icon those of the screen.
struct TMouseEvents {
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
};
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

// True while the application object is being torn down (lists then stop raising their change events).
bool ApplicationDestroying();
void SetApplicationDestroying(bool value);

// Calls an event if it is assigned.
template <typename Event, typename... Args>
void Fire(const Event& event, Args&&... args)
{
    if (event)
        event(std::forward<Args>(args)...);
}

// Stores a property's new value in its field; true when it differed, so that a setter repaints, recreates its window
// or notifies only on a real change.
template <typename Field, typename Value>
bool UpdateField(Field& field, Value&& value)
{
    if (field == value)
        return false;
    field = std::forward<Value>(value);
    return true;
}

// The position of item in list, or -1 when it is not there.
template <typename List, typename Item>
int IndexIn(const List& list, const Item& item)
{
    auto it = std::find(list.begin(), list.end(), item);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

// Removes the first occurrence of item from list; false when it was not there.
template <typename List, typename Item>
bool RemoveFrom(List& list, const Item& item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

// Objects have identity: they are made, owned and freed, never copied.
class TObject : TNonCopyable {
public:
    virtual ~TObject() = default;
};

class TPersistent : public TObject {
public:
    // Copies the state of source; the default asks source to AssignTo this and raises
    // EConvertError "Cannot assign" when neither side knows the other.
    virtual void Assign(const TPersistent& source);

protected:
    virtual void AssignTo(TPersistent& dest) const;
};

// Copies the given fields (pointers to members) from source to target, in their order.
template <typename T, typename... Members>
void CopyFields(T& target, const T& source, Members... members)
{
    ((target.*members = source.*members), ...);
}

// The member-wise Assign of a persistent class: when source is a T, copies the given fields from it and answers true;
// anything else goes to Base's Assign, which raises for an unrelated class, and answers false.
template <typename Base, typename T, typename... Members>
bool AssignFields(T& target, const TPersistent& source, Members... members)
{
    const auto* other = dynamic_cast<const T*>(&source);
    if (!other) {
        target.Base::Assign(source);
        return false;
    }
    CopyFields(target, *other, members...);
    return true;
}

enum TComponentStateFlag : unsigned {
    csLoading = 1,      // design settings are being applied; Loaded() has not run yet
    csDestroying = 2,   // the destructor has started
    csDesigning = 4,    // the component is being designed, not run
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

// A component has an owner that frees it. Owned components are freed by the owner in reverse creation order,
// each once; deleting an owned component yourself removes it from its owner first.
//
// Loading: a form (or any root) calls BeginLoading() before it creates its design, so every component it creates
// meanwhile starts in csLoading; FinishLoading() then runs Loaded() once for the root and then for each of those
// components in creation order.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    std::string Name;
    std::intptr_t Tag = 0;

    TComponent* Owner() const { return FOwner; }
    const std::vector<TComponent*>& Components() const { return FComponents; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* FindComponent(std::string_view name) const;
    // Position among the owner's components, -1 without owner.
    int ComponentIndex() const;

    TComponentState ComponentState() const { return FComponentState; }
    bool Loading() const { return (FComponentState & csLoading) != 0; }
    bool Designing() const { return (FComponentState & csDesigning) != 0; }
    bool Destroying() const { return (FComponentState & csDestroying) != 0; }
    // Marks this component (and the ones it owns) as being designed; savers and loaded steps skip their work.
    void SetDesigning(bool value);

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component now, newest first.
    void DestroyComponents();

    // Asks other to tell this component (through Notification(other, opRemove)) when it is freed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    void BeginLoading();
    void FinishLoading();

    // The form this component is, or nullptr.
    virtual TForm* AsForm() { return nullptr; }
    // The windowed control this component is, or nullptr.
    virtual TWinControl* AsWinControl() { return nullptr; }

protected:
    // Runs once after all design settings are applied; overrides call the base first.
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);
    // Called by FinishLoading after all loaded steps ran (a form fires OnCreate here).
    virtual void AfterLoading() {}
    void SetDestroying();

private:
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState = 0;
    bool FLoadingRoot = false;
    bool FLoadedRun = false;
};

// Creates a component of a design: owned by owner (which frees it) and named.
template <typename T>
T* NewComponent(TComponent* owner, const char* name)
{
    T* component = new T(owner);
    component->Name = name;
    return component;
}

// For Notification: each of refs that points at component becomes nullptr when component is being removed.
template <typename... Refs>
void ForgetRemoved(TComponent* component, TOperation operation, Refs*&... refs)
{
    if (operation == opRemove)
        ((refs = refs == component ? nullptr : refs), ...);
}

// Points reference at value and moves receiver's free notification from the component it pointed at to value, so
// that receiver hears when the component it points at is freed. False (and nothing done) when it already pointed
// at value.
template <typename T>
bool SetNotifiedReference(T*& reference, T* value, TComponent* receiver)
{
    if (reference == value)
        return false;
    if (reference)
        reference->RemoveFreeNotification(receiver);
    reference = value;
    if (value)
        value->FreeNotification(receiver);
    return true;
}

// A list of untyped pointers, the base of the library's lists.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
public:
    ~TList() override;
    virtual int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    int Remove(void* item);
    void* Extract(void* item);
    int IndexOf(const void* item) const;
    void Clear();
    void Move(int from, int to);
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError "List index out of bounds (%d)" for a bad index.
    void* Items(int index) const;
    void SetItem(int index, void* item);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }

protected:
    virtual void Notify(void* item, TListNotification action);
    void CheckIndex(int index) const;

private:
    std::vector<void*> FItems;
};

class TCollection;

// An item of a collection; the collection owns its items.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return FCollection; }
    void SetCollection(TCollection* value);
    int Index() const;
    void SetIndex(int value);
    int ID() const { return FID; }

protected:
    // Tells the collection that this item changed (allItems = false) or that all did.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent {
public:
    using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
    // factory makes a new item of the collection's item class (the item adds itself).
    explicit TCollection(TItemFactory factory = nullptr);
    ~TCollection() override;
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem* Items(int index) const;
    TCollectionItem* FindItemID(int id) const;
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    void Assign(const TPersistent& source) override;
    // The component or object this collection belongs to (may be nullptr).
    TPersistent* Owner = nullptr;
    // Raised after items were added, removed or changed (item = nullptr: many).
    std::function<void(TCollection* sender, TCollectionItem* item)> OnUpdate;

protected:
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void Changed();
    TItemFactory FFactory;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
};

// A collection of items of one class T (T's constructor takes the collection).
template <typename T>
class TCollectionOf : public TCollection {
public:
    TCollectionOf() : TCollection([](TCollection* c) -> TCollectionItem* { return new T(c); }) {}
    T* Add() { return static_cast<T*>(TCollection::Add()); }
    T* Insert(int index) { return static_cast<T*>(TCollection::Insert(index)); }
    T* Items(int index) const { return static_cast<T*>(TCollection::Items(index)); }
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t size) = 0;
    std::int64_t Size();
    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, soBeginning); }
    // Raise EReadError "Stream read error" / EWriteError "Stream write error" when short.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    std::int64_t CopyFrom(TStream& source, std::int64_t count);  // count 0: the whole source
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    const std::string& DataString() const { return FData; }
    void Clear();

private:
    std::string FData;
    std::int64_t FPos = 0;
};

// Lines of text with name=value access.
class TStringList : public TPersistent {
public:
    int Add(std::string s);
    void Insert(int index, std::string s);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int index) const;
    void SetStrings(int index, std::string s);
    const std::string& operator[](int index) const { return Strings(index); }
    int IndexOf(std::string_view s) const;  // case-insensitive, like the platform's lists
    int IndexOfName(std::string_view name) const;
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    std::string Values(std::string_view name) const;
    void SetValues(std::string_view name, std::string_view value);  // empty value deletes the line
    // Lines joined with CR LF after each; SetText splits at CR, LF or CR LF.
    std::string Text() const;
    void SetText(std::string_view text);
    std::string CommaText() const;
    void Assign(const TPersistent& source) override;
    std::vector<std::string>& Items() { return FItems; }
    const std::vector<std::string>& Items() const { return FItems; }

private:
    std::vector<std::string> FItems;
};

} // namespace skyloom
