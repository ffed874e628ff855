// slReplacer.exe: the small program that finishes an upgrade. The program starts it from the temporary folder and
// exits; the replacer waits (with a limit) until the program's file can be written, moves every complete "*.uTMP"
// download beside it into place and starts the program again with the restart parameters. With an external setup
// it runs the setup first, waits for it, deletes it and then starts the program.
//
// Every replacement is one MoveFileEx over the old file, so a file that cannot be replaced keeps its old version
// and the download stays beside it; the user is told once the program runs again. The program itself is only ever
// replaced by a whole build of it.
//
// Exit codes: 0 done, 1 some file could not be replaced or a program could not be started, 2 the program did not
// exit in time (nothing moved, nothing started, the user told), 3 no or an unusable command line (the banner was
// shown).
#include "SysUtils.h"
#include "WinHandles.h"
#include "slReplacerCore.h"

#include <windows.h>

#include <string>
#include <vector>

using namespace skyloom;

namespace {

constexpr char ReplacerTitle[] = "Skyloom Upgrade";

// How long the program may take to exit after starting the replacer, and a setup to finish. The test hook
// SL_REPLACER_WAIT_MS shortens the first.
constexpr DWORD ProgramExitLimitMs = 60000;
constexpr DWORD SetupLimitMs = 60 * 60 * 1000;
constexpr DWORD SetupFileLimitMs = 30000;
constexpr DWORD PollIntervalMs = 20;

DWORD ProgramExitLimit()
{
    char value[16];
    const DWORD n = GetEnvironmentVariableA("SL_REPLACER_WAIT_MS", value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return ProgramExitLimitMs;
    const int ms = StrToIntDef(std::string_view(value, n), -1);
    return ms >= 0 ? static_cast<DWORD>(ms) : ProgramExitLimitMs;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits until path can be opened for writing (a running program's file cannot), at most limitMs. A file that is
// gone counts as free. Only a file that another process holds is waited for: a read-only file is probed with its
// attribute taken off for the while, and an open refused for any other reason (no right to write there) ends the
// wait at once, so that the moves that follow can fail and say so instead of the user waiting for nothing.
bool WaitUntilWritable(const std::string& path, DWORD limitMs)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    const HANDLE thread = GetCurrentThread();
    const int priority = GetThreadPriority(thread);
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    const ULONGLONG start = GetTickCount64();
    bool free = false;
    for (;;) {
        TOwnedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = GetLastError();
        if (file.Valid() || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)) {
            free = true;
            break;
        }
        if (GetTickCount64() - start >= limitMs)
            break;
        PumpMessages();
        Sleep(PollIntervalMs);
    }
    SetThreadPriority(thread, priority);
    if (readOnly)
        SetFileAttributesA(path.c_str(), attributes);
    return free;
}

// Whether the file holds a whole executable image (read through a view of the file, not into memory).
bool IsCompleteExecutableFile(const std::string& path)
{
    const TOwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return false;
    const TOwnedHandle mapping(CreateFileMappingA(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.Valid())
        return false;
    const void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
    if (!view)
        return false;
    const bool complete = IsCompleteExecutable(
        std::span(static_cast<const std::uint8_t*>(view), static_cast<std::size_t>(size.QuadPart)));
    UnmapViewOfFile(view);
    return complete;
}

// A build of this program is a whole executable that carries the replacer as a resource; a setup, a tool, an
// uninstaller, a download cut short or a page of text is not.
bool IsProgramBuild(const std::string& path)
{
    if (!IsCompleteExecutableFile(path))
        return false;
    const TOwnedModule image(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    return image.Valid() && FindResourceA(image.Get(), ReplacerResourceName, ReplacerResourceName) != nullptr;
}

// Starts path with the restart parameters, shown normally; the process handle when wanted.
bool StartProgram(const std::string& path, const std::string& params, const std::string& folder,
                  TOwnedHandle* process, DWORD& error)
{
    std::string commandLine = RestartCommandLine(path, params);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        error = GetLastError();
        return false;
    }
    TOwnedHandle thread(pi.hThread);
    TOwnedHandle owned(pi.hProcess);
    if (process)
        *process = std::move(owned);
    return true;
}

// The downloads beside the program; those that could take the program's place are looked into.
std::vector<TslReplacerFile> ListDownloads(const std::string& folder, const std::string& programName)
{
    std::vector<TslReplacerFile> files;
    WIN32_FIND_DATAA data;
    TOwnedFind find(FindFirstFileA((folder + "*" + std::string(ReplacerTempExtension)).c_str(), &data));
    if (!find.Valid())
        return files;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        TslReplacerFile file{data.cFileName,
                             (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY)) != 0};
        const std::string_view target = ReplacerTargetName(file.Name);
        file.ProgramBuild = !file.Incomplete && (IsExecutableTarget(target) || SameText(target, programName)) &&
                            IsProgramBuild(folder + file.Name);
        files.push_back(std::move(file));
    } while (FindNextFileA(find.Get(), &data));
    return files;
}

// Replaces target by source in one step; on failure the target keeps its old contents and attributes and the
// source stays where it is.
bool ReplaceTarget(const std::string& source, const std::string& target, DWORD attributes, DWORD& error)
{
    const DWORD old = GetFileAttributesA(target.c_str());
    if (old != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL); // a read-only target cannot be replaced
    if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        if (old != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesA(target.c_str(), old);
        return false;
    }
    SetFileAttributesA(target.c_str(), attributes);
    return true;
}

void ShowBanner()
{
    MessageBoxA(nullptr,
                "slReplacer finishes an upgrade of Skyloom: after the program has exited it moves the downloaded "
                "files into place and starts the program again.\r\n\r\n"
                "Skyloom starts it by itself at the end of an upgrade; there is nothing to do by hand.",
                ReplacerTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

int Run(const TslReplacerCommand& command)
{
    const std::string folder = ExtractFilePath(command.ProgramPath);
    std::string programName = ExtractFileName(command.ProgramPath);

    WIN32_FIND_DATAA data;
    TOwnedFind program(FindFirstFileA(command.ProgramPath.c_str(), &data));
    if (program.Valid()) {
        programName = data.cFileName; // the name as stored, so that a new executable takes exactly that name
        program.Reset();
        if (!WaitUntilWritable(command.ProgramPath, ProgramExitLimit())) {
            // The program still runs: replacing or starting anything now would fight with it.
            const std::string text = "The upgrade could not be completed.\r\n" + programName +
                                     " is still in use, so nothing was replaced; the downloaded files stay beside "
                                     "it and the next upgrade fetches them again.";
            MessageBoxA(nullptr, text.c_str(), ReplacerTitle, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
            return 2;
        }
    }
    if (programName.empty())
        return 3;

    std::string failures;
    const TslReplacerPlan plan =
        PlanReplacement(ListDownloads(folder, programName), programName, command.ExternalSetup);
    bool setupInPlace = false, programKept = !plan.Refused.empty();
    if (programKept)
        failures += "\r\n" + programName + ": the download is not a whole copy of the program; the previous "
                    "version was kept, the download stays beside it as " + plan.Refused + ".";
    for (const TslReplacerMove& move : plan.Moves) {
        DWORD error = 0;
        const DWORD attributes = move.Hidden ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_ARCHIVE;
        if (ReplaceTarget(folder + move.Source, folder + move.Target, attributes, error)) {
            setupInPlace = setupInPlace || (!plan.SetupName.empty() && move.Target == plan.SetupName);
            continue;
        }
        programKept = programKept || move.IsProgram;
        failures += "\r\n" + move.Target + " (error " + IntToStr(error) + "): the previous version was kept, the new "
                    "one stays beside it as " + move.Source + ".";
    }

    const std::string programPath = folder + programName;
    if (setupInPlace) {
        const std::string setupPath = folder + plan.SetupName;
        TOwnedHandle setup;
        DWORD error = 0;
        if (!StartProgram(setupPath, command.RestartParams, folder, &setup, error)) {
            failures += "\r\nThe setup " + plan.SetupName + " could not be started (error " + IntToStr(error) + ").";
        } else if (WaitForSingleObject(setup.Get(), SetupLimitMs) != WAIT_OBJECT_0 ||
                   !WaitUntilWritable(setupPath, SetupFileLimitMs)) {
            return 1; // the setup still runs: leave it and the program to it
        } else {
            SetFileAttributesA(setupPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(setupPath.c_str());
        }
    }
    // The old program kept its place: start it as a plain start, so that it does not announce an upgrade it did
    // not get (the message below says what happened).
    DWORD error = 0;
    if (!StartProgram(programPath, programKept ? std::string(" ") : command.RestartParams, folder, nullptr, error))
        failures += "\r\n" + programName + " could not be started again (error " + IntToStr(error) + ").";

    if (failures.empty())
        return 0;
    const std::string text = "The upgrade could not be completed." + failures;
    MessageBoxA(nullptr, text.c_str(), ReplacerTitle, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
    return 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TslReplacerCommand command;
    if (ParseReplacerCommandLine(GetCommandLineA(), command) != rcValid) {
        ShowBanner();
        return 3;
    }
    return Run(command);
}
