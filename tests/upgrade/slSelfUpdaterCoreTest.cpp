#include "slSelfUpdaterCore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

using Files = std::vector<std::string>;

TEST(InfoFileFiles, NumberedKeysContinueFromTheFilesAlreadyTaken)
{
    struct Case { const char* Text; Files Expected; };
    const Case cases[] = {
        {"#url=http://h/a\r\n#url2=http://h/b\r\n", {"http://h/a", "http://h/b"}},
        {"#url1=http://h/a\r\n#url2=http://h/b\r\n", {"http://h/a", "http://h/b"}},
        {"#url=http://h/a\r\n#url0=http://h/b\r\n#url3=http://h/c\r\n", {"http://h/a", "http://h/b", "http://h/c"}},
        {"#url=http://h/a\r\n#url0=http://h/b\r\n#url1=http://h/c\r\n", {"http://h/a", "http://h/b"}},
        {"#url0=http://h/b\r\n#url=http://h/a\r\n", {"http://h/a", "http://h/b"}},
        {"#url=http://h/a\r\n#url2=\r\n#url3=http://h/c\r\n", {"http://h/a"}},          // an empty key ends the list
        {"#url=\r\n#url0=http://h/b\r\n#url2=http://h/c\r\n", {"http://h/b", "http://h/c"}},
        {"#URL=http://H/Big.EXE\r\n#Url0=http://h/x\r\n", {"http://H/Big.EXE", "http://h/x"}}, // capitals
        {"#url1=http://h/a\r\n#url1=http://h/other\r\n#url2=http://h/b\r\n", {"http://h/a", "http://h/b"}},
        {"#url1=http://h/a\r\n#url10=http://h/j\r\n", {"http://h/a"}}, // "#url10=" is not "#url1=" + "0"
        {"#url=http://h/last", {"http://h/last"}},                     // no final line break
        {"", {}},
        {"#url", {}},
        {"#url1", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadInfoFile(c.Text).Files, c.Expected) << c.Text;
}

TEST(InfoFileSignatures, EachFileTakesTheSignatureKeyNumberedLikeItsOwn)
{
    struct Case { const char* Text; Files ExpectedFiles; Files ExpectedSignatures; };
    const Case cases[] = {
        {"#url=http://h/a\r\n#sig=SA\r\n", {"http://h/a"}, {"SA"}},
        {"#url=http://h/a\r\n#url0=http://h/b\r\n#url3=http://h/c\r\n#sig3=SC\r\n#sig0=SB\r\n#sig=SA\r\n",
         {"http://h/a", "http://h/b", "http://h/c"}, {"SA", "SB", "SC"}},
        // without "#url" the first file comes from "#url0", and so does its signature
        {"#url0=http://h/b\r\n#url2=http://h/c\r\n#sig=SA\r\n#sig0=SB\r\n#sig2=SC\r\n",
         {"http://h/b", "http://h/c"}, {"SB", "SC"}},
        {"#url1=http://h/a\r\n#url2=http://h/b\r\n#sig1=S1\r\n#sig2=S2\r\n", {"http://h/a", "http://h/b"},
         {"S1", "S2"}},
        // missing signatures stay empty in their place; a signature without a file is ignored
        {"#url=http://h/a\r\n#url0=http://h/b\r\n#url3=http://h/c\r\n#sig0=SB\r\n#sig7=SX\r\n",
         {"http://h/a", "http://h/b", "http://h/c"}, {"", "SB", ""}},
        {"#sig=SA\r\n#sig0=SB\r\n", {}, {}},
        // the first key of a number counts, capitals are found, the value keeps its case, nothing is trimmed
        {"#URL=http://h/a\r\n#SIG=AbC+/=\r\n#sig=other\r\n", {"http://h/a"}, {"AbC+/="}},
        {"#url=http://h/a\r\n#sig= SA \r\n", {"http://h/a"}, {" SA "}},
        {"#url1=http://h/a\r\n#sig10=SJ\r\n#sig1=S1\r\n", {"http://h/a"}, {"S1"}}, // "#sig10" is not "#sig1"
        {"#url=http://h/a\r\n#sig=last", {"http://h/a"}, {"last"}},                     // no final line break
        {"#url=http://h/a\r\n#sig", {"http://h/a"}, {""}},
    };
    for (const Case& c : cases) {
        const TslInfoFileContents info = ReadInfoFile(c.Text);
        EXPECT_EQ(info.Files, c.ExpectedFiles) << c.Text;
        EXPECT_EQ(info.Signatures, c.ExpectedSignatures) << c.Text;
    }
}

TEST(InfoFileFiles, ALongListReadsInOnePass)
{
    std::string text = "#url=http://h/0\r\n";
    for (int i = 2; i <= 20000; ++i)
        text += "#url" + std::to_string(i) + "=http://h/" + std::to_string(i) + "\r\n";
    for (int i = 2; i <= 20000; ++i)
        text += "#sig" + std::to_string(i) + "=S" + std::to_string(i) + "\r\n";
    const TslInfoFileContents info = ReadInfoFile(text);
    ASSERT_EQ(info.Files.size(), 20000u);
    EXPECT_EQ(info.Files.back(), "http://h/20000");
    ASSERT_EQ(info.Signatures.size(), 20000u);
    EXPECT_EQ(info.Signatures.front(), "");
    EXPECT_EQ(info.Signatures.back(), "S20000");
}

TEST(InfoFileValues, SingleAndMultiLineValues)
{
    const std::string file = "#Version=1.2.3\r\n#DATE=07/01/2006\r\n#message={First line\r\nSecond Line}\r\n"
                             "#method=2nd\r\n#tab=a\tb\r\n";
    struct Case { const char* Key; bool Multi; const char* Expected; };
    const Case cases[] = {
        {"#version", false, "1.2.3"},
        {"#VERSION", false, "1.2.3"},
        {"#date", false, "07/01/2006"},
        {"#message", true, "First line\r\nSecond Line"},
        {"#message", false, "{First line"},
        {"#method", false, "2nd"},
        {"#tab", false, "a"},
        {"#absent", false, ""},
        {"#absent", true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InfoFileValue(file, c.Key, c.Multi), c.Expected) << c.Key;

    TslInfoFileContents info = ReadInfoFile(file);
    EXPECT_EQ(info.Version, "1.2.3");
    EXPECT_EQ(info.Date, "07/01/2006");
    EXPECT_EQ(info.Message, "First line\r\nSecond Line");
    EXPECT_EQ(info.Method, umRedirectToURL);
}

TEST(InfoFileValues, ValuesRunToTheEndOfTheTextLessOneFinalLineBreak)
{
    struct Case { const char* Text; const char* Key; bool Multi; const char* Expected; };
    const Case cases[] = {
        {"#message={Notes\r\nmore\r\n", "#message", true, "Notes\r\nmore"}, // closing brace missing
        {"#message={Notes\nmore\n", "#message", true, "Notes\nmore"},
        {"#message={Notes\r\nmore", "#message", true, "Notes\r\nmore"},
        {"#message={Notes\r\n\r\n", "#message", true, "Notes\r\n"},
        {"#message={}", "#message", true, ""},
        {"#message={a}b}", "#message", true, "a"},                            // no escape for "}"
        {"#version=2.0", "#version", false, "2.0"},
        {"#version=2.0\r\n", "#version", false, "2.0"},
        {"#version=", "#version", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InfoFileValue(c.Text, c.Key, c.Multi), c.Expected) << c.Text;
}

TEST(InfoFileValues, MethodByFirstCharacter)
{
    struct Case { const char* Value; TslUpgradeMethod Expected; };
    const Case cases[] = {
        {"1", umUseExternalSetup}, {"12", umUseExternalSetup}, {"2", umRedirectToURL},
        {"0", umSelfUpgrade},      {"", umSelfUpgrade},        {" 1", umSelfUpgrade}, {"x", umSelfUpgrade},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpgradeMethodFromText(c.Value), c.Expected) << c.Value;
    EXPECT_EQ(ReadInfoFile("#url=http://h/a\r\n").Method, umSelfUpgrade);
}

TEST(ReleaseDates, MonthDayYearOrToday)
{
    const TDateTime today = EncodeDate(2026, 12, 9);
    struct Case { const char* Text; TDateTime Expected; };
    const Case cases[] = {
        {"06/27/2006", EncodeDate(2006, 6, 27)},
        {"6/7/2006", EncodeDate(2006, 6, 7)},
        {"12/31/9999", EncodeDate(9999, 12, 31)},
        {"02/29/2004", EncodeDate(2004, 2, 29)},
        {"06/27/6", EncodeDate(6, 6, 27)},          // a short year is taken literally
        {"02/29/2006", today},
        {"13/01/2006", today},
        {"06/27", today},
        {"27.06.2006", today},
        {"06/27/2006x", today},
        {"06/27/99999999999", today},
        {"", today},
        {"//", today},
        {"00/10/2006", today},
        {"06/27/0", today},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadReleaseDate(c.Text, today), c.Expected) << c.Text;
}

TEST(VersionNumbers, ComparePartByPartOrByBytes)
{
    struct Case { const char* A; const char* B; int Expected; };
    const Case cases[] = {
        {"1.10", "1.9", 1},
        {"1.9", "1.10", -1},
        {"1.2", "1.2.0.0", 0},
        {"1.2.0.0", "1.2", 0},
        {"01.002", "1.2", 0},
        {"2", "1.99.99.99", 1},
        {"1.2.3.4.9", "1.2.3.4.1", 0},                           // only four parts count
        {"123456789012345678901234567890", "123456789012345678901234567889", 1}, // huge numbers
        {"1.99999999999999999999", "1.100000000000000000000", -1},
        {"1.2a", "1.2", 1},                                      // byte comparison
        {"1.2", "1.2a", -1},
        {"1..2", "1.0.2", -1},                                   // an empty part is no number: bytes decide
        {"1.-1", "1.0", -1},
        {"", "", 0},
        {"", "0.1", -1},
        {"0.1", "", 1},                                          // an empty running version: anything is newer
        {"1.2 ", "1.2", 1},
    };
    for (const Case& c : cases) {
        const int got = CompareVersions(c.A, c.B);
        EXPECT_EQ((got > 0) - (got < 0), c.Expected) << c.A << " vs " << c.B;
    }
}

TEST(NewerRelease, ByDateAndByNumber)
{
    const TDateTime today = EncodeDate(2026, 12, 9);
    struct Case {
        TslSelfUpdaterVersionControl Control;
        const char* InfoFile;
        const char* VersionNumber;
        const char* VersionDate;
        bool Expected;
    };
    const Case cases[] = {
        {byDate, "#date=06/28/2006\r\n", "", "06/27/2006", true},
        {byDate, "#date=06/27/2006\r\n", "", "06/27/2006", false}, // strictly later required
        {byDate, "#date=06/26/2006\r\n", "", "06/27/2006", false},
        {byDate, "", "", "06/27/2006", true},                      // a missing date counts as today
        {byDate, "#date=junk\r\n", "", "06/27/2006", true},
        {byDate, "", "", "12/09/2026", false},                     // built today: today is not later
        {byDate, "#date=01/01/2030\r\n", "", "junk", true},        // an unreadable own date is today too
        {byDate, "#date=06/28/2006\r\n#version=0.1\r\n", "9.9", "06/27/2006", true},
        {byNumber, "#version=1.10\r\n", "1.9", "", true},
        {byNumber, "#version=1.2.0.0\r\n", "1.2", "", false},
        {byNumber, "#version=1.1\r\n", "1.2", "", false},
        {byNumber, "#version=0.0.1\r\n", "", "", true},            // an empty own version: bytes decide
        {byNumber, "", "", "", false},
        {byNumber, "#version=2.0\r\n#date=01/01/1990\r\n", "1.0", "06/27/2006", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNewerRelease(c.Control, ReadInfoFile(c.InfoFile), c.VersionNumber, c.VersionDate, today),
                  c.Expected)
            << c.InfoFile << " / " << c.VersionNumber << " / " << c.VersionDate;
}

TEST(UpgradeQuestion, TitleAndWrappedReleaseNotes)
{
    const char* question =
        "A newer version of [b]%s[] was released.\n%s\nDo you want to update your version with the latest one?";
    struct Case { const char* Title; const char* DefaultTitle; const char* Msg; const char* Expected; };
    const Case cases[] = {
        {"Skyloom", "Project1", "",
         "A newer version of [b]Skyloom[] was released.\n\nDo you want to update your version with the latest one?"},
        {"Skyloom", "Project1", "Faster.\r\nSmaller.",
         "A newer version of [b]Skyloom[] was released.\n\nFaster.\r\nSmaller.[DEF]\n\n"
         "Do you want to update your version with the latest one?"},
        {"My Project1 app", "Project1", "",
         "A newer version of [b]<AppTitle>[] was released.\n\nDo you want to update your version with the latest one?"},
        {"Skyloom", "", "",  // an empty default title must not match every title
         "A newer version of [b]Skyloom[] was released.\n\nDo you want to update your version with the latest one?"},
        {"100% %s", "Project1", "",
         "A newer version of [b]100% %s[] was released.\n\nDo you want to update your version with the latest one?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpgradeQuestionText(question, c.Title, c.DefaultTitle, "<AppTitle>", c.Msg), c.Expected)
            << c.Title << " / " << c.Msg;
}

TEST(PasswordRequest, FileNameShownOrCutOut)
{
    const std::string english = "Access to remote file \"[b]%s[]\" is password protected.\n\nPlease enter your "
                                "username and password (received after registration) to continue software upgrade.";
    struct Case { std::string Request; const char* File; bool Hide; std::string Expected; };
    const Case cases[] = {
        {english, "skyloom.exe", false,
         "Access to remote file \"[b]skyloom.exe[]\" is password protected.\n\nPlease enter your username and "
         "password (received after registration) to continue software upgrade."},
        {english, "skyloom.exe", true,
         "Access to remote file is password protected.\n\nPlease enter your username and password (received after "
         "registration) to continue software upgrade."},
        {"\"[b]%s[]\" is locked", "f", true, " is locked"},  // nothing before the quote to cut
        {"Datei \"[b]%s[]\".", "f", true, "Datei."},
        {"File [b]%s[] locked", "f", true, "File [b][] locked"}, // no quoted place holder: still no name
        {"File %s", "f", false, "File f"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasswordRequestText(c.Request, c.File, c.Hide), c.Expected) << c.Request;
}

TEST(UpdaterAddresses, RedirectOpensOnlyWebAddressesAsOneQuotedArgument)
{
    struct Case { const char* URL; const char* Expected; };
    const Case cases[] = {
        {"http://example.test/new", "\"http://example.test/new\""},
        {"HTTPS://example.test/a b?x=1", "\"HTTPS://example.test/a b?x=1\""},
        {"file:///c:/windows/system32/calc.exe", ""},
        {"c:\\windows\\system32\\calc.exe", ""},
        {"ftp://example.test/x", ""},
        {"javascript:alert(1)", ""},
        {"http://", ""},
        {"http://example.test/\" /c calc", ""},
        {"http://example.test/\r\nx", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RedirectArgument(c.URL), c.Expected) << c.URL;
}

TEST(UpdaterAddresses, ListedFilesMustBePlainNamesOnTheWeb)
{
    struct Case { const char* URL; bool Expected; };
    const Case cases[] = {
        {"http://h/skyloom/skyloom.exe", true},
        {"https://h/a/readme.txt?x=1", true},
        {"http://h/setup", true},
        {"http://h/con.txt.bak", false},     // reserved whatever follows the first dot
        {"http://h/icon.txt", true},
        {"http://h/console.exe", true},
        {"ftp://h/a.exe", false},
        {"file:///c:/a.exe", false},
        {"c:\\a.exe", false},
        {"http://h/", false},
        {"http://h", false},
        {"http://h/a/..", false},
        {"http://h/a/.", false},
        {"http://h/a\\..\\..\\x\\..", false},
        {"http://h/c:evil.exe", false},
        {"http://h/CON", false},
        {"http://h/nul.txt", false},
        {"http://h/com1", false},
        {"http://h/Lpt9.dll", false},
        {"http://h/aux .txt", false},
        {"http://h/a.exe.", false},
        {"http://h/a.exe ", false},
        {"http://h/a|b", false},
        {"http://h/a*b", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsDownloadableFileURL(c.URL), c.Expected) << c.URL;
}

TEST(RestartArgument, EmptyBecomesOneBlank)
{
    EXPECT_EQ(RestartParamsValue(""), " ");
    EXPECT_EQ(RestartParamsValue("/afterupgrade"), "/afterupgrade");
    EXPECT_EQ(RestartParamsValue(" "), " ");
}

TEST(AutomaticCheck, ConnectedByAddressOrRemoteAccessValue)
{
    struct Case { bool NT; int Major, Minor; bool Key, Value; unsigned char Byte; const char* Address; bool Expected; };
    const Case cases[] = {
        {true, 5, 1, true, true, 0, "192.168.1.5", true},   // XP: the address decides, not the value
        {true, 5, 1, true, true, 1, "127.0.0.1", false},
        {true, 4, 0, true, true, 1, "", false},             // the host name does not resolve
        {true, 3, 51, true, true, 0, "10.0.0.1", true},
        {true, 5, 0, true, true, 0, "10.0.0.1", true},
        {true, 6, 1, true, true, 1, "127.0.0.1", true},     // later systems: the value decides
        {true, 6, 1, true, true, 0, "10.0.0.1", false},
        {true, 5, 2, true, true, 2, "10.0.0.1", false},
        {true, 6, 1, false, false, 0, "10.0.0.1", true},    // key missing: the address decides
        {true, 6, 1, true, false, 0, "127.0.0.1", false},   // value missing: the address decides
        {false, 4, 0, true, true, 1, "127.0.0.1", true},    // Windows 9x 4.0 reads the value
        {false, 4, 10, false, false, 0, "10.1.1.1", true},
    };
    for (const Case& c : cases) {
        TslConnectionFacts f;
        f.NTFamily = c.NT;
        f.MajorVersion = c.Major;
        f.MinorVersion = c.Minor;
        f.RemoteAccessKeyReadable = c.Key;
        f.RemoteConnectionReadable = c.Value;
        f.RemoteConnectionFirstByte = c.Byte;
        f.LocalAddress = c.Address;
        EXPECT_EQ(IsConnected(f), c.Expected) << c.Major << "." << c.Minor << " " << c.Address;
    }
}

} // namespace
} // namespace skyloom
