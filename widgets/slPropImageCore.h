// Where a proportional image draws its picture. Portable.
#pragma once

#include "Types.h"

namespace skyloom {

enum TslImageAlignment {
    iaCenter, iaLeft, iaTop, iaRight, iaBottom, iaTopLeft, iaTopRight, iaBottomLeft, iaBottomRight
};

// Rounds to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double value);

// The rectangle a picture of w x h takes in a box of W x H: scaled down when larger than the box (or to the box
// with stretch), keeping the proportions when asked, and moved by the alignment (free space halved toward zero;
// negative when a larger picture is not scaled).
TRect ProportionalImageRect(int w, int h, int boxWidth, int boxHeight, bool proportional, bool stretch,
                            TslImageAlignment alignment);

} // namespace skyloom
