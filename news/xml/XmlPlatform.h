// What the XML library needs from the platform: the letter classes of the active single-byte code page, conversion
// between that code page and UTF-16, and the program's own resources.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace skyloom::xml {

// Bits of the byte class table.
inline constexpr unsigned char kClassNameStart = 1;  // "_" or a letter
inline constexpr unsigned char kClassName = 2;       // "-", ".", ":", "_", a letter or a digit

// 256 entries, one per byte value; built once per process.
const unsigned char* NameClassTable() noexcept;

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);

// The bytes of the resource of that type and name in the program's own module; found is false when it does not
// exist. Raises EXmlError where the platform has no resources.
std::string LoadModuleResource(const std::string& type, const std::string& name, bool& found);

// Opens an existing file for reading in binary mode while denying others write access (where the platform has
// share modes; elsewhere a plain open). nullptr when it cannot be opened.
std::FILE* OpenFileDenyingWrites(const std::filesystem::path& name);

} // namespace skyloom::xml
