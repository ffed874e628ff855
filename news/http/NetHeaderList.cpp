#include "NetHeaderList.h"

#include <algorithm>

namespace skyloom {

namespace {

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

bool ContainsText(std::string_view text, std::string_view part)
{
    if (part.empty())
        return true;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (SameText(text.substr(i, part.size()), part))
            return true;
    return false;
}

std::size_t TNetHeaderList::IndexOfName(std::string_view name) const
{
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const std::string& line = Lines[i];
        if (IsContinuation(line))
            continue;
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && SameText(std::string_view(line).substr(0, colon), name))
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
    std::string value = Trim(std::string_view(line).substr(line.find(':') + 1));
    for (std::size_t j = i + 1; j < ContinuationEnd(i); ++j) {
        value += ' ';
        value += Trim(Lines[j]);
    }
    return Trim(value);
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
        if (colon == std::string::npos || !SameText(std::string_view(line).substr(0, colon), name))
            continue;
        std::string value = Trim(std::string_view(line).substr(colon + 1));
        for (std::size_t j = i + 1; j < Lines.size() && IsContinuation(Lines[j]); ++j) {
            value += ' ';
            value += Trim(Lines[j]);
        }
        values.push_back(Trim(value));
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
            folded.push_back(Continuation(Trim(rest)));
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
