#include "slReplacerCore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skyloom;

namespace {

// What the program builds, the replacer reads back unchanged: blanks, "+", two blanks in a row, empty parameters.
TEST(ReplacerCommandLine, RoundTripsEveryPathAndParameterText)
{
    struct Case {
        const char* replacer;
        TslReplacerCommand command;
        const char* line;
    } cases[] = {
        {"C:\\Temp\\slReplacer.exe", {"C:\\Apps\\skyloom.exe", "/afterupgrade", false},
         "\"C:\\Temp\\slReplacer.exe\" \"C:\\Apps\\skyloom.exe\" +/afterupgrade0"},
        {"C:\\Users\\A B\\Temp\\slReplacer.exe", {"C:\\Program Files\\Sky loom\\skyloom.exe", "/afterupgrade", true},
         "\"C:\\Users\\A B\\Temp\\slReplacer.exe\" \"C:\\Program Files\\Sky loom\\skyloom.exe\" +/afterupgrade1"},
        {"C:\\T\\slReplacer.exe", {"C:\\My  Apps+\\C++ tool\\skyloom.exe", "/afterupgrade", false},
         "\"C:\\T\\slReplacer.exe\" \"C:\\My  Apps+\\C++ tool\\skyloom.exe\" +/afterupgrade0"},
        {"C:\\T\\slReplacer.exe", {"C:\\A\\skyloom.exe", " ", false}, "\"C:\\T\\slReplacer.exe\" \"C:\\A\\skyloom.exe\" + 0"},
        {"C:\\T\\slReplacer.exe", {"C:\\A\\skyloom.exe", "", true}, "\"C:\\T\\slReplacer.exe\" \"C:\\A\\skyloom.exe\" +1"},
        {"C:\\T\\slReplacer.exe", {"C:\\A\\skyloom.exe", "/x \"a b\" +1", false},
         "\"C:\\T\\slReplacer.exe\" \"C:\\A\\skyloom.exe\" +/x \"a b\" +10"},
    };
    for (const Case& c : cases) {
        const std::string line = ReplacerCommandLine(c.replacer, c.command);
        EXPECT_EQ(line, c.line) << c.command.ProgramPath;
        TslReplacerCommand back;
        ASSERT_EQ(ParseReplacerCommandLine(line, back), rcValid) << line;
        EXPECT_EQ(back.ProgramPath, c.command.ProgramPath) << line;
        EXPECT_EQ(back.RestartParams, c.command.RestartParams) << line;
        EXPECT_EQ(back.ExternalSetup, c.command.ExternalSetup) << line;
    }
}

TEST(ReplacerCommandLine, RefusesWhatQuotesCannotHold)
{
    const TslReplacerCommand fine{"C:\\A\\skyloom.exe", "/afterupgrade", false};
    EXPECT_EQ(ReplacerCommandLine("C:\\T\\a\"b.exe", fine), "") << "quote in the replacer's path";
    EXPECT_EQ(ReplacerCommandLine("", fine), "") << "no replacer path";
    EXPECT_EQ(ReplacerCommandLine("r.exe", {"C:\\A\"\\skyloom.exe", "/x", false}), "") << "quote in the program path";
    EXPECT_EQ(ReplacerCommandLine("r.exe", {"", "/x", false}), "") << "no program path";
    EXPECT_EQ(ReplacerCommandLine("r.exe", {"C:\\A\\s\n.exe", "/x", false}), "") << "control character in the path";
    EXPECT_EQ(ReplacerCommandLine("r.exe", {"C:\\A\\s.exe", "/x\r\n/y", false}), "") << "line break in parameters";
}

TEST(ReplacerCommandLine, ReadsHandMadeAndBrokenLines)
{
    struct Case {
        const char* line;
        TslReplacerCommandKind kind;
        const char* program;
        const char* params;
        bool external;
    } cases[] = {
        {"slReplacer.exe", rcNoArguments, "", "", false},
        {"\"C:\\Temp dir\\slReplacer.exe\"   ", rcNoArguments, "", "", false},
        {"", rcNoArguments, "", "", false},
        {"\"C:\\Temp dir\\slReplacer.exe\"\r\n", rcNoArguments, "", "", false},
        // the unquoted form: the path ends at the first "+", without the blank before it
        {"C:\\Temp\\slReplacer.exe C:\\A\\skyloom.exe +/afterupgrade0", rcValid, "C:\\A\\skyloom.exe", "/afterupgrade",
         false},
        {"r.exe C:\\A+B\\skyloom.exe +/afterupgrade0", rcValid, "C:\\A", "B\\skyloom.exe +/afterupgrade", false},
        {"r.exe \"C:\\A\\s.exe\" + 1  \r\n", rcValid, "C:\\A\\s.exe", " ", true},
        {"r.exe \"C:\\A\\s.exe\"+/a0", rcValid, "C:\\A\\s.exe", "/a", false},
        {"r.exe \"C:\\A\\s.exe\" +/a2", rcInvalid, "", "", false},
        {"r.exe \"C:\\A\\s.exe\" +", rcInvalid, "", "", false},
        {"r.exe \"C:\\A\\s.exe\" /a0", rcInvalid, "", "", false},
        {"r.exe \"C:\\A\\s.exe +/a0", rcInvalid, "", "", false},
        {"r.exe \"\" +/a0", rcInvalid, "", "", false},
        {"r.exe +/a0", rcInvalid, "", "", false},
        {"r.exe C:\\A\\s.exe /afterupgrade0", rcInvalid, "", "", false},
        {"\"r.exe", rcNoArguments, "", "", false},
    };
    for (const Case& c : cases) {
        TslReplacerCommand command{"stale", "stale", true};
        EXPECT_EQ(ParseReplacerCommandLine(c.line, command), c.kind) << c.line;
        EXPECT_EQ(command.ProgramPath, c.program) << c.line;
        EXPECT_EQ(command.RestartParams, c.params) << c.line;
        EXPECT_EQ(command.ExternalSetup, c.external) << c.line;
    }
}

TEST(ReplacerCommandLine, RestartQuotesTheProgram)
{
    EXPECT_EQ(RestartCommandLine("C:\\My  Apps+\\skyloom.exe", "/afterupgrade"),
              "\"C:\\My  Apps+\\skyloom.exe\" /afterupgrade");
    EXPECT_EQ(RestartCommandLine("C:\\A\\skyloom.exe", " "), "\"C:\\A\\skyloom.exe\"  ") << "no parameter";
}

TEST(ReplacerCommandLine, TempNames)
{
    EXPECT_TRUE(IsReplacerTempName("skyloom.exe.uTMP"));
    EXPECT_TRUE(IsReplacerTempName("data.UTMP"));
    EXPECT_TRUE(IsReplacerTempName("x.utmp"));
    EXPECT_FALSE(IsReplacerTempName(".uTMP")) << "no target name left";
    EXPECT_FALSE(IsReplacerTempName("skyloom.exe"));
    EXPECT_FALSE(IsReplacerTempName("skyloom.uTMP.bak"));
}

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A small image laid out as a linker writes one: the DOS header pointing at "PE\0\0" at 0x80, the file header
// (two sections, an optional header of 0xE0 bytes, "executable image, 32-bit machine"), and the section table at
// 0x178 for two sections of 0x100 bytes each at 0x200 and 0x300, ending the file at 0x400.
std::vector<std::uint8_t> SmallImage()
{
    std::vector<std::uint8_t> b(0x400, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put(b, 0x3C, 0x80, 4);
    Put(b, 0x80, 0x00004550, 4);
    Put(b, 0x84, 0x014C, 2);
    Put(b, 0x86, 2, 2);
    Put(b, 0x94, 0xE0, 2);
    Put(b, 0x96, 0x0102, 2);
    for (std::uint32_t i = 0; i < 2; ++i) {
        const std::size_t header = 0x178 + i * 40;
        Put(b, header + 16, 0x100, 4);
        Put(b, header + 20, 0x200 + i * 0x100, 4);
    }
    return b;
}

TEST(ReplacerImage, OnlyAWholeExecutableImageCounts)
{
    const std::vector<std::uint8_t> image = SmallImage();
    EXPECT_TRUE(IsCompleteExecutable(image));
    auto longer = image;
    longer.insert(longer.end(), {'N', 'E', 'W'});
    EXPECT_TRUE(IsCompleteExecutable(longer)) << "bytes after the last section";
    auto noData = image;
    Put(noData, 0x178 + 40 + 16, 0, 4);
    Put(noData, 0x178 + 40 + 20, 0xFFFFFF00, 4);
    EXPECT_TRUE(IsCompleteExecutable(noData)) << "a section without data in the file (uninitialised data)";

    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    auto changed = [&](std::size_t at, std::uint32_t value, int bytes) {
        auto b = image;
        Put(b, at, value, bytes);
        return b;
    };
    const std::string page = "<html><body>Please sign in to use this network.</body></html>";
    const Case cases[] = {
        {"nothing", {}},
        {"a page of text", std::vector<std::uint8_t>(page.begin(), page.end())},
        {"cut inside the last section", std::vector<std::uint8_t>(image.begin(), image.end() - 1)},
        {"cut after the headers", std::vector<std::uint8_t>(image.begin(), image.begin() + 0x200)},
        {"cut inside the section table", std::vector<std::uint8_t>(image.begin(), image.begin() + 0x190)},
        {"cut inside the file header", std::vector<std::uint8_t>(image.begin(), image.begin() + 0x90)},
        {"no MZ", changed(0, 'X', 1)},
        {"headers pointed past the end", changed(0x3C, 0xFFFFFFF0, 4)},
        {"no PE signature", changed(0x80, 0x00004550 + 1, 4)},
        {"no sections", changed(0x86, 0, 2)},
        {"more sections than the file holds", changed(0x86, 0xFFFF, 2)},
        {"an optional header larger than the file", changed(0x94, 0xFFFF, 2)},
        {"not marked executable", changed(0x96, 0x0100, 2)},
        {"a library", changed(0x96, 0x2102, 2)},
        {"a section's data past the end", changed(0x178 + 20, 0xFFFFFFF0, 4)},
        {"a section larger than the file", changed(0x178 + 16, 0xFFFFFFFF, 4)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(IsCompleteExecutable(c.bytes)) << c.what;
}

std::string Describe(const TslReplacerPlan& plan)
{
    std::string s;
    for (const TslReplacerMove& m : plan.Moves)
        s += m.Source + ">" + m.Target + (m.IsProgram ? "!" : "") + (m.Hidden ? " h" : "") + ";";
    for (const std::string& n : plan.Skipped)
        s += "skip " + n + ";";
    if (!plan.SetupName.empty())
        s += "setup " + plan.SetupName;
    if (!plan.Refused.empty())
        s += "refuse " + plan.Refused;
    return s;
}

TEST(ReplacerPlan, WhichDownloadGoesWhere)
{
    struct Case {
        const char* what;
        std::vector<TslReplacerFile> files;
        const char* program;
        bool external;
        const char* plan;
    } cases[] = {
        {"the program's own download", {{"skyloom.exe.uTMP", false, true}}, "skyloom.exe", false,
         "skyloom.exe.uTMP>skyloom.exe!;"},
        {"name in another case takes the stored name", {{"SkyLoom.EXE.uTMP", false, true}}, "skyloom.exe", false,
         "SkyLoom.EXE.uTMP>skyloom.exe!;"},
        {"a download named like the program that is no build of it is refused, and no other executable stands in",
         {{"skyloom.exe.uTMP", false}, {"a.exe.uTMP", false, true}, {"readme.txt.uTMP", false}}, "skyloom.exe",
         false, "a.exe.uTMP>a.exe;readme.txt.uTMP>readme.txt;refuse skyloom.exe.uTMP"},
        {"refused with an external setup too", {{"setup.exe.uTMP", false}, {"skyloom.exe.uTMP", false}},
         "skyloom.exe", true, "setup.exe.uTMP>setup.exe;refuse skyloom.exe.uTMP"},
        {"a build of the program under another name becomes the program",
         {{"readme.txt.uTMP", false}, {"new.exe.uTMP", false, true}}, "Skyloom.exe", false,
         "new.exe.uTMP>Skyloom.exe!;readme.txt.uTMP>readme.txt;"},
        {"only the first build in name order", {{"b.exe.uTMP", false, true}, {"a.exe.uTMP", false, true}},
         "skyloom.exe", false, "a.exe.uTMP>skyloom.exe!;b.exe.uTMP>b.exe;"},
        {"an executable that is no build of the program keeps its name (the program's own file was skipped)",
         {{"unins000.exe.uTMP", false}, {"readme.txt.uTMP", false}}, "skyloom.exe", false,
         "readme.txt.uTMP>readme.txt;unins000.exe.uTMP>unins000.exe;"},
        {"the first build, not the first executable", {{"a.exe.uTMP", false}, {"b.exe.uTMP", false, true}},
         "skyloom.exe", false, "a.exe.uTMP>a.exe;b.exe.uTMP>skyloom.exe!;"},
        {"the program's download wins over other executables",
         {{"a.exe.uTMP", false, true}, {"skyloom.exe.uTMP", false, true}}, "skyloom.exe", false,
         "a.exe.uTMP>a.exe;skyloom.exe.uTMP>skyloom.exe!;"},
        {"an upper-case EXE is not taken for the program", {{"NEW.EXE.uTMP", false, true}}, "skyloom.exe", false,
         "NEW.EXE.uTMP>NEW.EXE;"},
        {"sorted without regard to case", {{"Zeta.dat.uTMP", false}, {"alpha.dat.uTMP", false}, {"Beta.dat.uTMP", false}},
         "skyloom.exe", false, "alpha.dat.uTMP>alpha.dat;Beta.dat.uTMP>Beta.dat;Zeta.dat.uTMP>Zeta.dat;"},
        {"incomplete downloads stay", {{"skyloom.exe.uTMP", true}, {"data.bin.uTMP", false}}, "skyloom.exe", false,
         "data.bin.uTMP>data.bin;skip skyloom.exe.uTMP;"},
        {"an incomplete program download still keeps other builds from replacing it",
         {{"skyloom.exe.uTMP", true}, {"tool.exe.uTMP", false, true}}, "skyloom.exe", false,
         "tool.exe.uTMP>tool.exe;skip skyloom.exe.uTMP;"},
        {"an incomplete executable is not the first one", {{"a.exe.uTMP", true, true}, {"b.exe.uTMP", false, true}},
         "skyloom.exe", false, "b.exe.uTMP>skyloom.exe!;skip a.exe.uTMP;"},
        {"external setup", {{"data.bin.uTMP", false}, {"setup.exe.uTMP", false}}, "skyloom.exe", true,
         "data.bin.uTMP>data.bin;setup.exe.uTMP>setup.exe h;setup setup.exe"},
        {"external setup with the program's own download: no setup, the program not hidden",
         {{"skyloom.exe.uTMP", false, true}, {"a.exe.uTMP", false}}, "skyloom.exe", true,
         "a.exe.uTMP>a.exe;skyloom.exe.uTMP>skyloom.exe!;"},
        {"external setup without any executable", {{"data.bin.uTMP", false}}, "skyloom.exe", true,
         "data.bin.uTMP>data.bin;"},
        {"names that are no downloads", {{".uTMP", false}, {"x.tmp", false}}, "skyloom.exe", false, ""},
        {"nothing downloaded", {}, "skyloom.exe", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(PlanReplacement(c.files, c.program, c.external)), c.plan) << c.what;
    }
}

} // namespace
