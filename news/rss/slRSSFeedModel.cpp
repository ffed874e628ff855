// The feed model: value objects, collections, items, channel data and the component's own operations.
#include "slRSSFeed.h"

#include "DateUtils.h"
#include "slHTTPCore.h"
#include "slRSSText.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace skyloom {

using rsstext::TrimInPlace;

namespace {

std::uint32_t SaturatingAdd(std::uint32_t a, std::uint32_t b)
{
    return b > std::numeric_limits<std::uint32_t>::max() - a ? std::numeric_limits<std::uint32_t>::max() : a + b;
}

// The assignment from any persistent object that every class of the model offers: a source of the same class is
// copied by the class's own Assign, anything else goes to the base class's (which fails for an unrelated one).
template <typename TBase, typename T>
void AssignPersistent(T& Target, const TPersistent& Source)
{
    if (const auto* same = dynamic_cast<const T*>(&Source))
        Target.Assign(same);
    else
        Target.TBase::Assign(Source);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Value objects

void TslRSSFeedImage::Assign(const TslRSSFeedImage* Source) { *this = Source ? *Source : TslRSSFeedImage{}; }
void TslRSSFeedImage::Trim()
{
    TrimInPlace(URL);
    TrimInPlace(Title);
    TrimInPlace(Link);
    TrimInPlace(Description);
}

void TslRSSFeedCloud::Assign(const TslRSSFeedCloud* Source) { *this = Source ? *Source : TslRSSFeedCloud{}; }
void TslRSSFeedCloud::Trim()
{
    TrimInPlace(Domain);
    TrimInPlace(Path);
    TrimInPlace(RegisterProcedure);
    TrimInPlace(Protocol);
}

void TslRSSFeedTextInput::Assign(const TslRSSFeedTextInput* Source)
{
    *this = Source ? *Source : TslRSSFeedTextInput{};
}
void TslRSSFeedTextInput::Trim()
{
    TrimInPlace(Title);
    TrimInPlace(Description);
    TrimInPlace(Name);
    TrimInPlace(Link);
}

void TslRSSFeedItemCategory::Assign(const TslRSSFeedItemCategory* Source)
{
    *this = Source ? *Source : TslRSSFeedItemCategory{};
}
void TslRSSFeedItemCategory::Trim()
{
    TrimInPlace(Domain);
    TrimInPlace(Title);
}

void TslRSSFeedItemSource::Assign(const TslRSSFeedItemSource* Source)
{
    *this = Source ? *Source : TslRSSFeedItemSource{};
}
void TslRSSFeedItemSource::Trim()
{
    TrimInPlace(Title);
    TrimInPlace(URL);
}

void TslRSSFeedItemGuid::Assign(const TslRSSFeedItemGuid* Source) { *this = Source ? *Source : TslRSSFeedItemGuid{}; }
void TslRSSFeedItemGuid::Trim() { TrimInPlace(URL); }

// ---------------------------------------------------------------------------------------------------------------
// Collections

std::string TslRSSCollectionItem::DisplayName() const { return ClassName(); }


// ---------------------------------------------------------------------------------------------------------------
// Enclosures and items

void TslRSSFeedItemEnclosure::Assign(const TPersistent& Source)
{
    AssignPersistent<TslRSSCollectionItem>(*this, Source);
}

void TslRSSFeedItemEnclosure::Assign(const TslRSSFeedItemEnclosure* Source)
{
    if (Source == this)
        return;
    ContentType = Source ? Source->ContentType : std::string();
    ContentLength = Source ? Source->ContentLength : 0;
    URL = Source ? Source->URL : std::string();
}

void TslRSSFeedItemEnclosure::Trim()
{
    TrimInPlace(ContentType);
    TrimInPlace(URL);
}

std::string TslRSSFeedItemEnclosure::DisplayName() const
{
    if (URL.empty() && ContentLength == 0)
        return TslRSSCollectionItem::DisplayName();
    return rsstext::UrlFileName(URL) + " - " + std::to_string(ContentLength);
}

std::uint32_t TslRSSFeedItem::EnclosureSize() const
{
    std::uint32_t sum = 0;
    for (int i = 0; i < FEnclosure.Count(); ++i)
        sum = SaturatingAdd(sum, FEnclosure.Items(i).ContentLength);
    return sum;
}

void TslRSSFeedItem::Assign(const TPersistent& From) { AssignPersistent<TslRSSCollectionItem>(*this, From); }

void TslRSSFeedItem::Assign(const TslRSSFeedItem* From, bool SkipEnclosures)
{
    if (From == this)
        return;
    if (!From) {
        Title.clear();
        Link.clear();
        Description.clear();
        Author.clear();
        Comments.clear();
        Category.Assign(nullptr);
        Guid.Assign(nullptr);
        Source.Assign(nullptr);
        FEnclosure.Clear();
        PubDate = 0;
        return;
    }
    Title = From->Title;
    Link = From->Link;
    Description = From->Description;
    Author = From->Author;
    Category.Assign(&From->Category);
    Comments = From->Comments;
    if (!SkipEnclosures)
        FEnclosure.Assign(&From->FEnclosure);
    Guid.Assign(&From->Guid);
    PubDate = From->PubDate;
    Source.Assign(&From->Source);
}

void TslRSSFeedItem::TrimAll()
{
    TrimInPlace(Title);
    TrimInPlace(Link);
    TrimInPlace(Description);
    TrimInPlace(Author);
    Category.Trim();
    TrimInPlace(Comments);
    for (int i = 0; i < FEnclosure.Count(); ++i)
        FEnclosure.Items(i).Trim();
    Guid.Trim();
    Source.Trim();
}

std::string TslRSSFeedItem::DisplayName() const
{
    if (PubDate == 0 && Title.empty())
        return TslRSSCollectionItem::DisplayName();
    return rsstext::FormatDateTime(PubDate) + " - " + Title;
}

// ---------------------------------------------------------------------------------------------------------------
// Channel data

TslRSSFeedElements::TslRSSFeedElements(TslRSSFeed* Owner) : TslPersistent(Owner), FFeed(Owner) {}

void TslRSSFeedElements::Assign(const TPersistent& Source) { AssignPersistent<TslPersistent>(*this, Source); }

void TslRSSFeedElements::Assign(const TslRSSFeedElements* Source)
{
    if (Source == this)
        return;
    static const TslRSSFeedElements empty(nullptr);
    const TslRSSFeedElements& s = Source ? *Source : empty;
    Title = s.Title;
    Description = s.Description;
    Link = s.Link;
    Language = s.Language;
    Copyright = s.Copyright;
    ManagingEditor = s.ManagingEditor;
    WebMaster = s.WebMaster;
    Generator = s.Generator;
    Docs = s.Docs;
    SkipHours = s.SkipHours;
    SkipDays = s.SkipDays;
    Image.Assign(&s.Image);
    TTL = s.TTL;
    Cloud.Assign(&s.Cloud);
    Category.Assign(&s.Category);
    TextInput.Assign(&s.TextInput);
    PubDate = s.PubDate;
    LastBuildDate = s.LastBuildDate;
}

void TslRSSFeedElements::TrimAll()
{
    for (std::string* s : {&Title, &Description, &Link, &Language, &Copyright, &ManagingEditor, &WebMaster,
                           &Generator, &Docs})
        TrimInPlace(*s);
    Image.Trim();
    Cloud.Trim();
    Category.Trim();
    TextInput.Trim();
}

// ---------------------------------------------------------------------------------------------------------------
// The feed

std::string TslRSSFeed::DefaultAgent()
{
    return "slRSSFeedReader (" + HTTPHostName(SL_PRODUCT_SITE) + ")";
}

TslRSSFeed::TslRSSFeed(TComponent* Owner)
    : TslComponent(Owner),
      FFeedElements(std::make_unique<TslRSSFeedElements>(this)),
      FFeedItems(std::make_unique<TslRSSFeedItemCollection>(this))
{
#ifdef _WIN32
    CreateTransfer();
#endif
}

// The transfer goes first, then the items, then the channel data (the reverse order of the members).
TslRSSFeed::~TslRSSFeed() = default;

std::uint32_t TslRSSFeed::EnclosureSize() const
{
    std::uint32_t sum = 0;
    for (int i = 0; i < FFeedItems->Count(); ++i)
        sum = SaturatingAdd(sum, FFeedItems->Items(i).EnclosureSize());
    return sum;
}

void TslRSSFeed::Clear()
{
    FeedCodePage.clear();
    FFeedElements->Assign(nullptr);
    FFeedItems->Clear();
}

void TslRSSFeed::TrimAll()
{
    TrimInPlace(FeedCodePage);
    FFeedElements->TrimAll();
    for (int i = 0; i < FFeedItems->Count(); ++i)
        FFeedItems->Items(i).TrimAll();
}

void TslRSSFeed::Assign(const TPersistent& Source) { AssignPersistent<TslComponent>(*this, Source); }

void TslRSSFeed::Assign(const TslRSSFeed* Source)
{
    if (Source == this)
        return;
    if (!Source) {
        Clear();
        KeepOutdatedItems = true;
        TrimStrings = false;
        FeedTime = 0;
#ifdef _WIN32
        AssignTransfer(nullptr);
#endif
        Tag = 0;
        return;
    }
    FeedCodePage = Source->FeedCodePage;
    FFeedElements->Assign(Source->FFeedElements.get());
    FFeedItems->Assign(Source->FFeedItems.get());
    KeepOutdatedItems = Source->KeepOutdatedItems;
    TrimStrings = Source->TrimStrings;
    FeedTime = Source->FeedTime;
#ifdef _WIN32
    AssignTransfer(Source);
#endif
    Tag = Source->Tag;
}

} // namespace skyloom
