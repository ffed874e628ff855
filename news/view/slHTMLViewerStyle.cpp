#include "slHTMLViewerStyle.h"

#include <array>
#include <cstdio>

namespace skyloom {

std::string BorderStyleCSS(TslHTMLViewerBorderStyle style)
{
    static constexpr std::array<const char*, 11> kCss = {"",      "none",   "dotted", "dashed", "solid", "double",
                                                         "groove", "ridge", "inset",  "window-inset", "outset"};
    const auto i = static_cast<std::size_t>(style);
    return i < kCss.size() ? kCss[i] : "";
}

std::string HTMLColorText(TColor rgb)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", static_cast<unsigned>(rgb & 0xFF),
                  static_cast<unsigned>((rgb >> 8) & 0xFF), static_cast<unsigned>((rgb >> 16) & 0xFF));
    return buf;
}

bool HTMLColorIsSet(TColor color)
{
    return color != clDefault && color != clNone;
}

html::THtmlBodyStyle BodyStyleOf(const TslHTMLViewerStyleSettings& settings, TColor resolved_color,
                                 TColor resolved_border_color)
{
    auto toRgb = [](TColor c) -> html::TRgb {
        return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    };
    html::THtmlBodyStyle b;
    if (HTMLColorIsSet(settings.Color)) {
        b.Background = toRgb(resolved_color);
    }
    if (HTMLColorIsSet(settings.BorderColor)) {
        b.BorderColor = toRgb(resolved_border_color);
    }
    b.BorderStyle = BorderStyleCSS(settings.BorderStyle);
    b.NoScroll = settings.NoScroll;
    b.MarginLeft = settings.MarginLeft;
    b.MarginTop = settings.MarginTop;
    b.MarginRight = settings.MarginRight;
    b.MarginBottom = settings.MarginBottom;
    return b;
}

} // namespace skyloom
