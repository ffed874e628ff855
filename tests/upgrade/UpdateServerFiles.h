// What the tests that run beside tools/updateserver (netns-updateserver.sh) share: the environment it sets, its
// folder as the Windows side sees it, and plain file helpers. Win32 tests only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace skyloom::testing_update {

inline std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The address of the update server the script started ("http://host:port/"), empty when the test runs without one.
inline std::string ServerBase()
{
    const std::string port = Env("SL_UPDATE_PORT");
    return port.empty() ? std::string() : std::string("http://") + SL_UPDATE_HOST + ":" + port + "/";
}

// A path of the host as this program sees it (wine maps the root of the host's file system to Z:).
inline std::string WinPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

// size bytes that differ from seed to seed.
inline std::string Body(std::size_t size, unsigned seed)
{
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

inline void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace skyloom::testing_update
