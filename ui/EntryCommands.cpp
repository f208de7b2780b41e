// The window's commands on the selected entry: its detail page (a click on
// its row), Remove, and the restore of a Winlogon value's Windows default
// and its undoing.

#include "Unit1.h"

#include "DetailPane.h"
#include "EntryList.h"
#include "DetailPage.h"
#include "core/startupSignIn.h"
#include "core/startupTasks.h"
#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Lock.h"
#include "core/system/StringList.h"
#include "online/Consult.h"

#include <string>
#include <vector>

namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace

void TfrmMorvane::Remove1Click() {
    if (!CommandEnabled(Remove1))
        return;
    int row = entryList_->SelectedRow();
    if (row < 0)
        return;
    TStartup* entry = entryList_->RowEntry(row);
    if (!entry)
        return;
    if (entry->Enabled) {
        UiSeam().ShowMessageBox(Hwnd(), RemoveEnabledRefusal, ApplicationTitle, MB_OK);
        return;
    }
    TSystemLock lock(SystemLockPath());
    // An entry Windows keeps in its place is forgotten there first: a
    // refusal leaves its row as it is.
    std::unique_ptr<TStartup> removed;
    if (IsSwitchedInPlace(entry->Location))
        removed = RemoveStartup(*entry, lock);
    // The row goes first, so that no repaint meets a row whose entry is gone.
    entryList_->RemoveRow(row);
    if (!removed)
        removed = RemoveStartup(*entry, lock);
}

void TfrmMorvane::RestoreDefault1Click(bool undo) {
    if (!CommandEnabled(undo ? UndoDefault1 : RestoreDefault1))
        return;
    const TStartup* entry = entryList_->SelectedEntry();
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
        UiSeam().ShowMessageBox(Hwnd(), message, ApplicationTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    btnRefreshClick();
}

void TfrmMorvane::lvStartupListClick() {
    TStartup* entry = entryList_->SelectedEntry();
    if (!entry)
        return;
    const std::string folder = ProgramFolder.empty() ? AppFolder() : ProgramFolder;
    const std::string templatePath = PathJoin(folder, DetailTemplateName);
    TStringList templateLines;
    if (!templateLines.LoadTextFile(templatePath))
        throw EMorvaneError("Cannot open file \"" + templatePath + "\".");
    const bool fileFound = !entry->FileMissing();
    const std::string page = JoinLines(
        BuildDetailPage(std::vector<std::string>(templateLines.begin(), templateLines.end()),
                        *entry, fileFound, ReadConsultSettings().Server));

    // Beside the program when its folder takes the file; a program installed
    // under Program Files and run by a standard user writes per user.
    std::string pagePath = PathJoin(folder, DetailPageName);
    if (!WriteWholeFile(pagePath, page)) {
        const std::string perUser = PerUserPageFolder();
        ForceFolders(perUser);
        pagePath = PathJoin(perUser, DetailPageName);
        if (!WriteWholeFile(pagePath, page))
            throw EMorvaneError("Unable to write to " + pagePath);
    }
    DetailPagePath = pagePath;
    detailPane_->View().Navigate(pagePath);
}
