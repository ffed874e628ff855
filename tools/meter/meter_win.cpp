// Measures a program as a user meets it: starts it, and reports how long until its main window is visible, until
// the window shows a painted point, until a list in it holds a line, what the process has cost after a while (CPU
// time, working set) and how long it takes to end after being asked to. Used by the scenarios to compare Skyloom
// with the floor program (tools/floor) in the same prefix and the same run.
//
//   meter [options] -- PROGRAM [ARGS...]
//     --class NAME        the main window's class (required)
//     --pixel X,Y         a client point that shows the window has been painted ...
//     --painted RRGGBB,.. ... once its screen colour is one of these
//     --list CLASS        a child list box whose first line marks the first content
//     --hold MS           after the above, let the program run this long, then read CPU time and memory
//     --end close|ID      finally close the window (WM_CLOSE) or post WM_COMMAND ID, and time the ending
//     --timeout MS        limit for each wait (default 30000)
//     --attach            measure the program that already shows a window of that class instead of starting one
//                         (PROGRAM is then not given); the times count from the meter's own start
// Prints key=value lines: shown_ms, painted_ms, list_ms, cpu_ms, cpu_hold_ms, hold_ms, working_set_kb,
// peak_working_set_kb, modules (the loaded modules' file names), exit_ms; "error=..." and status 1 when a wait runs
// out.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TOptions {
    std::string Class;
    POINT Pixel{-1, -1};
    std::vector<COLORREF> Painted;
    std::string List;
    DWORD HoldMs = 0;
    std::string End;
    DWORD TimeoutMs = 30000;
    bool Attach = false;
    std::wstring CommandLine;
};

LARGE_INTEGER Frequency;
LARGE_INTEGER Start;

double ElapsedMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - Start.QuadPart) * 1000.0 / static_cast<double>(Frequency.QuadPart);
}

// The file names of the modules the process has loaded, comma-separated, the program itself first.
std::string ModuleNames(HANDLE process)
{
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        if (!EnumProcessModules(process, modules.data(), size, &needed))
            return std::string();
        if (needed <= size)
            break;
        modules.resize(needed / sizeof(HMODULE));
    }
    modules.resize(needed / sizeof(HMODULE));
    std::string names;
    for (HMODULE m : modules) {
        char name[MAX_PATH];
        if (GetModuleBaseNameA(process, m, name, MAX_PATH) == 0)
            continue;
        if (!names.empty())
            names += ',';
        names += name;
    }
    return names;
}

[[noreturn]] void Fail(const std::string& why)
{
    std::printf("error=%s\n", why.c_str());
    std::fflush(stdout);
    std::exit(1);
}

std::wstring Widen(const char* s)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    return w;
}

std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

TOptions ParseOptions(int argc, char** argv)
{
    TOptions o;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--attach") {
            o.Attach = true;
            continue;
        }
        if (i + 1 >= argc)
            Fail("option " + a + " needs a value");
        const std::string v = argv[++i];
        if (a == "--class") {
            o.Class = v;
        } else if (a == "--pixel") {
            o.Pixel.x = std::atoi(v.c_str());
            const auto comma = v.find(',');
            o.Pixel.y = comma == std::string::npos ? 0 : std::atoi(v.c_str() + comma + 1);
        } else if (a == "--painted") {
            for (std::size_t p = 0; p < v.size();) {
                const unsigned long rgb = std::strtoul(v.c_str() + p, nullptr, 16);
                o.Painted.push_back(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
                const auto comma = v.find(',', p);
                p = comma == std::string::npos ? v.size() : comma + 1;
            }
        } else if (a == "--list") {
            o.List = v;
        } else if (a == "--hold") {
            o.HoldMs = static_cast<DWORD>(std::strtoul(v.c_str(), nullptr, 10));
        } else if (a == "--end") {
            o.End = v;
        } else if (a == "--timeout") {
            o.TimeoutMs = static_cast<DWORD>(std::strtoul(v.c_str(), nullptr, 10));
        } else {
            Fail("unknown option " + a);
        }
    }
    if (o.Class.empty() || (i >= argc && !o.Attach))
        Fail("usage: meter --class NAME [options] -- PROGRAM [ARGS...]");
    for (; i < argc; ++i) {
        if (!o.CommandLine.empty())
            o.CommandLine += L' ';
        o.CommandLine += Quoted(Widen(argv[i]));
    }
    return o;
}

struct TFind {
    DWORD Pid;
    const char* Class;
    HWND Found;
};

