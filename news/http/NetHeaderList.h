// Ordered header lines "Name: value" with lookup by name (first match, continuation lines joined) and the
// folding of long request lines.
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class TNetHeaderList {
public:
    std::vector<std::string> Lines;

    void Clear() { Lines.clear(); }
    std::size_t Count() const { return Lines.size(); }
    void Add(std::string line) { Lines.push_back(std::move(line)); }

    // The value of the first line of that name (case-insensitive), continuation lines appended with single
    // spaces, trimmed; empty when there is none.
    std::string Values(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
    // Replaces the first line of that name (with its continuation lines) in place or appends one; the empty
    // value removes it.
    void SetValue(std::string_view name, const std::string& value);
    // The values of every line of that name, in order.
    std::vector<std::string> GetValues(std::string_view name) const;

    // Breaks lines longer than `width` after a space, tab or comma; pieces after the first become lines of their
    // own beginning with one space.
    void FoldLines(std::size_t width = 1024);

    // Every non-empty line followed by CR LF.
    std::string Text() const;

private:
    // Index of the first line of that name, or Lines.size().
    std::size_t IndexOfName(std::string_view name) const;
    std::size_t ContinuationEnd(std::size_t index) const;
};

// Whether part occurs in text, ASCII letters compared without case.
bool ContainsText(std::string_view text, std::string_view part);

} // namespace skyloom
