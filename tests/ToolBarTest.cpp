// The tool bar's picture buttons: clicks on release, and groups that act as radio buttons.
// Under Wine, in a throw-away prefix.

#include "support/FormTest.h"
#include "support/PartHost.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"
#include "ui/ToolBar.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class ToolBarTest : public FormTest {};

TEST_F(ToolBarTest, ToolBarButtonsClickOnRelease) {
    PutValue(slCURun, "Helper", std::string(ExistingProgram) + " /helper");
    Open();
    HWND refresh = form->RefreshButton().Handle();
    RECT r;
    GetClientRect(refresh, &r);
    EXPECT_EQ(r.right, form->Dpi().Scale(86)) << "takes the size of its picture";
    RECT lr = RowRect(0);
    Click(5, (lr.top + lr.bottom) / 2);
    ASSERT_FALSE(Checked(0));
    SendMessageA(refresh, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(form->RefreshButton().State(), TWebImage::wsOver);
    SendMessageA(refresh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(form->RefreshButton().State(), TWebImage::wsDown);
    EXPECT_FALSE(Checked(0)) << "nothing happens on the press";
    SendMessageA(refresh, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(form->RefreshButton().State(), TWebImage::wsNormal);
    EXPECT_TRUE(Checked(0)) << "the release refreshed";

    // Released outside: no click.
    Click(5, (lr.top + lr.bottom) / 2);
    SendMessageA(refresh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(refresh, WM_LBUTTONUP, 0, MAKELPARAM(-40, 5));
    EXPECT_FALSE(Checked(0));
}

TEST_F(ToolBarTest, ButtonsOfOneGroupActAsRadioButtons) {
    Open();
    TWebImage a, b;
    ASSERT_TRUE(a.Create(form->Handle(), 9001, 0, 0, 10, 10));
    ASSERT_TRUE(b.Create(form->Handle(), 9002, 20, 0, 10, 10));
    a.CheckGroup = b.CheckGroup = 7;
    a.Click();
    EXPECT_TRUE(a.Checked());
    b.Click();
    EXPECT_TRUE(b.Checked());
    EXPECT_FALSE(a.Checked());
    b.Click(); // no AllowAllUp: stays down
    EXPECT_TRUE(b.Checked());
    b.AllowAllUp = true;
    b.Click();
    EXPECT_FALSE(b.Checked());
}

// The tool bar on its own: each button calls its own command, in the
// order the buttons take the focus.
TEST(ToolBar, EachButtonCallsItsOwnCommand) {
    InitMorvaneControls();
    TPartHost host;
    ASSERT_TRUE(host.Handle());
    TToolBar bar;
    std::string called;
    bar.OnRefresh = [&] { called += "R"; };
    bar.OnConsult = [&] { called += "C"; };
    bar.OnApply = [&] { called += "A"; };
    bar.OnMoreTasks = [&] { called += "M"; };
    bar.OnAbout = [&] { called += "?"; };
    TDpi dpi;
    bar.Create(host.Handle(), dpi);
    for (HWND button = GetWindow(host.Handle(), GW_CHILD); button;
         button = GetWindow(button, GW_HWNDNEXT)) {
        if (button == bar.Busy().Handle())
            continue;
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    EXPECT_EQ(called, "RCAM?");
}

} // namespace
