#include "HtmlLayout.h"

#include "SysUtils.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace skyloom::html {

namespace {

// Pixel heights of the seven HTML font sizes; 3 is the normal text.
constexpr std::array<int, 8> kFontSizes = {0, 10, 13, 16, 18, 24, 32, 48};
constexpr int kNormalSize = 3;
constexpr TRgb kLinkColor = 0x0000FF;
constexpr int kDefaultMargin = 8;
constexpr int kListIndent = 40;
constexpr int kMaxDepth = 256;
constexpr char16_t kBullet = u'\x2022';
const char* const kDefaultFace = "Times New Roman";
const char* const kMonospaceFace = "Courier New";

enum class TAlign { alLeft, alCenter, alRight };

struct TInlineStyle {
    TFontSpec Font;
    TRgb Color = 0;
    int Link = -1;
    bool Pre = false;
};

struct TBlockContext {
    int Left = 0;
    int Right = 0;
    TAlign Align = TAlign::alLeft;
};

struct TOpenElement {
    std::string Tag;
    TInlineStyle Style;
    TBlockContext Block;
    bool IsBlock = false;
    int MarginAfter = 0;
    int Counter = 0;  // lists: the next item's number
    bool Ordered = false;
};

bool IsSpace16(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool IsHeading(std::string_view t)
{
    return t.size() == 2 && t[0] == 'h' && t[1] >= '1' && t[1] <= '6';
}

bool IsBlockTag(std::string_view t)
{
    static constexpr std::array<std::string_view, 21> kBlocks = {
        "p",  "div", "ul", "ol",         "li",    "blockquote", "pre", "dl",     "dt",    "dd",     "table",
        "tr", "center", "address", "form", "caption", "fieldset", "article", "section", "header", "footer"};
    return IsHeading(t) || std::find(kBlocks.begin(), kBlocks.end(), t) != kBlocks.end();
}

bool IsInlineTag(std::string_view t)
{
    static constexpr std::array<std::string_view, 30> kInline = {
        "b",   "strong", "i",   "em",  "cite", "var", "dfn",  "u",     "ins", "s",    "strike", "del",  "tt",
        "code", "kbd",   "samp", "big", "small", "sub", "sup", "font", "a",    "td",   "th",     "nobr",
        "span", "label", "abbr", "acronym", "q"};
    return std::find(kInline.begin(), kInline.end(), t) != kInline.end();
}

int HeadingHeight(char level)
{
    static constexpr std::array<int, 7> kHeights = {0, 32, 24, 19, 16, 13, 11};
    return kHeights[static_cast<std::size_t>(level - '0')];
}

int StepSize(int height, int step)
{
    std::size_t nearest = 1;
    for (std::size_t i = 1; i < kFontSizes.size(); ++i) {
        if (std::abs(kFontSizes[i] - height) < std::abs(kFontSizes[nearest] - height)) {
            nearest = i;
        }
    }
    const int idx = std::clamp(static_cast<int>(nearest) + step, 1, 7);
    return kFontSizes[static_cast<std::size_t>(idx)];
}

std::optional<int> ParseFontSize(std::string_view v)
{
    v = TrimView(v);
    int sign = 0;
    if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
        sign = v.front() == '+' ? 1 : -1;
        v.remove_prefix(1);
    }
    if (v.empty() || v.front() < '0' || v.front() > '9') {
        return std::nullopt;
    }
    int n = 0;
    for (const char c : v) {
        if (c < '0' || c > '9') {
            break;
        }
        n = std::min(n * 10 + (c - '0'), 100);
    }
    const int size = sign == 0 ? n : kNormalSize + sign * n;
    return kFontSizes[static_cast<std::size_t>(std::clamp(size, 1, 7))];
}

std::optional<TAlign> ParseAlign(const std::string* v)
{
    if (!v) {
        return std::nullopt;
    }
    const std::string a = LowerCase(TrimView(*v));
    if (a == "center" || a == "middle") {
        return TAlign::alCenter;
    }
    if (a == "right") {
        return TAlign::alRight;
    }
    if (a == "left" || a == "justify") {
        return TAlign::alLeft;
    }
    return std::nullopt;
}

// The few inline CSS declarations feeds use: colour, weight, slant, decoration, size, family and alignment.
// Anything else is ignored.
void ApplyStyleAttribute(std::string_view css, TInlineStyle& style, TBlockContext& block, bool is_block)
{
    while (!css.empty()) {
        const std::size_t end = css.find(';');
        const std::string_view decl = css.substr(0, end);
        css = end == std::string_view::npos ? std::string_view{} : css.substr(end + 1);
        const std::size_t colon = decl.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string name = LowerCase(TrimView(decl.substr(0, colon)));
        std::string value = LowerCase(TrimView(decl.substr(colon + 1)));
        const std::size_t important = value.find("!important");
        if (important != std::string::npos) {
            value = std::string(TrimView(std::string_view(value).substr(0, important)));
        }
        if (name == "color") {
            if (auto c = ParseHtmlColor(value)) {
                style.Color = *c;
            }
        } else if (name == "font-weight") {
            const long number = std::strtol(value.c_str(), nullptr, 10);
            style.Font.Bold = value == "bold" || value == "bolder" || number >= 600;
        } else if (name == "font-style") {
            style.Font.Italic = value == "italic" || value == "oblique";
        } else if (name == "text-decoration" || name == "text-decoration-line") {
            style.Font.Underline = value.find("underline") != std::string::npos;
            style.Font.StrikeOut = value.find("line-through") != std::string::npos;
        } else if (name == "font-size") {
            const double number = std::atof(value.c_str());
            // Kept within the sizes the pane draws before it becomes a whole number (a feed may write 1e300px).
            auto pixels = [](double px) { return static_cast<int>(std::clamp(px, 6.0, 72.0) + 0.5); };
            if (number > 0 && value.find("px") != std::string::npos) {
                style.Font.Height = pixels(number);
            } else if (number > 0 && value.find("pt") != std::string::npos) {
                style.Font.Height = pixels(number * 4 / 3);
            } else if (number > 0 && (value.find("em") != std::string::npos || value.find('%') != std::string::npos)) {
                const double factor = value.find('%') != std::string::npos ? number / 100 : number;
                style.Font.Height = pixels(style.Font.Height * factor);
            }
        } else if (name == "font-family") {
            std::string_view first = TrimView(std::string_view(decl.substr(colon + 1)));
            first = TrimView(first.substr(0, first.find(',')));
            if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') && first.back() == first.front()) {
                first = first.substr(1, first.size() - 2);
            }
            if (!first.empty() && first.size() < 64) {
                style.Font.Face.assign(first);
            }
        } else if (name == "text-align" && is_block) {
            if (auto a = ParseAlign(&value)) {
                block.Align = *a;
            }
        }
    }
}

