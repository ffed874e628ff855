// The information-file reader and what the check does with its values: every file it lists came from the text,
// every value is a piece of the text, each file has exactly one signature entry (itself a piece of the text), and
// the decisions never fail.
#include "slSelfUpdaterCore.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skyloom;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TslInfoFileContents info = ReadInfoFile(text);
    for (const std::string& url : info.Files) {
        if (url.empty() || text.find(url) == std::string::npos)
            __builtin_trap();
        IsDownloadableFileURL(url);
        const std::string arg = RedirectArgument(url);
        if (!arg.empty() && (arg.front() != '"' || arg.back() != '"' || arg.find('"', 1) != arg.size() - 1))
            __builtin_trap();
    }
    if (info.Signatures.size() != info.Files.size())
        __builtin_trap();
    for (const std::string& signature : info.Signatures)
        if (text.find(signature) == std::string::npos)
            __builtin_trap();
    if (text.find(info.Message) == std::string::npos || text.find(info.Version) == std::string::npos)
        __builtin_trap();
    const TDateTime today = 46000;
    ReadReleaseDate(info.Date, today);
    const int ab = CompareVersions(info.Version, info.Date);
    const int ba = CompareVersions(info.Date, info.Version);
    if ((ab > 0) != (ba < 0) || (ab == 0) != (ba == 0))
        __builtin_trap();
    IsNewerRelease(byDate, info, info.Version, info.Date, today);
    UpgradeQuestionText("%s %s", info.Version, info.Date, "<AppTitle>", info.Message);
    PasswordRequestText(info.Message, info.Version, (size & 1) != 0);
    return 0;
}
