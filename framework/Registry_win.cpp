#include "Registry.h"

#include <cstring>

namespace skyloom {

TRegistry::TRegistry(REGSAM access) : Access(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY value)
{
    if (FRootKey == value)
        return;
    CloseKey();
    FRootKey = value;
}

void TRegistry::CloseKey()
{
    FCurrentKey.Reset();
    FCurrentPath.clear();
}

HKEY TRegistry::BaseKey(const std::string& key, std::string& relative) const
{
    bool absolute = !key.empty() && key[0] == '\\';
    relative = absolute ? key.substr(1) : key;
    if (absolute || !FCurrentKey)
        return FRootKey;
    return FCurrentKey.Get();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    std::string relative;
    HKEY base = BaseKey(key, relative);
    bool absolute = !key.empty() && key[0] == '\\';
    HKEY opened = nullptr;
    LONG rc;
    if (canCreate && !relative.empty()) {
        rc = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, &opened,
                             nullptr);
    } else {
        rc = RegOpenKeyExA(base, relative.c_str(), 0, Access, &opened);
    }
    if (rc != ERROR_SUCCESS)
        return false;
    std::string path = (absolute || !FCurrentKey) ? relative
                                                  : (FCurrentPath.empty() ? relative : FCurrentPath + "\\" + relative);
    FCurrentKey.Reset(opened);
    FCurrentPath = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    REGSAM saved = Access;
    Access = KEY_READ;
    bool ok = OpenKey(key, false);
    Access = saved;
    return ok;
}

void TRegistry::CreateKey(const std::string& key)
{
    std::string relative;
    HKEY base = BaseKey(key, relative);
    TOwnedKey created;
    LONG rc = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr,
                              created.Put(), nullptr);
    if (rc != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to create key %s", {key}));
}

namespace {

// Deletes a key with everything below it (the platform's call removes only empty keys everywhere).
LONG DeleteTree(HKEY base, const std::string& key)
{
    TOwnedKey k;
    LONG rc = RegOpenKeyExA(base, key.c_str(), 0, KEY_READ | KEY_WRITE, k.Put());
    if (rc != ERROR_SUCCESS)
        return rc;
    for (;;) {
        char name[256];
        DWORD len = sizeof name;
        if (RegEnumKeyExA(k.Get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (DeleteTree(k.Get(), name) != ERROR_SUCCESS)
            break;
    }
    k.Reset();
    return RegDeleteKeyA(base, key.c_str());
}

} // namespace

bool TRegistry::DeleteKey(const std::string& key)
{
    std::string relative;
    HKEY base = BaseKey(key, relative);
    if (relative.empty())
        return false;
    return DeleteTree(base, relative) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& key)
{
    std::string relative;
    HKEY base = BaseKey(key, relative);
    TOwnedKey k;
    if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS)
        return true;
    // A key we may not read still exists.
    LONG rc = RegOpenKeyExA(base, relative.c_str(), 0, STANDARD_RIGHTS_READ, k.Put());
    return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED;
}

bool TRegistry::ValueExists(const std::string& name)
{
    if (!FCurrentKey)
        return false;
    return RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (!FCurrentKey)
        return false;
    return RegDeleteValueA(FCurrentKey.Get(), name.c_str()) == ERROR_SUCCESS;
}

namespace {

// The names a registry enumeration hands out one index at a time, until it reports no more. MaxName is the
// longest name the platform allows, with its terminator.
template <std::size_t MaxName, typename Enumerate>
std::vector<std::string> EnumNames(Enumerate enumerate)
{
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[MaxName];
        DWORD len = sizeof name;
        if (enumerate(i, name, &len) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, len);
    }
    return names;
}

} // namespace

