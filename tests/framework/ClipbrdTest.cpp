// The clipboard on a real window system.
#include "Clipbrd.h"
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

TEST(Clipboard, TextGoesInAndComesBack)
{
    Clipboard().SetAsText("x y");
    EXPECT_TRUE(Clipboard().HasText());
    EXPECT_EQ(Clipboard().AsText(), "x y");
    Clipboard().SetAsText("");
    EXPECT_EQ(Clipboard().AsText(), "");
    Clipboard().Clear();
    EXPECT_FALSE(Clipboard().HasText());
}
