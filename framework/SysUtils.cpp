#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace skyloom {

std::string ExceptionMessage(const std::exception& e)
{
    if (auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message;
    return e.what();
}

std::string GetShortHint(std::string_view hint)
{
    std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string GetLongHint(std::string_view hint)
{
    std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

std::string_view TrimLeftView(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimView(std::string_view s)
{
    s = TrimLeftView(s);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

void TrimInPlace(std::string& s)
{
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    s.erase(e);
    TrimLeftInPlace(s);
}

void TrimLeftInPlace(std::string& s)
{
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    s.erase(0, b);
}

std::string TrimLeft(std::string_view s) { return std::string(TrimLeftView(s)); }

std::string TrimRight(std::string_view s)
{
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = UpperChar(c);
    return r;
}

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = LowerChar(c);
    return r;
}

bool StartsText(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (UpperChar(text[i]) != UpperChar(prefix[i]))
            return false;
    return true;
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsText(a, b); }

std::string IntToStr(long long value) { return std::to_string(value); }

long long StrToInt64Def(std::string_view s, long long def)
{
    std::string_view t = TrimView(s);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty())
        return def;
    // Counted as a negative number so that the smallest value fits.
    constexpr long long lowest = std::numeric_limits<long long>::min();
    long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return def;
        const int digit = c - '0';
        if (v < (lowest + digit) / 10)
            return def;
        v = v * 10 - digit;
    }
    if (!negative) {
        if (v == lowest)
            return def;
        v = -v;
    }
    return v;
}

bool TryDigitsToInt(std::string_view s, std::int64_t& out)
{
    if (s.empty())
        return false;
    std::int64_t v = 0;
    for (char c : s) {
        if (!IsDigit(c))
            return false;
        const int digit = c - '0';
        if (v > (std::numeric_limits<std::int64_t>::max() - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    out = v;
    return true;
}

bool TryDigitsToInt(std::string_view s, int& out)
{
    std::int64_t v = 0;
    if (!TryDigitsToInt(s, v) || v > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(v);
    return true;
}

std::string_view CutToken(std::string_view& s, char sep)
{
    const std::size_t p = s.find(sep);
    const std::string_view token = s.substr(0, p);
    s = p == std::string_view::npos ? std::string_view() : TrimLeftView(s.substr(p + 1));
    return token;
}

int StrToIntDef(std::string_view s, int def)
{
    const long long v = StrToInt64Def(s, def);
    return v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max() ? def : static_cast<int>(v);
}

std::string EncodeBase64(std::string_view bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += n > 1 ? alphabet[(v >> 6) & 63] : '=';
        out += n > 2 ? alphabet[v & 63] : '=';
    }
    return out;
}

bool DecodeBase64(std::string_view text, std::string& bytes)
{
    auto digit = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        return c == '+' ? 62 : c == '/' ? 63 : -1;
    };
    bytes.clear();
    if (text.size() % 4 != 0)
        return false;
    std::size_t padding = 0;
    if (text.ends_with("=="))
        padding = 2;
    else if (text.ends_with('='))
        padding = 1;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t used = last ? 4 - padding : 4;
        unsigned v = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            int d = k < used ? digit(text[i + k]) : 0;
            if (d < 0)
                return bytes.clear(), false;
            v = v << 6 | static_cast<unsigned>(d);
        }
        // Bits beyond the last byte must be zero, so that each byte string has exactly one encoding.
        if ((padding == 2 && last && (v & 0xFFFF) != 0) || (padding == 1 && last && (v & 0xFF) != 0))
            return bytes.clear(), false;
        bytes += static_cast<char>(v >> 16);
        if (used > 2)
            bytes += static_cast<char>((v >> 8) & 0xFF);
        if (used > 3)
            bytes += static_cast<char>(v & 0xFF);
    }
    return true;
}

namespace {

std::size_t LastDelimiter(std::string_view path)
{
    std::size_t p = path.find_last_of("\\/:");
    return p;
}

} // namespace

std::string ExtractFilePath(std::string_view path)
{
    std::size_t p = LastDelimiter(path);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path)
{
    std::size_t p = LastDelimiter(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExtractFileExt(std::string_view path)
{
    std::string name = ExtractFileName(path);
    std::size_t p = name.rfind('.');
    return p == std::string::npos ? std::string() : name.substr(p);
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string r(path);
    if (r.empty() || (r.back() != '\\' && r.back() != '/'))
        r += '\\';
    return r;
}

} // namespace skyloom
