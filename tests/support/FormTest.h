#pragma once
// The main window in a clean system, with a seam that answers every dialog,
// menu and file dialog and records the web addresses the window opens.
// Windows only (under Wine in a throw-away prefix).

#include "support/CoreFixture.h"

#include "core/system/Files.h"
#include "ui/DetailPane.h"
#include "ui/EntryList.h"
#include "ui/SidePane.h"
#include "ui/ToolBar.h"
#include "ui/Unit1.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TFormTestSeam : public TUiSeam {
public:
    std::vector<std::string> Messages;
    int Dialogs = 0;
    std::vector<std::string> DialogTitles;
    std::function<void(HWND)> OnDialog;
    int Menus = 0;
    HMENU LastMenu = nullptr;
    POINT LastMenuPoint{};
    std::function<UINT(HMENU)> OnMenu;
    std::vector<TFileDialogOptions> FileDialogs;
    std::string FileAnswer; // empty: the dialog is cancelled
    std::vector<std::string> Opened;
    int Restarts = 0;

    int ShowMessageBox(HWND, const std::string& text, const std::string&, UINT) override {
        Messages.push_back(text);
        return IDOK;
    }
    int ShowModal(HWND dialog, const int& modalResult) override {
        ++Dialogs;
        char title[256] = {};
        GetWindowTextA(dialog, title, sizeof title);
        DialogTitles.push_back(title);
        if (OnDialog)
            OnDialog(dialog);
        return modalResult != 0 ? modalResult : IDCANCEL;
    }
    UINT PopupMenu(HMENU menu, HWND, POINT screen) override {
        ++Menus;
        LastMenu = menu;
        LastMenuPoint = screen;
        return OnMenu ? OnMenu(menu) : 0;
    }
    bool RestartElevated(HWND) override {
        ++Restarts;
        return false;
    }
    bool ChooseFile(HWND, const TFileDialogOptions& options, std::string& fileName) override {
        FileDialogs.push_back(options);
        if (FileAnswer.empty())
            return false;
        fileName = FileAnswer;
        return true;
    }
    void OpenAddress(const std::string& address) override { Opened.push_back(address); }
};

class FormTest : public CoreTest {
protected:
    // Files that are not programs: Wine starts the programs of some startup
    // keys when a prefix starts, and these entries must never run anything.
    static constexpr const char* TestFolder = "C:\\Morvane Form Test";
    static constexpr const char* ExistingProgram = "C:\\Morvane Form Test\\present.cfg";
    static constexpr const char* MissingProgram = "C:\\Morvane Form Test\\missing.cfg";

    void SetUp() override {
        CoreTest::SetUp();
        if (IsSkipped())
            return;
        OleInitialize(nullptr);
        InitMorvaneControls();
        CreateDirectoryA(TestFolder, nullptr);
        WriteFileBytes(ExistingProgram, "present");
        SetUiSeam(&seam);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
    }

    void TearDown() override {
        if (!IsSkipped()) {
            form.reset();
            Pump();
            SetUiSeam(nullptr);
            RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
            DeleteFileA(ExistingProgram);
            DeleteFileA(MissingProgram);
            RemoveDirectoryA(TestFolder);
            OleUninitialize();
        }
        CoreTest::TearDown();
    }

    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    void Open() {
        form = std::make_unique<TfrmMorvane>();
        ASSERT_TRUE(form->Create());
        form->Show(SW_SHOWNORMAL);
        Pump();
    }

    HWND List() const { return form->ListHandle(); }
    int Rows() const { return ListView_GetItemCount(List()); }
    std::string Text(int row, int column) const {
        char buf[1024] = {};
        ListView_GetItemText(List(), row, column, buf, sizeof buf);
        return buf;
    }
    int RowOf(const std::string& caption) const {
        for (int i = 0; i < Rows(); ++i)
            if (Text(i, 0) == caption)
                return i;
        return -1;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < Rows(); ++i)
            out.push_back(Text(i, 0));
        return out;
    }
    bool Checked(int row) const { return ListView_GetCheckState(List(), row) != 0; }
    void SelectOnly(int row) {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
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

    void ShowNode(int node) {
        TreeView_SelectItem(form->TreeHandle(), form->Node(node));
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

    TFormTestSeam seam;
    std::unique_ptr<TfrmMorvane> form;
};
