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

std::string Describe(const TslReplacerPlan& plan)
{
    std::string s;
    for (const TslReplacerMove& m : plan.Moves)
        s += m.Source + ">" + m.Target + (m.IsProgram ? "!" : "") + (m.Hidden ? " h" : "") + ";";
    for (const std::string& n : plan.Skipped)
        s += "skip " + n + ";";
    if (!plan.SetupName.empty())
        s += "setup " + plan.SetupName;
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
        {"the program's own download", {{"skyloom.exe.uTMP", false}}, "skyloom.exe", false,
         "skyloom.exe.uTMP>skyloom.exe!;"},
        {"name in another case takes the stored name", {{"SkyLoom.EXE.uTMP", false}}, "skyloom.exe", false,
         "SkyLoom.EXE.uTMP>skyloom.exe!;"},
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
         {{"a.exe.uTMP", false}, {"skyloom.exe.uTMP", false}}, "skyloom.exe", false,
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
         {{"skyloom.exe.uTMP", false}, {"a.exe.uTMP", false}}, "skyloom.exe", true,
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