class TLayoutEngine {
public:
    TLayoutEngine(int width, IHtmlTextMeasurer& measurer, const THtmlBodyStyle& body, THtmlLayout& out)
        : FMeasurer(measurer), FOut(out), FBody(body)
    {
        FOut.Width = std::max(width, 1);
        FOut.BorderStyle = LowerCase(TrimView(body.BorderStyle));
        FOut.BorderColor = body.BorderColor;
        FOut.NoScroll = body.NoScroll;
        const std::string& b = FOut.BorderStyle;
        FOut.BorderWidth = b == "none" || b == "hidden" ? 0 : (b == "solid" || b == "dotted" || b == "dashed") ? 1
                         : b == "double"                ? 3
                                                        : 2;
        auto margin = [](int v) { return v < 0 ? kDefaultMargin : std::min(v, 4096); };
        FMarginLeft = margin(body.MarginLeft);
        FMarginTop = margin(body.MarginTop);
        FMarginRight = margin(body.MarginRight);
        FMarginBottom = margin(body.MarginBottom);
        FContentLeft = FOut.BorderWidth + FMarginLeft;
        FContentWidth = std::max(1, FOut.Width - 2 * FOut.BorderWidth - FMarginLeft - FMarginRight);
        FY = FOut.BorderWidth + FMarginTop;
        FRoot.Font.Face = kDefaultFace;
        FRoot.Font.Height = kFontSizes[kNormalSize];
        FRoot.Color = FOut.TextColor;
        FLinkColor = kLinkColor;
    }

