#include "AppSettings.h"

#include "Config.h"
#include "StatusLoop.h"

namespace skyloom {

TAppSettings ReadAppSettings(const std::string& iniPath)
{
    TAppSettings s;
    s.PingSetting = ReadProfileString(iniPath, SettingsSection, "ping", ProbeHost);
    s.FeedURL = ReadProfileString(iniPath, SettingsSection, "rss", DefaultFeedURL);
    s.TrayStatus = SettingSwitch(ReadProfileString(iniPath, SettingsSection, "traystatus", ""));
    s.Notify = SettingSwitch(ReadProfileString(iniPath, SettingsSection, "notify", ""));
    s.OutageLog = ReadProfileString(iniPath, SettingsSection, "outagelog", "");
    return s;
}

std::string AutorunCommand(const std::string& exePath)
{
    return "\"" + exePath + "\" " + TraySwitch;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    for (;;) {
        while (i < n && static_cast<unsigned char>(commandLine[i]) <= ' ')
            ++i;
        if (i >= n)
            break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || static_cast<unsigned char>(commandLine[i]) > ' ')) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                arg += commandLine[i];
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string FirstArgument(const std::string& commandLine)
{
    std::vector<std::string> args = SplitCommandLine(commandLine);
    return args.size() > 1 ? args[1] : std::string();
}

bool IsTraySwitch(const std::string& firstArg)
{
    return firstArg == TraySwitch;
}

bool IsAfterUpgradeSwitch(const std::string& firstArg)
{
    return firstArg == AfterUpgradeSwitch;
}

std::string DirectoryOf(const std::string& path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ResolveSettingPath(const std::string& dir, const std::string& path)
{
    const bool rooted = !path.empty() && (path[0] == '\\' || path[0] == '/');
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return rooted || drive ? path : dir + path;
}

bool SettingSwitch(const std::string& value)
{
    return value == "1";
}

std::string WelcomeMessage(const std::string& site)
{
    return std::string("Welcome to the Quorvane Skyloom") + "\r\r" +
           "With this program you can check your Internet connection" + "\r" +
           "and you can read RSS news from predefined source" + "\r\r" + "More info at " + site;
}

std::string UpgradeNotice(const std::string& upgradeMessage)
{
    return "Skyloom has been upgraded. New in this release:\r\r" + upgradeMessage;
}

} // namespace skyloom
