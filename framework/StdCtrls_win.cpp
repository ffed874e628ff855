#include "StdCtrls.h"
#include "Forms.h"

#include <commctrl.h>

namespace skyloom {

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner)
{
    FParentColor = true;
    SetInitialSize(65, 13);
}

void TLabel::SetWordWrap(bool value)
{
    if (!UpdateField(FWordWrap, value))
        return;
    AdjustBounds();
    Invalidate();
}

void TLabel::TextChanged()
{
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged()
{
    AdjustBounds();
    Invalidate();
}

void TLabel::AdjustBounds()
{
    if (!FAutoSize || Loading())
        return;
    RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
    {
        TWindowDC dc(nullptr);
        TSelectObject select(dc.Get(), FFont.Handle());
        std::string text = FText.empty() ? std::string(" ") : FText;
        UINT flags = DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0) | (ShowAccelChar ? 0 : DT_NOPREFIX);
        DrawTextA(dc.Get(), text.data(), static_cast<int>(text.size()), &r, flags);
    }
    int width = FWordWrap ? FWidth : r.right;
    SetBounds(FLeft, FTop, width, r.bottom);
}

void TLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::Paint()
{
    TCanvas& canvas = Canvas();
    TRect r = Rect(0, 0, FWidth, FHeight);
    if (!FTransparent) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(FColor);
        canvas.FillRect(r);
    }
    canvas.Brush().SetStyle(bsClear);
    unsigned flags = (FWordWrap ? DT_WORDBREAK : 0) | (ShowAccelChar ? 0 : DT_NOPREFIX) | DT_EXPANDTABS;
    flags |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    if (!FEnabled) {
        TRect shifted = Rect(1, 1, FWidth + 1, FHeight + 1);
        canvas.Font().SetColor(clBtnHighlight);
        canvas.DrawText(FText, shifted, flags);
        canvas.Font().SetColor(clBtnShadow);
    }
    canvas.DrawText(FText, r, flags);
}

// ---- TButton ----

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    TabStop = true;
    SetInitialSize(75, 25);
}

void TButton::SetDefault(bool value)
{
    if (!UpdateField(FDefault, value))
        return;
    if (HandleAllocated())
        SendMessageA(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TButton";
    params.BaseClassName = "BUTTON";
    params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::Click()
{
    if (ModalResult != mrNone)
        if (TForm* form = GetParentForm(this))
            form->ModalResult = ModalResult;
    TWinControl::Click();
}

void TButton::WndProc(TMessage& message)
{
    if (message.Msg == CN_BASE + WM_COMMAND && HIWORD(message.WParam) == BN_CLICKED) {
        Click();
        return;
    }
    TWinControl::WndProc(message);
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner)
{
    TabStop = true;
    FParentColor = true;
    SetInitialSize(97, 17);
}

void TCheckBox::SetState(TCheckBoxState value)
{
    if (!UpdateField(FState, value))
        return;
    if (HandleAllocated())
        SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    // Design settings are not clicks.
    if (!Loading())
        Click();
}

void TCheckBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TCheckBox";
    params.BaseClassName = "BUTTON";
    params.Style |= BS_3STATE;
    if (Alignment == taLeftJustify)
        params.Style |= BS_LEFTTEXT;
}

void TCheckBox::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::WndProc(TMessage& message)
{
    if (message.Msg == CN_BASE + WM_COMMAND && HIWORD(message.WParam) == BN_CLICKED) {
        SetState(FState == cbChecked ? cbUnchecked : cbChecked);
        return;
    }
    TWinControl::WndProc(message);
}

// ---- TEdit ----

TEdit::TEdit(TComponent* owner) : TWinControl(owner)
{
    TabStop = true;
    SetInitialColor(clWindow);
    SetInitialSize(121, 21);
}

void TEdit::SetMaxLength(int value)
{
    FMaxLength = value;
    if (HandleAllocated())
        SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(value), 0);
}

void TEdit::SetPasswordChar(char value)
{
    if (!UpdateField(FPasswordChar, value))
        return;
    if (HandleAllocated()) {
        SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(value), 0);
        Invalidate();
    }
}

void TEdit::SetReadOnly(bool value)
{
    FReadOnly = value;
    if (HandleAllocated())
        SendMessageA(FHandle, EM_SETREADONLY, value, 0);
}

void TEdit::SelectAll()
{
    if (HandleAllocated())
        SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

void TEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TEdit";
    params.BaseClassName = "EDIT";
    params.Style |= ES_AUTOHSCROLL;
    if (FReadOnly)
        params.Style |= ES_READONLY;
    if (FBorderStyle == bsSingle)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    if (FMaxLength)
        SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (FPasswordChar)
        SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
}

void TEdit::DestroyWnd()
{
    FText = Caption();
    TWinControl::DestroyWnd();
}

void TEdit::WndProc(TMessage& message)
{
    if (message.Msg == CN_BASE + WM_COMMAND && HIWORD(message.WParam) == EN_CHANGE) {
        Fire(OnChange, this);
        return;
    }
    TWinControl::WndProc(message);
}

