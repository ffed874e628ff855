// The proportional image's target rectangle: scaling, centring and rounding.
#include "slPropImageCore.h"

#include <gtest/gtest.h>

using namespace skyloom;

TEST(PropImageCore, PicturesScaleDownKeepingTheirProportions)
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

TEST(PropImageCore, RoundingTakesHalvesToEven)
{
    struct Case {
        double value;
        int rounded;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.5, 0}, {-1.5, -2}, {7.0, 7}};
    for (const Case& c : cases)
        EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << "rounding " << c.value;
}
