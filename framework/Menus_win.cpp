#include "Menus.h"
#include "Controls.h"
#include "Forms.h"

#include <algorithm>
#include <utility>

namespace skyloom {

namespace {

// The shift keys of a shortcut, in the order its text names them.
struct TShortCutShift {
    TShiftState Shift;
    TShortCut Flag;
    const char* Text;
};
constexpr TShortCutShift kShortCutShifts[] = {
    {ssShift, scShift, "Shift+"}, {ssCtrl, scCtrl, "Ctrl+"}, {ssAlt, scAlt, "Alt+"}};

} // namespace

TShortCut ShortCut(unsigned short key, TShiftState shift)
{
    TShortCut s = static_cast<TShortCut>(key & 0xFF);
    for (const auto& row : kShortCutShifts)
        if (shift & row.Shift)
            s |= row.Flag;
    return s;
}

std::string ShortCutToText(TShortCut shortCut)
{
    if (shortCut == 0)
        return std::string();
    std::string text;
    for (const auto& row : kShortCutShifts)
        if (shortCut & row.Flag)
            text += row.Text;
    unsigned key = shortCut & 0xFF;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return text + static_cast<char>(key);
    if (key >= VK_F1 && key <= VK_F24)
        return text + "F" + std::to_string(key - VK_F1 + 1);
    static const std::pair<unsigned, const char*> named[] = {{VK_DELETE, "Del"},   {VK_INSERT, "Ins"},
                                                             {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
                                                             {VK_SPACE, "Space"},  {VK_BACK, "BkSp"},
                                                             {VK_TAB, "Tab"}};
    for (const auto& [code, name] : named)
        if (key == code)
            return text + name;
    char name[64] = {};
    UINT scan = MapVirtualKeyA(key, 0);
    if (scan && GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof name) > 0)
        return text + name;
    return text;
}

namespace {

unsigned NextCommand()
{
    // Below the platform's system commands (0xF000 and up); 0 is never used.
    static unsigned next = 0;
    next = next % 0xEFFF + 1;
    return next;
}

} // namespace

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(NextCommand()) {}

TMenuItem::~TMenuItem()
{
    SetDestroying();
    // Sub-items still listed here go with us (each also leaves its owner's list as it goes).
    while (!FItems.empty()) {
        TMenuItem* item = FItems.back();
        FItems.pop_back();
        item->FParent = nullptr;
        delete item;
    }
    if (FParent)
        FParent->Remove(this);
}

void TMenuItem::Changed()
{
    for (TMenuItem* item = this; item; item = item->FParent) {
        item->FDirty = true;
        if (item->FMenu && !item->FParent) {
            if (!item->Destroying() && !item->FMenu->Destroying())
                item->FMenu->MenuChanged();
            return;
        }
    }
}

void TMenuItem::SetDefault(bool value)
{
    if (FDefault == value)
        return;
    if (value && FParent)
        for (TMenuItem* sibling : FParent->FItems)
            sibling->FDefault = false;
    FDefault = value;
    Changed();
}

void TMenuItem::Click()
{
    if (FEnabled)
        Fire(OnClick, this);
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item)
        return;
    if (item->FParent)
        throw EInvalidOperation("Menu inserted twice");
    if (index < 0 || index > Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item)
{
    if (!RemoveFrom(FItems, item))
        return;
    item->FParent = nullptr;
    item->FSubHandle = nullptr;
    Changed();
}

void TMenuItem::Delete(int index)
{
    TMenuItem* item = Items(index);
    Remove(item);
}

void TMenuItem::Clear()
{
    while (!FItems.empty()) {
        TMenuItem* item = FItems.back();
        Remove(item);
        delete item;
    }
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    return FItems[static_cast<std::size_t>(index)];
}

int TMenuItem::MenuIndex() const { return FParent ? IndexIn(FParent->FItems, this) : -1; }

TMenuItem* TMenuItem::Find(const std::string& caption) const
{
    for (TMenuItem* item : FItems)
        if (item->FCaption == caption)
            return item;
    return nullptr;
}

TMenuItem* TMenuItem::FindCommand(unsigned command)
{
    if (FCommand == command && FParent)
        return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->FindCommand(command))
            return found;
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* item = this;
    while (item->FParent)
        item = item->FParent;
    return item->FMenu;
}

