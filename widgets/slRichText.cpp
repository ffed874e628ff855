#include "slRichText.h"

#include "SysUtils.h"

#include <algorithm>
#include <array>

namespace skyloom {

namespace {

struct TNamedColor {
    std::string_view Name;
    TColor Color;
};

constexpr std::array<TNamedColor, 16> kRichColors{{
    {"BLACK", RGBColor(0x00, 0x00, 0x00)},   {"MAROON", RGBColor(0x80, 0x00, 0x00)},
    {"GREEN", RGBColor(0x00, 0x80, 0x00)},   {"OLIVE", RGBColor(0x80, 0x80, 0x00)},
    {"NAVY", RGBColor(0x00, 0x00, 0x80)},    {"PURPLE", RGBColor(0x80, 0x00, 0x80)},
    {"TEAL", RGBColor(0x00, 0x80, 0x80)},    {"GRAY", RGBColor(0x80, 0x80, 0x80)},
    {"SILVER", RGBColor(0xC0, 0xC0, 0xC0)},  {"RED", RGBColor(0xFF, 0x00, 0x00)},
    {"LIME", RGBColor(0x00, 0xFF, 0x00)},    {"YELLOW", RGBColor(0xFF, 0xFF, 0x00)},
    {"BLUE", RGBColor(0x00, 0x00, 0xFF)},    {"FUCHSIA", RGBColor(0xFF, 0x00, 0xFF)},
    {"AQUA", RGBColor(0x00, 0xFF, 0xFF)},    {"WHITE", RGBColor(0xFF, 0xFF, 0xFF)},
}};

void Append(std::vector<TslRichRun>& out, std::string_view text, TslRichStyles style, TColor color)
{
    if (text.empty())
        return;
    if (!out.empty() && out.back().Style == style && out.back().Color == color) {
        out.back().Text.append(text);
        return;
    }
    out.push_back(TslRichRun{std::string(text), style, color});
}

void EmitText(std::vector<TslRichRun>& out, std::string_view text, const TslMarkupOptions& options,
              const TslRichState& state)
{
    if (!options.Accelerators) {
        Append(out, text, state.Style, state.Color);
        return;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&' || i + 1 >= text.size())
            continue;
        Append(out, text.substr(start, i - start), state.Style, state.Color);
        if (text[i + 1] == '&')
            Append(out, "&", state.Style, state.Color);
        else
            Append(out, text.substr(i + 1, 1), state.Style | rsUnderline, state.Color);
        ++i;
        start = i + 1;
    }
    Append(out, text.substr(start), state.Style, state.Color);
}

// The style a letter of a style tag stands for ("B", "I", "U", "S" in capitals); 0 for any other character.
TslRichStyles StyleOfLetter(char c)
{
    switch (c) {
    case 'B':
        return rsBold;
    case 'I':
        return rsItalic;
    case 'U':
        return rsUnderline;
    case 'S':
        return rsStrikeOut;
    default:
        return 0;
    }
}

void ApplyTag(std::string_view name, TslRichStyles baseStyle, TslRichState& state)
{
    std::string upper = UpperCase(name);
    if (upper == "DEF") {
        state.Style = baseStyle;
        state.Color = clDefault;
        return;
    }
    TColor color = RichColorByName(upper);
    if (color != clNone) {
        state.Color = color;
        return;
    }
    state.Style = 0;
    for (char c : upper)
        state.Style |= StyleOfLetter(c);
}

// A name whose tag the plain text drops.
bool IsPlainTextTagName(std::string_view name)
{
    if (name.size() > 7)
        return false;
    std::string upper = UpperCase(name);
    if (upper.empty() || upper == "DEF" || upper == "DEFAULT" || RichColorByName(upper) != clNone)
        return true;
    if (upper.size() > 4)
        return false;
    TslRichStyles seen = 0;
    for (char c : upper) {
        const TslRichStyles bit = StyleOfLetter(c);
        if (bit == 0 || (seen & bit))
            return false;
        seen |= bit;
    }
    return true;
}

} // namespace

TColor RichColorByName(std::string_view upperName)
{
    for (const auto& c : kRichColors)
        if (c.Name == upperName)
            return c.Color;
    return clNone;
}

bool IsRichBreakChar(char c)
{
    switch (c) {
    case ' ':
    case '!':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '/':
    case ':':
    case ';':
    case '=':
    case '?':
    case '\\':
    case '_':
    case '~':
        return true;
    default:
        return false;
    }
}

std::size_t Utf8WideBreakLength(std::string_view text)
{
    if (text.size() < 3)
        return 0;
    const auto b0 = static_cast<unsigned char>(text[0]), b1 = static_cast<unsigned char>(text[1]),
               b2 = static_cast<unsigned char>(text[2]);
    if ((b0 & 0xF0) != 0xE0 || (b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80)
        return 0;
    const unsigned cp = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
    const bool wide = (cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
                      (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFF00 && cp <= 0xFFEF);
    return wide ? 3 : 0;
}

std::vector<std::string_view> SplitRichParagraphs(std::string_view text)
{
    std::vector<std::string_view> paragraphs;
    std::size_t start = 0;
    for (;;) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            paragraphs.push_back(text.substr(start));
            return paragraphs;
        }
        std::size_t end = lf > start && text[lf - 1] == '\r' ? lf - 1 : lf;
        paragraphs.push_back(text.substr(start, end - start));
        start = lf + 1;
    }
}

void ParseRichParagraph(std::string_view line, const TslMarkupOptions& options, TslRichStyles baseStyle,
                        TslRichState& state, std::vector<TslRichRun>& out)
{
    if (options.PlainText) {
        EmitText(out, line, options, state);
        return;
    }
    std::size_t pos = 0;
    while (pos < line.size()) {
        std::size_t open = line.find(options.TagOpen, pos);
        // The closing character is looked for only after the opening one: a stray closing character before it
        // is text and does not swallow the tag that follows.
        std::size_t close = open == std::string_view::npos ? open : line.find(options.TagClose, open + 1);
        if (close == std::string_view::npos) {
            EmitText(out, line.substr(pos), options, state);
            return;
        }
        EmitText(out, line.substr(pos, open - pos), options, state);
        ApplyTag(line.substr(open + 1, close - open - 1), baseStyle, state);
        pos = close + 1;
    }
}

std::vector<std::vector<TslRichRun>> ParseRichText(std::string_view text, const TslMarkupOptions& options,
                                                   TslRichStyles baseStyle)
{
    std::vector<std::vector<TslRichRun>> result;
    TslRichState state{baseStyle, clDefault};
    for (std::string_view paragraph : SplitRichParagraphs(text)) {
        result.emplace_back();
        ParseRichParagraph(paragraph, options, baseStyle, state, result.back());
    }
    return result;
}

std::string RichPlainText(std::string_view text, char tagOpen, char tagClose)
{
    // Removing a tag can join the pieces around it into a new one ("[b[i]]"): each closing character checks
    // the end of what is kept so far, which removes those too, in one pass.
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c != tagClose || out.size() < 2)
            continue;
        std::size_t limit = out.size() >= 10 ? out.size() - 10 : 0;
        for (std::size_t k = out.size() - 1; k-- > limit;) {
            if (out[k] != tagOpen)
                continue;
            std::string_view name(out.data() + k + 1, out.size() - k - 2);
            if (IsPlainTextTagName(name))
                out.resize(k);
            break;
        }
    }
    return out;
}

