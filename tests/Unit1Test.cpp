// The main window, driven through its handlers and window messages, with the
// rows read back through the list control. Runs in a throw-away Wine prefix
// only (the fixture empties the startup keys and folders).

#include "support/CoreFixture.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"
#include "ui/Unit1.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Files that are not programs: Wine starts the programs of some startup keys
// when a prefix starts, and these entries must never run anything.
const char* const TestFolder = "C:\\Morvane UI Test";
const char* const ExistingProgram = "C:\\Morvane UI Test\\present.cfg";
const char* const MissingProgram = "C:\\Morvane UI Test\\missing.cfg";

// Answers everything the window would wait for.
class TTestSeam : public TUiSeam {
public:
    std::vector<std::string> Messages;
    int MessageAnswer = IDOK;
    int Dialogs = 0;
    std::string DialogTitle;
    std::function<void(HWND)> OnDialog;
    int Menus = 0;
    UINT MenuAnswer = 0;
    int Restarts = 0;

    int ShowMessageBox(HWND, const std::string& text, const std::string&, UINT) override {
        Messages.push_back(text);
        return MessageAnswer;
    }
    int ShowModal(HWND dialog, const int& modalResult) override {
        ++Dialogs;
        char title[256] = {};
        GetWindowTextA(dialog, title, sizeof title);
        DialogTitle = title;
        if (OnDialog)
            OnDialog(dialog);
        return modalResult != 0 ? modalResult : IDCANCEL;
    }
    UINT PopupMenu(HMENU, HWND, POINT) override {
        ++Menus;
        return MenuAnswer;
    }
    bool RestartElevated(HWND) override {
        ++Restarts;
        return false;
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void DeleteUserKey(const char* path) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
}

std::string ReadUserString(const char* key, const char* name) {
    char buf[256] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buf;
}

class Unit1Test : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        if (IsSkipped())
            return;
        OleInitialize(nullptr);
        InitMorvaneControls();
        CreateDirectoryA(TestFolder, nullptr);
        WriteFileBytes(ExistingProgram, "present");
        SetUiSeam(&seam);
        DeleteUserKey("Software\\Morvane");
    }

    void TearDown() override {
        if (!IsSkipped()) {
            form.reset();
            Pump();
            SetUiSeam(nullptr);
            DeleteUserKey("Software\\Morvane");
            DeleteFileA(ExistingProgram);
            DeleteFileA(MissingProgram);
            RemoveDirectoryA(TestFolder);
            OleUninitialize();
        }
        CoreTest::TearDown();
    }

    void Open() {
        form = std::make_unique<TfrmMorvane>();
        ASSERT_TRUE(form->Create());
        form->Show(SW_SHOWNORMAL);
        Pump();
    }

    HWND List() const { return form->lvStartupList; }
    int Rows() const { return ListView_GetItemCount(List()); }

    std::string Text(int row, int column) const {
        char buf[1024] = {};
        ListView_GetItemText(List(), row, column, buf, sizeof buf);
        return buf;
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < Rows(); ++i)
            out.push_back(Text(i, 0));
        return out;
    }

    int RowOf(const std::string& caption) const {
        for (int i = 0; i < Rows(); ++i)
            if (Text(i, 0) == caption)
                return i;
        return -1;
    }

    bool Checked(int row) const { return ListView_GetCheckState(List(), row) != 0; }

    RECT RowRect(int row) const {
        RECT r{};
        ListView_GetItemRect(List(), row, &r, LVIR_BOUNDS);
        return r;
    }

    // The release is queued first: the list may follow the button in a loop
    // of its own until it sees the release.
    void Press(UINT down, UINT up, int x, int y) {
        LPARAM at = MAKELPARAM(x, y);
        PostMessageA(List(), up, 0, at);
        SendMessageA(List(), down, down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, at);
        Pump();
    }
    void Click(int x, int y) { Press(WM_LBUTTONDOWN, WM_LBUTTONUP, x, y); }

    void SelectOnly(int row) {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }

    void ShowNode(int node) {
        TreeView_SelectItem(form->tvStartupFolders, form->Node(node));
        form->tvStartupFoldersClick();
    }

    // One entry in each of the eight locations that the program scans.
    void SeedEveryLocation() {
        MakeShortcut(slLMStartupFolder, "All Users Tool", ExistingProgram, "/all");
        PutValue(slLMRun, "LM Runner", std::string(ExistingProgram) + " /lmrun");
        PutValue(slLMRunOnce, "LM Once", std::string(ExistingProgram) + " /lmonce");
        PutValue(slLMServices, "LM Service", std::string(ExistingProgram) + " /svc");
        PutValue(slLMServiceOnce, "LM Service Once", std::string(ExistingProgram) + " /svconce");
        PutValue(slCURun, "CU Runner", std::string(ExistingProgram) + " /curun");
        PutValue(slCURunOnce, "CU Once", std::string(ExistingProgram) + " /cuonce");
        MakeShortcut(slCUStartup, "My Tool", ExistingProgram, "/mine");
    }

    TTestSeam seam;
    std::unique_ptr<TfrmMorvane> form;
};

