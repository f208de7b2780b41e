// The menu popMoreTask: quick profiles, profile files, the XML export, the
// web links and the keys.

#include "support/FormTest.h"

#include "core/system/Folders.h"
#include "online/xml/XXmlDom.h"
#include "ui/MoreTasksMenu.h"
#include "ui/QuickProfiles.h"
#include "ui/WebLinks.h"

#include <commctrl.h>

#include <sstream>

namespace {

class MoreTasksMenuTest : public FormTest {
protected:
    void TearDown() override {
        if (!IsSkipped()) {
            for (int slot = 1; slot <= 4; ++slot)
                DeleteFileA(QuickProfilePath(slot).c_str());
        }
        FormTest::TearDown();
    }

    HMENU Menu() const { return form->MoreTasksMenu(); }

    bool Enabled(UINT id) const {
        UINT state = GetMenuState(Menu(), id, MF_BYCOMMAND);
        return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
    }

    // Opens the menu through its button and chooses a command (0: none).
    void Choose(UINT command) {
        seam.OnMenu = [command](HMENU) { return command; };
        form->btnMoreTasksClick();
        seam.OnMenu = nullptr;
    }

    static std::string Caption(HMENU menu, UINT position) {
        char buf[128] = {};
        GetMenuStringA(menu, position, buf, sizeof buf, MF_BYPOSITION);
        return buf;
    }

    void SeedTwo() {
        PutValue(slCURun, "Alpha", std::string(ExistingProgram) + " /a");
        PutValue(slCURun, "Beta", std::string(ExistingProgram) + " /b");
    }
};

TEST_F(MoreTasksMenuTest, MenuCarriesItsSubmenusCaptionsShortcutsAndPictures) {
    Open();
    HMENU top = Menu();
    ASSERT_EQ(GetMenuItemCount(top), 8);
    EXPECT_EQ(Caption(top, 0), "Startup &Profiles");
    EXPECT_EQ(Caption(top, 2), "&Export");
    EXPECT_EQ(Caption(top, 3), "&Options...");
    EXPECT_EQ(GetMenuItemID(top, 3), TfrmMorvane::Options1);
    EXPECT_EQ(Caption(top, 5), "Visit Morvane website");
    EXPECT_EQ(Caption(top, 6), "Visit Morvane Online");
    EXPECT_EQ(Caption(top, 7), "Contribute information");
    for (UINT separator : {1u, 4u}) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(top, separator, TRUE, &mi);
        EXPECT_TRUE(mi.fType & MFT_SEPARATOR) << separator;
    }
    const int pictures[] = {19, 19, 20};
    for (UINT i = 0; i < 3; ++i) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_DATA | MIIM_BITMAP;
        GetMenuItemInfoA(top, 5 + i, TRUE, &mi);
        EXPECT_EQ(static_cast<int>(mi.dwItemData), pictures[i]);
        EXPECT_EQ(mi.hbmpItem, HBMMENU_CALLBACK);
    }

    HMENU profiles = GetSubMenu(top, 0);
    ASSERT_NE(profiles, nullptr);
    ASSERT_EQ(GetMenuItemCount(profiles), 5);
    EXPECT_EQ(Caption(profiles, 0), "Quick &Load Profiles");
    EXPECT_EQ(Caption(profiles, 1), "Quick &Save Profiles");
    EXPECT_EQ(Caption(profiles, 3), "Load Profile from File\tCtrl+O");
    EXPECT_EQ(Caption(profiles, 4), "Save Profile to File\tCtrl+S");
    HMENU load = GetSubMenu(profiles, 0);
    HMENU save = GetSubMenu(profiles, 1);
    ASSERT_EQ(GetMenuItemCount(load), 4);
    ASSERT_EQ(GetMenuItemCount(save), 4);
    for (UINT n = 0; n < 4; ++n) {
        EXPECT_EQ(Caption(load, n),
                  "Load Profile &" + std::to_string(n + 1) + "\tShift+F" + std::to_string(n + 5));
        EXPECT_EQ(Caption(save, n),
                  "Save Profile &" + std::to_string(n + 1) + "\tF" + std::to_string(n + 5));
        EXPECT_EQ(GetMenuItemID(load, static_cast<int>(n)), TfrmMorvane::loadProfile1 + n);
        EXPECT_EQ(GetMenuItemID(save, static_cast<int>(n)), TfrmMorvane::saveProfile1 + n);
    }
    HMENU exportMenu = GetSubMenu(top, 2);
    ASSERT_EQ(GetMenuItemCount(exportMenu), 1);
    EXPECT_EQ(GetMenuItemID(exportMenu, 0), TfrmMorvane::ExportXml1);
}

