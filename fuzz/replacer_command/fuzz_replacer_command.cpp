// The replacer's command line: any text is read without fault, and whatever it reads as a command is built back
// into a line that reads as the same command.
#include "slReplacerCore.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skyloom;
    const std::string text(reinterpret_cast<const char*>(data), size);
    TslReplacerCommand command;
    const TslReplacerCommandKind kind = ParseReplacerCommandLine(text, command);
    if (kind != rcValid) {
        if (!command.ProgramPath.empty() || !command.RestartParams.empty() || command.ExternalSetup)
            __builtin_trap();
        return 0;
    }
    if (command.ProgramPath.empty() || text.find(command.ProgramPath) == std::string::npos ||
        text.find(command.RestartParams) == std::string::npos)
        __builtin_trap();
    const std::string line = ReplacerCommandLine("C:\\T\\slReplacer.exe", command);
    if (line.empty())
        return 0; // a path with a quote or a control character cannot be passed on
    TslReplacerCommand back;
    if (ParseReplacerCommandLine(line, back) != rcValid || back.ProgramPath != command.ProgramPath ||
        back.RestartParams != command.RestartParams || back.ExternalSetup != command.ExternalSetup)
        __builtin_trap();
    RestartCommandLine(command.ProgramPath, command.RestartParams);
    return 0;
}