TEST_F(Unit1Test, StartShowsEveryScannedEntryInCollectionOrder) {
    SeedEveryLocation();
    PutValue(slCURun, "Missing", std::string("\"") + MissingProgram + "\" -q");
    Open();

    TStartups& all = *form->Startups();
    EXPECT_EQ(form->SelectedNode(), 0);
    EXPECT_EQ(GetFocus(), form->tvStartupFolders);
    ASSERT_EQ(Rows(), all.Count());
    ASSERT_EQ(Rows(), 9);
    for (int i = 0; i < Rows(); ++i) {
        const TStartup* e = all.Items(i);
        SCOPED_TRACE(e->Title);
        EXPECT_EQ(form->RowEntry(i), e);
        EXPECT_EQ(Text(i, 0), e->Title);
        EXPECT_EQ(Text(i, 1), e->CommandLine);
        EXPECT_EQ(Text(i, 2), e->LocationText());
        EXPECT_EQ(Text(i, 3), std::to_string(e->Rating));
        EXPECT_TRUE(Checked(i));
    }
    // The scan's order: user folder, all-users folder, then the six keys.
    EXPECT_EQ(Text(0, 0), "My Tool");
    EXPECT_EQ(Text(1, 0), "All Users Tool");
    EXPECT_FALSE(all.Modified);
    EXPECT_FALSE(form->aniBusy.Active());
    // Every node of the tree is expanded.
    for (int node = 0; node < TfrmMorvane::NodeCount; ++node) {
        if (TreeView_GetChild(form->tvStartupFolders, form->Node(node))) {
            EXPECT_TRUE(
                TreeView_GetItemState(form->tvStartupFolders, form->Node(node), TVIS_EXPANDED) &
                TVIS_EXPANDED);
        }
    }
}

TEST_F(Unit1Test, EachNodeShowsExactlyItsLocations) {
    SeedEveryLocation();
    Open();
    TStartups& all = *form->Startups();
    for (int node = 0; node < TfrmMorvane::NodeCount; ++node) {
        SCOPED_TRACE(node);
        ShowNode(node);
        EXPECT_EQ(form->SelectedNode(), node);
        std::vector<const TStartup*> expected;
        for (int i = 0; i < all.Count(); ++i)
            if (LocationGroups[node] & (1u << all.Items(i)->Location))
                expected.push_back(all.Items(i));
        ASSERT_EQ(Rows(), static_cast<int>(expected.size()));
        for (int r = 0; r < Rows(); ++r)
            EXPECT_EQ(form->RowEntry(r), expected[static_cast<size_t>(r)]);
    }
    ShowNode(10); // Current User / Run
    EXPECT_EQ(Captions(), std::vector<std::string>{"CU Runner"});
    ShowNode(8); // Current User
    EXPECT_EQ(Rows(), 3);
}

TEST_F(Unit1Test, NameOnlyAndUnknownKindsAreNeverListed) {
    Open();
    TStartups& all = *form->Startups();
    for (int code : {1, 2, 3, 11, 200})
        ASSERT_NE(all.Add("Kind " + std::to_string(code), "",
                          "c:\\k" + std::to_string(code) + ".exe", code, 0),
                  nullptr);
    ASSERT_NE(all.Add("Plain", "", "c:\\plain.exe", slCURun, 0), nullptr);
    for (int node = 0; node < TfrmMorvane::NodeCount; ++node) {
        ShowNode(node);
        for (int r = 0; r < Rows(); ++r)
            EXPECT_EQ(Text(r, 0).rfind("Kind", 0), std::string::npos) << "node " << node;
    }
    ShowNode(0);
    EXPECT_EQ(Captions(), std::vector<std::string>{"Plain"});
}

