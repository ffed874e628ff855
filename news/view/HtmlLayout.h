// The HTML pane's own renderer, portable part: reads a document (tag soup welcome) and lays it out into positioned
// text runs for a given width, with word wrap, links and their hit areas. It only ever draws text: scripts, objects,
// frames and images never load or run (an image shows its alt text).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HtmlTokenizer.h"

namespace skyloom::html {

// Colours are 0xRRGGBB.
using TRgb = std::uint32_t;

struct TFontSpec {
    std::string Face;
    int Height = 16;  // character height in pixels
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TFontSpec&) const = default;
};

struct TFontMetrics {
    int Ascent = 0;
    int Descent = 0;
};

// What the layout needs from the drawing side: font metrics and text widths.
class IHtmlTextMeasurer {
public:
    virtual ~IHtmlTextMeasurer() = default;
    virtual TFontMetrics Metrics(const TFontSpec& font) = 0;
    virtual int TextWidth(const TFontSpec& font, std::u16string_view text) = 0;
};

// Turns the document's bytes into text. The document declares no character set as a rule; then the caller's code
// page applies. A document that declares UTF-8 is read as UTF-8.
using THtmlDecoder = std::function<std::u16string(std::string_view)>;

// The body styling the pane applies on top of the document. Unset values leave the document's own.
struct THtmlBodyStyle {
    std::optional<TRgb> Background;
    std::optional<TRgb> BorderColor;
    std::string BorderStyle;  // CSS border style; empty: the pane's default sunken edge
    bool NoScroll = false;
    int MarginLeft = -1;
    int MarginTop = -1;
    int MarginRight = -1;
    int MarginBottom = -1;
};

struct THtmlRun {
    int X = 0;
    int Y = 0;  // top of the run's box
    int Width = 0;
    int Height = 0;
    int Baseline = 0;  // distance from Y to the baseline
    std::u16string Text;
    TFontSpec Font;
    TRgb Color = 0;
    int Link = -1;  // index into THtmlLayout::Links
};

struct THtmlLink {
    std::u16string Href;
    std::u16string Target;
};

struct THtmlRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const THtmlRect&) const = default;
};

struct THtmlLayout {
    std::vector<THtmlRun> Runs;
    std::vector<THtmlLink> Links;
    std::vector<THtmlRect> Rules;  // horizontal rules
    int Width = 0;                 // the width laid out for, borders included
    int Height = 0;                // the document's height, borders and margins included
    TRgb Background = 0xFFFFFF;
    TRgb TextColor = 0x000000;
    std::string BorderStyle;  // empty: the default sunken edge; "none": no border
    std::optional<TRgb> BorderColor;
    int BorderWidth = 2;
    bool NoScroll = false;

    // The link under a point of the document, or -1.
    int LinkAt(int x, int y) const;
    // The rectangles a link covers, one per run.
    std::vector<THtmlRect> LinkArea(int link) const;
    // The shown text: runs of one line joined, lines separated by "\n", bullets and numbers included.
    std::u16string Text() const;
};

// The character set a document declares in a meta element (lower case), empty when it declares none.
std::string DeclaredCharset(std::string_view document);

// Lays out a whole document for the given width (borders included). A document that declares UTF-8 or the
// Western European set is decoded as such; any other through `decoder`.
THtmlLayout LayoutHtml(std::string_view document, int width, IHtmlTextMeasurer& measurer,
                       const THtmlBodyStyle& body = {}, const THtmlDecoder& decoder = DecodeWindows1252);

// The address a click on a link opens: like the kit's web-address routine, an address without "://" gets
// "http://" in front. Only http and https addresses are opened; anything else (file:, a program path, javascript:)
// gives an empty result, so that a link in a feed can never start a program. An in-page anchor gives empty too.
std::u16string WebAddressForLink(std::u16string_view href);

// Parses an HTML colour: "#rrggbb", "rrggbb", "#rgb" or one of the common colour names.
std::optional<TRgb> ParseHtmlColor(std::string_view text);

} // namespace skyloom::html