// ---- TGroupBox ----

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner)
{
    FParentColor = true;
    SetInitialSize(185, 105);
}

void TGroupBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TGroupBox";
    params.Style |= WS_CLIPCHILDREN;
}

void TGroupBox::PaintWindow(HDC dc)
{
    TWinControl::PaintWindow(dc);
    TSelectObject select(dc, FFont.Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    RECT frame{0, tm.tmHeight / 2, FWidth, FHeight};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    const std::wstring caption = PaintedCaption();
    if (caption.empty())
        return;
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.data(), static_cast<int>(caption.size()), &size);
    RECT textRect{8, 0, 8 + size.cx + 4, tm.tmHeight};
    FillRect(dc, &textRect, FBrush.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(FFont.Color()));
    TextOutW(dc, 10, 0, caption.data(), static_cast<int>(caption.size()));
}

// ---- TWideListBox ----

int TWideListBox::TWideStrings::Add(const std::wstring& s)
{
    FItems.push_back(s);
    if (FOwner.HandleAllocated())
        SendMessageW(FOwner.FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    return Count() - 1;
}

void TWideListBox::TWideStrings::BeginUpdate()
{
    if (FUpdating++ == 0 && FOwner.HandleAllocated())
        SendMessageW(FOwner.FHandle, WM_SETREDRAW, FALSE, 0);
}

void TWideListBox::TWideStrings::EndUpdate()
{
    if (FUpdating == 0 || --FUpdating > 0 || !FOwner.HandleAllocated())
        return;
    SendMessageW(FOwner.FHandle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FOwner.FHandle, nullptr, TRUE);
}

void TWideListBox::TWideStrings::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    FOwner.FItemIndex = -1;
    if (FOwner.HandleAllocated())
        SendMessageW(FOwner.FHandle, LB_RESETCONTENT, 0, 0);
}

void TWideListBox::TWideStrings::Delete(int index)
{
    Strings(index);
    FItems.erase(FItems.begin() + index);
    if (FOwner.HandleAllocated())
        SendMessageW(FOwner.FHandle, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

const std::wstring& TWideListBox::TWideStrings::Strings(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {IntToStr(index)}));
    return FItems[static_cast<std::size_t>(index)];
}

TWideListBox::TWideListBox(TComponent* owner) : TWinControl(owner)
{
    TabStop = true;
    SetInitialColor(clWindow);
    SetInitialSize(121, 97);
}

void TWideListBox::SetItemHeight(int value)
{
    if (FItemHeight == value || value <= 0)
        return;
    FItemHeight = value;
    if (HandleAllocated()) {
        SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, value);
        Invalidate();
    }
}

int TWideListBox::ItemIndex()
{
    if (HandleAllocated())
        return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
    return FItemIndex;
}

void TWideListBox::SetItemIndex(int value)
{
    if (value < -1 || value >= FItems.Count())
        value = -1;
    FItemIndex = value;
    if (HandleAllocated())
        SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TWideListBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "TWideListBox";
    params.BaseClassName = "LISTBOX";
    params.Unicode = true;
    params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    if (Sorted)
        params.Style |= LBS_SORT;
    if (FBorderStyle == bsSingle)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TWideListBox::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
    for (const std::wstring& s : FItems.FItems)
        SendMessageW(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    if (FItemIndex >= 0)
        SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

void TWideListBox::DestroyWnd()
{
    if (HandleAllocated())
        FItemIndex = static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
    TWinControl::DestroyWnd();
}

void TWideListBox::FontChanged()
{
    TWinControl::FontChanged();
    // The platform recomputes the item height from the new font; ours stays.
    if (HandleAllocated())
        SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
}

void TWideListBox::WndProc(TMessage& message)
{
    if (message.Msg == CN_BASE + WM_COMMAND) {
        if (HIWORD(message.WParam) == LBN_SELCHANGE) {
            FItemIndex = static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
            Click();
        } else if (HIWORD(message.WParam) == LBN_DBLCLK) {
            Fire(OnDblClick, this);
        }
        return;
    }
    if (message.Msg == WM_LBUTTONDBLCLK) {
        DefaultHandler(message);  // the double click event comes with the notification
        return;
    }
    TWinControl::WndProc(message);
}

// ---- TProgressBar ----

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner)
{
    SetInitialSize(150, 16);
}

void TProgressBar::SetMin(int value)
{
    if (!UpdateField(FMin, value))
        return;
    if (HandleAllocated())
        SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TProgressBar::SetMax(int value)
{
    if (!UpdateField(FMax, value))
        return;
    if (HandleAllocated())
        SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TProgressBar::SetPosition(int value)
{
    if (value < FMin)
        value = FMin;
    if (value > FMax)
        value = FMax;
    if (FPosition == value)
        return;
    FPosition = value;
    if (HandleAllocated())
        SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void TProgressBar::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    params.WinClassName = "TProgressBar";
    params.BaseClassName = PROGRESS_CLASSA;
}

void TProgressBar::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
    SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

} // namespace skyloom