TEST_F(Unit1Test, RefreshEndsOnTheTopNodeWhateverWasSelected) {
    SeedEveryLocation();
    Open();
    ShowNode(11);
    EXPECT_EQ(Rows(), 1);
    form->btnRefreshClick();
    EXPECT_EQ(form->SelectedNode(), 0);
    EXPECT_EQ(Rows(), 8);
}

TEST_F(Unit1Test, SortsByEachColumn) {
    Open();
    TStartups& all = *form->Startups();
    all.Add("beta", "", "c:\\b\\two.exe", slCURun, 3);
    all.Add("Zulu", "", "c:\\a\\four.exe", slLMStartupFolder, 1);
    all.Add("alpha", "", "c:\\c\\one.exe", slLMRun, 4);
    all.Add("Mike", "", "c:\\B\\three.exe", slCUStartup, 0);
    form->FillList();

    form->lvStartupListColumnClick(0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "alpha", "beta"}));
    form->lvStartupListColumnClick(1); // by program file, not by the command line shown
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "beta", "alpha"}));
    form->lvStartupListColumnClick(2); // by code: 0, 4, 8, 10
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Zulu", "alpha", "beta", "Mike"}));
    form->lvStartupListColumnClick(3);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "beta", "alpha"}));
    form->lvStartupListColumnClick(3); // again: the same, ascending
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "beta", "alpha"}));
    form->lvStartupListColumnClick(4);
    EXPECT_EQ(Rows(), 4);
    // Filling again does not keep the sort.
    form->FillList();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"beta", "Zulu", "alpha", "Mike"}));
}

TEST_F(Unit1Test, SelectionAndFocusStayOnTheirEntriesWhenSorting) {
    Open();
    TStartups& all = *form->Startups();
    all.Add("beta", "", "c:\\b\\two.exe", slCURun, 3);
    all.Add("Zulu", "", "c:\\a\\four.exe", slLMStartupFolder, 1);
    all.Add("alpha", "", "c:\\c\\one.exe", slLMRun, 4);
    form->FillList();
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED); // beta
    ListView_SetItemState(List(), 2, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED); // alpha
    form->lvStartupListColumnClick(0);
    ASSERT_EQ(Captions(), (std::vector<std::string>{"Zulu", "alpha", "beta"}));
    std::vector<std::string> selected;
    for (int row = ListView_GetNextItem(List(), -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(List(), row, LVNI_SELECTED))
        selected.push_back(Text(row, 0));
    EXPECT_EQ(selected, (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(Text(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), 0), "alpha");
    // Check marks belong to the rows' entries as well.
    form->ToggleRow(0);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(form->RowEntry(0)->Enabled);
    EXPECT_EQ(form->RowEntry(0)->Title, "Zulu");
}

TEST_F(Unit1Test, ALargeFillLooksUpOnlyTheFilesOfRowsShown) {
    Open();
    TStartups& all = *form->Startups();
    for (int i = 0; i < 3000; ++i)
        all.Add("Entry " + std::to_string(i), "", "c:\\many\\file" + std::to_string(i) + ".exe",
                slCURun, 0);
    form->FillList();
    EXPECT_EQ(Rows(), 3000);
    EXPECT_EQ(form->RowCount(), 3000);
    UpdateWindow(List());
    Pump();
    const int shown = ListView_GetCountPerPage(List()) + 2;
    EXPECT_LE(form->FileLookups(), shown) << "no file search for rows never shown";
    EXPECT_EQ(Text(2999, 0), "Entry 2999");
    EXPECT_EQ(Text(2999, 1), "c:\\many\\file2999.exe");
    EXPECT_TRUE(Checked(2999));
}

TEST_F(Unit1Test, RemovedRowLeavesTheListAndItsCountInStep) {
    PutValue(slCURun, "One", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Two", std::string(ExistingProgram) + " /2");
    PutValue(slCURun, "Three", std::string(ExistingProgram) + " /3");
    Open();
    int two = RowOf("Two");
    form->ToggleRow(two);
    SelectOnly(two);
    form->Remove1Click();
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(form->RowCount(), 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"One", "Three"}));
    EXPECT_EQ(form->RowEntry(2), nullptr);
}

