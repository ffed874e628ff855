// The program's small rules: the settings file, the autorun command, the command-line switches and the texts of
// the shell's own message boxes. Kept free of windows.h so they can be tested on any host.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace skyloom {

// Values are read into a 2048-byte buffer, so at most 2047 characters of a value survive.
inline constexpr std::size_t MaxSettingLength = 2047;

inline constexpr const char* SettingsFileName = "skyloom.ini";
inline constexpr const char* SettingsSection = "Skyloom";
inline constexpr const char* AutorunValueName = "Skyloom 2";
inline constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* RunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* TraySwitch = "/tray";
inline constexpr const char* AfterUpgradeSwitch = "/afterupgrade";
inline constexpr const char* ShellCaption = "Information";

struct TAppSettings {
    std::string PingSetting;
    std::string FeedURL;
    // Optional extras, off when their key is absent: the connection state on the tray icon ("traystatus=1"), a
    // notice when it changes ("notify=1") and the outage log's path ("outagelog=PATH", empty: no log).
    bool TrayStatus = false;
    bool Notify = false;
    std::string OutageLog;
};

// Reads "ping", "rss", "traystatus", "notify" and "outagelog" from section "Skyloom" of the settings file at iniPath. A missing file, section or key
// gives the default (ProbeHost, DefaultFeedURL); a key that is present but empty gives an empty string.
TAppSettings ReadAppSettings(const std::string& iniPath);

// One value of an INI file as the platform's profile reading returns it, or `fallback` when the file, the section
// or the key is missing. Values longer than MaxSettingLength are cut.
std::string ReadProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                              const std::string& fallback);

// The Run value's data: the executable path in double quotes, a blank and "/tray".
std::string AutorunCommand(const std::string& exePath);

// The arguments of a command line the way the program reads them: separated by blanks (bytes of value 32 or less)
// outside double quotes; quotes group and are removed. Element 0 is the program itself.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The first argument after the program, or "" when there is none.
std::string FirstArgument(const std::string& commandLine);

// Whether a first command-line argument asks for the hidden start or the after-upgrade notice. Both compare the
// whole argument, case-sensitively.
bool IsTraySwitch(const std::string& firstArg);
bool IsAfterUpgradeSwitch(const std::string& firstArg);

// The directory part of a path, with its trailing separator ("C:\a\b.exe" -> "C:\a\").
std::string DirectoryOf(const std::string& path);
// A path from the settings file as the program opens it: one that is not absolute ("log.txt", "logs\a.txt",
// "..\a.txt") is taken relative to dir (which ends in a separator); "C:\a", "\\server\share\a", "\a" and
// "/a" stand as they are.
std::string ResolveSettingPath(const std::string& dir, const std::string& path);
// A switch of the settings file: on only for the value "1".
bool SettingSwitch(const std::string& value);

// The welcome message of the very first start and the notice after an upgrade; line breaks are single CRs.
std::string WelcomeMessage(const std::string& site);
std::string UpgradeNotice(const std::string& upgradeMessage);

} // namespace skyloom
