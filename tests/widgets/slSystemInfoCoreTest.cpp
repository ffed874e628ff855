#include "slSystemInfoCore.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TslVersionRecord Record(bool nt, int major, int minor, std::uint32_t build = 0, const char* service = "")
{
    return {true, nt, major, minor, build, service};
}

TEST(SystemInfoRules, WindowsClassification)
{
    const struct {
        TslVersionRecord Record;
        TslOSVersion Expected;
        bool NT;
    } cases[] = {
        {Record(true, 3, 51), osNT3, true},
        {Record(true, 4, 0), osNT4, true},
        {Record(true, 5, 0), os2K, true},
        {Record(true, 5, 1, 2600, "Service Pack 3"), osXP, true},
        {Record(true, 5, 2), os2003Server, false},
        {Record(true, 5, 7), os2003Server, false},
        {Record(true, 6, 1, 7601), osUnknown, false},
        {Record(true, 10, 0, 19045), osUnknown, false},
        {Record(false, 4, 0), os95, false},
        {Record(false, 4, 0, 0, " B "), os95OSR2, false},
        {Record(false, 4, 0, 0, "C"), os95, false},
        {Record(false, 4, 10), os98, false},
        {Record(false, 4, 10, 0, " A"), os98SE, false},
        {Record(false, 4, 90), osME, false},
        {Record(false, 4, 3), osUnknown, false},
        {Record(false, 5, 0), osUnknown, false},
        {TslVersionRecord{}, osUnknown, false},
    };
    for (const auto& c : cases) {
        const TslOSVersion os = ClassifyWindows(c.Record);
        EXPECT_EQ(os, c.Expected) << (c.Record.NTPlatform ? "NT " : "9x ") << c.Record.Major << "." << c.Record.Minor
                                  << " '" << c.Record.Service << "'";
        EXPECT_EQ(IsWinNT(os), c.NT) << "WinNT for classification " << os;
    }
}

TEST(SystemInfoRules, WindowsName)
{
    const struct {
        TslVersionRecord Record;
        const char* ProductName;
        const char* Version;
        const char* Expected;
    } cases[] = {
        {Record(true, 5, 1), "Microsoft Windows XP", "", "Windows XP"},
        {Record(true, 5, 0), "Windows 2000 Microsoft Edition", "", "Windows 2000 Edition"},
        {Record(true, 4, 0), "Microsoft", "", "Microsoft"},
        {Record(true, 5, 1), "", "4.0", ""},
        {Record(false, 4, 10), "Microsoft Windows 98", "Windows 98", "Windows 98"},
        {Record(true, 5, 2), "Microsoft Windows Server 2003", "Server", "Server"},
        {Record(true, 5, 2), "Microsoft Windows Server 2003", "", "Windows Server 2003"},
        {Record(true, 10, 0), "Microsoft Windows 10 Pro", "", "Windows 10 Pro"},
        {Record(true, 6, 1), "Windows 7 Professional", "", "Windows 7 Professional"},
        {Record(false, 5, 0), "Anything", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WinVersionText(c.Record, c.ProductName, c.Version), c.Expected)
            << "product '" << c.ProductName << "', version '" << c.Version << "'";
}

TEST(SystemInfoRules, VersionNumber)
{
    EXPECT_EQ(WinVersionNumberText(Record(true, 5, 1, 2600), ""), "5.1.2600");
    EXPECT_EQ(WinVersionNumberText(Record(false, 4, 10, 0x040A08AE), ""), "4.10.2222") << "build from the low 16 bits";
    EXPECT_EQ(WinVersionNumberText(Record(true, 5, 1, 2600), "4.10.1998"), "4.10.1998") << "the registry value wins";
    EXPECT_EQ(WinVersionNumberText(TslVersionRecord{}, ""), "-1.-1.-1");
}

TEST(SystemInfoRules, ClockRoundsDownToTenMHz)
{
    const struct {
        std::uint64_t Counts, Elapsed, Frequency;
        int Expected;
    } cases[] = {
        {95760000, 40000, 1000000, 2390},        // 2394 MHz over exactly 40 ms
        {95760000, 400000, 10000000, 2390},      // the same with a 10 MHz counter
        {119600000, 40000, 1000000, 2990},       // 2990 stays
        {239400000, 80000, 1000000, 2990},       // a sleep that took 80 ms is divided by 80 ms, not 40
        {5000000000ULL, 1000000, 1000000, 5000}, // more counts than 32 bits hold
        {399, 1, 1000000, 390},
        {9, 1, 1000000, 0},
        {1000, 0, 1000000, 0},
        {1000, 10, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CPUFrequencyMHz(c.Counts, c.Elapsed, c.Frequency), c.Expected)
            << c.Counts << " counts in " << c.Elapsed << " / " << c.Frequency << " s";
}

} // namespace
} // namespace skyloom