TEST_F(Unit1Test, CompareHandlesExtremeRatings) {
    TStartups all;
    TStartup* low = all.Add("low", "", "c:\\low.exe", slCURun, INT32_MIN);
    TStartup* high = all.Add("high", "", "c:\\high.exe", slCURun, INT32_MAX);
    EXPECT_LT(TfrmMorvane::lvStartupListCompare(low, high, 3), 0);
    EXPECT_GT(TfrmMorvane::lvStartupListCompare(high, low, 3), 0);
    EXPECT_EQ(TfrmMorvane::lvStartupListCompare(low, high, 4), 0);
}

TEST_F(Unit1Test, PressLeftOfX18TogglesOnceAndNowhereElse) {
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

TEST_F(Unit1Test, RightPressTogglesAndOpensTheMenu) {
    PutValue(slCURun, "Only", std::string(ExistingProgram) + " /only");
    Open();
    RECT r = RowRect(0);
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 10, (r.top + r.bottom) / 2);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(form->RowEntry(0)->Enabled);
    EXPECT_EQ(seam.Menus, 1);
}

TEST_F(Unit1Test, MenuCommandsReachTheirHandlers) {
    PutValue(slCURun, "Only", std::string(ExistingProgram) + " /only");
    Open();
    SelectOnly(0);
    seam.MenuAnswer = TfrmMorvane::Check1;
    RECT r = RowRect(0);
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 100, (r.top + r.bottom) / 2);
    EXPECT_EQ(seam.Menus, 1);
    EXPECT_FALSE(Checked(0)) << "Enable/Disable toggles the selected row";
    seam.MenuAnswer = TfrmMorvane::Remove1;
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, 100, (r.top + r.bottom) / 2);
    EXPECT_EQ(Rows(), 0) << "Remove forgets the disabled entry";
}

TEST_F(Unit1Test, SpaceTogglesTheFocusedRow) {
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

TEST_F(Unit1Test, CheckEnableDisableTogglesFirstSelectedRow) {
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

TEST_F(Unit1Test, RemoveRefusesTickedRowAndForgetsUntickedOne) {
    PutValue(slCURun, "Keep", std::string(ExistingProgram) + " /keep");
    PutValue(slCURun, "Drop", std::string(ExistingProgram) + " /drop");
    Open();

    SelectOnly(RowOf("Keep"));
    form->Remove1Click();
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0],
              "You need to disable the program from Startup, before you can delete the program.");
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(form->Startups()->Count(), 2);

    int drop = RowOf("Drop");
    RECT r = RowRect(drop);
    Click(5, (r.top + r.bottom) / 2);
    SelectOnly(drop);
    form->Remove1Click();
    EXPECT_EQ(seam.Messages.size(), 1u) << "no confirmation";
    EXPECT_EQ(Captions(), std::vector<std::string>{"Keep"});
    EXPECT_EQ(form->Startups()->Count(), 1);
    // Not applied: the value is still in the system and comes back ticked.
    EXPECT_TRUE(HasValue(slCURun, "Drop"));
    form->btnRefreshClick();
    ASSERT_GE(RowOf("Drop"), 0);
    EXPECT_TRUE(Checked(RowOf("Drop")));
}

TEST_F(Unit1Test, ApplyRemovesTheValueAndRefreshBringsTheRowBackUnticked) {
    PutValue(slCURun, "Helper", std::string(ExistingProgram) + " /helper");
    PutValue(slCURun, "Other", std::string(ExistingProgram) + " /other");
    Open();
    int row = RowOf("Helper");
    RECT r = RowRect(row);
    Click(5, (r.top + r.bottom) / 2);
    form->btnApplyClick();
    EXPECT_TRUE(seam.Messages.empty());
    EXPECT_FALSE(HasValue(slCURun, "Helper"));
    EXPECT_TRUE(HasValue(slCURun, "Other"));

    form->btnRefreshClick();
    row = RowOf("Helper");
    ASSERT_GE(row, 0);
    EXPECT_FALSE(Checked(row));
    TStartup* back = form->RowEntry(row);
    EXPECT_FALSE(back->Enabled);
    EXPECT_EQ(back->Location, slCURun);
    EXPECT_EQ(Text(row, 1), std::string(ExistingProgram) + " /helper");

    // Ticking it and applying puts the value back.
    r = RowRect(row);
    Click(5, (r.top + r.bottom) / 2);
    form->btnApplyClick();
    RegValue value;
    ASSERT_TRUE(GetValue(slCURun, "Helper", value));
    EXPECT_EQ(value.Text, std::string(ExistingProgram) + " /helper");
}

