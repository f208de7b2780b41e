// The entry list: its columns, its rows (filled from the location tree's
// group), what it shows of each row, typing to find a row, the check marks
// and the hooks through which the rows paint themselves.

#include "EntryList.h"

#include "ControlCalls.h"
#include "Pictures.h"
#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "core/system/WideText_win.h"

#include <windowsx.h>

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

TEntryList::TEntryList(TEntryListOwner& owner) : owner_(owner) {}

TEntryList::~TEntryList() = default;

void TEntryList::Create(HWND parent, const TDpi& dpi, HFONT font) {
    dpi_ = dpi;
    lvStartupList = CreateChildControl(parent, idList, WC_LISTVIEWA, "",
                                       WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED |
                                           LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                       WS_EX_CLIENTEDGE);
    // It asked for its notification format before it had a name to answer
    // to: asked again, the window answers wide characters.
    SendMessageA(lvStartupList, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(parent), NF_REQUERY);
    ListView_SetExtendedListViewStyle(lvStartupList, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES |
                                                         LVS_EX_FULLROWSELECT |
                                                         LVS_EX_DOUBLEBUFFER);
    // The rows' check marks are their entries': the list asks for them.
    ListView_SetCallbackMask(lvStartupList, LVIS_STATEIMAGEMASK);
    SendMessageA(lvStartupList, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (int i = 0; i < ListColumnCount; ++i)
        listview::InsertColumn(lvStartupList, i, ListColumns[i].Caption,
                               dpi_.Scale(ListColumns[i].Width), ListColumns[i].Format);
    SetWindowSubclass(lvStartupList, &TEntryList::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
    CreatePopupMenu();
}

void TEntryList::SetPictures(HIMAGELIST pictures, HIMAGELIST systemIcons, HFONT font) {
    if (systemIcons)
        ListView_SetImageList(lvStartupList, systemIcons, LVSIL_SMALL);
    painter_.Setup(pictures, ListView_GetImageList(lvStartupList, LVSIL_SMALL), font, dpi_);
}

void TEntryList::DpiChanged(const TDpi& dpi, HFONT font, HIMAGELIST pictures) {
    const int old = dpi_.Value;
    dpi_ = dpi;
    SendMessageA(lvStartupList, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetPictures(pictures, nullptr, font);
    const int columns = Header_GetItemCount(ListView_GetHeader(lvStartupList));
    for (int i = 0; i < columns; ++i)
        ListView_SetColumnWidth(lvStartupList, i,
                                MulDiv(ListView_GetColumnWidth(lvStartupList, i), dpi.Value, old));
}

void TEntryList::Repaint() const {
    if (lvStartupList)
        InvalidateRect(lvStartupList, nullptr, FALSE);
}

void TEntryList::SizeColumns() {
    RECT rc;
    GetClientRect(lvStartupList, &rc);
    int widths[ListColumnCount];
    ShareListColumns(rc.right, dpi_, widths);
    for (int i = 0; i < ListColumnCount; ++i)
        if (ListColumns[i].Share != 0)
            listview::SetColumnWidth(lvStartupList, i, widths[i]);
    columnWidthsValid_ = false;
}

UINT TEntryList::MeasureItem() const {
    // Tall enough for the check box picture and the program icon.
    int pics = std::max(PictureSize(dpi_), GetSystemMetrics(SM_CYSMICON));
    return static_cast<UINT>(std::max(dpi_.Scale(layout::RowHeight), pics + 1));
}

bool TEntryList::NotifyFormat(HWND control, LPARAM query, LRESULT& format) const {
    // The entry list gives its texts in wide characters, so that a title
    // outside the code page keeps its characters there too (the other
    // controls keep the window's narrow notifications).
    if (query != NF_QUERY || !lvStartupList || control != lvStartupList)
        return false;
    format = NFR_UNICODE;
    return true;
}

void TEntryList::FillList(const TStartups& startups, int group) {
    // The rows are references in a vector; the list learns only their number
    // and asks for what it shows, so filling costs the same for 50 rows as
    // for 5,000.
    SendMessageA(lvStartupList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(lvStartupList);
    rows_ = startups.InGroup(group);
    SyncRowCount(false);
    SizeColumns();
    SendMessageA(lvStartupList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lvStartupList, nullptr, TRUE);
}

void TEntryList::SyncRowCount(bool keepScroll) {
    listview::SetItemCount(lvStartupList, RowCount(), keepScroll);
}

TRowInfo TEntryList::InfoFor(const TStartup& entry) {
    return lookups_.Examine(entry);
}

void TEntryList::AddListRow(TStartup* entry) {
    if (!entry)
        return;
    rows_.push_back(entry);
    SyncRowCount(true);
}

void TEntryList::Clear() {
    rows_.clear();
    if (lvStartupList)
        ListView_DeleteAllItems(lvStartupList);
    lookups_.Clear();
}

void TEntryList::RemoveRow(int row) {
    if (row < 0 || row >= RowCount())
        return;
    rows_.erase(rows_.begin() + row);
    ListView_DeleteItem(lvStartupList, row);
    if (ListView_GetItemCount(lvStartupList) != RowCount())
        SyncRowCount(true);
}

int TEntryList::RowCount() const {
    return static_cast<int>(rows_.size());
}

TStartup* TEntryList::RowEntry(int row) const {
    if (row < 0 || row >= RowCount())
        return nullptr;
    return rows_[static_cast<size_t>(row)];
}

void TEntryList::lvStartupListGetDispInfo(LVITEMA& item) {
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

void TEntryList::lvStartupListGetDispInfo(LVITEMW& item) {
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

void TEntryList::lvStartupListCacheHint(int from, int to) {
    // The rows about to be shown: their program files are looked up once,
    // here, rather than while each row paints.
    from = std::max(from, 0);
    to = std::min(to, RowCount() - 1);
    for (int row = from; row <= to; ++row)
        InfoFor(*rows_[static_cast<size_t>(row)]);
}

int TEntryList::lvStartupListFindItem(const NMLVFINDITEMA& find) const {
    if (!find.lvfi.psz)
        return -1;
    std::wstring typed(static_cast<size_t>(lstrlenA(find.lvfi.psz)), L'\0');
    typed.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, find.lvfi.psz, static_cast<int>(typed.size()), typed.data(),
                            static_cast<int>(typed.size()))));
    return FindRow(typed, find.lvfi.flags, find.iStart);
}

int TEntryList::lvStartupListFindItem(const NMLVFINDITEMW& find) const {
    return find.lvfi.psz ? FindRow(find.lvfi.psz, find.lvfi.flags, find.iStart) : -1;
}

int TEntryList::FindRow(const std::wstring& typed, UINT flags, int from) const {
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
        const std::wstring title = DisplayText(rows_[static_cast<size_t>(row)]->Title);
        if (title.size() >= typed.size() &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, title.data(),
                           static_cast<int>(typed.size()), typed.data(),
                           static_cast<int>(typed.size())) == CSTR_EQUAL &&
            ((flags & LVFI_PARTIAL) || title.size() == typed.size()))
            return row;
    }
    return -1;
}

int TEntryList::SelectedRow() const {
    return listview::NextItem(lvStartupList, -1, LVNI_SELECTED);
}

TStartup* TEntryList::SelectedEntry() const {
    return RowEntry(SelectedRow());
}

bool TEntryList::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_LISTVIEW || item.hwndItem != lvStartupList)
        return false;
    try {
        lvStartupListDrawItem(item);
    } catch (...) {
        // A row that cannot be painted stays blank; painting never shows a
        // message box.
    }
    return true;
}

