// The entry list: its columns, its rows (filled from the location tree's
// group), what it shows of each row, typing to find a row, sorting by a
// column and the hooks through which the rows paint themselves.

#include "Unit1.h"

#include "ListViewCalls.h"
#include "Pictures.h"
#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "core/system/AsciiCase.h"
#include "core/system/WideText_win.h"

#include <algorithm>
#include <vector>

namespace {

enum : int { idList = 1002 };

// The text of one cell as the list shows it.
std::string CellText(const TStartup& entry, int column) {
    if (column < 0 || column >= ListColumnCount)
        return {};
    switch (ListColumns[column].Text) {
    case ctTitle:
        return entry.Title;
    case ctPublisher:
        return PublisherText(entry);
    case ctCommandLine:
        return entry.CommandLine;
    case ctLocation:
        return entry.LocationText();
    case ctRating:
        return std::to_string(entry.Rating);
    case ctComment:
        return entry.CommentText();
    }
    return {};
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

void ShareListColumns(int clientWidth, const TDpi& dpi, int* widths) {
    // Scaled as one sum, as the fixed columns' widths were given.
    int fixed = 0;
    int shares = 0;
    for (const TListColumn& column : ListColumns) {
        if (column.Share == 0)
            fixed += column.Width;
        else
            shares += column.Share;
    }
    const int rest = clientWidth - dpi.Scale(fixed);
    int given = 0;
    int sharesLeft = shares;
    for (int i = 0; i < ListColumnCount; ++i) {
        const TListColumn& column = ListColumns[i];
        if (column.Share == 0) {
            widths[i] = dpi.Scale(column.Width);
            continue;
        }
        sharesLeft -= column.Share;
        const int share = sharesLeft == 0 ? rest - given : rest * column.Share / shares;
        widths[i] = std::max(dpi.Scale(column.Width), share);
        given += widths[i];
    }
}

void TfrmMorvane::CreateList() {
    lvStartupList = CreateChildControl(wnd_, idList, WC_LISTVIEWA, "",
                                       WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED |
                                           LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                       WS_EX_CLIENTEDGE);
    // It asked for its notification format before it had a name to answer
    // to: asked again, the window answers wide characters.
    SendMessageA(lvStartupList, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(wnd_), NF_REQUERY);
    ListView_SetExtendedListViewStyle(lvStartupList, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES |
                                                         LVS_EX_FULLROWSELECT |
                                                         LVS_EX_DOUBLEBUFFER);
    // The rows' check marks are the window's: the list asks for them.
    ListView_SetCallbackMask(lvStartupList, LVIS_STATEIMAGEMASK);
    SendMessageA(lvStartupList, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    for (int i = 0; i < ListColumnCount; ++i)
        listview::InsertColumn(lvStartupList, i, ListColumns[i].Caption,
                               dpi_.Scale(ListColumns[i].Width), ListColumns[i].Format);
    SetWindowSubclass(lvStartupList, &TfrmMorvane::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TfrmMorvane::SizeListColumns() {
    RECT rc;
    GetClientRect(lvStartupList, &rc);
    int widths[ListColumnCount];
    ShareListColumns(rc.right, dpi_, widths);
    for (int i = 0; i < ListColumnCount; ++i)
        if (ListColumns[i].Share != 0)
            listview::SetColumnWidth(lvStartupList, i, widths[i]);
    columnWidthsValid_ = false;
}

UINT TfrmMorvane::lvStartupListMeasureItem() const {
    // Tall enough for the check box picture and the program icon.
    int pics = std::max(PictureSize(dpi_), GetSystemMetrics(SM_CYSMICON));
    return static_cast<UINT>(std::max(dpi_.Scale(layout::RowHeight), pics + 1));
}

bool TfrmMorvane::lvStartupListNotifyFormat(HWND control, LPARAM query, LRESULT& format) const {
    // The entry list gives its texts in wide characters, so that a title
    // outside the code page keeps its characters there too (the other
    // controls keep the window's narrow notifications).
    if (query != NF_QUERY || !lvStartupList || control != lvStartupList)
        return false;
    format = NFR_UNICODE;
    return true;
}

void TfrmMorvane::FillList() {
    int node = SelectedNode();
    if (node < 0)
        return;
    // The rows are references in a vector; the list learns only their number
    // and asks for what it shows, so filling costs the same for 50 rows as
    // for 5,000.
    SendMessageA(lvStartupList, WM_SETREDRAW, FALSE, 0);
    rows_.clear();
    ListView_DeleteAllItems(lvStartupList);
    const int count = startups_->Count();
    rows_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TStartup* entry = startups_->Items(i);
        if (InLocationGroup(entry->Location, node))
            rows_.push_back(TListRow{entry, entry->Enabled});
    }
    SyncRowCount(false);
    SizeListColumns();
    SendMessageA(lvStartupList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lvStartupList, nullptr, TRUE);
}

void TfrmMorvane::SyncRowCount(bool keepScroll) {
    listview::SetItemCount(lvStartupList, RowCount(), keepScroll);
}

TRowInfo TfrmMorvane::InfoFor(const TStartup& entry) {
    return lookups_.Examine(entry);
}

void TfrmMorvane::AddListRow(TStartup* entry) {
    if (!entry)
        return;
    // The check mark comes from the entry without reaching it: only a
    // change of a shown row's mark calls the change handler.
    rows_.push_back(TListRow{entry, entry->Enabled});
    SyncRowCount(true);
}

int TfrmMorvane::RowCount() const {
    return static_cast<int>(rows_.size());
}

TStartup* TfrmMorvane::RowEntry(int row) const {
    if (row < 0 || row >= RowCount())
        return nullptr;
    return rows_[static_cast<size_t>(row)].Entry;
}

void TfrmMorvane::lvStartupListGetDispInfo(LVITEMA& item) {
    TStartup* entry = RowEntry(item.iItem);
    if (!entry)
        return;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        // The list's own narrow text is only ever shown (the rows paint
        // themselves in wide characters): what the code page cannot show
        // becomes '?' there and nowhere else.
        const std::wstring wide = DisplayText(CellText(*entry, item.iSubItem));
        int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                    item.pszText, item.cchTextMax - 1, nullptr, nullptr);
        item.pszText[std::max(0, n)] = '\0';
    }
    if (item.mask & LVIF_IMAGE) {
        TRowInfo info = InfoFor(*entry);
        entry->SetImageIndex(info.ImageIndex);
        item.iImage = info.ImageIndex;
    }
    if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_STATEIMAGEMASK)) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | CheckStateImage(RowChecked(item.iItem));
    }
    if (item.mask & LVIF_PARAM)
        item.lParam = reinterpret_cast<LPARAM>(entry);
}