TEST_F(Unit1Test, ApplyReportsWhatItCouldNotDoInOneMessage) {
    MakeShortcut(slCUStartup, "Folder Tool", ExistingProgram, "/x");
    Open();
    ASSERT_EQ(Rows(), 1);
    RECT r = RowRect(0);
    Click(5, (r.top + r.bottom) / 2);
    form->btnApplyClick();
    ASSERT_TRUE(seam.Messages.empty());
    ASSERT_FALSE(FileExists(ShortcutPath(slCUStartup, "Folder Tool")));

    // A file where the startup folder should be: the shortcut cannot be made.
    const std::string folder = Folder(slCUStartup);
    ASSERT_TRUE(RemoveDirectoryA(folder.c_str()));
    WriteFileBytes(folder, "in the way");
    Click(5, (r.top + r.bottom) / 2);
    form->btnApplyClick();
    DeleteFileA(folder.c_str());
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_NE(seam.Messages[0].find("Folder Tool"), std::string::npos);
    EXPECT_EQ(seam.Restarts, 0);
}

TEST_F(Unit1Test, RefreshWarnsOfUnappliedChangesUntilToldNotTo) {
    PutValue(slCURun, "Helper", std::string(ExistingProgram) + " /helper");
    Open();
    form->btnRefreshClick();
    EXPECT_EQ(seam.Dialogs, 0) << "nothing changed: no warning";

    RECT r = RowRect(0);
    Click(5, (r.top + r.bottom) / 2);
    form->btnRefreshClick();
    EXPECT_EQ(seam.Dialogs, 1);
    EXPECT_EQ(seam.DialogTitle, "Warning");
    EXPECT_TRUE(Checked(0)) << "the refresh went on and dropped the change";

    seam.OnDialog = [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, TShowOnceDlg::ShowOnceId), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, TShowOnceDlg::OkButtonId), BM_CLICK, 0, 0);
    };
    Click(5, (r.top + r.bottom) / 2);
    form->btnRefreshClick();
    EXPECT_EQ(seam.Dialogs, 2);

    Click(5, (r.top + r.bottom) / 2);
    form->btnRefreshClick();
    EXPECT_EQ(seam.Dialogs, 2) << "not shown again once the box was ticked";
    EXPECT_TRUE(Checked(0));
}

TEST_F(Unit1Test, ClosingWritesTheStoreEvenWithoutChanges) {
    PutValue(slCURun, "Helper", std::string(ExistingProgram) + " /helper");
    Open();
    std::string store = DisabledStorePath();
    ASSERT_FALSE(FileExists(store));
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form->Handle(), nullptr);
    ASSERT_TRUE(FileExists(store));
    EXPECT_NE(ReadFileBytes(store).find("ProgramCount=0"), std::string::npos);
}

TEST_F(Unit1Test, ClosingKeepsUnappliedDisablingsInTheStore) {
    PutValue(slCURun, "Helper", std::string(ExistingProgram) + " /helper");
    Open();
    RECT r = RowRect(0);
    Click(5, (r.top + r.bottom) / 2);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    std::string text = ReadFileBytes(DisabledStorePath());
    EXPECT_NE(text.find("ProgramCount=1"), std::string::npos);
    EXPECT_NE(text.find("title=Helper"), std::string::npos);
}

TEST_F(Unit1Test, PlacementIsSavedOnCloseAndRestoredAtTheSameDpi) {
    Open();
    const TDpi dpi = form->Dpi();
    SetWindowPos(form->Handle(), nullptr, 50, 60, 700, 500, SWP_NOZORDER);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadUserString("Software\\Morvane\\Placement", "NormPos"), "50,60,750,560");
    EXPECT_EQ(ReadUserString("Software\\Morvane\\Forms", "NormPos"), "50,60,750,560");
    DWORD ppi = 0, size = sizeof ppi;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Morvane\\Placement", "PixelsPerInch",
                           RRF_RT_REG_DWORD, nullptr, &ppi, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(static_cast<int>(ppi), dpi.Value);

    Open();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 500);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);

    // Stored at another DPI: the window keeps its own position.
    DWORD other = static_cast<DWORD>(dpi.Value + 24);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Morvane\\Placement", "PixelsPerInch", REG_DWORD,
                    &other, sizeof other);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Morvane\\Forms", "PixelsPerInch", REG_DWORD,
                    &other, sizeof other);
    Open();
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, dpi.Scale(193));
    EXPECT_EQ(r.right - r.left, dpi.Scale(776));
}

