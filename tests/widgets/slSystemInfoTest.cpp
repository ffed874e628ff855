// System information on the running system.
#include "slSystemInfo.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

using namespace skyloom;

namespace {

TEST(SystemInfo, FactsKeepTheirForms)
{
    TslSystemInfo info(nullptr);
    const TslVersionRecord record = ReadVersionRecord();
    ASSERT_TRUE(record.Valid);
    EXPECT_EQ(info.OSVersion(), ClassifyWindows(record));
    EXPECT_EQ(info.WinNT(), IsWinNT(info.OSVersion()));
    const std::string name = info.WinVersion();
    EXPECT_FALSE(name.empty()) << "the system names itself";
    EXPECT_NE(name.rfind("Microsoft ", 0), 0u) << name;
    EXPECT_TRUE(std::regex_match(info.WinVersionNumber(), std::regex(R"(-?\d+\.-?\d+\.-?\d+.*)")))
        << info.WinVersionNumber();
}

TEST(SystemInfo, ClockMeasurementRestoresThePriorities)
{
    TslSystemInfo info(nullptr);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    const DWORD priorityClass = GetPriorityClass(GetCurrentProcess());
    const DWORD start = GetTickCount();
    const int mhz = info.CPUFrequency();
    EXPECT_GE(GetTickCount() - start, 40u) << "the measurement sleeps";
    EXPECT_GT(mhz, 0);
    EXPECT_EQ(mhz % 10, 0) << mhz;
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), priorityClass);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

} // namespace