TEST_F(MoreTasksMenuTest, OpensBelowTheButton) {
    Open();
    Choose(0);
    EXPECT_EQ(seam.Menus, 1);
    EXPECT_EQ(seam.LastMenu, Menu());
    RECT r;
    GetClientRect(form->MoreTasksButton().Handle(), &r);
    POINT expected{0, r.bottom};
    ClientToScreen(form->MoreTasksButton().Handle(), &expected);
    EXPECT_EQ(seam.LastMenuPoint.x, expected.x);
    EXPECT_EQ(seam.LastMenuPoint.y, expected.y);
}

TEST_F(MoreTasksMenuTest, LoadItemsAreEnabledExactlyWhenTheirProfileExists) {
    Open();
    Choose(0);
    for (UINT n = 0; n < 4; ++n) {
        EXPECT_FALSE(Enabled(TfrmMorvane::loadProfile1 + n)) << n;
        EXPECT_TRUE(Enabled(TfrmMorvane::saveProfile1 + n)) << n;
    }
    // The quick profiles' folder does not exist yet: saving creates it.
    const std::string folder = FileDir(QuickProfilePath(2));
    EXPECT_EQ(folder, PathJoin(GetSpecialFolder(5), "Morvane\\quick profiles"));
    Choose(TfrmMorvane::saveProfile1 + 1);
    EXPECT_TRUE(FileExists(QuickProfilePath(2)));
    EXPECT_TRUE(seam.Messages.empty());
    Choose(0);
    EXPECT_FALSE(Enabled(TfrmMorvane::loadProfile1));
    EXPECT_TRUE(Enabled(TfrmMorvane::loadProfile1 + 1));
    EXPECT_FALSE(Enabled(TfrmMorvane::loadProfile1 + 2));
    EXPECT_FALSE(Enabled(TfrmMorvane::loadProfile1 + 3));
}

TEST_F(MoreTasksMenuTest, QuickSaveAndLoadBringBackTheSelection) {
    SeedTwo();
    Open();
    int alpha = RowOf("Alpha");
    form->EntryList().SetRowChecked(alpha, false);
    ASSERT_FALSE(form->EntryList().RowEntry(alpha)->Enabled);
    Choose(TfrmMorvane::saveProfile1 + 2);
    form->btnRefreshClick();
    ASSERT_TRUE(Checked(RowOf("Alpha")));

    Choose(TfrmMorvane::loadProfile1 + 2);
    ASSERT_EQ(Rows(), 2);
    EXPECT_FALSE(Checked(RowOf("Alpha")));
    EXPECT_TRUE(Checked(RowOf("Beta")));
    EXPECT_FALSE(form->EntryList().RowEntry(RowOf("Alpha"))->Enabled);
    // Nothing in the system changes until Apply.
    EXPECT_TRUE(HasValue(slCURun, "Alpha"));
    EXPECT_TRUE(IsWindowVisible(List()));
}

// Counts the times the list is given a new row count, that is, filled.
LRESULT CALLBACK CountFills(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (msg == LVM_SETITEMCOUNT)
        ++*reinterpret_cast<int*>(data);
    return DefSubclassProc(wnd, msg, wp, lp);
}

TEST_F(MoreTasksMenuTest, QuickLoadFillsTheListOnce) {
    SeedTwo();
    Open();
    Choose(TfrmMorvane::saveProfile1);
    int fills = 0;
    ASSERT_TRUE(SetWindowSubclass(List(), CountFills, 7, reinterpret_cast<DWORD_PTR>(&fills)));
    Choose(TfrmMorvane::loadProfile1);
    RemoveWindowSubclass(List(), CountFills, 7);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(Rows(), 2);
}

