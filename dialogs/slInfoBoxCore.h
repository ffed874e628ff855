// The message box's rules that need no window: flag mapping, sound aliases, button sets and the layout.
#pragma once

#include "Types.h"

#include <string>

namespace skyloom {

enum TslInfoBoxButtons { ibOK, ibOKCancel, ibYesNo, ibRetryAbort, ibYesNoCancel };
enum TslWinIconKind { ikInformation, ikQuestion, ikWarning, ikError, ikCustom };
enum TslSystemSoundType {
    stNoSound, stAsterisk, stCloseProgram, stCriticalStop, stDefaultSound, stExclamation, stExitWindows, stMaximize,
    stMenuCommand, stMenuPopup, stMinimize, stNewMailNotification, stOpenProgram, stProgramError, stQuestion,
    stRestoreDown, stRestoreUp, stStartWindows
};

// Modal results of the box's buttons.
constexpr int idInfoOK = 1;
constexpr int idInfoCancel = 2;
constexpr int idInfoAbort = 3;
constexpr int idInfoRetry = 4;
constexpr int idInfoYes = 6;
constexpr int idInfoNo = 7;

// The system's sound alias of a sound (empty for stNoSound).
const char* SystemSoundAlias(TslSystemSoundType sound);

// What ShowInfoBox makes of message-box style bits.
struct TslInfoBoxFlagMapping {
    std::string IconResID;  // "32515", "32513", "32514" or empty (the box's own information icon)
    TslSystemSoundType Sound = stAsterisk;
    TslInfoBoxButtons Buttons = ibOK;
};
TslInfoBoxFlagMapping MapInfoBoxFlags(unsigned flags, bool silent);

// The icon resource that an icon kind stands for ("" for information and custom).
std::string IconResIDOfKind(TslWinIconKind kind);

// The buttons of a set: up to three places (the panel's OK, Cancel and custom buttons), each with its modal
// result (0: hidden), the place that answers Escape when the box allows it (-1: none), and the spacing.
struct TslInfoBoxButtonSet {
    int Results[3] = {0, 0, 0};
    int EscapePlace = -1;
    int Spacing = 6;
};
TslInfoBoxButtonSet InfoBoxButtonSet(TslInfoBoxButtons buttons, bool escCancel);

struct TslInfoBoxButtonCaptions {
    std::string OK = "OK";
    std::string Cancel = "Cancel";
    std::string Yes = "&Yes";
    std::string No = "&No";
    std::string Retry = "&Retry";
    std::string Abort = "&Abort";
    // The caption of the button with this modal result; empty for a result no button has.
    std::string CaptionOf(int result) const;
};

// The box's layout from the sizes of its parts.
struct TslInfoBoxLayoutInput {
    int IconLeft = 12;
    int IconTop = 12;
    int IconWidth = 32;
    int IconHeight = 32;
    int TextTop = 12;
    int TextWidth = 0;   // measured at 299 pixels
    int TextHeight = 0;
    bool ShowCheckBox = true;
    int CheckBoxHeight = 17;
    bool HasPicture = false;
    int PictureWidth = 0;
    int PictureHeight = 0;
    int PanelHeight = 39;
};
struct TslInfoBoxLayout {
    int ClientWidth = 0;
    int ClientHeight = 0;
    int TextLeft = 0;
    int TextWidth = 0;
    int IconTop = 0;
    TRect CheckBox;  // empty without the check box
    TRect Picture;   // empty without a picture
};
TslInfoBoxLayout LayoutInfoBox(const TslInfoBoxLayoutInput& in);

} // namespace skyloom
