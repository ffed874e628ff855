// The texts handed to the shell: the program part of a registered "open" command, the browser argument of a web
// address and the "mailto:" text of a message, from arbitrary bytes.
#include "slLabelsCore.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The program is a piece of the command.
    const std::string program = skyloom::AssociationProgram(text);
    if (program.size() > text.size() || text.find(program) == std::string::npos)
        __builtin_trap();

    // The argument stays one argument: quotes only at its ends, no blank or control character inside.
    const std::string argument = skyloom::AddressArgument(skyloom::NormalizeWebAddress(text));
    if (argument.size() < 2 || argument.front() != '"' || argument.back() != '"')
        __builtin_trap();
    for (std::size_t i = 1; i + 1 < argument.size(); ++i) {
        const auto c = static_cast<unsigned char>(argument[i]);
        if (c <= 32 || c == '"' || c == 127)
            __builtin_trap();
    }

    // No field can add a parameter or a line to the mail text: the four markers appear once each.
    const std::string mail = skyloom::ComposeMailText(text, text, text, text, text, text);
    for (const char* marker : {"?Subject=", "&Body=", "&CC=", "&BCC="}) {
        const auto first = mail.find(marker);
        if (first == std::string::npos || mail.find(marker, first + 1) != std::string::npos)
            __builtin_trap();
    }
    if (mail.find_first_of("\r\n#") != std::string::npos)
        __builtin_trap();
    return 0;
}
