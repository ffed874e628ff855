#include "slLabelsCore.h"

#include "SysUtils.h"

#include <array>

namespace skyloom {

TPoint EffectOffset(TslLabelEffectDirection direction, int depth)
{
    static constexpr std::array<TPoint, 8> steps = {{
        {0, -1},  // edUp
        {0, 1},   // edDown
        {-1, 0},  // edLeft
        {1, 0},   // edRight
        {-1, -1}, // edUpLeft
        {1, -1},  // edUpRight
        {-1, 1},  // edDownLeft
        {1, 1},   // edDownRight
    }};
    const auto index = static_cast<std::size_t>(direction);
    if (index >= steps.size())
        return {};
    return {steps[index].X * depth, steps[index].Y * depth};
}

TslLabelFontState LabelFontState(bool pressed, bool mouseInside, bool fontClickUsed, bool fontHoverUsed)
{
    if (pressed && fontClickUsed)
        return lfsClick;
    if (mouseInside && fontHoverUsed)
        return lfsHover;
    return lfsNormal;
}

TslFontLook TextLook(const TslLabelLooks& looks, TslLabelFontState state)
{
    switch (state) {
    case lfsClick:
        return looks.Click;
    case lfsHover:
        return looks.Hover;
    default:
        return looks.Font;
    }
}

TslFontLook CopyLook(const TslLabelLooks& looks, const TslEffectColors& colors, TslLabelFontState state)
{
    switch (state) {
    case lfsClick:
        return {colors.Click, looks.Click.Style};
    case lfsHover:
        return {colors.Hover, looks.Hover.Style};
    default:
        return {colors.Normal, looks.Font.Style};
    }
}

bool HoverChangeRepaints(bool fontHoverUsed, bool pressed, const TslFontLook& hover, const TslFontLook& font)
{
    return fontHoverUsed && !pressed && hover != font;
}

bool ClickChangeRepaints(bool fontClickUsed, const TslFontLook& click, const TslFontLook& hover)
{
    return fontClickUsed && click != hover;
}

std::string NormalizeWebAddress(std::string_view address)
{
    if (address.find("://") != std::string_view::npos)
        return std::string(address);
    return "http://" + std::string(address);
}

namespace {

bool StartsWithText(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

void AppendEscaped(std::string& out, unsigned char c)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[c >> 4];
    out += digits[c & 15];
}

} // namespace

bool IsOpenableAddress(std::string_view address)
{
    const std::string trimmed = Trim(address);
    return StartsWithText(trimmed, "http://") || StartsWithText(trimmed, "https://") ||
           StartsWithText(trimmed, "mailto:");
}

std::string AddressArgument(std::string_view address)
{
    std::string out = "\"";
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 32 || c == 127 || c == '"')
            AppendEscaped(out, c);
        else
            out += ch;
    }
    out += '"';
    return out;
}

namespace {

void AppendField(std::string& out, std::string_view field)
{
    for (const char ch : field) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '&' || c == '?' || c == '#' || c == '%' || c == '\r' || c == '\n')
            AppendEscaped(out, c);
        else
            out += ch;
    }
}

} // namespace

std::string ComposeMailText(std::string_view address, std::string_view name, std::string_view subject,
                            std::string_view message, std::string_view carbonCopy, std::string_view blindCarbonCopy)
{
    std::string text = "mailto:";
    if (!name.empty()) {
        AppendField(text, name);
        text += " <";
        AppendField(text, address);
        text += '>';
    } else {
        AppendField(text, address);
    }
    text += "?Subject=";
    AppendField(text, subject);
    text += "&Body=";
    AppendField(text, message);
    text += "&CC=";
    AppendField(text, carbonCopy);
    text += "&BCC=";
    AppendField(text, blindCarbonCopy);
    return text;
}

namespace {

// Whether the last part of a Windows path (after a backslash or ":") has a dot. Slashes are not path separators
// here: " /" starts a switch of the command.
bool HasFileExtension(std::string_view path)
{
    const auto start = path.find_last_of("\\:");
    const auto name = start == std::string_view::npos ? path : path.substr(start + 1);
    return name.find('.') != std::string_view::npos;
}

} // namespace

std::string AssociationProgram(std::string_view command)
{
    const std::string cmd = Trim(command);
    if (cmd.empty())
        return {};
    std::string program;
    if (cmd[0] == '"') {
        const auto close = cmd.find('"', 1);
        program = close == std::string::npos ? cmd.substr(1) : cmd.substr(1, close - 1);
    } else {
        program = cmd;
        static constexpr std::string_view separators[] = {" -", " /", " \\", ",", " %", " \""};
        for (const auto separator : separators) {
            const auto at = cmd.find(separator);
            if (at == std::string::npos)
                continue;
            // The first separator present decides; the split stands only when the part before it still
            // names a file with an extension (a blank inside a folder name must not cut the program).
            if (HasFileExtension(cmd) && HasFileExtension(std::string_view(cmd).substr(0, at)))
                program = cmd.substr(0, at);
            break;
        }
    }
    // "rundll32.exe C:\x\y.dll,Entry" names a library; the program that runs it is the word that names
    // rundll, with the folder in front of it.
    const std::string upper = UpperCase(program);
    const auto rundll = upper.find("RUNDLL");
    if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".DLL") == 0 && rundll != std::string::npos)
        program = program.substr(0, program.find(' ', rundll));
    return Trim(program);
}

} // namespace skyloom
