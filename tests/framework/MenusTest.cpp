// Menus on a real window system: commands and popup menus.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"

#include "TestForms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace skyloom;
using namespace skyloom::testing;

TEST(Menus, CommandsReachTheItemsHandler)
{
    TFormPtr form(new TTestForm(nullptr));
    HWND wnd = form->Handle();
    HMENU bar = GetMenu(wnd);
    ASSERT_NE(bar, nullptr);
    HMENU sub = GetSubMenu(bar, 0);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(GetMenuItemID(sub, 0), form->Exit1->Command());
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(form->Exit1->Command(), 0), 0);
    EXPECT_EQ(form->ExitClicks, 1);
    // Items added later show up in the bar.
    auto* extra = new TMenuItem(form.get());
    extra->SetCaption("-");
    form->File1->Insert(0, extra);
    sub = GetSubMenu(GetMenu(wnd), 0);
    EXPECT_EQ(GetMenuItemCount(sub), 2);
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(sub, 0, TRUE, &mii);
    EXPECT_TRUE(mii.fType & MFT_SEPARATOR) << "a caption of '-' is a separator";
    form->Exit1->SetEnabled(false);
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(form->Exit1->Command(), 0), 0);
    EXPECT_EQ(form->ExitClicks, 1) << "a disabled item does not click";
}

TEST(Menus, PopupMenuDefaultItemAndCommandIds)
{
    auto* owner = new TComponent(nullptr);
    auto* popup = new TPopupMenu(owner);
    auto* show = new TMenuItem(owner);
    show->SetCaption("Show main window");
    show->SetDefault(true);
    auto* close = new TMenuItem(owner);
    close->SetCaption("Close application");
    popup->Items().Add(show);
    popup->Items().Add(close);
    EXPECT_NE(show->Command(), close->Command());
    HMENU menu = popup->Handle();
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), show->Command());
    int clicked = 0;
    close->OnClick = [&](TObject*) { ++clicked; };
    EXPECT_TRUE(popup->DispatchCommand(close->Command()));
    EXPECT_FALSE(popup->DispatchCommand(60000));
    EXPECT_EQ(clicked, 1);
    delete owner;  // frees the menu and its items, each once
}
