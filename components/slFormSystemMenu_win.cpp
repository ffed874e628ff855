#include "slFormSystemMenu.h"

namespace skyloom {

namespace {

TslSysMenuBorder BorderOf(TFormBorderStyle style)
{
    switch (style) {
    case bsNone: return smbNone;
    case bsSingle: return smbSingle;
    case bsSizeable: return smbSizeable;
    case bsDialog: return smbDialog;
    case bsToolWindow: return smbToolWindow;
    case bsSizeToolWin: return smbSizeToolWin;
    }
    return smbSizeable;
}

std::string EntryText(TMenuItem& item)
{
    std::string text = item.Caption();
    if (item.GetShortCut() != 0 && item.Count() == 0)
        text += "\t" + ShortCutToText(item.GetShortCut());
    return text;
}

void FillEntry(MENUITEMINFOA& info, std::string& text, TMenuItem& item, bool rightToLeft);

// Inserts parent's visible items into menu from position pos on. Invisible items leave no hole: the next visible
// one takes their place.
void InsertVisibleItems(HMENU menu, UINT pos, TMenuItem& parent, bool rightToLeft)
{
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem& item = *parent.Items(i);
        if (!item.Visible())
            continue;
        MENUITEMINFOA info{};
        std::string text;
        FillEntry(info, text, item, rightToLeft);
        InsertMenuItemA(menu, pos++, TRUE, &info);
    }
}

// A sub-menu of the system menu is a copy of its own: reverting the system menu destroys what hangs in it, and
// the menu items' own handles must survive that.
HMENU BuildSubMenu(TMenuItem& parent, bool rightToLeft)
{
    HMENU menu = CreatePopupMenu();
    InsertVisibleItems(menu, 0, parent, rightToLeft);
    return menu;
}

void FillEntry(MENUITEMINFOA& info, std::string& text, TMenuItem& item, bool rightToLeft)
{
    text = EntryText(item);
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
    info.wID = item.Command();
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (item.IsLine())
        info.fType |= MFT_SEPARATOR;
    if (item.RadioItem())
        info.fType |= MFT_RADIOCHECK;
    if (item.Break() == mbBreak)
        info.fType |= MFT_MENUBREAK;
    else if (item.Break() == mbBarBreak)
        info.fType |= MFT_MENUBARBREAK;
    if (rightToLeft)
        info.fType |= MFT_RIGHTORDER;
    if (item.Checked())
        info.fState |= MFS_CHECKED;
    if (!item.Enabled())
        info.fState |= MFS_GRAYED;
    if (item.Default())
        info.fState |= MFS_DEFAULT;
    if (item.Count() > 0) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = BuildSubMenu(item, rightToLeft);
    }
}

} // namespace

// The form's window as the rebuild rules see it.
class TslFormSystemMenu::TTarget : public ISystemMenuTarget {
public:
    explicit TTarget(TslFormSystemMenu& owner) : FOwner(owner), FWnd(owner.FForm->Handle()) {}

    void RevertMenu() override { GetSystemMenu(FWnd, TRUE); }
    void EnableCommand(unsigned command) override
    {
        EnableMenuItem(Menu(), command, MF_BYCOMMAND | MF_ENABLED);
    }
    void GrayCommand(unsigned command) override { EnableMenuItem(Menu(), command, MF_BYCOMMAND | MF_GRAYED); }
    void DeleteCommand(unsigned command) override { DeleteMenu(Menu(), command, MF_BYCOMMAND); }
    std::uint32_t Style() override { return static_cast<std::uint32_t>(GetWindowLongPtrA(FWnd, GWL_STYLE)); }
    void SetStyle(std::uint32_t style) override
    {
        SetWindowLongPtrA(FWnd, GWL_STYLE, static_cast<LONG_PTR>(static_cast<LONG>(style)));
    }
    void RefreshFrame() override { FOwner.RefreshFrame(); }
    void InsertItems() override { FOwner.InsertItems(); }

private:
    HMENU Menu() const { return GetSystemMenu(FWnd, FALSE); }
    TslFormSystemMenu& FOwner;
    HWND FWnd;
};

