// The program's own inputs from outside: its command line and its settings file. Any bytes are read without fault;
// the command line splits into arguments without quotes or outer blanks, a program path without a quote survives
// the autorun command, and no setting comes back longer than the program takes.
#include "AppSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

const std::string& SettingsFile()
{
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("fuzz_app_settings_" + std::to_string(getpid()) + ".ini")).string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skyloom;
    const std::string text(reinterpret_cast<const char*>(data), size);

    for (const std::string& arg : SplitCommandLine(text)) {
        if (arg.find('"') != std::string::npos)
            __builtin_trap();
    }
    FirstArgument(text);
    if (text.find('"') == std::string::npos && text.find('\0') == std::string::npos) {
        const auto args = SplitCommandLine(AutorunCommand(text));
        if (args.size() < 2 || args[0] != text || !IsTraySwitch(args[1]))
            __builtin_trap();
    }
    const std::string dir = DirectoryOf(text);
    if (dir.size() > text.size() || text.compare(0, dir.size(), dir) != 0)
        __builtin_trap();
    ResolveSettingPath(dir, text);

    if (std::FILE* f = std::fopen(SettingsFile().c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        const TAppSettings s = ReadAppSettings(SettingsFile());
        if (s.PingSetting.size() > MaxSettingLength || s.FeedURL.size() > MaxSettingLength ||
            s.OutageLog.size() > MaxSettingLength)
            __builtin_trap();
        std::error_code ignored;
        std::filesystem::remove(SettingsFile(), ignored);
    }
    return 0;
}
