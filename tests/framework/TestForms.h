// Forms for the framework's window tests: one built the way the program's windows are, and a plain one.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <memory>
#include <string>
#include <vector>

namespace skyloom::testing {

// A form built in code the way the program's windows are: settings, controls, then the loaded steps.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner, std::vector<std::string>* journal = nullptr) : TForm(owner), FJournal(journal)
    {
        SetCaption("Test form");
        SetBorderStyle(bsSingle);
        SetBorderIcons(biSystemMenu | biMinimize);
        SetPosition(poScreenCenter);
        SetColor(clWhite);
        Font().SetName("Verdana");
        Font().SetHeight(-11);
        SetClientSize(300, 200);
        Panel1 = new TPanel(this);
        Panel1->Name = "Panel1";
        Panel1->SetParent(this);
        Panel1->SetBounds(8, 8, 280, 41);
        Panel1->SetCaption("Checking connection...");
        Panel1->SetColor(clYellow);
        Label1 = new TLabel(this);
        Label1->SetParent(this);
        Label1->SetBounds(8, 56, 97, 13);
        Label1->SetCaption("Latest headlines:");
        Label1->SetTransparent(true);
        CheckBox1 = new TCheckBox(this);
        CheckBox1->SetParent(this);
        CheckBox1->SetBounds(180, 56, 113, 17);
        CheckBox1->SetCaption("run with system");
        CheckBox1->SetChecked(true);
        CheckBox1->OnClick = [this](TObject*) { ++CheckClicks; };
        List = new TWideListBox(this);
        List->SetParent(this);
        List->SetBounds(8, 76, 280, 80);
        List->SetItemHeight(16);
        List->Items().Add(L"1. \x041f\x0440\x0438\x0432\x0435\x0442");
        Menu1 = new TMainMenu(this);
        File1 = new TMenuItem(this);
        File1->SetCaption("Program");
        Exit1 = new TMenuItem(this);
        Exit1->SetCaption("Exit");
        Exit1->OnClick = [this](TObject*) { ++ExitClicks; };
        File1->Add(Exit1);
        Menu1->Items().Add(File1);
        SetMenu(Menu1);
        OnCreate = [this](TObject*) {
            if (FJournal)
                FJournal->push_back("create");
        };
        OnShow = [this](TObject*) { ++Shows; };
        OnHide = [this](TObject*) { ++Hides; };
        FinishLoading();
    }
    TPanel* Panel1;
    TLabel* Label1;
    TCheckBox* CheckBox1;
    TWideListBox* List;
    TMainMenu* Menu1;
    TMenuItem* File1;
    TMenuItem* Exit1;
    int Shows = 0;
    int Hides = 0;
    int CheckClicks = 0;
    int ExitClicks = 0;

protected:
    void Loaded() override
    {
        TForm::Loaded();
        if (FJournal)
            FJournal->push_back("loaded");
    }

private:
    std::vector<std::string>* FJournal;
};

class TPlainForm : public TForm {
public:
    explicit TPlainForm(TComponent* owner) : TForm(owner)
    {
        SetBorderStyle(bsNone);
        SetBounds(100, 100, 200, 120);
        SetColor(clWhite);
        Label = new TLabel(this);
        Label->SetParent(this);
        Label->SetAutoSize(false);
        Label->SetBounds(10, 10, 60, 20);
        Label->SetCaption("label");
        Button = new TButton(this);
        Button->SetParent(this);
        Button->SetBounds(100, 10, 75, 25);
        Button->SetCaption("Button");
        FinishLoading();
    }
    TLabel* Label;
    TButton* Button;
};

struct TFormDeleter {
    void operator()(TForm* f) const { delete f; }
};
template <class F>
using TFormPtrOf = std::unique_ptr<F, TFormDeleter>;
using TFormPtr = TFormPtrOf<TTestForm>;
using TPlainFormPtr = TFormPtrOf<TPlainForm>;

inline TPlainFormPtr ShownForm()
{
    TPlainFormPtr form(new TPlainForm(nullptr));
    form->Show();
    Application.ProcessMessages();
    return form;
}

} // namespace skyloom::testing