// Profiles that earlier versions' documents folder held join the used
// folder; one already kept there under the same name is never replaced.
TEST_F(MoreTasksMenuTest, ProfilesOfTheDocumentsFolderMoveToTheUsedFolder) {
    const std::string stray = StrayQuickProfileFolder();
    EXPECT_EQ(stray, PathJoin(GetSpecialFolder(4), "Morvane\\Quick Profiles"));
    ASSERT_TRUE(ForceFolders(stray));
    ASSERT_TRUE(ForceFolders(QuickProfileFolder()));
    WriteFileBytes(PathJoin(stray, "profile1.mvp"), "old one");
    WriteFileBytes(PathJoin(stray, "profile2.mvp"), "old two");
    WriteFileBytes(PathJoin(stray, "notes.txt"), "not a profile");
    WriteFileBytes(QuickProfilePath(2), "kept two");
    Open();
    std::string text;
    ASSERT_TRUE(ReadWholeFile(QuickProfilePath(1), text));
    EXPECT_EQ(text, "old one");
    EXPECT_FALSE(FileExists(PathJoin(stray, "profile1.mvp")));
    ASSERT_TRUE(ReadWholeFile(QuickProfilePath(2), text));
    EXPECT_EQ(text, "kept two") << "never written over";
    EXPECT_TRUE(FileExists(PathJoin(stray, "profile2.mvp"))) << "left where it was";
    EXPECT_TRUE(FileExists(PathJoin(stray, "notes.txt")));
    DeleteFileA(PathJoin(stray, "profile2.mvp").c_str());
    DeleteFileA(PathJoin(stray, "notes.txt").c_str());

    // Emptied, the folder goes; and no start makes it again.
    form.reset();
    Open();
    EXPECT_EQ(GetFileAttributesA(stray.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(MoveQuickProfiles(stray, QuickProfileFolder()), 0);
    EXPECT_EQ(GetFileAttributesA(stray.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MoreTasksMenuTest, AllDisabledProfileShowsEveryRowUnticked) {
    SeedTwo();
    Open();
    const std::string path = PathJoin(TestFolder, "off.mvp");
    WriteFileBytes(path, "[General]\r\nProgramCount=2\r\n"
                         "[0]\r\ntitle=Alpha\r\nfullpath=" +
                             std::string(ExistingProgram) +
                             " /a\r\nlocation=8\r\nrating=0\r\nenabled=0\r\n"
                             "[1]\r\ntitle=Beta\r\nfullpath=" +
                             ExistingProgram + " /b\r\nlocation=8\r\nrating=0\r\nenabled=0\r\n");
    seam.FileAnswer = path;
    Choose(TfrmMorvane::loadProfileFromFile);
    ASSERT_EQ(Rows(), 2);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(Checked(1));
    EXPECT_TRUE(HasValue(slCURun, "Alpha"));
    EXPECT_TRUE(HasValue(slCURun, "Beta"));
    DeleteFileA(path.c_str());
}

TEST_F(MoreTasksMenuTest, CancellingTheOpenDialogRebuildsTheList) {
    SeedTwo();
    Open();
    TStartups& all = *form->Startups();
    ASSERT_NE(all.Add("Added", "", "c:\\added.exe", slCURun, 0), nullptr);
    ASSERT_EQ(Rows(), 2) << "not shown before the list is rebuilt";
    seam.FileAnswer.clear();
    form->loadProfileFromFileClick();
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(all.Count(), 3);
    ASSERT_EQ(seam.FileDialogs.size(), 1u);
    const TFileDialogOptions& options = seam.FileDialogs[0];
    EXPECT_FALSE(options.Save);
    EXPECT_EQ(options.Title, "Open Profile");
    EXPECT_EQ(options.Filter, "Morvane Profile|*.mvp|All Files|*.*");
    EXPECT_EQ(options.DefaultExt, "mvp");
    EXPECT_EQ(options.InitialDir, PathJoin(GetSpecialFolder(4), "Morvane"));
}

TEST_F(MoreTasksMenuTest, AFileThatIsNoProfileIsRefusedAndChangesNothing) {
    SeedTwo();
    Open();
    const std::string path = PathJoin(TestFolder, "notes.txt");
    WriteFileBytes(path, "just some notes\r\n");
    seam.FileAnswer = path;
    form->Guarded([&] { form->loadProfileFromFileClick(); });
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_NE(seam.Messages[0].find("is not a Morvane profile"), std::string::npos);
    EXPECT_EQ(form->Startups()->Count(), 2);
    EXPECT_EQ(Rows(), 2);
    DeleteFileA(path.c_str());
}

TEST_F(MoreTasksMenuTest, SavingAFileKeepsEveryEntryWhateverTheListShows) {
    SeedTwo();
    MakeShortcut(slCUStartup, "Folder Tool", ExistingProgram, "/f");
    Open();
    TreeView_SelectItem(form->TreeHandle(), form->Node(12)); // Current User / Startup Folder
    form->tvStartupFoldersClick();
    ASSERT_EQ(Rows(), 1);
    const std::string path = PathJoin(TestFolder, "all.mvp");
    seam.FileAnswer = path;
    Choose(TfrmMorvane::saveProfiletoFile);
    ASSERT_EQ(seam.FileDialogs.size(), 1u);
    EXPECT_TRUE(seam.FileDialogs[0].Save);
    EXPECT_EQ(seam.FileDialogs[0].Title, "Save Profile");
    EXPECT_EQ(seam.FileDialogs[0].DefaultExt, "mvp");
    std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("ProgramCount=3"), std::string::npos);
    EXPECT_NE(text.find("title=Alpha"), std::string::npos);
    EXPECT_NE(text.find("title=Folder Tool"), std::string::npos);
    DeleteFileA(path.c_str());
}

TEST_F(MoreTasksMenuTest, XmlExportParsesAndHoldsEveryEntry) {
    SeedTwo();
    PutValue(slCURun, "Odd <&>", std::string("\"") + MissingProgram + "\" -x");
    Open();
    const std::string path = PathJoin(TestFolder, "entries.xml");
    seam.FileAnswer = path;
    Choose(TfrmMorvane::ExportXml1);
    ASSERT_EQ(seam.FileDialogs.size(), 1u);
    EXPECT_EQ(seam.FileDialogs[0].DefaultExt, "xml");
    ASSERT_TRUE(FileExists(path));

    auto doc = MakeRef<TXmlDDocument>();
    std::istringstream in(ReadFileBytes(path));
    doc->LoadFromStream(in);
    TXmlDElement* root = doc->DocumentElement();
    ASSERT_NE(root, nullptr);
    TStartups& all = *form->Startups();
    EXPECT_EQ(root->GetAttribute("count"), std::to_string(all.Count()));
    std::vector<std::string> titles;
    std::vector<std::string> missing;
    TXmlDNodeList* entries = root->ChildNodes();
    for (int i = 0; i < entries->Length(); ++i) {
        TXmlDNode* entry = entries->Item(i);
        if (entry->NodeType() != ntElement)
            continue;
        TXmlDNodeList* fields = entry->ChildNodes();
        for (int f = 0; f < fields->Length(); ++f) {
            if (fields->Item(f)->NodeName() == "title")
                titles.push_back(fields->Item(f)->Text());
            if (fields->Item(f)->NodeName() == "fileMissing")
                missing.push_back(fields->Item(f)->Text());
        }
    }
    ASSERT_EQ(titles.size(), static_cast<size_t>(all.Count()));
    for (int i = 0; i < all.Count(); ++i) {
        const std::string expected = all.Items(i)->Title;
        EXPECT_EQ(titles[static_cast<size_t>(i)], expected);
        EXPECT_EQ(missing[static_cast<size_t>(i)],
                  expected == "Alpha" || expected == "Beta" ? "false" : "true");
    }
    // The document is the UTF-8 it says it is, whatever the ANSI code page.
    EXPECT_EQ(ReadFileBytes(path).rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    DeleteFileA(path.c_str());
}

TEST_F(MoreTasksMenuTest, FunctionKeysActFromTheOpenMenuOnly) {
    EXPECT_EQ(TMoreTasksMenu::popMoreTaskKey(VK_F5, false), TfrmMorvane::saveProfile1);
    EXPECT_EQ(TMoreTasksMenu::popMoreTaskKey(VK_F8, false), TfrmMorvane::saveProfile4);
    EXPECT_EQ(TMoreTasksMenu::popMoreTaskKey(VK_F5, true), TfrmMorvane::loadProfile1);
    EXPECT_EQ(TMoreTasksMenu::popMoreTaskKey(VK_F7, true), TfrmMorvane::loadProfile1 + 2);
    EXPECT_EQ(TMoreTasksMenu::popMoreTaskKey(VK_F4, false), 0u);
    EXPECT_EQ(TMoreTasksMenu::popMoreTaskKey(VK_F9, true), 0u);

    SeedTwo();
    Open();
    // F6 while the window has the focus and no menu is open: nothing.
    MSG closed{form->ListHandle(), WM_KEYDOWN, VK_F6, 0, 0, {}};
    EXPECT_FALSE(form->PreTranslateMessage(closed));
    SendMessageA(form->ListHandle(), WM_KEYDOWN, VK_F6, 0);
    EXPECT_FALSE(FileExists(QuickProfilePath(2)));

    // F6 in the open menu: the menu's message filter sees it.
    seam.OnMenu = [](HMENU) {
        MSG key{nullptr, WM_KEYDOWN, VK_F6, 0, 0, {}};
        CallMsgFilterA(&key, MSGF_MENU);
        return 0u;
    };
    form->btnMoreTasksClick();
    EXPECT_TRUE(FileExists(QuickProfilePath(2)));
}

TEST_F(MoreTasksMenuTest, CtrlOAndCtrlSWorkWhileTheMenuIsClosed) {
    Open();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE held[256];
    memcpy(held, keys, sizeof held);
    held[VK_CONTROL] = 0x80;
    SetKeyboardState(held);
    MSG save{form->ListHandle(), WM_KEYDOWN, 'S', 0, 0, {}};
    bool tookSave = form->PreTranslateMessage(save);
    MSG open{form->ListHandle(), WM_KEYDOWN, 'O', 0, 0, {}};
    bool tookOpen = form->PreTranslateMessage(open);
    SetKeyboardState(keys);
    EXPECT_TRUE(tookSave);
    EXPECT_TRUE(tookOpen);
    ASSERT_EQ(seam.FileDialogs.size(), 2u);
    EXPECT_EQ(seam.FileDialogs[0].Title, "Save Profile");
    EXPECT_EQ(seam.FileDialogs[1].Title, "Open Profile");
    EXPECT_EQ(seam.Menus, 0);
}

TEST_F(MoreTasksMenuTest, WebLinksOpenTheSiteThroughTheShell) {
    Open();
    Choose(TfrmMorvane::VisitWebsite1);
    Choose(TfrmMorvane::VisitOnline1);
    Choose(TfrmMorvane::Contributeinformation2);
    const std::string site = MorvaneSiteUrl;
    EXPECT_EQ(seam.Opened,
              (std::vector<std::string>{site, site + "/mvo", site + "/mvo/contribute1.php"}));
}

TEST_F(MoreTasksMenuTest, BackupReminderComesBeforeTheFirstApplyWithoutAProfile) {
    SeedTwo();
    Open();
    form->btnApplyClick();
    ASSERT_EQ(seam.Dialogs, 1);
    EXPECT_EQ(seam.DialogTitles[0], "Warning");
    form->btnApplyClick();
    EXPECT_EQ(seam.Dialogs, 1) << "once a run";

    Open();
    Choose(TfrmMorvane::saveProfile1);
    form->btnApplyClick();
    EXPECT_EQ(seam.Dialogs, 1) << "a profile was saved in this run";
}

} // namespace
