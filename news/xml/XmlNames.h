// The name table: every element and attribute name of a document interned once, with the ids the nodes keep.
// Internal to the library.
#pragma once

#include "XmlBase.h"
#include "XmlLib.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skyloom {

using TNameIndexArray = std::vector<std::int32_t>;

class TXmlNameTable final : public TXmlCounted<IXmlNameTable> {
public:
    explicit TXmlNameTable(int bucketCount);

    std::int32_t IdOf(const std::string& name) override { return Intern(name); }
    std::string NameOf(std::int32_t id) override { return Name(id); }

    std::int32_t Intern(std::string_view name);
    const std::string& Name(std::int32_t id) const noexcept
    {
        return id >= 0 && static_cast<std::size_t>(id) < FNames.size() ? FNames[static_cast<std::size_t>(id)]
                                                                         : EmptyName();
    }
    static std::uint32_t Hash(std::string_view name) noexcept
    {
        std::uint32_t h = 0;
        for (unsigned char b : name)
            h = h * 33 + b;
        return h;
    }
    // The hash of the lookup index: words instead of bytes, so that looking up the names of a document costs
    // little more than reading them. The hash of the buckets above is only needed for new names.
    static std::uint32_t LookupHash(std::string_view name) noexcept
    {
        const char* p = name.data();
        std::size_t n = name.size();
        std::uint64_t h = static_cast<std::uint64_t>(n) * 0x9E3779B97F4A7C15ull;
        std::uint64_t w = 0;
        if (n >= 8) {
            for (; n > 8; p += 8, n -= 8) {
                std::memcpy(&w, p, 8);
                h = (h ^ w) * 0xC2B2AE3D27D4EB4Full;
            }
            std::memcpy(&w, p + n - 8, 8);  // the last 8 bytes, overlapping the words before
        } else if (n >= 4) {
            std::uint32_t a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            w = (static_cast<std::uint64_t>(a) << 32) | b;
        } else if (n > 0) {
            w = static_cast<unsigned char>(p[0]) | (static_cast<unsigned>(static_cast<unsigned char>(p[n / 2])) << 8) |
                (static_cast<unsigned>(static_cast<unsigned char>(p[n - 1])) << 16);
        }
        h = (h ^ w) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<std::uint32_t>(h >> 32);
    }
    // A small cache of names read lately, keyed by the first four bytes at the place where a name begins (with
    // whatever follows a shorter name). Each entry holds its name's bytes, so that a reader checks them against the
    // input without going through the table; a stale or colliding entry only costs the full lookup. Emptied when
    // the names are replaced.
    struct TRecentName {
        static constexpr std::size_t kMaxLength = 23;
        std::uint32_t Key;
        std::int32_t Id;  // -1 for none
        std::uint8_t Length;
        char Bytes[kMaxLength];
    };
    static constexpr int kRecentBits = 8;
    const TRecentName& RecentName(std::uint32_t key) const noexcept { return FRecent[RecentSlot(key)]; }
    // Remembers a name that began with the key's bytes; longer names are not kept.
    void NoteRecentName(std::uint32_t key, std::int32_t id, std::string_view name) noexcept
    {
        if (name.size() > TRecentName::kMaxLength)
            return;
        TRecentName& r = FRecent[RecentSlot(key)];
        r.Key = key;
        r.Id = id;
        r.Length = static_cast<std::uint8_t>(name.size());
        std::memcpy(r.Bytes, name.data(), name.size());
    }

    // Replaces every name; the index is rebuilt from them.
    void AssignNames(std::vector<std::string> names);

    const std::vector<std::string>& Names() const noexcept { return FNames; }
    std::uint32_t BucketCount() const noexcept { return FBucketCount; }
    // The non-empty buckets in increasing index order, each with its ids in insertion order.
    std::vector<std::pair<std::uint32_t, TNameIndexArray>> UsedBuckets() const;

    std::int32_t FTextId = -1;
    std::int32_t FCDataId = -1;
    std::int32_t FCommentId = -1;
    std::int32_t FDocumentId = -1;
    std::int32_t FXmlId = -1;

private:
    static const std::string& EmptyName() noexcept;

    std::int32_t Add(std::string_view name, std::uint32_t lookupHash);
    // Empties the index and gives it its first size.
    void ResetIndex();
    void Index(std::int32_t id, std::uint32_t hash);
    void Grow();
    static std::size_t RecentSlot(std::uint32_t key) noexcept { return (key * 0x9E3779B1u) >> (32 - kRecentBits); }
    std::size_t SlotOf(std::uint32_t hash) const noexcept { return (hash * 0x9E3779B1u) >> FSlotShift; }

    // The buckets are those of the hash modulo the bucket count; ids enter a bucket in insertion order, so they
    // follow from the names alone. Lookups use an open-addressing index over the full hash instead, which
    // needs no per-bucket arrays and keeps a new table cheap.
    std::vector<std::string> FNames;
    std::vector<std::uint32_t> FHashes;  // Hash of each name, for the buckets
    std::uint32_t FBucketCount;
    struct TSlot {
        std::uint32_t Hash;  // LookupHash
        std::int32_t IdPlus1;  // 0 for a free slot
    };
    std::vector<TSlot> FSlots;  // the size is a power of two, 2 to the power of (32 - FSlotShift)
    int FSlotShift = 0;
    TRecentName FRecent[1 << kRecentBits];

};

TXmlNameTable* XmlDefaultNames();
TXmlNameTable* XmlNameTableOf(const TXmlPtr<IXmlNameTable>& names);

} // namespace skyloom