    void Run(const std::vector<THtmlToken>& tokens, const THtmlDecoder& decode)
    {
        FDecode = &decode;
        for (const THtmlToken& t : tokens) {
            switch (t.Kind) {
            case THtmlTokenKind::tkText:
                Text(t.Text);
                break;
            case THtmlTokenKind::tkStartTag:
                StartTag(t);
                break;
            case THtmlTokenKind::tkEndTag:
                EndTag(t.Text);
                break;
            }
        }
        CloseFrom(0);
        FinishLine(false);
        FOut.Height = FY + FMarginBottom + FOut.BorderWidth;
        if (FBody.Background) {
            FOut.Background = *FBody.Background;
        }
    }

private:
    const TInlineStyle& Style() const { return FStack.empty() ? FRoot : FStack.back().Style; }
    const TBlockContext& Block() const { return FStack.empty() ? FRootBlock : FStack.back().Block; }

    std::u16string Decode(std::string_view bytes) const { return DecodeCharacterReferences((*FDecode)(bytes)); }

    int Measure(const TFontSpec& f, std::u16string_view s) { return std::max(0, FMeasurer.TextWidth(f, s)); }

    int Available() const { return std::max(1, FContentWidth - FLineBlock.Left - FLineBlock.Right); }

    // --- text -------------------------------------------------------------------------------------------------

    void Text(std::string_view bytes)
    {
        const std::u16string text = Decode(bytes);
        if (Style().Pre) {
            PreText(text);
            return;
        }
        InlineText(text);
    }

