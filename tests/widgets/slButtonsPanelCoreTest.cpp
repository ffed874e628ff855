// The button panel's layout: rows, columns, the divider and the custom button.
#include "slButtonsPanelCore.h"

#include <gtest/gtest.h>

using namespace skyloom;

namespace {

// The message box's panel: centred, vertical margin 7, OK and Cancel.
TslButtonsPanelMetrics BoxPanel(int width)
{
    TslButtonsPanelMetrics m;
    m.Alignment = braCenter;
    m.MarginVert = 7;
    m.Visible = {true, true, false, false, false};
    m.PanelWidth = width;
    m.PanelHeight = 39;
    return m;
}

} // namespace

TEST(ButtonsPanelCore, TheMessageBoxPanelCentresItsTwoButtons)
{
    auto p = LayoutButtonsPanel(BoxPanel(361));
    EXPECT_EQ(p.Thickness, 39);
    EXPECT_EQ(p.Buttons[pbOK], Bounds((361 - 156) / 2 + 1, 7, 75, 25));
    EXPECT_EQ(p.Buttons[pbCancel], Bounds((361 - 156) / 2 + 1 + 81, 7, 75, 25));
    EXPECT_FALSE(p.DividerVisible);

    auto m = BoxPanel(361);
    m.Visible[pbCancel] = false;
    EXPECT_EQ(LayoutButtonsPanel(m).Buttons[pbOK], Bounds((361 - 75) / 2 + 1, 7, 75, 25)) << "OK alone re-centred";
    EXPECT_EQ(LayoutButtonsPanel(BoxPanel(100)).Buttons[pbOK].Left, 0) << "a row wider than the panel starts at 0";
}

TEST(ButtonsPanelCore, RowsFollowTheAlignmentAndTheCustomButton)
{
    TslButtonsPanelMetrics m;
    m.Visible = {true, true, true, true, true};
    m.PanelWidth = 450;
    auto right = LayoutButtonsPanel(m);
    EXPECT_EQ(right.Buttons[pbCustom].Right, 450 - 5) << "the row ends 5 pixels from the right edge";
    EXPECT_EQ(right.Buttons[pbOK].Left, 450 - 5 - (5 * 75 + 4 * 6));
    EXPECT_EQ(right.Thickness, 25 + 12);

    m.CustomButtonPosition = cbpBeforeFirst;
    m.Alignment = braLeft;
    auto left = LayoutButtonsPanel(m);
    EXPECT_EQ(left.Buttons[pbCustom].Left, 5);
    EXPECT_EQ(left.Buttons[pbOK].Left, 5 + 81);
    EXPECT_EQ(left.Buttons[pbHelp].Left, 5 + 4 * 81);

    m.CustomButtonPosition = cbpOppositeEdge;
    auto opposite = LayoutButtonsPanel(m);
    EXPECT_EQ(opposite.Buttons[pbOK].Left, 5);
    EXPECT_EQ(opposite.Buttons[pbCustom].Left, 450 - 5 - 75) << "left row: the custom button at the right edge";
    m.Alignment = braRight;
    auto oppositeRight = LayoutButtonsPanel(m);
    EXPECT_EQ(oppositeRight.Buttons[pbCustom].Left, 5) << "right row: the custom button at the left edge";
    EXPECT_EQ(oppositeRight.Buttons[pbHelp].Right, 445) << "the custom button is not part of the row";
}

TEST(ButtonsPanelCore, DividerAndVerticalPanels)
{
    auto m = BoxPanel(361);
    m.ShowDivider = true;
    auto p = LayoutButtonsPanel(m);
    EXPECT_TRUE(p.DividerVisible);
    EXPECT_EQ(p.Divider, Bounds(5, 0, 351, 2));
    EXPECT_EQ(p.Thickness, 41) << "the divider adds 2 pixels";
    EXPECT_EQ(p.Buttons[pbOK].Top, 9) << "the buttons move down by 2 pixels";

    TslButtonsPanelMetrics v;
    v.Align = alVertical;
    v.Alignment = braLeft;
    v.ShowDivider = true;
    v.PanelHeight = 200;
    auto vp = LayoutButtonsPanel(v);
    EXPECT_EQ(vp.Thickness, 75 + 10 + 2);
    EXPECT_EQ(vp.Divider, Bounds(0, 6, 2, 188));
    EXPECT_EQ(vp.Buttons[pbOK], Bounds(7, 6, 75, 25));
    EXPECT_EQ(vp.Buttons[pbCancel], Bounds(7, 6 + 31, 75, 25));
    EXPECT_EQ(vp.Buttons[pbHelp], TRect{}) << "hidden buttons get no place";
}
