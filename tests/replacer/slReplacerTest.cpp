// The replacer against a folder of its own: the test binary writes out the replacer it carries, lays out a
// program folder (named with two blanks and a "+") and runs the replacer as the program would. The "program" is
// a copy of this test binary (see ReplacerTestSupport.h).
#include "SysUtils.h"
#include "WinHandles.h"
#include "slReplacerCore.h"
#include "slReplacerLaunch.h"
#include "ReplacerTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

using namespace skyloom;

namespace {

// Closes the replacer's message box when it shows one within limitMs; its text, or "" when none came.
std::string CloseReplacerMessage(DWORD limitMs)
{
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        if (HWND box = FindWindowA("#32770", "Skyloom Upgrade")) {
            char text[1024] = "";
            HWND label = FindWindowExA(box, nullptr, "Static", nullptr);
            while (label && GetWindowTextA(label, text, sizeof text) == 0)
                label = FindWindowExA(box, label, "Static", nullptr);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return text;
        }
        Sleep(50);
    }
    return {};
}

class ReplacerRun : public ::testing::Test {
protected:
    std::string Root, Folder, Replacer, Program, Self, Marked;

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        Root = IncludeTrailingPathDelimiter(temp) + "sl replacer " + IntToStr(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        Folder = Root + "My  App+\\";
        ASSERT_TRUE(CreateDirectoryA(Root.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(Folder.c_str(), nullptr));
        Replacer = Root + "slReplacer.exe";
        std::string error;
        ASSERT_TRUE(WriteReplacer(Replacer, error)) << error;
        Self = ReadBytes(OwnPath());
        ASSERT_FALSE(Self.empty());
        Marked = Self + "NEW BUILD MARKER";
        Program = Folder + "Prog.exe";
        WriteBytes(Program, Self);
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("SL_REPLACER_WAIT_MS", nullptr);
        for (const std::string& dir : {Folder, Root}) {
            WIN32_FIND_DATAA data;
            TOwnedFind find(FindFirstFileA((dir + "*").c_str(), &data));
            if (find.Valid()) {
                do {
                    const std::string path = dir + data.cFileName;
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(path.c_str());
                } while (FindNextFileA(find.Get(), &data));
            }
        }
        RemoveDirectoryA(Folder.c_str());
        RemoveDirectoryA(Root.c_str());
    }

    // Runs the replacer as the program starts it; its exit code (-1 when it did not end in time, -10000 less the
    // system's error when it could not be started).
    int RunReplacer(const std::string& params, bool externalSetup, DWORD limitMs = 30000)
    {
        std::string line = ReplacerCommandLine(Replacer, {Program, params, externalSetup});
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(Replacer.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return -10000 - static_cast<int>(GetLastError());
        TOwnedHandle process(pi.hProcess), thread(pi.hThread);
        if (WaitForSingleObject(process.Get(), limitMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.Get(), 99);
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        return static_cast<int>(code);
    }

    // Runs the replacer while another thread closes the message it shows; the message's text goes to told.
    int RunReplacerClosingMessage(const std::string& params, std::string& told)
    {
        std::thread closer([&told] { told = CloseReplacerMessage(20000); });
        const int code = RunReplacer(params, false);
        closer.join();
        return code;
    }

    std::string Restarted() { return WaitForFile(Program + ".log", 15000); }
    DWORD Attributes(const std::string& name) { return GetFileAttributesA((Folder + name).c_str()); }
};

TEST_F(ReplacerRun, ProgramDownloadReplacesTheProgramAndRestartsIt)
{
    WriteBytes(Folder + "Prog.exe.uTMP", Marked);
    WriteBytes(Folder + "notes.txt", "old notes", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    WriteBytes(Folder + "notes.txt.uTMP", "new notes");
    EXPECT_EQ(RunReplacer("/afterupgrade", false), 0);
    EXPECT_EQ(ReadBytes(Program), Marked) << "the program file holds the download";
    EXPECT_EQ(Attributes("Prog.exe"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(ReadBytes(Folder + "notes.txt"), "new notes") << "a read-only data file is replaced too";
    EXPECT_EQ(Attributes("notes.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(Exists(Folder + "Prog.exe.uTMP"));
    EXPECT_FALSE(Exists(Folder + "notes.txt.uTMP"));
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n") << "restarted with the parameters";
}

TEST_F(ReplacerRun, EmptyParametersRestartWithoutArgument)
{
    WriteBytes(Folder + "Prog.exe.uTMP", Marked);
    EXPECT_EQ(RunReplacer(" ", false), 0);
    EXPECT_EQ(ReadBytes(Program), Marked);
    EXPECT_EQ(Restarted(), "\"" + Program + "\"  \n");
}

TEST_F(ReplacerRun, FirstExecutableInNameOrderBecomesTheProgram)
{
    WriteBytes(Folder + "b.exe.uTMP", Self + "B");
    WriteBytes(Folder + "a.exe.uTMP", Marked);
    EXPECT_EQ(RunReplacer("/afterupgrade", false), 0);
    EXPECT_EQ(ReadBytes(Program), Marked) << "a.exe sorts first and takes the program's name";
    EXPECT_FALSE(Exists(Folder + "a.exe"));
    EXPECT_EQ(ReadBytes(Folder + "b.exe"), Self + "B") << "the second executable keeps its own name";
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n");
}

TEST_F(ReplacerRun, AnotherExecutableWithoutTheProgramsDownloadKeepsItsName)
{
    // The upgrade's program file was skipped; a tool that came with it is no build of the program.
    const std::string tool = ReadBytes(Replacer);
    ASSERT_FALSE(tool.empty());
    WriteBytes(Folder + "unins000.exe.uTMP", tool);
    EXPECT_EQ(RunReplacer("/afterupgrade", false), 0);
    EXPECT_EQ(ReadBytes(Program), Self) << "the program is not overwritten by another executable";
    EXPECT_EQ(ReadBytes(Folder + "unins000.exe"), tool);
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n");
}

TEST_F(ReplacerRun, AProgramDownloadThatIsNoWholeProgramLeavesTheOldOneRunning)
{
    // A proxy's sign-in page saved under the program's name, and a download cut short.
    const std::string page = "<html><body>Please sign in to use this network.</body></html>";
    for (const std::string& bytes : {page, Self.substr(0, Self.size() / 2)}) {
        WriteBytes(Folder + "Prog.exe.uTMP", bytes);
        WriteBytes(Folder + "readme.txt.uTMP", "read me");
        std::string told;
        EXPECT_EQ(RunReplacerClosingMessage("/afterupgrade", told), 1);
        EXPECT_EQ(ReadBytes(Program), Self) << "the program is kept";
        EXPECT_EQ(ReadBytes(Folder + "Prog.exe.uTMP"), bytes) << "the download stays beside it";
        EXPECT_EQ(ReadBytes(Folder + "readme.txt"), "read me") << "the other files are installed";
        EXPECT_NE(told.find("Prog.exe: the download is not a whole copy of the program"), std::string::npos) << told;
        EXPECT_EQ(Restarted(), "\"" + Program + "\"  \n") << "started without the upgrade's parameters";
        DeleteFileA((Program + ".log").c_str());
    }
}

TEST_F(ReplacerRun, IncompleteDownloadsStay)
{
    WriteBytes(Folder + "Prog.exe.uTMP", "half", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);
    WriteBytes(Folder + "data.bin.uTMP", "complete");
    EXPECT_EQ(RunReplacer("/afterupgrade", false), 0);
    EXPECT_EQ(ReadBytes(Program), Self) << "the program is not replaced by half a download";
    EXPECT_EQ(ReadBytes(Folder + "Prog.exe.uTMP"), "half");
    EXPECT_EQ(ReadBytes(Folder + "data.bin"), "complete");
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n");
}

TEST_F(ReplacerRun, TargetHeldOpenKeepsTheOldFileAndTheDownload)
{
    WriteBytes(Folder + "Prog.exe.uTMP", Marked);
    WriteBytes(Folder + "data.bin", "old");
    WriteBytes(Folder + "data.bin.uTMP", "new");
    // Open for reading and writing by others, but not for deletion or renaming.
    TOwnedHandle held(CreateFileA((Folder + "data.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    std::string told;
    const int code = RunReplacerClosingMessage("/afterupgrade", told);
    held.Reset();
    EXPECT_EQ(code, 1) << "a file that could not be replaced";
    EXPECT_EQ(ReadBytes(Folder + "data.bin"), "old") << "the held file keeps its old contents";
    EXPECT_EQ(ReadBytes(Folder + "data.bin.uTMP"), "new") << "the download is kept";
    EXPECT_EQ(ReadBytes(Program), Marked) << "the other files are still replaced";
    EXPECT_NE(told.find("data.bin"), std::string::npos) << "the user is told which file: " << told;
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n") << "the program still starts";
}

TEST_F(ReplacerRun, ProgramThatCannotBeReplacedStartsAsBefore)
{
    WriteBytes(Folder + "Prog.exe.uTMP", Marked);
    TOwnedHandle held(CreateFileA(Program.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    std::string told;
    const int code = RunReplacerClosingMessage("/afterupgrade", told);
    held.Reset();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(ReadBytes(Program), Self) << "the old program stays runnable";
    EXPECT_EQ(ReadBytes(Folder + "Prog.exe.uTMP"), Marked) << "the download is kept";
    EXPECT_NE(told.find("Prog.exe"), std::string::npos) << told;
    EXPECT_EQ(Restarted(), "\"" + Program + "\"  \n") << "started without the upgrade's parameters";
}

TEST_F(ReplacerRun, ProgramThatDoesNotExitIsLeftAlone)
{
    WriteBytes(Folder + "Prog.exe.uTMP", Marked);
    // As a running program's file: nobody else may write it.
    TOwnedHandle running(CreateFileA(Program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(running.Valid());
    SetEnvironmentVariableA("SL_REPLACER_WAIT_MS", "1500");
    const DWORD start = GetTickCount();
    std::string told;
    EXPECT_EQ(RunReplacerClosingMessage("/afterupgrade", told), 2) << "gives up after its limit";
    EXPECT_LT(GetTickCount() - start, 15000u);
    EXPECT_NE(told.find("Prog.exe is still in use"), std::string::npos) << "the user is told: " << told;
    running.Reset();
    EXPECT_EQ(ReadBytes(Program), Self) << "nothing moved";
    EXPECT_EQ(ReadBytes(Folder + "Prog.exe.uTMP"), Marked);
    EXPECT_EQ(WaitForFile(Program + ".log", 1500), "") << "nothing started";
}

TEST_F(ReplacerRun, ExternalSetupRunsDeletedThenProgramRestarts)
{
    WriteBytes(Folder + "setup.exe.uTMP", Self);
    WriteBytes(Folder + "readme.txt.uTMP", "read me");
    EXPECT_EQ(RunReplacer("/afterupgrade", true), 0);
    EXPECT_EQ(WaitForFile(Folder + "setup.exe.log", 5000), "\"" + Folder + "setup.exe\" /afterupgrade\n")
        << "the setup ran with the parameters";
    EXPECT_FALSE(Exists(Folder + "setup.exe")) << "the setup is deleted after it ended";
    EXPECT_EQ(ReadBytes(Program), Self) << "the program itself is not replaced by the setup";
    EXPECT_EQ(ReadBytes(Folder + "readme.txt"), "read me");
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n");
}

TEST_F(ReplacerRun, ExternalSetupWithoutExecutableOnlyRestarts)
{
    WriteBytes(Folder + "readme.txt.uTMP", "read me");
    EXPECT_EQ(RunReplacer("/afterupgrade", true), 0) << "does not wait for the restarted program to end";
    EXPECT_TRUE(Exists(Program)) << "the program is never taken for a setup and deleted";
    EXPECT_EQ(Restarted(), "\"" + Program + "\" /afterupgrade\n");
}

} // namespace
