// The feed model: defaults, assign, trim, display names, collections and the transfer's forwarded events.
#include "slRSSFeed.h"

#include <gtest/gtest.h>

#include <sstream>
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
    Feed.SetHTTPAgent("agent");
    Feed.SetHTTPUsername("user");
    Feed.SetHTTPPassword("secret");
    Feed.HTTPProxy().AccessType = TslRSSFeedTransfer::atUseProxy;
    Feed.HTTPProxy().ProxyServer = "proxy";
    Feed.HTTPProxy().ProxyPort = 3128;
    Feed.SetThreadPriority(TslRSSFeedTransfer::tpHigher);
    Feed.HTTPTransfer().URL = "http://x/rss";
    Feed.SetWaitThread(true);
    Feed.SetWaitTimeout(5000);
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
    EXPECT_EQ(feed.HTTPTransferBufferSize(), 4096);
    EXPECT_EQ(feed.ThreadPriority(), TslRSSFeedTransfer::tpNormal);
    EXPECT_FALSE(feed.WaitThread());
    EXPECT_EQ(feed.WaitTimeout(), 0);
    EXPECT_EQ(feed.HTTPUsername(), "");
    EXPECT_EQ(feed.HTTPPassword(), "");
    EXPECT_EQ(feed.HTTPProxy(), TslRSSFeed::TslHTTPProxy{});
    EXPECT_EQ(feed.HTTPProxy().AccessType, TslRSSFeedTransfer::atPreconfig);
    EXPECT_EQ(feed.HTTPProxy().ProxyPort, 8080);
    EXPECT_EQ(feed.HTTPProxy().ProxyBypass, "127.0.0.1;");
    EXPECT_EQ(feed.HTTPAgent(), "slRSSFeedReader (www.quorvane.com)");
    EXPECT_EQ(feed.HTTPAgent(), TslRSSFeed::DefaultAgent());
    EXPECT_EQ(feed.HTTPTransfer().URL, "");
    const TslRSSFeedElements& e = feed.FeedElements();
    EXPECT_EQ(e.Title, "");
    EXPECT_TRUE(e.SkipHours.IsEmpty());
    EXPECT_TRUE(e.SkipDays.IsEmpty());
    EXPECT_EQ(e.TTL, 0u);
    EXPECT_EQ(e.Image, TslRSSFeedImage{});
    EXPECT_EQ(e.PubDate, 0.0);
}

