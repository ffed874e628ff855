// The component library's portable base: hosts, the login record, unique and object lists, persistent helpers.
#include "slClasses.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skyloom;

TEST(TslComponent, HostIsTheOwnerUntilChanged)
{
    TComponent owner(nullptr);
    auto* c = new TslComponent(&owner);
    EXPECT_EQ(c->Host(), &owner);
    EXPECT_EQ(c->HostForm(), nullptr) << "a plain component is no form";
    auto* other = new TComponent(nullptr);
    c->ChangeHost(other);
    EXPECT_EQ(c->Host(), other);
    delete other;
    EXPECT_EQ(c->Host(), nullptr) << "a freed host is forgotten";
    c->SetHost(nullptr);
}

TEST(TslLoginComponent, LInfoRoundTrips)
{
    struct Case {
        std::string user, password;
    } cases[] = {
        {"user", "secret"},
        {"", "only password"},
        {"only user", ""},
        {std::string("bin\0ary", 7), std::string("\xff\x00\x80", 3)},
        {std::string(100, 'u'), std::string(154, 'p')},  // the longest pair that fits: 255 bytes
    };
    TComponent owner(nullptr);
    for (const Case& c : cases) {
        TslLoginComponent writer(&owner);
        writer.UserName = c.user;
        writer.Password = c.password;
        ASSERT_TRUE(writer.HasLInfo());
        std::string record = writer.LInfo();
        ASSERT_EQ(record.size(), c.user.size() + c.password.size() + 2) << "count byte, length byte, both strings";
        EXPECT_EQ(static_cast<unsigned char>(record[0]), (c.user.size() + c.password.size() + 1) % 256);
        EXPECT_EQ(record.find(c.password.empty() ? std::string("\x01\x02\x03") : c.password), std::string::npos)
            << "the password is not stored in clear";
        TslLoginComponent reader(&owner);
        reader.SetLInfo(record);
        EXPECT_EQ(reader.UserName, c.user);
        EXPECT_EQ(reader.Password, c.password);
    }
}

TEST(TslLoginComponent, LInfoIsAbsentWhenEmptyAndRefusesWhatItCannotHold)
{
    TComponent owner(nullptr);
    TslLoginComponent login(&owner);
    EXPECT_FALSE(login.HasLInfo());
    EXPECT_EQ(login.LInfo(), "");
    login.UserName = std::string(200, 'u');
    login.Password = std::string(55, 'p');
    EXPECT_THROW(login.LInfo(), EInvalidOperation) << "256 bytes would wrap the count byte";
}

TEST(TslLoginComponent, MalformedLInfoClearsBothStrings)
{
    TComponent owner(nullptr);
    TslLoginComponent good(&owner);
    good.UserName = "name";
    good.Password = "pw";
    std::string record = good.LInfo();
    std::string longName = record;
    longName[1] = static_cast<char>(longName[1] ^ 0x7F);  // a name length beyond the record
    const std::string cases[] = {record.substr(0, 4), std::string("\x00", 1), longName, std::string()};
    for (const std::string& bad : cases) {
        TslLoginComponent reader(&owner);
        reader.UserName = "old";
        reader.Password = "old";
        reader.SetLInfo(bad);
        EXPECT_EQ(reader.UserName, "");
        EXPECT_EQ(reader.Password, "");
    }
}

TEST(TslUniqueList, RefusesCopiesAndEmptyItems)
{
    TslUniqueList list;
    int a = 1, b = 2;
    EXPECT_EQ(list.Add(&a), 0);
    EXPECT_EQ(list.Add(&b), 1);
    EXPECT_EQ(list.Add(&a), -1) << "a second copy";
    EXPECT_EQ(list.Add(nullptr), -1) << "an empty item";
    EXPECT_EQ(list.Count(), 2);
}

namespace {

class TCounted : public TObject {
public:
    explicit TCounted(int& alive) : FAlive(alive) { ++FAlive; }
    ~TCounted() override { --FAlive; }

private:
    int& FAlive;
};

} // namespace

