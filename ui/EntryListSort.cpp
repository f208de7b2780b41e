// The entry list's sort: a click on a column's header orders the rows by
// what the column table says it sorts by, and the selection and focus stay
// on their entries.

#include "EntryList.h"

#include "ControlCalls.h"
#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "core/system/AsciiCase.h"

#include <algorithm>
#include <vector>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

void TEntryList::lvStartupListColumnClick(int column) {
    if (!owner_.CommandEnabled(cmdSortRows))
        return;
    // The list keeps selection and focus by row number: they are taken off
    // before the rows move and put back on the rows of the same entries.
    std::vector<TStartup*> selected;
    for (int row = listview::NextItem(lvStartupList, -1, LVNI_SELECTED); row >= 0;
         row = listview::NextItem(lvStartupList, row, LVNI_SELECTED))
        if (TStartup* e = RowEntry(row))
            selected.push_back(e);
    TStartup* focused = RowEntry(listview::NextItem(lvStartupList, -1, LVNI_FOCUSED));
    if (!selected.empty() || focused)
        listview::SetItemState(lvStartupList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);

    std::stable_sort(rows_.begin(), rows_.end(), [column](const TStartup* a, const TStartup* b) {
        return lvStartupListCompare(a, b, column) < 0;
    });

    if (!selected.empty() || focused) {
        std::sort(selected.begin(), selected.end());
        for (int row = 0; row < RowCount(); ++row) {
            TStartup* e = rows_[static_cast<size_t>(row)];
            UINT state = 0;
            if (std::binary_search(selected.begin(), selected.end(), e))
                state |= LVIS_SELECTED;
            if (e == focused)
                state |= LVIS_FOCUSED;
            if (state)
                listview::SetItemState(lvStartupList, row, state, state);
        }
    }
    InvalidateRect(lvStartupList, nullptr, FALSE);
}

int TEntryList::lvStartupListCompare(const TStartup* row1, const TStartup* row2, int column) {
    if (column < 0 || column >= ListColumnCount)
        return 0;
    switch (ListColumns[column].Sort) {
    case skTitle:
        // Ordinal comparison of the 8-bit texts: every upper-case letter comes
        // before every lower-case one.
        return Sign(row1->Title.compare(row2->Title));
    case skPublisher:
        return Sign(asciiLower(PublisherText(*row1)).compare(asciiLower(PublisherText(*row2))));
    case skFilePath:
        return Sign(row1->FilePath.compare(row2->FilePath));
    case skLocation:
        return static_cast<int>(row1->Location) - static_cast<int>(row2->Location);
    case skRating:
        // Compared, not subtracted: ratings are any 32-bit number.
        return (row1->Rating > row2->Rating) - (row1->Rating < row2->Rating);
    case skNone:
        return 0;
    }
    return 0;
}
