// The main window, driven through its handlers and window messages, with the
// rows read back through the list control: what the window shows after a
// scan, per node, and what refresh, remove, apply and closing do. Runs in a
// throw-away Wine prefix only (the fixture empties the startup keys and
// folders).

#include "support/FormTest.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class Unit1Test : public FormTest {};

TEST_F(Unit1Test, StartShowsEveryScannedEntryInCollectionOrder) {
    SeedEveryLocation();
    PutValue(slCURun, "Missing", std::string("\"") + MissingProgram + "\" -q");
    Open();

    TStartups& all = *form->Startups();
    EXPECT_EQ(form->SelectedNode(), 0);
    EXPECT_EQ(GetFocus(), form->TreeHandle());
    ASSERT_EQ(Rows(), all.Count());
    ASSERT_EQ(Rows(), 9);
    for (int i = 0; i < Rows(); ++i) {
        const TStartup* e = all.Items(i);
        SCOPED_TRACE(e->Title);
        EXPECT_EQ(form->EntryList().RowEntry(i), e);
        EXPECT_EQ(Text(i, 0), e->Title);
        EXPECT_EQ(Text(i, lcFilename), e->CommandLine);
        EXPECT_EQ(Text(i, lcLocation), e->LocationText());
        EXPECT_EQ(Text(i, lcRating), std::to_string(e->Rating));
        EXPECT_TRUE(Checked(i));
    }
    // The scan's order: user folder, all-users folder, then the six keys.
    EXPECT_EQ(Text(0, 0), "My Tool");
    EXPECT_EQ(Text(1, 0), "All Users Tool");
    EXPECT_FALSE(all.Modified);
    EXPECT_FALSE(form->Busy().Active());
    // Every node of the tree is expanded.
    for (int node = 0; node < TfrmMorvane::NodeCount; ++node) {
        if (TreeView_GetChild(form->TreeHandle(), form->Node(node))) {
            EXPECT_TRUE(TreeView_GetItemState(form->TreeHandle(), form->Node(node), TVIS_EXPANDED) &
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
            if (LocationTree[node].Codes & (1u << all.Items(i)->Location))
                expected.push_back(all.Items(i));
        ASSERT_EQ(Rows(), static_cast<int>(expected.size()));
        for (int r = 0; r < Rows(); ++r)
            EXPECT_EQ(form->EntryList().RowEntry(r), expected[static_cast<size_t>(r)]);
    }
    ShowNode(10); // Current User / Run
    EXPECT_EQ(Captions(), std::vector<std::string>{"CU Runner"});
    ShowNode(8); // Current User
    EXPECT_EQ(Rows(), 3);
}

TEST_F(Unit1Test, NameOnlyAndUnknownKindsAreNeverListed) {
    Open();
    TStartups& all = *form->Startups();
    for (int code : {1, 2, 3, 18, 200})
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

TEST_F(Unit1Test, RemovedRowLeavesTheListAndItsCountInStep) {
    PutValue(slCURun, "One", std::string(ExistingProgram) + " /1");
    PutValue(slCURun, "Two", std::string(ExistingProgram) + " /2");
    PutValue(slCURun, "Three", std::string(ExistingProgram) + " /3");
    Open();
    int two = RowOf("Two");
    form->EntryList().ToggleRow(two);
    SelectOnly(two);
    form->Remove1Click();
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(form->EntryList().RowCount(), 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"One", "Three"}));
    EXPECT_EQ(form->EntryList().RowEntry(2), nullptr);
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
    TStartup* back = form->EntryList().RowEntry(row);
    EXPECT_FALSE(back->Enabled);
    EXPECT_EQ(back->Location, slCURun);
    EXPECT_EQ(Text(row, lcFilename), std::string(ExistingProgram) + " /helper");

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
    EXPECT_EQ(seam.DialogTitles.back(), "Warning");
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

TEST_F(Unit1Test, TabMovesBetweenTreeAndList) {
    Open();
    SetFocus(form->TreeHandle());
    MSG msg{};
    msg.hwnd = form->TreeHandle();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_TRUE(IsDialogMessageA(form->Handle(), &msg));
    EXPECT_EQ(GetFocus(), List());
}

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
    EXPECT_EQ(Text(off, lcComment), form->EntryList().RowEntry(off)->DisabledReason());
    EXPECT_NE(Text(off, lcComment).find("Windows' Startup settings"), std::string::npos);
    EXPECT_EQ(Text(on, lcComment), "");
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

// Moved to a screen that draws at twice the DPI, the window redraws itself
// for it: fonts, rows, tool bar, panes and the place Windows suggests.
TEST_F(Unit1Test, AnotherScreensDpiRescalesTheWindowAndItsParts) {
    SeedEveryLocation();
    Open();
    const int before = form->Dpi().Value;
    const int after = before * 2;
    auto rowHeight = [&] {
        RECT r{};
        ListView_GetItemRect(form->ListHandle(), 0, &r, LVIR_BOUNDS);
        return static_cast<int>(r.bottom - r.top);
    };
    auto height = [](HWND wnd) {
        RECT r{};
        GetWindowRect(wnd, &r);
        return static_cast<int>(r.bottom - r.top);
    };
    auto fontHeight = [](HWND wnd) {
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return static_cast<int>(lf.lfHeight);
    };
    const int rowBefore = rowHeight();
    const int leftBefore = form->LeftSplitter().PaneSize();
    const int columnBefore = ListView_GetColumnWidth(form->ListHandle(), 0);
    RECT suggested{20, 10, 20 + 1220, 10 + 1000};

    SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(after, after),
                 reinterpret_cast<LPARAM>(&suggested));
    Pump();

    EXPECT_EQ(form->Dpi().Value, after);
    EXPECT_EQ(fontHeight(form->ListHandle()), -MulDiv(layout::FontPoints, after, 72));
    EXPECT_EQ(fontHeight(form->TreeHandle()), -MulDiv(layout::FontPoints, after, 72));
    EXPECT_GE(rowHeight(), rowBefore * 2 - 2);
    EXPECT_EQ(height(form->RefreshButton().Handle()), MulDiv(layout::ButtonHeight, after, 96));
    EXPECT_EQ(form->LeftSplitter().PaneSize(), leftBefore * 2);
    EXPECT_EQ(ListView_GetColumnWidth(form->ListHandle(), 0), columnBefore * 2);
    int pictureWidth = 0, pictureHeight = 0;
    ImageList_GetIconSize(form->PictureList(), &pictureWidth, &pictureHeight);
    EXPECT_EQ(pictureWidth, PictureSize(form->Dpi()));
    RECT now{};
    GetWindowRect(form->Handle(), &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
    // The tree draws from the picture list the window holds now.
    EXPECT_EQ(TreeView_GetImageList(form->TreeHandle(), TVSIL_NORMAL), form->PictureList());
}

} // namespace
