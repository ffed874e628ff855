// What the benchmarks share besides the loopback server: the process's CPU time.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace skyloom::bench {

// The CPU seconds (user and kernel) this process has used so far. Under Wine this is the program's own time; the
// wineserver's share is not in it.
inline double CpuSeconds()
{
#ifdef _WIN32
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#endif
}

} // namespace skyloom::bench
