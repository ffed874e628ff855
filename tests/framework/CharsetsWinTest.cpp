// Decoding text in a declared character set, with the system's code page as the fallback.
#include <windows.h>

#include "Charsets.h"

#include <gtest/gtest.h>

#include <string>

namespace skyloom {
namespace {

std::wstring SystemCodePage(const std::string& bytes)
{
    std::wstring wide(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return wide;
}

TEST(Charsets, DecodesByTheDeclaredCharacterSet)
{
    struct Case {
        const char* charset;
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"UTF-8", "Z\xC3\xBCrich \xE2\x80\x93 caf\xC3\xA9", L"Z\u00FCrich \u2013 caf\u00E9"},
        {"utf8", "\xCE\x95\xCE\xBB", L"\u0395\u03BB"},
        {"windows-1252", "Z\xFCrich \x96 caf\xE9", L"Z\u00FCrich \u2013 caf\u00E9"},
        {"ISO-8859-1", "caf\xE9", L"caf\u00E9"},
        {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", L"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", L"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {"iso-8859-2", "\xA3\xF3\x64\xBC", L"\u0141\u00F3d\u017A"},
        {"utf-8", "", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeCharset(c.bytes, c.charset), c.text) << c.charset;
}

TEST(Charsets, FallsBackToTheSystemCodePage)
{
    const std::string bytes = "caf\xE9 \x96";
    for (const char* charset : {"", "x-unknown-set", "  ", "utf-9"})
        EXPECT_EQ(DecodeCharset(bytes, charset), SystemCodePage(bytes)) << "\"" << charset << "\"";
}

} // namespace
} // namespace skyloom
