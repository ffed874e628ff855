// The portable core: strings, dates, components with owners and loaded steps, lists, collections, streams.
#include "Classes.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace skyloom;

TEST(SysUtils, TrimRemovesBytesUpTo32OnBothEnds)
{
    struct Case {
        std::string in, trim, left, right;
    } cases[] = {
        {"", "", "", ""},
        {"abc", "abc", "abc", "abc"},
        {"  abc  ", "abc", "abc  ", "  abc"},
        {"\t\r\n a b \x01\x1f", "a b", "a b \x01\x1f", "\t\r\n a b"},
        {std::string("\0x\0", 3), "x", std::string("x\0", 2), std::string("\0x", 2)},
        {"   ", "", "", ""},
        {"\x80z\x80", "\x80z\x80", "\x80z\x80", "\x80z\x80"},  // bytes above 127 are text
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Trim(c.in), c.trim) << "Trim of [" << c.in << "]";
        EXPECT_EQ(TrimLeft(c.in), c.left) << "TrimLeft of [" << c.in << "]";
        EXPECT_EQ(TrimRight(c.in), c.right) << "TrimRight of [" << c.in << "]";
    }
}

TEST(SysUtils, FormatFillsPlaceholdersInOrder)
{
    EXPECT_EQ(Format("Cannot create file %s", {"C:\\a b.txt"}), "Cannot create file C:\\a b.txt");
    EXPECT_EQ(Format("Failed to set data for '%s'", {"Skyloom 2"}), "Failed to set data for 'Skyloom 2'");
    EXPECT_EQ(Format("%s-%d-%s", {"a", "1"}), "a-1-") << "a missing argument leaves the place empty";
    EXPECT_EQ(Format("100%% %s", {"x", "surplus"}), "100% x");
    EXPECT_EQ(Format("%s", {"%s"}), "%s") << "arguments are not formatted again";
    EXPECT_EQ(Format("tail %", {}), "tail %");
}

TEST(SysUtils, FormatWritesNumbersWithPrecisionAndWidth)
{
    EXPECT_EQ(Format("%.1f MB", {3.14159}), "3.1 MB");
    EXPECT_EQ(Format("%.1f", {-0.04}), "-0.0");
    EXPECT_EQ(Format("%.1f", {7}), "7.0") << "an integer for %f is written as a number";
    EXPECT_EQ(Format("%f", {1.5}), "1.50") << "two decimals without a precision";
    EXPECT_EQ(Format("%.2d:%.2d", {5, 42}), "05:42");
    EXPECT_EQ(Format("%.2d", {123}), "123") << "the precision is a least number of digits";
    EXPECT_EQ(Format("%.3d", {-7}), "-007") << "the sign stays in front of the zeros";
    EXPECT_EQ(Format("%d of %d", {2, 10}), "2 of 10");
    EXPECT_EQ(Format("%d", {-9223372036854775807LL - 1}), "-9223372036854775808");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("[%5d][%-4s]", {42, "ab"}), "[   42][ab  ]");
    EXPECT_EQ(Format("%s", {12}), "12") << "a number for %s";
    EXPECT_EQ(Format("%.2d", {"text"}), "text") << "a text for a numeric place holder stays as it is";
    EXPECT_EQ(Format("5% off %z", {1}), "5% off %z") << "unknown place holders stay as text";
}

