// The entry list: on its own, in a plain window with an owner that records
// what the list asks of it; then the check marks in the main window, where
// a press toggles one, the keyboard and the menu commands that do.
// Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "ui/EntryList.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Records what the list asks; refuses every command while Refusing.
class TFakeOwner : public TEntryListOwner {
public:
    bool Refusing = false;
    mutable std::vector<UINT> Asked;
    std::vector<UINT> Commands;
    std::vector<std::string> Errors;
    int Clicks = 0;

    void Guard(const std::function<void()>& handler) override {
        try {
            handler();
        } catch (const std::exception& e) {
            Errors.push_back(e.what());
        }
    }
    bool CommandEnabled(UINT command) const override {
        Asked.push_back(command);
        return !Refusing;
    }
    void RowClicked() override { ++Clicks; }
    void ListCommand(UINT command) override { Commands.push_back(command); }
};

class TMenuSeam : public TUiSeam {
public:
    std::function<UINT(HMENU)> OnMenu;
    UINT PopupMenu(HMENU menu, HWND, POINT) override { return OnMenu ? OnMenu(menu) : 0; }
};

// The parent hands the list's messages on, as the main window does.
LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* list = reinterpret_cast<TEntryList*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (list) {
        switch (msg) {
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lp)->hwndFrom == list->Handle())
                return list->Notify(*reinterpret_cast<const NMHDR*>(lp));
            break;
        case WM_NOTIFYFORMAT:
            if (list->NotifyFormat(reinterpret_cast<HWND>(wp), lp, result))
                return result;
            break;
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = list->MeasureItem();
            return TRUE;
        case WM_DRAWITEM:
            if (list->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)))
                return TRUE;
            break;
        case WM_CONTEXTMENU:
            if (list->ContextMenu(reinterpret_cast<HWND>(wp), lp))
                return 0;
            break;
        }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

class EntryListTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitMorvaneControls();
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "EntryListTestHost";
        RegisterClassA(&wc);
        host_ = CreateWindowExA(0, "EntryListTestHost", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                800, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(host_);
        list.Create(host_, dpi_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        SetWindowLongPtrA(host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&list));
        MoveWindow(list.Handle(), 0, 0, 780, 360, TRUE);
        SetUiSeam(&seam);
    }
    void TearDown() override {
        SetUiSeam(nullptr);
        list.Clear();
        if (host_)
            DestroyWindow(host_);
    }
    // The node of the location tree that shows only this location.
    static int NodeOf(unsigned location) {
        for (int i = 0; i < LocationGroupCount; ++i)
            if (LocationTree[i].Codes == (1u << location))
                return i;
        return -1;
    }
    bool Marked(int row) const { return ListView_GetCheckState(list.Handle(), row) != 0; }
    void SelectOnly(int row) {
        ListView_SetItemState(list.Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list.Handle(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }

    TDpi dpi_;
    HWND host_ = nullptr;
    TFakeOwner owner;
    TMenuSeam seam;
    TEntryList list{owner};
    TStartups startups;
};

TEST_F(EntryListTest, FillsTheGroupsEntriesInCollectionOrder) {
    TStartup* beta = startups.Add("Beta", "", "C:\\t\\beta.cfg", slCURun, 0);
    startups.Add("Machine", "", "C:\\t\\machine.cfg", slLMRun, 0);
    TStartup* alpha = startups.Add("Alpha", "", "C:\\t\\alpha.cfg", slCURun, 0);
    list.FillList(startups, NodeOf(slCURun));
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(ListView_GetItemCount(list.Handle()), 2) << "the control knows the count";
    EXPECT_EQ(list.RowEntry(0), beta);
    EXPECT_EQ(list.RowEntry(1), alpha);
    EXPECT_EQ(list.RowEntry(2), nullptr);
    EXPECT_EQ(list.RowEntry(-1), nullptr);
    char text[64] = {};
    ListView_GetItemText(list.Handle(), 1, lcName, text, sizeof text);
    EXPECT_STREQ(text, "Alpha");

    list.FillList(startups, 0);
    EXPECT_EQ(list.RowCount(), 3) << "the top node shows every entry";
    list.RemoveRow(1);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(ListView_GetItemCount(list.Handle()), 2);
    EXPECT_EQ(list.RowEntry(1), alpha);
    EXPECT_EQ(startups.Count(), 3) << "the entry stays in the collection";
    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(ListView_GetItemCount(list.Handle()), 0);
}

// A row's mark is its entry's state, whoever changed it: the list shows
// what the entry holds and keeps no copy that could fall behind.
TEST_F(EntryListTest, TheListShowsEachRowsMarkAsItsEntrysState) {
    TStartup* first = startups.Add("First", "", "C:\\t\\first.cfg", slCURun, 0);
    TStartup* second = startups.Add("Second", "", "C:\\t\\second.cfg", slCURun, 0);
    second->SetEnabled(false);
    startups.Modified = false;
    list.FillList(startups, NodeOf(slCURun));
    EXPECT_TRUE(Marked(0));
    EXPECT_FALSE(Marked(1));
    EXPECT_FALSE(list.RowChecked(1));

    first->SetEnabled(false);
    EXPECT_FALSE(Marked(0)) << "changed behind the list's back";
    list.SetRowChecked(1, true);
    EXPECT_TRUE(second->Enabled);
    EXPECT_TRUE(Marked(1));
    EXPECT_TRUE(startups.Modified);
}

TEST_F(EntryListTest, EntriesThatKeepTheirMarkAreNotToggled) {
    TStartup* shell = startups.Add("Shell", "", "C:\\t\\shell.cfg", slLMWinlogon, 0);
    TStartup* policy = startups.Add("Policy", "", "C:\\t\\policy.cfg", slCURun, 0);
    policy->SetByOrganisation = true;
    TStartup* plain = startups.Add("Plain", "", "C:\\t\\plain.cfg", slCURun, 0);
    list.FillList(startups, 0);
    for (int row = 0; row < list.RowCount(); ++row)
        list.ToggleRow(row);
    EXPECT_TRUE(shell->Enabled) << "Winlogon's values keep their mark";
    EXPECT_TRUE(policy->Enabled) << "so does what the organisation set";
    EXPECT_FALSE(plain->Enabled);
    SelectOnly(2);
    list.Check1Click();
    EXPECT_TRUE(plain->Enabled) << "Enable/Disable toggles the selected row";
}

TEST_F(EntryListTest, SortingIsAskedForAndKeepsTheSelectionOnItsEntries) {
    startups.Add("b", "", "C:\\t\\1.cfg", slCURun, 0);
    TStartup* upper = startups.Add("C", "", "C:\\t\\2.cfg", slCURun, 0);
    startups.Add("a", "", "C:\\t\\3.cfg", slCURun, 0);
    list.FillList(startups, 0);
    SelectOnly(1);
    owner.Refusing = true;
    list.lvStartupListColumnClick(lcName);
    ASSERT_EQ(owner.Asked.size(), 1u);
    EXPECT_EQ(owner.Asked[0], static_cast<UINT>(cmdSortRows));
    EXPECT_EQ(list.RowEntry(1), upper) << "refused: the rows stay";

    owner.Refusing = false;
    list.lvStartupListColumnClick(lcName);
    EXPECT_EQ(list.RowEntry(0), upper) << "upper case before lower case";
    EXPECT_EQ(list.RowEntry(1)->Title, "a");
    EXPECT_EQ(list.SelectedRow(), 0);
    EXPECT_EQ(list.SelectedEntry(), upper);
}

TEST_F(EntryListTest, ClicksAndMenuCommandsGoToTheOwner) {
    startups.Add("Plain", "", "C:\\t\\plain.cfg", slCURun, 0);
    list.FillList(startups, 0);
    SelectOnly(0);
    NMHDR click{list.Handle(), 0, static_cast<UINT>(NM_CLICK)};
    SendMessageA(host_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(owner.Clicks, 1);

    bool restorable = true;
    seam.OnMenu = [&](HMENU menu) {
        restorable = !(GetMenuState(menu, RestoreDefault1, MF_BYCOMMAND) & MF_GRAYED);
        return static_cast<UINT>(Remove1);
    };
    SendMessageA(host_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.Handle()),
                 MAKELPARAM(-1, -1));
    EXPECT_FALSE(restorable) << "only a Winlogon value can be restored";
    ASSERT_EQ(owner.Commands.size(), 1u);
    EXPECT_EQ(owner.Commands[0], static_cast<UINT>(Remove1));
    EXPECT_EQ(list.RowCount(), 1) << "the owner carries the command out";
}

TEST_F(EntryListTest, TypingFindsTheNextRowByItsTitlesStart) {
    startups.Add("Alpha", "", "C:\\t\\1.cfg", slCURun, 0);
    startups.Add("beta", "", "C:\\t\\2.cfg", slCURun, 0);
    startups.Add("Bravo", "", "C:\\t\\3.cfg", slCURun, 0);
    list.FillList(startups, 0);
    LVFINDINFOW find{};
    find.flags = LVFI_PARTIAL | LVFI_WRAP;
    find.psz = L"B";
    EXPECT_EQ(SendMessageW(list.Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(&find)),
              1)
        << "letter case ignored";
    find.psz = L"z";
    EXPECT_EQ(SendMessageW(list.Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(&find)),
              -1);
}

} // namespace

namespace {

class CheckMarkTest : public FormTest {};

TEST_F(CheckMarkTest, PressLeftOfX18TogglesOnceAndNowhereElse) {
    PutValue(slCURun, "First", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Second", std::string(ExistingProgram) + " /2");
    Open();
    ASSERT_EQ(Rows(), 2);
    TStartup* first = form->EntryList().RowEntry(0);
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
    EXPECT_FALSE(form->EntryList().RowEntry(0)->Enabled);
    EXPECT_EQ(seam.Menus, 1);
}

TEST_F(CheckMarkTest, MenuCommandsReachTheirHandlers) {
    PutValue(slCURun, "Only", std::string(ExistingProgram) + " /only");
    Open();
    SelectOnly(0);
    seam.OnMenu = [](HMENU) { return static_cast<UINT>(Check1); };
    RECT r = RowRect(0);
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 100, (r.top + r.bottom) / 2);
    EXPECT_EQ(seam.Menus, 1);
    EXPECT_FALSE(Checked(0)) << "Enable/Disable toggles the selected row";
    seam.OnMenu = [](HMENU) { return static_cast<UINT>(Remove1); };
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
    EXPECT_FALSE(form->EntryList().RowEntry(1)->Enabled);
}

TEST_F(CheckMarkTest, CheckEnableDisableTogglesFirstSelectedRow) {
    PutValue(slCURun, "First", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Second", std::string(ExistingProgram) + " /2");
    Open();
    form->EntryList().Check1Click(); // nothing selected: nothing happens
    EXPECT_TRUE(Checked(0));
    EXPECT_TRUE(Checked(1));
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(List(), 1, LVIS_SELECTED, LVIS_SELECTED);
    form->EntryList().Check1Click();
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


} // namespace