    void PreText(std::u16string_view text)
    {
        std::u16string line;
        std::size_t i = 0;
        if (FPreStart && !text.empty() && (text[0] == u'\n' || text[0] == u'\r')) {
            i = (text.size() > 1 && text[0] == u'\r' && text[1] == u'\n') ? 2 : 1;
        }
        FPreStart = false;
        for (; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c == u'\r' || c == u'\n') {
                if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                    ++i;
                }
                if (!line.empty()) {
                    Word(line, Style());
                }
                line.clear();
                LineBreak();
            } else if (c == u'\t') {
                line.append(8 - line.size() % 8, u' ');
            } else {
                line.push_back(c);
            }
        }
        if (!line.empty()) {
            Word(line, Style());
        }
    }

    // Places an unbreakable piece of text, moving it to the next line when it does not fit, and breaking it
    // between characters when it is wider than a whole line.
    void Word(std::u16string_view word, const TInlineStyle& style)
    {
        if (word.empty()) {
            return;
        }
        if (FLine.empty() && !FMarker) {
            BeginLine();
        }
        const int avail = Available();
        // Longer than any line can be: no need to measure the whole of it.
        const bool huge = word.size() > static_cast<std::size_t>(avail) + 1;
        const int width = huge ? avail + 1 : Measure(style.Font, word);
        if (FPendingSpace && !FLine.empty()) {
            const int space = Measure(FSpaceStyle.Font, u" ");
            if (FLineX + space + width > avail) {
                FinishLine(false);
                BeginLine();
            } else {
                Append(u" ", FSpaceStyle);
            }
        }
        FPendingSpace = false;
        if (FLineX + width > avail && !FLine.empty()) {
            FinishLine(false);
            BeginLine();
        }
        if (width <= avail - FLineX) {
            Append(word, style);
            return;
        }
        while (!word.empty()) {
            const std::size_t fit = FittingPrefix(word, style.Font, avail - FLineX);
            if (fit == 0) {
                FinishLine(false);
                BeginLine();
                continue;
            }
            Append(word.substr(0, fit), style);
            word.remove_prefix(fit);
            if (!word.empty()) {
                FinishLine(false);
                BeginLine();
            }
        }
    }

    // The longest prefix (never splitting a surrogate pair) that fits into room; at least one character when
    // the line is empty, so that every line makes progress.
    std::size_t FittingPrefix(std::u16string_view word, const TFontSpec& font, int room)
    {
        std::size_t hi = std::min(word.size(), static_cast<std::size_t>(std::max(room, 0)) + 1);
        std::size_t lo = 0;
        while (lo < hi) {
            const std::size_t mid = (lo + hi + 1) / 2;
            if (Measure(font, word.substr(0, mid)) <= room) {
                lo = mid;
            } else {
                hi = mid - 1;
            }
        }
        if (lo == 0 && FLine.empty()) {
            lo = 1;
        }
        if (lo > 0 && lo < word.size() && word[lo - 1] >= 0xD800 && word[lo - 1] <= 0xDBFF) {
            lo = lo > 1 ? lo - 1 : 2;
        }
        return std::min(lo, word.size());
    }

    void Append(std::u16string_view text, const TInlineStyle& style)
    {
        const int w = Measure(style.Font, text);
        if (!FLine.empty()) {
            THtmlRun& last = FLine.back();
            if (last.Font == style.Font && last.Color == style.Color && last.Link == style.Link) {
                last.Text.append(text);
                last.Width += w;
                FLineX += w;
                return;
            }
        }
        THtmlRun run;
        run.X = FLineX;
        run.Width = w;
        run.Text.assign(text);
        run.Font = style.Font;
        run.Color = style.Color;
        run.Link = style.Link;
        FLine.push_back(std::move(run));
        FLineX += w;
    }

    // A new line starts: the collapsed margin above it is applied, and the line takes the block's indentation.
    void BeginLine()
    {
        if (FLineOpen) {
            return;
        }
        if (FContentStarted) {
            FY += FPendingMargin;
        }
        FPendingMargin = 0;
        FContentStarted = true;
        FLineOpen = true;
        FLineBlock = Block();
        FLineX = 0;
    }

    // Ends the current line. With force, an empty line still takes the height of the current font (a <br> on a
    // line of its own).
    void FinishLine(bool force)
    {
        if (FLine.empty() && !FMarker && !force) {
            FLineOpen = false;
            return;
        }
        BeginLine();
        int ascent = 0;
        int descent = 0;
        auto take = [&](const TFontSpec& f) {
            const TFontMetrics m = FMeasurer.Metrics(f);
            ascent = std::max(ascent, std::max(0, m.Ascent));
            descent = std::max(descent, std::max(0, m.Descent));
        };
        for (const THtmlRun& r : FLine) {
            take(r.Font);
        }
        if (FLine.empty()) {
            take(FMarker ? FMarker->Font : Style().Font);
        }
        const int height = std::max(1, ascent + descent);
        int shift = 0;
        const int slack = Available() - FLineX;
        if (slack > 0 && FLineBlock.Align == TAlign::alCenter) {
            shift = slack / 2;
        } else if (slack > 0 && FLineBlock.Align == TAlign::alRight) {
            shift = slack;
        }
        const int left = FContentLeft + FLineBlock.Left;
        if (FMarker) {
            FMarker->Y = FY;
            FMarker->Height = height;
            FMarker->Baseline = ascent;
            FMarker->X = std::max(0, left - FMarker->Width - 6);
            FOut.Runs.push_back(std::move(*FMarker));
            FMarker.reset();
        }
        for (THtmlRun& r : FLine) {
            r.X += left + shift;
            r.Y = FY;
            r.Height = height;
            r.Baseline = ascent;
            FOut.Runs.push_back(std::move(r));
        }
        FLine.clear();
        FLineX = 0;
        FY += height;
        FPendingSpace = false;
        FLineOpen = false;
    }

    void LineBreak()
    {
        FinishLine(true);
    }

    void BlockBoundary(int margin)
    {
        FinishLine(false);
        FPendingSpace = false;
        FPendingMargin = std::max(FPendingMargin, margin);
    }

    // --- tags ------------------------------------------------------------------------------------------------

    int FindOpen(std::string_view tag, std::initializer_list<std::string_view> stop = {}) const
    {
        for (std::size_t i = FStack.size(); i-- > 0;) {
            if (FStack[i].Tag == tag) {
                return static_cast<int>(i);
            }
            if (std::find(stop.begin(), stop.end(), FStack[i].Tag) != stop.end()) {
                return -1;
            }
        }
        return -1;
    }

    void CloseFrom(std::size_t index)
    {
        while (FStack.size() > index) {
            TOpenElement e = std::move(FStack.back());
            FStack.pop_back();
            if (e.IsBlock) {
                if (e.Tag == "li" && FMarker) {
                    FinishLine(true);
                }
                BlockBoundary(e.MarginAfter);
            }
        }
    }

    // A paragraph ends where another block begins.
    void CloseParagraph()
    {
        for (std::size_t i = FStack.size(); i-- > 0;) {
            if (FStack[i].Tag == "p") {
                CloseFrom(i);
                return;
            }
            if (FStack[i].IsBlock) {
                return;
            }
        }
    }

    void StartTag(const THtmlToken& t)
    {
        const std::string& tag = t.Text;
        if (tag == "br") {
            LineBreak();
            return;
        }
        if (tag == "img") {
            if (const std::string* alt = t.Attribute("alt")) {
                InlineText(Decode(*alt));
            }
            return;
        }
        if (tag == "hr") {
            CloseParagraph();
            Rule();
            return;
        }
        if (tag == "body") {
            BodyAttributes(t);
            return;
        }
        const bool block = IsBlockTag(tag);
        if (!block && !IsInlineTag(tag)) {
            return;  // unknown or structural elements: their content flows on unchanged
        }
        if (t.SelfClosing) {
            if (block) {
                CloseParagraph();
                BlockBoundary(0);
            }
            return;
        }
        if (block) {
            StartBlock(t);
        } else {
            StartInline(t);
        }
    }

    void StartBlock(const THtmlToken& t)
    {
        const std::string& tag = t.Text;
        if (tag == "li") {
            const int open = FindOpen("li", {"ul", "ol"});
            if (open >= 0) {
                CloseFrom(static_cast<std::size_t>(open));
            }
        } else if (tag == "dt" || tag == "dd") {
            const int dt = FindOpen("dt", {"dl"});
            const int dd = FindOpen("dd", {"dl"});
            const int open = std::max(dt, dd);
            if (open >= 0) {
                CloseFrom(static_cast<std::size_t>(open));
            }
        } else if (IsHeading(tag)) {
            for (char level = '1'; level <= '6'; ++level) {
                const int open = FindOpen(std::string{'h', level});
                if (open >= 0) {
                    CloseFrom(static_cast<std::size_t>(open));
                    break;
                }
            }
        }
        if (tag != "li" && tag != "dt" && tag != "dd" && tag != "tr") {
            CloseParagraph();
        }
        if (tag == "p") {
            const int open = FindOpen("p");
            if (open >= 0) {
                CloseFrom(static_cast<std::size_t>(open));
            }
        }
        if (FStack.size() >= kMaxDepth) {
            BlockBoundary(0);
            return;
        }
        TOpenElement e;
        e.Tag = tag;
        e.IsBlock = true;
        e.Style = Style();
        e.Block = Block();
        const int em = e.Style.Font.Height;
        int before = 0;
        // Indentation stops growing once it would eat most of the line.
        auto indent = [&](int left, int right) {
            if (e.Block.Left + e.Block.Right + left + right <= FContentWidth * 3 / 4) {
                e.Block.Left += left;
                e.Block.Right += right;
            }
        };
        if (tag == "p") {
            before = e.MarginAfter = em;
        } else if (IsHeading(tag)) {
            e.Style.Font.Height = HeadingHeight(tag[1]);
            e.Style.Font.Bold = true;
            before = e.MarginAfter = e.Style.Font.Height * 2 / 3;
        } else if (tag == "ul" || tag == "ol") {
            const bool nested = FindOpen("ul") >= 0 || FindOpen("ol") >= 0;
            before = e.MarginAfter = nested ? 0 : em;
            indent(kListIndent, 0);
            e.Ordered = tag == "ol";
            e.Counter = 1;
            if (const std::string* start = t.Attribute("start")) {
                e.Counter = static_cast<int>(
                    std::clamp(std::strtol(std::string(TrimView(*start)).c_str(), nullptr, 10), -99999L, 99999L));
            }
        } else if (tag == "blockquote") {
            before = e.MarginAfter = em;
            indent(kListIndent, kListIndent);
        } else if (tag == "dd") {
            indent(kListIndent, 0);
        } else if (tag == "dl") {
            before = e.MarginAfter = em;
        } else if (tag == "pre") {
            before = e.MarginAfter = em;
            e.Style.Font.Face = kMonospaceFace;
            e.Style.Font.Height = std::max(1, e.Style.Font.Height * 13 / 16);
            e.Style.Pre = true;
            FPreStart = true;
        } else if (tag == "center") {
            e.Block.Align = TAlign::alCenter;
        } else if (tag == "address") {
            e.Style.Font.Italic = true;
        } else if (tag == "caption") {
            e.Block.Align = TAlign::alCenter;
        }
        if (auto align = ParseAlign(t.Attribute("align"))) {
            e.Block.Align = *align;
        }
        if (const std::string* css = t.Attribute("style")) {
            ApplyStyleAttribute(*css, e.Style, e.Block, true);
        }
        BlockBoundary(before);
        if (tag == "li") {
            Marker(e.Style);
        }
        FStack.push_back(std::move(e));
    }

    void Marker(const TInlineStyle& style)
    {
        std::u16string text(1, kBullet);
        for (std::size_t i = FStack.size(); i-- > 0;) {
            if (FStack[i].Tag == "ul" || FStack[i].Tag == "ol") {
                if (FStack[i].Ordered) {
                    text.clear();
                    for (const char c : std::to_string(FStack[i].Counter)) {
                        text.push_back(static_cast<char16_t>(c));
                    }
                    text.push_back(u'.');
                    ++FStack[i].Counter;
                }
                break;
            }
        }
        THtmlRun run;
        run.Text = text;
        run.Font = style.Font;
        run.Color = style.Color;
        run.Width = Measure(style.Font, text);
        FMarker = std::move(run);
        FLineOpen = false;
        BeginLine();
    }

    void StartInline(const THtmlToken& t)
    {
        const std::string& tag = t.Text;
        if (tag == "a") {
            const int open = FindOpen("a");
            if (open >= 0) {
                CloseFrom(static_cast<std::size_t>(open));
            }
        }
        if (tag == "td" || tag == "th") {
            const int open = std::max(FindOpen("td", {"tr", "table"}), FindOpen("th", {"tr", "table"}));
            if (open >= 0) {
                CloseFrom(static_cast<std::size_t>(open));
            }
            if (!FLine.empty()) {
                FPendingSpace = true;
                FSpaceStyle = Style();
            }
        }
        if (FStack.size() >= kMaxDepth) {
            return;
        }
        TOpenElement e;
        e.Tag = tag;
        e.Style = Style();
        e.Block = Block();
        TFontSpec& f = e.Style.Font;
        if (tag == "b" || tag == "strong" || tag == "th") {
            f.Bold = true;
        } else if (tag == "i" || tag == "em" || tag == "cite" || tag == "var" || tag == "dfn") {
            f.Italic = true;
        } else if (tag == "u" || tag == "ins") {
            f.Underline = true;
        } else if (tag == "s" || tag == "strike" || tag == "del") {
            f.StrikeOut = true;
        } else if (tag == "tt" || tag == "code" || tag == "kbd" || tag == "samp") {
            f.Face = kMonospaceFace;
        } else if (tag == "big") {
            f.Height = StepSize(f.Height, 1);
        } else if (tag == "small" || tag == "sub" || tag == "sup") {
            f.Height = StepSize(f.Height, -1);
        } else if (tag == "font") {
            if (const std::string* face = t.Attribute("face")) {
                std::string_view first = TrimView(std::string_view(*face).substr(0, face->find(',')));
                if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') &&
                    first.back() == first.front()) {
                    first = first.substr(1, first.size() - 2);
                }
                if (!first.empty() && first.size() < 64) {
                    f.Face.assign(first);
                }
            }
            if (const std::string* size = t.Attribute("size")) {
                if (auto h = ParseFontSize(*size)) {
                    f.Height = *h;
                }
            }
            if (const std::string* color = t.Attribute("color")) {
                if (auto c = ParseHtmlColor(*color)) {
                    e.Style.Color = *c;
                }
            }
        } else if (tag == "a") {
            if (const std::string* href = t.Attribute("href")) {
                THtmlLink link;
                link.Href = Decode(TrimView(*href));
                if (const std::string* target = t.Attribute("target")) {
                    link.Target = Decode(*target);
                }
                e.Style.Link = static_cast<int>(FOut.Links.size());
                FOut.Links.push_back(std::move(link));
                e.Style.Color = FLinkColor;
                f.Underline = true;
            }
        }
        if (const std::string* css = t.Attribute("style")) {
            ApplyStyleAttribute(*css, e.Style, e.Block, false);
        }
        FStack.push_back(std::move(e));
    }

    void EndTag(const std::string& tag)
    {
        if (tag == "br") {
            LineBreak();  // browsers read a stray "</br>" as a line break
            return;
        }
        if (tag == "p" && FindOpen("p") < 0) {
            BlockBoundary(Style().Font.Height);
            return;
        }
        const int open = FindOpen(tag);
        if (open >= 0) {
            CloseFrom(static_cast<std::size_t>(open));
        }
    }

    void InlineText(const std::u16string& text)
    {
        std::size_t i = 0;
        while (i < text.size()) {
            if (IsSpace16(text[i])) {
                if (!FLine.empty()) {
                    FPendingSpace = true;
                    FSpaceStyle = Style();
                }
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < text.size() && !IsSpace16(text[j])) {
                ++j;
            }
            Word(std::u16string_view(text).substr(i, j - i), Style());
            i = j;
        }
    }

    void Rule()
    {
        const int em = Style().Font.Height;
        BlockBoundary(em / 2);
        BeginLine();
        THtmlRect r;
        r.Left = FContentLeft + FLineBlock.Left;
        r.Right = r.Left + Available();
        r.Top = FY;
        r.Bottom = FY + 2;
        FOut.Rules.push_back(r);
        FY += 2;
        FLineOpen = false;
        FPendingMargin = em / 2;
    }

    void BodyAttributes(const THtmlToken& t)
    {
        if (const std::string* bg = t.Attribute("bgcolor")) {
            if (auto c = ParseHtmlColor(*bg)) {
                FOut.Background = *c;
            }
        }
        if (const std::string* text = t.Attribute("text")) {
            if (auto c = ParseHtmlColor(*text)) {
                FOut.TextColor = *c;
                if (FStack.empty()) {
                    FRoot.Color = *c;
                }
            }
        }
        if (const std::string* link = t.Attribute("link")) {
            if (auto c = ParseHtmlColor(*link)) {
                FLinkColor = *c;
            }
        }
    }

    IHtmlTextMeasurer& FMeasurer;
    THtmlLayout& FOut;
    const THtmlBodyStyle& FBody;
    const THtmlDecoder* FDecode = nullptr;

    int FMarginLeft = 0;
    int FMarginTop = 0;
    int FMarginRight = 0;
    int FMarginBottom = 0;
    int FContentLeft = 0;
    int FContentWidth = 1;
    TRgb FLinkColor = kLinkColor;

    TInlineStyle FRoot;
    TBlockContext FRootBlock;
    std::vector<TOpenElement> FStack;

    std::vector<THtmlRun> FLine;
    std::optional<THtmlRun> FMarker;
    TBlockContext FLineBlock;
    bool FLineOpen = false;
    int FLineX = 0;
    int FY = 0;
    int FPendingMargin = 0;
    bool FContentStarted = false;
    bool FPendingSpace = false;
    TInlineStyle FSpaceStyle;
    bool FPreStart = false;
};

