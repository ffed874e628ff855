// Base classes of the component library: components with a host, login records, owned object lists,
// persistent sub-objects, collection items and text styles. Portable; the window hooks, message windows,
// savers and file stream are in slClasses_win.h.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skyloom {

// A component of the library: it knows a host component (its owner at construction).
class TslComponent : public TComponent {
public:
    explicit TslComponent(TComponent* owner);
    TComponent* Host() const { return FHost; }
    // Replaces the host reference if it differs.
    virtual void SetHost(TComponent* value);
    // The host if it is a form, otherwise nullptr.
    virtual TForm* HostForm();
    virtual void ChangeHost(TComponent* value) { SetHost(value); }
    // Messages of a message window that belongs to this component (TslSimpleMessageHook) arrive here;
    // leaving Result at 0 lets the window's default handling answer. The default does nothing.
    virtual void MessageHandler(TMessage& message);

protected:
    void Notification(TComponent* component, TOperation operation) override;
    TComponent* FHost = nullptr;
};

// A component with a user name and a password, stored together as the "LInfo" record.
class TslLoginComponent : public TslComponent {
public:
    explicit TslLoginComponent(TComponent* owner);
    std::string UserName;
    std::string Password;

    // The stored form: one count byte N (both lengths plus one, modulo 256), then N bytes made of the user
    // name's length byte, the user name and the password, each combined by exclusive-or with N and LInfoKey.
    static constexpr std::uint8_t LInfoKey = 0xA7;
    // Whether a stored form writes "LInfo" (either string non-empty).
    bool HasLInfo() const { return !UserName.empty() || !Password.empty(); }
    // Raises EInvalidOperation "Login information too long" when the two strings do not fit the record
    // (more than 254 bytes together), instead of writing a record that reads back as something else.
    std::string LInfo() const;
    // Reads a record; one that is malformed (short, or with a name longer than the record) clears both.
    void SetLInfo(std::string_view record);
};

// A list without duplicates and without null entries: Add answers -1 for those.
class TslUniqueList : public TList {
public:
    int Add(void* item) override;
};

enum TslListAction { laAdded, laRemoved };

// A unique list of objects with an optional maximum count, optional ownership and change events. The events
// are not raised while the application is being destroyed.
class TslObjectList : public TslUniqueList {
public:
    explicit TslObjectList(bool ownsObjects = false) : OwnsObjects(ownsObjects) {}
    ~TslObjectList() override;
    int Add(void* item) override;
    int AddObject(TObject* item) { return Add(item); }
    TObject* Objects(int index) const { return static_cast<TObject*>(Items(index)); }
    // 0: no limit. When an add exceeds it, the oldest items are deleted until the count fits.
    int MaxCount() const { return FMaxCount; }
    void SetMaxCount(int value);
    // Deleted items are freed when set.
    bool OwnsObjects = false;
    std::function<void(TObject* sender, TObject* item)> OnItemAdded;
    std::function<void(TObject* sender, TObject* item)> OnItemRemoved;
    std::function<void(TObject* sender, TObject* item, TslListAction action)> OnChange;

protected:
    void Notify(void* item, TListNotification action) override;

private:
    void Trim();
    int FMaxCount = 0;
};

// A sub-object that belongs to a component.
class TslPersistent : public TPersistent {
public:
    explicit TslPersistent(TComponent* owner) : FOwner(owner) {}
    TComponent* Owner() const { return FOwner; }

protected:
    TComponent* FOwner;
};

class TslAddon : public TslPersistent {
public:
    explicit TslAddon(TComponent* owner) : TslPersistent(owner) {}
    bool Enabled = true;
    void Assign(const TPersistent& source) override;
};

class TslCollectionItem : public TCollectionItem {
public:
    explicit TslCollectionItem(TCollection* collection) : TCollectionItem(collection) {}
};

// A collection item with a free data field for its user.
class TslCollectionDataItem : public TslCollectionItem {
public:
    explicit TslCollectionDataItem(TCollection* collection) : TslCollectionItem(collection) {}
    void* Data = nullptr;
    void Assign(const TPersistent& source) override;
};

class TslNameValueCollectionItem : public TslCollectionItem {
public:
    explicit TslNameValueCollectionItem(TCollection* collection) : TslCollectionItem(collection) {}
    std::string Name;
    std::string Value;
    void Assign(const TPersistent& source) override;
};

// Two 32-bit values with hooks around assignment.
class TslListObject : public TPersistent {
public:
    std::int32_t Value1 = 0;
    std::int32_t Value2 = 0;
    std::function<void(TslListObject* sender, const TslListObject& source)> OnBeforeAssign;
    std::function<void(TslListObject* sender)> OnAfterAssign;
    void Assign(const TPersistent& source) override;
};

// The markup characters of rich text; any change repaints the owning control (through OnChange).
class TslTextStyle : public TObject {
public:
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool value) { if (UpdateField(FPlainText, value)) Changed(); }
    char TagOpen() const { return FTagOpen; }
    void SetTagOpen(char value) { if (UpdateField(FTagOpen, value)) Changed(); }
    char TagClose() const { return FTagClose; }
    void SetTagClose(char value) { if (UpdateField(FTagClose, value)) Changed(); }
    void Assign(const TslTextStyle& source);
    TNotifyEvent OnChange;

private:
    void Changed() { Fire(OnChange, this); }
    bool FPlainText = false;
    char FTagOpen = '[';
    char FTagClose = ']';
};

} // namespace skyloom
