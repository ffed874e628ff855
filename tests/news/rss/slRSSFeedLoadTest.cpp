// Loading RSS documents into the feed: the fields read, the failures and their events, merging and trimming.
#include "DateUtils.h"
#include "slRSSFeed.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyloom {
namespace {

constexpr double Sep07_2002 = 37506;
constexpr double OneMillisecond = 1.0 / 86400000.0;

constexpr double At(double Day, int Hour, int Minute = 0, int Second = 0)
{
    return Day + (Hour * 3600 + Minute * 60 + Second) / 86400.0;
}

std::string Rss(const std::string& ChannelBody)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>" + ChannelBody + "</channel></rss>";
}

std::string Item(const std::string& Title, const std::string& PubDate = "", const std::string& More = "")
{
    std::string item = "<item><title>" + Title + "</title>";
    if (!PubDate.empty())
        item += "<pubDate>" + PubDate + "</pubDate>";
    return item + More + "</item>";
}

std::vector<std::string> Titles(const TslRSSFeed& Feed)
{
    std::vector<std::string> titles;
    for (int i = 0; i < Feed.FeedItems().Count(); ++i)
        titles.push_back(Feed.FeedItems()[i].Title);
    return titles;
}

// A feed in a pinned time zone that records the events it raises.
class FeedLoad : public ::testing::Test {
protected:
    FeedLoad()
    {
        SetLocalTimeBiasOverride(0);
        Feed.OnRSSLoaded = [this](TslRSSFeed& Sender) { Record(Sender, "loaded"); };
        Feed.OnRSSLoadError = [this](TslRSSFeed& Sender) { Record(Sender, "load error"); };
        Feed.OnRSSParseError = [this](TslRSSFeed& Sender) { Record(Sender, "parse error"); };
        Feed.OnRSSNotRSSError = [this](TslRSSFeed& Sender) { Record(Sender, "not rss"); };
    }
    ~FeedLoad() override { SetLocalTimeBiasOverride(std::nullopt); }

    void Record(TslRSSFeed& Sender, const char* Event)
    {
        EXPECT_EQ(&Sender, &Feed) << "the sender of " << Event << " is not the feed";
        Events.push_back(Event);
    }

    std::vector<std::string> Load(const std::string& Text)
    {
        Events.clear();
        Result = Feed.LoadFromString(Text);
        return Events;
    }

    TslRSSFeed Feed;
    std::vector<std::string> Events;
    bool Result = false;
};

const std::vector<std::string> Loaded = {"loaded"};
const std::vector<std::string> ParseFailure = {"parse error", "load error"};
const std::vector<std::string> NotRSSFailure = {"not rss", "load error"};

TEST_F(FeedLoad, ReadsTheChannelData)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"
                             "<rss version=\"2.0\"><channel>"
                             "<title>Title</title><link>http://x.org/</link><description>About</description>"
                             "<language>en-gb</language><copyright>(c) X</copyright>"
                             "<managingEditor>ed@x.org</managingEditor><webMaster>wm@x.org</webMaster>"
                             "<pubDate>Sat, 07 Sep 2002 00:00:01 GMT</pubDate>"
                             "<lastBuildDate>Sat, 07 Sep 2002 10:00:00 +0200</lastBuildDate>"
                             "<category domain=\"http://x.org/cats\">News</category><category>Second</category>"
                             "<generator>gen 1.0</generator><docs>http://x.org/docs</docs>"
                             "<cloud domain=\"rpc.x.org\" port=\"80\" path=\"/RPC2\" "
                             "registerProcedure=\"pleaseNotify\" protocol=\"xml-rpc\"/>"
                             "<ttl>60</ttl>"
                             "<image><url>http://x.org/i.gif</url><title>Logo</title><link>http://x.org/</link>"
                             "<description>The logo</description><width>88</width><height>31</height></image>"
                             "<textInput><title>Search</title><description>Search X</description>"
                             "<name>q</name><link>http://x.org/search</link></textInput>"
                             "<skipHours><hour>0</hour><hour>23</hour></skipHours>"
                             "<skipDays><day>Monday</day><day>Sunday</day></skipDays>"
                             "</channel></rss>";
    EXPECT_EQ(Load(text), Loaded);
    EXPECT_TRUE(Result);
    EXPECT_EQ(Feed.FeedCodePage, "windows-1252");
    const TslRSSFeedElements& e = Feed.FeedElements();
    EXPECT_EQ(e.Title, "Title");
    EXPECT_EQ(e.Link, "http://x.org/");
    EXPECT_EQ(e.Description, "About");
    EXPECT_EQ(e.Language, "en-gb");
    EXPECT_EQ(e.Copyright, "(c) X");
    EXPECT_EQ(e.ManagingEditor, "ed@x.org");
    EXPECT_EQ(e.WebMaster, "wm@x.org");
    EXPECT_NEAR(e.PubDate, At(Sep07_2002, 0, 0, 1), OneMillisecond);
    EXPECT_NEAR(e.LastBuildDate, At(Sep07_2002, 8), OneMillisecond);
    EXPECT_EQ(e.Category, (TslRSSFeedItemCategory{"http://x.org/cats", "News"})) << "only the first category";
    EXPECT_EQ(e.Generator, "gen 1.0");
    EXPECT_EQ(e.Docs, "http://x.org/docs");
    EXPECT_EQ(e.Cloud, (TslRSSFeedCloud{"rpc.x.org", 80, "/RPC2", "pleaseNotify", "xml-rpc"}));
    EXPECT_EQ(e.TTL, 60u);
    EXPECT_EQ(e.Image, (TslRSSFeedImage{"http://x.org/i.gif", "Logo", "http://x.org/", "The logo", 88, 31}));
    EXPECT_EQ(e.TextInput, (TslRSSFeedTextInput{"Search", "Search X", "q", "http://x.org/search"}));
    EXPECT_EQ(e.SkipHours.Bits(), 0x800001u);
    EXPECT_EQ(e.SkipDays.Bits(), 0x41);
    EXPECT_EQ(Feed.FeedItems().Count(), 0);
}

