#include "HtmlTokenizer.h"

#include "SysUtils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

namespace skyloom::html {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Case-insensitive search for "</name" followed by a delimiter, from pos. Returns npos when absent.
std::size_t FindEndTag(std::string_view s, std::size_t pos, std::string_view name)
{
    while (pos < s.size()) {
        const std::size_t lt = s.find("</", pos);
        if (lt == std::string_view::npos) {
            return std::string_view::npos;
        }
        std::size_t i = lt + 2;
        std::size_t k = 0;
        while (k < name.size() && i < s.size() && LowerChar(s[i]) == name[k]) {
            ++i;
            ++k;
        }
        if (k == name.size() && (i == s.size() || IsSpace(s[i]) || s[i] == '>' || s[i] == '/')) {
            return lt;
        }
        pos = lt + 2;
    }
    return std::string_view::npos;
}

// Elements whose content is raw text. The first group is dropped entirely; xmp and textarea are shown as text.
bool IsDroppedRawText(std::string_view name)
{
    return name == "script" || name == "style" || name == "title" || name == "iframe" || name == "noembed" ||
           name == "noframes" || name == "template";
}

bool IsShownRawText(std::string_view name)
{
    return name == "xmp" || name == "textarea" || name == "plaintext";
}

class TTokenizer {
public:
    explicit TTokenizer(std::string_view s) : FSource(s) {}

    std::vector<THtmlToken> Run()
    {
        while (FPos < FSource.size()) {
            const char c = FSource[FPos];
            if (c == '<' && FPos + 1 < FSource.size()) {
                const char n = FSource[FPos + 1];
                if (IsAsciiAlpha(n)) {
                    FlushText();
                    ReadTag(false);
                    continue;
                }
                if (n == '/' && FPos + 2 < FSource.size() && IsAsciiAlpha(FSource[FPos + 2])) {
                    FlushText();
                    ReadTag(true);
                    continue;
                }
                if (n == '/' && FPos + 2 < FSource.size() && FSource[FPos + 2] == '>') {
                    FPos += 3;  // "</>" is dropped
                    continue;
                }
                if (n == '!' || n == '?' || n == '/') {
                    FlushText();
                    SkipComment();
                    continue;
                }
            }
            FText.push_back(c);
            ++FPos;
        }
        FlushText();
        return std::move(FTokens);
    }

private:
    void FlushText()
    {
        if (!FText.empty()) {
            THtmlToken t;
            t.Kind = THtmlTokenKind::tkText;
            t.Text = std::move(FText);
            FTokens.push_back(std::move(t));
            FText.clear();
        }
    }

    void SkipComment()
    {
        if (FSource.substr(FPos, 4) == "<!--") {
            const std::size_t end = FSource.find("-->", FPos + 4);
            FPos = end == std::string_view::npos ? FSource.size() : end + 3;
            return;
        }
        const std::size_t end = FSource.find('>', FPos + 2);
        FPos = end == std::string_view::npos ? FSource.size() : end + 1;
    }

    void SkipSpaces()
    {
        while (FPos < FSource.size() && IsSpace(FSource[FPos])) {
            ++FPos;
        }
    }

    void ReadTag(bool end)
    {
        FPos += end ? 2 : 1;
        THtmlToken t;
        t.Kind = end ? THtmlTokenKind::tkEndTag : THtmlTokenKind::tkStartTag;
        while (FPos < FSource.size() && !IsSpace(FSource[FPos]) && FSource[FPos] != '/' && FSource[FPos] != '>') {
            t.Text.push_back(LowerChar(FSource[FPos]));
            ++FPos;
        }
        // Attributes. Every pass of the loop consumes at least one byte or ends the tag.
        while (FPos < FSource.size()) {
            SkipSpaces();
            if (FPos >= FSource.size()) {
                break;
            }
            const char c = FSource[FPos];
            if (c == '>') {
                ++FPos;
                break;
            }
            if (c == '/') {
                ++FPos;
                if (FPos < FSource.size() && FSource[FPos] == '>') {
                    t.SelfClosing = true;
                }
                continue;
            }
            THtmlAttribute a;
            do {
                a.Name.push_back(LowerChar(FSource[FPos]));
                ++FPos;
            } while (FPos < FSource.size() && !IsSpace(FSource[FPos]) && FSource[FPos] != '/' &&
                     FSource[FPos] != '>' && FSource[FPos] != '=');
            SkipSpaces();
            if (FPos < FSource.size() && FSource[FPos] == '=') {
                ++FPos;
                SkipSpaces();
                if (FPos < FSource.size() && (FSource[FPos] == '"' || FSource[FPos] == '\'')) {
                    const char q = FSource[FPos];
                    const std::size_t close = FSource.find(q, FPos + 1);
                    const std::size_t stop = close == std::string_view::npos ? FSource.size() : close;
                    a.Value.assign(FSource.substr(FPos + 1, stop - FPos - 1));
                    FPos = close == std::string_view::npos ? FSource.size() : close + 1;
                } else {
                    while (FPos < FSource.size() && !IsSpace(FSource[FPos]) && FSource[FPos] != '>') {
                        a.Value.push_back(FSource[FPos]);
                        ++FPos;
                    }
                }
            }
            if (!end) {
                t.Attributes.push_back(std::move(a));
            }
        }
        if (end) {
            t.Attributes.clear();
            t.SelfClosing = false;
            FTokens.push_back(std::move(t));
            return;
        }
        const std::string name = t.Text;
        FTokens.push_back(std::move(t));
        if (IsDroppedRawText(name) || IsShownRawText(name)) {
            if (FTokens.back().SelfClosing && name != "script") {
                return;
            }
            // A script's content runs to its end tag even after "<script/>", as browsers read it.
            std::size_t end_at = name == "plaintext" ? std::string_view::npos : FindEndTag(FSource, FPos, name);
            const std::size_t stop = end_at == std::string_view::npos ? FSource.size() : end_at;
            if (IsShownRawText(name) && stop > FPos) {
                THtmlToken text;
                text.Kind = THtmlTokenKind::tkText;
                text.Text.assign(FSource.substr(FPos, stop - FPos));
                FTokens.push_back(std::move(text));
            }
            FPos = stop;
            if (end_at != std::string_view::npos) {
                ReadTag(true);
            }
        }
    }

