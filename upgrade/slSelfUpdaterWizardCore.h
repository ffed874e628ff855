// The wizard's and password dialog's rules that need no window: where the current-file lines go when the download
// address is hidden, the progress texts filled into the language block's formats, and the password dialog's
// field placement and height. Portable.
#pragma once

#include "SysUtils.h"
#include "Types.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace skyloom {

// The "Current file" box of the wizard and the tops of the lines inside it.
struct TslWizardFileBoxLayout {
    TRect Box;                 // the group box on the wizard
    bool ShowLocation = true;  // the "Downloading file from" caption and the address field
    int FileSizeTop = 0;
    int TransferRateTop = 0;
    int EstimatedTimeTop = 0;
    int ProgressTop = 0;
    friend bool operator==(const TslWizardFileBoxLayout&, const TslWizardFileBoxLayout&) = default;
};
TslWizardFileBoxLayout WizardFileBoxLayout(bool hideFileLocation);

// Fills the place holders of a wide format in order: "%s" takes text, every other place holder the next number
// (with the precision and width rules of Format); "%%" gives "%".
std::u16string FormatSelfUpdaterText(std::u16string_view format, std::initializer_list<TFormatArg> numbers,
                                     std::u16string_view text = {});

// "File size: %.1f Kb" with the announced length in kilobytes; empty for an unknown (negative) length.
std::u16string FileSizeText(std::u16string_view format, std::int64_t announcedLength);
// "Transfer rate: %.1f Kb/s"; a rate that is negative or not a number counts as 0.
std::u16string TransferRateText(std::u16string_view format, double kilobytesPerSecond);
// "Estimated time left: %d:%.2d:%.2d" with hours, minutes and seconds; negative counts as 0.
std::u16string TimeLeftText(std::u16string_view format, std::int64_t secondsLeft);
// "Downloading %d of %d".
std::u16string FileNumberText(std::u16string_view format, int number, int count);
// The completion note with the application title.
std::u16string CompletedNoteText(std::u16string_view format, std::u16string_view appTitle);

// A field of the password dialog with its caption on the left: the caption starts at the request text's left
// edge; the field keeps its designed place unless the caption would reach into it, then it starts a gap after the
// caption and keeps its right edge (never narrower than MinPasswordFieldWidth).
struct TslPasswordFieldPlace {
    int CaptionLeft = 0;
    int FieldLeft = 0;
    int FieldWidth = 0;
    friend bool operator==(const TslPasswordFieldPlace&, const TslPasswordFieldPlace&) = default;
};
inline constexpr int PasswordCaptionGap = 6;
inline constexpr int MinPasswordFieldWidth = 60;
TslPasswordFieldPlace PasswordFieldPlace(int textLeft, int captionWidth, int fieldLeft, int fieldWidth);

// The client height of the password dialog: the request text's bottom (or the icon's, when the text is shorter
// than the icon, so the fields never cover it) plus the bottom panel.
int PasswordClientHeight(int textTop, int textHeight, int iconBottom, int panelHeight);

} // namespace skyloom
