// The name table: interning, the lookup index and the buckets the binary form stores.
#include "XmlNames.h"

#include <algorithm>

namespace skyloom {

TXmlNameTable::TXmlNameTable(int bucketCount)
    : FBucketCount(static_cast<std::uint32_t>(bucketCount > 0 ? bucketCount : 1))
{
    ResetIndex();
    FTextId = Intern("#text");
    FCDataId = Intern("#cdata-section");
    FCommentId = Intern("#comment");
    FDocumentId = Intern("#document");
    FXmlId = Intern("xml");
}

const std::string& TXmlNameTable::EmptyName() noexcept
{
    static const std::string empty;
    return empty;
}

std::int32_t TXmlNameTable::Intern(std::string_view name)
{
    if (name.empty())
        return -1;
    const std::uint32_t h = LookupHash(name);
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t i = SlotOf(h);; i = (i + 1) & mask) {
        const TSlot slot = FSlots[i];
        if (slot.IdPlus1 == 0)
            break;
        if (slot.Hash == h) {
            const std::string& known = FNames[static_cast<std::size_t>(slot.IdPlus1 - 1)];
            if (known.size() == name.size() && XmlSameBytes(known.data(), name.data(), name.size()))
                return slot.IdPlus1 - 1;
        }
    }
    return Add(name, h);
}

// Out of line: a name is new only once, and the lookup above then needs no saved registers.
SL_XML_NOINLINE std::int32_t TXmlNameTable::Add(std::string_view name, std::uint32_t lookupHash)
{
    const auto id = static_cast<std::int32_t>(FNames.size());
    FNames.emplace_back(name);
    FHashes.push_back(Hash(name));
    Index(id, lookupHash);
    return id;
}

void TXmlNameTable::ResetIndex()
{
    FSlots.assign(32, TSlot{0, 0});
    FSlotShift = 27;  // 32 slots
    for (TRecentName& r : FRecent)
        r = TRecentName{0, -1, 0, {}};
}

void TXmlNameTable::Index(std::int32_t id, std::uint32_t hash)
{
    if ((FNames.size() + 1) * 2 > FSlots.size())
        Grow();
    const std::size_t mask = FSlots.size() - 1;
    std::size_t i = SlotOf(hash);
    while (FSlots[i].IdPlus1 != 0)
        i = (i + 1) & mask;
    FSlots[i] = TSlot{hash, id + 1};
}

void TXmlNameTable::Grow()
{
    std::vector<TSlot> slots(FSlots.size() * 2, TSlot{0, 0});
    slots.swap(FSlots);
    --FSlotShift;
    const std::size_t mask = FSlots.size() - 1;
    for (const TSlot& slot : slots) {
        if (slot.IdPlus1 == 0)
            continue;
        std::size_t i = SlotOf(slot.Hash);
        while (FSlots[i].IdPlus1 != 0)
            i = (i + 1) & mask;
        FSlots[i] = slot;
    }
}

void TXmlNameTable::AssignNames(std::vector<std::string> names)
{
    // Like interning them in order, except that a repeated name keeps its own id (lookups find the first).
    FNames.clear();
    FHashes.clear();
    ResetIndex();
    FNames.reserve(names.size());
    for (std::string& n : names) {
        const auto id = static_cast<std::int32_t>(FNames.size());
        const std::uint32_t h = LookupHash(n);
        const bool indexed = !n.empty();
        FHashes.push_back(Hash(n));
        FNames.push_back(std::move(n));
        if (indexed)
            Index(id, h);
    }
}

std::vector<std::pair<std::uint32_t, TNameIndexArray>> TXmlNameTable::UsedBuckets() const
{
    std::vector<std::pair<std::uint32_t, std::int32_t>> order;
    order.reserve(FNames.size());
    for (std::size_t id = 0; id < FNames.size(); ++id) {
        if (!FNames[id].empty())
            order.emplace_back(FHashes[id] % FBucketCount, static_cast<std::int32_t>(id));
    }
    std::sort(order.begin(), order.end());
    std::vector<std::pair<std::uint32_t, TNameIndexArray>> used;
    for (const auto& [bucket, id] : order) {
        if (used.empty() || used.back().first != bucket)
            used.emplace_back(bucket, TNameIndexArray());
        used.back().second.push_back(id);
    }
    return used;
}

TXmlNameTable* XmlDefaultNames()
{
    // Created on first use and kept to the end of the process; nodes still alive then hold their own reference.
    static const TXmlPtr<TXmlNameTable> table(new TXmlNameTable(4096));
    return table.get();
}

TXmlNameTable* XmlNameTableOf(const TXmlPtr<IXmlNameTable>& names)
{
    return names ? static_cast<TXmlNameTable*>(names->ImplObject()) : XmlDefaultNames();
}

TXmlPtr<IXmlNameTable> NewXmlNameTable(int bucketCount)
{
    return PtrTo<IXmlNameTable>(new TXmlNameTable(bucketCount));
}

TXmlPtr<IXmlNameTable> XmlDefaultNameTable()
{
    return PtrTo<IXmlNameTable>(XmlDefaultNames());
}

} // namespace skyloom
