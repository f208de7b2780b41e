// The menu popMoreTask: quick profiles, profile files, the XML export and the
// web links; and the window's keyboard shortcuts.

#include "Unit1.h"

#include "Pictures.h"
#include "WebLinks.h"
#include "optiondlg.h"
#include "core/startupExport.h"
#include "core/startupTasks.h"
#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/Ini.h"

#include <string>
#include <utility>
#include <vector>

namespace {

const char* const ProfileFilter = "Morvane Profile|*.mvp|All Files|*.*";

struct TMenuItemDef {
    int Level; // 0 top, 1 in a submenu, 2 in a submenu's submenu
    UINT Id;   // 0 with a caption: a submenu; 0 without: a separator
    const char* Caption;
    int Picture;
};

// The menu in order; an item opens a submenu when the next item is deeper.
const TMenuItemDef MoreTaskItems[] = {
    {0, 0, "Startup &Profiles", -1},
    {1, 0, "Quick &Load Profiles", -1},
    {2, TfrmMorvane::loadProfile1 + 0, "Load Profile &1\tShift+F5", -1},
    {2, TfrmMorvane::loadProfile1 + 1, "Load Profile &2\tShift+F6", -1},
    {2, TfrmMorvane::loadProfile1 + 2, "Load Profile &3\tShift+F7", -1},
    {2, TfrmMorvane::loadProfile1 + 3, "Load Profile &4\tShift+F8", -1},
    {1, 0, "Quick &Save Profiles", -1},
    {2, TfrmMorvane::saveProfile1 + 0, "Save Profile &1\tF5", -1},
    {2, TfrmMorvane::saveProfile1 + 1, "Save Profile &2\tF6", -1},
    {2, TfrmMorvane::saveProfile1 + 2, "Save Profile &3\tF7", -1},
    {2, TfrmMorvane::saveProfile1 + 3, "Save Profile &4\tF8", -1},
    {1, 0, nullptr, -1}, // N1
    {1, TfrmMorvane::loadProfileFromFile, "Load Profile from File\tCtrl+O", -1},
    {1, TfrmMorvane::saveProfiletoFile, "Save Profile to File\tCtrl+S", -1},
    {0, 0, nullptr, -1}, // N2
    {0, 0, "&Export", -1},
    {1, TfrmMorvane::ExportXml1, "XML...", -1},
    {0, TfrmMorvane::Options1, "&Options...", -1},
    {0, 0, nullptr, -1}, // N4
    {0, TfrmMorvane::VisitWebsite1, "Visit Morvane website", piWebLink},
    {0, TfrmMorvane::VisitOnline1, "Visit Morvane Online", piWebLink},
    {0, TfrmMorvane::Contributeinformation2, "Contribute information", piPencil},
};

void AppendItem(HMENU menu, const TMenuItemDef& def, HMENU submenu) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    if (!def.Caption) {
        mi.fMask = MIIM_FTYPE;
        mi.fType = MFT_SEPARATOR;
    } else {
        mi.fMask = MIIM_STRING | MIIM_ID;
        mi.wID = def.Id;
        mi.dwTypeData = const_cast<char*>(def.Caption);
        if (submenu) {
            mi.fMask |= MIIM_SUBMENU;
            mi.hSubMenu = submenu;
        }
        if (def.Picture >= 0) {
            // Drawn from ImageList1 when the menu asks for it.
            mi.fMask |= MIIM_BITMAP | MIIM_DATA;
            mi.hbmpItem = HBMMENU_CALLBACK;
            mi.dwItemData = static_cast<ULONG_PTR>(def.Picture);
        }
    }
    InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &mi);
}

// The window whose popMoreTask is open, for the menu's key filter.
TfrmMorvane* menuOwner = nullptr;

bool IsLoadSlot(UINT id) {
    return id >= TfrmMorvane::loadProfile1 && id <= TfrmMorvane::loadProfile4;
}

bool IsSaveSlot(UINT id) {
    return id >= TfrmMorvane::saveProfile1 && id <= TfrmMorvane::saveProfile4;
}

} // namespace