TEST_F(FeedLoad, ReadsTheItemsInDocumentOrder)
{
    EXPECT_EQ(Load("<rss><channel><item><title>A</title></item><item><link>x</link></item></channel></rss>"),
              Loaded);
    ASSERT_EQ(Feed.FeedItems().Count(), 2);
    EXPECT_EQ(Feed.FeedItems()[0].Title, "A");
    EXPECT_EQ(Feed.FeedItems()[1].Title, "");
    EXPECT_EQ(Feed.FeedItems()[1].Link, "x");
    EXPECT_EQ(Feed.FeedCodePage, "") << "no declaration, no code page";

    // Only the channel's own items count.
    EXPECT_EQ(Load("<rss><channel><item><title>A</title></item><x><item><title>B</title></item></x></channel>"
                   "<item><title>C</title></item></rss>"),
              Loaded);
    EXPECT_EQ(Titles(Feed), std::vector<std::string>{"A"});
}

TEST_F(FeedLoad, AFeedOfEmptyElementsByTheMillionIsReadOnlyUpToItsLimits)
{
    // A few hundred kilobytes that would otherwise become a hundred thousand items.
    std::string body;
    for (int i = 0; i < 100000; ++i)
        body += i < MaxFeedItems ? "<item><title>" + std::to_string(i) + "</title></item>" : "<item/>";
    std::string enclosures;
    for (int i = 0; i < 3 * MaxItemEnclosures; ++i)
        enclosures += "<enclosure url=\"http://h/" + std::to_string(i) + "\"/>";
    EXPECT_EQ(Load(Rss(Item("first", "", enclosures) + body)), Loaded);
    ASSERT_EQ(Feed.FeedItems().Count(), MaxFeedItems);
    EXPECT_EQ(Feed.FeedItems()[0].Title, "first");
    EXPECT_EQ(Feed.FeedItems()[MaxFeedItems - 1].Title, std::to_string(MaxFeedItems - 2)) << "the first ones kept";
    ASSERT_EQ(Feed.FeedItems()[0].Enclosure().Count(), MaxItemEnclosures);
    EXPECT_EQ(Feed.FeedItems()[0].Enclosure()[MaxItemEnclosures - 1].URL,
              "http://h/" + std::to_string(MaxItemEnclosures - 1));
}

