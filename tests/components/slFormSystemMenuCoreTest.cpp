#include "slFormSystemMenuCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace skyloom {
namespace {

// A system menu kept as a list of command numbers, the way the platform's default one starts out.
class TFakeMenu : public ISystemMenuTarget {
public:
    explicit TFakeMenu(std::uint32_t style) : FStyle(style) {}

    std::vector<unsigned> Commands;
    std::vector<unsigned> Grayed;
    int Reverts = 0;
    int Refreshes = 0;
    int Inserts = 0;
    std::vector<std::string> Order;

    void RevertMenu() override
    {
        ++Reverts;
        Commands = {scRestore, scMove, scSize, scMinimize, scMaximize, scSeparator, scClose};
        Grayed.clear();
        Order.push_back("revert");
    }
    void EnableCommand(unsigned c) override { std::erase(Grayed, c); }
    void GrayCommand(unsigned c) override
    {
        if (Has(c))
            Grayed.push_back(c);
    }
    void DeleteCommand(unsigned c) override
    {
        auto it = std::find(Commands.begin(), Commands.end(), c);
        if (it != Commands.end())
            Commands.erase(it);
    }
    std::uint32_t Style() override { return FStyle; }
    void SetStyle(std::uint32_t s) override { FStyle = s; }
    void RefreshFrame() override
    {
        ++Refreshes;
        Order.push_back("refresh");
    }
    void InsertItems() override
    {
        ++Inserts;
        Order.push_back("insert");
    }