    std::string_view FSource;
    std::size_t FPos = 0;
    std::string FText;
    std::vector<THtmlToken> FTokens;
};

struct TNamedReference {
    std::string_view Name;
    char16_t Char;
};

// The character references feeds actually use: HTML 4's Latin-1 set, the typographic marks and a few symbols.
// Sorted by name for the binary search below.
constexpr TNamedReference kNamed[] = {
    {"AElig", 0xC6},   {"Aacute", 0xC1}, {"Acirc", 0xC2},  {"Agrave", 0xC0}, {"Aring", 0xC5},  {"Atilde", 0xC3},
    {"Auml", 0xC4},    {"Ccedil", 0xC7}, {"ETH", 0xD0},    {"Eacute", 0xC9}, {"Ecirc", 0xCA},  {"Egrave", 0xC8},
    {"Euml", 0xCB},    {"Iacute", 0xCD}, {"Icirc", 0xCE},  {"Igrave", 0xCC}, {"Iuml", 0xCF},   {"Ntilde", 0xD1},
    {"Oacute", 0xD3},  {"Ocirc", 0xD4},  {"Ograve", 0xD2}, {"Oslash", 0xD8}, {"Otilde", 0xD5}, {"Ouml", 0xD6},
    {"THORN", 0xDE},   {"Uacute", 0xDA}, {"Ucirc", 0xDB},  {"Ugrave", 0xD9}, {"Uuml", 0xDC},   {"Yacute", 0xDD},
    {"aacute", 0xE1},  {"acirc", 0xE2},  {"acute", 0xB4},  {"aelig", 0xE6},  {"agrave", 0xE0}, {"amp", 0x26},
    {"apos", 0x27},    {"aring", 0xE5},  {"atilde", 0xE3}, {"auml", 0xE4},   {"bdquo", 0x201E}, {"brvbar", 0xA6},
    {"bull", 0x2022},  {"ccedil", 0xE7}, {"cedil", 0xB8},  {"cent", 0xA2},   {"copy", 0xA9},   {"curren", 0xA4},
    {"dagger", 0x2020}, {"deg", 0xB0},   {"divide", 0xF7}, {"eacute", 0xE9}, {"ecirc", 0xEA},  {"egrave", 0xE8},
    {"eth", 0xF0},     {"euml", 0xEB},   {"euro", 0x20AC}, {"frac12", 0xBD}, {"frac14", 0xBC}, {"frac34", 0xBE},
    {"gt", 0x3E},      {"hellip", 0x2026}, {"iacute", 0xED}, {"icirc", 0xEE}, {"iexcl", 0xA1},  {"igrave", 0xEC},
    {"iquest", 0xBF},  {"iuml", 0xEF},   {"laquo", 0xAB},  {"ldquo", 0x201C}, {"lsaquo", 0x2039}, {"lsquo", 0x2018},
    {"lt", 0x3C},      {"macr", 0xAF},   {"mdash", 0x2014}, {"micro", 0xB5}, {"middot", 0xB7}, {"minus", 0x2212},
    {"nbsp", 0xA0},    {"ndash", 0x2013}, {"not", 0xAC},   {"ntilde", 0xF1}, {"oacute", 0xF3}, {"ocirc", 0xF4},
    {"oelig", 0x153},  {"ograve", 0xF2}, {"ordf", 0xAA},   {"ordm", 0xBA},   {"oslash", 0xF8}, {"otilde", 0xF5},
    {"ouml", 0xF6},    {"para", 0xB6},   {"permil", 0x2030}, {"plusmn", 0xB1}, {"pound", 0xA3}, {"prime", 0x2032},
    {"quot", 0x22},    {"raquo", 0xBB},  {"rdquo", 0x201D}, {"reg", 0xAE},   {"rsaquo", 0x203A}, {"rsquo", 0x2019},
    {"sbquo", 0x201A}, {"scaron", 0x161}, {"sect", 0xA7},  {"shy", 0xAD},    {"sup1", 0xB9},   {"sup2", 0xB2},
    {"sup3", 0xB3},    {"szlig", 0xDF},  {"thinsp", 0x2009}, {"thorn", 0xFE}, {"times", 0xD7},  {"trade", 0x2122},
    {"uacute", 0xFA},  {"ucirc", 0xFB},  {"ugrave", 0xF9}, {"uml", 0xA8},    {"uuml", 0xFC},   {"yacute", 0xFD},
    {"yen", 0xA5},     {"yuml", 0xFF},   {"zwj", 0x200D},  {"zwnj", 0x200C}, {"OElig", 0x152}, {"Scaron", 0x160},
    {"Yuml", 0x178},   {"circ", 0x2C6},  {"tilde", 0x2DC}, {"ensp", 0x2002}, {"emsp", 0x2003},
};

const TNamedReference* FindNamed(std::string_view name)
{
    static const auto sorted = [] {
        std::array<TNamedReference, std::size(kNamed)> a{};
        std::copy(std::begin(kNamed), std::end(kNamed), a.begin());
        std::sort(a.begin(), a.end(), [](const auto& x, const auto& y) { return x.Name < y.Name; });
        return a;
    }();
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), name,
                                     [](const TNamedReference& r, std::string_view n) { return r.Name < n; });
    return it != sorted.end() && it->Name == name ? &*it : nullptr;
}

