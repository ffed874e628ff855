// The registry with explicit access rights, and reading INI files through the platform's profile calls.
#pragma once

#include "Classes.h"
#include "SysUtils.h"
#include "WinHandles.h"

#include <string>
#include <vector>

namespace skyloom {

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// Errors: "Failed to create key %s" (CreateKey, with the key path), "Failed to set data for '%s'" (a write,
// with the value name), "Failed to get data for '%s'" (a read of a missing or unreadable value),
// "Invalid data type for '%s'" (a read of a value of another type).
class TRegistry : public TObject {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY value);  // closes the current key
    REGSAM Access = KEY_ALL_ACCESS;
    HKEY CurrentKey() const { return FCurrentKey.Get(); }
    std::string CurrentPath() const { return FCurrentPath; }

    // Opens key (relative to the current key unless it starts with a backslash, or when none is open) with
    // Access; with canCreate a missing key is created. False when it cannot be opened.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    // Creates key (raises "Failed to create key %s" when that fails); does not open it.
    void CreateKey(const std::string& key);
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key);
    bool ValueExists(const std::string& name);
    bool DeleteValue(const std::string& name);
    std::vector<std::string> GetValueNames();
    std::vector<std::string> GetKeyNames();
    // Size in bytes of a value's data, -1 when missing.
    int GetDataSize(const std::string& name);

    void WriteString(const std::string& name, const std::string& value);  // REG_SZ, size with the zero byte
    std::string ReadString(const std::string& name);                       // "" when missing
    void WriteInteger(const std::string& name, int value);                 // REG_DWORD
    int ReadInteger(const std::string& name);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    bool ReadBool(const std::string& name) { return ReadInteger(name) != 0; }
    void WriteFloat(const std::string& name, double value);  // 8 bytes, REG_BINARY
    double ReadFloat(const std::string& name);
    void WriteDateTime(const std::string& name, TDateTime value) { WriteFloat(name, value); }
    TDateTime ReadDateTime(const std::string& name) { return ReadFloat(name); }
    void WriteBinaryData(const std::string& name, const void* buffer, int size);
    // Copies at most size bytes; returns the number copied. Raises when the value is missing or not binary.
    int ReadBinaryData(const std::string& name, void* buffer, int size);

private:
    HKEY BaseKey(const std::string& key, std::string& relative) const;
    void PutData(const std::string& name, const void* buffer, DWORD size, DWORD type);
    DWORD GetData(const std::string& name, void* buffer, DWORD size, DWORD expectedType);
    HKEY FRootKey = HKEY_CURRENT_USER;
    TOwnedKey FCurrentKey;
    std::string FCurrentPath;
};

// An INI file read through the platform's profile functions (values up to 2047 characters).
class TIniFile : public TObject {
public:
    explicit TIniFile(std::string fileName);
    const std::string& FileName() const { return FFileName; }
    // def when the file, section or key is missing; an empty value gives "".
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const;  // the key names
    std::vector<std::string> ReadSections() const;
    // Raise Exception "Unable to write to %s" (the file name) when the platform refuses.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

private:
    std::string FFileName;
};

} // namespace skyloom
