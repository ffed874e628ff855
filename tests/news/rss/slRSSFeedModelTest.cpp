// The feed model: defaults, assign, trim, display names and collections. The feed's own transfer is tested under
// Wine (slRSSFeedTransferTest.cpp): only the Windows build has one.
#include "SysUtils.h"
#include "slRSSFeed.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace skyloom {
namespace {

const std::string Padded = " \t\r\n x \x01 ";

TslRSSFeedItem& AddItem(TslRSSFeed& Feed, const std::string& Title, double PubDate = 0)
{
    TslRSSFeedItem& item = Feed.FeedItems().Add();
    item.Title = Title;
    item.PubDate = PubDate;
    return item;
}

void FillEverything(TslRSSFeed& Feed)
{
    Feed.FeedCodePage = "UTF-8";
    TslRSSFeedElements& e = Feed.FeedElements();
    e.Title = "t";
    e.Description = "d";
    e.Link = "l";
    e.Language = "en";
    e.Copyright = "c";
    e.ManagingEditor = "m";
    e.WebMaster = "w";
    e.Generator = "g";
    e.Docs = "docs";
    e.SkipHours.Include(TslRSSFeedSkipHours::h23);
    e.SkipDays.Include(TslRSSFeedSkipDays::Sunday);
    e.Image = {"iu", "it", "il", "id", 88, 31};
    e.TTL = 60;
    e.Cloud = {"cd", 80, "/rpc", "notify", "xml-rpc"};
    e.Category = {"dom", "cat"};
    e.TextInput = {"tt", "td", "tn", "tl"};
    e.PubDate = 37506;
    e.LastBuildDate = 37507;
    TslRSSFeedItem& item = AddItem(Feed, "A", 37506.5);
    item.Link = "http://x/a";
    item.Description = "<b>x</b>";
    item.Author = "me";
    item.Comments = "http://x/c";
    item.Category = {"d", "c"};
    item.Guid = {true, "http://x/a"};
    item.Source = {"src", "http://x/rss"};
    TslRSSFeedItemEnclosure& enclosure = item.Enclosure().Add();
    enclosure.URL = "http://x/a.mp3";
    enclosure.ContentLength = 1000;
    enclosure.ContentType = "audio/mpeg";
    AddItem(Feed, "B");
    Feed.KeepOutdatedItems = true;
    Feed.TrimStrings = true;
    Feed.FeedTime = 40000;
    Feed.Tag = 7;
}

TEST(TslRSSFeed, StartsEmptyWithItsPublishedDefaults)
{
    TslRSSFeed feed;
    EXPECT_EQ(feed.FeedCodePage, "");
    EXPECT_EQ(feed.FeedItems().Count(), 0);
    EXPECT_EQ(feed.FeedItems().Owner(), &feed);
    EXPECT_EQ(feed.FeedElements().Owner(), &feed);
    EXPECT_FALSE(feed.KeepOutdatedItems);
    EXPECT_FALSE(feed.TrimStrings);
    EXPECT_TRUE(feed.RemoveOrphanedDownloads);
    EXPECT_EQ(feed.FeedTime, 0.0);
    EXPECT_EQ(feed.EnclosureSize(), 0u);
    const TslRSSFeedElements& e = feed.FeedElements();
    EXPECT_EQ(e.Title, "");
    EXPECT_TRUE(e.SkipHours.IsEmpty());
    EXPECT_TRUE(e.SkipDays.IsEmpty());
    EXPECT_EQ(e.TTL, 0u);
    EXPECT_EQ(e.Image, TslRSSFeedImage{});
    EXPECT_EQ(e.PubDate, 0.0);
}

TEST(TslRSSFeed, AssignFromNoneResetsAndTurnsKeepingOn)
{
    TslRSSFeed feed;
    FillEverything(feed);
    feed.KeepOutdatedItems = false;
    feed.Assign(nullptr);
    EXPECT_EQ(feed.FeedCodePage, "");
    EXPECT_EQ(feed.FeedItems().Count(), 0);
    EXPECT_TRUE(feed.KeepOutdatedItems) << "assign from none turns keeping on, unlike construction";
    EXPECT_FALSE(feed.TrimStrings);
    EXPECT_EQ(feed.FeedTime, 0.0);
    EXPECT_EQ(feed.Tag, 0);
    const TslRSSFeedElements& e = feed.FeedElements();
    for (const std::string* s : {&e.Title, &e.Description, &e.Link, &e.Language, &e.Copyright, &e.ManagingEditor,
                                 &e.WebMaster, &e.Generator, &e.Docs})
        EXPECT_EQ(*s, "");
    EXPECT_TRUE(e.SkipHours.IsEmpty());
    EXPECT_TRUE(e.SkipDays.IsEmpty());
    EXPECT_EQ(e.Image, TslRSSFeedImage{});
    EXPECT_EQ(e.Cloud, TslRSSFeedCloud{});
    EXPECT_EQ(e.Category, TslRSSFeedItemCategory{});
    EXPECT_EQ(e.TextInput, TslRSSFeedTextInput{});
    EXPECT_EQ(e.TTL, 0u);
    EXPECT_EQ(e.PubDate, 0.0);
    EXPECT_EQ(e.LastBuildDate, 0.0);
}

TEST(TslRSSFeed, AssignFromAnotherFeedCopiesEverythingIntoItsOwnObjects)
{
    TslRSSFeed source;
    FillEverything(source);
    TslRSSFeed copy;
    AddItem(copy, "old");
    copy.Assign(&source);

    EXPECT_EQ(copy.FeedCodePage, "UTF-8");
    EXPECT_TRUE(copy.KeepOutdatedItems);
    EXPECT_TRUE(copy.TrimStrings);
    EXPECT_EQ(copy.FeedTime, 40000.0);
    EXPECT_EQ(copy.Tag, 7);

    const TslRSSFeedElements& e = copy.FeedElements();
    EXPECT_EQ(e.Title, "t");
    EXPECT_EQ(e.Docs, "docs");
    EXPECT_TRUE(e.SkipHours.Contains(TslRSSFeedSkipHours::h23));
    EXPECT_TRUE(e.SkipDays.Contains(TslRSSFeedSkipDays::Sunday));
    EXPECT_EQ(e.Image, source.FeedElements().Image);
    EXPECT_EQ(e.Cloud, source.FeedElements().Cloud);
    EXPECT_EQ(e.TextInput, source.FeedElements().TextInput);
    EXPECT_EQ(e.Category, source.FeedElements().Category);
    EXPECT_EQ(e.LastBuildDate, 37507.0);
    EXPECT_EQ(e.Owner(), &copy) << "the channel data stays the copy's own";

    ASSERT_EQ(copy.FeedItems().Count(), 2) << "the old item was replaced";
    const TslRSSFeedItem& a = copy.FeedItems()[0];
    EXPECT_EQ(a.Title, "A");
    EXPECT_EQ(a.Description, "<b>x</b>");
    EXPECT_EQ(a.Author, "me");
    EXPECT_EQ(a.Comments, "http://x/c");
    EXPECT_EQ(a.Guid, source.FeedItems()[0].Guid);
    EXPECT_EQ(a.Source, source.FeedItems()[0].Source);
    EXPECT_EQ(a.Category, source.FeedItems()[0].Category);
    EXPECT_EQ(a.PubDate, 37506.5);
    ASSERT_EQ(a.Enclosure().Count(), 1);
    EXPECT_EQ(a.Enclosure()[0].URL, "http://x/a.mp3");
    EXPECT_EQ(a.Enclosure()[0].ContentType, "audio/mpeg");
    EXPECT_EQ(a.Enclosure()[0].ContentLength, 1000u);
    EXPECT_EQ(copy.FeedItems()[1].Title, "B");

    // The copies are independent of the source.
    source.FeedItems()[0].Title = "changed";
    source.FeedItems()[0].Enclosure()[0].URL = "changed";
    EXPECT_EQ(copy.FeedItems()[0].Title, "A");
    EXPECT_EQ(copy.FeedItems()[0].Enclosure()[0].URL, "http://x/a.mp3");
    EXPECT_EQ(&copy.FeedItems()[0].Enclosure().Owner()->Enclosure(), &copy.FeedItems()[0].Enclosure());
}

TEST(TslRSSFeed, AssignFromItselfChangesNothing)
{
    TslRSSFeed feed;
    FillEverything(feed);
    feed.Assign(&feed);
    EXPECT_EQ(feed.FeedItems().Count(), 2);
    EXPECT_EQ(feed.FeedElements().Title, "t");
    EXPECT_EQ(feed.FeedItems()[0].Enclosure().Count(), 1);
}

TEST(TslRSSFeed, ClearEmptiesTheContentsButKeepsTheSettings)
{
    TslRSSFeed feed;
    FillEverything(feed);
    feed.Clear();
    EXPECT_EQ(feed.FeedCodePage, "");
    EXPECT_EQ(feed.FeedElements().Title, "");
    EXPECT_EQ(feed.FeedElements().Image, TslRSSFeedImage{});
    EXPECT_TRUE(feed.FeedElements().SkipHours.IsEmpty());
    EXPECT_EQ(feed.FeedItems().Count(), 0);
    EXPECT_TRUE(feed.KeepOutdatedItems);
    EXPECT_TRUE(feed.TrimStrings);
}

TEST(TslRSSFeed, TrimAllTrimsEveryStringOfTheModel)
{
    TslRSSFeed feed;
    FillEverything(feed);
    TslRSSFeedElements& e = feed.FeedElements();
    TslRSSFeedItem& item = feed.FeedItems()[0];
    TslRSSFeedItemEnclosure& enclosure = item.Enclosure()[0];
    std::vector<std::string*> strings = {
        &feed.FeedCodePage, &e.Title, &e.Description, &e.Link, &e.Language, &e.Copyright, &e.ManagingEditor,
        &e.WebMaster, &e.Generator, &e.Docs, &e.Image.URL, &e.Image.Title, &e.Image.Link, &e.Image.Description,
        &e.Cloud.Domain, &e.Cloud.Path, &e.Cloud.RegisterProcedure, &e.Cloud.Protocol, &e.Category.Domain,
        &e.Category.Title, &e.TextInput.Title, &e.TextInput.Description, &e.TextInput.Name, &e.TextInput.Link,
        &item.Title, &item.Link, &item.Description, &item.Author, &item.Category.Domain, &item.Category.Title,
        &item.Comments, &enclosure.ContentType, &enclosure.URL, &item.Guid.URL, &item.Source.Title,
        &item.Source.URL, &feed.FeedItems()[1].Title};
    for (std::string* s : strings)
        *s = Padded;
    feed.TrimAll();
    for (std::size_t i = 0; i < strings.size(); ++i)
        EXPECT_EQ(*strings[i], "x") << "string number " << i << " of the list was not trimmed";

    // Inner blanks and bytes above 32 stay.
    item.Title = "\x7f a  b \xa0";
    feed.TrimAll();
    EXPECT_EQ(item.Title, "\x7f a  b \xa0");
}

TEST(TslRSSFeedItem, EnclosureSizeSumsTheLengthsWithoutWrapping)
{
    TslRSSFeedItem item;
    EXPECT_EQ(item.EnclosureSize(), 0u) << "no enclosures";
    item.Enclosure().Add().ContentLength = 1000;
    item.Enclosure().Add().ContentLength = 24;
    EXPECT_EQ(item.EnclosureSize(), 1024u);
    item.Enclosure().Add().ContentLength = 4294967000u;
    EXPECT_EQ(item.EnclosureSize(), 4294967295u) << "a sum beyond 32 bits is as large as can be said";

    TslRSSFeed feed;
    feed.FeedItems().Add().Enclosure().Add().ContentLength = 5;
    feed.FeedItems().Add();
    feed.FeedItems().Add().Enclosure().Add().ContentLength = 7;
    EXPECT_EQ(feed.EnclosureSize(), 12u);
    feed.FeedItems().Add().Enclosure().Add().ContentLength = 4294967295u;
    EXPECT_EQ(feed.EnclosureSize(), 4294967295u);
}

TEST(TslRSSFeedItem, AssignCanLeaveTheEnclosuresAlone)
{
    TslRSSFeedItem source;
    source.Title = "new";
    source.PubDate = 2;
    source.Enclosure().Add().URL = "http://x/new.mp3";
    TslRSSFeedItem target;
    target.Title = "old";
    target.Enclosure().Add().URL = "http://x/old.mp3";
    target.Enclosure().Add().URL = "http://x/old2.mp3";

    target.Assign(&source, true);
    EXPECT_EQ(target.Title, "new");
    EXPECT_EQ(target.PubDate, 2.0);
    ASSERT_EQ(target.Enclosure().Count(), 2) << "the enclosures were to stay";
    EXPECT_EQ(target.Enclosure()[0].URL, "http://x/old.mp3");

    target.Assign(&source);
    ASSERT_EQ(target.Enclosure().Count(), 1);
    EXPECT_EQ(target.Enclosure()[0].URL, "http://x/new.mp3");

    target.Assign(nullptr);
    EXPECT_EQ(target.Title, "");
    EXPECT_EQ(target.PubDate, 0.0);
    EXPECT_EQ(target.Enclosure().Count(), 0);
    EXPECT_EQ(target.Guid, TslRSSFeedItemGuid{});
}

TEST(TslRSSFeedItem, DisplayNameShowsDateAndTitleOrTheDefaultName)
{
    struct NameCase {
        double PubDate;
        const char* Title;
        const char* Expected;
    };
    const NameCase cases[] = {
        {0, "", "TslRSSFeedItem"},
        {0, "News", "1899-12-30 00:00:00 - News"},
        {37506 + 0.5, "", "2002-09-07 12:00:00 - "},
        {37506 + (3600 + 2 * 60 + 3) / 86400.0, "Headline", "2002-09-07 01:02:03 - Headline"},
        {36586 - 1 + 0.9999999, "Leap", "2000-02-29 23:59:59 - Leap"},
    };
    for (const NameCase& c : cases) {
        TslRSSFeedItem item;
        item.PubDate = c.PubDate;
        item.Title = c.Title;
        EXPECT_EQ(item.DisplayName(), c.Expected) << "date " << c.PubDate << ", title \"" << c.Title << '"';
    }
}

TEST(TslRSSFeedItemEnclosure, DisplayNameShowsFileNameAndLengthOrTheDefaultName)
{
    struct NameCase {
        const char* URL;
        std::uint32_t Length;
        const char* Expected;
    };
    const NameCase cases[] = {
        {"", 0, "TslRSSFeedItemEnclosure"},
        {"http://x.org/pod/ep1.mp3", 12345, "ep1.mp3 - 12345"},
        {"http://x.org/pod/ep1.mp3?id=7#t", 0, "ep1.mp3 - 0"},
        {"", 10, " - 10"},
        {"http://x.org", 1, " - 1"},
        {"http://x.org/dir/", 2, " - 2"},
        {"ep2.ogg", 3, "ep2.ogg - 3"},
        {"http://x.org/a\\b.mp3", 4294967295u, "b.mp3 - 4294967295"},
    };
    for (const NameCase& c : cases) {
        TslRSSFeedItemEnclosure enclosure;
        enclosure.URL = c.URL;
        enclosure.ContentLength = c.Length;
        EXPECT_EQ(enclosure.DisplayName(), c.Expected) << "URL \"" << c.URL << "\", length " << c.Length;
    }
}

TEST(TslRSSFeedItemCollection, KeepsItemsInOrderAndKnowsTheirPlaces)
{
    TslRSSFeed feed;
    TslRSSFeedItemCollection& items = feed.FeedItems();
    items.Add().Title = "b";
    items.Insert(0).Title = "a";
    items.Add().Title = "d";
    items.Insert(2).Title = "c";
    ASSERT_EQ(items.Count(), 4);
    for (int i = 0; i < items.Count(); ++i) {
        EXPECT_EQ(items[i].Title, std::string(1, static_cast<char>('a' + i)));
        EXPECT_EQ(items[i].Index(), i);
        EXPECT_EQ(items[i].Collection(), &items);
    }
    EXPECT_EQ(items[0].ID(), 1) << "IDs count in order of creation";
    EXPECT_EQ(items[1].ID(), 0);

    items.Delete(1);
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items[1].Title, "c");
    EXPECT_EQ(items[1].Index(), 1);
    EXPECT_EQ(items.Add().ID(), 4) << "IDs are not reused";

