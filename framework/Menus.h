// Menus: items with captions, commands and click handlers; the form's menu bar and popup menus.
#pragma once

#include "Classes.h"
#include "WinHandles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skyloom {

class TMenu;

using TShortCut = std::uint16_t;
// Key code in the low byte; scShift, scCtrl, scAlt above it.
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(unsigned short key, TShiftState shift);
// "Ctrl+S", "F5", "Shift+Del"...; empty for 0.
std::string ShortCutToText(TShortCut shortCut);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

// A menu entry. A caption of "-" makes a separator. Items belong to their owner component like any other; a
// parent item lists its sub-items and frees the ones it still holds when it is freed.
class TMenuItem : public TComponent {
    friend class TMainMenu;
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    std::string Caption() const { return FCaption; }
    void SetCaption(const std::string& value) { if (UpdateField(FCaption, value)) Changed(); }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value) { if (UpdateField(FChecked, value)) Changed(); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { if (UpdateField(FEnabled, value)) Changed(); }
    // The item shown in bold and chosen by a double click (one per menu level).
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { if (UpdateField(FVisible, value)) Changed(); }
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool value) { if (UpdateField(FRadioItem, value)) Changed(); }
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak value) { if (UpdateField(FBreak, value)) Changed(); }
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value) { if (UpdateField(FShortCut, value)) Changed(); }
    std::string Hint;
    TNotifyEvent OnClick;

    bool IsLine() const { return FCaption == "-"; }
    // The command number the platform reports when this item is chosen; unique in the process.
    unsigned Command() const { return FCommand; }
    // Runs OnClick (when enabled).
    virtual void Click();

    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Delete(int index);
    void Clear();  // frees the sub-items
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return FParent; }
    int MenuIndex() const;
    TMenuItem* Find(const std::string& caption) const;
    // The item with this command number, here or below; nullptr if none.
    TMenuItem* FindCommand(unsigned command);
    // The sub-menu made of the sub-items (built on demand, rebuilt after changes).
    HMENU Handle();
    TMenu* GetParentMenu() const;

private:
    friend class TMenu;
    void Changed();
    void Build(HMENU menu);
    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FDefault = false;
    bool FVisible = true;
    bool FRadioItem = false;
    TMenuBreak FBreak = mbNone;
    TShortCut FShortCut = 0;
    unsigned FCommand = 0;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item of a menu
    TOwnedMenu FHandle;      // the root item's menu; sub-menus belong to it
    HMENU FSubHandle = nullptr;
    TOwnedMenu FOwnSub;
    bool FDirty = true;
    bool FPopupKind = true;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    TMenuItem& Items() { return *FItems; }
    HMENU Handle() { return FItems->Handle(); }
    TMenuItem* FindItem(unsigned command) { return FItems->FindCommand(command); }
    // Clicks the item with this command number; false when there is none.
    bool DispatchCommand(unsigned command);
    bool RightToLeft = false;

protected:
    friend class TMenuItem;
    friend class TMainMenu;
    virtual void MenuChanged() {}
    // The root menu was rebuilt; whoever shows the old one switches to the new one before it is destroyed.
    virtual void HandleReplaced(HMENU oldMenu, HMENU newMenu)
    {
        (void)oldMenu;
        (void)newMenu;
    }
    TMenuItem* FItems = nullptr;
};

// The menu bar of a form (TForm::SetMenu).
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;

protected:
    void MenuChanged() override;
    void HandleReplaced(HMENU oldMenu, HMENU newMenu) override;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    // Shows the menu at a screen point and returns when it closed; a chosen item's OnClick runs before.
    virtual void Popup(int x, int y);
    bool AutoPopup = true;
    TComponent* PopupComponent = nullptr;
    TNotifyEvent OnPopup;
    // The hidden window that receives the commands of every popup menu.
    static HWND PopupWindow();
};

} // namespace skyloom
