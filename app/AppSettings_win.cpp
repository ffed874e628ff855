#include <windows.h>

#include "AppSettings.h"

namespace skyloom {

std::string ReadProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                              const std::string& fallback)
{
    char buffer[MaxSettingLength + 1];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer, sizeof buffer,
                                       iniPath.c_str());
    return std::string(buffer, n);
}

} // namespace skyloom
