// Tag-soup tokenizer for the HTML pane's own renderer. It never fails: every byte sequence yields some tokens, and
// every step consumes input, so malformed documents cannot make it loop.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skyloom::html {

enum class THtmlTokenKind { tkText, tkStartTag, tkEndTag };

struct THtmlAttribute {
    std::string Name;   // lower case
    std::string Value;  // raw bytes, character references not yet decoded
};

struct THtmlToken {
    THtmlTokenKind Kind = THtmlTokenKind::tkText;
    std::string Text;  // the text's bytes, or the tag name in lower case
    std::vector<THtmlAttribute> Attributes;
    bool SelfClosing = false;

    // The first attribute of that (lower-case) name, or null.
    const std::string* Attribute(std::string_view name) const;
};

// Splits a document into text runs and tags. Comments, doctypes and processing instructions are dropped; the
// contents of script, style and title elements are dropped as well (only their tags remain), so that nothing of a
// script can ever reach the screen or anything else.
std::vector<THtmlToken> TokenizeHtml(std::string_view source);

// Replaces character references (named ones of the common set, decimal and hexadecimal ones) by their characters.
// Unknown or malformed references stay as written; invalid code points become U+FFFD.
std::u16string DecodeCharacterReferences(std::u16string_view text);

// Appends a code point as UTF-16.
void AppendCodePoint(std::u16string& out, char32_t cp);

// Byte-to-text decoders for the character sets the renderer knows by itself. Invalid UTF-8 gives U+FFFD.
std::u16string DecodeWindows1252(std::string_view bytes);
std::u16string DecodeUtf8(std::string_view bytes);

} // namespace skyloom::html
