#include "NetHeaderList.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace skyloom {

namespace {

char UpperChar(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A continuation line: one blank, then the piece. (Built without operator+(const char*, string), which g++ 12
// warns about wrongly.)
std::string Continuation(std::string_view piece)
{
    std::string line(1, ' ');
    line += piece;
    return line;
}

bool IsContinuation(const std::string& line)
{
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

} // namespace

bool NetSameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    return true;
}

bool ContainsText(std::string_view text, std::string_view part)
{
    if (part.empty())
        return true;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (NetSameText(text.substr(i, part.size()), part))
            return true;
    return false;
}

std::string NetTrim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return std::string(s.substr(b, e - b));
}

std::string NetUpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = UpperChar(c);
    return r;
}

std::string NetLowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

long long StrToInt64Def(std::string_view s, long long fallback)
{
    const std::string t = NetTrim(s);
    std::string_view v = t;
    if (!v.empty() && v[0] == '+')
        v.remove_prefix(1);
    if (v.empty() || v[0] == '+')
        return fallback;
    long long out = 0;
    const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out, 10);
    if (ec != std::errc() || ptr != v.data() + v.size())
        return fallback;
    return out;
}

int NetStrToIntDef(std::string_view s, int fallback)
{
    const long long v = StrToInt64Def(s, fallback);
    return v < INT_MIN || v > INT_MAX ? fallback : static_cast<int>(v);
}

std::string EncodeBase64(std::string_view bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::size_t TNetHeaderList::IndexOfName(std::string_view name) const
{
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const std::string& line = Lines[i];
        if (IsContinuation(line))
            continue;
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && NetSameText(std::string_view(line).substr(0, colon), name))
            return i;
    }
    return Lines.size();
}

std::size_t TNetHeaderList::ContinuationEnd(std::size_t index) const
{
    std::size_t end = index + 1;
    while (end < Lines.size() && IsContinuation(Lines[end]))
        ++end;
    return end;
}

std::string TNetHeaderList::Values(std::string_view name) const
{
    const std::size_t i = IndexOfName(name);
    if (i == Lines.size())
        return {};
    const std::string& line = Lines[i];
    std::string value = NetTrim(std::string_view(line).substr(line.find(':') + 1));
    for (std::size_t j = i + 1; j < ContinuationEnd(i); ++j) {
        value += ' ';
        value += NetTrim(Lines[j]);
    }
    return NetTrim(value);
}

bool TNetHeaderList::HasHeader(std::string_view name) const
{
    return IndexOfName(name) != Lines.size();
}

void TNetHeaderList::SetValue(std::string_view name, const std::string& value)
{
    const std::size_t i = IndexOfName(name);
    if (i == Lines.size()) {
        if (!value.empty())
            Lines.push_back(std::string(name) + ": " + value);
        return;
    }
    const std::size_t end = ContinuationEnd(i);
    Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(i + 1), Lines.begin() + static_cast<std::ptrdiff_t>(end));
    if (value.empty())
        Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(i));
    else
        Lines[i] = std::string(name) + ": " + value;
}

std::vector<std::string> TNetHeaderList::GetValues(std::string_view name) const
{
    std::vector<std::string> values;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const std::string& line = Lines[i];
        if (IsContinuation(line))
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || !NetSameText(std::string_view(line).substr(0, colon), name))
            continue;
        std::string value = NetTrim(std::string_view(line).substr(colon + 1));
        for (std::size_t j = i + 1; j < Lines.size() && IsContinuation(Lines[j]); ++j) {
            value += ' ';
            value += NetTrim(Lines[j]);
        }
        values.push_back(NetTrim(value));
    }
    return values;
}

void TNetHeaderList::FoldLines(std::size_t width)
{
    std::vector<std::string> folded;
    folded.reserve(Lines.size());
    for (const std::string& line : Lines) {
        std::string_view rest = line;
        // Never break inside the name and its separator: a first piece of "Name:" alone says nothing.
        const std::size_t sep = line.find(": ");
        std::size_t minCut = sep == std::string::npos ? 1 : sep + 2;
        bool first = true;
        while (rest.size() > width) {
            // The last break point that keeps the piece within the width, else the first one after it.
            std::size_t cut = std::string_view::npos;
            for (std::size_t i = width; i-- > minCut;)
                if (rest[i] == ' ' || rest[i] == '\t' || rest[i] == ',') {
                    cut = i;
                    break;
                }
            if (cut == std::string_view::npos) {
                cut = rest.find_first_of(" \t,", std::max(width, minCut));
                if (cut == std::string_view::npos)
                    break;
            }
            std::string piece(rest.substr(0, cut + 1));
            while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t'))
                piece.pop_back();
            folded.push_back(first ? piece : Continuation(piece));
            first = false;
            minCut = 1;
            rest.remove_prefix(cut + 1);
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
                rest.remove_prefix(1);
        }
        if (first)
            folded.emplace_back(rest);
        else if (!rest.empty())
            folded.push_back(Continuation(NetTrim(rest)));
    }
    Lines.swap(folded);
}

std::string TNetHeaderList::Text() const
{
    std::string out;
    for (const std::string& line : Lines)
        if (!line.empty()) {
            out += line;
            out += "\r\n";
        }
    return out;
}

} // namespace skyloom