void TEntryList::lvStartupListDrawItem(const DRAWITEMSTRUCT& item) {
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

bool TEntryList::SelectEntryTitled(const std::string& title) {
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

void TEntryList::lvStartupListDblClick() {}

LRESULT TEntryList::Notify(const NMHDR& hdr) {
    using listview::Notice;
    switch (hdr.code) {
    case LVN_ITEMCHANGING:
        return lvStartupListItemChanging(Notice<NMLISTVIEW>(hdr));
    case LVN_DELETEALLITEMS:
        // No notification per row: the rows are the list's own.
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
        owner_.Guard([&] { lvStartupListColumnClick(column); });
        return 0;
    }
    case NM_DBLCLK:
        lvStartupListDblClick();
        return 0;
    case NM_CLICK:
        // A mouse click shows the page; moving the selection with the
        // keyboard does not.
        owner_.Guard([this] { owner_.RowClicked(); });
        return 0;
    }
    return 0;
}

LRESULT CALLBACK TEntryList::ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<TEntryList*>(data);
    LRESULT result = 0;
    if (self->CheckMarkInput(wnd, msg, wp, lp, result))
        return result;
    switch (msg) {
    case WM_PAINT:
        self->columnWidthsValid_ = false;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(wnd, &TEntryList::ListProc, 1);
        break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

// ---------------------------------------------------------------------------
// Check marks

bool TEntryList::RowChecked(int row) const {
    const TStartup* entry = RowEntry(row);
    return entry && entry->Enabled;
}

void TEntryList::SetRowChecked(int row, bool checked) {
    if (row < 0 || row >= RowCount() || RowChecked(row) == checked)
        return;
    auto own = checkMarks_.OwnChange();
    lvStartupListChange(row, checked);
    ListView_RedrawItems(lvStartupList, row, row);
}

void TEntryList::ToggleRow(int row) {
    // Winlogon's values, and what the organisation set, keep their mark.
    const TStartup* entry = RowEntry(row);
    if (entry && (!CanBeDisabled(entry->Location) || entry->SetByOrganisation))
        return;
    SetRowChecked(row, !RowChecked(row));
}

void TEntryList::lvStartupListChange(int row, bool checked) {
    TStartup* entry = RowEntry(row);
    if (entry)
        entry->SetEnabled(checked);
}

void TEntryList::lvStartupListMouseDown(int /*button*/, WPARAM /*keys*/, int x, int y) {
    if (x >= dpi_.Scale(layout::ToggleLimitX))
        return;
    int row = listview::RowAt(lvStartupList, POINT{x, y});
    if (row >= 0)
        ToggleRow(row);
}

void TEntryList::Check1Click() {
    int row = SelectedRow();
    if (row >= 0)
        ToggleRow(row);
}

LRESULT TEntryList::lvStartupListItemChanging(const NMLISTVIEW& change) const {
    return checkMarks_.Refuses(change) ? TRUE : FALSE;
}

bool TEntryList::CheckMarkInput(HWND list, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
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
        owner_.Guard([&] { lvStartupListMouseDown(button, wp, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); });
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
