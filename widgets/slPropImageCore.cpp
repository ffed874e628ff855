#include "slPropImageCore.h"

#include <cmath>

namespace skyloom {

int RoundHalfEven(double value)
{
    double floor = std::floor(value);
    double fraction = value - floor;
    double result = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        result = floor + 1;
    return static_cast<int>(result);
}

TRect ProportionalImageRect(int w, int h, int boxWidth, int boxHeight, bool proportional, bool stretch,
                            TslImageAlignment alignment)
{
    int tw = w, th = h;
    bool scale = stretch || (proportional && (boxWidth < w || boxHeight < h));
    if (scale) {
        if (!proportional) {
            tw = boxWidth;
            th = boxHeight;
        } else if (w > 0 && h > 0) {
            double ratio = static_cast<double>(w) / h;
            if (h < w) {
                tw = boxWidth;
                th = RoundHalfEven(boxWidth / ratio);
                if (th > boxHeight) {
                    th = boxHeight;
                    tw = RoundHalfEven(ratio * boxHeight);
                }
            } else {
                th = boxHeight;
                tw = RoundHalfEven(ratio * boxHeight);
                if (tw > boxWidth) {
                    tw = boxWidth;
                    th = RoundHalfEven(boxWidth / ratio);
                }
            }
        }
    }
    int dx = boxWidth - tw, dy = boxHeight - th;
    int x = 0, y = 0;
    switch (alignment) {
    case iaCenter:
        x = dx / 2;
        y = dy / 2;
        break;
    case iaLeft:
        y = dy / 2;
        break;
    case iaTop:
        x = dx / 2;
        break;
    case iaRight:
        x = dx;
        y = dy / 2;
        break;
    case iaBottom:
        x = dx / 2;
        y = dy;
        break;
    case iaTopLeft:
        break;
    case iaTopRight:
        x = dx;
        break;
    case iaBottomLeft:
        y = dy;
        break;
    case iaBottomRight:
        x = dx;
        y = dy;
        break;
    }
    return Bounds(x, y, tw, th);
}

} // namespace skyloom
