// The geometry of a painted background: the bands or rings of a gradient and the places a picture is drawn,
// apart from any device context.
#pragma once

#include "Types.h"

#include <functional>

namespace skyloom {

enum TslGradientDirection { gdVertical, gdHorizontal, gdCentral };
enum TslBackgroundKind { bkPicture, bkGradient };
enum TslBackgroundPictureStyle { bsTile, bsStretch, bsZigzag, bsCenter, bsAlignLeft, bsAlignRight };

// a * b / c without overflow, rounded to the nearest integer with halves away from zero; -1 when c is 0
// (the platform's multiply-divide).
int MulDiv(int a, int b, int c);

struct TslRGB {
    int R = 0;
    int G = 0;
    int B = 0;
    friend bool operator==(const TslRGB&, const TslRGB&) = default;
};

// One step of a gradient: a band to fill, or (central gradients) the box of an ellipse to fill.
struct TslGradientBand {
    TRect Rect;
    TslRGB Color;
};

struct TslGradientPlan {
    // Central gradients cover the area with the fill colour first; the corners keep it.
    bool FillFirst = false;
    bool Ellipses = false;
    // Bands in painting order: from the last (colour 2) to the first (colour 1).
    int Count = 0;
    std::function<TslGradientBand(int step)> Band;
};

// The gradient over area from colour 1 (top, left or centre) to colour 2 (bottom, right or outer edge).
// Band(step) for step 0 .. Count - 1 gives them in painting order.
TslGradientPlan PlanGradient(const TRect& area, TslRGB color1, TslRGB color2, TslGradientDirection direction);

// The places of a picture of w × h over an area of W × H at (0, 0), in drawing order: fill(rect) for the parts
// that take the fill colour (called first), draw(rect) for each copy (stretched when rect's size differs from
// the picture's). A picture without width or height draws nothing.
void PlanPicture(int W, int H, int w, int h, TslBackgroundPictureStyle style,
                 const std::function<void(const TRect&)>& fill, const std::function<void(const TRect&)>& draw);

} // namespace skyloom
