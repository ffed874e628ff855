// A borderless white form for drawing tests of the widget kit.
#pragma once

#include "Forms.h"

#include <memory>

namespace skyloom::testing {

struct TFormDeleter {
    void operator()(TForm* f) const { delete f; }
};
using TFormPtr = std::unique_ptr<TForm, TFormDeleter>;

inline TFormPtr NewForm(int w, int h)
{
    TFormPtr form(new TForm(nullptr));
    form->SetBorderStyle(bsNone);
    form->SetBounds(50, 50, w, h);
    form->SetColor(clWhite);
    form->FinishLoading();
    return form;
}

} // namespace skyloom::testing
