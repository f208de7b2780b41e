// The check marks of the entry list: a row's mark is the window's, kept with
// the row and handed to its entry. A press left of the row's picture, the
// Space key and the menu's Enable/Disable toggle it; the list's own check
// box handling never does (TCheckMarkGate).

#include "Unit1.h"

#include "ListViewCalls.h"
#include "core/startupUtil.h"

#include <windowsx.h>

bool TfrmMorvane::RowChecked(int row) const {
    return row >= 0 && row < RowCount() && rows_[static_cast<size_t>(row)].Checked;
}

void TfrmMorvane::SetRowChecked(int row, bool checked) {
    if (row < 0 || row >= RowCount() || rows_[static_cast<size_t>(row)].Checked == checked)
        return;
    auto own = checkMarks_.OwnChange();
    rows_[static_cast<size_t>(row)].Checked = checked;
    lvStartupListChange(row);
    ListView_RedrawItems(lvStartupList, row, row);
}

void TfrmMorvane::ToggleRow(int row) {
    // Winlogon's values, and what the organisation set, keep their mark.
    const TStartup* entry = RowEntry(row);
    if (entry && (!CanBeDisabled(entry->Location) || entry->SetByOrganisation))
        return;
    SetRowChecked(row, !RowChecked(row));
}

void TfrmMorvane::lvStartupListChange(int row) {
    TStartup* entry = RowEntry(row);
    if (entry)
        entry->SetEnabled(RowChecked(row));
}

void TfrmMorvane::lvStartupListMouseDown(int /*button*/, WPARAM /*keys*/, int x, int y) {
    if (x >= dpi_.Scale(layout::ToggleLimitX))
        return;
    int row = listview::RowAt(lvStartupList, POINT{x, y});
    if (row >= 0)
        ToggleRow(row);
}

void TfrmMorvane::Check1Click() {
    int row = FirstSelectedRow();
    if (row >= 0)
        ToggleRow(row);
}

LRESULT TfrmMorvane::lvStartupListItemChanging(const NMLISTVIEW& change) const {
    return checkMarks_.Refuses(change) ? TRUE : FALSE;
}

void TfrmMorvane::lvStartupListItemChanged(const NMLISTVIEW& change) {
    if (change.iItem >= 0)
        lvStartupListChange(change.iItem);
}

bool TfrmMorvane::CheckMarkInput(HWND list, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
        int button = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK)   ? 0
                     : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) ? 1
                                                                          : 2;
        // Every press counts, the second of a double click too.
        Guarded([&] { lvStartupListMouseDown(button, wp, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); });
        auto input = checkMarks_.ListInput();
        result = DefSubclassProc(list, msg, wp, lp);
        return true;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        auto input = checkMarks_.ListInput();
        result = DefSubclassProc(list, msg, wp, lp);
        return true;
    }
    case WM_KEYDOWN: {
        if (wp == VK_SPACE) {
            int row = listview::NextItem(list, -1, LVNI_FOCUSED);
            if (row >= 0)
                ToggleRow(row);
            result = 0;
            return true;
        }
        auto input = checkMarks_.ListInput();
        result = DefSubclassProc(list, msg, wp, lp);
        return true;
    }
    case WM_CHAR:
        // Space has toggled the row on its key press already.
        if (wp == ' ') {
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}