namespace {

// One paragraph as characters with the index of the run each belongs to.
class TFlatParagraph {
public:
    explicit TFlatParagraph(const std::vector<TslRichRun>& runs) : FRuns(runs)
    {
        std::size_t offset = 0;
        for (const auto& r : runs) {
            FStarts.push_back(offset);
            offset += r.Text.size();
            FText += r.Text;
        }
        FStarts.push_back(offset);
    }
    std::size_t Size() const { return FText.size(); }
    char At(std::size_t i) const { return FText[i]; }

    int Width(std::size_t a, std::size_t b, TslTextMeasurer& measurer) const
    {
        int width = 0;
        ForEachPiece(a, b, [&](const TslRichRun& run, std::size_t from, std::size_t to) {
            width += measurer.TextWidth(std::string_view(run.Text).substr(from, to - from), run.Style);
        });
        return width;
    }
    std::vector<TslRichRun> Runs(std::size_t a, std::size_t b) const
    {
        std::vector<TslRichRun> runs;
        ForEachPiece(a, b, [&](const TslRichRun& run, std::size_t from, std::size_t to) {
            runs.push_back(TslRichRun{run.Text.substr(from, to - from), run.Style, run.Color});
        });
        return runs;
    }

private:
    template <typename F>
    void ForEachPiece(std::size_t a, std::size_t b, F&& f) const
    {
        if (a >= b)
            return;
        auto it = std::upper_bound(FStarts.begin(), FStarts.end(), a);
        std::size_t i = static_cast<std::size_t>(it - FStarts.begin()) - 1;
        for (; i < FRuns.size() && FStarts[i] < b; ++i) {
            std::size_t from = std::max(a, FStarts[i]) - FStarts[i];
            std::size_t to = std::min(b, FStarts[i + 1]) - FStarts[i];
            if (to > from)
                f(FRuns[i], from, to);
        }
    }
    const std::vector<TslRichRun>& FRuns;
    std::vector<std::size_t> FStarts;
    std::string FText;
};

} // namespace