// The document's own character set, when it declares one in a meta element.
std::string DeclaredCharset(const std::vector<THtmlToken>& tokens)
{
    for (const THtmlToken& t : tokens) {
        if (t.Kind != THtmlTokenKind::tkStartTag || t.Text != "meta") {
            continue;
        }
        if (const std::string* cs = t.Attribute("charset")) {
            return LowerCase(TrimView(*cs));
        }
        if (const std::string* content = t.Attribute("content")) {
            const std::string c = LowerCase(*content);
            const std::size_t at = c.find("charset=");
            if (at != std::string::npos) {
                std::string_view v = std::string_view(c).substr(at + 8);
                v = v.substr(0, v.find_first_of("; \"'"));
                return std::string(TrimView(v));
            }
        }
    }
    return {};
}

struct TNamedColor {
    std::string_view Name;
    TRgb Value;
};

constexpr std::array<TNamedColor, 28> kColors = {{
    {"black", 0x000000},  {"silver", 0xC0C0C0}, {"gray", 0x808080},   {"grey", 0x808080},   {"white", 0xFFFFFF},
    {"maroon", 0x800000}, {"red", 0xFF0000},    {"purple", 0x800080}, {"fuchsia", 0xFF00FF}, {"green", 0x008000},
    {"lime", 0x00FF00},   {"olive", 0x808000},  {"yellow", 0xFFFF00}, {"navy", 0x000080},   {"blue", 0x0000FF},
    {"teal", 0x008080},   {"aqua", 0x00FFFF},   {"orange", 0xFFA500}, {"brown", 0xA52A2A},  {"pink", 0xFFC0CB},
    {"gold", 0xFFD700},   {"darkred", 0x8B0000}, {"darkblue", 0x00008B}, {"darkgreen", 0x006400},
    {"darkgray", 0xA9A9A9}, {"lightgray", 0xD3D3D3}, {"cyan", 0x00FFFF}, {"magenta", 0xFF00FF},
}};

} // namespace