TEST_F(FeedLoad, ReadsEveryFieldOfAnItem)
{
    const std::string item =
        "<item><title>T</title><link>http://x.org/1</link><description>D</description>"
        "<author>a@x.org</author><category domain=\"d\">C</category><category>C2</category>"
        "<comments>http://x.org/1#c</comments><pubDate>Sat, 07 Sep 2002 12:00:00 GMT</pubDate>"
        "<guid isPermaLink=\"TRUE\">http://x.org/1</guid><source url=\"http://y.org/rss\">Y</source>"
        "<enclosure url=\"http://x.org/1.mp3\" length=\"1,234\" type=\"audio/mpeg\"/>"
        "<enclosure url=\"http://x.org/1.ogg\" length=\"2 MB\" type=\"audio/ogg\"/>"
        "<enclosure/>"
        "<dc:creator>ignored</dc:creator><content:encoded>ignored</content:encoded></item>";
    EXPECT_EQ(Load(Rss(item)), Loaded);
    ASSERT_EQ(Feed.FeedItems().Count(), 1);
    const TslRSSFeedItem& i = Feed.FeedItems()[0];
    EXPECT_EQ(i.Title, "T");
    EXPECT_EQ(i.Link, "http://x.org/1");
    EXPECT_EQ(i.Description, "D");
    EXPECT_EQ(i.Author, "a@x.org");
    EXPECT_EQ(i.Category, (TslRSSFeedItemCategory{"d", "C"}));
    EXPECT_EQ(i.Comments, "http://x.org/1#c");
    EXPECT_NEAR(i.PubDate, At(Sep07_2002, 12), OneMillisecond);
    EXPECT_EQ(i.Guid, (TslRSSFeedItemGuid{true, "http://x.org/1"}));
    EXPECT_EQ(i.Source, (TslRSSFeedItemSource{"Y", "http://y.org/rss"}));
    ASSERT_EQ(i.Enclosure().Count(), 3);
    EXPECT_EQ(i.Enclosure()[0].URL, "http://x.org/1.mp3");
    EXPECT_EQ(i.Enclosure()[0].ContentLength, 1234u);
    EXPECT_EQ(i.Enclosure()[0].ContentType, "audio/mpeg");
    EXPECT_EQ(i.Enclosure()[1].ContentLength, 2097152u);
    EXPECT_EQ(i.Enclosure()[2].URL, "");
    EXPECT_EQ(i.Enclosure()[2].ContentLength, 0u);
    EXPECT_EQ(i.EnclosureSize(), 1234u + 2097152u);
    EXPECT_EQ(Feed.EnclosureSize(), 1234u + 2097152u);
}

TEST_F(FeedLoad, GuidIsAPermalinkOnlyWhenItSaysTrue)
{
    struct GuidCase {
        const char* Attribute;
        bool Expected;
    };
    const GuidCase cases[] = {
        {"", false},
        {" isPermaLink=\"true\"", true},
        {" isPermaLink=\"True\"", true},
        {" isPermaLink=\"false\"", false},
        {" isPermaLink=\"1\"", false},
        {" isPermaLink=\" true\"", false},
        {" ispermalink=\"true\"", false},
    };
    for (const GuidCase& c : cases) {
        ASSERT_EQ(Load(Rss(std::string("<item><guid") + c.Attribute + ">g</guid></item>")), Loaded) << c.Attribute;
        EXPECT_EQ(Feed.FeedItems()[0].Guid.IsPermaLink, c.Expected) << "guid attribute:" << c.Attribute;
        EXPECT_EQ(Feed.FeedItems()[0].Guid.URL, "g");
    }
}

TEST_F(FeedLoad, TakesTextsAsTheXmlLibraryReadsThem)
{
    struct TextCase {
        const char* Description;
        const char* Expected;
    };
    const TextCase cases[] = {
        {"&lt;b&gt;x&lt;/b&gt;", "<b>x</b>"},
        {"<![CDATA[ <p>x</p> ]]>", "<p>x</p>"},
        {"Hello <b>big</b> world", "Hello  big  world"},
        {"a &amp; b &quot;c&quot; &apos;d&apos;", "a & b \"c\" 'd'"},
        {"caf&#233;", "caf\xe9"},
        {"&#x20AC;", "\xac"},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"<!-- note -->", ""},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        ASSERT_EQ(Load(Rss(std::string("<item><description>") + c.Description + "</description></item>")), Loaded)
            << c.Description;
        EXPECT_EQ(Feed.FeedItems()[0].Description, c.Expected) << "description: " << c.Description;
    }
}