// Paints one row into a bitmap through the list's drawing handler.
class RowPicture {
public:
    RowPicture(TfrmMorvane& form, int row) {
        RECT r{};
        ListView_GetItemRect(form.lvStartupList, row, &r, LVIR_BOUNDS);
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr,
                                0);
        old_ = SelectObject(dc_, bmp_);
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTVIEW;
        di.itemID = static_cast<UINT>(row);
        di.itemAction = ODA_DRAWENTIRE;
        di.hwndItem = form.lvStartupList;
        di.hDC = dc_;
        di.rcItem = RECT{0, 0, width_, height_};
        form.lvStartupListDrawItem(di);
        GdiFlush();
    }
    ~RowPicture() {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const {
        uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
    }
    static bool Red(COLORREF c) {
        return GetRValue(c) > 150 && GetGValue(c) < 90 && GetBValue(c) < 90;
    }
    static bool White(COLORREF c) {
        return GetRValue(c) > 230 && GetGValue(c) > 230 && GetBValue(c) > 230;
    }
    static bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 300; }
    int RedPixels(int x0, int x1, int y0, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += Red(At(x, y)) ? 1 : 0;
        return n;
    }

private:
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bmp_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

TEST_F(Unit1Test, PaintedRowShowsCheckBoxUnderlineAndRatingPicture) {
    PutValue(slCURun, "Found", std::string(ExistingProgram) + " /found");
    PutValue(slCURun, "Lost", std::string("\"") + MissingProgram + "\" /lost");
    Open();
    ASSERT_EQ(GetSysColor(COLOR_WINDOW) & 0xffffff, RGB(255, 255, 255))
        << "the pixel checks expect a white list";
    int found = RowOf("Found");
    int lost = RowOf("Lost");
    form->RowEntry(found)->SetRating(2);
    form->RowEntry(lost)->SetRating(4);
    RECT r = RowRect(lost);
    Click(5, (r.top + r.bottom) / 2); // untick "Lost"

    const int nameW = ListView_GetColumnWidth(List(), 0);
    const int fileW = ListView_GetColumnWidth(List(), 1);
    const int locW = ListView_GetColumnWidth(List(), 2);
    const int fileLeft = nameW + 2;
    const int ratingLeft = fileLeft + fileW + 2 + locW + 2;

    RowPicture ticked(*form, found);
    RowPicture unticked(*form, lost);
    const int h = ticked.Height();

    // Check box: a dark frame; inside, a green tick or nothing.
    EXPECT_TRUE(RowPicture::Dark(ticked.At(1, 7)));
    EXPECT_TRUE(RowPicture::Dark(unticked.At(1, 7)));
    EXPECT_TRUE(RowPicture::White(unticked.At(6, 9)));
    COLORREF tick = ticked.At(6, 9);
    EXPECT_GT(GetGValue(tick), GetRValue(tick) + 40) << "green tick";
    EXPECT_TRUE(RowPicture::White(ticked.At(11, 11)));

    // Underline: 4 red rows under the text of a missing program only.
    EXPECT_GT(unticked.RedPixels(fileLeft, fileLeft + fileW - 4, h - 5, h - 1), 10);
    EXPECT_EQ(unticked.RedPixels(fileLeft, fileLeft + fileW - 4, 0, h - 5), 0);
    EXPECT_EQ(ticked.RedPixels(fileLeft, fileLeft + fileW - 4, 0, h), 0);
    // No wider than the text.
    SIZE text{};
    {
        HDC dc = GetDC(List());
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(List(), WM_GETFONT, 0, 0)));
        std::string shown = Text(lost, 1);
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &text);
        SelectObject(dc, old);
        ReleaseDC(List(), dc);
    }
    const int waveEnd = std::min<int>(fileLeft + text.cx, fileLeft + fileW - 4);
    EXPECT_EQ(unticked.RedPixels(waveEnd, fileLeft + fileW - 4, h - 5, h - 1), 0);

    // Rating pictures: red squares; the picture, not the digits.
    EXPECT_TRUE(RowPicture::Red(ticked.At(ratingLeft + 2, 3)));
    EXPECT_TRUE(RowPicture::Red(unticked.At(ratingLeft + 2, 3)));
    EXPECT_GT(ticked.RedPixels(ratingLeft, ratingLeft + 16, 0, 16), 120);
}

