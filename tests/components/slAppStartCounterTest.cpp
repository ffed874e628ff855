#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "slAppStartCounter.h"

namespace skyloom {
namespace {

// Each test works below its own key of the current user, removed afterwards.
class AppStartCounter : public ::testing::Test {
protected:
    void SetUp() override
    {
        key_ = std::string("Software\\SkyloomTests\\StartCounter\\") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SkyloomTests"); }

    // One start of the program: a window-like root owns the counter, and loading runs its loaded step.
    int Start(const std::string& key, TslRegLocation location = rlCurrentUser)
    {
        int firstStarts = 0;
        TComponent root(nullptr);
        root.BeginLoading();
        auto* counter = new TslAppStartCounter(&root);
        counter->RegKey = key;
        counter->RegLocation = location;
        counter->OnFirstStart = [&](TObject* sender) {
            EXPECT_EQ(sender, counter) << "the counter is the sender";
            EXPECT_EQ(counter->Counter(), 1u) << "the count is stored before the event";
            EXPECT_NE(counter->InstallTime(), 0.0) << "the install time is stored before the event";
            ++firstStarts;
        };
        root.FinishLoading();
        return firstStarts;
    }

    struct Raw {
        bool exists = false;
        DWORD type = 0;
        DWORD size = 0;
        unsigned char data[16] = {};
    };
    Raw Read(const char* value, HKEY root = HKEY_CURRENT_USER) const
    {
        Raw r;
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, key_.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return r;
        r.size = sizeof r.data;
        r.exists = RegQueryValueExA(k, value, nullptr, &r.type, r.data, &r.size) == ERROR_SUCCESS;
        RegCloseKey(k);
        return r;
    }
    DWORD StoredCounter() const
    {
        Raw r = Read("Start Counter");
        DWORD v = 0;
        std::memcpy(&v, r.data, 4);
        return r.exists ? v : 0;
    }
    double StoredInstallTime() const
    {
        Raw r = Read("InstallTime");
        double v = 0;
        std::memcpy(&v, r.data, 8);
        return r.exists ? v : 0;
    }
    void WriteRaw(const char* value, DWORD type, const void* data, DWORD size) const
    {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, value, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(k);
    }
    void DeleteRaw(const char* value) const
    {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
        RegDeleteValueA(k, value);
        RegCloseKey(k);
    }

    std::string key_;
};

TEST_F(AppStartCounter, FirstStartInAnEmptyRegistry)
{
    const TDateTime before = Now();
    EXPECT_EQ(Start(key_), 1) << "OnFirstStart raised once";
    const TDateTime after = Now();
    Raw counter = Read("Start Counter");
    ASSERT_TRUE(counter.exists) << "the key and its parents are created";
    EXPECT_EQ(counter.type, DWORD(REG_DWORD));
    EXPECT_EQ(counter.size, 4u);
    EXPECT_EQ(StoredCounter(), 1u);
    Raw install = Read("InstallTime");
    ASSERT_TRUE(install.exists);
    EXPECT_EQ(install.type, DWORD(REG_BINARY));
    EXPECT_EQ(install.size, 8u);
    EXPECT_GE(StoredInstallTime(), before);
    EXPECT_LE(StoredInstallTime(), after);
}

TEST_F(AppStartCounter, LaterStartsCountWithoutTheEvent)
{
    ASSERT_EQ(Start(key_), 1);
    const double install = StoredInstallTime();
    for (DWORD n = 2; n <= 4; ++n) {
        EXPECT_EQ(Start(key_), 0) << "start " << n;
        EXPECT_EQ(StoredCounter(), n);
        EXPECT_EQ(StoredInstallTime(), install) << "InstallTime unchanged at start " << n;
    }
}

TEST_F(AppStartCounter, ValuesDeletedByHand)
{
    Start(key_);
    Start(key_);
    Start(key_);
    const double install = StoredInstallTime();

    DeleteRaw("InstallTime");
    const TDateTime before = Now();
    EXPECT_EQ(Start(key_), 0) << "a missing install time is no first start";
    EXPECT_EQ(StoredCounter(), 4u);
    EXPECT_GE(StoredInstallTime(), before) << "the install time is set again to the current moment";

    const double reinstalled = StoredInstallTime();
    DeleteRaw("Start Counter");
    EXPECT_EQ(Start(key_), 1) << "a missing counter makes a first start";
    EXPECT_EQ(StoredCounter(), 1u);
    EXPECT_EQ(StoredInstallTime(), reinstalled);
    EXPECT_NE(install, 0.0);
}

TEST_F(AppStartCounter, CounterWrapsAfterItsLargestValue)
{
    const DWORD last = 0xFFFFFFFFu;
    const double install = 45000.5;
    WriteRaw("Start Counter", REG_DWORD, &last, 4);
    WriteRaw("InstallTime", REG_BINARY, &install, 8);
    EXPECT_EQ(Start(key_), 0);
    EXPECT_EQ(StoredCounter(), 0u);
    EXPECT_EQ(StoredInstallTime(), install);
}

TEST_F(AppStartCounter, PropertiesReadTheRegistryAtEveryAccess)
{
    TslAppStartCounter counter(nullptr);
    counter.RegKey = "\\\\" + key_;  // leading backslashes are dropped
    EXPECT_EQ(counter.Counter(), 0u) << "missing key";
    EXPECT_EQ(counter.InstallTime(), 0.0) << "missing key";
    EXPECT_EQ(counter.LifeTime(), 0.0) << "no install time, no life time";

    const DWORD five = 5;
    WriteRaw("Start Counter", REG_DWORD, &five, 4);
    const double install = Now() - 1.5;
    WriteRaw("InstallTime", REG_BINARY, &install, 8);
    EXPECT_EQ(counter.Counter(), 5u);
    EXPECT_EQ(counter.InstallTime(), install);
    EXPECT_NEAR(counter.LifeTime(), 1.5, 1.0 / 86400) << "one and a half days after the first start";

    counter.SetCounter(77);
    counter.SetInstallTime(1.0);
    counter.SetLifeTime(2.0);
    EXPECT_EQ(counter.Counter(), 5u) << "writing the counter is ignored";
    EXPECT_EQ(counter.InstallTime(), install) << "writing the install time is ignored";
    EXPECT_EQ(StoredCounter(), 5u);
}

TEST_F(AppStartCounter, ValuesOfTheWrongShapeReadAsMissing)
{
    TslAppStartCounter counter(nullptr);
    counter.RegKey = key_;
    const char text[] = "12";
    WriteRaw("Start Counter", REG_SZ, text, sizeof text);
    const DWORD shortTime = 7;
    WriteRaw("InstallTime", REG_BINARY, &shortTime, 4);
    EXPECT_EQ(counter.Counter(), 0u) << "a string is no count";
    EXPECT_EQ(counter.InstallTime(), 0.0) << "four bytes are no date-time";
    EXPECT_EQ(Start(key_), 1) << "an unreadable counter counts as no start so far";
    EXPECT_EQ(StoredCounter(), 1u);
    EXPECT_EQ(Read("Start Counter").type, DWORD(REG_DWORD)) << "rewritten as a number";
    EXPECT_EQ(Read("InstallTime").size, 8u) << "rewritten as eight bytes";
}

TEST_F(AppStartCounter, ErrorInTheEventLeavesTheCountStored)
{
    TComponent root(nullptr);
    root.BeginLoading();
    auto* counter = new TslAppStartCounter(&root);
    counter->RegKey = key_;
    counter->OnFirstStart = [](TObject*) { throw Exception("Failed to create key x"); };
    EXPECT_THROW(root.FinishLoading(), Exception);
    EXPECT_EQ(StoredCounter(), 1u);
    EXPECT_NE(StoredInstallTime(), 0.0);
}

TEST_F(AppStartCounter, LocalMachineRoot)
{
    const std::string key = key_ + "LM";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    EXPECT_EQ(Start(key, rlLocalMachine), 1);
    EXPECT_EQ(Start(key, rlLocalMachine), 0);
    TslAppStartCounter counter(nullptr);
    counter.RegKey = key;
    counter.RegLocation = rlLocalMachine;
    EXPECT_EQ(counter.Counter(), 2u);
    counter.RegLocation = rlCurrentUser;
    EXPECT_EQ(counter.Counter(), 0u) << "the current user's root holds nothing";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\SkyloomTests");
}

TEST_F(AppStartCounter, DesignedCounterDoesNotCount)
{
    TComponent root(nullptr);
    root.BeginLoading();
    auto* counter = new TslAppStartCounter(&root);
    counter->RegKey = key_;
    bool fired = false;
    counter->OnFirstStart = [&](TObject*) { fired = true; };
    root.SetDesigning(true);
    root.FinishLoading();
    EXPECT_FALSE(fired);
    EXPECT_FALSE(Read("Start Counter").exists);
}

} // namespace
} // namespace skyloom
