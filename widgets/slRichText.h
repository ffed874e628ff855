// The square-bracket markup of rich text: parsing into styled runs, line layout with word wrapping against a
// text measurer, and the plain text without tags. Portable; drawing over GDI lives in slRichTextDraw_win.
#pragma once

#include "Types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

// Font style bits as the framework's fonts use them (bold 1, italic 2, underline 4, strike-out 8).
using TslRichStyles = unsigned;
constexpr TslRichStyles rsBold = 1;
constexpr TslRichStyles rsItalic = 2;
constexpr TslRichStyles rsUnderline = 4;
constexpr TslRichStyles rsStrikeOut = 8;

enum TslRichAlignment { raLeft, raRight, raCenter };

struct TslMarkupOptions {
    bool PlainText = false;  // no tags are interpreted
    char TagOpen = '[';
    char TagClose = ']';
    // "&&" draws one "&", "&x" draws x underlined, a final "&" is drawn as it is.
    bool Accelerators = false;
};

// A piece of text in one style. Color is the colour a colour tag set, or clDefault for the text's own colour.
struct TslRichRun {
    std::string Text;
    TslRichStyles Style = 0;
    TColor Color = clDefault;
    friend bool operator==(const TslRichRun&, const TslRichRun&) = default;
};

// The style in force while a text is scanned; it carries over from one paragraph to the next.
struct TslRichState {
    TslRichStyles Style = 0;
    TColor Color = clDefault;
};

// The colour of one of the 16 colour names (upper case), or clNone.
TColor RichColorByName(std::string_view upperName);

// Splits a text into paragraphs at each line feed; a carriage return right before it belongs to the break, a
// carriage return elsewhere is an ordinary character. An empty text is one empty paragraph.
std::vector<std::string_view> SplitRichParagraphs(std::string_view text);

// Appends the runs of one paragraph to out. baseStyle is what "[DEF]" returns to. Empty runs are left out and
// neighbouring runs of the same style are joined.
void ParseRichParagraph(std::string_view line, const TslMarkupOptions& options, TslRichStyles baseStyle,
                        TslRichState& state, std::vector<TslRichRun>& out);

// All runs of a text, paragraph by paragraph (for tests and simple callers).
std::vector<std::vector<TslRichRun>> ParseRichText(std::string_view text, const TslMarkupOptions& options,
                                                   TslRichStyles baseStyle = 0);

// The text without its tags: every TagOpen + name + TagClose (any case) for the empty name, the orderings of
// distinct letters of B, I, U, S, the 16 colour names, "DEFAULT" and "DEF" is removed until none is left.
std::string RichPlainText(std::string_view text, char tagOpen = '[', char tagClose = ']');

// Measures text in a style; the drawing side measures with the platform's fonts, tests with a fake.
class TslTextMeasurer {
public:
    virtual ~TslTextMeasurer() = default;
    virtual int TextWidth(std::string_view text, TslRichStyles style) = 0;
    // The height of "Wj" in the regular font.
    virtual int LineHeight() = 0;
};

struct TslRichLayoutOptions {
    int Width = 0;  // the label's width
    int MarginHorz = 0;
    int MarginVert = 0;
    bool WordWrap = true;
    TslRichAlignment Alignment = raLeft;
    bool ShowShadow = false;
    // The text is UTF-8 (drawn as such whatever the system's code page): a line may then also end after any
    // character of a script written without blanks (CJK ideographs, kana, full-width forms).
    bool Utf8 = false;
};

struct TslRichLine {
    std::vector<TslRichRun> Runs;
    int X = 0;
    int Y = 0;
    int Width = 0;  // without trailing blanks, unless right-aligned
};

struct TslRichLayout {
    std::vector<TslRichLine> Lines;
    int LineHeight = 0;
    // The size of the drawing: lines x line height + 2 x MarginVert (+ 8 with a shadow); with WordWrap and left
    // alignment the widest line + MarginHorz (+ 7 with a shadow), otherwise the label's width.
    int Width = 0;
    int Height = 0;
    int WidestLine = 0;
};

// Lays out a marked-up text: paragraphs wider than Width - MarginHorz are broken after the last break
// character (blank ! ) * + , - . / : ; = ? \ _ ~) that leaves the line narrow enough; a part without one stays
// whole. When not even the first word fits, the line is broken after the first break character.
TslRichLayout LayoutRichText(std::string_view text, const TslMarkupOptions& markup, const TslRichLayoutOptions& options,
                             TslTextMeasurer& measurer, TslRichStyles baseStyle = 0);

bool IsRichBreakChar(char c);
// The length of the UTF-8 sequence at the start of text when it encodes a character after which a line may end
// although no blank follows (CJK ideographs, kana, hangul, CJK punctuation, full-width forms); 0 otherwise.
std::size_t Utf8WideBreakLength(std::string_view text);

} // namespace skyloom