TEST_F(Unit1Test, RatingsWithoutPicturesPaintTheirNumber) {
    PutValue(slCURun, "Odd", std::string(ExistingProgram) + " /odd");
    Open();
    form->RowEntry(0)->SetRating(-7);
    RowPicture low(*form, 0);
    form->RowEntry(0)->SetRating(1234567);
    RowPicture high(*form, 0);
    const int ratingLeft = ListView_GetColumnWidth(List(), 0) + 2 +
                           ListView_GetColumnWidth(List(), 1) + 2 +
                           ListView_GetColumnWidth(List(), 2) + 2;
    EXPECT_EQ(high.RedPixels(ratingLeft, ratingLeft + 16, 0, high.Height()), 0);
    int dark = 0;
    for (int y = 0; y < high.Height(); ++y)
        for (int x = ratingLeft; x < ratingLeft + 40; ++x)
            dark += RowPicture::Dark(high.At(x, y)) ? 1 : 0;
    EXPECT_GT(dark, 5) << "the digits are drawn";
}

TEST_F(Unit1Test, PaintingDoesNotSearchTheDiskAgain) {
    PutValue(slCURun, "Lost", std::string("\"") + MissingProgram + "\" /lost");
    Open();
    TRowInfo before = form->InfoFor(*form->RowEntry(0));
    EXPECT_TRUE(before.FileMissing);
    // The file appears; the row keeps what was found when it was added,
    // until the next refresh looks again.
    WriteFileBytes(MissingProgram, "now here");
    EXPECT_TRUE(form->InfoFor(*form->RowEntry(0)).FileMissing);
    form->btnRefreshClick();
    EXPECT_FALSE(form->InfoFor(*form->RowEntry(0)).FileMissing);
}

TEST_F(Unit1Test, ToolBarButtonsClickOnRelease) {
    PutValue(slCURun, "Helper", std::string(ExistingProgram) + " /helper");
    Open();
    HWND refresh = form->btnRefresh.Handle();
    RECT r;
    GetClientRect(refresh, &r);
    EXPECT_EQ(r.right, form->Dpi().Scale(86)) << "takes the size of its picture";
    RECT lr = RowRect(0);
    Click(5, (lr.top + lr.bottom) / 2);
    ASSERT_FALSE(Checked(0));
    SendMessageA(refresh, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(form->btnRefresh.State(), TWebImage::wsOver);
    SendMessageA(refresh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(form->btnRefresh.State(), TWebImage::wsDown);
    EXPECT_FALSE(Checked(0)) << "nothing happens on the press";
    SendMessageA(refresh, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(form->btnRefresh.State(), TWebImage::wsNormal);
    EXPECT_TRUE(Checked(0)) << "the release refreshed";

    // Released outside: no click.
    Click(5, (lr.top + lr.bottom) / 2);
    SendMessageA(refresh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(refresh, WM_LBUTTONUP, 0, MAKELPARAM(-40, 5));
    EXPECT_FALSE(Checked(0));
}

TEST_F(Unit1Test, ButtonsOfOneGroupActAsRadioButtons) {
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

TEST_F(Unit1Test, TileDrawCoversTheRectangleWithCutCopies) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 10, 6);
    HGDIOBJ old = SelectObject(dc, canvas);
    RECT all{0, 0, 10, 6};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    TileDraw(dc, nullptr, all); // an empty picture draws nothing
    EXPECT_EQ(GetPixel(dc, 3, 3) & 0xffffff, 0u);

    TListPainter painter;
    painter.Setup(nullptr, nullptr, nullptr, TDpi{});
    RECT part{1, 1, 9, 5};
    TileDraw(dc, painter.CurveLine(), part);
    // The wave: bottom row red at columns 0 and 3, the row above at 1 and 2.
    EXPECT_EQ(GetPixel(dc, 1, 4) & 0xffffff, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 4, 4) & 0xffffff, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 3) & 0xffffff, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 4) & 0xffffff, RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 5, 4) & 0xffffff, RGB(255, 0, 0)) << "second copy starts at x 5";
    EXPECT_EQ(GetPixel(dc, 9, 4) & 0xffffff, 0u) << "nothing outside the rectangle";
    EXPECT_EQ(GetPixel(dc, 0, 4) & 0xffffff, 0u);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(Unit1Test, LegendAndMenuCarryTheirPictures) {
    Open();
    ASSERT_EQ(ListView_GetItemCount(form->ListView1), 5);
    const char* texts[] = {"Unknown", "Not Recommended", "Not Required", "User's Choice",
                           "System Required"};
    for (int i = 0; i < 5; ++i) {
        char buf[64] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        SendMessageA(form->ListView1, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(buf, texts[i]);
        EXPECT_EQ(item.iImage, 24 + i);
    }
    EXPECT_EQ(ImageList_GetImageCount(form->ImageList1.Get()), 29);
    HMENU menu = form->PopupMenu1.Get();
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    const UINT ids[] = {TfrmMorvane::Check1, TfrmMorvane::Remove1, 0, TfrmMorvane::Refresh1};
    const int pics[] = {12, 15, -1, 18};
    for (int i = 0; i < 4; ++i) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mi);
        if (!ids[i]) {
            EXPECT_TRUE(mi.fType & MFT_SEPARATOR);
            continue;
        }
        EXPECT_EQ(mi.wID, ids[i]);
        EXPECT_EQ(static_cast<int>(mi.dwItemData), pics[i]);
    }
    // The tree's nodes and their pictures.
    const int nodePics[] = {17, 1, 2, 7, 8, 4, 5, 3, 6, 2, 7, 8, 3};
    for (int i = 0; i < TfrmMorvane::NodeCount; ++i) {
        char buf[64] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.hItem = form->Node(i);
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        SendMessageA(form->tvStartupFolders, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(buf, LocationGroupCaptions[i]);
        EXPECT_EQ(item.iImage, nodePics[i]);
        EXPECT_EQ(item.iSelectedImage, nodePics[i]);
    }
}

