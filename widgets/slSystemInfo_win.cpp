#include "slSystemInfo.h"

#include "WinHandles.h"

#include <windows.h>

#include <intrin.h>

namespace skyloom {

namespace {

constexpr char NTKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char WindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

} // namespace

TslVersionRecord ReadVersionRecord()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    TslVersionRecord record;
    if (!ok)
        return record;
    record.Valid = true;
    record.NTPlatform = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    record.Major = static_cast<int>(info.dwMajorVersion);
    record.Minor = static_cast<int>(info.dwMinorVersion);
    record.Build = info.dwBuildNumber;
    record.Service = info.szCSDVersion;
    return record;
}

std::string ReadMachineText(const std::string& key, const std::string& name)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return {};
    TOwnedKey opened(raw);
    char buffer[1025] = {};
    DWORD size = 1024;
    DWORD type = 0;
    if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    buffer[size < 1024 ? size : 1024] = '\0';
    return buffer;
}

TslOSVersion TslSystemInfo::OSVersion() const { return ClassifyWindows(ReadVersionRecord()); }

bool TslSystemInfo::WinNT() const { return IsWinNT(OSVersion()); }

std::string TslSystemInfo::WinVersion() const
{
    const TslVersionRecord record = ReadVersionRecord();
    const std::string productName = ReadMachineText(NTKey, "ProductName");
    return WinVersionText(record, productName, IsWinNT(ClassifyWindows(record)) ? std::string()
                                                                                : ReadMachineText(WindowsKey, "Version"));
}

std::string TslSystemInfo::WinVersionNumber() const
{
    return WinVersionNumberText(ReadVersionRecord(), ReadMachineText(WindowsKey, "VersionNumber"));
}

int TslSystemInfo::CPUFrequency() const
{
    HANDLE process = GetCurrentProcess();
    HANDLE thread = GetCurrentThread();
    const DWORD priorityClass = GetPriorityClass(process);
    const int priority = GetThreadPriority(thread);
    SetPriorityClass(process, REALTIME_PRIORITY_CLASS);
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    LARGE_INTEGER frequency{}, start{}, stop{};
    Sleep(10);
    QueryPerformanceCounter(&start);
    const unsigned long long stamp1 = __rdtsc();
    Sleep(40);
    const unsigned long long stamp2 = __rdtsc();
    QueryPerformanceCounter(&stop);
    SetThreadPriority(thread, priority);
    SetPriorityClass(process, priorityClass);
    QueryPerformanceFrequency(&frequency);
    // Divided by the time that really passed: a sleep may last longer than asked.
    return CPUFrequencyMHz(stamp2 - stamp1, static_cast<std::uint64_t>(stop.QuadPart - start.QuadPart),
                           static_cast<std::uint64_t>(frequency.QuadPart));
}

} // namespace skyloom
