// The settings file read the way the Windows profile functions read it, for hosts without them: section and key
// names compare without regard to case, blanks around keys and values are dropped, one pair of matching quotes
// around a value is removed, the first occurrence of a key wins, and values are cut to MaxSettingLength.
#include <cctype>
#include <fstream>

#include "AppSettings.h"

namespace skyloom {

namespace {

std::string Trim(const std::string& s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
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
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';')
            continue;
        if (t[0] == '[') {
            std::size_t close = t.find(']');
            inSection = SameName(Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)),
                                 section);
            continue;
        }
        if (!inSection)
            continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos || !SameName(Trim(t.substr(0, eq)), key))
            continue;
        std::string value = Unquote(Trim(t.substr(eq + 1)));
        if (value.size() > MaxSettingLength)
            value.resize(MaxSettingLength);
        return value;
    }
    return fallback.size() > MaxSettingLength ? fallback.substr(0, MaxSettingLength) : fallback;
}

} // namespace skyloom
