// The entry list's context menu PopupMenu1: Enable/Disable, Remove, the
// Winlogon values' restore and its undoing, and Refresh. The list shows it;
// the window carries out what was chosen.

#include "EntryList.h"

#include "ControlCalls.h"
#include "Pictures.h"
#include "UiSeam.h"
#include "core/startupSignIn.h"
#include "core/startupUtil.h"

#include <windowsx.h>

void TEntryList::CreatePopupMenu() {
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
    // The pictures are drawn from ImageList1 when the menu asks for them.
    for (const auto& it : items)
        popupmenu::AppendItem(PopupMenu1.Get(), it.Id, it.Caption, it.Picture);
}

bool TEntryList::ContextMenu(HWND control, LPARAM lp) {
    if (control != lvStartupList)
        return false;
    ShowContextMenu(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return true;
}

void TEntryList::ShowContextMenu(POINT screen) {
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
    const TStartup* entry = SelectedEntry();
    const bool winlogon =
        entry && (entry->Location == slLMWinlogon || entry->Location == slCUWinlogon);
    EnableMenuItem(PopupMenu1.Get(), RestoreDefault1,
                   winlogon && !IsWindowsDefault(*entry) ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(PopupMenu1.Get(), UndoDefault1,
                   winlogon && HasKeptWinlogonValue(*entry) ? MF_ENABLED : MF_GRAYED);
    UINT cmd = UiSeam().PopupMenu(PopupMenu1.Get(), GetParent(lvStartupList), screen);
    if (cmd)
        owner_.ListCommand(cmd);
}
