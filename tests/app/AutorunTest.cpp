#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "AppSettings.h"
#include "Autorun.h"
#include "Classes.h"
#include "Registry.h"

namespace skyloom {
namespace {

struct RawValue {
    bool exists = false;
    DWORD type = 0;
    std::string data;
};

RawValue ReadRaw(const char* key, const char* name)
{
    RawValue v;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return v;
    char buf[1024] = {};
    DWORD size = sizeof buf;
    v.exists = RegQueryValueExA(k, name, nullptr, &v.type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS;
    v.data.assign(buf, size);
    RegCloseKey(k);
    return v;
}

void WriteRaw(const char* key, const char* name, const std::string& text)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    RegCloseKey(k);
}

void DeleteRaw(const char* key, const char* name)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, name);
        RegCloseKey(k);
    }
}

// The tests use a value name of their own, so the program's registration in this prefix is never touched.
constexpr const char* Name = "Skyloom Test Autorun";

class Autorun : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        DeleteRaw(RunKey, Name);
        DeleteRaw(RunOnceKey, Name);
        DeleteRaw(RunOnceKey, "Skyloom Test Other");
    }
};

TEST_F(Autorun, AddWritesTheCommandAsAStringWithItsZeroByte)
{
    const std::string command = AutorunCommand("C:\\Program Files\\Sky loom\\skyloom.exe");
    AddToAutorun(Name, command);
    RawValue v = ReadRaw(RunKey, Name);
    ASSERT_TRUE(v.exists);
    EXPECT_EQ(v.type, DWORD(REG_SZ));
    EXPECT_EQ(v.data, command + '\0') << "the stored size counts the terminating zero";
    EXPECT_TRUE(IsInAutorun(Name));
    EXPECT_FALSE(ReadRaw(RunOnceKey, Name).exists) << "adding writes Run only";
}

TEST_F(Autorun, AddReplacesAnOlderCommand)
{
    WriteRaw(RunKey, Name, "\"C:\\old\\skyloom.exe\" /tray");
    AddToAutorun(Name, "\"D:\\new\\skyloom.exe\" /tray");
    EXPECT_EQ(ReadRaw(RunKey, Name).data, std::string("\"D:\\new\\skyloom.exe\" /tray") + '\0');
}

TEST_F(Autorun, RemoveClearsRunAndRunOnceOnly)
{
    WriteRaw(RunKey, Name, "a");
    WriteRaw(RunOnceKey, Name, "b");
    WriteRaw(RunOnceKey, "Skyloom Test Other", "c");
    RemoveFromAutorun(Name);
    EXPECT_FALSE(ReadRaw(RunKey, Name).exists);
    EXPECT_FALSE(ReadRaw(RunOnceKey, Name).exists);
    EXPECT_TRUE(ReadRaw(RunOnceKey, "Skyloom Test Other").exists) << "other values stay";
    EXPECT_FALSE(IsInAutorun(Name));
}

TEST_F(Autorun, RemoveIsSilentWhenThereIsNothingToRemove)
{
    EXPECT_NO_THROW(RemoveFromAutorun(Name));
    WriteRaw(RunOnceKey, Name, "only here");
    EXPECT_NO_THROW(RemoveFromAutorun(Name)) << "missing in Run, present in RunOnce";
    EXPECT_FALSE(ReadRaw(RunOnceKey, Name).exists) << "RunOnce is cleared even when Run had nothing";
}

TEST_F(Autorun, RegisteredOnlyWhenTheRunValueExists)
{
    EXPECT_FALSE(IsInAutorun(Name));
    WriteRaw(RunOnceKey, Name, "x");
    EXPECT_FALSE(IsInAutorun(Name)) << "RunOnce does not count";
    WriteRaw(RunKey, Name, "");
    EXPECT_TRUE(IsInAutorun(Name)) << "an empty command still counts as registered";
}

} // namespace
} // namespace skyloom