void TMenuItem::Build(HMENU menu)
{
    UINT position = 0;
    for (TMenuItem* item : FItems) {
        if (!item->FVisible)
            continue;
        std::string text = item->FCaption;
        if (item->FShortCut && item->FItems.empty())
            text += "\t" + ShortCutToText(item->FShortCut);
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        mii.fType = item->IsLine() ? MFT_SEPARATOR : MFT_STRING;
        if (item->FRadioItem)
            mii.fType |= MFT_RADIOCHECK;
        if (item->FBreak == mbBreak)
            mii.fType |= MFT_MENUBREAK;
        else if (item->FBreak == mbBarBreak)
            mii.fType |= MFT_MENUBARBREAK;
        if (GetParentMenu() && GetParentMenu()->RightToLeft)
            mii.fType |= MFT_RIGHTORDER;
        mii.fState = (item->FChecked ? MFS_CHECKED : 0) | (item->FEnabled ? 0 : MFS_DISABLED) |
                     (item->FDefault ? MFS_DEFAULT : 0);
        mii.wID = item->FCommand;
        mii.dwTypeData = text.data();
        mii.cch = static_cast<UINT>(text.size());
        if (!item->FItems.empty()) {
            // Destroyed together with the menu it is inserted into.
            HMENU sub = CreatePopupMenu();
            item->Build(sub);
            item->FSubHandle = sub;
            mii.fMask |= MIIM_SUBMENU;
            mii.hSubMenu = sub;
        } else {
            item->FSubHandle = nullptr;
        }
        item->FDirty = false;
        InsertMenuItemA(menu, position++, TRUE, &mii);
    }
}

HMENU TMenuItem::Handle()
{
    if (FParent && !FMenu) {
        // A sub-menu: built with the whole menu.
        TMenu* menu = GetParentMenu();
        if (menu)
            menu->Handle();
        if (!FSubHandle || !IsMenu(FSubHandle) || FDirty) {
            // Not part of a built menu (or emptied): a menu of its own items, owned here.
            FOwnSub.Reset(CreatePopupMenu());
            Build(FOwnSub.Get());
            FSubHandle = FOwnSub.Get();
            FDirty = false;
        }
        return FSubHandle;
    }
    if (FHandle && !FDirty && IsMenu(FHandle.Get()))
        return FHandle.Get();
    HMENU fresh = FPopupKind ? CreatePopupMenu() : CreateMenu();
    Build(fresh);
    FDirty = false;
    TOwnedMenu old(FHandle.Release());
    FHandle.Reset(fresh);
    if (old && FMenu)
        FMenu->HandleReplaced(old.Get(), fresh);
    return fresh;
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : TComponent(owner)
{
    FItems = new TMenuItem(this);
    FItems->FMenu = this;
}

TMenu::~TMenu()
{
    SetDestroying();
    DestroyComponents();
    FItems = nullptr;
}

bool TMenu::DispatchCommand(unsigned command)
{
    TMenuItem* item = FindItem(command);
    if (!item)
        return false;
    item->Click();
    return true;
}

// ---- TMainMenu ----

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) { FItems->FPopupKind = false; }

TMainMenu::~TMainMenu()
{
    // Take the menu bar off the form before its handle is destroyed.
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (TForm* form = c->AsForm()) {
            if (form->HandleAllocated() && FItems->FHandle && ::GetMenu(form->Handle()) == FItems->FHandle.Get())
                ::SetMenu(form->Handle(), nullptr);
            break;
        }
}

void TMainMenu::MenuChanged()
{
    // A form showing this menu gets the rebuilt one at once.
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (TForm* form = c->AsForm()) {
            if (form->Menu() == this && form->HandleAllocated())
                form->UpdateMenu();
            return;
        }
}

void TMainMenu::HandleReplaced(HMENU oldMenu, HMENU newMenu)
{
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (TForm* form = c->AsForm()) {
            if (form->HandleAllocated() && ::GetMenu(form->Handle()) == oldMenu) {
                ::SetMenu(form->Handle(), newMenu);
                DrawMenuBar(form->Handle());
            }
            return;
        }
}

// ---- TPopupMenu ----

namespace {

HWND GPopupWindow = nullptr;
int GPopupMenus = 0;

} // namespace

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) { ++GPopupMenus; }

TPopupMenu::~TPopupMenu()
{
    if (--GPopupMenus == 0 && GPopupWindow) {
        DeallocateHWnd(GPopupWindow);
        GPopupWindow = nullptr;
    }
}

HWND TPopupMenu::PopupWindow()
{
    if (!GPopupWindow) {
        GPopupWindow = AllocateHWnd([](TMessage& m) { DefaultUtilityHandler(GPopupWindow, m); });
    }
    return GPopupWindow;
}

void TPopupMenu::Popup(int x, int y)
{
    Fire(OnPopup, this);
    HMENU menu = Handle();
    UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD;
    int command = static_cast<int>(TrackPopupMenuEx(menu, flags, x, y, PopupWindow(), nullptr));
    if (command > 0)
        DispatchCommand(static_cast<unsigned>(command));
}

} // namespace skyloom
