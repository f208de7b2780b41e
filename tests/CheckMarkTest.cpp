// The check marks: where a press toggles one, the keyboard and the menu commands that do.
// Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class CheckMarkTest : public FormTest {};

TEST_F(CheckMarkTest, PressLeftOfX18TogglesOnceAndNowhereElse) {
    PutValue(slCURun, "First", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Second", std::string(ExistingProgram) + " /2");
    Open();
    ASSERT_EQ(Rows(), 2);
    TStartup* first = form->RowEntry(0);
    RECT r = RowRect(0);
    int y = (r.top + r.bottom) / 2;

    Click(17, y);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(first->Enabled);
    EXPECT_TRUE(form->Startups()->Modified);

    Click(18, y);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(first->Enabled);

    Click(0, y);
    EXPECT_TRUE(Checked(0));
    EXPECT_TRUE(first->Enabled);

    // Below the last row nothing changes.
    RECT last = RowRect(1);
    Click(5, last.bottom + 10);
    EXPECT_TRUE(Checked(0));
    EXPECT_TRUE(Checked(1));

    // Each press of a double click counts once.
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, 5, y);
    Press(WM_LBUTTONDBLCLK, WM_LBUTTONUP, 5, y);
    EXPECT_TRUE(Checked(0));
    EXPECT_TRUE(first->Enabled);
}

TEST_F(CheckMarkTest, RightPressTogglesAndOpensTheMenu) {
    PutValue(slCURun, "Only", std::string(ExistingProgram) + " /only");
    Open();
    RECT r = RowRect(0);
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 10, (r.top + r.bottom) / 2);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(form->RowEntry(0)->Enabled);
    EXPECT_EQ(seam.Menus, 1);
}

TEST_F(CheckMarkTest, MenuCommandsReachTheirHandlers) {
    PutValue(slCURun, "Only", std::string(ExistingProgram) + " /only");
    Open();
    SelectOnly(0);
    seam.OnMenu = [](HMENU) { return static_cast<UINT>(TfrmMorvane::Check1); };
    RECT r = RowRect(0);
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 100, (r.top + r.bottom) / 2);
    EXPECT_EQ(seam.Menus, 1);
    EXPECT_FALSE(Checked(0)) << "Enable/Disable toggles the selected row";
    seam.OnMenu = [](HMENU) { return static_cast<UINT>(TfrmMorvane::Remove1); };
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 100, (r.top + r.bottom) / 2);
    EXPECT_EQ(Rows(), 0) << "Remove forgets the disabled entry";
}

TEST_F(CheckMarkTest, SpaceTogglesTheFocusedRow) {
    PutValue(slCURun, "First", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Second", std::string(ExistingProgram) + " /2");
    Open();
    SelectOnly(1);
    SetFocus(List());
    SendMessageA(List(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(List(), WM_CHAR, ' ', 0);
    SendMessageA(List(), WM_KEYUP, VK_SPACE, 0);
    Pump();
    EXPECT_TRUE(Checked(0));
    EXPECT_FALSE(Checked(1));
    EXPECT_FALSE(form->RowEntry(1)->Enabled);
}

TEST_F(CheckMarkTest, CheckEnableDisableTogglesFirstSelectedRow) {
    PutValue(slCURun, "First", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Second", std::string(ExistingProgram) + " /2");
    Open();
    form->Check1Click(); // nothing selected: nothing happens
    EXPECT_TRUE(Checked(0));
    EXPECT_TRUE(Checked(1));
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(List(), 1, LVIS_SELECTED, LVIS_SELECTED);
    form->Check1Click();
    EXPECT_FALSE(Checked(0));
    EXPECT_TRUE(Checked(1));
}

} // namespace

namespace {

NMLISTVIEW StateChange(UINT oldState, UINT newState) {
    NMLISTVIEW change{};
    change.iItem = 0;
    change.uChanged = LVIF_STATE;
    change.uOldState = oldState;
    change.uNewState = newState;
    return change;
}

TEST(CheckMarkGate, RefusesOnlyTheListsOwnCheckChangesDuringItsInput) {
    TCheckMarkGate gate;
    const NMLISTVIEW check = StateChange(CheckStateImage(true), CheckStateImage(false));
    const NMLISTVIEW select = StateChange(0, LVIS_SELECTED);
    EXPECT_FALSE(gate.Refuses(check)) << "outside a press or key";
    {
        auto input = gate.ListInput();
        EXPECT_TRUE(gate.Refuses(check));
        EXPECT_FALSE(gate.Refuses(select)) << "selection is the list's";
        {
            auto own = gate.OwnChange();
            EXPECT_FALSE(gate.Refuses(check)) << "the window's own change";
        }
        EXPECT_TRUE(gate.Refuses(check));
        {
            auto nested = gate.ListInput();
            EXPECT_TRUE(gate.Refuses(check));
        }
        EXPECT_TRUE(gate.Refuses(check)) << "still inside the outer press";
    }
    EXPECT_FALSE(gate.Refuses(check));
    NMLISTVIEW text = check;
    text.uChanged = LVIF_TEXT;
    auto input = gate.ListInput();
    EXPECT_FALSE(gate.Refuses(text)) << "not a state change";
}

TEST(CheckMarkGate, StateImagesOfTheCheckBox) {
    EXPECT_EQ(CheckStateImage(false), INDEXTOSTATEIMAGEMASK(1u));
    EXPECT_EQ(CheckStateImage(true), INDEXTOSTATEIMAGEMASK(2u));
}

} // namespace