    bool Has(unsigned c) const { return std::find(Commands.begin(), Commands.end(), c) != Commands.end(); }
    bool IsGrayed(unsigned c) const { return std::find(Grayed.begin(), Grayed.end(), c) != Grayed.end(); }

private:
    std::uint32_t FStyle;
};

// Style of the main window's design: single border, system menu and minimize box only.
constexpr std::uint32_t SingleMinimizeOnly = wsMinimizeBox;

TEST(FormSystemMenu, AllItemsActiveGiveBothBoxesEvenWithoutAMaximizeButtonInTheDesign)
{
    TFakeMenu menu(SingleMinimizeOnly);
    TslFormSystemMenuItems items;
    UpdateSystemMenu(menu, {smbSingle, true, false}, items);
    EXPECT_EQ(menu.Style() & (wsMinimizeBox | wsMaximizeBox), wsMinimizeBox | wsMaximizeBox);
    EXPECT_EQ(menu.Style() & wsThickFrame, 0u) << "a single border never gets a sizing frame";
    EXPECT_EQ(menu.Commands.size(), 7u) << "every standard command stays";
    EXPECT_TRUE(menu.Grayed.empty());
    EXPECT_EQ(menu.Refreshes, 1) << "the changed style is shown at once";
    EXPECT_EQ(menu.Inserts, 1);
}

TEST(FormSystemMenu, EachItemStateActsOnItsOwnCommand)
{
    using TSetter = void (TslFormSystemMenuItems::*)(TslSystemMenuItemState);
    const struct {
        const char* Name;
        TSetter Set;
        unsigned Command;
    } items[] = {
        {"Restore", &TslFormSystemMenuItems::SetRestore, scRestore},
        {"Move", &TslFormSystemMenuItems::SetMove, scMove},
        {"Size", &TslFormSystemMenuItems::SetSize, scSize},
        {"Minimize", &TslFormSystemMenuItems::SetMinimize, scMinimize},
        {"Maximize", &TslFormSystemMenuItems::SetMaximize, scMaximize},
        {"Close", &TslFormSystemMenuItems::SetClose, scClose},
        {"Separator", &TslFormSystemMenuItems::SetSeparator, scSeparator},
    };
    for (const auto& item : items) {
        for (TslSystemMenuItemState state : {isActive, isHidden, isDisabled}) {
            TFakeMenu menu(SingleMinimizeOnly);
            TslFormSystemMenuItems settings;
            (settings.*item.Set)(state);
            UpdateSystemMenu(menu, {smbSingle, true, false}, settings);
            const bool separator = item.Command == scSeparator;
            EXPECT_EQ(menu.Has(item.Command), state != isHidden) << item.Name << " state " << state;
            // The separator cannot be grayed; it is only kept or removed.
            EXPECT_EQ(menu.IsGrayed(item.Command), state == isDisabled && !separator) << item.Name << " state " << state;
            EXPECT_EQ(menu.Commands.size(), state == isHidden ? 6u : 7u) << item.Name << ": no other command touched";
        }
    }
}

TEST(FormSystemMenu, FrameButtonsFollowMinimizeMaximizeAndSize)
{
    const struct {
        TslSysMenuBorder Border;
        TslSystemMenuItemState Minimize, Maximize, Size;
        std::uint32_t Expected;
    } cases[] = {
        {smbSingle, isActive, isActive, isActive, wsMinimizeBox | wsMaximizeBox},
        {smbSingle, isDisabled, isActive, isActive, wsMaximizeBox},
        {smbSingle, isActive, isHidden, isHidden, wsMinimizeBox},
        {smbSizeable, isActive, isActive, isActive, wsMinimizeBox | wsMaximizeBox | wsThickFrame},
        {smbSizeable, isActive, isActive, isDisabled, wsMinimizeBox | wsMaximizeBox},
        {smbDialog, isHidden, isHidden, isActive, wsThickFrame},
    };
    for (const auto& c : cases) {
        TFakeMenu menu(wsThickFrame);
        TslFormSystemMenuItems items;
        items.SetMinimize(c.Minimize);
        items.SetMaximize(c.Maximize);
        items.SetSize(c.Size);
        UpdateSystemMenu(menu, {c.Border, true, false}, items);
        EXPECT_EQ(menu.Style() & (wsMinimizeBox | wsMaximizeBox | wsThickFrame),
                  c.Expected | (c.Border == smbSingle ? std::uint32_t{wsThickFrame} : std::uint32_t{0}))
            << "border " << c.Border << " min " << c.Minimize << " max " << c.Maximize << " size " << c.Size;
    }
}

TEST(FormSystemMenu, InactiveLeavesThePlatformDefaultMenu)
{
    TFakeMenu menu(SingleMinimizeOnly);
    TslFormSystemMenuItems items;
    items.SetClose(isHidden);
    UpdateSystemMenu(menu, {smbSingle, false, false}, items);
    EXPECT_EQ(menu.Reverts, 1);
    EXPECT_EQ(menu.Commands.size(), 7u) << "settings are not applied while inactive";
    EXPECT_EQ(menu.Inserts, 0) << "no items are inserted while inactive";
    EXPECT_EQ(menu.Style(), SingleMinimizeOnly) << "the design's buttons stay";
}

TEST(FormSystemMenu, DialogBordersLoseTheWindowSizeCommands)
{
    for (TslSysMenuBorder border : {smbDialog, smbToolWindow, smbSizeToolWin}) {
        TFakeMenu menu(wsMinimizeBox | wsMaximizeBox | wsThickFrame);
        ResetSystemMenu(menu, {border, false, false});
        EXPECT_FALSE(menu.Has(scRestore)) << border;
        EXPECT_FALSE(menu.Has(scMinimize)) << border;
        EXPECT_FALSE(menu.Has(scMaximize)) << border;
        EXPECT_FALSE(menu.Has(scSeparator)) << border;
        EXPECT_EQ(menu.Has(scSize), border == smbSizeToolWin) << border;
        EXPECT_EQ(menu.Style() & (wsMinimizeBox | wsMaximizeBox), 0u) << "inactive: no frame buttons, border " << border;
        EXPECT_EQ((menu.Style() & wsThickFrame) != 0, border == smbSizeToolWin) << border;
    }
}

TEST(FormSystemMenu, DesignTimeKeepsTheSizingFrame)
{
    TFakeMenu menu(wsThickFrame);
    ResetSystemMenu(menu, {smbSingle, false, true});
    EXPECT_EQ(menu.Style(), wsThickFrame);
    EXPECT_EQ(menu.Refreshes, 0) << "an unchanged style needs no refresh";
}

TEST(FormSystemMenu, RebuildingTwiceGivesTheSameMenu)
{
    TFakeMenu menu(SingleMinimizeOnly);
    TslFormSystemMenuItems items;
    items.SetMove(isHidden);
    UpdateSystemMenu(menu, {smbSingle, true, false}, items);
    const auto first = menu.Commands;
    UpdateSystemMenu(menu, {smbSingle, true, false}, items);
    EXPECT_EQ(menu.Commands, first) << "each rebuild starts from the default menu";
    EXPECT_EQ(menu.Order.back(), "insert") << "items are inserted last, after the standard commands are settled";
}

TEST(FormSystemMenu, EveryChangeOfASettingIsAnnounced)
{
    TslFormSystemMenuItems items;
    int changes = 0;
    items.OnChange = [&] { ++changes; };
    items.SetRestore(isHidden);
    items.SetMove(isDisabled);
    items.SetSize(isHidden);
    items.SetMinimize(isHidden);
    items.SetMaximize(isHidden);
    items.SetClose(isHidden);
    items.SetMDINext(isHidden);
    items.SetSeparator(isHidden);
    EXPECT_EQ(changes, 8);
    EXPECT_EQ(items.Move(), isDisabled);
    EXPECT_EQ(items.Separator(), isHidden);
}

} // namespace
} // namespace skyloom
