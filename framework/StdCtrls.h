// Standard controls: label, button, check box, edit, group box, Unicode list box, progress bar.
#pragma once

#include "Controls.h"

#include <string>
#include <vector>

namespace skyloom {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    // Draws over the parent's background instead of filling its own colour.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value) { if (UpdateField(FTransparent, value)) Invalidate(); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value) { if (UpdateField(FAlignment, value)) Invalidate(); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // Fits the size to the caption when set (the default).
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { if (UpdateField(FAutoSize, value)) AdjustBounds(); }
    // "&" underlines the next character.
    bool ShowAccelChar = true;

protected:
    void Loaded() override;
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    // Fits the size to the caption while AutoSize is on (not while loading); a label that draws its text its own
    // way measures it its own way here.
    virtual void AdjustBounds();

private:
    bool FTransparent = false;
    TAlignment FAlignment = taLeftJustify;
    bool FWordWrap = false;
    bool FAutoSize = true;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    // Set on the parent form when the button is clicked (after OnClick).
    TModalResult ModalResult = mrNone;
    // Enter on the form clicks the default button, Escape the cancel button.
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel = false;
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    bool FDefault = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// OnClick runs whenever the state changes: by the user or by SetChecked in code.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState value);
    TAlignment Alignment = taRightJustify;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    TCheckBoxState FState = cbUnchecked;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value) { if (UpdateField(FBorderStyle, value)) RecreateWnd(); }
    void SelectAll();
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;

private:
    int FMaxLength = 0;
    char FPasswordChar = 0;
    bool FReadOnly = false;
    TBorderStyle FBorderStyle = bsSingle;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(HDC dc) override;
    // The caption as the frame shows it: the caption in the system's code page, as wide text.
    virtual std::wstring PaintedCaption() const { return AnsiToWide(FText); }
};

// A list box holding wide (UTF-16) items; its window is a Unicode window.
class TWideListBox : public TWinControl {
public:
    class TWideStrings {
    public:
        int Add(const std::wstring& s);
        void Clear();
        void Delete(int index);
        int Count() const { return static_cast<int>(FItems.size()); }
        const std::wstring& Strings(int index) const;
        const std::wstring& operator[](int index) const { return Strings(index); }
        // Between these the list box is not redrawn: many lines added at once are drawn once, at the end.
        void BeginUpdate();
        void EndUpdate();

    private:
        friend class TWideListBox;
        explicit TWideStrings(TWideListBox& owner) : FOwner(owner) {}
        TWideListBox& FOwner;
        std::vector<std::wstring> FItems;
        int FUpdating = 0;
    };

    explicit TWideListBox(TComponent* owner);
    TWideStrings& Items() { return FItems; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value);
    // -1: nothing selected.
    int ItemIndex();
    void SetItemIndex(int value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value) { if (UpdateField(FBorderStyle, value)) RecreateWnd(); }
    bool Sorted = false;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void FontChanged() override;
    void WndProc(TMessage& message) override;

private:
    friend class TWideStrings;
    TWideStrings FItems{*this};
    int FItemHeight = 16;
    int FItemIndex = -1;
    TBorderStyle FBorderStyle = bsSingle;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    int Step = 10;
    void StepIt() { SetPosition(FPosition + Step); }
    void StepBy(int delta) { SetPosition(FPosition + delta); }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
};

} // namespace skyloom
