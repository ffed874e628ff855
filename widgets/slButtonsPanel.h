// The dialog button bar: a panel at the bottom (or right) edge of its form with up to five buttons (OK, Cancel,
// Apply, Help and a custom one) laid out in a row, an optional divider line and an optional size grip.
#pragma once

#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "slButtonsPanelCore.h"
#include "slClasses_win.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace skyloom {

enum TslBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TslButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// The push button the panel owns for each place; it tells the panel when it is shown, hidden or enabled.
class TslPanelButton : public TButton {
public:
    TslPanelButton(TComponent* owner, class TslButtonsPanel* panel) : TButton(owner), FPanel(panel) {}
    void Click() override;
    void Detach() { FPanel = nullptr; }

protected:
    void VisibleChanged() override;
    void EnabledChanged() override;

private:
    class TslButtonsPanel* FPanel;
};

// One button of the panel, described as a sub-object of the panel; the settings go to the owned push button.
class TslPanelBitBtn : public TslPersistentControl {
public:
    TslPanelBitBtn(TComponent* owner, TButton* button);
    TButton* Button() const { return static_cast<TButton*>(FControl); }
    TModalResult ModalResult() const { return Button()->ModalResult; }
    void SetModalResult(TModalResult value) { Button()->ModalResult = value; }
    TslBitBtnKind Kind = bkCustom;
    TBitmap& Glyph() { return FGlyph; }
    int ImageIndex = -1;
    TslButtonLayout GlyphLayout = blGlyphLeft;
    bool ShowFocus = true;
    TslTextStyle& TextStyle() { return FTextStyle; }
    void Assign(const TPersistent& source) override;

private:
    TBitmap FGlyph;
    TslTextStyle FTextStyle;
};

using TslAnyBtnClickEvent = std::function<void(TObject* sender, int tag)>;
using TslApplySettingsEvent = std::function<void(TObject* sender, bool& allow)>;

class TslButtonsPanel : public TPanel {
public:
    explicit TslButtonsPanel(TComponent* owner);
    ~TslButtonsPanel() override;

    TslButtonsPanelAlign Align() const { return FMetrics.Align; }
    void SetAlign(TslButtonsPanelAlign value);
    TAlignment ButtonsAlignment() const;
    void SetButtonsAlignment(TAlignment value);
    TslCustomButtonPosition CustomButtonPosition() const { return FMetrics.CustomButtonPosition; }
    void SetCustomButtonPosition(TslCustomButtonPosition value);
    std::uint16_t ButtonWidth() const { return static_cast<std::uint16_t>(FMetrics.ButtonWidth); }
    void SetButtonWidth(std::uint16_t value);
    std::uint16_t ButtonHeight() const { return static_cast<std::uint16_t>(FMetrics.ButtonHeight); }
    void SetButtonHeight(std::uint16_t value);
    std::uint8_t ButtonSpacing() const { return static_cast<std::uint8_t>(FMetrics.ButtonSpacing); }
    void SetButtonSpacing(std::uint8_t value);
    std::uint8_t MarginHorz() const { return static_cast<std::uint8_t>(FMetrics.MarginHorz); }
    void SetMarginHorz(std::uint8_t value);
    std::uint8_t MarginVert() const { return static_cast<std::uint8_t>(FMetrics.MarginVert); }
    void SetMarginVert(std::uint8_t value);
    bool ShowDivider() const { return FMetrics.ShowDivider; }
    void SetShowDivider(bool value);
    bool ShowSizeGrip() const { return FShowSizeGrip; }
    void SetShowSizeGrip(bool value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    // An image list component shared by the five buttons (cleared when it is freed).
    TComponent* Images() const { return FImages; }
    void SetImages(TComponent* value);
    bool ApplyEnabled() const;
    void SetApplyEnabled(bool value);

    TslPanelBitBtn& BtnOK() { return *FButtons[pbOK]; }
    TslPanelBitBtn& BtnCancel() { return *FButtons[pbCancel]; }
    TslPanelBitBtn& BtnApply() { return *FButtons[pbApply]; }
    TslPanelBitBtn& BtnHelp() { return *FButtons[pbHelp]; }
    TslPanelBitBtn& BtnCustom() { return *FButtons[pbCustom]; }
    TslPanelBitBtn& Btn(int tag) { return *FButtons[static_cast<std::size_t>(tag)]; }
    TBevel* Divider() const { return FDivider; }

    TNotifyEvent OnBtnOKClick;
    TNotifyEvent OnBtnCancelClick;
    TNotifyEvent OnBtnApplyClick;
    TNotifyEvent OnBtnHelpClick;
    TNotifyEvent OnBtnCustomClick;
    TslAnyBtnClickEvent OnAnyBtnClick;
    TslApplySettingsEvent OnApplySettings;
    TNotifyEvent OnApplyEnabledChanged;

    // Lays out the buttons again (and docks the panel to its parent's edge).
    void Relayout();
    // The grip square in client coordinates (empty without a grip).
    TRect SizeGripRect();

protected:
    void Loaded() override;
    void BoundsChanged() override;
    void PaintWindow(HDC dc) override;
    // Stores value in a layout setting and lays out again when that changed it.
    template <typename T, typename U>
    void SetMetric(T& setting, U value)
    {
        if (setting == value)
            return;
        setting = value;
        Relayout();
    }
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

public:
    void SetParent(TWinControl* parent) override;

private:
    friend class TslPanelButton;
    void ButtonClicked(int tag);
    void UpdateButtonVisibility();
    TslButtonsPanelMetrics FMetrics;
    std::array<std::unique_ptr<TslPanelBitBtn>, 5> FButtons;
    TBevel* FDivider = nullptr;
    bool FShowSizeGrip = false;
    bool FShowAccelChar = true;
    TComponent* FImages = nullptr;
    bool FLayingOut = false;
};

} // namespace skyloom
