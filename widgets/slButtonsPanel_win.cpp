#include "slButtonsPanel.h"

#include "Forms.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <iterator>

namespace skyloom {

// ---- TslPanelButton ----

void TslPanelButton::Click()
{
    // The modal result goes to the form first; the panel may take it back (a refused Apply).
    TButton::Click();
    if (FPanel)
        FPanel->ButtonClicked(static_cast<int>(Tag));
}

void TslPanelButton::VisibleChanged()
{
    TButton::VisibleChanged();
    if (FPanel)
        FPanel->Relayout();
}

void TslPanelButton::EnabledChanged()
{
    TButton::EnabledChanged();
    if (FPanel && Tag == pbApply)
        Fire(FPanel->OnApplyEnabledChanged, FPanel);
}

// ---- TslPanelBitBtn ----

TslPanelBitBtn::TslPanelBitBtn(TComponent* owner, TButton* button) : TslPersistentControl(owner, button)
{
    FTextStyle.OnChange = [this](TObject*) { Button()->Invalidate(); };
}

void TslPanelBitBtn::Assign(const TPersistent& source)
{
    TslPersistentControl::Assign(source);
    if (auto* other = dynamic_cast<const TslPanelBitBtn*>(&source)) {
        SetModalResult(other->ModalResult());
        Kind = other->Kind;
        FGlyph.Assign(other->FGlyph);
        ImageIndex = other->ImageIndex;
        GlyphLayout = other->GlyphLayout;
        ShowFocus = other->ShowFocus;
        FTextStyle.Assign(other->FTextStyle);
    }
}

// ---- TslButtonsPanel ----

TslButtonsPanel::TslButtonsPanel(TComponent* owner) : TPanel(owner)
{
    SetBevelOuter(bvNone);
    SetCaption("");
    FWidth = 320;
    FHeight = FMetrics.ButtonHeight + 2 * FMetrics.MarginVert;
    FLayingOut = true;
    FDivider = new TBevel(this);
    FDivider->SetShape(bsTopLine);
    FDivider->SetVisible(false);
    FDivider->SetParent(this);
    static const char* const captions[5] = {"OK", "Cancel", "Apply", "Help", ""};
    for (int i = 0; i < 5; ++i) {
        auto* button = new TslPanelButton(this, this);
        button->Tag = i;
        button->SetCaption(captions[i]);
        button->SetBounds(0, 0, FMetrics.ButtonWidth, FMetrics.ButtonHeight);
        button->SetParent(this);
        FButtons[static_cast<std::size_t>(i)] = std::make_unique<TslPanelBitBtn>(this, button);
    }
    BtnOK().SetModalResult(mrOk);
    BtnOK().Kind = bkOK;
    BtnOK().Button()->SetDefault(true);
    BtnCancel().SetModalResult(mrCancel);
    BtnCancel().Kind = bkCancel;
    BtnCancel().Button()->Cancel = true;
    BtnApply().SetEnabled(false);
    BtnHelp().Kind = bkHelp;
    BtnHelp().SetVisible(false);
    BtnCustom().SetVisible(false);
    FLayingOut = false;
}

TslButtonsPanel::~TslButtonsPanel()
{
    SetDestroying();
    // The buttons (freed with the owned components after this) no longer report to the panel.
    for (auto& b : FButtons) {
        static_cast<TslPanelButton*>(b->Button())->Detach();
        b.reset();
    }
    if (FImages)
        FImages->RemoveFreeNotification(this);
}

void TslButtonsPanel::SetAlign(TslButtonsPanelAlign value)
{
    if (FMetrics.Align == value)
        return;
    FMetrics.Align = value;
    FDivider->SetShape(value == alHorizontal ? bsTopLine : bsLeftLine);
    Relayout();
}

TAlignment TslButtonsPanel::ButtonsAlignment() const
{
    return FMetrics.Alignment == braLeft ? taLeftJustify : FMetrics.Alignment == braCenter ? taCenter : taRightJustify;
}

void TslButtonsPanel::SetButtonsAlignment(TAlignment value)
{
    SetMetric(FMetrics.Alignment, value == taLeftJustify ? braLeft : value == taCenter ? braCenter : braRight);
}

void TslButtonsPanel::SetCustomButtonPosition(TslCustomButtonPosition value)
{
    SetMetric(FMetrics.CustomButtonPosition, value);
}

void TslButtonsPanel::SetButtonWidth(std::uint16_t value)
{
    SetMetric(FMetrics.ButtonWidth, value);
}

void TslButtonsPanel::SetButtonHeight(std::uint16_t value)
{
    SetMetric(FMetrics.ButtonHeight, value);
}

void TslButtonsPanel::SetButtonSpacing(std::uint8_t value)
{
    SetMetric(FMetrics.ButtonSpacing, value);
}

void TslButtonsPanel::SetMarginHorz(std::uint8_t value)
{
    SetMetric(FMetrics.MarginHorz, value);
}

void TslButtonsPanel::SetMarginVert(std::uint8_t value)
{
    SetMetric(FMetrics.MarginVert, value);
}

void TslButtonsPanel::SetShowDivider(bool value)
{
    SetMetric(FMetrics.ShowDivider, value);
}

void TslButtonsPanel::SetShowSizeGrip(bool value)
{
    if (FShowSizeGrip == value)
        return;
    FShowSizeGrip = value;
    Invalidate();
}

void TslButtonsPanel::SetShowAccelChar(bool value)
{
    // Kept for the kit's own button drawing; the platform's push buttons always underline after "&".
    FShowAccelChar = value;
}

void TslButtonsPanel::SetImages(TComponent* value)
{
    if (!SetNotifiedReference(FImages, value, this))
        return;
    for (auto& b : FButtons)
        b->Button()->Invalidate();
}

void TslButtonsPanel::Notification(TComponent* component, TOperation operation)
{
    TPanel::Notification(component, operation);
    if (operation == opRemove && component == FImages)
        FImages = nullptr;
}

bool TslButtonsPanel::ApplyEnabled() const { return FButtons[pbApply]->Enabled(); }

void TslButtonsPanel::SetApplyEnabled(bool value) { BtnApply().SetEnabled(value); }

void TslButtonsPanel::SetParent(TWinControl* parent)
{
    TPanel::SetParent(parent);
    Relayout();
}

void TslButtonsPanel::Loaded()
{
    TPanel::Loaded();
    Relayout();
}

void TslButtonsPanel::BoundsChanged()
{
    TPanel::BoundsChanged();
    if (!FLayingOut)
        Relayout();
}

void TslButtonsPanel::Relayout()
{
    if (FLayingOut || !Parent() || Loading() || Destroying())
        return;
    FLayingOut = true;
    try {
        // Dock to the parent's bottom (or right) edge at the thickness the buttons need.
        TRect client = Parent()->ClientRect();
        for (std::size_t i = 0; i < 5; ++i)
            FMetrics.Visible[i] = FButtons[i]->Visible();
        FMetrics.PanelWidth = FMetrics.Align == alHorizontal ? client.Width() : FWidth;
        FMetrics.PanelHeight = FMetrics.Align == alHorizontal ? FHeight : client.Height();
        TslButtonsPanelPlacement p = LayoutButtonsPanel(FMetrics);
        if (FMetrics.Align == alHorizontal)
            SetBounds(0, client.Height() - p.Thickness, client.Width(), p.Thickness);
        else
            SetBounds(client.Width() - p.Thickness, 0, p.Thickness, client.Height());
        FMetrics.PanelWidth = FWidth;
        FMetrics.PanelHeight = FHeight;
        p = LayoutButtonsPanel(FMetrics);
        FDivider->SetVisible(p.DividerVisible);
        if (p.DividerVisible)
            FDivider->SetBounds(p.Divider.Left, p.Divider.Top, p.Divider.Width(), p.Divider.Height());
        for (std::size_t i = 0; i < 5; ++i)
            if (FMetrics.Visible[i]) {
                const TRect& r = p.Buttons[i];
                FButtons[i]->Button()->SetBounds(r.Left, r.Top, r.Width(), r.Height());
            }
    } catch (...) {
        FLayingOut = false;
        throw;
    }
    FLayingOut = false;
}

void TslButtonsPanel::ButtonClicked(int tag)
{
    if ((tag == pbOK || tag == pbApply) && OnApplySettings) {
        bool allow = true;
        OnApplySettings(this, allow);
        if (!allow) {
            // The dialog stays open: the form that holds the panel gets its modal result back.
            if (TForm* form = GetParentForm(this))
                form->ModalResult = mrNone;
            return;
        }
        SetApplyEnabled(false);
    }
    Fire(OnAnyBtnClick, this, tag);
    // Indexed by TslPanelButtonIndex.
    static constexpr TNotifyEvent TslButtonsPanel::*kClickEvents[] = {
        &TslButtonsPanel::OnBtnOKClick, &TslButtonsPanel::OnBtnCancelClick, &TslButtonsPanel::OnBtnApplyClick,
        &TslButtonsPanel::OnBtnHelpClick, &TslButtonsPanel::OnBtnCustomClick};
    if (tag >= 0 && static_cast<std::size_t>(tag) < std::size(kClickEvents))
        Fire(this->*kClickEvents[tag], this);
}

TRect TslButtonsPanel::SizeGripRect()
{
    if (!FShowSizeGrip)
        return TRect{};
    int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
    TRect c = ClientRect();
    return Rect(c.Right - w, c.Bottom - h, c.Right, c.Bottom);
}

void TslButtonsPanel::PaintWindow(HDC dc)
{
    TPanel::PaintWindow(dc);
    if (!FShowSizeGrip)
        return;
    TRect g = SizeGripRect();
    RECT r{g.Left, g.Top, g.Right, g.Bottom};
    bool themed = false;
    if (IsThemeActive() && IsAppThemed()) {
        if (HTHEME theme = OpenThemeData(FHandle, L"STATUS")) {
            themed = SUCCEEDED(DrawThemeBackground(theme, dc, SP_GRIPPER, 0, &r, nullptr));
            CloseThemeData(theme);
        }
    }
    if (!themed)
        DrawFrameControl(dc, &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

void TslButtonsPanel::WndProc(TMessage& message)
{
    if (FShowSizeGrip && HandleAllocated()) {
        if (message.Msg == WM_NCHITTEST) {
            POINT p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
            ::ScreenToClient(FHandle, &p);
            TRect g = SizeGripRect();
            if (p.x >= g.Left && p.y >= g.Top && p.x < g.Right && p.y < g.Bottom) {
                message.Result = HTBOTTOMRIGHT;
                return;
            }
        } else if (message.Msg == WM_NCLBUTTONDOWN && message.WParam == HTBOTTOMRIGHT) {
            // Dragging the grip sizes the form, not the panel.
            if (TForm* form = GetParentForm(this)) {
                message.Result = SendMessageA(form->Handle(), WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, message.LParam);
                return;
            }
        }
    }
    TPanel::WndProc(message);
}

} // namespace skyloom
