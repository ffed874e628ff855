// The registry class and INI reading, against the registry and files of the test's own prefix.
#include "Registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace skyloom;

namespace {

const char kTestKey[] = "Software\\SkyloomTests\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TRegistry cleanup;
        cleanup.DeleteKey(std::string("\\") + kTestKey);
    }
    void TearDown() override
    {
        TRegistry cleanup;
        cleanup.DeleteKey("\\Software\\SkyloomTests");
    }
};

} // namespace

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes)
{
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_FALSE(reg.OpenKey(kTestKey, false)) << "a missing key is not created without asking";
    ASSERT_TRUE(reg.OpenKey(kTestKey, true));
    EXPECT_EQ(reg.CurrentPath(), kTestKey);
    const std::string command = "\"C:\\Program Files\\Skyloom\\skyloom.exe\" /tray";
    reg.WriteString("Skyloom 2", command);
    reg.WriteInteger("Start Counter", 7);
    reg.WriteFloat("InstallTime", 38895.5);
    const unsigned char blob[] = {0, 1, 2, 250, 255};
    reg.WriteBinaryData("Blob", blob, sizeof blob);
    reg.WriteBool("Flag", true);

    EXPECT_EQ(reg.ReadString("Skyloom 2"), "\"C:\\Program Files\\Skyloom\\skyloom.exe\" /tray");
    EXPECT_EQ(reg.GetDataSize("Skyloom 2"), static_cast<int>(command.size()) + 1)
        << "the stored size counts the terminating zero";
    EXPECT_EQ(reg.ReadInteger("Start Counter"), 7);
    EXPECT_EQ(reg.ReadFloat("InstallTime"), 38895.5);
    EXPECT_EQ(reg.GetDataSize("InstallTime"), 8) << "a float is stored as 8 raw bytes";
    unsigned char back[8] = {};
    EXPECT_EQ(reg.ReadBinaryData("Blob", back, sizeof back), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 5), std::string(reinterpret_cast<const char*>(blob), 5));
    EXPECT_EQ(reg.ReadBinaryData("Blob", back, 2), 2) << "a short buffer gets the first bytes";
    EXPECT_TRUE(reg.ReadBool("Flag"));
    EXPECT_TRUE(reg.ValueExists("Start Counter"));
    EXPECT_TRUE(reg.DeleteValue("Start Counter"));
    EXPECT_FALSE(reg.ValueExists("Start Counter"));
    EXPECT_FALSE(reg.DeleteValue("Start Counter")) << "deleting a missing value answers false";
    EXPECT_EQ(reg.ReadString("missing"), "") << "a missing string reads as empty";
    EXPECT_EQ(reg.GetValueNames().size(), 4u);
}

TEST_F(RegistryTest, ReadErrorsCarryTheValueName)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTestKey, true));
    reg.WriteString("Text", "abc");
    struct Case {
        const char* what;
        std::function<void()> read;
        std::string message;
    } cases[] = {
        {"missing integer", [&] { reg.ReadInteger("Nope"); }, "Failed to get data for 'Nope'"},
        {"integer from text", [&] { reg.ReadInteger("Text"); }, "Invalid data type for 'Text'"},
        {"float from text", [&] { reg.ReadFloat("Text"); }, "Invalid data type for 'Text'"},
        {"missing binary", [&] {
             char b[4];
             reg.ReadBinaryData("Nope", b, 4);
         }, "Failed to get data for 'Nope'"},
    };
    for (const Case& c : cases) {
        try {
            c.read();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message, c.message) << c.what;
        }
    }
}

TEST_F(RegistryTest, WriteErrorsUseTheSettingsTexts)
{
    // A key opened for reading only cannot take a value.
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey(kTestKey, true));
    }
    TRegistry reg(KEY_READ);
    ASSERT_TRUE(reg.OpenKey(kTestKey, false));
    try {
        reg.WriteString("Skyloom 2", "x");
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, "Failed to set data for 'Skyloom 2'");
    }
    // A key that cannot be created (here: below a root that is no key at all).
    TRegistry bad;
    bad.SetRootKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7654321)));
    try {
        bad.CreateKey("Software\\Skyloom");
        ADD_FAILURE() << "a key was created below nothing";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, "Failed to create key Software\\Skyloom");
    }
    EXPECT_FALSE(bad.OpenKey("Software", true)) << "opening reports failure instead of raising";
    // Without an open key, a write has nowhere to go.
    TRegistry closed;
    try {
        closed.WriteInteger("Start Counter", 1);
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, "Failed to set data for 'Start Counter'");
    }
}

TEST_F(RegistryTest, KeysAreCreatedFoundAndDeletedWithTheirChildren)
{
    TRegistry reg;
    reg.CreateKey(std::string(kTestKey) + "\\A\\B");
    EXPECT_TRUE(reg.KeyExists(std::string(kTestKey) + "\\A\\B"));
    ASSERT_TRUE(reg.OpenKey(kTestKey, false));
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"A"});
    EXPECT_TRUE(reg.OpenKey("A", false)) << "relative to the open key";
    EXPECT_EQ(reg.CurrentPath(), std::string(kTestKey) + "\\A");
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey(std::string(kTestKey) + "\\A"));
    EXPECT_FALSE(reg.KeyExists(std::string(kTestKey) + "\\A"));
    EXPECT_FALSE(reg.DeleteKey(std::string(kTestKey) + "\\A"));
}

namespace {

std::string TempIni(const std::string& name, const std::string& content)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

} // namespace

TEST(IniFile, ReadsThroughTheProfileFunctions)
{
    std::string longValue(3000, 'x');
    std::string path = TempIni("skyloom_ini_test.ini", "[Skyloom]\r\nping=one.example\r\nrss=\r\nlong=" + longValue +
                                                           "\r\nnumber= 42\r\n[Other]\r\nping=other\r\n");
    TIniFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        std::string expected;
    } cases[] = {
        {"Skyloom", "ping", "one.example"},
        {"skyloom", "PING", "one.example"},  // names are found regardless of case
        {"Skyloom", "rss", ""},              // present but empty: empty, not the default
        {"Skyloom", "missing", "default"},
        {"Nowhere", "ping", "default"},
        {"Other", "ping", "other"},
        {"Skyloom", "long", std::string(2047, 'x')},  // cut to the buffer
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(ini.ReadInteger("Skyloom", "number", -1), 42);
    EXPECT_EQ(ini.ReadInteger("Skyloom", "ping", -1), -1);
    EXPECT_TRUE(ini.SectionExists("Other"));
    EXPECT_FALSE(ini.SectionExists("Nowhere"));
    EXPECT_TRUE(ini.ValueExists("Skyloom", "rss"));
    EXPECT_EQ(ini.ReadSection("Skyloom").size(), 4u);
    TIniFile missing(path + ".absent");
    EXPECT_EQ(missing.ReadString("Skyloom", "ping", "fallback"), "fallback") << "a missing file gives the default";
    ini.WriteString("Skyloom", "added", "v");
    EXPECT_EQ(ini.ReadString("Skyloom", "added", ""), "v");
    std::remove(path.c_str());
}
