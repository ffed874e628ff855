// The RSS feed component: the channel's data, the news items and the load that fills them from feed text.
//
// Every string holds the feed's bytes exactly as loaded; nothing here converts character sets. Dates are
// date-times (days since 30 December 1899, the fraction being the time of day) in local time.
#pragma once

#include "DateUtils.h"
#include "slClasses.h"

// The feed's own HTTP transfer runs over the system's Internet library, so only the Windows build has it. The
// native build (parser tests, fuzzers, benchmarks) has a feed without a transfer: no transfer settings, no
// HTTP events, and the "from" address of a document is read but has nowhere to go.
#ifdef _WIN32
#include "slHTTP.h"
#endif

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyloom {

// ---------------------------------------------------------------------------------------------------------------
// Small readers the load relies on. They never throw; unreadable input gives the documented default.

// An RFC 822 date as used in feeds (with some tolerance), converted to local time with the current bias
// (LocalTimeBias of DateUtils.h, which tests can pin); 0 when empty or unreadable.
TDateTime FeedDateToDateTime(const std::string& Text);
// The signed offset of a numeric zone suffix ("+0200", "-0530", also "+05:30") as a fraction of a day; 0 otherwise.
double ZoneOffsetToDays(const std::string& Text);
// A byte count such as "1,234", "10KB", "1.5M" or "2 GB". Negative counts give 0; counts beyond 32 bits give
// 4294967295 rather than wrapping round to a small number.
std::uint32_t ParseByteSize(const std::string& Text);

// ---------------------------------------------------------------------------------------------------------------
// Sets of skip hours and days.

enum class TslRSSFeedSkipHours : std::uint8_t {
    h00, h01, h02, h03, h04, h05, h06, h07, h08, h09, h10, h11,
    h12, h13, h14, h15, h16, h17, h18, h19, h20, h21, h22, h23
};
enum class TslRSSFeedSkipDays : std::uint8_t { Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday };

// A set of enumeration members stored as bits (member n is bit n).
template <typename TMember, typename TBits>
class TslRSSSet {
public:
    constexpr TslRSSSet() = default;
    static constexpr TslRSSSet FromBits(TBits Bits) { TslRSSSet s; s.FBits = Bits; return s; }

    void Include(TMember m) { FBits = static_cast<TBits>(FBits | Bit(m)); }
    void Exclude(TMember m) { FBits = static_cast<TBits>(FBits & ~Bit(m)); }
    bool Contains(TMember m) const { return (FBits & Bit(m)) != 0; }
    bool IsEmpty() const { return FBits == 0; }
    void Clear() { FBits = 0; }
    TBits Bits() const { return FBits; }
    friend bool operator==(const TslRSSSet&, const TslRSSSet&) = default;

private:
    static constexpr TBits Bit(TMember m) { return static_cast<TBits>(TBits{1} << static_cast<unsigned>(m)); }
    TBits FBits = 0;
};

using TslRSSFeedSkipHoursSet = TslRSSSet<TslRSSFeedSkipHours, std::uint32_t>;
using TslRSSFeedSkipDaysSet = TslRSSSet<TslRSSFeedSkipDays, std::uint8_t>;

// ---------------------------------------------------------------------------------------------------------------
// Value objects. Assign(nullptr) resets every field; Assign(&other) copies every field.

struct TslRSSFeedImage {
    std::string URL;
    std::string Title;
    std::string Link;
    std::string Description;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;

    void Assign(const TslRSSFeedImage* Source);
    void Trim();
    friend bool operator==(const TslRSSFeedImage&, const TslRSSFeedImage&) = default;
};

struct TslRSSFeedCloud {
    std::string Domain;
    std::uint16_t Port = 0;
    std::string Path;
    std::string RegisterProcedure;
    std::string Protocol;

    void Assign(const TslRSSFeedCloud* Source);
    void Trim();
    friend bool operator==(const TslRSSFeedCloud&, const TslRSSFeedCloud&) = default;
};

struct TslRSSFeedTextInput {
    std::string Title;
    std::string Description;
    std::string Name;
    std::string Link;

    void Assign(const TslRSSFeedTextInput* Source);
    void Trim();
    friend bool operator==(const TslRSSFeedTextInput&, const TslRSSFeedTextInput&) = default;
};

struct TslRSSFeedItemCategory {
    std::string Domain;
    std::string Title;

    void Assign(const TslRSSFeedItemCategory* Source);
    void Trim();
    friend bool operator==(const TslRSSFeedItemCategory&, const TslRSSFeedItemCategory&) = default;
};

struct TslRSSFeedItemSource {
    std::string Title;
    std::string URL;

    void Assign(const TslRSSFeedItemSource* Source);
    void Trim();
    friend bool operator==(const TslRSSFeedItemSource&, const TslRSSFeedItemSource&) = default;
};

struct TslRSSFeedItemGuid {
    bool IsPermaLink = false;
    std::string URL;

    void Assign(const TslRSSFeedItemGuid* Source);
    void Trim();
    friend bool operator==(const TslRSSFeedItemGuid&, const TslRSSFeedItemGuid&) = default;
};

// ---------------------------------------------------------------------------------------------------------------
// Collections that own their items: the library's collections of data items, with typed access. An item knows the
// collection it is in (none for a standalone item).

class TslRSSCollectionItem : public TslCollectionDataItem {
public:
    // The name collection editors show.
    virtual std::string DisplayName() const;

protected:
    explicit TslRSSCollectionItem(TCollection* Collection) : TslCollectionDataItem(Collection) {}
    virtual std::string ClassName() const = 0;
};

template <typename TItem, typename TOwner>
class TslRSSOwnedCollection : public TCollection {
public:
    explicit TslRSSOwnedCollection(TOwner* Owner)
        : TCollection([](TCollection* c) -> TCollectionItem* { return new TItem(c); }), FOwner(Owner)
    {
        TCollection::Owner = Owner;
    }

    TOwner* Owner() const { return FOwner; }
    bool IsEmpty() const { return Count() == 0; }
    int IndexOf(const TItem* Item) const { return Item && Item->Collection() == this ? Item->Index() : -1; }
    // The item at Index (std::out_of_range when there is none).
    TItem& Items(int Index) const
    {
        CheckIndex(Index, Count() - 1);
        return static_cast<TItem&>(*TCollection::Items(Index));
    }
    TItem& operator[](int Index) const { return Items(Index); }
    TItem& Add() { return static_cast<TItem&>(*TCollection::Add()); }
    using TCollection::Assign;
    // nullptr empties the collection; another collection's items are copied into new items of this one.
    void Assign(const TslRSSOwnedCollection* Source)
    {
        if (Source == this)
            return;
        Clear();
        for (int i = 0; Source && i < Source->Count(); ++i)
            Add().Assign(&Source->Items(i));
    }
    // A new item at Index, 0 .. Count (std::out_of_range otherwise).
    TItem& Insert(int Index)
    {
        CheckIndex(Index, Count());
        TItem& item = Add();
        if (Index < Count() - 1)
            item.SetIndex(Index);
        return item;
    }
    // Takes over a standalone item and puts it at Index.
    TItem& InsertItem(std::unique_ptr<TItem> Item, int Index)
    {
        CheckIndex(Index, Count());
        TItem* item = Item.release();
        item->SetCollection(this);
        if (Index < Count() - 1)
            item->SetIndex(Index);
        return *item;
    }
    // Removes the item at Index (std::out_of_range when there is none).
    void Delete(int Index)
    {
        CheckIndex(Index, Count() - 1);
        TCollection::Delete(Index);
    }

private:
    static void CheckIndex(int Index, int Last)
    {
        if (Index < 0 || Index > Last)
            throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    }

    TOwner* FOwner;
};

class TslRSSFeed;
class TslRSSFeedItem;
class TslRSSFeedItemEnclosure;

class TslRSSFeedItemEnclosureCollection : public TslRSSOwnedCollection<TslRSSFeedItemEnclosure, TslRSSFeedItem> {
public:
    using TslRSSOwnedCollection::TslRSSOwnedCollection;
};

class TslRSSFeedItemCollection : public TslRSSOwnedCollection<TslRSSFeedItem, TslRSSFeed> {
public:
    using TslRSSOwnedCollection::TslRSSOwnedCollection;
};

class TslRSSFeedItemEnclosure : public TslRSSCollectionItem {
public:
    std::string ContentType;
    std::uint32_t ContentLength = 0;
    std::string URL;

    explicit TslRSSFeedItemEnclosure(TCollection* Collection = nullptr) : TslRSSCollectionItem(Collection) {}
    void Assign(const TPersistent& Source) override;
    void Assign(const TslRSSFeedItemEnclosure* Source);
    void Trim();
    // "file.mp3 - 12345" when the enclosure has a URL or a length, else the default name.
    std::string DisplayName() const override;

protected:
    std::string ClassName() const override { return "TslRSSFeedItemEnclosure"; }
};

// One news item.
class TslRSSFeedItem : public TslRSSCollectionItem {
public:
    std::string Title;
    std::string Link;
    std::string Description;
    std::string Author;
    std::string Comments;
    TDateTime PubDate = 0;  // local time; 0 when absent or unreadable
    TslRSSFeedItemCategory Category;
    TslRSSFeedItemGuid Guid;
    TslRSSFeedItemSource Source;

    explicit TslRSSFeedItem(TCollection* Collection = nullptr) : TslRSSCollectionItem(Collection), FEnclosure(this) {}

    TslRSSFeedItemEnclosureCollection& Enclosure() { return FEnclosure; }
    const TslRSSFeedItemEnclosureCollection& Enclosure() const { return FEnclosure; }
    // Sum of the enclosures' lengths; 4294967295 when the sum does not fit.
    std::uint32_t EnclosureSize() const;

    void Assign(const TPersistent& From) override;
    // nullptr resets the item; SkipEnclosures leaves this item's own enclosures as they are.
    void Assign(const TslRSSFeedItem* From, bool SkipEnclosures = false);
    void TrimAll();
    // "<date and time> - <title>" when the item has a date or a title, else the default name.
    std::string DisplayName() const override;

protected:
    std::string ClassName() const override { return "TslRSSFeedItem"; }

private:
    TslRSSFeedItemEnclosureCollection FEnclosure;
};

// The channel's own data, a sub-object of the feed.
class TslRSSFeedElements : public TslPersistent {
public:
    std::string Title;
    std::string Description;
    std::string Link;
    std::string Language;
    std::string Copyright;
    std::string ManagingEditor;
    std::string WebMaster;
    std::string Generator;
    std::string Docs;
    TslRSSFeedSkipHoursSet SkipHours;
    TslRSSFeedSkipDaysSet SkipDays;
    TslRSSFeedImage Image;
    std::uint32_t TTL = 0;
    TslRSSFeedCloud Cloud;
    TslRSSFeedItemCategory Category;
    TslRSSFeedTextInput TextInput;
    TDateTime PubDate = 0;
    TDateTime LastBuildDate = 0;

    explicit TslRSSFeedElements(TslRSSFeed* Owner);

    TslRSSFeed* Owner() const { return FFeed; }
    void Assign(const TPersistent& Source) override;
    void Assign(const TslRSSFeedElements* Source);
    void TrimAll();

private:
    TslRSSFeed* FFeed;
};

// ---------------------------------------------------------------------------------------------------------------
// The feed component.

// One RSS document read apart from any feed; TslRSSFeed::ReadString makes it, TslRSSFeed::LoadRead takes it.
struct TslRSSReadResult;

// What one document may bring at the most; the rest is not read. A feed lists its latest few dozen items, but a
// small body of empty elements would otherwise become millions of items, each far larger than its text.
inline constexpr int MaxFeedItems = 10000;
inline constexpr int MaxItemEnclosures = 100;

// The component: owned by its form (or by nobody, for a feed used on its own), with a loaded step.
class TslRSSFeed : public TslComponent {
public:
    using TNotifyEvent = std::function<void(TslRSSFeed& Sender)>;
    using TslRSSEnclosureCanEnqueueEvent =
        std::function<void(TslRSSFeed& Sender, TslRSSFeedItemEnclosure& Enclosure, bool& Enqueue)>;
    using TslRSSEnclosureQueuedEvent = std::function<void(TslRSSFeed& Sender, TslRSSFeedItemEnclosure& Enclosure)>;
    using TslRSSEnclosureContentLengthUpdatedEvent = std::function<void(
        TslRSSFeed& Sender, TslRSSFeedItemEnclosure& Enclosure, std::int32_t RealContentLength)>;

    // The agent string the feed's transfer identifies itself with.
    static std::string DefaultAgent();

    explicit TslRSSFeed(TComponent* Owner = nullptr);
    ~TslRSSFeed() override;

    // The encoding named in the feed's XML declaration, as written there; empty when there is none.
    std::string FeedCodePage;
    // Merge newly loaded items into the list instead of replacing it.
    bool KeepOutdatedItems = false;
    // Trim every string after a successful load.
    bool TrimStrings = false;
    // From the root element's "time" attribute; the current local time after a transfer of the feed's own.
    TDateTime FeedTime = 0;
    bool RemoveOrphanedDownloads = true;

    TslRSSFeedElements& FeedElements() { return *FFeedElements; }
    const TslRSSFeedElements& FeedElements() const { return *FFeedElements; }
    TslRSSFeedItemCollection& FeedItems() { return *FFeedItems; }
    const TslRSSFeedItemCollection& FeedItems() const { return *FFeedItems; }
    // Sum of EnclosureSize over all items; 4294967295 when the sum does not fit.
    std::uint32_t EnclosureSize() const;

#ifdef _WIN32
    // The feed's own transfer and its republished settings. Nothing in this program starts it: the main window
    // fetches the feed itself.
    TslHTTPPragmaNoCache& HTTPTransfer() { return *FHTTP; }
    const TslHTTPPragmaNoCache& HTTPTransfer() const { return *FHTTP; }
    TThreadPriority ThreadPriority() const { return FHTTP->ThreadPriority; }
    void SetThreadPriority(TThreadPriority Value) { FHTTP->ThreadPriority = Value; }
    const std::string& HTTPAgent() const { return FHTTP->Agent; }
    void SetHTTPAgent(const std::string& Value) { FHTTP->Agent = Value; }
    TslHTTPProxy& HTTPProxy() { return FHTTP->Proxy; }
    const TslHTTPProxy& HTTPProxy() const { return FHTTP->Proxy; }
    void SetHTTPProxy(const TslHTTPProxy& Value) { FHTTP->Proxy.Assign(&Value); }
    const std::string& HTTPUsername() const { return FHTTP->HTTPUsername(); }
    void SetHTTPUsername(const std::string& Value) { FHTTP->SetHTTPUsername(Value); }
    const std::string& HTTPPassword() const { return FHTTP->HTTPPassword(); }
    void SetHTTPPassword(const std::string& Value) { FHTTP->SetHTTPPassword(Value); }
    std::int32_t HTTPTransferBufferSize() const { return FHTTP->TransferBufferSize(); }
    // Sizes below 255 raise std::out_of_range.
    void SetHTTPTransferBufferSize(std::int32_t Value) { FHTTP->SetTransferBufferSize(Value); }
    bool WaitThread() const { return FHTTP->WaitThread; }
    void SetWaitThread(bool Value) { FHTTP->WaitThread = Value; }
    std::int32_t WaitTimeout() const { return static_cast<std::int32_t>(FHTTP->WaitTimeout); }
    void SetWaitTimeout(std::int32_t Value) { FHTTP->WaitTimeout = static_cast<std::uint32_t>(Value); }
#endif

    // Events. Sender is always this feed.
    TNotifyEvent OnRSSLoaded;
    TNotifyEvent OnRSSLoadError;
    TNotifyEvent OnRSSParseError;
    TNotifyEvent OnRSSNotRSSError;
    TslRSSEnclosureCanEnqueueEvent OnRSSEnclosureCanEnqueue;
    TslRSSEnclosureQueuedEvent OnRSSEnclosureQueued;
    TslRSSEnclosureQueuedEvent OnRSSEnclosureAlreadyDownloaded;
    TslRSSEnclosureContentLengthUpdatedEvent OnRSSEnclosureContentLengthUpdated;
#ifdef _WIN32
    // Forwarded from the feed's transfer with this feed as Sender; answers go back to the transfer.
    TslHTTPHeaderInfoEvent OnHTTPHeaderInfo;
    TslHTTPConnLostEvent OnHTTPConnLost;
    TslHTTPErrorEvent OnHTTPError;
    TslHTTPPasswordRequestEvent OnHTTPPasswordRequest;
    TslHTTPProxyAuthenticationEvent OnHTTPProxyAuthenticationRequest;
    TslHTTPProgressEvent OnHTTPProgress;
    TNotifyEvent OnHTTPHostUnreachable;
    TslThreadWaitTimeoutExpired OnWaitTimeoutExpired;
#endif

    // Empties the code page, the channel data and the item list.
    void Clear();
    // Trims the code page and every string of the channel and of every item.
    void TrimAll();
    // nullptr resets the feed (and turns KeepOutdatedItems on); a feed copies everything from that feed.
    void Assign(const TslRSSFeed* Source);
    void Assign(const TPersistent& Source) override;

    // Reads an RSS document. True when the text was RSS and was read. On failure the previous contents stay and
    // OnRSSParseError or OnRSSNotRSSError is raised, then OnRSSLoadError; on success OnRSSLoaded.
    bool LoadFromString(const std::string& Text);
    // LoadFromString in two steps, so that the reading (the slow part) can run on another thread than the one
    // that owns the feed: ReadString touches no feed; LoadRead then changes this feed and raises its events
    // exactly as LoadFromString does, taking over the items of Read.
    static std::shared_ptr<TslRSSReadResult> ReadString(const std::string& Text);
    bool LoadRead(TslRSSReadResult& Read);
    // Reads the stream from its current position (from position 0 when FromStart) to its end and loads that.
    bool LoadFromStream(std::istream& Stream, bool FromStart);
    bool LoadFromStream(TStream& Stream, bool FromStart);

private:
    std::unique_ptr<TslRSSFeedElements> FFeedElements;
    std::unique_ptr<TslRSSFeedItemCollection> FFeedItems;
#ifdef _WIN32
    // Created with the feed, registered for the transfer's events; freed first.
    void CreateTransfer();
    void AssignTransfer(const TslRSSFeed* Source);
    void TransferDone(TStream* Stream);

    std::unique_ptr<TslHTTPPragmaNoCache> FHTTP;
#endif
};

} // namespace skyloom