TslFormSystemMenuHook::TslFormSystemMenuHook(TslFormSystemMenu* menu, TForm* form)
    : TslFormHookComponent(menu, form), FMenu(menu)
{
}

void TslFormSystemMenuHook::BeforeMessage(TMessage& message, bool& handled)
{
    handled = false;
    if (FMenu->Items().Count() == 0)
        return;
    switch (message.Msg) {
    case WM_NCLBUTTONDOWN:
        if (message.WParam == HTSYSMENU)
            FMenu->UpdateSystemMenu();
        break;
    case WM_NCRBUTTONDOWN:
        if (message.WParam == HTSYSMENU || message.WParam == HTCAPTION)
            FMenu->UpdateSystemMenu();
        break;
    case WM_SYSCOMMAND:
        // The platform keeps the low four bits of its own commands for itself.
        if ((message.WParam & 0xFFF0) == SC_KEYMENU) {
            FMenu->UpdateSystemMenu();
        } else if (TMenuItem* item = FMenu->FindItem(static_cast<unsigned>(message.WParam & 0xFFFF))) {
            Fire(item->OnClick, FMenu->Form());
        }
        break;
    default:
        break;
    }
}

void TslFormSystemMenuHook::Rehooked()
{
    TslFormHookComponent::Rehooked();
    if (!Designing())
        FMenu->UpdateSystemMenu();
}

TslFormSystemMenu::TslFormSystemMenu(TComponent* owner) : TPopupMenu(owner)
{
    if (!owner || !owner->AsForm())
        throw EInvalidOperation("Owner must be a Form!");
    FForm = owner->AsForm();
    FForm->FreeNotification(this);
    FHook = new TslFormSystemMenuHook(this, FForm);
    FSysItems = std::make_unique<TslFormSystemMenuItems>();
    FSysItems->OnChange = [this] { SettingsChanged(); };
}

TslFormSystemMenu::~TslFormSystemMenu()
{
    if (Designing())
        ResetSystemMenu();
    FSysItems.reset();
    if (FHook) {
        TslFormSystemMenuHook* hook = std::exchange(FHook, nullptr);
        delete hook;
    }
    if (FForm)
        FForm->RemoveFreeNotification(this);
}

void TslFormSystemMenu::Notification(TComponent* component, TOperation operation)
{
    TPopupMenu::Notification(component, operation);
    ForgetRemoved(component, operation, FForm, FHook);
}

bool TslFormSystemMenu::FormUsable() const { return FForm && !FForm->Destroying(); }

TSystemMenuSetup TslFormSystemMenu::Setup() const
{
    TSystemMenuSetup setup;
    setup.Border = BorderOf(FForm->BorderStyle());
    setup.Active = FActive;
    setup.Designing = Designing();
    return setup;
}

void TslFormSystemMenu::Loaded()
{
    TPopupMenu::Loaded();
    UpdateSystemMenu();
}

void TslFormSystemMenu::SettingsChanged()
{
    if (!Loading())
        UpdateSystemMenu();
}

void TslFormSystemMenu::SetActive(bool value)
{
    FActive = value;
    SettingsChanged();
}

void TslFormSystemMenu::SetInsertPosition(std::uint16_t value)
{
    FInsertPosition = value;
    SettingsChanged();
}

void TslFormSystemMenu::RefreshFrame()
{
    if (FormUsable())
        SetWindowPos(FForm->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TslFormSystemMenu::ResetSystemMenu()
{
    if (!FormUsable())
        return;
    TTarget target(*this);
    skyloom::ResetSystemMenu(target, Setup());
}

void TslFormSystemMenu::UpdateSystemMenu()
{
    if (!FormUsable())
        return;
    TTarget target(*this);
    if (!FSysItems)
        return;
    skyloom::UpdateSystemMenu(target, Setup(), *FSysItems);
    SendMessageA(FForm->Handle(), SL_SYSMENUREBUILT, 0, 0);
}

void TslFormSystemMenu::InsertItems()
{
    if (!FormUsable())
        return;
    HMENU menu = GetSystemMenu(FForm->Handle(), FALSE);
    if (!menu)
        return;
    InsertVisibleItems(menu, FInsertPosition, Items(), RightToLeft);
}

} // namespace skyloom
