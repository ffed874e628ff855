#include "slFormBackgroundCore.h"

#include <algorithm>
#include <cstdint>

namespace skyloom {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t num = static_cast<std::uint64_t>(product < 0 ? -product : product);
    const std::uint64_t den = static_cast<std::uint64_t>(c < 0 ? -static_cast<std::int64_t>(c) : c);
    const std::uint64_t q = (num + den / 2) / den;
    if (q > 0x7FFFFFFFu)
        return -1;
    const auto result = static_cast<std::int64_t>(q);
    return static_cast<int>(negative ? -result : result);
}

TslGradientPlan PlanGradient(const TRect& area, TslRGB color1, TslRGB color2, TslGradientDirection direction)
{
    const TslRGB d{color2.R - color1.R, color2.G - color1.G, color2.B - color1.B};
    const int W = area.Width();
    const int H = area.Height();
    TslGradientPlan plan;
    int n = 255;
    int hw = 0;
    int hh = 0;
    TPoint centre;
    if (direction == gdCentral) {
        hw = W / 2;
        hh = H / 2;
        n = std::clamp(std::min(hw, hh), 2, 255);
        centre = {(area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2};
        plan.FillFirst = true;
        plan.Ellipses = true;
    }
    plan.Count = n;
    plan.Band = [=](int step) {
        const int i = n - 1 - step;
        TslGradientBand band;
        band.Color = {color1.R + MulDiv(i, d.R, n - 1), color1.G + MulDiv(i, d.G, n - 1),
                      color1.B + MulDiv(i, d.B, n - 1)};
        switch (direction) {
        case gdVertical:
            band.Rect = {area.Left, area.Top + MulDiv(i, H, n), area.Right, area.Top + MulDiv(i + 1, H, n)};
            break;
        case gdHorizontal:
            band.Rect = {area.Left + MulDiv(i, W, n), area.Top, area.Left + MulDiv(i + 1, W, n), area.Bottom};
            break;
        case gdCentral: {
            const int rx = MulDiv(i + 1, hw, n);
            const int ry = MulDiv(i + 1, hh, n);
            band.Rect = {centre.X - rx, centre.Y - ry, centre.X + rx, centre.Y + ry};
            break;
        }
        }
        return band;
    };
    return plan;
}

void PlanPicture(int W, int H, int w, int h, TslBackgroundPictureStyle style,
                 const std::function<void(const TRect&)>& fill, const std::function<void(const TRect&)>& draw)
{
    if (w <= 0 || h <= 0)
        return;
    switch (style) {
    case bsTile:
    case bsZigzag: {
        int row = 0;
        for (int y = 0; y < H; y += h, ++row) {
            const int x0 = style == bsZigzag && row % 2 == 1 ? -(w / 2) : 0;
            for (int x = x0; x < W; x += w)
                draw(Bounds(x, y, w, h));
        }
        break;
    }
    case bsStretch:
        draw(Rect(0, 0, W, H));
        break;
    case bsCenter: {
        const int x0 = (W - w) / 2;
        const int y0 = (H - h) / 2;
        // Around a picture larger than the area some of the four parts are empty.
        const auto fillSome = [&](const TRect& r) {
            if (r.Width() > 0 && r.Height() > 0)
                fill(r);
        };
        fillSome(Rect(0, 0, W, y0));
        fillSome(Rect(0, y0, x0, y0 + h));
        fillSome(Rect(x0 + w, y0, W, y0 + h));
        fillSome(Rect(0, y0 + h, W, H));
        draw(Bounds(x0, y0, w, h));
        break;
    }
    case bsAlignLeft:
        fill(Rect(0, 0, W, H));
        draw(Bounds(0, 0, w, h));
        break;
    case bsAlignRight:
        fill(Rect(0, 0, W, H));
        draw(Bounds(W - w, 0, w, h));
        break;
    }
}

} // namespace skyloom