TEST_F(FeedLoad, TellsNotRSSFromTextsThatDoNotParse)
{
    struct FailureCase {
        const char* Text;
        const std::vector<std::string>* Events;
    };
    const FailureCase cases[] = {
        {"", &ParseFailure},
        {"   ", &ParseFailure},
        {"<!-- only -->", &ParseFailure},
        {"<?xml version=\"1.0\"?>", &ParseFailure},
        {"plain text", &ParseFailure},
        {"<html><body>Not found</body></html", &ParseFailure},
        {"<rss><channel><item><title>A</title></item></channel>", &ParseFailure},
        {"<rss><channel><description>a<br>b</description></channel></rss>", &ParseFailure},
        {"<rss><channel><title>&nbsp;</title></channel></rss>", &ParseFailure},
        {"<rss><channel><title>A</title></channel></rss><rss/>", &Loaded},
        {"<RSS><channel/></RSS>", &NotRSSFailure},
        {"<rdf:RDF><channel/></rdf:RDF>", &NotRSSFailure},
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title></feed>", &NotRSSFailure},
        {"<html><body>Not found</body></html>", &NotRSSFailure},
        {"<rss2/>", &NotRSSFailure},
    };
    for (const FailureCase& c : cases) {
        // Start from a good load each time: failures must leave it in place.
        ASSERT_EQ(Load(Rss("<title>Before</title>" + Item("one") + Item("two"))), Loaded);
        Feed.FeedCodePage = "before";
        const std::vector<std::string> events = Load(c.Text);
        EXPECT_EQ(events, *c.Events) << "text: " << c.Text;
        EXPECT_EQ(Result, c.Events == &Loaded) << "text: " << c.Text;
        if (c.Events != &Loaded) {
            EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"one", "two"})) << "text: " << c.Text;
            EXPECT_EQ(Feed.FeedElements().Title, "Before") << "text: " << c.Text;
            EXPECT_EQ(Feed.FeedCodePage, "before") << "text: " << c.Text;
        }
    }
}

TEST_F(FeedLoad, AnRssWithoutChannelContentLoadsEmpty)
{
    for (const char* text : {"<rss/>", "<rss><channel/></rss>", "<rss><channel></channel></rss>",
                             "<rss version=\"2.0\"><title>outside</title></rss>"}) {
        ASSERT_EQ(Load(Rss("<title>Before</title>" + Item("one"))), Loaded);
        EXPECT_EQ(Load(text), Loaded) << text;
        EXPECT_TRUE(Result) << text;
        EXPECT_EQ(Feed.FeedItems().Count(), 0) << text;
        EXPECT_EQ(Feed.FeedElements().Title, "") << text;
    }
}

TEST_F(FeedLoad, TheDeclaredEncodingComesOnlyFromTheFirstNode)
{
    struct CodePageCase {
        std::string Text;
        const char* Expected;
    };
    const CodePageCase cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss/>", "UTF-8"},
        {"<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?><rss/>", "iso-8859-1"},
        {"<?xml version=\"1.0\"?><rss/>", ""},
        {"<rss/>", ""},
        {"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss/>", ""},
        {"<!-- c --><?xml version=\"1.0\" encoding=\"UTF-8\"?><rss/>", ""},
    };
    for (const CodePageCase& c : cases) {
        Feed.FeedCodePage = "previous";
        EXPECT_EQ(Load(c.Text), Loaded) << c.Text;
        EXPECT_EQ(Feed.FeedCodePage, c.Expected) << c.Text;
    }

    // The bytes are never converted.
    ASSERT_EQ(Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Rss(Item("Caf\xc3\xa9 \xe2\x82\xac"))).size(), 1u);
    EXPECT_EQ(Feed.FeedItems()[0].Title, "Caf\xc3\xa9 \xe2\x82\xac");
}

