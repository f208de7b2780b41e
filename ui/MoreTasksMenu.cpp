// The menu popMoreTask: its items, its keys and the file dialogs of its
// commands.

#include "MoreTasksMenu.h"

#include "ControlCalls.h"
#include "Pictures.h"
#include "QuickProfiles.h"
#include "core/system/Files.h"

#include <utility>

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
    {2, loadProfile1 + 0, "Load Profile &1\tShift+F5", -1},
    {2, loadProfile1 + 1, "Load Profile &2\tShift+F6", -1},
    {2, loadProfile1 + 2, "Load Profile &3\tShift+F7", -1},
    {2, loadProfile1 + 3, "Load Profile &4\tShift+F8", -1},
    {1, 0, "Quick &Save Profiles", -1},
    {2, saveProfile1 + 0, "Save Profile &1\tF5", -1},
    {2, saveProfile1 + 1, "Save Profile &2\tF6", -1},
    {2, saveProfile1 + 2, "Save Profile &3\tF7", -1},
    {2, saveProfile1 + 3, "Save Profile &4\tF8", -1},
    {1, 0, nullptr, -1}, // N1
    {1, loadProfileFromFile, "Load Profile from File\tCtrl+O", -1},
    {1, saveProfiletoFile, "Save Profile to File\tCtrl+S", -1},
    {0, 0, nullptr, -1}, // N2
    {0, 0, "&Export", -1},
    {1, ExportXml1, "XML...", -1},
    {0, Options1, "&Options...", -1},
    {0, 0, nullptr, -1}, // N4
    {0, VisitWebsite1, "Visit Morvane website", piWebLink},
    {0, VisitOnline1, "Visit Morvane Online", piWebLink},
    {0, Contributeinformation2, "Contribute information", piPencil},
};

// The menu that is open, for its key filter.
TMoreTasksMenu* openMenu = nullptr;

} // namespace

void TMoreTasksMenu::Create() {
    popMoreTask.Reset(::CreatePopupMenu());
    HMENU parents[3] = {popMoreTask.Get(), nullptr, nullptr};
    const size_t count = sizeof MoreTaskItems / sizeof MoreTaskItems[0];
    for (size_t i = 0; i < count; ++i) {
        const TMenuItemDef& def = MoreTaskItems[i];
        HMENU submenu = nullptr;
        if (i + 1 < count && MoreTaskItems[i + 1].Level > def.Level)
            submenu = ::CreatePopupMenu();
        popupmenu::AppendItem(parents[def.Level], def.Id, def.Caption, def.Picture, submenu);
        if (submenu)
            parents[def.Level + 1] = submenu;
    }

    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(loadProfileFromFile)},
        {FVIRTKEY | FCONTROL, 'S', static_cast<WORD>(saveProfiletoFile)},
    };
    accel_.Reset(CreateAcceleratorTableA(keys, 2));
}

UINT TMoreTasksMenu::Show(HWND owner, HWND button) {
    popMoreTaskPopup();
    RECT r;
    GetClientRect(button, &r);
    POINT pt{0, r.bottom};
    ClientToScreen(button, &pt);
    // F5-F8 act on the open menu only: Windows lets menus handle no function
    // keys, so a message filter sees them while the menu runs.
    menuKey_ = 0;
    openMenu = this;
    HHOOK hook = SetWindowsHookExA(WH_MSGFILTER, &TMoreTasksMenu::MenuKeyHook, nullptr,
                                   GetCurrentThreadId());
    UINT cmd = UiSeam().PopupMenu(popMoreTask.Get(), owner, pt);
    if (hook)
        UnhookWindowsHookEx(hook);
    openMenu = nullptr;
    if (!cmd)
        cmd = std::exchange(menuKey_, 0u);
    return cmd;
}

LRESULT CALLBACK TMoreTasksMenu::MenuKeyHook(int code, WPARAM wp, LPARAM lp) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (code == MSGF_MENU && msg && msg->message == WM_KEYDOWN && openMenu) {
        UINT cmd = popMoreTaskKey(static_cast<UINT>(msg->wParam), GetKeyState(VK_SHIFT) < 0);
        if (cmd) {
            UINT state = GetMenuState(openMenu->popMoreTask.Get(), cmd, MF_BYCOMMAND);
            if (state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED))) {
                openMenu->menuKey_ = cmd;
                EndMenu();
            }
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

UINT TMoreTasksMenu::popMoreTaskKey(UINT key, bool shift) {
    if (key < VK_F5 || key > VK_F8)
        return 0;
    return (shift ? loadProfile1 : saveProfile1) + (key - VK_F5);
}

void TMoreTasksMenu::popMoreTaskPopup() {
    for (int slot = 1; slot <= 4; ++slot) {
        bool exists = FileExists(QuickProfilePath(slot));
        EnableMenuItem(popMoreTask.Get(), loadProfile1 + static_cast<UINT>(slot - 1),
                       MF_BYCOMMAND | (exists ? MF_ENABLED : MF_GRAYED));
    }
}

bool TMoreTasksMenu::TranslateKeys(HWND wnd, MSG& msg) const {
    return wnd && accel_ && TranslateAcceleratorA(wnd, accel_.Get(), &msg);
}

TFileDialogOptions TMoreTasksMenu::OpenDlg() const {
    TFileDialogOptions options;
    options.Title = "Open Profile";
    options.Filter = ProfileFilter;
    options.DefaultExt = "mvp";
    options.InitialDir = OpenDlgInitialDir;
    return options;
}

TFileDialogOptions TMoreTasksMenu::SaveDlg() const {
    TFileDialogOptions options;
    options.Save = true;
    options.Title = "Save Profile";
    options.Filter = ProfileFilter;
    options.DefaultExt = "mvp";
    options.InitialDir = SaveDlgInitialDir;
    return options;
}

TFileDialogOptions TMoreTasksMenu::ExportDlg() const {
    TFileDialogOptions options;
    options.Save = true;
    options.Title = "Export to XML";
    options.Filter = "XML Files|*.xml|All Files|*.*";
    options.DefaultExt = "xml";
    options.InitialDir = SaveDlgInitialDir;
    return options;
}