BOOL CALLBACK FindTopLevel(HWND wnd, LPARAM lp)
{
    auto* f = reinterpret_cast<TFind*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[256] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if ((f->Pid == 0 || pid == f->Pid) && lstrcmpA(cls, f->Class) == 0) {
        f->Found = wnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindChild(HWND wnd, LPARAM lp)
{
    auto* f = reinterpret_cast<TFind*>(lp);
    char cls[256] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (lstrcmpA(cls, f->Class) == 0) {
        f->Found = wnd;
        return FALSE;
    }
    return TRUE;
}

// Polls Test every 2 ms until it holds, the process ends or the limit passes.
template <typename TTest>
void WaitFor(const TOptions& o, HANDLE process, const char* what, TTest test)
{
    const double limit = ElapsedMs() + o.TimeoutMs;
    while (!test()) {
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            Fail(std::string("the program ended while waiting for ") + what);
        if (ElapsedMs() > limit)
            Fail(std::string("timed out waiting for ") + what);
        Sleep(2);
    }
}

double CpuMs(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return -1;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

} // namespace

int main(int argc, char** argv)
{
    const TOptions o = ParseOptions(argc, argv);
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Start);

    PROCESS_INFORMATION pi{};
    if (o.Attach) {
        TFind running{0, o.Class.c_str(), nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&running));
        if (!running.Found)
            Fail("no window of class " + o.Class);
        GetWindowThreadProcessId(running.Found, &pi.dwProcessId);
        pi.hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pi.dwProcessId);
        if (!pi.hProcess)
            Fail("cannot open the program's process (error " + std::to_string(GetLastError()) + ")");
    } else {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring commandLine = o.CommandLine;
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            Fail("cannot start the program (error " + std::to_string(GetLastError()) + ")");
        CloseHandle(pi.hThread);
    }

    TFind main{pi.dwProcessId, o.Class.c_str(), nullptr};
    WaitFor(o, pi.hProcess, "the main window", [&] {
        main.Found = nullptr;
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&main));
        return main.Found != nullptr && IsWindowVisible(main.Found);
    });
    std::printf("shown_ms=%.1f\n", ElapsedMs());

    if (o.Pixel.x >= 0 && !o.Painted.empty()) {
        HDC screen = GetDC(nullptr);
        WaitFor(o, pi.hProcess, "the painted window", [&] {
            POINT p = o.Pixel;
            ClientToScreen(main.Found, &p);
            const COLORREF c = GetPixel(screen, p.x, p.y);
            for (COLORREF want : o.Painted)
                if (c == want)
                    return true;
            return false;
        });
        ReleaseDC(nullptr, screen);
        std::printf("painted_ms=%.1f\n", ElapsedMs());
    }

    if (!o.List.empty()) {
        WaitFor(o, pi.hProcess, "the first line of the list", [&] {
            TFind list{0, o.List.c_str(), nullptr};
            EnumChildWindows(main.Found, FindChild, reinterpret_cast<LPARAM>(&list));
            DWORD_PTR count = 0;
            return list.Found != nullptr &&
                   SendMessageTimeoutA(list.Found, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 200, &count) != 0 &&
                   count != static_cast<DWORD_PTR>(LB_ERR) && count > 0;
        });
        std::printf("list_ms=%.1f\n", ElapsedMs());
    }
    std::fflush(stdout);

    if (o.HoldMs > 0) {
        const double cpu0 = CpuMs(pi.hProcess);
        const double t0 = ElapsedMs();
        if (WaitForSingleObject(pi.hProcess, o.HoldMs) == WAIT_OBJECT_0)
            Fail("the program ended while it was held");
        const double cpu1 = CpuMs(pi.hProcess);
        std::printf("hold_ms=%.1f\ncpu_hold_ms=%.1f\ncpu_ms=%.1f\n", ElapsedMs() - t0, cpu1 - cpu0, cpu1);
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        if (GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc)) {
            std::printf("working_set_kb=%lu\npeak_working_set_kb=%lu\npagefile_kb=%lu\n",
                        static_cast<unsigned long>(pmc.WorkingSetSize / 1024),
                        static_cast<unsigned long>(pmc.PeakWorkingSetSize / 1024),
                        static_cast<unsigned long>(pmc.PagefileUsage / 1024));
        }
        std::printf("modules=%s\n", ModuleNames(pi.hProcess).c_str());
        std::fflush(stdout);
    }

    if (!o.End.empty()) {
        const double t0 = ElapsedMs();
        if (o.End == "close")
            PostMessageW(main.Found, WM_CLOSE, 0, 0);
        else
            PostMessageW(main.Found, WM_COMMAND, static_cast<WPARAM>(std::strtoul(o.End.c_str(), nullptr, 0)), 0);
        if (WaitForSingleObject(pi.hProcess, o.TimeoutMs) != WAIT_OBJECT_0)
            Fail("the program did not end");
        std::printf("exit_ms=%.1f\n", ElapsedMs() - t0);
    }
    std::fflush(stdout);
    CloseHandle(pi.hProcess);
    return 0;
}
