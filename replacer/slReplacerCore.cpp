#include "slReplacerCore.h"

#include "SysUtils.h"

#include <algorithm>

namespace skyloom {

namespace {

bool HasControlOrQuote(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return c == '"' || static_cast<unsigned char>(c) < 32; });
}

// The rest of the line after its first word (a quoted word ends at its closing quote, another at the first blank).
std::string_view AfterFirstWord(std::string_view line)
{
    line = TrimLeftView(line);
    std::size_t end;
    if (!line.empty() && line.front() == '"') {
        end = line.find('"', 1);
        end = end == std::string_view::npos ? line.size() : end + 1;
    } else {
        end = 0;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
    }
    return line.substr(end);
}

} // namespace

std::string ReplacerCommandLine(std::string_view replacerPath, const TslReplacerCommand& command)
{
    if (replacerPath.empty() || command.ProgramPath.empty() || HasControlOrQuote(replacerPath) ||
        HasControlOrQuote(command.ProgramPath) ||
        std::any_of(command.RestartParams.begin(), command.RestartParams.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 32; }))
        return {};
    std::string line;
    line.reserve(replacerPath.size() + command.ProgramPath.size() + command.RestartParams.size() + 8);
    line += '"';
    line += replacerPath;
    line += "\" \"";
    line += command.ProgramPath;
    line += "\" +";
    line += command.RestartParams;
    line += command.ExternalSetup ? '1' : '0';
    return line;
}

TslReplacerCommandKind ParseReplacerCommandLine(std::string_view commandLine, TslReplacerCommand& command)
{
    command = {};
    std::string_view rest = TrimView(AfterFirstWord(commandLine));
    if (rest.empty())
        return rcNoArguments;

    std::string_view path;
    if (rest.front() == '"') {
        const std::size_t close = rest.find('"', 1);
        if (close == std::string_view::npos)
            return rcInvalid;
        path = rest.substr(1, close - 1);
        rest = TrimLeftView(rest.substr(close + 1));
        if (rest.empty() || rest.front() != '+')
            return rcInvalid;
    } else {
        const std::size_t plus = rest.find('+');
        if (plus == std::string_view::npos)
            return rcInvalid;
        path = TrimView(rest.substr(0, plus));
        rest = rest.substr(plus);
    }
    rest.remove_prefix(1); // the "+"
    if (path.empty() || rest.empty() || (rest.back() != '0' && rest.back() != '1'))
        return rcInvalid;
    command.ProgramPath = std::string(path);
    command.ExternalSetup = rest.back() == '1';
    command.RestartParams = std::string(rest.substr(0, rest.size() - 1));
    return rcValid;
}

std::string RestartCommandLine(std::string_view programPath, std::string_view restartParams)
{
    std::string line;
    line.reserve(programPath.size() + restartParams.size() + 3);
    line += '"';
    line += programPath;
    line += "\" ";
    line += restartParams;
    return line;
}

bool IsReplacerTempName(std::string_view name)
{
    return name.size() > ReplacerTempExtension.size() &&
           SameText(name.substr(name.size() - ReplacerTempExtension.size()), ReplacerTempExtension);
}

namespace {

std::uint32_t ReadLE(std::span<const std::uint8_t> bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

} // namespace

bool IsCompleteExecutable(std::span<const std::uint8_t> bytes)
{
    // The DOS header names where the image's own headers start.
    constexpr std::size_t dosHeaderSize = 64, newHeaderAt = 0x3C;
    if (bytes.size() < dosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const std::uint64_t pe = ReadLE(bytes, newHeaderAt, 4);
    // Signature "PE\0\0", then the file header: machine, section count, ..., optional header size, characteristics.
    constexpr std::size_t fileHeaderSize = 20;
    if (pe + 4 + fileHeaderSize > bytes.size() || ReadLE(bytes, static_cast<std::size_t>(pe), 4) != 0x00004550)
        return false;
    const std::size_t fileHeader = static_cast<std::size_t>(pe) + 4;
    const std::uint32_t sections = ReadLE(bytes, fileHeader + 2, 2);
    const std::uint32_t optionalSize = ReadLE(bytes, fileHeader + 16, 2);
    constexpr std::uint32_t executableImage = 0x0002, dll = 0x2000;
    const std::uint32_t characteristics = ReadLE(bytes, fileHeader + 18, 2);
    if (sections == 0 || (characteristics & executableImage) == 0 || (characteristics & dll) != 0)
        return false;
    constexpr std::uint64_t sectionHeaderSize = 40;
    const std::uint64_t table = fileHeader + fileHeaderSize + optionalSize;
    if (table + sections * sectionHeaderSize > bytes.size())
        return false;
    for (std::uint32_t i = 0; i < sections; ++i) {
        const std::size_t header = static_cast<std::size_t>(table + i * sectionHeaderSize);
        const std::uint64_t rawSize = ReadLE(bytes, header + 16, 4);
        const std::uint64_t rawAt = ReadLE(bytes, header + 20, 4);
        if (rawSize > 0 && rawAt + rawSize > bytes.size())
            return false;
    }
    return true;
}

std::string_view ReplacerTargetName(std::string_view downloadName)
{
    return IsReplacerTempName(downloadName) ? downloadName.substr(0, downloadName.size() - ReplacerTempExtension.size())
                                            : std::string_view();
}

TslReplacerPlan PlanReplacement(std::vector<TslReplacerFile> files, std::string_view programName, bool externalSetup)
{
    // The system lists a folder in an order of its own; sorting makes "the first executable" well defined.
    std::stable_sort(files.begin(), files.end(), [](const TslReplacerFile& a, const TslReplacerFile& b) {
        const std::string la = LowerCase(a.Name), lb = LowerCase(b.Name);
        return la != lb ? la < lb : a.Name < b.Name;
    });
    const std::string programTemp = std::string(programName) + std::string(ReplacerTempExtension);
    bool programReplacementPresent = std::any_of(
        files.begin(), files.end(), [&](const TslReplacerFile& f) { return SameText(f.Name, programTemp); });

    TslReplacerPlan plan;
    for (const TslReplacerFile& file : files) {
        if (!IsReplacerTempName(file.Name))
            continue;
        if (file.Incomplete) {
            plan.Skipped.push_back(file.Name);
            continue;
        }
        TslReplacerMove move;
        move.Source = file.Name;
        move.Target = std::string(ReplacerTargetName(file.Name));
        if (!programName.empty() && SameText(move.Target, programName) && !file.ProgramBuild) {
            plan.Refused = file.Name;
            continue;
        }
        if (!programReplacementPresent && IsExecutableTarget(move.Target) && (externalSetup || file.ProgramBuild)) {
            programReplacementPresent = true;
            if (externalSetup) {
                plan.SetupName = move.Target;
                move.Hidden = true;
            } else {
                move.Target = std::string(programName);
            }
        }
        if (!programName.empty() && SameText(move.Target, programName)) {
            move.Target = std::string(programName);
            move.IsProgram = true;
        }
        plan.Moves.push_back(std::move(move));
    }
    return plan;
}

} // namespace skyloom
