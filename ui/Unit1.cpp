// The main window's life cycle and commands: start-up, refresh, apply, the
// location tree's filter and the rows of the entry list.

#include "Unit1.h"

#include "Pictures.h"
#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/Icons.h"
#include "core/system/Lock.h"
#include "core/system/WideText_win.h"

#include <algorithm>
#include <climits>
#include <vector>

TfrmMorvane* frmMorvane = nullptr;

namespace {

// The text of one cell as the list shows it (column 3 holds the rating's
// digits although a picture is painted there).
std::string CellText(const TStartup& entry, int column) {
    switch (column) {
    case 0:
        return entry.Title;
    case 1:
        return entry.CommandLine;
    case 2:
        return entry.LocationText();
    case 3:
        return std::to_string(entry.Rating);
    case 4:
        return entry.CommentText();
    default:
        return {};
    }
}

UINT CheckStateImage(bool checked) {
    return INDEXTOSTATEIMAGEMASK(checked ? 2u : 1u);
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

TfrmMorvane::TfrmMorvane() : dpi_(ScreenDpi()) {
    frmMorvane = this;
}

TfrmMorvane::~TfrmMorvane() {
    if (wnd_ && IsWindow(wnd_)) {
        closing_ = true;
        DestroyWindow(wnd_);
    }
    if (frmMorvane == this)
        frmMorvane = nullptr;
}

// ---------------------------------------------------------------------------
// Life cycle

void TfrmMorvane::FormCreate() {
    std::string documents = GetSpecialFolder(4);
    // A folder that cannot be created is not reported: the profile commands
    // report their own failures when they use it.
    ForceFolders(PathJoin(documents, "\\Morvane\\Quick Profiles\\"));
    OpenDlgInitialDir = PathJoin(documents, "\\Morvane");
    SaveDlgInitialDir = OpenDlgInitialDir;
    auto* systemIcons = static_cast<HIMAGELIST>(SystemSmallImages());
    ListView_SetImageList(lvStartupList, systemIcons, LVSIL_SMALL);
    painter_.Setup(ImageList1.Get(), systemIcons, font_.Get(), dpi_);
    startups_ = std::make_unique<TStartups>(static_cast<void*>(wnd_));
    if (ProgramFolder.empty())
        ProgramFolder = AppFolder();
    EmbeddedWB1View.Navigate("about:blank");
    WebBrowser1View.Navigate("about:blank");
}

void TfrmMorvane::FormShow() {
    SetFocus(tvStartupFolders);
    Guarded([this] { btnRefreshClick(); });
}

void TfrmMorvane::FormClose() {
    // The store is written on every close, changed or not.
    Guarded([this] {
        TSystemLock lock(SystemLockPath());
        SaveStartupStore(*startups_, lock);
    });
    placement_.Save(wnd_, dpi_.Value);
    formStorage_.Save(wnd_, dpi_.Value);
}

void TfrmMorvane::FormDestroy() {
    // Rows refer to entries; they go before the entries do.
    rows_.clear();
    if (lvStartupList)
        ListView_DeleteAllItems(lvStartupList);
    lookups_.Clear();
    startups_.reset();
}

// ---------------------------------------------------------------------------
// Tool bar commands

void TfrmMorvane::btnRefreshClick() {
    if (consulting_)
        return;
    struct TBusy {
        TfrmMorvane& Form;
        HCURSOR Old;
        bool Stopped = false;
        explicit TBusy(TfrmMorvane& f) : Form(f), Old(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {
            Form.aniBusy.Start();
        }
        void Stop() {
            if (!Stopped)
                Form.aniBusy.Stop();
            Stopped = true;
        }
        ~TBusy() {
            Stop();
            SetCursor(Old);
        }
    } busy(*this);

    if (startups_->Modified)
        sodRefreshWarning.Execute(); // its answer does not stop the refresh
    rows_.clear();
    ListView_DeleteAllItems(lvStartupList);
    lookups_.Clear();
    TSystemLock lock(SystemLockPath());
    const TRefreshReport report = RefreshStartups(*startups_, lock);
    lock.Release();
    for (HTREEITEM node : nodes_)
        TreeView_Expand(tvStartupFolders, node, TVE_EXPAND);
    busy.Stop();

    refreshing_ = true;
    TreeView_SelectItem(tvStartupFolders, nodes_[0]);
    refreshing_ = false;
    SetFocus(tvStartupFolders);

    FillList();
    // An unreadable store leaves the list with what the scan found; the user
    // is told, as of a scan that stopped.
    for (const std::string& error : {report.ScanError, report.StoreError})
        if (!error.empty())
            ShowError(wnd_, error);
    // Passed-over values and a damaged store: told once, after the list shows
    // everything else.
    if (!startups_->Notices.empty())
        UiSeam().ShowMessageBox(wnd_, startups_->NoticeText(), ApplicationTitle,
                                MB_OK | MB_ICONWARNING);
}

void TfrmMorvane::btnApplyClick() {
    if (!profileSaved_ && !backupReminded_) {
        backupReminded_ = true;
        sodBackupReminder.Execute();
    }
    // One Morvane at a time changes the system (the command-line tool too).
    TSystemLock lock(SystemLockPath());
    TApplyReport report = ApplyStartups(*startups_, lock);
    lock.Release();
    if (report.Ok())
        return;
    std::string text = report.Message();
    if (!report.NeedsElevation) {
        UiSeam().ShowMessageBox(wnd_, text, ApplicationTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    text += "\nChanging these locations needs administrator rights: run Morvane elevated "
            "(as administrator) to apply them.";
    text += "\n\nRestart Morvane as administrator now? The changes above have to be made "
            "once more there.";
    if (UiSeam().ShowMessageBox(wnd_, text, ApplicationTitle, MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The store is written: the new instance finds the entries that were
    // disabled, and this one closes (writing the store once more).
    if (UiSeam().RestartElevated(wnd_))
        PostMessageA(wnd_, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------
// Location tree and entry list

HTREEITEM TfrmMorvane::Node(int absoluteIndex) const {
    return absoluteIndex >= 0 && absoluteIndex < NodeCount ? nodes_[absoluteIndex] : nullptr;
}

int TfrmMorvane::SelectedNode() const {
    HTREEITEM sel = TreeView_GetSelection(tvStartupFolders);
    for (int i = 0; i < NodeCount; ++i)
        if (nodes_[i] == sel && sel)
            return i;
    return -1;
}

void TfrmMorvane::tvStartupFoldersClick() {
    if (consulting_)
        return;
    FillList();
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
    SendMessageA(lvStartupList, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_.size()),
                 keepScroll ? LVSICF_NOSCROLL : 0);
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

bool TfrmMorvane::RowChecked(int row) const {
    return row >= 0 && row < RowCount() && rows_[static_cast<size_t>(row)].Checked;
}

void TfrmMorvane::SetRowChecked(int row, bool checked) {
    if (row < 0 || row >= RowCount() || rows_[static_cast<size_t>(row)].Checked == checked)
        return;
    ++ownCheck_;
    rows_[static_cast<size_t>(row)].Checked = checked;
    lvStartupListChange(row);
    ListView_RedrawItems(lvStartupList, row, row);
    --ownCheck_;
}

void TfrmMorvane::ToggleRow(int row) {
    SetRowChecked(row, !RowChecked(row));
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
    return ListView_GetNextItem(lvStartupList, -1, LVNI_SELECTED);
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
    data.Texts[0] = entry->Title;
    data.Texts[1] = entry->CommandLine;
    data.Texts[2] = entry->LocationText();
    data.Texts[4] = entry->CommentText();
    if (!columnWidthsValid_) {
        for (int i = 0; i < 5; ++i)
            columnWidths_[i] = ListView_GetColumnWidth(lvStartupList, i);
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
    for (int row = ListView_GetNextItem(lvStartupList, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(lvStartupList, row, LVNI_SELECTED))
        if (TStartup* e = RowEntry(row))
            selected.push_back(e);
    TStartup* focused = RowEntry(ListView_GetNextItem(lvStartupList, -1, LVNI_FOCUSED));
    if (!selected.empty() || focused)
        ListView_SetItemState(lvStartupList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);

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
                ListView_SetItemState(lvStartupList, row, state, state);
        }
    }
    InvalidateRect(lvStartupList, nullptr, FALSE);
}

int TfrmMorvane::lvStartupListCompare(const TStartup* row1, const TStartup* row2, int column) {
    switch (column) {
    case 0:
        // Ordinal comparison of the 8-bit texts: every upper-case letter comes
        // before every lower-case one.
        return Sign(row1->Title.compare(row2->Title));
    case 1:
        return Sign(row1->FilePath.compare(row2->FilePath));
    case 2:
        return static_cast<int>(row1->Location) - static_cast<int>(row2->Location);
    case 3:
        // Compared, not subtracted: ratings are any 32-bit number.
        return (row1->Rating > row2->Rating) - (row1->Rating < row2->Rating);
    default:
        return 0;
    }
}

void TfrmMorvane::lvStartupListChange(int row) {
    TStartup* entry = RowEntry(row);
    if (entry)
        entry->SetEnabled(RowChecked(row));
}

void TfrmMorvane::lvStartupListMouseDown(int /*button*/, WPARAM /*keys*/, int x, int y) {
    if (x >= dpi_.Scale(layout::ToggleLimitX))
        return;
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    int row = ListView_HitTest(lvStartupList, &hit);
    if (row >= 0 && (hit.flags & LVHT_ONITEM))
        ToggleRow(row);
}

void TfrmMorvane::lvStartupListDblClick() {}

void TfrmMorvane::Check1Click() {
    int row = FirstSelectedRow();
    if (row >= 0)
        ToggleRow(row);
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
    // The row goes first, so that no repaint meets a row whose entry is gone.
    rows_.erase(rows_.begin() + row);
    ListView_DeleteItem(lvStartupList, row);
    if (ListView_GetItemCount(lvStartupList) != RowCount())
        SyncRowCount(true);
    TSystemLock lock(SystemLockPath());
    std::unique_ptr<TStartup> removed = RemoveStartup(*entry, lock);
}

void TfrmMorvane::ShowContextMenu(POINT screen) {
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: under the focused row, or at the list's corner.
        RECT r{};
        int row = ListView_GetNextItem(lvStartupList, -1, LVNI_FOCUSED);
        if (row < 0 || !ListView_GetItemRect(lvStartupList, row, &r, LVIR_BOUNDS))
            GetClientRect(lvStartupList, &r);
        POINT pt{r.left + dpi_.Scale(layout::CaptionX), r.bottom};
        ClientToScreen(lvStartupList, &pt);
        screen = pt;
    }
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
    default:
        HandleMoreTaskCommand(id);
        break;
    }
}