std::optional<TRgb> ParseHtmlColor(std::string_view text)
{
    text = TrimView(text);
    const std::string lower = LowerCase(text);
    for (const TNamedColor& c : kColors) {
        if (c.Name == lower) {
            return c.Value;
        }
    }
    if (!text.empty() && text.front() == '#') {
        text.remove_prefix(1);
    }
    if (text.size() != 6 && text.size() != 3) {
        return std::nullopt;
    }
    TRgb v = 0;
    for (const char c : text) {
        const int h = HexDigitValue(static_cast<unsigned char>(c));
        if (h < 0) {
            return std::nullopt;
        }
        v = v * 16 + static_cast<TRgb>(h);
        if (text.size() == 3) {
            v = v * 16 + static_cast<TRgb>(h);
        }
    }
    return v;
}

std::u16string WebAddressForLink(std::u16string_view href)
{
    while (!href.empty() && href.front() <= u' ') {
        href.remove_prefix(1);
    }
    while (!href.empty() && href.back() <= u' ') {
        href.remove_suffix(1);
    }
    if (href.empty() || href.front() == u'#') {
        return {};
    }
    for (const char16_t c : href) {
        if (c < u' ') {
            return {};
        }
    }
    const std::size_t sep = href.find(u"://");
    if (sep == std::u16string_view::npos) {
        return u"http://" + std::u16string(href);
    }
    std::u16string scheme(href.substr(0, sep));
    for (char16_t& c : scheme) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    if (scheme != u"http" && scheme != u"https") {
        return {};
    }
    return std::u16string(href);
}