TEST_F(FeedLoad, TrimsEveryStringOnlyWhenAsked)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\" UTF-8 \"?><rss><channel><title>\n  News  \n</title>"
                             "<image><url> u </url></image>"
                             "<item><title>\n  News  \n</title><guid> g </guid>"
                             "<enclosure url=\" http://x/a.mp3 \" type=\" audio/mpeg\"/></item></channel></rss>";
    ASSERT_EQ(Load(text), Loaded);
    EXPECT_EQ(Feed.FeedElements().Title, "\n  News  \n");
    EXPECT_EQ(Feed.FeedItems()[0].Title, "\n  News  \n");

    Feed.TrimStrings = true;
    ASSERT_EQ(Load(text), Loaded);
    EXPECT_EQ(Feed.FeedCodePage, "UTF-8");
    EXPECT_EQ(Feed.FeedElements().Title, "News");
    EXPECT_EQ(Feed.FeedElements().Image.URL, "u");
    EXPECT_EQ(Feed.FeedItems()[0].Title, "News");
    EXPECT_EQ(Feed.FeedItems()[0].Guid.URL, "g");
    EXPECT_EQ(Feed.FeedItems()[0].Enclosure()[0].URL, "http://x/a.mp3");
    EXPECT_EQ(Feed.FeedItems()[0].Enclosure()[0].ContentType, "audio/mpeg");

    // Trimming follows a successful load only.
    Feed.FeedItems()[0].Title = " kept ";
    ASSERT_EQ(Load("<rss>"), ParseFailure);
    EXPECT_EQ(Feed.FeedItems()[0].Title, " kept ");
}

TEST_F(FeedLoad, ReadsSkipHoursAndDaysStrictly)
{
    struct SkipCase {
        const char* Body;
        std::uint32_t Hours;
        std::uint8_t Days;
    };
    const SkipCase cases[] = {
        {"<skipHours><hour>24</hour><hour>x</hour><hour>-1</hour></skipHours>", 0, 0},
        {"<skipHours><hour>0</hour><hour>7</hour><hour>7</hour><hour> 8</hour></skipHours>", 0x181, 0},
        {"<skipHours><hour>1 </hour></skipHours>", 0, 0},
        {"<skipHours><h>1</h><x><hour>2</hour></x></skipHours>", 0, 0},
        {"<skipDays><day>SATURDAY</day></skipDays>", 0, 0x20},
        {"<skipDays><day> Saturday</day></skipDays>", 0, 0},
        {"<skipDays><day>sunday</day><day>tuesday</day><day>Tue</day><day>Funday</day></skipDays>", 0, 0x42},
        {"<skipDays><day>wEDNESDAY</day><day>thursday</day><day>FRIDAY</day></skipDays>", 0, 0x1c},
        {"<skipDays><day>Monday</day></skipDays><skipDays><day>Friday</day></skipDays>", 0, 0x01},
        {"<skipHours/><skipDays/>", 0, 0},
    };
    for (const SkipCase& c : cases) {
        ASSERT_EQ(Load(Rss(c.Body)), Loaded) << c.Body;
        EXPECT_EQ(Feed.FeedElements().SkipHours.Bits(), c.Hours) << c.Body;
        EXPECT_EQ(Feed.FeedElements().SkipDays.Bits(), c.Days) << c.Body;
    }
}

TEST_F(FeedLoad, NumbersThatDoNotReadCountAsZero)
{
    ASSERT_EQ(Load(Rss("<ttl>x</ttl><cloud port=\"p\"/><image><width>abc</width><height>1.5</height></image>")),
              Loaded);
    EXPECT_EQ(Feed.FeedElements().TTL, 0u);
    EXPECT_EQ(Feed.FeedElements().Cloud.Port, 0);
    EXPECT_EQ(Feed.FeedElements().Image.Width, 0);
    EXPECT_EQ(Feed.FeedElements().Image.Height, 0);

    ASSERT_EQ(Load(Rss("<ttl> 30</ttl><cloud port=\"65537\"/><image><width>-1</width><height>+31</height></image>")),
              Loaded);
    EXPECT_EQ(Feed.FeedElements().TTL, 30u);
    EXPECT_EQ(Feed.FeedElements().Cloud.Port, 1) << "the port is kept in 16 bits";
    EXPECT_EQ(Feed.FeedElements().Image.Width, 65535);
    EXPECT_EQ(Feed.FeedElements().Image.Height, 31);

    // An image or text input without content is not read at all.
    ASSERT_EQ(Load(Rss("<image url=\"u\"/><textInput/>")), Loaded);
    EXPECT_EQ(Feed.FeedElements().Image, TslRSSFeedImage{});
    EXPECT_EQ(Feed.FeedElements().TextInput, TslRSSFeedTextInput{});
}

