// Loading an RSS document into the feed.
#include "slRSSFeed.h"

#include "DateUtils.h"
#include "XmlLib.h"
#include "slRSSText.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace skyloom {

using namespace rsstext;

// What one read of a document found. Nothing of a feed changes until the whole document has been read.
struct TslRSSReadResult {
    enum class TOutcome { Loaded, ParseError, NotRSS };
    TslRSSReadResult() : Elements(nullptr), Bias(LocalTimeBias()) {}
    TOutcome Outcome = TOutcome::ParseError;
    std::string CodePage;
    std::string From;
    TDateTime FeedTime = 0;
    TslRSSFeedElements Elements;
    std::vector<std::unique_ptr<TslRSSFeedItem>> Items;
    int Bias;  // of the local time zone, asked once for all dates of the document
};

namespace {

using TItemPtr = std::unique_ptr<TslRSSFeedItem>;

using TReadResult = TslRSSReadResult;

std::string ChildText(IXmlNode& Node, const char* Name)
{
    const TXmlPtr<IXmlElement> child = Node.FirstChildElementNamed(Name);
    return child ? child->Text() : std::string();
}

// Each string of the list gets the child text of the name beside it.
void ReadChildTexts(IXmlNode& Node, std::initializer_list<std::pair<std::string*, const char*>> Fields)
{
    for (const auto& [field, name] : Fields)
        *field = ChildText(Node, name);
}

bool HasChildNodes(IXmlNode& Node) { return Node.ChildNodes()->Count() > 0; }

// The first "category" child, when there is one, replaces the category; otherwise it stays as it was.
void ReadCategory(IXmlNode& Node, TslRSSFeedItemCategory& Category)
{
    const TXmlPtr<IXmlElement> category = Node.FirstChildElementNamed("category");
    if (!category)
        return;
    Category.Title = category->Text();
    Category.Domain = category->AttrText("domain", "");
}

void ReadChannel(IXmlElement& Channel, TslRSSFeedElements& Elements, int Bias)
{
    ReadChildTexts(Channel, {{&Elements.Title, "title"},
                             {&Elements.Link, "link"},
                             {&Elements.Description, "description"},
                             {&Elements.Language, "language"},
                             {&Elements.Copyright, "copyright"},
                             {&Elements.ManagingEditor, "managingEditor"},
                             {&Elements.WebMaster, "webMaster"}});
    Elements.PubDate = FeedDateToDateTime(ChildText(Channel, "pubDate"), Bias);
    Elements.LastBuildDate = FeedDateToDateTime(ChildText(Channel, "lastBuildDate"), Bias);
    ReadCategory(Channel, Elements.Category);
    Elements.Generator = ChildText(Channel, "generator");
    Elements.Docs = ChildText(Channel, "docs");

    if (const TXmlPtr<IXmlElement> cloud = Channel.FirstChildElementNamed("cloud")) {
        Elements.Cloud.Domain = cloud->AttrText("domain", "");
        Elements.Cloud.Port = static_cast<std::uint16_t>(FeedIntDef(cloud->AttrText("port", ""), 0));
        Elements.Cloud.Path = cloud->AttrText("path", "");
        Elements.Cloud.RegisterProcedure = cloud->AttrText("registerProcedure", "");
        Elements.Cloud.Protocol = cloud->AttrText("protocol", "");
    }

    Elements.TTL = static_cast<std::uint32_t>(FeedIntDef(ChildText(Channel, "ttl"), 0));

    const TXmlPtr<IXmlElement> image = Channel.FirstChildElementNamed("image");
    if (image && HasChildNodes(*image)) {
        TslRSSFeedImage& i = Elements.Image;
        ReadChildTexts(*image,
                       {{&i.URL, "url"}, {&i.Title, "title"}, {&i.Link, "link"}, {&i.Description, "description"}});
        Elements.Image.Width = static_cast<std::uint16_t>(FeedIntDef(ChildText(*image, "width"), 0));
        Elements.Image.Height = static_cast<std::uint16_t>(FeedIntDef(ChildText(*image, "height"), 0));
    }

    const TXmlPtr<IXmlElement> textInput = Channel.FirstChildElementNamed("textInput");
    if (textInput && HasChildNodes(*textInput)) {
        TslRSSFeedTextInput& t = Elements.TextInput;
        ReadChildTexts(*textInput,
                       {{&t.Title, "title"}, {&t.Description, "description"}, {&t.Name, "name"}, {&t.Link, "link"}});
    }

    Elements.SkipHours.Clear();
    const TXmlPtr<IXmlElement> skipHours = Channel.FirstChildElementNamed("skipHours");
    if (skipHours && HasChildNodes(*skipHours)) {
        const TXmlPtr<IXmlNodeList> hours = skipHours->ChildElementsNamed("hour");
        for (int i = 0; i < hours->Count(); ++i) {
            const std::int32_t hour = FeedIntDef(hours->Item(i)->Text(), -1);
            if (hour >= 0 && hour <= 23)
                Elements.SkipHours.Include(static_cast<TslRSSFeedSkipHours>(hour));
        }
    }

    Elements.SkipDays.Clear();
    const TXmlPtr<IXmlElement> skipDays = Channel.FirstChildElementNamed("skipDays");
    if (skipDays && HasChildNodes(*skipDays)) {
        static constexpr std::string_view names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};
        const TXmlPtr<IXmlNodeList> days = skipDays->ChildElementsNamed("day");
        for (int i = 0; i < days->Count(); ++i) {
            std::string day = LowerCase(days->Item(i)->Text());
            if (day.size() > 5)
                day[0] = UpperChar(day[0]);
            for (std::size_t d = 0; d < std::size(names); ++d) {
                if (day == names[d])
                    Elements.SkipDays.Include(static_cast<TslRSSFeedSkipDays>(d));
            }
        }
    }
}