void TfrmMorvane::lvStartupListGetDispInfo(LVITEMW& item) {
    TStartup* entry = RowEntry(item.iItem);
    if (!entry)
        return;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring wide = DisplayText(CellText(*entry, item.iSubItem));
        const size_t n = std::min(wide.size(), static_cast<size_t>(item.cchTextMax - 1));
        wide.copy(item.pszText, n);
        item.pszText[n] = L'\0';
    }
    LVITEMA narrow{};
    narrow.mask = item.mask & ~LVIF_TEXT;
    narrow.iItem = item.iItem;
    narrow.iSubItem = item.iSubItem;
    narrow.state = item.state;
    narrow.stateMask = item.stateMask;
    lvStartupListGetDispInfo(narrow);
    if (item.mask & LVIF_IMAGE)
        item.iImage = narrow.iImage;
    if (item.mask & LVIF_STATE)
        item.state = narrow.state;
    if (item.mask & LVIF_PARAM)
        item.lParam = narrow.lParam;
}

void TfrmMorvane::lvStartupListCacheHint(int from, int to) {
    // The rows about to be shown: their program files are looked up once,
    // here, rather than while each row paints.
    from = std::max(from, 0);
    to = std::min(to, RowCount() - 1);
    for (int row = from; row <= to; ++row)
        InfoFor(*rows_[static_cast<size_t>(row)].Entry);
}

int TfrmMorvane::lvStartupListFindItem(const NMLVFINDITEMA& find) const {
    if (!find.lvfi.psz)
        return -1;
    std::wstring typed(static_cast<size_t>(lstrlenA(find.lvfi.psz)), L'\0');
    typed.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, find.lvfi.psz, static_cast<int>(typed.size()), typed.data(),
                            static_cast<int>(typed.size()))));
    return FindRow(typed, find.lvfi.flags, find.iStart);
}

int TfrmMorvane::lvStartupListFindItem(const NMLVFINDITEMW& find) const {
    return find.lvfi.psz ? FindRow(find.lvfi.psz, find.lvfi.flags, find.iStart) : -1;
}

int TfrmMorvane::FindRow(const std::wstring& typed, UINT flags, int from) const {
    // Typing in the list goes to the next row whose caption begins with the
    // typed text, without regard to case, as it did in a list of its own.
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || rows_.empty())
        return -1;
    const int n = RowCount();
    const int start = from >= 0 && from < n ? from : 0;
    for (int k = 0; k < n; ++k) {
        int row = (start + k) % n;
        if (!(flags & LVFI_WRAP) && start + k >= n)
            break;
        const std::wstring title = DisplayText(rows_[static_cast<size_t>(row)].Entry->Title);
        if (title.size() >= typed.size() &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, title.data(),
                           static_cast<int>(typed.size()), typed.data(),
                           static_cast<int>(typed.size())) == CSTR_EQUAL &&
            ((flags & LVFI_PARTIAL) || title.size() == typed.size()))
            return row;
    }
    return -1;
}

