#include "slSystemInfoCore.h"

#include "SysUtils.h"

namespace skyloom {

TslOSVersion ClassifyWindows(const TslVersionRecord& record)
{
    if (!record.Valid)
        return osUnknown;
    if (record.NTPlatform) {
        switch (record.Major) {
        case 3:
            return osNT3;
        case 4:
            return osNT4;
        case 5:
            return record.Minor == 0 ? os2K : record.Minor == 1 ? osXP : os2003Server;
        default:
            return osUnknown;
        }
    }
    if (record.Major != 4)
        return osUnknown;
    const std::string service = Trim(record.Service);
    switch (record.Minor) {
    case 0:
        return service == "B" ? os95OSR2 : os95;
    case 10:
        return service == "A" ? os98SE : os98;
    case 90:
        return osME;
    default:
        return osUnknown;
    }
}

bool IsWinNT(TslOSVersion version)
{
    return version == osNT3 || version == osNT4 || version == os2K || version == osXP;
}

std::string StripMicrosoft(std::string_view productName)
{
    constexpr std::string_view prefix = "Microsoft ";
    const auto at = productName.find(prefix);
    if (at == std::string_view::npos)
        return std::string(productName);
    return std::string(productName.substr(0, at)) + std::string(productName.substr(at + prefix.size()));
}

std::string WinVersionText(const TslVersionRecord& record, std::string_view productName, std::string_view version)
{
    if (IsWinNT(ClassifyWindows(record)))
        return StripMicrosoft(productName);
    // Later NT systems keep no "Version" value; their product name is the only name they give.
    if (version.empty() && record.Valid && record.NTPlatform)
        return StripMicrosoft(productName);
    return std::string(version);
}

std::string WinVersionNumberText(const TslVersionRecord& record, std::string_view versionNumber)
{
    if (!versionNumber.empty())
        return std::string(versionNumber);
    if (!record.Valid)
        return "-1.-1.-1";
    return IntToStr(record.Major) + "." + IntToStr(record.Minor) + "." + IntToStr(record.Build & 0xFFFF);
}

int CPUFrequencyMHz(std::uint64_t stampCounts, std::uint64_t elapsed, std::uint64_t frequency)
{
    if (elapsed == 0 || frequency == 0)
        return 0;
    // counts per microsecond = counts * frequency / (elapsed * 1e6); long double keeps 64-bit products exact
    // enough for a figure rounded to ten.
    const long double mhz = static_cast<long double>(stampCounts) * static_cast<long double>(frequency) /
                            (static_cast<long double>(elapsed) * 1000000.0L);
    if (!(mhz >= 0) || mhz > 1.0e9L)
        return 0;
    const auto whole = static_cast<long long>(mhz);
    return static_cast<int>(whole / 10 * 10);
}

} // namespace skyloom
