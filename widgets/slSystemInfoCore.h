// The facts of the system information component that need no system call: the Windows classification, the
// name and version texts built from what the system reports, and the processor clock from two counter readings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skyloom {

enum TslOSVersion { osUnknown, os95, os95OSR2, os98, os98SE, osNT3, osNT4, os2K, osME, osXP, os2003Server };

// What the system's version record says.
struct TslVersionRecord {
    bool Valid = false;  // false when the record could not be read
    bool NTPlatform = false;
    int Major = -1;
    int Minor = -1;
    std::uint32_t Build = 0;
    std::string Service;
};

TslOSVersion ClassifyWindows(const TslVersionRecord& record);
bool IsWinNT(TslOSVersion version);

// The product name without its first "Microsoft " (when present).
std::string StripMicrosoft(std::string_view productName);

// The Windows name: the product name on NT systems, the "Version" value on the others. A system of the NT
// platform without a "Version" value (later Windows, Wine) still names itself by its product name.
std::string WinVersionText(const TslVersionRecord& record, std::string_view productName, std::string_view version);

// The "VersionNumber" value, or major.minor.build from the record (build from its low 16 bits, each part -1
// when the record could not be read).
std::string WinVersionNumberText(const TslVersionRecord& record, std::string_view versionNumber);

// The processor clock in MHz, rounded down to a multiple of 10, from the time-stamp counts that passed while
// the performance counter advanced by elapsed at frequency counts a second; 0 when nothing was measured.
int CPUFrequencyMHz(std::uint64_t stampCounts, std::uint64_t elapsed, std::uint64_t frequency);

} // namespace skyloom