void TfrmMorvane::CreateMoreTaskMenu() {
    popMoreTask.Reset(::CreatePopupMenu());
    HMENU parents[3] = {popMoreTask.Get(), nullptr, nullptr};
    const size_t count = sizeof MoreTaskItems / sizeof MoreTaskItems[0];
    for (size_t i = 0; i < count; ++i) {
        const TMenuItemDef& def = MoreTaskItems[i];
        HMENU submenu = nullptr;
        if (i + 1 < count && MoreTaskItems[i + 1].Level > def.Level)
            submenu = ::CreatePopupMenu();
        AppendItem(parents[def.Level], def, submenu);
        if (submenu)
            parents[def.Level + 1] = submenu;
    }

    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(loadProfileFromFile)},
        {FVIRTKEY | FCONTROL, 'S', static_cast<WORD>(saveProfiletoFile)},
    };
    accel_.Reset(CreateAcceleratorTableA(keys, 2));
}

void TfrmMorvane::btnMoreTasksClick() {
    popMoreTaskPopup();
    RECT r;
    GetClientRect(btnMoreTasks.Handle(), &r);
    POINT pt{0, r.bottom};
    ClientToScreen(btnMoreTasks.Handle(), &pt);
    // F5-F8 act on the open menu only: Windows lets menus handle no function
    // keys, so a message filter sees them while the menu runs.
    menuKey_ = 0;
    menuOwner = this;
    HHOOK hook =
        SetWindowsHookExA(WH_MSGFILTER, &TfrmMorvane::MenuKeyHook, nullptr, GetCurrentThreadId());
    UINT cmd = UiSeam().PopupMenu(popMoreTask.Get(), wnd_, pt);
    if (hook)
        UnhookWindowsHookEx(hook);
    menuOwner = nullptr;
    if (!cmd)
        cmd = std::exchange(menuKey_, 0u);
    if (cmd)
        HandleCommand(cmd);
}

LRESULT CALLBACK TfrmMorvane::MenuKeyHook(int code, WPARAM wp, LPARAM lp) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (code == MSGF_MENU && msg && msg->message == WM_KEYDOWN && menuOwner) {
        UINT cmd = popMoreTaskKey(static_cast<UINT>(msg->wParam), GetKeyState(VK_SHIFT) < 0);
        if (cmd) {
            UINT state = GetMenuState(menuOwner->popMoreTask.Get(), cmd, MF_BYCOMMAND);
            if (state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED))) {
                menuOwner->menuKey_ = cmd;
                EndMenu();
            }
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

UINT TfrmMorvane::popMoreTaskKey(UINT key, bool shift) {
    if (key < VK_F5 || key > VK_F8)
        return 0;
    return (shift ? loadProfile1 : saveProfile1) + (key - VK_F5);
}

void TfrmMorvane::popMoreTaskPopup() {
    for (int slot = 1; slot <= 4; ++slot) {
        bool exists = FileExists(QuickProfilePath(slot));
        EnableMenuItem(popMoreTask.Get(), loadProfile1 + static_cast<UINT>(slot - 1),
                       MF_BYCOMMAND | (exists ? MF_ENABLED : MF_GRAYED));
    }
}

bool TfrmMorvane::PreTranslateMessage(MSG& msg) {
    if (wnd_ && accel_ && TranslateAcceleratorA(wnd_, accel_.Get(), &msg))
        return true;
    return WebBrowser1View.TranslateAccelerator(msg) || EmbeddedWB1View.TranslateAccelerator(msg);
}

// ---------------------------------------------------------------------------
// Profiles

std::string TfrmMorvane::QuickProfilePath(int slot) {
    return PathJoin(GetSpecialFolder(5),
                    "\\Morvane\\quick profiles\\profile" + std::to_string(slot) + ".mvp");
}

void TfrmMorvane::LoadProfileFile(const std::string& path) {
    // The rows refer to the entries that the load frees: they go first.
    LoadProfile(*startups_, path, [this] {
        entriesByProgram_.clear();
        ListView_DeleteAllItems(lvStartupList);
    });
    StartSignatureChecks();
}

