// Without Windows the active code page is taken to be Windows-1252, the code page of the program's users' systems.
#include "XmlLib.h"
#include "XmlPlatform.h"

namespace skyloom::xml {

namespace {

// Windows-1252 bytes 0x80..0x9F as UTF-16; the five unassigned bytes map to the C1 control of the same value,
// as the Windows conversion does.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D,
    0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x009D, 0x017E, 0x0178};

bool IsLetter1252(unsigned b)
{
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'))
        return true;
    switch (b) {
    case 0x83: case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
    case 0xAA: case 0xB5: case 0xBA:
        return true;
    default:
        return b >= 0xC0 && b != 0xD7 && b != 0xF7;
    }
}

bool IsDigit1252(unsigned b)
{
    // The superscript digits count as digits on Windows too.
    return (b >= '0' && b <= '9') || b == 0xB2 || b == 0xB3 || b == 0xB9;
}

} // namespace

bool IsCodePageLetter(unsigned char b) noexcept
{
    return IsLetter1252(b);
}

bool IsCodePageLetterOrDigit(unsigned char b) noexcept
{
    return IsLetter1252(b) || IsDigit1252(b);
}

std::u16string AnsiToWide(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text)
        out.push_back(c >= 0x80 && c < 0xA0 ? kHighControls[c - 0x80] : char16_t(c));
    return out;
}

std::string WideToAnsi(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (unsigned k = 0; k < 32; ++k) {
            if (kHighControls[k] == u) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        // A surrogate pair is one character and becomes one replacement byte.
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            ++i;
        out.push_back(mapped);
    }
    return out;
}

std::string LoadModuleResource(const std::string& type, const std::string& name, bool& found)
{
    found = false;
    throw EXmlError("Program resources are not available on this platform (resource \"" + type + "\"/\"" + name +
                    "\")");
}

std::FILE* OpenFileDenyingWrites(const std::filesystem::path& name)
{
    // No share modes here: a plain open.
    return std::fopen(name.c_str(), "rb");
}

} // namespace skyloom::xml
