#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "AppSettings.h"
#include "Config.h"
#include "StatusLoop.h"

namespace skyloom {
namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("skyloom-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& content)
    {
        std::string path = (dir_ / SettingsFileName).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::filesystem::path dir_;
};

TEST_F(SettingsFile, MissingFileGivesBothDefaults)
{
    TAppSettings s = ReadAppSettings((dir_ / "no-such.ini").string());
    EXPECT_EQ(s.PingSetting, ProbeHost);
    EXPECT_EQ(s.FeedURL, DefaultFeedURL);
}

TEST(BuildSettings, TheDefaultFeedIsTheForumsPageOnTheProductsOwnWebHost)
{
    // "scheme://host/..." gives the host.
    const auto hostOf = [](const std::string& url) {
        const std::size_t start = url.find("://") + 3;
        return url.substr(start, url.find('/', start) - start);
    };
    const std::string feed = DefaultFeedURL;
    EXPECT_EQ(feed.rfind("http://", 0), 0u) << feed << ": plain HTTP";
    EXPECT_EQ(hostOf(feed), hostOf(ProductSite)) << feed << " is not on the host of " << ProductSite;
    EXPECT_EQ(feed.substr(feed.find('/', 7)), "/forums/") << feed;
}

TEST_F(SettingsFile, DefaultsApplyOnlyToMissingKeys)
{
    struct Case {
        const char* name;
        std::string content;
        std::string ping;
        std::string rss;
    };
    const std::string site = ProbeHost;
    const std::string feed = DefaultFeedURL;
    const Case cases[] = {
        {"empty file", "", site, feed},
        {"other section only", "[Other]\nping=1.2.3.4\nrss=http://a/\n", site, feed},
        {"section without keys", "[Skyloom]\n", site, feed},
        {"rss present and empty", "[Skyloom]\nrss=\n", site, ""},
        {"ping present and empty", "[Skyloom]\nping=\nrss=http://h/f\n", "", "http://h/f"},
        {"both set", "[Skyloom]\nping=10.0.0.1\nrss=http://127.0.0.1:8080/feed.xml\n", "10.0.0.1",
         "http://127.0.0.1:8080/feed.xml"},
        {"CR LF line ends", "[Skyloom]\r\nping=h1\r\nrss=http://x/y\r\n", "h1", "http://x/y"},
        {"names ignore case", "[SKYLOOM]\nPing=h2\nRSS=http://x/z\n", "h2", "http://x/z"},
        {"blanks around key and value", "[Skyloom]\n  rss  =   http://x/sp  \n", site, "http://x/sp"},
        {"quoted value", "[Skyloom]\nrss=\"http://x/q\"\n", site, "http://x/q"},
        {"key in a later section ignored", "[Skyloom]\nping=a\n[Other]\nrss=http://wrong/\n", "a", feed},
        {"first of two equal keys wins", "[Skyloom]\nrss=http://first/\nrss=http://second/\n", site,
         "http://first/"},
        {"comment line skipped", "[Skyloom]\n;rss=http://commented/\nping=p\n", "p", feed},
    };
    for (const Case& c : cases) {
        TAppSettings s = ReadAppSettings(Write(c.content));
        EXPECT_EQ(s.PingSetting, c.ping) << c.name;
        EXPECT_EQ(s.FeedURL, c.rss) << c.name;
    }
}

TEST_F(SettingsFile, LongValuesAreCutTo2047Characters)
{
    struct Case {
        std::size_t length;
        std::size_t expected;
    };
    const Case cases[] = {{2046, 2046}, {2047, 2047}, {2048, 2047}, {3000, 2047}};
    for (const Case& c : cases) {
        std::string value = "http://h/";
        for (std::size_t i = value.size(); i < c.length; ++i)
            value += static_cast<char>('a' + i % 26);
        TAppSettings s = ReadAppSettings(Write("[Skyloom]\nrss=" + value + "\nping=after\n"));
        EXPECT_EQ(s.FeedURL.size(), c.expected) << "value of " << c.length << " characters";
        EXPECT_EQ(s.FeedURL, value.substr(0, c.expected)) << "value of " << c.length << " characters";
        EXPECT_EQ(s.PingSetting, "after") << "the key after a long value is still read (" << c.length << ")";
    }
}

TEST(AutorunCommand, QuotesThePathAndAddsTheTraySwitch)
{
    struct Case {
        std::string path;
        std::string command;
    };
    const Case cases[] = {
        {"C:\\skyloom.exe", "\"C:\\skyloom.exe\" /tray"},
        {"C:\\Program Files\\Sky loom\\skyloom.exe", "\"C:\\Program Files\\Sky loom\\skyloom.exe\" /tray"},
        {"Z:\\work\\build\\e2e\\first start\\skyloom.exe", "\"Z:\\work\\build\\e2e\\first start\\skyloom.exe\" /tray"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AutorunCommand(c.path), c.command) << c.path;
}

TEST(CommandLineSwitches, MatchTheWholeArgumentWithCase)
{
    struct Case {
        std::string arg;
        bool tray;
        bool afterUpgrade;
    };
    const Case cases[] = {
        {"/tray", true, false},          {"/Tray", false, false},        {"/TRAY", false, false},
        {"/tray2", false, false},        {"tray", false, false},         {" /tray", false, false},
        {"/tray ", false, false},        {"-tray", false, false},        {"", false, false},
        {"/afterupgrade", false, true},  {"/AfterUpgrade", false, false}, {"/afterupgrade2", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsTraySwitch(c.arg), c.tray) << "\"" << c.arg << "\"";
        EXPECT_EQ(IsAfterUpgradeSwitch(c.arg), c.afterUpgrade) << "\"" << c.arg << "\"";
    }
}

TEST(CommandLine, FirstArgumentAfterTheProgram)
{
    struct Case {
        std::string line;
        std::string first;
    };
    const Case cases[] = {
        {"skyloom.exe", ""},
        {"skyloom.exe /tray", "/tray"},
        {"\"C:\\Program Files\\Sky loom\\skyloom.exe\" /tray", "/tray"},
        {"\"C:\\Program Files\\Sky loom\\skyloom.exe\"", ""},
        {"skyloom.exe   /afterupgrade   extra", "/afterupgrade"},
        {"skyloom.exe\t/tray", "/tray"},
        {"skyloom.exe \"/tray\"", "/tray"},
        {"skyloom.exe /tr\"a\"y", "/tray"},
        {"skyloom.exe \"/tray two\" x", "/tray two"},
        {"skyloom.exe /Tray", "/Tray"},
        {"skyloom.exe \"\"", ""},
        {"skyloom.exe \"unterminated", "unterminated"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstArgument(c.line), c.first) << c.line;
    EXPECT_EQ(SplitCommandLine("\"C:\\a b\\s.exe\" /tray x").size(), 3u);
    EXPECT_EQ(SplitCommandLine("\"C:\\a b\\s.exe\" /tray x")[0], "C:\\a b\\s.exe");
}

TEST(DirectoryOf, KeepsTheTrailingSeparator)
{
    EXPECT_EQ(DirectoryOf("C:\\Program Files\\Sky loom\\skyloom.exe"), "C:\\Program Files\\Sky loom\\");
    EXPECT_EQ(DirectoryOf("/opt/skyloom/skyloom"), "/opt/skyloom/");
    EXPECT_EQ(DirectoryOf("C:skyloom.exe"), "C:");
    EXPECT_EQ(DirectoryOf("skyloom.exe"), "");
}

TEST_F(SettingsFile, TrayExtrasAreOffUnlessSet)
{
    struct Case {
        const char* name;
        std::string content;
        bool trayStatus;
        bool notify;
        std::string outageLog;
    };
    const Case cases[] = {
        {"keys absent", "[Skyloom]\nping=p\n", false, false, ""},
        {"all three on", "[Skyloom]\ntraystatus=1\nnotify=1\noutagelog=outages.log\n", true, true, "outages.log"},
        {"zero is off", "[Skyloom]\ntraystatus=0\nnotify=0\n", false, false, ""},
        {"empty is off", "[Skyloom]\ntraystatus=\nnotify=\noutagelog=\n", false, false, ""},
        {"other words are off", "[Skyloom]\ntraystatus=yes\nnotify=2\n", false, false, ""},
        {"blanks around the value", "[Skyloom]\ntraystatus = 1 \nnotify=1\r\n", true, true, ""},
        {"in another section", "[Other]\ntraystatus=1\nnotify=1\noutagelog=x.log\n", false, false, ""},
        {"a path with blanks", "[Skyloom]\noutagelog=C:\\My Logs\\drops.txt\n", false, false,
         "C:\\My Logs\\drops.txt"},
    };
    for (const Case& c : cases) {
        TAppSettings s = ReadAppSettings(Write(c.content));
        EXPECT_EQ(s.TrayStatus, c.trayStatus) << c.name;
        EXPECT_EQ(s.Notify, c.notify) << c.name;
        EXPECT_EQ(s.OutageLog, c.outageLog) << c.name;
    }
}

TEST(ResolveSettingPath, RelativePathsStartInTheProgramsFolder)
{
    const std::string dir = "C:\\Sky loom\\";
    const struct {
        const char* path;
        std::string expected;
    } cases[] = {
        {"outages.log", dir + "outages.log"},
        {"logs\\outages.log", dir + "logs\\outages.log"},
        {"..\\outages.log", dir + "..\\outages.log"},
        {"C:\\logs\\o.log", "C:\\logs\\o.log"},
        {"d:/logs/o.log", "d:/logs/o.log"},
        {"\\\\server\\share\\o.log", "\\\\server\\share\\o.log"},
        {"\\o.log", "\\o.log"},
        {"/tmp/o.log", "/tmp/o.log"},
        {"1:x", dir + "1:x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveSettingPath(dir, c.path), c.expected) << c.path;
}

TEST(ShellMessages, WelcomeUsesSingleCarriageReturns)
{
    EXPECT_EQ(WelcomeMessage("https://example.org/"),
              "Welcome to the Quorvane Skyloom\r\rWith this program you can check your Internet connection\r"
              "and you can read RSS news from predefined source\r\rMore info at https://example.org/");
    EXPECT_EQ(WelcomeMessage(ProductSite).find('\n'), std::string::npos) << "no line feed in the welcome text";
}

TEST(ShellMessages, UpgradeNoticeKeepsTheMessageAsIs)
{
    const std::string msg = "- Added option to choose if program should start with Windows or not\r\n"
                            "- Fixed bug with RSS feeds when there is no Internet connection";
    EXPECT_EQ(UpgradeNotice(msg), "Skyloom has been upgraded. New in this release:\r\r" + msg);
    EXPECT_EQ(UpgradeNotice(""), "Skyloom has been upgraded. New in this release:\r\r");
}

} // namespace
} // namespace skyloom
