#include "slInfoBoxCore.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace skyloom {

const char* SystemSoundAlias(TslSystemSoundType sound)
{
    switch (sound) {
    case stNoSound:
        return "";
    case stAsterisk:
        return "SystemAsterisk";
    case stCloseProgram:
        return "Close";
    case stCriticalStop:
        return "SystemHand";
    case stDefaultSound:
        return ".Default";
    case stExclamation:
        return "SystemExclamation";
    case stExitWindows:
        return "SystemExit";
    case stMaximize:
        return "Maximize";
    case stMenuCommand:
        return "MenuCommand";
    case stMenuPopup:
        return "MenuPopup";
    case stMinimize:
        return "Minimize";
    case stNewMailNotification:
        return "MailBeep";
    case stOpenProgram:
        return "Open";
    case stProgramError:
        return "AppGPFault";
    case stQuestion:
        return "SystemQuestion";
    case stRestoreDown:
        return "RestoreDown";
    case stRestoreUp:
        return "RestoreUp";
    case stStartWindows:
        return "SystemStart";
    }
    return "";
}

TslInfoBoxFlagMapping MapInfoBoxFlags(unsigned flags, bool silent)
{
    TslInfoBoxFlagMapping m;
    if ((flags & 0x30) == 0x30) {
        m.IconResID = "32515";
        m.Sound = stExclamation;
    } else if (flags & 0x10) {
        m.IconResID = "32513";
        m.Sound = stCriticalStop;
    } else if (flags & 0x20) {
        m.IconResID = "32514";
        m.Sound = stQuestion;
    } else {
        m.Sound = stAsterisk;
    }
    if (silent)
        m.Sound = stNoSound;
    if ((flags & 0xF) == 3)
        m.Buttons = ibYesNoCancel;
    else if (flags & 1)
        m.Buttons = ibOKCancel;
    else if (!(flags & 4))
        m.Buttons = ibOK;
    else
        m.Buttons = ibYesNo;
    return m;
}

std::string IconResIDOfKind(TslWinIconKind kind)
{
    switch (kind) {
    case ikQuestion:
        return "32514";
    case ikWarning:
        return "32515";
    case ikError:
        return "32513";
    default:
        return "";
    }
}

TslInfoBoxButtonSet InfoBoxButtonSet(TslInfoBoxButtons buttons, bool escCancel)
{
    // Indexed by TslInfoBoxButtons.
    static constexpr TslInfoBoxButtonSet kSets[] = {
        {{idInfoOK, 0, 0}, 0, 6},
        {{idInfoOK, idInfoCancel, 0}, 1, 20},
        {{idInfoYes, idInfoNo, 0}, 1, 20},
        {{idInfoRetry, idInfoAbort, 0}, 1, 20},
        {{idInfoYes, idInfoNo, idInfoCancel}, 2, 10},
    };
    TslInfoBoxButtonSet s;
    if (buttons >= 0 && static_cast<std::size_t>(buttons) < std::size(kSets))
        s = kSets[buttons];
    if (!escCancel)
        s.EscapePlace = -1;
    return s;
}

std::string TslInfoBoxButtonCaptions::CaptionOf(int result) const
{
    using T = TslInfoBoxButtonCaptions;
    static constexpr std::pair<int, std::string T::*> kCaptions[] = {
        {idInfoOK, &T::OK}, {idInfoCancel, &T::Cancel}, {idInfoYes, &T::Yes},
        {idInfoNo, &T::No}, {idInfoRetry, &T::Retry},   {idInfoAbort, &T::Abort},
    };
    for (const auto& [id, caption] : kCaptions)
        if (id == result)
            return this->*caption;
    return {};
}

TslInfoBoxLayout LayoutInfoBox(const TslInfoBoxLayoutInput& in)
{
    TslInfoBoxLayout out;
    out.TextLeft = 2 * in.IconLeft + in.IconWidth;
    out.TextWidth = in.ShowCheckBox ? std::max(in.TextWidth, 210) : in.TextWidth;
    out.ClientWidth = out.TextWidth + in.IconWidth + 3 * in.IconLeft;
    out.IconTop = in.IconTop;
    const int textBottom = in.TextTop + in.TextHeight;
    const int iconBottom = in.IconTop + in.IconHeight;
    int next;  // where the check box (or the end of the content) goes
    if (in.HasPicture) {
        int left = (out.ClientWidth - in.PictureWidth) / 2;
        out.Picture = Bounds(left, textBottom + 15, in.PictureWidth, in.PictureHeight);
        next = out.Picture.Bottom + 15;
    } else {
        next = std::max(textBottom, iconBottom - in.PanelHeight) + 15;
    }
    if (in.ShowCheckBox) {
        out.CheckBox = Bounds(out.TextLeft, next, out.ClientWidth - out.TextLeft - 30, in.CheckBoxHeight);
        out.ClientHeight = in.PanelHeight + next + in.CheckBoxHeight + 4;
    } else {
        out.ClientHeight = in.PanelHeight + next;
    }
    if (iconBottom > out.ClientHeight - in.PanelHeight)
        out.IconTop -= 4;
    return out;
}

} // namespace skyloom
