// Both ends of the test-mode query (see TestQuery.h): the message tags and the escaping of fact values, shared by
// the main window (TestQuery_win.cpp) and the scenario probe (tools/probe), so the two cannot drift apart. Portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace skyloom::testquery {

// WM_COPYDATA tags: the probe's request and the program's answer.
inline constexpr std::uint32_t QueryTag = 0x51504C53;  // "SLPQ"
inline constexpr std::uint32_t ReplyTag = 0x52504C53;  // "SLPR"

// A fact value on one line: \r, \n, \t and \\ as those escapes, other control bytes as \xNN.
inline std::string Escape(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

} // namespace skyloom::testquery
