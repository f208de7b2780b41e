// The window's commands on the selected entry: Remove, and the restore of a
// Winlogon value's Windows default and its undoing.

#include "Unit1.h"

#include "core/startupSignIn.h"
#include "core/startupUtil.h"
#include "core/system/Lock.h"

void TfrmMorvane::Remove1Click() {
    if (!CommandEnabled(Remove1))
        return;
    int row = entryList_.SelectedRow();
    if (row < 0)
        return;
    TStartup* entry = entryList_.RowEntry(row);
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
    entryList_.RemoveRow(row);
    if (!removed)
        removed = RemoveStartup(*entry, lock);
}

void TfrmMorvane::RestoreDefault1Click(bool undo) {
    if (!CommandEnabled(undo ? UndoDefault1 : RestoreDefault1))
        return;
    const TStartup* entry = entryList_.SelectedEntry();
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
