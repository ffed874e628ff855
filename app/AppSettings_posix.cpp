// The settings file read the way the Windows profile functions read it, for hosts without them: section and key
// names compare without regard to case, blanks around keys and values are dropped, one pair of matching quotes
// around a value is removed, the first occurrence of a key wins, and values are cut to MaxSettingLength.
#include "AppSettings.h"
#include "SysUtils.h"

#include <fstream>

namespace skyloom {

namespace {

// Only spaces and tabs, and the CR of a CR LF line end, as the profile functions drop them.
std::string TrimProfileBlanks(const std::string& s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

std::string Unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

std::string ReadProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                              const std::string& fallback)
{
    std::ifstream in(iniPath, std::ios::binary);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = TrimProfileBlanks(line);
        if (t.empty() || t[0] == ';')
            continue;
        if (t[0] == '[') {
            const std::size_t close = t.find(']');
            const std::string name = t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            inSection = SameText(TrimProfileBlanks(name), section);
            continue;
        }
        if (!inSection)
            continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos || !SameText(TrimProfileBlanks(t.substr(0, eq)), key))
            continue;
        std::string value = Unquote(TrimProfileBlanks(t.substr(eq + 1)));
        if (value.size() > MaxSettingLength)
            value.resize(MaxSettingLength);
        return value;
    }
    return fallback.size() > MaxSettingLength ? fallback.substr(0, MaxSettingLength) : fallback;
}

} // namespace skyloom
