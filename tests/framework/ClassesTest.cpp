// Components with owners and loaded steps, lists, collections, persistent objects, string lists, streams.
#include "Classes.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skyloom;

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

TEST(Component, NewComponentIsOwnedAndNamedAsTheDesignSays)
{
    TComponent root(nullptr);
    auto* first = NewComponent<TComponent>(&root, "Timer1");
    auto* second = NewComponent<TComponent>(&root, "Timer2");
    EXPECT_EQ(first->Owner(), &root);
    EXPECT_EQ(root.ComponentCount(), 2);
    EXPECT_EQ(root.FindComponent("Timer2"), second) << "found by the name it was made with";
    EXPECT_EQ(first->Name, "Timer1");
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

TEST(Property, UpdateFieldStoresANewValueAndSaysWhetherItChanged)
{
    int number = 5;
    EXPECT_FALSE(UpdateField(number, 5)) << "the same value is no change";
    EXPECT_EQ(number, 5);
    EXPECT_TRUE(UpdateField(number, 7)) << "a new value is a change";
    EXPECT_EQ(number, 7) << "a new value is stored";
    std::string text = "same";
    EXPECT_FALSE(UpdateField(text, "same")) << "a value of another type compares with the field";
    EXPECT_TRUE(UpdateField(text, "other"));
    EXPECT_EQ(text, "other");
}
