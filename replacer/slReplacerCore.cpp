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