std::vector<std::string> TRegistry::GetValueNames()
{
    if (!FCurrentKey)
        return {};
    return EnumNames<16384>([this](DWORD i, char* name, DWORD* len) {
        return RegEnumValueA(FCurrentKey.Get(), i, name, len, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::string> TRegistry::GetKeyNames()
{
    if (!FCurrentKey)
        return {};
    return EnumNames<256>([this](DWORD i, char* name, DWORD* len) {
        return RegEnumKeyExA(FCurrentKey.Get(), i, name, len, nullptr, nullptr, nullptr, nullptr);
    });
}

int TRegistry::GetDataSize(const std::string& name)
{
    if (!FCurrentKey)
        return -1;
    DWORD size = 0;
    if (RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(size);
}

void TRegistry::PutData(const std::string& name, const void* buffer, DWORD size, DWORD type)
{
    if (!FCurrentKey ||
        RegSetValueExA(FCurrentKey.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(buffer), size) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", {name}));
}

DWORD TRegistry::GetData(const std::string& name, void* buffer, DWORD size, DWORD expectedType)
{
    DWORD type = 0, got = size;
    if (!FCurrentKey)
        throw ERegistryException(Format("Failed to get data for '%s'", {name}));
    LONG rc = RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &type, static_cast<BYTE*>(buffer), &got);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
        throw ERegistryException(Format("Failed to get data for '%s'", {name}));
    if (type != expectedType)
        throw ERegistryException(Format("Invalid data type for '%s'", {name}));
    if (rc == ERROR_MORE_DATA)
        throw ERegistryException(Format("Failed to get data for '%s'", {name}));
    return got;
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    PutData(name, value.c_str(), static_cast<DWORD>(value.size() + 1), REG_SZ);
}

std::string TRegistry::ReadString(const std::string& name)
{
    if (!FCurrentKey)
        return std::string();
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", {name}));
    std::string s(size, '\0');
    if (size)
        GetData(name, s.data(), size, type);
    // The stored size counts the terminating zero (when the writer was careful).
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    DWORD v = static_cast<DWORD>(value);
    PutData(name, &v, sizeof v, REG_DWORD);
}

int TRegistry::ReadInteger(const std::string& name)
{
    DWORD v = 0;
    GetData(name, &v, sizeof v, REG_DWORD);
    return static_cast<int>(v);
}

void TRegistry::WriteFloat(const std::string& name, double value) { PutData(name, &value, sizeof value, REG_BINARY); }

double TRegistry::ReadFloat(const std::string& name)
{
    double v = 0;
    DWORD got = GetData(name, &v, sizeof v, REG_BINARY);
    if (got != sizeof v)
        throw ERegistryException(Format("Invalid data type for '%s'", {name}));
    return v;
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size)
{
    PutData(name, buffer, static_cast<DWORD>(size < 0 ? 0 : size), REG_BINARY);
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int size)
{
    int need = GetDataSize(name);
    if (need < 0)
        throw ERegistryException(Format("Failed to get data for '%s'", {name}));
    if (need > size) {
        std::string all(static_cast<std::size_t>(need), '\0');
        GetData(name, all.data(), static_cast<DWORD>(need), REG_BINARY);
        std::memcpy(buffer, all.data(), static_cast<std::size_t>(size < 0 ? 0 : size));
        return size;
    }
    return static_cast<int>(GetData(name, buffer, static_cast<DWORD>(size), REG_BINARY));
}

// ---- TIniFile ----

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    char buffer[2048];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, sizeof buffer,
                                       FFileName.c_str());
    return std::string(buffer, n);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    std::string s = ReadString(section, key, "");
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        char* end = nullptr;
        long v = std::strtol(s.c_str() + 2, &end, 16);
        return end && *end == '\0' ? static_cast<int>(v) : def;
    }
    return StrToIntDef(s, def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

namespace {

// The strings of a profile list as the platform hands them out: each ends in a NUL, an empty one ends the list;
// `used` is how many characters of buffer the platform filled.
std::vector<std::string> SplitNulList(const std::vector<char>& buffer, DWORD used)
{
    std::vector<std::string> items;
    for (DWORD i = 0; i < used;) {
        std::string item(buffer.data() + i);
        if (item.empty())
            break;
        i += static_cast<DWORD>(item.size()) + 1;
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const
{
    std::vector<char> buffer(32768);
    DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                       FFileName.c_str());
    return SplitNulList(buffer, n);
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<char> buffer(32768);
    DWORD n = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), FFileName.c_str());
    return SplitNulList(buffer, n);
}

bool TIniFile::SectionExists(const std::string& section) const { return !ReadSection(section).empty(); }

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const
{
    for (const std::string& k : ReadSection(section))
        if (SameText(k, key))
            return true;
    return false;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), FFileName.c_str()))
        throw Exception(Format("Unable to write to %s", {FFileName}));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::EraseSection(const std::string& section)
{
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FFileName.c_str()))
        throw Exception(Format("Unable to write to %s", {FFileName}));
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key)
{
    WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, FFileName.c_str());
}

} // namespace skyloom