TEST(SysUtils, HintsSplitAtTheFirstBar)
{
    struct Case {
        const char* hint;
        const char* shortPart;
        const char* longPart;
    } cases[] = {
        {"", "", ""},
        {"Go", "Go", "Go"},
        {"|Check this box", "", "Check this box"},
        {"Help|", "Help", ""},
        {"a|b|c", "a", "b|c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetShortHint(c.hint), c.shortPart) << "short hint of [" << c.hint << "]";
        EXPECT_EQ(GetLongHint(c.hint), c.longPart) << "long hint of [" << c.hint << "]";
    }
}

TEST(SysUtils, StrToIntDefAcceptsOnlyWholeNumbers)
{
    struct Case {
        const char* text;
        int expected;
    } cases[] = {{"42", 42},         {" -17 ", -17},       {"+5", 5},           {"", -1},
                 {"-", -1},          {"12a", -1},          {"0x10", -1},        {"2147483647", 2147483647},
                 {"-2147483648", -2147483647 - 1},         {"2147483648", -1},  {"99999999999999999999", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << "text [" << c.text << "]";
}

TEST(SysUtils, PathPartsSplitAtEitherSeparator)
{
    EXPECT_EQ(ExtractFilePath("C:\\Program Files\\Skyloom\\skyloom.exe"), "C:\\Program Files\\Skyloom\\");
    EXPECT_EQ(ExtractFileName("C:\\Program Files\\Skyloom\\skyloom.exe"), "skyloom.exe");
    EXPECT_EQ(ExtractFileName("/tmp/a/b.txt"), "b.txt");
    EXPECT_EQ(ExtractFilePath("plain"), "");
    EXPECT_EQ(ExtractFileExt("dir.d\\name"), "");
    EXPECT_EQ(ExtractFileExt("a.tar.gz"), ".gz");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:\\x\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x\\"), "C:\\x\\");
}

TEST(SysUtils, DatesCountDaysFrom30December1899)
{
    struct Case {
        int y, m, d;
        double days;
    } cases[] = {{1899, 12, 30, 0},   {1899, 12, 31, 1},     {1900, 1, 1, 2},      {1900, 3, 1, 61},
                 {1970, 1, 1, 25569}, {2000, 2, 29, 36585},  {2006, 6, 27, 38895}, {1899, 12, 29, -1},
                 {9999, 12, 31, 2958465}, {1, 1, 1, -693593}};
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        int y = 0, m = 0, d = 0;
        // Before the epoch the time of day counts away from zero: 06:00 on day -1 is -1.25.
        DecodeDate(c.days < 0 ? c.days - 0.75 : c.days + 0.75, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d) << "decoding day " << c.days;
    }
}

TEST(SysUtils, InvalidDatesAndTimesAreRefused)
{
    TDateTime dt = 0;
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, dt)) << "2001 is not a leap year";
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, dt)) << "1900 is not a leap year";
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, dt));
    EXPECT_FALSE(TryEncodeDate(2020, 13, 1, dt));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, dt));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, dt));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, dt));
    EXPECT_THROW(EncodeDate(2020, 4, 31), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
}

TEST(SysUtils, TimeOfDayRoundTripsToTheMillisecond)
{
    struct Case {
        int h, n, s, ms;
    } cases[] = {{0, 0, 0, 0}, {12, 0, 0, 0}, {23, 59, 59, 999}, {6, 30, 15, 500}, {0, 0, 0, 1}};
    for (const Case& c : cases) {
        TDateTime t = EncodeDate(2024, 5, 17) + EncodeTime(c.h, c.n, c.s, c.ms);
        int h, n, s, ms;
        DecodeTime(t, h, n, s, ms);
        EXPECT_EQ((((h * 60 + n) * 60 + s) * 1000 + ms), (((c.h * 60 + c.n) * 60 + c.s) * 1000 + c.ms))
            << c.h << ":" << c.n << ":" << c.s << "." << c.ms;
        int y, m, d;
        DecodeDate(t, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, 20240517) << "the time must not move the date";
    }
    // Before the epoch the fraction still counts from midnight of the day.
    int h, n, s, ms;
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
}

TEST(SysUtils, UnixTimeAndWeekdays)
{
    EXPECT_EQ(UnixToDateTime(0), 25569.0);
    EXPECT_EQ(DateTimeToUnix(EncodeDate(2000, 1, 1)), 946684800);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7) << "Saturday";
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 5, 19)), 1) << "Sunday";
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 5, 20)), 2) << "Monday";
    TDateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_LT(std::fabs(NowUTC() - now), 1.0) << "local and universal time differ by less than a day";
}

namespace {

// Records the life of components in a shared journal.
struct TJournal {
    std::vector<std::string> Events;
};

class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, std::string name, TJournal& journal) : TComponent(owner), FJournal(journal)
    {
        Name = std::move(name);
    }
    ~TProbe() override { FJournal.Events.push_back("free " + Name); }
    std::vector<std::string> Seen;

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        FJournal.Events.push_back("loaded " + Name + (Loading() ? " (still loading)" : ""));
    }
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove)
            Seen.push_back(component->Name);
    }
    void AfterLoading() override { FJournal.Events.push_back("after " + Name); }

