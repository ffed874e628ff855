#include "slClasses.h"

#include <algorithm>

namespace skyloom {

// ---- TslComponent ----

TslComponent::TslComponent(TComponent* owner) : TComponent(owner), FHost(owner) {}

void TslComponent::SetHost(TComponent* value)
{
    if (FHost == value)
        return;
    if (FHost && FHost != Owner())
        FHost->RemoveFreeNotification(this);
    FHost = value;
    // The owner frees us before itself; any other host must tell us when it goes.
    if (FHost && FHost != Owner())
        FHost->FreeNotification(this);
}

TForm* TslComponent::HostForm() { return FHost ? FHost->AsForm() : nullptr; }

void TslComponent::MessageHandler(TMessage& message) { (void)message; }

void TslComponent::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FHost && component != Owner())
        FHost = nullptr;
}

// ---- TslLoginComponent ----

TslLoginComponent::TslLoginComponent(TComponent* owner) : TslComponent(owner) {}

std::string TslLoginComponent::LInfo() const
{
    if (!HasLInfo())
        return std::string();
    std::size_t total = UserName.size() + Password.size() + 1;
    if (total > 255)
        throw EInvalidOperation("Login information too long");
    const auto n = static_cast<std::uint8_t>(total);
    const auto mask = static_cast<std::uint8_t>(n ^ LInfoKey);
    std::string out;
    out.reserve(total + 1);
    out += static_cast<char>(n);
    out += static_cast<char>(static_cast<std::uint8_t>(UserName.size()) ^ mask);
    for (char c : UserName)
        out += static_cast<char>(static_cast<std::uint8_t>(c) ^ mask);
    for (char c : Password)
        out += static_cast<char>(static_cast<std::uint8_t>(c) ^ mask);
    return out;
}

void TslLoginComponent::SetLInfo(std::string_view record)
{
    UserName.clear();
    Password.clear();
    if (record.empty())
        return;
    const auto n = static_cast<std::uint8_t>(record[0]);
    if (n == 0 || record.size() < static_cast<std::size_t>(n) + 1)
        return;
    const auto mask = static_cast<std::uint8_t>(n ^ LInfoKey);
    auto byte = [&](std::size_t i) { return static_cast<char>(static_cast<std::uint8_t>(record[i]) ^ mask); };
    const std::size_t nameLen = static_cast<std::uint8_t>(byte(1));
    if (nameLen > static_cast<std::size_t>(n) - 1)
        return;
    for (std::size_t i = 0; i < nameLen; ++i)
        UserName += byte(2 + i);
    for (std::size_t i = 2 + nameLen; i <= n; ++i)
        Password += byte(i);
}

// ---- TslUniqueList / TslObjectList ----

int TslUniqueList::Add(void* item)
{
    if (!item || IndexOf(item) >= 0)
        return -1;
    return TList::Add(item);
}

TslObjectList::~TslObjectList()
{
    // Free owned items without telling anyone: the list itself is going.
    OnItemAdded = nullptr;
    OnItemRemoved = nullptr;
    OnChange = nullptr;
    Clear();
}

int TslObjectList::Add(void* item)
{
    int index = TslUniqueList::Add(item);
    if (index >= 0 && FMaxCount > 0 && Count() > FMaxCount) {
        Trim();
        index = IndexOf(item);
    }
    return index;
}

void TslObjectList::SetMaxCount(int value)
{
    FMaxCount = value < 0 ? 0 : value;
    Trim();
}

void TslObjectList::Trim()
{
    while (FMaxCount > 0 && Count() > FMaxCount)
        Delete(0);
}

void TslObjectList::Notify(void* item, TListNotification action)
{
    auto* object = static_cast<TObject*>(item);
    if (!ApplicationDestroying()) {
        if (action == lnAdded) {
            Fire(OnItemAdded, this, object);
            Fire(OnChange, this, object, laAdded);
        } else {
            Fire(OnItemRemoved, this, object);
            Fire(OnChange, this, object, laRemoved);
        }
    }
    if (action == lnDeleted && OwnsObjects)
        delete object;
}

// ---- persistent helpers ----

void TslAddon::Assign(const TPersistent& source) { AssignFields<TslPersistent>(*this, source, &TslAddon::Enabled); }

void TslCollectionDataItem::Assign(const TPersistent& source)
{
    AssignFields<TslCollectionItem>(*this, source, &TslCollectionDataItem::Data);
}

void TslNameValueCollectionItem::Assign(const TPersistent& source)
{
    using T = TslNameValueCollectionItem;
    if (AssignFields<TslCollectionItem>(*this, source, &T::Name, &T::Value))
        Changed(false);
}

void TslListObject::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TslListObject*>(&source)) {
        Fire(OnBeforeAssign, this, *other);
        Value1 = other->Value1;
        Value2 = other->Value2;
        Fire(OnAfterAssign, this);
        return;
    }
    TPersistent::Assign(source);
}

void TslTextStyle::Assign(const TslTextStyle& source)
{
    if (&source == this)
        return;
    bool changed = FPlainText != source.FPlainText || FTagOpen != source.FTagOpen || FTagClose != source.FTagClose;
    FPlainText = source.FPlainText;
    FTagOpen = source.FTagOpen;
    FTagClose = source.FTagClose;
    if (changed)
        Changed();
}

} // namespace skyloom
