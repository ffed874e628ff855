#pragma once
// Puts the items of a designed menu at the top of a form's system menu and runs their handlers when chosen;
// can also hide or gray the standard commands, switching the frame's buttons to match. Windows only.

#include "Menus.h"
#include "slClasses_win.h"
#include "slFormSystemMenuCore.h"

#include <cstdint>
#include <memory>

namespace skyloom {

// Sent to the form's window after its system menu was rebuilt.
constexpr UINT SL_SYSMENUREBUILT = 14944;

class TslFormSystemMenu;

// Watches the form's window for the system menu opening (to rebuild it first) and for commands of our items.
class TslFormSystemMenuHook : public TslFormHookComponent {
public:
    TslFormSystemMenuHook(TslFormSystemMenu* menu, TForm* form);
    void BeforeMessage(TMessage& message, bool& handled) override;
    void Rehooked() override;

private:
    TslFormSystemMenu* FMenu;
};

class TslFormSystemMenu : public TPopupMenu {
public:
    // Raises EInvalidOperation "Owner must be a Form!" unless owner is a form.
    explicit TslFormSystemMenu(TComponent* owner);
    ~TslFormSystemMenu() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    std::uint16_t InsertPosition() const { return FInsertPosition; }
    void SetInsertPosition(std::uint16_t value);
    TslFormSystemMenuItems& SysItems() { return *FSysItems; }
    TForm* Form() const { return FForm; }
    TslFormSystemMenuHook* Hook() const { return FHook; }

    virtual void InsertItems();
    virtual void RefreshFrame();
    virtual void ResetSystemMenu();
    virtual void UpdateSystemMenu();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    class TTarget;
    bool FormUsable() const;
    TSystemMenuSetup Setup() const;
    void SettingsChanged();

    TForm* FForm = nullptr;
    TslFormSystemMenuHook* FHook = nullptr;
    std::unique_ptr<TslFormSystemMenuItems> FSysItems;
    bool FActive = true;
    std::uint16_t FInsertPosition = 0;
};

} // namespace skyloom