    for (const int bad : {-1, 4, 100}) {
        EXPECT_THROW(items.Items(bad), std::out_of_range) << "index " << bad;
        EXPECT_THROW(items.Delete(bad), std::out_of_range) << "index " << bad;
    }
    EXPECT_THROW(items.Insert(6), std::out_of_range);
    EXPECT_THROW(items.Insert(-1), std::out_of_range);

    TslRSSFeedItem standalone;
    EXPECT_EQ(standalone.Index(), -1);
    EXPECT_EQ(standalone.Collection(), nullptr);
    EXPECT_EQ(standalone.Enclosure().Owner(), &standalone);
    items.Clear();
    EXPECT_TRUE(items.IsEmpty());
}

TEST(TslRSSFeedValueObjects, AssignFromNoneResetsAndFromAnotherCopies)
{
    TslRSSFeedImage image{"u", "t", "l", "d", 1, 2};
    TslRSSFeedImage imageCopy;
    imageCopy.Assign(&image);
    EXPECT_EQ(imageCopy, image);
    imageCopy.Assign(nullptr);
    EXPECT_EQ(imageCopy, TslRSSFeedImage{});

    TslRSSFeedCloud cloud{"d", 8, "p", "r", "x"};
    TslRSSFeedCloud cloudCopy;
    cloudCopy.Assign(&cloud);
    EXPECT_EQ(cloudCopy, cloud);
    cloudCopy.Assign(nullptr);
    EXPECT_EQ(cloudCopy, TslRSSFeedCloud{});

    TslRSSFeedItemGuid guid{true, "g"};
    TslRSSFeedItemGuid guidCopy;
    guidCopy.Assign(&guid);
    EXPECT_EQ(guidCopy, guid);
    guidCopy.Assign(nullptr);
    EXPECT_FALSE(guidCopy.IsPermaLink);
}