TslRichLayout LayoutRichText(std::string_view text, const TslMarkupOptions& markup, const TslRichLayoutOptions& options,
                             TslTextMeasurer& measurer, TslRichStyles baseStyle)
{
    TslRichLayout layout;
    layout.LineHeight = measurer.LineHeight();
    const bool keepTrailingBlanks = options.Alignment == raRight;
    const int available = options.Width - options.MarginHorz;
    TslRichState state{baseStyle, clDefault};
    std::vector<TslRichRun> runs;
    for (std::string_view paragraph : SplitRichParagraphs(text)) {
        runs.clear();
        ParseRichParagraph(paragraph, markup, baseStyle, state, runs);
        TFlatParagraph flat(runs);
        auto lineWidth = [&](std::size_t a, std::size_t b) {
            if (!keepTrailingBlanks)
                while (b > a && flat.At(b - 1) == ' ')
                    --b;
            return flat.Width(a, b, measurer);
        };
        auto addLine = [&](std::size_t a, std::size_t b) {
            TslRichLine line;
            line.Runs = flat.Runs(a, b);
            line.Width = lineWidth(a, b);
            layout.Lines.push_back(std::move(line));
        };
        const std::size_t n = flat.Size();
        if (n == 0 || !options.WordWrap) {
            addLine(0, n);
            continue;
        }
        // Possible line ends: after each break character, and the paragraph's end.
        std::vector<std::size_t> cuts;
        for (std::size_t i = 0; i < n; ++i) {
            if (IsRichBreakChar(flat.At(i)) && i + 1 < n) {
                cuts.push_back(i + 1);
            } else if (options.Utf8 && i + 3 < n) {
                const char sequence[3] = {flat.At(i), flat.At(i + 1), flat.At(i + 2)};
                if (const std::size_t length = Utf8WideBreakLength(std::string_view(sequence, 3))) {
                    i += length - 1;
                    cuts.push_back(i + 1);
                }
            }
        }
        cuts.push_back(n);
        std::size_t a = 0;
        std::size_t first = 0;  // the first candidate after a
        while (a < n) {
            while (first < cuts.size() && cuts[first] <= a)
                ++first;
            const std::size_t count = cuts.size() - first;
            auto fits = [&](std::size_t k) { return lineWidth(a, cuts[first + k]) <= available; };
            // Widths grow with the line: gallop to a candidate that does not fit, then halve, so that each line
            // costs about its own length in measuring, not the rest of the paragraph's.
            std::size_t lo = 0, hi = count;  // candidates [0, lo) fit, [hi, count) do not
            std::size_t step = 1;
            while (lo < hi) {
                std::size_t probe = std::min(lo + step - 1, hi - 1);
                if (fits(probe)) {
                    lo = probe + 1;
                    step *= 2;
                } else {
                    hi = probe;
                    break;
                }
            }
            while (lo < hi) {
                std::size_t mid = lo + (hi - lo) / 2;
                if (fits(mid))
                    lo = mid + 1;
                else
                    hi = mid;
            }
            // Nothing fits: a long first word ends at its first break character (one long word stays whole).
            std::size_t end = lo > 0 ? cuts[first + lo - 1] : cuts[first];
            addLine(a, end);
            a = end;
        }
    }
    int y = options.MarginVert;
    for (auto& line : layout.Lines) {
        line.Y = y;
        y += layout.LineHeight;
        layout.WidestLine = std::max(layout.WidestLine, line.Width);
        int free = options.Width - options.MarginHorz - line.Width;
        switch (options.Alignment) {
        case raLeft:
            line.X = options.MarginHorz;
            break;
        case raRight:
            line.X = free;
            break;
        case raCenter:
            line.X = free / 2;
            break;
        }
    }
    layout.Height = static_cast<int>(layout.Lines.size()) * layout.LineHeight + 2 * options.MarginVert +
                    (options.ShowShadow ? 8 : 0);
    if (options.WordWrap && options.Alignment == raLeft)
        layout.Width = layout.WidestLine + options.MarginHorz + (options.ShowShadow ? 7 : 0);
    else
        layout.Width = options.Width;
    return layout;
}

} // namespace skyloom
