// The main window's life cycle and commands: start-up, refresh, apply, the
// location tree's filter and the rows of the entry list.

#include "Unit1.h"

#include "Pictures.h"
#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/Icons.h"

#include <algorithm>
#include <climits>
#include <vector>

TfrmMorvane* frmMorvane = nullptr;

namespace {

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM column) {
    return TfrmMorvane::lvStartupListCompare(reinterpret_cast<const TStartup*>(a),
                                             reinterpret_cast<const TStartup*>(b),
                                             static_cast<int>(column));
}

void SetItemText(HWND list, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
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
    // The two HTML panes start blank (about:blank).
    InvalidateRect(EmbeddedWB1, nullptr, TRUE);
    InvalidateRect(WebBrowser1, nullptr, TRUE);
}

void TfrmMorvane::FormShow() {
    SetFocus(tvStartupFolders);
    Guarded([this] { btnRefreshClick(); });
}

void TfrmMorvane::FormClose() {
    // The store is written on every close, changed or not.
    Guarded([this] { SaveDisabledStore(*startups_, wnd_); });
    placement_.Save(wnd_, dpi_.Value);
    formStorage_.Save(wnd_, dpi_.Value);
}

void TfrmMorvane::FormDestroy() {
    if (lvStartupList) {
        // Rows refer to entries; they go before the entries do.
        ListView_DeleteAllItems(lvStartupList);
    }
    pathInfo_.clear();
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
    ListView_DeleteAllItems(lvStartupList);
    pathInfo_.clear();
    startups_->Clear();
    // A scan that stops on a faulty registry value still goes through the
    // steps below: without the merge of the store, the next write of the
    // store (at the latest on close) would forget every disabled entry.
    std::string scanError;
    try {
        startups_->Refresh();
    } catch (const std::exception& e) {
        scanError = e.what();
    }
    for (HTREEITEM node : nodes_)
        TreeView_Expand(tvStartupFolders, node, TVE_EXPAND);
    busy.Stop();

    refreshing_ = true;
    TreeView_SelectItem(tvStartupFolders, nodes_[0]);
    refreshing_ = false;
    SetFocus(tvStartupFolders);

    try {
        RestoreDisabledStore(*startups_, wnd_);
    } catch (...) {
        // An unreadable store leaves the list with what the scan found.
    }
    FillList();
    if (!scanError.empty())
        ShowError(wnd_, scanError);
}

void TfrmMorvane::btnApplyClick() {
    TApplyReport report = ApplyWithStore(*startups_, wnd_);
    if (report.Ok())
        return;
    std::string text = report.Message();
    if (!report.NeedsElevation) {
        UiSeam().ShowMessageBox(wnd_, text, ApplicationTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    text += "\n\nRestart Morvane as administrator now? The changes above have to be made "
            "once more there.";
    if (UiSeam().ShowMessageBox(wnd_, text, ApplicationTitle, MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The store is written: the new instance finds the entries that were
    // disabled, and this one closes (writing the store once more).
    if (UiSeam().RestartElevated(wnd_))
        PostMessageA(wnd_, WM_CLOSE, 0, 0);
}

void TfrmMorvane::btnMoreTasksClick() {
    // The menu of the profile commands comes with its own module.
}

void TfrmMorvane::btnAboutClick() {
    // The about window comes with its own module.
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
    SendMessageA(lvStartupList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(lvStartupList);
    int count = startups_->Count();
    SendMessageA(lvStartupList, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    for (int i = 0; i < count; ++i) {
        TStartup* entry = startups_->Items(i);
        if (InLocationGroup(entry->Location, node))
            AddListRow(entry);
    }
    SendMessageA(lvStartupList, WM_SETREDRAW, TRUE, 0);
    SizeListColumns();
    InvalidateRect(lvStartupList, nullptr, TRUE);
}

TRowInfo TfrmMorvane::InfoFor(const TStartup& entry) {
    auto it = pathInfo_.find(entry.FilePath);
    if (it != pathInfo_.end())
        return it->second;
    TRowInfo info = ExamineEntry(entry);
    pathInfo_.emplace(entry.FilePath, info);
    return info;
}

void TfrmMorvane::AddListRow(TStartup* entry) {
    TRowInfo info = InfoFor(*entry);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = INT_MAX; // appended
    item.pszText = const_cast<char*>(entry->Title.c_str());
    item.iImage = info.ImageIndex;
    item.lParam = 0;
    int row = static_cast<int>(
        SendMessageA(lvStartupList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return;
    entry->SetImageIndex(info.ImageIndex);
    SetItemText(lvStartupList, row, 1, entry->CommandLine);
    SetItemText(lvStartupList, row, 2, entry->LocationText());
    SetItemText(lvStartupList, row, 3, std::to_string(entry->Rating));
    SetItemText(lvStartupList, row, 4, entry->Comment);
    // A check mark given with the insertion is not kept by every list
    // control: it is set on its own.
    SetRowChecked(row, entry->Enabled);
    // The entry is attached last, so that setting the check mark above does
    // not reach it: the change handler passes over rows without an entry.
    LVITEMA attach{};
    attach.mask = LVIF_PARAM;
    attach.iItem = row;
    attach.lParam = reinterpret_cast<LPARAM>(entry);
    SendMessageA(lvStartupList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&attach));
}

int TfrmMorvane::RowCount() const {
    return ListView_GetItemCount(lvStartupList);
}

TStartup* TfrmMorvane::RowEntry(int row) const {
    if (row < 0)
        return nullptr;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(lvStartupList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<TStartup*>(item.lParam);
}

bool TfrmMorvane::RowChecked(int row) const {
    return ListView_GetCheckState(lvStartupList, static_cast<UINT>(row)) == TRUE;
}

void TfrmMorvane::SetRowChecked(int row, bool checked) {
    ++ownCheck_;
    ListView_SetCheckState(lvStartupList, static_cast<UINT>(row), checked ? TRUE : FALSE);
    --ownCheck_;
}

void TfrmMorvane::ToggleRow(int row) {
    SetRowChecked(row, !RowChecked(row));
}

int TfrmMorvane::FirstSelectedRow() const {
    return ListView_GetNextItem(lvStartupList, -1, LVNI_SELECTED);
}

void TfrmMorvane::lvStartupListDrawItem(const DRAWITEMSTRUCT& item) {
    int row = static_cast<int>(item.itemID);
    // The list hands over the row's data with the request.
    TStartup* entry = item.itemData ? reinterpret_cast<TStartup*>(item.itemData) : RowEntry(row);
    if (!entry)
        return;
    TRowPaint data;
    data.Entry = entry;
    data.Checked = RowChecked(row);
    data.Highlighted = (item.itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
    data.Info = InfoFor(*entry);
    // The row's texts are made from its entry (AddListRow); taken from there,
    // painting needs no message to the list for them.
    data.Texts[0] = entry->Title;
    data.Texts[1] = entry->CommandLine;
    data.Texts[2] = entry->LocationText();
    data.Texts[4] = entry->Comment;
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
    ListView_SortItems(lvStartupList, CompareRows, static_cast<LPARAM>(column));
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
        UiSeam().ShowMessageBox(
            wnd_,
            "You need to disable the program from Startup, before you can delete the program.",
            ApplicationTitle, MB_OK);
        return;
    }
    // The row goes first, so that no repaint meets a row whose entry is gone.
    ListView_DeleteItem(lvStartupList, row);
    std::unique_ptr<TStartup> removed = entry->RemoveFromOwner();
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
    }
}
