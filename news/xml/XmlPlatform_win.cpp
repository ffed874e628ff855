#include "XmlLib.h"
#include "XmlPlatform.h"

#include <windows.h>

#include <share.h>
#include <stdio.h>

namespace skyloom::xml {

bool IsCodePageLetter(unsigned char b) noexcept
{
    return b != 0 && IsCharAlphaA(static_cast<CHAR>(b));
}

bool IsCodePageLetterOrDigit(unsigned char b) noexcept
{
    return b != 0 && IsCharAlphaNumericA(static_cast<CHAR>(b));
}

std::u16string AnsiToWide(std::string_view text)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                            reinterpret_cast<LPWSTR>(out.data()), n);
    return out;
}

std::string WideToAnsi(std::u16string_view text)
{
    if (text.empty())
        return {};
    const auto* w = reinterpret_cast<LPCWSTR>(text.data());
    const int n = WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string LoadModuleResource(const std::string& type, const std::string& name, bool& found)
{
    found = false;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, name.c_str(), type.c_str());
    if (!info)
        return {};
    const DWORD size = SizeofResource(module, info);
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data || size == 0)
        return {};
    found = true;
    return std::string(static_cast<const char*>(data), size);
}

std::FILE* OpenFileDenyingWrites(const std::filesystem::path& name)
{
    return _wfsopen(name.c_str(), L"rb", _SH_DENYWR);
}

} // namespace skyloom::xml