TEST(TslRSSFeed, TransferBufferSizeStaysInItsRange)
{
    TslRSSFeed feed;
    for (const std::int32_t good : {255, 256, 65536, 2147483647}) {
        feed.SetHTTPTransferBufferSize(good);
        EXPECT_EQ(feed.HTTPTransferBufferSize(), good);
    }
    for (const std::int32_t bad : {254, 0, -1, -2147483647 - 1}) {
        EXPECT_THROW(feed.SetHTTPTransferBufferSize(bad), std::out_of_range) << "size " << bad;
        EXPECT_EQ(feed.HTTPTransferBufferSize(), 2147483647) << "a refused size " << bad << " was kept";
    }
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
    EXPECT_EQ(feed.HTTPAgent(), TslRSSFeed::DefaultAgent());
    EXPECT_EQ(feed.HTTPUsername(), "");
    EXPECT_EQ(feed.HTTPPassword(), "");
    EXPECT_EQ(feed.HTTPProxy(), TslRSSFeed::TslHTTPProxy{});
    EXPECT_EQ(feed.ThreadPriority(), TslRSSFeedTransfer::tpNormal);
    EXPECT_EQ(feed.HTTPTransfer().URL, "");
    EXPECT_FALSE(feed.WaitThread());
    EXPECT_EQ(feed.WaitTimeout(), 0);
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
    EXPECT_EQ(copy.HTTPAgent(), "agent");
    EXPECT_EQ(copy.HTTPUsername(), "user");
    EXPECT_EQ(copy.HTTPPassword(), "secret");
    EXPECT_EQ(copy.HTTPProxy(), source.HTTPProxy());
    EXPECT_EQ(copy.ThreadPriority(), TslRSSFeedTransfer::tpHigher);
    EXPECT_EQ(copy.HTTPTransfer().URL, "http://x/rss");
    EXPECT_TRUE(copy.WaitThread());
    EXPECT_EQ(copy.WaitTimeout(), 5000);
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
    source.HTTPProxy().ProxyServer = "changed";
    EXPECT_EQ(copy.FeedItems()[0].Title, "A");
    EXPECT_EQ(copy.FeedItems()[0].Enclosure()[0].URL, "http://x/a.mp3");
    EXPECT_EQ(copy.HTTPProxy().ProxyServer, "proxy");
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
    EXPECT_EQ(feed.HTTPAgent(), "agent");
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

    TslRSSFeed::TslHTTPProxy proxy;
    proxy.AccessType = TslRSSFeedTransfer::atDirect;
    proxy.ProxyPort = 1;
    proxy.ProxyBypass = "";
    proxy.ProxyUsername = "u";
    proxy.Assign(nullptr);
    EXPECT_EQ(proxy, TslRSSFeed::TslHTTPProxy{}) << "an empty source puts the proxy defaults back";
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

// The transfer's events reach the feed's handlers with the feed as sender, and answers go back.
TEST(TslRSSFeed, ForwardsTheTransfersEvents)
{
    TslRSSFeed feed;
    TslRSSFeedTransfer& http = feed.HTTPTransfer();
    std::vector<std::string> seen;
    std::istringstream body("body");

    // Unassigned handlers are skipped, and the answers stay as the transfer set them.
    bool answer = true;
    http.OnHeaderInfo(http, 200, "raw", "text/xml", "en", "gzip", 10, "", 1, 2, 3, "etag", answer);
    EXPECT_TRUE(answer);
    http.OnHostUnreachable(http);

    feed.OnHTTPHeaderInfo = [&](TslRSSFeed& Sender, std::int32_t ErrorCode, const std::string& Raw,
                                const std::string& Type, const std::string& Language, const std::string& Encoding,
                                std::int32_t Length, const std::string& Location, double Date, double LastModified,
                                double Expires, const std::string& ETag, bool& ContinueDownload) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("header " + std::to_string(ErrorCode) + " " + Raw + " " + Type + " " + Language + " " +
                       Encoding + " " + std::to_string(Length) + " " + Location + " " + std::to_string(Date) + " " +
                       std::to_string(LastModified) + " " + std::to_string(Expires) + " " + ETag);
        ContinueDownload = false;
    };
    feed.OnHTTPConnLost = [&](TslRSSFeed& Sender, const std::string& Type, std::int32_t Size, std::int32_t Read,
                              std::istream* Stream) {
        EXPECT_EQ(&Sender, &feed);
        EXPECT_EQ(Stream, &body);
        seen.push_back("lost " + Type + " " + std::to_string(Size) + " " + std::to_string(Read));
    };
    feed.OnHTTPError = [&](TslRSSFeed& Sender, std::int32_t Code, std::istream* Stream) {
        EXPECT_EQ(&Sender, &feed);
        EXPECT_EQ(Stream, &body);
        seen.push_back("error " + std::to_string(Code));
    };
    feed.OnHTTPPasswordRequest = [&](TslRSSFeed& Sender, const std::string& Realm, bool& TryAgain) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("password " + Realm);
        TryAgain = true;
    };
    feed.OnHTTPProxyAuthenticationRequest = [&](TslRSSFeed& Sender, std::string& User, std::string& Password,
                                                bool& TryAgain) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("proxy " + User);
        User = "pu";
        Password = "pp";
        TryAgain = true;
    };
    feed.OnHTTPProgress = [&](TslRSSFeed& Sender, const std::string& Type, std::int32_t Size, std::int32_t Read,
                              std::int32_t Elapsed, std::int32_t Left, std::uint8_t Percent, float Rate,
                              std::istream* Stream) {
        EXPECT_EQ(&Sender, &feed);
        EXPECT_EQ(Stream, &body);
        seen.push_back("progress " + Type + " " + std::to_string(Size) + " " + std::to_string(Read) + " " +
                       std::to_string(Elapsed) + " " + std::to_string(Left) + " " + std::to_string(Percent) + " " +
                       std::to_string(Rate));
    };
    feed.OnHTTPHostUnreachable = [&](TslRSSFeed& Sender) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("unreachable");
    };
    feed.OnWaitTimeoutExpired = [&](TslRSSFeed& Sender, bool& Terminate) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("timeout");
        Terminate = false;
    };
    feed.OnRSSLoadError = [&](TslRSSFeed& Sender) {
        EXPECT_EQ(&Sender, &feed);
        seen.push_back("load error");
    };

    bool continueDownload = true;
    http.OnHeaderInfo(http, 200, "raw", "text/xml", "en", "gzip", 10, "loc", 1, 2, 3, "etag", continueDownload);
    EXPECT_FALSE(continueDownload) << "the handler's answer did not come back";
    http.OnConnLost(http, "text/xml", 100, 50, &body);
    http.OnHTTPError(http, 404, &body);
    bool tryAgain = false;
    http.OnPasswordRequest(http, "realm", tryAgain);
    EXPECT_TRUE(tryAgain);
    std::string user = "u";
    std::string password;
    tryAgain = false;
    http.OnProxyAuthenticationRequest(http, user, password, tryAgain);
    EXPECT_EQ(user, "pu");
    EXPECT_EQ(password, "pp");
    EXPECT_TRUE(tryAgain);
    http.OnProgress(http, "text/xml", 100, 50, 2, 2, 50, 1.5f, &body);
    http.OnHostUnreachable(http);
    bool terminate = true;
    http.OnWaitTimeoutExpired(http, terminate);
    EXPECT_FALSE(terminate);
    http.OnFailed(http);

    const std::vector<std::string> expected = {
        "header 200 raw text/xml en gzip 10 loc 1.000000 2.000000 3.000000 etag",
        "lost text/xml 100 50",
        "error 404",
        "password realm",
        "proxy u",
        "progress text/xml 100 50 2 2 50 1.500000",
        "unreachable",
        "timeout",
        "load error",
    };
    EXPECT_EQ(seen, expected);
}

} // namespace
} // namespace skyloom