TItemPtr ReadItem(IXmlNode& Node, int Bias)
{
    auto item = std::make_unique<TslRSSFeedItem>();
    ReadChildTexts(Node, {{&item->Title, "title"},
                          {&item->Link, "link"},
                          {&item->Description, "description"},
                          {&item->Author, "author"}});
    ReadCategory(Node, item->Category);
    item->Comments = ChildText(Node, "comments");
    item->PubDate = FeedDateToDateTime(ChildText(Node, "pubDate"), Bias);

    if (const TXmlPtr<IXmlElement> guid = Node.FirstChildElementNamed("guid")) {
        item->Guid.URL = guid->Text();
        item->Guid.IsPermaLink = LowerCase(guid->AttrText("isPermaLink", "")) == "true";
    }
    if (const TXmlPtr<IXmlElement> source = Node.FirstChildElementNamed("source")) {
        item->Source.Title = source->Text();
        item->Source.URL = source->AttrText("url", "");
    }
    // No download queue can be attached in this program, so enclosures are only recorded, never offered.
    const TXmlPtr<IXmlNodeList> enclosures = Node.ChildElementsNamed("enclosure");
    for (int i = 0; i < std::min(enclosures->Count(), MaxItemEnclosures); ++i) {
        const TXmlPtr<IXmlNode> node = enclosures->Item(i);
        TslRSSFeedItemEnclosure& enclosure = item->Enclosure().Add();
        enclosure.URL = node->AttrText("url", "");
        enclosure.ContentLength = ParseByteSize(node->AttrText("length", ""));
        enclosure.ContentType = node->AttrText("type", "");
    }
    return item;
}

void ReadFeed(IXmlElement& Root, TReadResult& Result)
{
    Result.From = Root.AttrText("from", "");
    Result.FeedTime = FeedDateToDateTime(Root.AttrText("time", ""), Result.Bias);

    const TXmlPtr<IXmlElement> channel = Root.FirstChildElementNamed("channel");
    if (!channel || !HasChildNodes(*channel))
        return;
    ReadChannel(*channel, Result.Elements, Result.Bias);
    const TXmlPtr<IXmlNodeList> items = channel->ChildElementsNamed("item");
    const int count = std::min(items->Count(), MaxFeedItems);
    Result.Items.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        Result.Items.push_back(ReadItem(*items->Item(i), Result.Bias));
}

// How an item names itself: its guid, else its link, else its title (blanks around them do not count, so a
// list that was trimmed after an earlier load still matches the untrimmed text of the next one).
std::string Identity(const TslRSSFeedItem& Item)
{
    std::string key(1, 'g');
    key += Trim(Item.Guid.URL);
    if (key.size() == 1) {
        key.assign(1, 'l');
        key += Trim(Item.Link);
    }
    if (key.size() == 1) {
        key.assign(1, 't');
        key += Trim(Item.Title);
    }
    return key;
}

// A newly read item is one already listed when both dates agree to the millisecond and the item names itself
// the same way. The date alone is not enough: it would fold distinct items published in the same second, and
// every item without a date, into one entry and lose the others.
bool SameItem(const TslRSSFeedItem& Listed, const TslRSSFeedItem& Fresh, const std::string& FreshIdentity)
{
    return std::fabs(Listed.PubDate - Fresh.PubDate) < 1.0 / 86400000.0 && Identity(Listed) == FreshIdentity;
}

} // namespace