TEST(TslObjectList, MaxCountDropsTheOldestAndOwnedItemsAreFreed)
{
    int alive = 0;
    std::vector<std::string> events;
    {
        TslObjectList list(true);
        list.OnItemAdded = [&](TObject*, TObject*) { events.push_back("added"); };
        list.OnItemRemoved = [&](TObject*, TObject*) { events.push_back("removed"); };
        list.OnChange = [&](TObject*, TObject*, TslListAction a) { events.push_back(a == laAdded ? "+" : "-"); };
        list.SetMaxCount(2);
        auto* first = new TCounted(alive);
        list.AddObject(first);
        auto* second = new TCounted(alive);
        list.AddObject(second);
        auto* third = new TCounted(alive);
        EXPECT_EQ(list.AddObject(third), 1) << "the index of the new item after the oldest went";
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Objects(0), second);
        EXPECT_EQ(alive, 2) << "the dropped item was freed";
        EXPECT_EQ(list.AddObject(third), -1) << "still unique";
        std::vector<std::string> expected = {"added", "+", "added", "+", "added", "+", "removed", "-"};
        EXPECT_EQ(events, expected);
        list.Extract(second);
        EXPECT_EQ(alive, 2) << "extracted items are not freed";
        delete second;
    }
    EXPECT_EQ(alive, 0) << "the list frees what it owns";
}

TEST(TslObjectList, NoEventsWhileTheApplicationIsBeingDestroyed)
{
    int events = 0;
    TslObjectList list(false);
    list.OnChange = [&](TObject*, TObject*, TslListAction) { ++events; };
    int alive = 0;
    TCounted item(alive);
    SetApplicationDestroying(true);
    list.AddObject(&item);
    list.Remove(&item);
    SetApplicationDestroying(false);
    EXPECT_EQ(events, 0);
    list.AddObject(&item);
    EXPECT_EQ(events, 1);
    list.Clear();
}

TEST(TslPersistent, HelpersAssignTheirFields)
{
    TComponent owner(nullptr);
    TslAddon a(&owner), b(&owner);
    b.Enabled = false;
    a.Assign(b);
    EXPECT_FALSE(a.Enabled);
    EXPECT_EQ(a.Owner(), &owner);

    TCollectionOf<TslNameValueCollectionItem> items;
    auto* item = items.Add();
    item->Name = "key";
    item->Value = "value";
    TCollectionOf<TslNameValueCollectionItem> copy;
    copy.Assign(items);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Name, "key");
    EXPECT_EQ(copy.Items(0)->Value, "value");

    int before = 0, after = 0;
    TslListObject x, y;
    y.Value1 = 5;
    y.Value2 = -7;
    x.OnBeforeAssign = [&](TslListObject* sender, const TslListObject& source) {
        EXPECT_EQ(sender->Value1, 0) << "before: not copied yet";
        EXPECT_EQ(source.Value1, 5);
        ++before;
    };
    x.OnAfterAssign = [&](TslListObject* sender) {
        EXPECT_EQ(sender->Value2, -7);
        ++after;
    };
    x.Assign(y);
    EXPECT_EQ(before + after, 2);
    EXPECT_THROW(x.Assign(a), EConvertError);

    TslCollectionDataItem loose(nullptr);
    int data = 0;
    loose.Data = &data;
    TslCollectionDataItem other(nullptr);
    other.Assign(loose);
    EXPECT_EQ(other.Data, &data);
}

TEST(TslTextStyle, DefaultsAndChangeNotices)
{
    TslTextStyle style;
    EXPECT_FALSE(style.PlainText());
    EXPECT_EQ(style.TagOpen(), '[');
    EXPECT_EQ(style.TagClose(), ']');
    int changes = 0;
    style.OnChange = [&](TObject*) { ++changes; };
    style.SetTagOpen('[');
    style.SetPlainText(false);
    EXPECT_EQ(changes, 0) << "no change, no repaint";
    style.SetTagOpen('{');
    style.SetTagClose('}');
    style.SetPlainText(true);
    EXPECT_EQ(changes, 3);
    TslTextStyle copy;
    copy.OnChange = [&](TObject*) { ++changes; };
    copy.Assign(style);
    EXPECT_EQ(copy.TagOpen(), '{');
    EXPECT_EQ(changes, 4);
}
