// The text the headline view shows: list lines and the HTML of a selected item. Single-byte text in, single-byte
// text out; the feed's bytes pass through untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace skyloom {

// "<number>. <title>", the number being the list's current line count plus one.
std::string HeadlineLine(std::size_t lines_in_list, std::string_view title);

// The description in one paragraph and a "Read more..." link to the item's page, opened in a new window. Feeds
// often escape their line breaks; those are turned back into real ones (any letter case), other escaped markup
// stays as it is.
std::string NewsItemHTML(std::string_view description, std::string_view link);

// Replaces every "&lt;br /&gt;", in any letter case, by "<br />".
std::string UnescapeLineBreaks(std::string_view html);

} // namespace skyloom