int TfrmMorvane::FirstSelectedRow() const {
    return listview::NextItem(lvStartupList, -1, LVNI_SELECTED);
}

void TfrmMorvane::lvStartupListDrawItem(const DRAWITEMSTRUCT& item) {
    int row = static_cast<int>(item.itemID);
    // A caller may hand over the row's entry with the request; the list
    // itself does not (it keeps no row data).
    TStartup* entry = item.itemData ? reinterpret_cast<TStartup*>(item.itemData) : RowEntry(row);
    if (!entry)
        return;
    TRowPaint data;
    data.Entry = entry;
    data.Checked = RowChecked(row);
    data.Highlighted = (item.itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
    data.Info = InfoFor(*entry);
    entry->SetImageIndex(data.Info.ImageIndex);
    // The rating is a picture (or digits the painter writes itself).
    for (int i = 0; i < ListColumnCount; ++i)
        if (ListColumns[i].Text != ctRating)
            data.Texts[i] = CellText(*entry, i);
    if (!columnWidthsValid_) {
        for (int i = 0; i < ListColumnCount; ++i)
            columnWidths_[i] = listview::ColumnWidth(lvStartupList, i);
        columnWidthsValid_ = true;
    }
    painter_.PaintRow(item.hDC, item.rcItem, data, columnWidths_);
}

void TfrmMorvane::lvStartupListColumnClick(int column) {
    if (consulting_)
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

    std::stable_sort(rows_.begin(), rows_.end(), [column](const TListRow& a, const TListRow& b) {
        return lvStartupListCompare(a.Entry, b.Entry, column) < 0;
    });

    if (!selected.empty() || focused) {
        std::sort(selected.begin(), selected.end());
        for (int row = 0; row < RowCount(); ++row) {
            TStartup* e = rows_[static_cast<size_t>(row)].Entry;
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

bool TfrmMorvane::SelectEntryTitled(const std::string& title) {
    for (int row = 0; row < RowCount(); ++row) {
        const TStartup* e = RowEntry(row);
        if (!e || e->Title != title)
            continue;
        listview::SetItemState(lvStartupList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        listview::SetItemState(lvStartupList, row, LVIS_SELECTED | LVIS_FOCUSED,
                               LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(lvStartupList, row, FALSE);
        SetFocus(lvStartupList);
        return true;
    }
    return false;
}

int TfrmMorvane::lvStartupListCompare(const TStartup* row1, const TStartup* row2, int column) {
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

void TfrmMorvane::lvStartupListDblClick() {}

LRESULT TfrmMorvane::ListNotify(const NMHDR& hdr) {
    using listview::Notice;
    switch (hdr.code) {
    case LVN_ITEMCHANGING:
        return lvStartupListItemChanging(Notice<NMLISTVIEW>(hdr));
    case LVN_ITEMCHANGED:
        lvStartupListItemChanged(Notice<NMLISTVIEW>(hdr));
        return 0;
    case LVN_DELETEALLITEMS:
        // No notification per row: the rows are the window's own.
        return TRUE;
    case LVN_GETDISPINFOA:
        lvStartupListGetDispInfo(listview::MutableNotice<NMLVDISPINFOA>(hdr).item);
        return 0;
    case LVN_GETDISPINFOW:
        lvStartupListGetDispInfo(listview::MutableNotice<NMLVDISPINFOW>(hdr).item);
        return 0;
    case LVN_ODCACHEHINT: {
        const auto& nm = Notice<NMLVCACHEHINT>(hdr);
        lvStartupListCacheHint(nm.iFrom, nm.iTo);
        return 0;
    }
    case LVN_ODFINDITEMA:
        return lvStartupListFindItem(Notice<NMLVFINDITEMA>(hdr));
    case LVN_ODFINDITEMW:
        return lvStartupListFindItem(Notice<NMLVFINDITEMW>(hdr));
    case LVN_COLUMNCLICK: {
        const int column = Notice<NMLISTVIEW>(hdr).iSubItem;
        Guarded([&] { lvStartupListColumnClick(column); });
        return 0;
    }
    case NM_DBLCLK:
        lvStartupListDblClick();
        return 0;
    case NM_CLICK:
        // A mouse click shows the page; moving the selection with the
        // keyboard does not.
        Guarded([this] { lvStartupListClick(); });
        return 0;
    }
    return 0;
}

LRESULT CALLBACK TfrmMorvane::ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<TfrmMorvane*>(data);
    LRESULT result = 0;
    if (self->CheckMarkInput(wnd, msg, wp, lp, result))
        return result;
    switch (msg) {
    case WM_PAINT:
        self->columnWidthsValid_ = false;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(wnd, &TfrmMorvane::ListProc, 1);
        break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