std::shared_ptr<TslRSSReadResult> TslRSSFeed::ReadString(const std::string& Text)
{
    using TOutcome = TslRSSReadResult::TOutcome;
    auto read = std::make_shared<TslRSSReadResult>();
    TReadResult& result = *read;
    TOutcome& outcome = result.Outcome;
    {
        const TXmlPtr<IXmlDocument> document = NewXmlDocument("", "1.0", "iso-8859-1");
        // Every failure of the XML reader, of the checks and of reading counts; the messages are of no use to
        // anyone here, the events say what happened.
        try {
            document->LoadFromString(Text);
            const TXmlPtr<IXmlElement> root = document->DocumentElement();
            if (root && root->NodeName() != "rss") {
                outcome = TOutcome::NotRSS;
            } else if (root) {
                const TXmlPtr<IXmlNodeList> children = document->ChildNodes();
                if (children->Count() > 0) {
                    const TXmlPtr<IXmlNode> first = children->Item(0);
                    if (first->NodeName() == "xml")
                        result.CodePage = first->AttrText("encoding", "");
                }
                ReadFeed(*root, result);
                outcome = TOutcome::Loaded;
            }
        } catch (...) {
            outcome = TOutcome::ParseError;
        }
    }
    return read;
}

bool TslRSSFeed::LoadFromString(const std::string& Text)
{
    return LoadRead(*ReadString(Text));
}

bool TslRSSFeed::LoadRead(TslRSSReadResult& Read)
{
    using TOutcome = TslRSSReadResult::TOutcome;
    const TOutcome outcome = Read.Outcome;
    TReadResult& result = Read;
    if (outcome != TOutcome::Loaded) {
        if (outcome == TOutcome::NotRSS) {
            if (OnRSSNotRSSError)
                OnRSSNotRSSError(*this);
        } else if (OnRSSParseError) {
            OnRSSParseError(*this);
        }
        if (OnRSSLoadError)
            OnRSSLoadError(*this);
        return false;
    }

    const bool keep = KeepOutdatedItems && !FeedItems().IsEmpty();
    TslRSSFeedItemCollection& items = FeedItems();
    FeedCodePage = std::move(result.CodePage);
    FeedElements().Assign(&result.Elements);
#ifdef _WIN32
    if (!result.From.empty())
        HTTPTransfer().URL = result.From;
#endif
    FeedTime = result.FeedTime;
    if (!keep) {
        items.Clear();
        for (TItemPtr& item : result.Items)
            items.InsertItem(std::move(item), items.Count());
    } else {
        // New items go to the top in feed order; known ones take the new fields but keep their enclosures.
        int insertAt = 0;
        for (TItemPtr& fresh : result.Items) {
            const std::string identity = Identity(*fresh);
            TslRSSFeedItem* listed = nullptr;
            for (int i = 0; i < items.Count() && !listed; ++i) {
                if (SameItem(items[i], *fresh, identity))
                    listed = &items[i];
            }
            if (listed)
                listed->Assign(fresh.get(), true);
            else
                items.InsertItem(std::move(fresh), insertAt++);
        }
    }

    if (TrimStrings)
        TrimAll();
    if (OnRSSLoaded)
        OnRSSLoaded(*this);
    return true;
}

namespace {

// Reaches the stream buffer's own virtual members. Its public members are compiled into the standard library, and
// calling any of them would carry the whole stream and locale library into every program that has a feed; a
// virtual call through the buffer's table needs nothing from it.
struct TStreamBufferAccess : std::streambuf {
    static bool Rewind(std::streambuf& buffer)
    {
        const auto seek = &TStreamBufferAccess::seekpos;
        return (buffer.*seek)(std::streampos(0), std::ios::in) != std::streampos(std::streamoff(-1));
    }

    static void ReadRest(std::streambuf& buffer, std::string& out)
    {
        const auto get = &TStreamBufferAccess::xsgetn;
        char chunk[16384];
        for (;;) {
            const std::streamsize got = (buffer.*get)(chunk, static_cast<std::streamsize>(sizeof chunk));
            if (got <= 0)
                break;
            out.append(chunk, static_cast<std::size_t>(got));
        }
    }
};

} // namespace

bool TslRSSFeed::LoadFromStream(TStream& Stream, bool FromStart)
{
    if (FromStart)
        Stream.SetPosition(0);
    const std::int64_t left = Stream.Size() - Stream.Position();
    std::string text;
    text.reserve(static_cast<std::size_t>(left > 0 ? left : 0));
    char chunk[16384];
    for (std::int64_t got; (got = Stream.Read(chunk, static_cast<std::int64_t>(sizeof chunk))) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    return LoadFromString(text);
}

bool TslRSSFeed::LoadFromStream(std::istream& Stream, bool FromStart)
{
    std::streambuf* buffer = Stream.rdbuf();
    bool readable = buffer != nullptr && (FromStart || !Stream.fail());
    if (readable && FromStart)
        readable = TStreamBufferAccess::Rewind(*buffer);
    std::string text;
    if (readable)
        TStreamBufferAccess::ReadRest(*buffer, text);
    return LoadFromString(text);
}

} // namespace skyloom
