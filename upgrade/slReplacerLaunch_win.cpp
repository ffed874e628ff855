#include "slReplacerLaunch.h"

#include "SysUtils.h"
#include "WinHandles.h"
#include "slReplacerCore.h"

#include <windows.h>

namespace skyloom {

namespace {

std::string SystemError(const std::string& what, DWORD code) { return what + " (error " + IntToStr(code) + ")."; }

} // namespace

std::string ReplacerPath()
{
    static const std::string path = [] {
        char buffer[MAX_PATH + 1];
        const DWORD n = GetTempPathA(sizeof buffer, buffer);
        const std::string folder = n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
        return IncludeTrailingPathDelimiter(folder) + "slReplacer.exe";
    }();
    return path;
}

void DeleteLeftoverReplacer()
{
    // A replacer that still runs (it shows what it could not replace) cannot be deleted; the next start tries again.
    const std::string path = ReplacerPath();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

bool WriteReplacer(const std::string& path, std::string& error)
{
    const HRSRC resource = FindResourceA(nullptr, ReplacerResourceName, ReplacerResourceName);
    const HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    if (!bytes || size == 0) {
        error = "The program carries no replacer.";
        return false;
    }
    // A hidden or read-only leftover would make the new file's creation fail.
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    TOwnedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                                  nullptr));
    if (!file.Valid()) {
        error = SystemError("Cannot create " + path, GetLastError());
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
    const DWORD code = GetLastError();
    file.Reset();
    if (!ok) {
        DeleteFileA(path.c_str());
        error = SystemError("Cannot write " + path, code);
        return false;
    }
    return true;
}

bool LaunchReplacer(const std::string& programPath, const std::string& restartParams, TslUpgradeMethod method,
                    std::string& error)
{
    if (method != umSelfUpgrade && method != umUseExternalSetup) {
        error = "The replacer only installs downloaded files.";
        return false;
    }
    const std::string path = ReplacerPath();
    std::string commandLine =
        ReplacerCommandLine(path, {programPath, restartParams, method == umUseExternalSetup});
    if (commandLine.empty()) {
        error = "The program's path cannot be passed to the replacer: " + programPath;
        return false;
    }
    if (!WriteReplacer(path, error))
        return false;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error = SystemError("Cannot start " + path, GetLastError());
        DeleteFileA(path.c_str());
        return false;
    }
    TOwnedHandle process(pi.hProcess), thread(pi.hThread);
    return true;
}

} // namespace skyloom
