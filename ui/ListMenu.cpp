// The entry list's context menu PopupMenu1 and the commands it and the
// window's other menus send: Enable/Disable (CheckMarks.cpp), Remove and
// Refresh; the menu popMoreTask's commands go on to ProfileMenu.cpp.

#include "Unit1.h"

#include "ListViewCalls.h"
#include "Pictures.h"
#include "core/startupSignIn.h"
#include "core/startupTasks.h"

#include <windowsx.h>

void TfrmMorvane::CreatePopupMenu() {
    PopupMenu1.Reset(::CreatePopupMenu());
    struct TItem {
        UINT Id;
        const char* Caption;
        int Picture;
    };
    const TItem items[] = {{Check1, "Enable/Disable", piCheckTicked},
                           {Remove1, "Remove", piNoEntry},
                           {0, nullptr, -1},
                           {RestoreDefault1, "Restore the Windows default", piAlert},
                           {UndoDefault1, "Undo Restore the Windows default", piRefresh},
                           {0, nullptr, -1},
                           {Refresh1, "Refresh", piRefresh}};
    UINT pos = 0;
    for (const auto& it : items) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        if (!it.Caption) {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            mi.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_DATA;
            mi.wID = it.Id;
            mi.dwTypeData = const_cast<char*>(it.Caption);
            // The picture is drawn from ImageList1 when the menu asks for it.
            mi.hbmpItem = HBMMENU_CALLBACK;
            mi.dwItemData = static_cast<ULONG_PTR>(it.Picture);
        }
        InsertMenuItemA(PopupMenu1.Get(), pos++, TRUE, &mi);
    }
}

bool TfrmMorvane::lvStartupListContextMenu(HWND control, LPARAM lp) {
    if (control != lvStartupList)
        return false;
    ShowContextMenu(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return true;
}

void TfrmMorvane::ShowContextMenu(POINT screen) {
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: under the focused row, or at the list's corner.
        RECT r{};
        int row = listview::NextItem(lvStartupList, -1, LVNI_FOCUSED);
        if (!listview::ItemRect(lvStartupList, row, r))
            GetClientRect(lvStartupList, &r);
        POINT pt{r.left + dpi_.Scale(layout::CaptionX), r.bottom};
        ClientToScreen(lvStartupList, &pt);
        screen = pt;
    }
    // Only a Winlogon value that is not Windows' own can be restored, and
    // only a restored one undone.
    const TStartup* entry = RowEntry(FirstSelectedRow());
    const bool winlogon =
        entry && (entry->Location == slLMWinlogon || entry->Location == slCUWinlogon);
    EnableMenuItem(PopupMenu1.Get(), RestoreDefault1,
                   winlogon && !IsWindowsDefault(*entry) ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(PopupMenu1.Get(), UndoDefault1,
                   winlogon && HasKeptWinlogonValue(*entry) ? MF_ENABLED : MF_GRAYED);
    UINT cmd = UiSeam().PopupMenu(PopupMenu1.Get(), wnd_, screen);
    if (cmd)
        HandleCommand(cmd);
}

void TfrmMorvane::HandleCommand(UINT id) {
    switch (id) {
    case Check1:
        Guarded([this] { Check1Click(); });
        break;
    case Remove1:
        Guarded([this] { Remove1Click(); });
        break;
    case Refresh1:
        Guarded([this] { btnRefreshClick(); });
        break;
    case RestoreDefault1:
    case UndoDefault1:
        Guarded([this, id] { RestoreDefault1Click(id == UndoDefault1); });
        break;
    default:
        HandleMoreTaskCommand(id);
        break;
    }
}

void TfrmMorvane::Remove1Click() {
    if (consulting_)
        return;
    int row = FirstSelectedRow();
    if (row < 0)
        return;
    TStartup* entry = RowEntry(row);
    if (!entry)
        return;
    if (entry->Enabled) {
        UiSeam().ShowMessageBox(wnd_, RemoveEnabledRefusal, ApplicationTitle, MB_OK);
        return;
    }
    TSystemLock lock(SystemLockPath());
    // An entry Windows keeps in its place is forgotten there first: a
    // refusal leaves its row as it is.
    std::unique_ptr<TStartup> removed;
    if (IsSwitchedInPlace(entry->Location))
        removed = RemoveStartup(*entry, lock);
    // The row goes first, so that no repaint meets a row whose entry is gone.
    rows_.erase(rows_.begin() + row);
    ListView_DeleteItem(lvStartupList, row);
    if (ListView_GetItemCount(lvStartupList) != RowCount())
        SyncRowCount(true);
    if (!removed)
        removed = RemoveStartup(*entry, lock);
}

void TfrmMorvane::RestoreDefault1Click(bool undo) {
    if (consulting_)
        return;
    const TStartup* entry = RowEntry(FirstSelectedRow());
    if (!entry)
        return;
    bool elevation = false;
    std::string failure;
    {
        TSystemLock lock(SystemLockPath());
        TakeSystemLock(lock);
        failure =
            undo ? UndoWindowsDefault(*entry, elevation) : RestoreWindowsDefault(*entry, elevation);
    }
    if (!failure.empty()) {
        std::string message =
            "\"" + entry->Title + "\" (" + entry->LocationText() + "): " + failure;
        if (elevation)
            message += "\nChanging this value needs administrator rights: start Morvane with "
                       "Run as administrator.";
        UiSeam().ShowMessageBox(wnd_, message, ApplicationTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    btnRefreshClick();
}
