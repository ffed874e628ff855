// "What's This?" help for a form: a help mode in which the next click on a control shows a popup with the
// control's help text (the long part of its hint; standard dialog buttons have built-in texts), entered from the
// caption's "?" button (the system's context-help command), F1, a menu item or tool button; and a right-click menu
// "&What's This?" on controls without menus and mouse handlers of their own.
#pragma once

#include "Menus.h"
#include "slClasses_win.h"
#include "slRichLabel.h"

#include <cstdint>
#include <functional>
#include <string>

namespace skyloom {

// The extra caption-bar button's settings. The kit draws no such button in this program: it stays hidden.
class TslACaptionButton : public TslPersistent {
public:
    using TslPersistent::TslPersistent;
    bool Visible = false;
    char Glyph = 's';  // the help glyph of the "Marlett" symbol font
    std::string GlyphFont = "Marlett";
    std::string Hint = "Help";
    bool Toggle = true;
    TCursor PressedCursor = crHelp;
    bool Down = false;
};

// The caption button's optional system-menu item.
class TslSystemMenu : public TslPersistent {
public:
    using TslPersistent::TslPersistent;
    bool ApplyToMenu = false;
    std::string Caption = "&What's This?";
    int Position = 7;
    bool Separator = true;
};

// The kit's caption-button base: a hook on its owner form that watches the caption.
class TslCustomCaptionButton : public TslHFormHookComponentWatchCaption {
public:
    explicit TslCustomCaptionButton(TComponent* owner);
    TslACaptionButton& CaptionButton() { return FCaptionButton; }
    TslSystemMenu& SystemMenu() { return FSystemMenu; }

protected:
    // A hidden button has nothing to redraw when the caption changes.
    void CaptionChanged() override {}
    TslACaptionButton FCaptionButton;
    TslSystemMenu FSystemMenu;
};

struct TslFormHelpMargins {
    std::uint8_t Horizontal = 11;
    std::uint8_t Vertical = 7;
};

class TslFormHelp;

class TslWhatsThis : public TslPersistent {
public:
    explicit TslWhatsThis(TslFormHelp* owner);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    std::string Caption = "&What's This?";
    TMenuItem* MenuItem() const { return FMenuItem; }
    void SetMenuItem(TMenuItem* value);

private:
    friend class TslFormHelp;
    TslFormHelp* FHelp;
    bool FEnabled = false;
    TMenuItem* FMenuItem = nullptr;
};

using TslFormHelpOnShowEvent = std::function<void(TObject* sender, TControl* helpControl, std::string& helpMessage)>;
using TslFormHelpOnHideEvent = std::function<void(TObject* sender, TControl* helpControl)>;
using TslWhatsThisEvent =
    std::function<void(TObject* sender, TControl* helpControl, TPoint mousePos, bool& showPopup, bool& showHelp)>;

// Message posted to the owner form after a right-click that qualifies for "What's This?" (screen x, y packed).
constexpr UINT SL_WHATSTHIS = 14945;
// Command id of the "&What's This?" item.
constexpr UINT SL_WHATSTHIS_COMMAND = 13667;

class TslFormHelp : public TslCustomCaptionButton {
public:
    explicit TslFormHelp(TComponent* owner);
    ~TslFormHelp() override;

    bool Active = true;
    bool AdjustPopupWidth = true;
    std::uint16_t DelayInterval = 0;
    TColor Color = RGBColor(0xFF, 0xFF, 0xEE);
    TCursor Cursor = crDefault;
    TCursor CursorHelp = crHelp;
    TFont& Font() { return FFont; }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value) { FParentFont = value; }
    TslFormHelpMargins Margins;
    std::uint16_t PopupWidth = 300;
    TColor ShadowColor = clBlack;
    bool ShowShadow = true;
    TslTextStyle& TextStyle() { return FTextStyle; }
    bool UseF1 = true;
    TslWhatsThis& WhatsThis() { return FWhatsThis; }
    TNotifyEvent OnButtonClick;
    TslFormHelpOnShowEvent OnShow;
    TslFormHelpOnHideEvent OnHide;
    TslWhatsThisEvent OnWhatsThis;

    bool HelpMode() const { return FHelpMode; }
    void EnterHelpMode();
    // Shows help for control (nullptr: the control under the mouse pointer) at the pointer.
    void ShowControlHelp(TControl* control);
    // The control whose hint gives the help text for the windowed control at a screen point, or nullptr.
    TControl* FindHelpControl(TPoint screen);
    // What a right-button release at a screen point does: remembers the control and asks the form to offer
    // "What's This?" when the control qualifies (no popup menu, no mouse-down or mouse-up handler).
    void RightButtonReleased(TPoint screen);

    // The help popup while one is shown, else nullptr; its text.
    static HWND PopupWindow();
    static std::string PopupText();
    // Copies the popup's text without its tags (its "&Copy" item).
    static void CopyPopupText();
    static void ClosePopup();

    // The help text of a control: its long hint, or the built-in text of a standard button (stored into its
    // hint), going up the parents; the control that supplied it comes back in source.
    static std::string HelpTextOf(TControl* control, TControl*& source);

protected:
    void BeforeMessage(TMessage& message, bool& handled) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TslWhatsThis;
    void ShowPopup(TControl* control, std::string text);
    void EndHelpMode();
    void InstallMouseHook();
    void RemoveMouseHook();
    TForm* OwnerForm() const;
    TFont FFont;
    bool FParentFont = true;
    bool FFontFromForm = false;
    TslTextStyle FTextStyle;
    TslWhatsThis FWhatsThis;
    bool FHelpMode = false;
    bool FHelpBySysCommand = false;
    bool FInMenu = false;
    TControl* FRightClickControl = nullptr;
};

} // namespace skyloom