TEST_F(FeedLoad, ReadsDatesIntoLocalTime)
{
    SetLocalTimeBiasOverride(-120);
    ASSERT_EQ(Load(Rss("<pubDate>Sat, 07 Sep 2002 00:00:01 GMT</pubDate>" +
                       Item("a", "Sat, 07 Sep 2002 00:00:01 +0200") + Item("b", "07-Sep-2002") + Item("c"))),
              Loaded);
    EXPECT_NEAR(Feed.FeedElements().PubDate, At(Sep07_2002, 2, 0, 1), OneMillisecond);
    EXPECT_NEAR(Feed.FeedItems()[0].PubDate, At(Sep07_2002, 0, 0, 1), OneMillisecond);
    EXPECT_EQ(Feed.FeedItems()[1].PubDate, 0.0) << "an unreadable date is 0";
    EXPECT_EQ(Feed.FeedItems()[2].PubDate, 0.0) << "a missing date is 0";
}

// The "from" attribute goes to the feed's transfer, which only the Windows build has (slRSSFeedTransferTest.cpp).
TEST_F(FeedLoad, TheRootsTimeAttributeSetsTheFeedTime)
{
    ASSERT_EQ(Load("<rss from=\"http://x.org/rss\" time=\"Sat, 07 Sep 2002 10:00:00 GMT\"/>"), Loaded);
    EXPECT_NEAR(Feed.FeedTime, At(Sep07_2002, 10), OneMillisecond);

    ASSERT_EQ(Load("<rss from=\"\"/>"), Loaded);
    EXPECT_EQ(Feed.FeedTime, 0.0) << "no time gives 0";
}

TEST_F(FeedLoad, ReloadingTheSameFeedGivesTheSameList)
{
    const std::string text = Rss(Item("a", "Sat, 07 Sep 2002 10:00:00 GMT") + Item("b") + Item("c"));
    ASSERT_EQ(Load(text), Loaded);
    ASSERT_EQ(Load(text), Loaded);
    EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(Load(Rss(Item("d"))), Loaded);
    EXPECT_EQ(Titles(Feed), std::vector<std::string>{"d"}) << "without keeping, a load replaces the list";
}

TEST_F(FeedLoad, KeepingPutsNewItemsOnTopAndUpdatesKnownOnes)
{
    Feed.KeepOutdatedItems = true;
    const std::string day1 = "Sat, 07 Sep 2002 10:00:00 GMT";
    const std::string day2 = "Sun, 08 Sep 2002 10:00:00 GMT";
    const std::string day3 = "Mon, 09 Sep 2002 10:00:00 GMT";
    ASSERT_EQ(Load(Rss("<title>first</title>" +
                       Item("old", day1, "<link>http://x/1</link><enclosure url=\"http://x/1.mp3\"/>"))),
              Loaded);
    ASSERT_EQ(Feed.FeedItems().Count(), 1);

    // The listed item's date again, and one new date: two items, the new one first.
    ASSERT_EQ(Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
                   Rss("<title>second</title>" + Item("new", day2, "<link>http://x/2</link>") +
                       Item("old, edited", day1, "<link>http://x/1</link>"))),
              Loaded);
    EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"new", "old, edited"}));
    EXPECT_EQ(Feed.FeedItems()[1].Enclosure().Count(), 1) << "a known item keeps its enclosures";
    EXPECT_EQ(Feed.FeedElements().Title, "second") << "the channel data is replaced";
    EXPECT_EQ(Feed.FeedCodePage, "UTF-8");

    // New items keep their feed order above the older ones; items are never removed.
    ASSERT_EQ(Load(Rss(Item("newest", day3, "<link>http://x/4</link>") +
                       Item("newer", day3, "<link>http://x/3</link>"))),
              Loaded);
    EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"newest", "newer", "new", "old, edited"}));

    // The same text again adds nothing.
    ASSERT_EQ(Load(Rss(Item("newest", day3, "<link>http://x/4</link>") +
                       Item("newer", day3, "<link>http://x/3</link>"))),
              Loaded);
    EXPECT_EQ(Feed.FeedItems().Count(), 4);

    // A failed load changes nothing.
    ASSERT_EQ(Load("<rss><channel>"), ParseFailure);
    EXPECT_EQ(Feed.FeedItems().Count(), 4);
}