// Sloppy feeds write these without the closing semicolon; browsers accept them, so do we.
bool AllowedWithoutSemicolon(std::string_view name)
{
    return name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "nbsp" || name == "copy" ||
           name == "reg";
}

bool IsAlnum16(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The C1 range as browsers read numeric references to it: the Windows-1252 characters.
constexpr std::array<char16_t, 32> kC1 = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                          0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                          0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

} // namespace

const std::string* THtmlToken::Attribute(std::string_view name) const
{
    for (const auto& a : Attributes) {
        if (a.Name == name) {
            return &a.Value;
        }
    }
    return nullptr;
}

std::vector<THtmlToken> TokenizeHtml(std::string_view source)
{
    return TTokenizer(source).Run();
}

void AppendCodePoint(std::u16string& out, char32_t cp)
{
    if (cp >= 0xD800 && cp <= 0xDFFF) {
        cp = 0xFFFD;
    }
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else if (cp <= 0x10FFFF) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(u'\xFFFD');
    }
}

std::u16string DecodeCharacterReferences(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c != u'&') {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        if (j < text.size() && text[j] == u'#') {
            ++j;
            const bool hex = j < text.size() && (text[j] == u'x' || text[j] == u'X');
            if (hex) {
                ++j;
            }
            const std::size_t digits_start = j;
            std::uint32_t value = 0;
            bool overflow = false;
            while (j < text.size()) {
                const int d = hex ? HexDigitValue(text[j]) : (text[j] >= u'0' && text[j] <= u'9' ? text[j] - u'0' : -1);
                if (d < 0) {
                    break;
                }
                value = value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(d);
                if (value > 0x10FFFF) {
                    overflow = true;
                    value = 0x110000;  // keeps the multiplication from wrapping
                }
                ++j;
            }
            if (j == digits_start) {
                out.push_back(c);  // "&#" with no digits stays as written
                ++i;
                continue;
            }
            if (j < text.size() && text[j] == u';') {
                ++j;
            }
            char32_t cp = overflow || value == 0 ? 0xFFFD : static_cast<char32_t>(value);
            if (cp >= 0x80 && cp <= 0x9F) {
                cp = kC1[cp - 0x80];
            }
            AppendCodePoint(out, cp);
            i = j;
            continue;
        }
        std::size_t k = j;
        while (k < text.size() && k - j < 10 && IsAlnum16(text[k])) {
            ++k;
        }
        std::string name;
        for (std::size_t n = j; n < k; ++n) {
            name.push_back(static_cast<char>(text[n]));
        }
        const TNamedReference* ref = name.empty() ? nullptr : FindNamed(name);
        const bool semicolon = k < text.size() && text[k] == u';';
        if (ref && (semicolon || AllowedWithoutSemicolon(name))) {
            out.push_back(ref->Char);
            i = semicolon ? k + 1 : k;
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

} // namespace skyloom::html

namespace skyloom::html {

std::u16string DecodeWindows1252(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.push_back(b >= 0x80 && b <= 0x9F ? kC1[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

std::u16string DecodeUtf8(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            extra = 1;
            cp = b0 & 0x1F;
            min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            extra = 2;
            cp = b0 & 0x0F;
            min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            extra = 3;
            cp = b0 & 0x07;
            min = 0x10000;
        } else {
            out.push_back(u'\xFFFD');
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int got = 0;
        while (got < extra && j < bytes.size() && (static_cast<unsigned char>(bytes[j]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<unsigned char>(bytes[j]) & 0x3F);
            ++j;
            ++got;
        }
        if (got < extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\xFFFD');
            i = got < extra ? j : i + 1 + static_cast<std::size_t>(extra);
            continue;
        }
        AppendCodePoint(out, cp);
        i = j;
    }
    return out;
}

} // namespace skyloom::html
