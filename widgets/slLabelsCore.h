// The rules behind the effect and link labels that need no window: where the highlight and shadow copies go,
// which colours and styles each layer takes, when a mouse change repaints, and the texts handed to the shell
// (web addresses, mail texts, the program registered for a file type).
#pragma once

#include "Types.h"

#include <string>
#include <string_view>

namespace skyloom {

enum TslLabelEffectDirection { edUp, edDown, edLeft, edRight, edUpLeft, edUpRight, edDownLeft, edDownRight };

// The offset of an effect copy: the direction's unit step times depth.
TPoint EffectOffset(TslLabelEffectDirection direction, int depth);

// Which of the three font variants a label draws with.
enum TslLabelFontState { lfsNormal, lfsHover, lfsClick };
TslLabelFontState LabelFontState(bool pressed, bool mouseInside, bool fontClickUsed, bool fontHoverUsed);

// A colour and a set of styles (the TFontStyleFlag bits), as the style fonts hold them.
struct TslFontLook {
    TColor Color = clWindowText;
    unsigned Style = 0;
    friend bool operator==(const TslFontLook&, const TslFontLook&) = default;
};

// The three colours of an effect copy, one per label state.
struct TslEffectColors {
    TColor Normal = clWindowText;
    TColor Hover = clWindowText;
    TColor Click = clWindowText;
};

// The look of each layer in a state: the text itself, and a copy with the given effect colours.
struct TslLabelLooks {
    TslFontLook Font;   // the label's own font
    TslFontLook Hover;  // FontHover
    TslFontLook Click;  // FontClick
};
TslFontLook TextLook(const TslLabelLooks& looks, TslLabelFontState state);
TslFontLook CopyLook(const TslLabelLooks& looks, const TslEffectColors& colors, TslLabelFontState state);

// Entering or leaving repaints only when it can change what is drawn.
bool HoverChangeRepaints(bool fontHoverUsed, bool pressed, const TslFontLook& hover, const TslFontLook& font);
bool ClickChangeRepaints(bool fontClickUsed, const TslFontLook& click, const TslFontLook& hover);

// A web address as the browser gets it: "http://" in front when it names no scheme ("://").
std::string NormalizeWebAddress(std::string_view address);
// Only web and mail addresses are handed to a browser or the shell; anything else (files, programs, other
// schemes) is refused.
bool IsOpenableAddress(std::string_view address);
// The address as a single command-line argument: in double quotes, with quotes, blanks and control characters
// percent-encoded so that nothing of it can end the argument.
std::string AddressArgument(std::string_view address);

// The "mailto:" text of a new message. "&", "?", "#", "%", CR and LF inside a field are percent-encoded so
// that no field can start another one; every other byte is passed unchanged.
std::string ComposeMailText(std::string_view address, std::string_view name, std::string_view subject,
                            std::string_view message, std::string_view carbonCopy, std::string_view blindCarbonCopy);

// The program part of a registered "open" command ("\"C:\\x\\iexplore.exe\" -nohome" gives
// "C:\\x\\iexplore.exe").
std::string AssociationProgram(std::string_view command);

// Room the ellipsis options may need beyond the caption when the platform writes the shortened text back.
constexpr std::size_t EllipsisReserve = 4;

} // namespace skyloom