TEST_F(Unit1Test, TabMovesBetweenTreeAndList) {
    Open();
    SetFocus(form->tvStartupFolders);
    MSG msg{};
    msg.hwnd = form->tvStartupFolders;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_TRUE(IsDialogMessageA(form->Handle(), &msg));
    EXPECT_EQ(GetFocus(), List());
}

} // namespace

namespace {

TEST_F(Unit1Test, EntryWindowsTurnedOffIsUntickedWithItsReasonAsComment) {
    PutValue(slCURun, "Turned Off", std::string(ExistingProgram) + " /off");
    PutValue(slCURun, "Still On", std::string(ExistingProgram) + " /on");
    // HKCU\...\Explorer\StartupApproved\Run, as Task Manager writes it.
    PutMark(RegRoot::CurrentUser, "Run", "Turned Off",
            std::string("\x03\0\0\0\x01\x02\x03\x04\x05\x06\x07\x08", 12));
    Open();
    const int off = RowOf("Turned Off");
    const int on = RowOf("Still On");
    ASSERT_GE(off, 0);
    ASSERT_GE(on, 0);
    EXPECT_FALSE(Checked(off));
    EXPECT_TRUE(Checked(on));
    EXPECT_EQ(Text(off, 4), form->RowEntry(off)->DisabledReason());
    EXPECT_NE(Text(off, 4).find("Windows' Startup settings"), std::string::npos);
    EXPECT_EQ(Text(on, 4), "");
    EXPECT_TRUE(seam.Messages.empty());
}

TEST_F(Unit1Test, OddValuesAreToldOnceAfterTheListIsFilled) {
    PutValue(slCURun, "Good", std::string(ExistingProgram) + " /good");
    PutRawValue(slCURun, "Odd Number", regDword, std::string("\x01\0\0\0", 4));
    PutValue(slLMRun, "Machine", std::string(ExistingProgram) + " /machine");
    Open();
    EXPECT_EQ(Rows(), 2);
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_NE(seam.Messages[0].find("\"Odd Number\" in CU Run: not text (REG_DWORD)"),
              std::string::npos)
        << seam.Messages[0];
}

TEST_F(Unit1Test, ProgramNamedWithAVariableIsNotDrawnMissing) {
    PutValue(slCURun, "Notepad", "%windir%\\system32\\notepad.exe", regExpandSz);
    Open();
    const int row = RowOf("Notepad");
    ASSERT_GE(row, 0);
    const TRowInfo info = ExamineEntry(*form->RowEntry(row));
    EXPECT_FALSE(info.FileMissing);
    EXPECT_GE(info.ImageIndex, 0);
    EXPECT_EQ(Text(row, 1), "%windir%\\system32\\notepad.exe");
}

} // namespace
