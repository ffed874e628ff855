#include <windows.h>

#include "Charsets.h"

namespace skyloom {

bool IsSystemLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

std::wstring DecodeCharset(std::string_view bytes, std::string_view charset)
{
    if (bytes.empty())
        return {};
    UINT codePage = CodePageOfCharset(charset);
    if (codePage == 0 || !IsValidCodePage(codePage))
        codePage = CP_ACP;
    const int size = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0 && codePage != CP_ACP) {
        codePage = CP_ACP;
        n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    }
    if (n <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), n);
    return wide;
}

} // namespace skyloom