int THtmlLayout::LinkAt(int x, int y) const
{
    for (const THtmlRun& r : Runs) {
        if (r.Link >= 0 && THtmlRect{r.X, r.Y, r.X + r.Width, r.Y + r.Height}.Contains(x, y)) {
            return r.Link;
        }
    }
    return -1;
}

std::vector<THtmlRect> THtmlLayout::LinkArea(int link) const
{
    std::vector<THtmlRect> out;
    for (const THtmlRun& r : Runs) {
        if (r.Link == link && link >= 0) {
            out.push_back({r.X, r.Y, r.X + r.Width, r.Y + r.Height});
        }
    }
    return out;
}

std::u16string THtmlLayout::Text() const
{
    std::u16string out;
    const THtmlRun* previous = nullptr;
    for (const THtmlRun& r : Runs) {
        if (previous && r.Y != previous->Y) {
            out.push_back(u'\n');
        } else if (previous && previous->X + previous->Width < r.X) {
            out.push_back(u' ');  // a list marker and its item
        }
        out += r.Text;
        previous = &r;
    }
    return out;
}

std::string DeclaredCharset(std::string_view document)
{
    return DeclaredCharset(TokenizeHtml(document));
}

THtmlLayout LayoutHtml(std::string_view document, int width, IHtmlTextMeasurer& measurer, const THtmlBodyStyle& body,
                       const THtmlDecoder& decoder)
{
    const std::vector<THtmlToken> tokens = TokenizeHtml(document);
    const std::string charset = DeclaredCharset(tokens);
    THtmlDecoder utf8 = DecodeUtf8;
    THtmlDecoder latin = DecodeWindows1252;
    const THtmlDecoder* decode = &decoder;
    if (charset == "utf-8" || charset == "utf8") {
        decode = &utf8;
    } else if (charset == "windows-1252" || charset == "iso-8859-1" || charset == "latin1" ||
               charset == "us-ascii") {
        decode = &latin;
    }
    THtmlLayout out;
    TLayoutEngine engine(width, measurer, body, out);
    engine.Run(tokens, *decode);
    return out;
}

} // namespace skyloom::html
