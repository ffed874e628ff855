// Geometry of the widget kit: the button panel's layout and the proportional image's target rectangle.
#include "slButtonsPanelLayout.h"
#include "slPropImageGeometry.h"

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

TEST(ButtonsPanelLayout, TheMessageBoxPanelCentresItsTwoButtons)
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

TEST(ButtonsPanelLayout, RowsFollowTheAlignmentAndTheCustomButton)
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

TEST(ButtonsPanelLayout, DividerAndVerticalPanels)
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

TEST(PropImageGeometry, PicturesScaleDownKeepingTheirProportions)
{
    struct Case {
        int w, h, boxW, boxH;
        bool proportional, stretch;
        TslImageAlignment alignment;
        TRect expected;
        const char* what;
    } cases[] = {
        {64, 32, 32, 32, true, false, iaCenter, Bounds(0, 8, 32, 16), "wide picture: 32 x 16, 8 from the top"},
        {16, 16, 32, 32, true, false, iaCenter, Bounds(8, 8, 16, 16), "small picture unscaled, centred"},
        {16, 16, 32, 32, false, true, iaCenter, Bounds(0, 0, 32, 32), "stretch without proportions fills"},
        {64, 64, 32, 32, false, false, iaCenter, Bounds(-16, -16, 64, 64), "no scaling: the middle shows"},
        {16, 16, 32, 48, true, true, iaCenter, Bounds(0, 8, 32, 32), "stretch with proportions"},
        {30, 60, 32, 32, true, false, iaTopLeft, Bounds(0, 0, 16, 32), "tall picture: full height"},
        {100, 30, 40, 10, true, false, iaCenter, Bounds(3, 0, 33, 10), "too high after the width: 33.33 wide"},
        {5, 2, 5, 1, true, true, iaTopLeft, Bounds(0, 0, 2, 1), "2.5 rounds to the even 2"},
        {7, 2, 7, 1, true, true, iaTopLeft, Bounds(0, 0, 4, 1), "3.5 rounds to the even 4"},
        {16, 16, 32, 32, true, false, iaBottomRight, Bounds(16, 16, 16, 16), "bottom right"},
        {16, 16, 32, 32, true, false, iaLeft, Bounds(0, 8, 16, 16), "left"},
        {16, 16, 32, 32, true, false, iaTop, Bounds(8, 0, 16, 16), "top"},
        {16, 16, 32, 32, true, false, iaRight, Bounds(16, 8, 16, 16), "right"},
        {16, 16, 32, 32, true, false, iaBottom, Bounds(8, 16, 16, 16), "bottom"},
        {16, 16, 32, 32, true, false, iaTopRight, Bounds(16, 0, 16, 16), "top right"},
        {16, 16, 32, 32, true, false, iaBottomLeft, Bounds(0, 16, 16, 16), "bottom left"},
        {33, 33, 32, 32, false, false, iaCenter, Bounds(0, 0, 33, 33), "-1 / 2 is taken toward zero"},
        {0, 0, 32, 32, true, true, iaCenter, Bounds(16, 16, 0, 0), "an empty picture is not scaled"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProportionalImageRect(c.w, c.h, c.boxW, c.boxH, c.proportional, c.stretch, c.alignment), c.expected)
            << c.what;
}

TEST(PropImageGeometry, RoundingTakesHalvesToEven)
{
    struct Case {
        double value;
        int rounded;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.5, 0}, {-1.5, -2}, {7.0, 7}};
    for (const Case& c : cases)
        EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << "rounding " << c.value;
}
