// What the XML library needs from the platform: the letter classes of the active single-byte code page, conversion
// between that code page and UTF-16, and the program's own resources.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace skyloom::xml {

// Bits of the byte class table.
inline constexpr unsigned char kClassNameStart = 1;  // "_" or a letter
inline constexpr unsigned char kClassName = 2;       // "-", ".", ":", "_", a letter or a digit

// The code page's own answers for one byte value; the byte 0 is neither.
bool IsCodePageLetter(unsigned char b) noexcept;
bool IsCodePageLetterOrDigit(unsigned char b) noexcept;

// 256 entries, one per byte value. The classes never change while the program runs, so the code page is asked once
// per byte value and process.
inline const unsigned char* NameClassTable() noexcept
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (unsigned v = 0; v < 256; ++v) {
            const auto b = static_cast<unsigned char>(v);
            unsigned char c = 0;
            if (b == '_' || IsCodePageLetter(b))
                c |= kClassNameStart;
            if (b == '-' || b == '.' || b == ':' || b == '_' || IsCodePageLetterOrDigit(b))
                c |= kClassName;
            t[v] = c;
        }
        return t;
    }();
    return table.data();
}

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);

// The bytes of the resource of that type and name in the program's own module; found is false when it does not
// exist. Raises EXmlError where the platform has no resources.
std::string LoadModuleResource(const std::string& type, const std::string& name, bool& found);

// Opens an existing file for reading in binary mode while denying others write access (where the platform has
// share modes; elsewhere a plain open). nullptr when it cannot be opened.
std::FILE* OpenFileDenyingWrites(const std::filesystem::path& name);

} // namespace skyloom::xml
