// The HTML pane's styling settings and how they become the document body's CSS. Portable.
#pragma once

#include "HtmlLayout.h"
#include "Types.h"

#include <string>

namespace skyloom {

enum TslHTMLViewerBorderStyle {
    hvbsDefault,
    hvbsNone,
    hvbsDotted,
    hvbsDashed,
    hvbsSolid,
    hvbsDouble,
    hvbsGroove,
    hvbsRidge,
    hvbsInset,
    hvbsWndInset,
    hvbsOutset
};

// The CSS border style a value writes; empty for hvbsDefault, which writes nothing.
std::string BorderStyleCSS(TslHTMLViewerBorderStyle style);

// A colour as the body's style takes it: six hexadecimal digits, red, green, blue, no "#".
std::string HTMLColorText(TColor rgb);

// Whether a colour setting holds a colour. The pane's "not set" is clDefault; clNone counts as not set too.
bool HTMLColorIsSet(TColor color);

// What the pane writes onto the document body, as the drawn renderer takes it. resolved_* are RGB colours
// (system colours already resolved) and are used only when the setting is set.
struct TslHTMLViewerStyleSettings {
    TslHTMLViewerBorderStyle BorderStyle = hvbsDefault;
    TColor BorderColor = clDefault;
    TColor Color = clDefault;
    bool NoScroll = false;
    int MarginLeft = -1;
    int MarginTop = -1;
    int MarginRight = -1;
    int MarginBottom = -1;
};
html::THtmlBodyStyle BodyStyleOf(const TslHTMLViewerStyleSettings& settings, TColor resolved_color,
                                 TColor resolved_border_color);

} // namespace skyloom
