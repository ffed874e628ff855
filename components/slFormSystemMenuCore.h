#pragma once
// The standard commands of a window's system menu and the rules that rebuild the menu from a form's settings.
// The window side lives in slFormSystemMenu_win.cpp; this part is plain logic over an abstract menu.

#include <cstdint>
#include <functional>

namespace skyloom {

enum TslSystemMenuItemState { isActive, isHidden, isDisabled };

// Standard system commands, with the platform's numbers.
enum : unsigned {
    scSize = 0xF000,
    scMove = 0xF010,
    scMinimize = 0xF020,
    scMaximize = 0xF030,
    scNextWindow = 0xF040,
    scClose = 0xF060,
    scKeyMenu = 0xF100,
    scRestore = 0xF120,
    scSeparator = 0, // the system menu's separator carries command number 0
};

// Window style bits the menu switches, with the platform's values.
enum : std::uint32_t {
    wsMaximizeBox = 0x00010000,
    wsMinimizeBox = 0x00020000,
    wsThickFrame = 0x00040000,
};

// The border kinds of a form, as far as the system menu cares.
enum TslSysMenuBorder { smbNone, smbSingle, smbSizeable, smbDialog, smbToolWindow, smbSizeToolWin };

class TslFormSystemMenuItems {
public:
    TslSystemMenuItemState Restore() const { return FRestore; }
    TslSystemMenuItemState Move() const { return FMove; }
    TslSystemMenuItemState Size() const { return FSize; }
    TslSystemMenuItemState Minimize() const { return FMinimize; }
    TslSystemMenuItemState Maximize() const { return FMaximize; }
    TslSystemMenuItemState Close() const { return FClose; }
    TslSystemMenuItemState MDINext() const { return FMDINext; }
    TslSystemMenuItemState Separator() const { return FSeparator; }

    void SetRestore(TslSystemMenuItemState v) { Set(FRestore, v); }
    void SetMove(TslSystemMenuItemState v) { Set(FMove, v); }
    void SetSize(TslSystemMenuItemState v) { Set(FSize, v); }
    void SetMinimize(TslSystemMenuItemState v) { Set(FMinimize, v); }
    void SetMaximize(TslSystemMenuItemState v) { Set(FMaximize, v); }
    void SetClose(TslSystemMenuItemState v) { Set(FClose, v); }
    void SetMDINext(TslSystemMenuItemState v) { Set(FMDINext, v); }
    void SetSeparator(TslSystemMenuItemState v) { Set(FSeparator, v); }

    // Raised after any setting changed, so the owner can rebuild the menu at once.
    std::function<void()> OnChange;

private:
    void Set(TslSystemMenuItemState& field, TslSystemMenuItemState v)
    {
        field = v;
        if (OnChange)
            OnChange();
    }

    TslSystemMenuItemState FRestore = isActive;
    TslSystemMenuItemState FMove = isActive;
    TslSystemMenuItemState FSize = isActive;
    TslSystemMenuItemState FMinimize = isActive;
    TslSystemMenuItemState FMaximize = isActive;
    TslSystemMenuItemState FClose = isActive;
    TslSystemMenuItemState FMDINext = isActive;
    TslSystemMenuItemState FSeparator = isActive;
};

// The window whose system menu is rebuilt.
class ISystemMenuTarget {
public:
    virtual ~ISystemMenuTarget() = default;
    virtual void RevertMenu() = 0;
    virtual void EnableCommand(unsigned command) = 0;
    virtual void GrayCommand(unsigned command) = 0;
    virtual void DeleteCommand(unsigned command) = 0;
    virtual std::uint32_t Style() = 0;
    virtual void SetStyle(std::uint32_t style) = 0;
    virtual void RefreshFrame() = 0;
    virtual void InsertItems() = 0;
};

struct TSystemMenuSetup {
    TslSysMenuBorder Border = smbSingle;
    bool Active = true;
    bool Designing = false;
};

// Reverts the menu to the platform's default and fits the frame to the border (the reset step).
void ResetSystemMenu(ISystemMenuTarget& target, const TSystemMenuSetup& setup);
// The reset step, then, when active, the standard commands by `items`, the frame buttons and the inserted items.
void UpdateSystemMenu(ISystemMenuTarget& target, const TSystemMenuSetup& setup, const TslFormSystemMenuItems& items);

} // namespace skyloom
