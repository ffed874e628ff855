// Character set names as documents declare them (an XML declaration's encoding, an HTML meta charset) and the
// Windows code pages that decode them.
#pragma once

#include <string>
#include <string_view>

namespace skyloom {

inline constexpr unsigned CodePageUTF8 = 65001;

// The Windows code page of a character set name or one of its common aliases, in any letter case and with blanks
// around it ignored ("UTF-8", "windows-1252", "ISO-8859-1", "latin1", "cp1251", "koi8-r", "Shift_JIS" ...); 0 for
// a name not in the table. ISO-8859-1 and US-ASCII give 1252, as browsers read them.
unsigned CodePageOfCharset(std::string_view name);

// Whether byte begins a two-byte character in the system's code page (on a host without one, never).
bool IsSystemLeadByte(unsigned char byte);

#ifdef _WIN32
// Bytes in the named character set as wide text. An empty name, a name not in the table and a code page the
// system does not have all fall back to the system's own code page.
std::wstring DecodeCharset(std::string_view bytes, std::string_view charset);
#endif

} // namespace skyloom
