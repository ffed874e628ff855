#include "NewsHtml.h"

namespace skyloom {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string HeadlineLine(std::size_t lines_in_list, std::string_view title)
{
    std::string line = std::to_string(lines_in_list + 1);
    line += ". ";
    line += title;
    return line;
}

std::string UnescapeLineBreaks(std::string_view html)
{
    static constexpr std::string_view kEscaped = "&lt;br /&gt;";
    std::string out;
    out.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        if (html[i] == '&' && EqualIgnoringCase(html.substr(i, kEscaped.size()), kEscaped)) {
            out += "<br />";
            i += kEscaped.size();
        } else {
            out.push_back(html[i]);
            ++i;
        }
    }
    return out;
}

std::string NewsItemHTML(std::string_view description, std::string_view link)
{
    std::string html = "<p>";
    html += description;
    html += "</p><p><a href=\"";
    html += link;
    html += "\" target=\"_blank\">Read more...</a></p>";
    return UnescapeLineBreaks(html);
}

} // namespace skyloom