TEST_F(FeedLoad, KeepingDoesNotFoldDistinctItemsThatShareADate)
{
    Feed.KeepOutdatedItems = true;
    const std::string day = "Sat, 07 Sep 2002 10:00:00 GMT";
    ASSERT_EQ(Load(Rss(Item("first") + Item("a", day, "<guid>1</guid>"))), Loaded);
    // Without a date, the same item merges; other items without a date stay apart.
    ASSERT_EQ(Load(Rss(Item("first") + Item("second") + Item("second") + Item("a", day, "<guid>1</guid>") +
                       Item("b", day, "<guid>2</guid>"))),
              Loaded);
    EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"second", "b", "first", "a"}));

    // A second copy of an item within one feed ends as one entry holding the later copy's fields.
    ASSERT_EQ(Load(Rss(Item("c", day, "<link>http://x/c</link><author>1</author>") +
                       Item("c", day, "<link>http://x/c</link><author>2</author>"))),
              Loaded);
    ASSERT_EQ(Feed.FeedItems().Count(), 5);
    EXPECT_EQ(Feed.FeedItems()[0].Author, "2");

    // With trimming on, the trimmed list still recognises the untrimmed text of the next load.
    Feed.TrimStrings = true;
    const std::string padded = Rss(Item(" padded ", "", "<link> http://x/p </link>"));
    ASSERT_EQ(Load(padded), Loaded);
    ASSERT_EQ(Load(padded), Loaded);
    EXPECT_EQ(Feed.FeedItems().Count(), 6);
    EXPECT_EQ(Feed.FeedItems()[0].Title, "padded");
}

TEST_F(FeedLoad, KeepingStartsOnlyOnceThereAreItems)
{
    Feed.KeepOutdatedItems = true;
    ASSERT_EQ(Load(Rss("<title>T</title>")), Loaded);
    EXPECT_EQ(Feed.FeedItems().Count(), 0);
    ASSERT_EQ(Load(Rss(Item("a") + Item("b"))), Loaded);
    EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"a", "b"})) << "into an empty list items load in order";
    ASSERT_EQ(Load("<rss/>"), Loaded);
    EXPECT_EQ(Titles(Feed), (std::vector<std::string>{"a", "b"})) << "keeping never empties the list";
}

TEST_F(FeedLoad, LoadsFromAStreamFromItsStartOrItsPosition)
{
    const std::string text = "<rss>" + std::string("<channel>") + Item("a") + "</channel></rss>";
    std::istringstream stream("<a>" + text);
    stream.seekg(3);
    EXPECT_TRUE(Feed.LoadFromStream(stream, false));
    EXPECT_EQ(Titles(Feed), std::vector<std::string>{"a"});

    stream.clear();
    stream.seekg(3);
    EXPECT_FALSE(Feed.LoadFromStream(stream, true)) << "from the start the unclosed element comes first";

    std::istringstream read(text);
    std::string all((std::istreambuf_iterator<char>(read)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(Feed.LoadFromStream(read, true)) << "a stream read to its end is read again from the start";

    // The library's own streams, as the feed's transfer hands them over, the same way.
    TMemoryStream memory;
    const std::string marked = "<a>" + Rss(Item("b"));
    memory.WriteBuffer(marked.data(), static_cast<std::int64_t>(marked.size()));
    memory.SetPosition(3);
    EXPECT_TRUE(Feed.LoadFromStream(memory, false));
    EXPECT_EQ(Titles(Feed), std::vector<std::string>{"b"});
    memory.SetPosition(3);
    EXPECT_FALSE(Feed.LoadFromStream(memory, true)) << "from the start the unclosed element comes first";
    EXPECT_FALSE(Feed.LoadFromStream(memory, false)) << "a stream at its end holds no document";
}

TEST_F(FeedLoad, ErrorsOfTheEventHandlersReachTheCaller)
{
    Feed.OnRSSLoaded = [](TslRSSFeed&) { throw std::runtime_error("handler"); };
    EXPECT_THROW(Feed.LoadFromString(Rss(Item("a"))), std::runtime_error);
    EXPECT_EQ(Titles(Feed), std::vector<std::string>{"a"}) << "the load itself had succeeded";

    Feed.OnRSSParseError = [](TslRSSFeed&) { throw std::logic_error("parse handler"); };
    EXPECT_THROW(Feed.LoadFromString("<"), std::logic_error);
}

TEST_F(FeedLoad, UnassignedEventsAreSkipped)
{
    TslRSSFeed quiet;
    EXPECT_TRUE(quiet.LoadFromString(Rss(Item("a"))));
    EXPECT_FALSE(quiet.LoadFromString("<x/>"));
    EXPECT_FALSE(quiet.LoadFromString("<"));
    EXPECT_EQ(Titles(quiet), std::vector<std::string>{"a"});
}

} // namespace
} // namespace skyloom