TEST(TslRSSFeedSets, HoldTheirMembersAsBits)
{
    TslRSSFeedSkipDaysSet days;
    days.Include(TslRSSFeedSkipDays::Monday);
    days.Include(TslRSSFeedSkipDays::Sunday);
    EXPECT_EQ(days.Bits(), 0x41) << "Monday is bit 0, Sunday bit 6";
    days.Exclude(TslRSSFeedSkipDays::Monday);
    EXPECT_FALSE(days.Contains(TslRSSFeedSkipDays::Monday));
    EXPECT_EQ(sizeof(TslRSSFeedSkipDaysSet), 1u);

    TslRSSFeedSkipHoursSet hours;
    hours.Include(TslRSSFeedSkipHours::h00);
    hours.Include(TslRSSFeedSkipHours::h23);
    EXPECT_EQ(hours.Bits(), 0x800001u);
    EXPECT_EQ(sizeof(TslRSSFeedSkipHoursSet), 4u);
    EXPECT_EQ(TslRSSFeedSkipHoursSet::FromBits(0x800001u), hours);
}

} // namespace

TEST(TslRSSFeed, IsAComponentOwnedByItsFormWithSubObjectsOfTheLibrary)
{
    auto* form = new TComponent(nullptr);
    form->BeginLoading();
    auto* feed = new TslRSSFeed(form);
    feed->Name = "slRSSFeed1";
    EXPECT_TRUE(feed->Loading()) << "created while its form loads, the feed waits for its loaded step";
    EXPECT_EQ(feed->Owner(), form);
    EXPECT_EQ(feed->Host(), form);
    EXPECT_EQ(form->FindComponent("slRSSFeed1"), feed);
    form->FinishLoading();
    EXPECT_FALSE(feed->Loading()) << "the loaded step ran";

    // The channel data is a persistent sub-object of the feed; items and enclosures are data items of the
    // library's collections, owned by the feed and by their item.
    TslPersistent& elements = feed->FeedElements();
    EXPECT_EQ(elements.Owner(), feed);
    TslRSSFeedItem& item = feed->FeedItems().Add();
    TslCollectionDataItem& asDataItem = item;
    int marker = 0;
    asDataItem.Data = &marker;
    EXPECT_EQ(item.Collection(), &feed->FeedItems());
    EXPECT_EQ(feed->FeedItems().TCollection::Owner, feed);
    TslCollectionDataItem& enclosure = item.Enclosure().Add();
    EXPECT_EQ(enclosure.Collection(), &item.Enclosure());
    EXPECT_EQ(item.Enclosure().TCollection::Owner, &item);

    // Assignment through the library's base classes reaches the feed's own.
    TslRSSFeed copy;
    feed->FeedElements().Title = "channel";
    item.Title = "headline";
    static_cast<TPersistent&>(copy).Assign(*feed);
    EXPECT_EQ(copy.FeedElements().Title, "channel");
    ASSERT_EQ(copy.FeedItems().Count(), 1);
    EXPECT_EQ(copy.FeedItems()[0].Title, "headline");
    EXPECT_EQ(copy.FeedItems()[0].Enclosure().Count(), 1);
    EXPECT_THROW(static_cast<TPersistent&>(copy).Assign(elements), EConvertError) << "a feed takes only a feed";
    TslRSSFeedItem standalone;
    static_cast<TPersistent&>(standalone).Assign(item);
    EXPECT_EQ(standalone.Title, "headline");

    delete form;  // frees the feed with everything it owns
}

} // namespace skyloom
