// recorder: stands in for a web browser and a mail program in the scenarios (scripts/e2e.d). Registered as the
// handler of web and mail addresses in a scenario's own Wine prefix, it appends each argument it was started with
// as one line "arg=<text>" to recorder.log beside itself, and ends. Nothing is opened.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string ToUtf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? static_cast<std::size_t>(size) : 0u, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    if (!out.empty())
        out.pop_back();
    return out;
}

std::string Escaped(const std::string& s)
{
    std::string out;
    for (const char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    std::wstring log(path);
    log = log.substr(0, log.find_last_of(L"\\/") + 1) + L"recorder.log";
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args)
        return 1;
    std::string lines;
    for (int i = 1; i < count; ++i)
        lines += "arg=" + Escaped(ToUtf8(args[i])) + "\n";
    LocalFree(args);
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
