// The program's side of the replacer under Wine: the replacer it carries is written to the temporary folder,
// started for the program, and deleted at the next start; what cannot be done is reported, not started.
#include "slReplacerLaunch.h"

#include "ReplacerTestSupport.h"
#include "SysUtils.h"
#include "WinHandles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using namespace skyloom;

namespace {

std::string ResourceBytes()
{
    const HRSRC resource = FindResourceA(nullptr, "SLUPG", "SLUPG");
    const HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(nullptr, resource)) : std::string();
}

// Deletes the leftover replacer once it has ended (it may still be running for a moment); whether it is gone.
bool DeleteLeftoverWithin(DWORD limitMs)
{
    for (DWORD waited = 0; waited < limitMs; waited += 100) {
        DeleteLeftoverReplacer();
        if (!Exists(ReplacerPath()))
            return true;
        Sleep(100);
    }
    return false;
}

class ReplacerLaunch : public ::testing::Test {
protected:
    std::string Folder, Program;

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        Folder = IncludeTrailingPathDelimiter(temp) + "sl launch " + IntToStr(GetCurrentProcessId()) + "+ " +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        ASSERT_TRUE(CreateDirectoryA(Folder.c_str(), nullptr));
        Program = Folder + "prog.exe";
        WriteBytes(Program, ReadBytes(OwnPath()));
        ASSERT_TRUE(DeleteLeftoverWithin(10000));
    }
    void TearDown() override
    {
        DeleteLeftoverWithin(10000);
        for (const char* name : {"prog.exe", "prog.exe.uTMP", "prog.exe.log"}) {
            SetFileAttributesA((Folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((Folder + name).c_str());
        }
        RemoveDirectoryA(Folder.c_str());
    }
};

TEST_F(ReplacerLaunch, PathIsInTheTemporaryFolder)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(ReplacerPath(), IncludeTrailingPathDelimiter(temp) + "slReplacer.exe");
}

TEST_F(ReplacerLaunch, WritesTheCarriedReplacerAndItInstallsTheDownload)
{
    const std::string carried = ResourceBytes();
    ASSERT_GT(carried.size(), 1000u) << "the test binary carries the replacer";
    const std::string marked = ReadBytes(Program) + "MARKER";
    WriteBytes(Program + ".uTMP", marked);
    std::string error;
    ASSERT_TRUE(LaunchReplacer(Program, "/afterupgrade", umSelfUpgrade, error)) << error;
    EXPECT_EQ(ReadBytes(ReplacerPath()), carried) << "the replacer's bytes are the resource's";
    EXPECT_EQ(WaitForFile(Program + ".log", 20000), "\"" + Program + "\" /afterupgrade\n");
    EXPECT_EQ(ReadBytes(Program), marked);
    EXPECT_TRUE(DeleteLeftoverWithin(10000)) << "the next start deletes the replacer";
}

TEST_F(ReplacerLaunch, ReportsWhatCannotBeDoneAndStartsNothing)
{
    std::string error;
    EXPECT_FALSE(LaunchReplacer(Folder + "a\"b.exe", "/afterupgrade", umSelfUpgrade, error));
    EXPECT_NE(error.find("path"), std::string::npos) << error;
    EXPECT_FALSE(Exists(ReplacerPath())) << "nothing written for a path that cannot be passed on";

    error.clear();
    EXPECT_FALSE(LaunchReplacer(Program, "/afterupgrade", umRedirectToURL, error));
    EXPECT_FALSE(error.empty());

    // Another process holds the replacer's file: it cannot be written, and nothing is started.
    WriteBytes(ReplacerPath(), "busy");
    {
        TOwnedHandle held(CreateFileA(ReplacerPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        WriteBytes(Program + ".uTMP", "never installed");
        error.clear();
        EXPECT_FALSE(LaunchReplacer(Program, "/afterupgrade", umSelfUpgrade, error));
        EXPECT_NE(error.find("slReplacer.exe"), std::string::npos) << error;
    }
    EXPECT_EQ(ReadBytes(ReplacerPath()), "busy");
    EXPECT_EQ(WaitForFile(Program + ".log", 2000), "") << "nothing started";
    EXPECT_EQ(ReadBytes(Program + ".uTMP"), "never installed");
}

} // namespace