void TfrmMorvane::LoadQuickProfile(int slot) {
    SendMessageA(lvStartupList, WM_SETREDRAW, FALSE, 0);
    struct TRedraw {
        HWND List;
        ~TRedraw() {
            SendMessageA(List, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(List, nullptr, TRUE);
        }
    } redraw{lvStartupList};
    LoadProfileFile(QuickProfilePath(slot));
    FillList();
}

void TfrmMorvane::SaveQuickProfile(int slot) {
    startups_->SaveToFile(QuickProfilePath(slot));
    profileSaved_ = true;
}

void TfrmMorvane::loadProfile4Click(int slot) {
    // A consultation is about to write into the rows a load would replace.
    if (consulting_)
        return;
    LoadQuickProfile(slot);
    FillList();
}

void TfrmMorvane::saveProfile4Click(int slot) {
    SaveQuickProfile(slot);
}

TFileDialogOptions TfrmMorvane::OpenDlg() const {
    TFileDialogOptions options;
    options.Title = "Open Profile";
    options.Filter = ProfileFilter;
    options.DefaultExt = "mvp";
    options.InitialDir = OpenDlgInitialDir;
    return options;
}

TFileDialogOptions TfrmMorvane::SaveDlg() const {
    TFileDialogOptions options;
    options.Save = true;
    options.Title = "Save Profile";
    options.Filter = ProfileFilter;
    options.DefaultExt = "mvp";
    options.InitialDir = SaveDlgInitialDir;
    return options;
}

void TfrmMorvane::loadProfileFromFileClick() {
    if (consulting_)
        return;
    std::string path;
    bool chosen = UiSeam().ChooseFile(wnd_, OpenDlg(), path);
    // The list is rebuilt whether or not a file was chosen or could be read.
    struct TRefill {
        TfrmMorvane& Form;
        ~TRefill() { Form.FillList(); }
    } refill{*this};
    if (chosen)
        LoadProfileFile(path);
}

void TfrmMorvane::saveProfiletoFileClick() {
    std::string path;
    if (!UiSeam().ChooseFile(wnd_, SaveDlg(), path))
        return;
    startups_->SaveToFile(path);
    profileSaved_ = true;
}

void TfrmMorvane::ExportXml1Click() {
    TFileDialogOptions options;
    options.Save = true;
    options.Title = "Export to XML";
    options.Filter = "XML Files|*.xml|All Files|*.*";
    options.DefaultExt = "xml";
    options.InitialDir = SaveDlgInitialDir;
    std::string path;
    if (!UiSeam().ChooseFile(wnd_, options, path))
        return;
    std::vector<const TStartup*> entries;
    for (int i = 0; i < startups_->Count(); ++i)
        entries.push_back(startups_->Items(i));
    ExportStartupsXml(entries, path);
}

// ---------------------------------------------------------------------------
// Web links

void TfrmMorvane::VisitWebsite1Click() {
    UiSeam().OpenAddress(SiteAddress(""));
}

void TfrmMorvane::VisitOnline1Click() {
    UiSeam().OpenAddress(SiteAddress(OnlinePath));
}

void TfrmMorvane::Contributeinformation2Click() {
    UiSeam().OpenAddress(SiteAddress(ContributePath));
}

// Commands of popMoreTask and of the window's keys; false for other ids.
bool TfrmMorvane::HandleMoreTaskCommand(UINT id) {
    if (IsLoadSlot(id)) {
        Guarded([&] { loadProfile4Click(static_cast<int>(id - loadProfile1) + 1); });
        return true;
    }
    if (IsSaveSlot(id)) {
        Guarded([&] { saveProfile4Click(static_cast<int>(id - saveProfile1) + 1); });
        return true;
    }
    switch (id) {
    case loadProfileFromFile:
        Guarded([this] { loadProfileFromFileClick(); });
        return true;
    case saveProfiletoFile:
        Guarded([this] { saveProfiletoFileClick(); });
        return true;
    case ExportXml1:
        Guarded([this] { ExportXml1Click(); });
        return true;
    case Options1:
        Guarded([this] { ShowOptionsDialog(wnd_); });
        return true;
    case VisitWebsite1:
        Guarded([this] { VisitWebsite1Click(); });
        return true;
    case VisitOnline1:
        Guarded([this] { VisitOnline1Click(); });
        return true;
    case Contributeinformation2:
        Guarded([this] { Contributeinformation2Click(); });
        return true;
    case Copy1:
        Guarded([this] { Copy1Click(); });
        return true;
    }
    return false;
}