private:
    TJournal& FJournal;
};

} // namespace

TEST(Component, OwnerFreesOwnedComponentsOnceNewestFirst)
{
    TJournal journal;
    auto* root = new TProbe(nullptr, "root", journal);
    new TProbe(root, "a", journal);
    auto* b = new TProbe(root, "b", journal);
    new TProbe(b, "b1", journal);
    new TProbe(root, "c", journal);
    EXPECT_EQ(root->ComponentCount(), 3);
    EXPECT_EQ(root->FindComponent("B"), b) << "names are found without regard to case";
    delete root;
    // The root's own destructor body runs first, then what it owns goes, newest first.
    std::vector<std::string> expected = {"free root", "free c", "free b", "free b1", "free a"};
    EXPECT_EQ(journal.Events, expected);
}

TEST(Component, FreeingAnOwnedComponentTakesItOutOfItsOwner)
{
    TJournal journal;
    auto* root = new TProbe(nullptr, "root", journal);
    auto* a = new TProbe(root, "a", journal);
    new TProbe(root, "b", journal);
    delete a;
    EXPECT_EQ(root->ComponentCount(), 1);
    EXPECT_EQ(root->Seen, std::vector<std::string>{"a"}) << "the owner is told";
    delete root;
    std::vector<std::string> expected = {"free a", "free root", "free b"};
    EXPECT_EQ(journal.Events, expected) << "a is freed exactly once";
}

TEST(Component, FreeNotificationTellsAnotherComponent)
{
    TJournal journal;
    auto* watcher = new TProbe(nullptr, "watcher", journal);
    auto* other = new TProbe(nullptr, "other", journal);
    watcher->FreeNotification(other);
    delete other;
    EXPECT_EQ(watcher->Seen, std::vector<std::string>{"other"});
    auto* third = new TProbe(nullptr, "third", journal);
    watcher->FreeNotification(third);
    watcher->RemoveFreeNotification(third);
    delete third;
    EXPECT_EQ(watcher->Seen.size(), 1u) << "no notice after it was withdrawn";
    // And the other way round: a freed watcher is forgotten, not called later.
    auto* fourth = new TProbe(nullptr, "fourth", journal);
    fourth->FreeNotification(watcher);
    delete watcher;
    delete fourth;
}

TEST(Component, LoadedStepsRunOnceInDesignOrderThenAfterLoading)
{
    TJournal journal;
    TProbe root(nullptr, "form", journal);
    root.BeginLoading();
    auto* first = new TProbe(&root, "first", journal);
    new TProbe(&root, "second", journal);
    auto* nested = new TProbe(first, "nested", journal);  // created by a component, not designed on the form
    new TProbe(&root, "third", journal);
    EXPECT_TRUE(first->Loading());
    EXPECT_FALSE(nested->Loading()) << "only the form's own design is loaded";
    root.FinishLoading();
    root.FinishLoading();  // a second call changes nothing
    std::vector<std::string> expected = {"loaded form", "loaded first", "loaded second", "loaded third", "after form"};
    EXPECT_EQ(journal.Events, expected);
    EXPECT_FALSE(first->Loading());
    auto* late = new TProbe(&root, "late", journal);
    EXPECT_FALSE(late->Loading()) << "components made after loading are not loading";
}

TEST(Component, ALoadedStepMayFreeALaterComponent)
{
    TJournal journal;
    struct TKiller : TProbe {
        using TProbe::TProbe;
        TComponent* Victim = nullptr;
        void Loaded() override
        {
            TProbe::Loaded();
            delete Victim;
        }
    };
    TProbe root(nullptr, "form", journal);
    root.BeginLoading();
    auto* killer = new TKiller(&root, "killer", journal);
    killer->Victim = new TProbe(&root, "victim", journal);
    new TProbe(&root, "last", journal);
    root.FinishLoading();
    std::vector<std::string> expected = {"loaded form", "loaded killer", "free victim", "loaded last", "after form"};
    EXPECT_EQ(journal.Events, expected);
}

