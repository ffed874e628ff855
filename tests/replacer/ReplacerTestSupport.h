// Shared by the replacer's tests under Wine. A copy of the test binary stands in for the program: started under a
// name beginning with "prog" or "setup" it only appends its command line to <its path>.log and ends, so that a
// restart and its parameters can be seen.
#pragma once

#include "SysUtils.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace skyloom {

inline std::string OwnPath()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

inline const bool StartedAsProgram = [] {
    const std::string self = OwnPath();
    const std::string name = ExtractFileName(self);
    if (!StartsText(name, "prog") && !StartsText(name, "setup"))
        return false;
    std::ofstream(self + ".log", std::ios::binary | std::ios::app) << GetCommandLineA() << "\n";
    ExitProcess(0);
}();

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    SetFileAttributesA(path.c_str(), attributes);
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Waits up to limitMs for a file to appear; its contents, or "" when it did not.
inline std::string WaitForFile(const std::string& path, DWORD limitMs)
{
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        if (Exists(path)) {
            Sleep(100); // let the writer finish its line
            return ReadBytes(path);
        }
        Sleep(50);
    }
    return {};
}

} // namespace skyloom
