#include "slFormSystemMenuCore.h"

namespace skyloom {

void ResetSystemMenu(ISystemMenuTarget& target, const TSystemMenuSetup& setup)
{
    const std::uint32_t before = target.Style();
    std::uint32_t style = before;
    target.RevertMenu();
    const bool stripFrame = !setup.Active && !setup.Designing;
    switch (setup.Border) {
    case smbSingle:
        target.EnableCommand(scSize);
        if (stripFrame)
            style &= ~wsThickFrame;
        break;
    case smbDialog:
    case smbToolWindow:
        target.DeleteCommand(scSize);
        if (stripFrame)
            style &= ~wsThickFrame;
        break;
    default:
        break;
    }
    if (setup.Border == smbDialog || setup.Border == smbToolWindow || setup.Border == smbSizeToolWin) {
        target.DeleteCommand(scRestore);
        target.DeleteCommand(scMinimize);
        target.DeleteCommand(scMaximize);
        target.DeleteCommand(scSeparator);
        if (!setup.Active)
            style &= ~(wsMinimizeBox | wsMaximizeBox);
    }
    if (style != before) {
        target.SetStyle(style);
        target.RefreshFrame();
    }
}

void UpdateSystemMenu(ISystemMenuTarget& target, const TSystemMenuSetup& setup, const TslFormSystemMenuItems& items)
{
    ResetSystemMenu(target, setup);
    if (!setup.Active)
        return;
    const struct {
        TslSystemMenuItemState State;
        unsigned Command;
    } commands[] = {
        {items.Restore(), scRestore},   {items.Move(), scMove},         {items.Size(), scSize},
        {items.Minimize(), scMinimize}, {items.Maximize(), scMaximize}, {items.Close(), scClose},
        {items.MDINext(), scNextWindow},
    };
    for (const auto& c : commands) {
        if (c.State == isDisabled)
            target.GrayCommand(c.Command);
        else if (c.State == isHidden)
            target.DeleteCommand(c.Command);
    }
    if (items.Separator() == isHidden)
        target.DeleteCommand(scSeparator);

    const std::uint32_t before = target.Style();
    std::uint32_t style = before;
    auto apply = [&style](bool on, std::uint32_t bit) { style = on ? style | bit : style & ~bit; };
    apply(items.Minimize() == isActive, wsMinimizeBox);
    apply(items.Maximize() == isActive, wsMaximizeBox);
    if (!setup.Designing && setup.Border != smbSingle)
        apply(items.Size() == isActive, wsThickFrame);
    if (style != before) {
        target.SetStyle(style);
        target.RefreshFrame();
    }
    target.InsertItems();
}

} // namespace skyloom