TEST(List, IndexErrorsAreReportedNotUndefined)
{
    TList list;
    int a = 1, b = 2;
    EXPECT_EQ(list.Add(&a), 0);
    EXPECT_EQ(list.Add(&b), 1);
    EXPECT_EQ(list.Add(&a), 2) << "a plain list keeps duplicates";
    EXPECT_EQ(list.IndexOf(&b), 1);
    EXPECT_EQ(list.Remove(&a), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_THROW(list.Items(2), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    try {
        list.Items(7);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (7)");
    }
}

namespace {

class TNamedItem : public TCollectionItem {
public:
    explicit TNamedItem(TCollection* c) : TCollectionItem(c) {}
    std::string Text;
    void Assign(const TPersistent& source) override
    {
        if (auto* o = dynamic_cast<const TNamedItem*>(&source)) {
            Text = o->Text;
            return;
        }
        TCollectionItem::Assign(source);
    }
};

} // namespace

TEST(Collection, OwnsItemsAndKeepsIndexesAndIds)
{
    TCollectionOf<TNamedItem> items;
    int updates = 0;
    items.OnUpdate = [&](TCollection*, TCollectionItem*) { ++updates; };
    items.Add()->Text = "one";
    items.Add()->Text = "two";
    items.Insert(0)->Text = "zero";
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.Items(0)->Text, "zero");
    EXPECT_EQ(items.Items(2)->Index(), 2);
    EXPECT_EQ(items.FindItemID(1), items.Items(2)) << "ids stay with the item";
    EXPECT_GT(updates, 0);
    delete items.Items(1);  // an item freed by itself leaves the collection
    EXPECT_EQ(items.Count(), 2);
    TCollectionOf<TNamedItem> copy;
    copy.Assign(items);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(1)->Text, "two");
    items.BeginUpdate();
    int before = updates;
    items.Clear();
    EXPECT_EQ(updates, before) << "no updates inside BeginUpdate";
    items.EndUpdate();
    EXPECT_EQ(items.Count(), 0);
    TNamedItem loose(nullptr);
    EXPECT_EQ(loose.Index(), -1) << "an item may live outside a collection";
    EXPECT_THROW(copy.Items(5), EListError);
}

TEST(Persistent, AssignBetweenUnrelatedClassesIsAnError)
{
    TStringList strings;
    TCollectionOf<TNamedItem> items;
    EXPECT_THROW(strings.Assign(items), EConvertError);
}

TEST(StringList, TextSplitsAtAnyLineBreakAndValuesByName)
{
    TStringList list;
    list.SetText("a=1\r\nb=2\nc\rd=\r\n");
    std::vector<std::string> expected = {"a=1", "b=2", "c", "d="};
    EXPECT_EQ(list.Items(), expected);
    EXPECT_EQ(list.Values("B"), "2");
    EXPECT_EQ(list.Values("c"), "") << "a line without '=' has no value";
    EXPECT_EQ(list.IndexOfName("d"), 3);
    list.SetValues("a", "9");
    list.SetValues("e", "5");
    list.SetValues("b", "");
    EXPECT_EQ(list.Text(), "a=9\r\nc\r\nd=\r\ne=5\r\n");
    TStringList quoted;
    quoted.Add("plain");
    quoted.Add("with space");
    quoted.Add("say \"hi\"");
    quoted.Add("");
    EXPECT_EQ(quoted.CommaText(), "plain,\"with space\",\"say \"\"hi\"\"\",\"\"");
}

TEST(Stream, MemoryStreamReadsWritesAndSeeks)
{
    TMemoryStream s;
    s.WriteBuffer("hello world", 11);
    EXPECT_EQ(s.Size(), 11);
    s.SetPosition(6);
    char buf[16] = {};
    EXPECT_EQ(s.Read(buf, 16), 5);
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_EQ(s.Read(buf, 1), 0) << "nothing after the end";
    s.SetPosition(9);
    EXPECT_THROW(s.ReadBuffer(buf, 5), EReadError);
    s.Seek(-5, soEnd);
    s.WriteBuffer("there!", 6);
    EXPECT_EQ(s.DataString(), "hello there!");
    TMemoryStream copy;
    copy.CopyFrom(s, 0);
    EXPECT_EQ(copy.DataString(), "hello there!");
    s.SetSize(5);
    EXPECT_EQ(s.DataString(), "hello");
    EXPECT_EQ(s.Position(), 5);
}
