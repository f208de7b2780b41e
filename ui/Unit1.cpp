// The main window itself: its class, creation and life cycle, and the window
// procedure, which hands each message to the handler of the behaviour it
// concerns (tool bar, tree, list, check marks, layout).

#include "Unit1.h"

#include "ConsultCommand.h"
#include "DetailPane.h"
#include "EntryList.h"
#include "LocationTree.h"
#include "MoreTasksMenu.h"
#include "PublisherChecks.h"
#include "RatingLegend.h"
#include "SidePane.h"
#include "ToolBar.h"
#include "Pictures.h"
#include "QuickProfiles.h"
#include "Resources.h"
#include "core/startupTasks.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/Icons.h"
#include "core/system/Lock.h"
#include "core/system/ShellLink_win.h"

#include <commctrl.h>

#include <algorithm>

TfrmMorvane* frmMorvane = nullptr;

namespace {

const char* const MainWindowClass = "TfrmMorvane";
const char* const PaneClass = "MorvaneHtmlPane";
const char* const WindowCaption = "Morvane for Windows v2";

enum : int {
    idDetailPane = 1005,
    idSidePane = 1006,
};

LRESULT CALLBACK PaneProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        TPaint paint(wnd);
        FillRect(paint.Dc(), &paint.Area(), GetSysColorBrush(COLOR_WINDOW));
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    return DefWindowProcA(wnd, msg, wp, lp);
}

void RegisterPaneClass() {
    RegisterWindowClass(TWindowClass{PaneClass}, PaneProc);
}

} // namespace

void InitMorvaneControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                             ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
}

TfrmMorvane::TfrmMorvane()
    : locationTree_(std::make_unique<TLocationTree>()),
      entryList_(std::make_unique<TEntryList>(static_cast<TEntryListOwner&>(*this))),
      legend_(std::make_unique<TRatingLegend>()), detailPane_(std::make_unique<TDetailPane>()),
      sidePane_(std::make_unique<TSidePane>()), toolBar_(std::make_unique<TToolBar>()),
      moreTasks_(std::make_unique<TMoreTasksMenu>()),
      consult_(std::make_unique<TConsultCommand>(*entryList_)), dpi_(ScreenDpi()),
      publisherChecks_(std::make_unique<TPublisherChecks>()) {
    frmMorvane = this;
}

TfrmMorvane::~TfrmMorvane() {
    if (Hwnd() && IsWindow(Hwnd())) {
        closing_ = true;
        DestroyWindow(Hwnd());
    }
    if (frmMorvane == this)
        frmMorvane = nullptr;
}

bool TfrmMorvane::Create() {
    RegisterPaneClass();
    TWindowClass mainClass{MainWindowClass, CS_DBLCLKS};
    mainClass.IconResource = IDI_MORVANE;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT r{dpi_.Scale(layout::WindowLeft), dpi_.Scale(layout::WindowTop),
           dpi_.Scale(layout::WindowLeft + layout::WindowWidth),
           dpi_.Scale(layout::WindowTop + layout::WindowHeight)};
    // Scaled for a high DPI setting the first bounds may not fit a small
    // screen: keep the whole window on the screen's work area.
    RECT work{};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && work.right > work.left) {
        int w = std::min<int>(r.right - r.left, work.right - work.left);
        int h = std::min<int>(r.bottom - r.top, work.bottom - work.top);
        int x = std::max<int>(work.left, std::min<int>(r.left, work.right - w));
        int y = std::max<int>(work.top, std::min<int>(r.top, work.bottom - h));
        r = RECT{x, y, x + w, y + h};
    }
    if (!TWindow::Create(mainClass, WS_EX_CONTROLPARENT, WindowCaption, style, r, nullptr))
        return false;
    // Created on a screen that draws at another DPI than the system's.
    const TDpi actual = WindowDpi(Hwnd());
    if (actual.Value != dpi_.Value) {
        RECT now{};
        GetWindowRect(Hwnd(), &now);
        now.right = now.left + MulDiv(now.right - now.left, actual.Value, dpi_.Value);
        now.bottom = now.top + MulDiv(now.bottom - now.top, actual.Value, dpi_.Value);
        FormDpiChanged(actual.Value, now);
    }
    return true;
}

void TfrmMorvane::Show(int showCommand) {
    int show = placement_.Restore(Hwnd(), dpi_.Value, -1);
    // Earlier versions also wrote the placement under "Forms": read there
    // until the first close writes it under "Placement".
    if (show < 0)
        show = TPlacementStore("Forms").Restore(Hwnd(), dpi_.Value, showCommand);
    if (showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ||
        showCommand == SW_SHOWMINNOACTIVE)
        show = showCommand;
    ShowWindow(Hwnd(), show);
    UpdateWindow(Hwnd());
    FormShow();
}

// The parts, for what drives the window from outside.
HWND TfrmMorvane::TreeHandle() const {
    return locationTree_->Handle();
}
HWND TfrmMorvane::ListHandle() const {
    return entryList_->Handle();
}
HWND TfrmMorvane::LegendHandle() const {
    return legend_->Handle();
}
HWND TfrmMorvane::DetailPaneHandle() const {
    return detailPane_->Handle();
}
HWND TfrmMorvane::SidePaneHandle() const {
    return sidePane_->Handle();
}
HWND TfrmMorvane::AdsTextHandle() const {
    return sidePane_->AdsTextHandle();
}
TWebImage& TfrmMorvane::RefreshButton() {
    return toolBar_->RefreshButton();
}
TWebImage& TfrmMorvane::MoreTasksButton() {
    return toolBar_->MoreTasksButton();
}
const TBusyAnimation& TfrmMorvane::Busy() const {
    return toolBar_->Busy();
}
HMENU TfrmMorvane::ListMenu() const {
    return entryList_->ListMenu();
}
HMENU TfrmMorvane::DetailMenu() const {
    return detailPane_->Menu();
}
HMENU TfrmMorvane::MoreTasksMenu() const {
    return moreTasks_->Handle();
}
TWebView& TfrmMorvane::DetailView() {
    return detailPane_->View();
}
TWebView& TfrmMorvane::SideView() {
    return sidePane_->View();
}
HTREEITEM TfrmMorvane::Node(int absoluteIndex) const {
    return locationTree_->Node(absoluteIndex);
}
int TfrmMorvane::SelectedNode() const {
    return locationTree_->SelectedNode();
}
bool TfrmMorvane::SelectEntryTitled(const std::string& title) {
    return entryList_->SelectEntryTitled(title);
}
void TfrmMorvane::ShowAdsPage() {
    sidePane_->ShowAdsPage();
}
void TfrmMorvane::btnConsultClick() {
    consult_->btnConsultClick();
}

// ---------------------------------------------------------------------------
// Creation

void TfrmMorvane::CreateFonts() {
    LOGFONTA lf = DialogFont(dpi_);
    font_.Reset(CreateFontIndirectA(&lf));
    lf.lfWeight = FW_BOLD;
    boldFont_.Reset(CreateFontIndirectA(&lf));
    silverBrush_.Reset(CreateSolidBrush(layout::LeftPanelColour));
}

void TfrmMorvane::CreateControls() {
    CreateFonts();
    ImageList1 = CreatePictureList(dpi_);
    leftSplitter_.SetPaneSize(dpi_.Scale(layout::LeftPanelWidth));
    detailSplitter_.SetPaneSize(dpi_.Scale(layout::DetailHeight));

    // Creation order is tab order: tree, list, then the tool bar buttons.
    locationTree_->MayChooseNode = [this] { return CommandEnabled(cmdShowGroup); };
    locationTree_->OnNodeChosen = [this] { Guarded([this] { tvStartupFoldersClick(); }); };
    locationTree_->Create(Hwnd(), dpi_, font_.Get(), ImageList1.Get());
    entryList_->Create(Hwnd(), dpi_, font_.Get());
    legend_->Create(Hwnd(), dpi_, font_.Get(), boldFont_.Get(), ImageList1.Get());
    toolBar_->OnRefresh = [this] { Guarded([this] { btnRefreshClick(); }); };
    toolBar_->OnConsult = [this] { Guarded([this] { btnConsultClick(); }); };
    toolBar_->OnApply = [this] { Guarded([this] { btnApplyClick(); }); };
    toolBar_->OnMoreTasks = [this] { Guarded([this] { btnMoreTasksClick(); }); };
    toolBar_->OnAbout = [this] { Guarded([this] { btnAboutClick(); }); };
    toolBar_->Create(Hwnd(), dpi_);
    consult_->Owner = Hwnd();
    consult_->MayStart = [this] { return CommandEnabled(cmdConsult); };
    consult_->OnStart = [this] {
        toolBar_->Busy().Start();
        ShowAdsPage();
    };
    consult_->OnEnd = [this] {
        toolBar_->Busy().Stop();
        if (Hwnd())
            FillList();
    };
    detailPane_->OnCommand = [this](UINT command) { HandleCommand(command); };
    detailPane_->Create(Hwnd(), idDetailPane, PaneClass);
    sidePane_->Create(Hwnd(), idSidePane, PaneClass);
    moreTasks_->Create();
    ConfigureShowOnceDialogs();
    entryList_->SetPictures(ImageList1.Get(), nullptr, font_.Get());
    Layout();
}

// ---------------------------------------------------------------------------
// Life cycle

void TfrmMorvane::FormCreate() {
    // Quick profiles are kept in the application data folder; earlier
    // versions also made a folder for them in the documents, which nothing
    // read: what a user put there joins the others.
    MoveQuickProfiles(StrayQuickProfileFolder(), QuickProfileFolder());
    moreTasks_->OpenDlgInitialDir = PathJoin(GetSpecialFolder(folderDocuments), "\\Morvane");
    moreTasks_->SaveDlgInitialDir = moreTasks_->OpenDlgInitialDir;
    entryList_->SetPictures(ImageList1.Get(), static_cast<HIMAGELIST>(SystemSmallImages()),
                           font_.Get());
    SetShellLinkOwner(Hwnd());
    startups_ = std::make_unique<TStartups>();
    publisherChecks_->OnSignatures = [this] { entryList_->Repaint(); };
    publisherChecks_->Create(Hwnd(), *startups_);
    if (ProgramFolder.empty())
        ProgramFolder = AppFolder();
    sidePane_->View().Navigate("about:blank");
    detailPane_->View().Navigate("about:blank");
}

void TfrmMorvane::FormShow() {
    SetFocus(locationTree_->Handle());
    Guarded([this] { btnRefreshClick(); });
}

void TfrmMorvane::FormClose() {
    // The store is written on every close, changed or not.
    Guarded([this] {
        TSystemLock lock(SystemLockPath());
        SaveStartupStore(*startups_, lock);
    });
    placement_.Save(Hwnd(), dpi_.Value);
    publisherChecks_->SaveAtClose();
}

void TfrmMorvane::FormDestroy() {
    // The checks write into entries: they end before the entries go.
    publisherChecks_->StopSignatureChecks();
    // Rows refer to entries; they go before the entries do.
    entryList_->Clear();
    startups_.reset();
}

void TfrmMorvane::FormCloseQuery() {
    // The consultation still holds the rows and their entries: the window
    // closes once it is over.
    if (consult_->PostponeClose())
        return;
    if (!closing_) {
        closing_ = true;
        FormClose();
    }
    DestroyWindow(Hwnd());
}

LRESULT TfrmMorvane::FormNcDestroy(UINT msg, WPARAM wp, LPARAM lp) {
    locationTree_->Destroyed();
    entryList_->Destroyed();
    detailPane_->Destroyed();
    sidePane_->Destroyed();
    legend_->Destroyed();
    if (QuitOnDestroy)
        PostQuitMessage(0);
    return Default(msg, wp, lp);
}

// ---------------------------------------------------------------------------
// Messages

LRESULT TfrmMorvane::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        FormCreate();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_GETMINMAXINFO:
        FormGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lp));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        TPaint paint(Hwnd());
        Paint(paint.Dc(), paint.Area());
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (legend_->LegendColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp),
                                  silverBrush_.Get(), result))
            return result;
        break;
    case WM_MEASUREITEM:
        if (FormMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (FormDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)))
            return TRUE;
        break;
    case WM_NOTIFYFORMAT:
        if (entryList_->NotifyFormat(reinterpret_cast<HWND>(wp), lp, result))
            return result;
        break;
    case WM_NOTIFY:
        return HandleNotify(*reinterpret_cast<const NMHDR*>(lp));
    case WM_COMMAND:
        if (lp == 0)
            HandleCommand(LOWORD(wp));
        return 0;
    case WM_CONTEXTMENU:
        if (entryList_->ContextMenu(reinterpret_cast<HWND>(wp), lp))
            return 0;
        break;
    case WM_SETCURSOR:
        if (FormSetCursor(reinterpret_cast<HWND>(wp), LOWORD(lp)))
            return TRUE;
        break;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        SplitterMouse(msg, lp);
        return 0;
    case WM_ACTIVATE:
        if (FormActivate(wp))
            return 0;
        break;
    case WM_SETFOCUS:
        SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : locationTree_->Handle());
        return 0;
    case WM_SYSCOLORCHANGE:
        FormSysColorChange(wp, lp);
        return 0;
    case WM_DPICHANGED:
        FormDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_CLOSE:
        FormCloseQuery();
        return 0;
    case TPublisherChecks::WM_SIGNATURESREADY:
        publisherChecks_->SignaturesReady();
        return 0;
    case WM_TIMER:
        if (publisherChecks_->SignatureTimerFired(wp))
            return 0;
        break;
    case WM_DESTROY:
        toolBar_->Busy().Stop();
        FormDestroy();
        return 0;
    case WM_NCDESTROY:
        return FormNcDestroy(msg, wp, lp);
    }
    return Default(msg, wp, lp);
}

LRESULT TfrmMorvane::HandleNotify(const NMHDR& hdr) {
    if (hdr.hwndFrom == entryList_->Handle())
        return entryList_->Notify(hdr);
    if (hdr.hwndFrom == locationTree_->Handle())
        return locationTree_->Notify(hdr);
    if (hdr.hwndFrom == legend_->Handle() && hdr.code == LVN_ITEMCHANGING)
        return FALSE;
    return 0;
}

bool TfrmMorvane::FormMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlType == ODT_MENU) {
        item.itemWidth = static_cast<UINT>(PictureSize(dpi_));
        item.itemHeight = static_cast<UINT>(PictureSize(dpi_));
        return true;
    }
    if (item.CtlType == ODT_LISTVIEW) {
        item.itemHeight = entryList_->MeasureItem();
        return true;
    }
    return false;
}

bool TfrmMorvane::FormDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType == ODT_MENU) {
        // The menus' pictures come from ImageList1, by the item's data.
        int size = PictureSize(dpi_);
        int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - size) / 2;
        ImageList_Draw(ImageList1.Get(), static_cast<int>(item.itemData), item.hDC,
                       item.rcItem.left, y, ILD_TRANSPARENT);
        return true;
    }
    return entryList_->DrawItem(item);
}

bool TfrmMorvane::FormSetCursor(HWND over, UINT hitTest) {
    // The hourglass stays while the consultation lets messages run.
    if (consult_->Consulting()) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return true;
    }
    return over == Hwnd() && hitTest == HTCLIENT &&
           (leftSplitter_.HandleSetCursor(Hwnd()) || detailSplitter_.HandleSetCursor(Hwnd()));
}

bool TfrmMorvane::FormActivate(WPARAM wp) {
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Hwnd(), focus))
            lastFocus_ = focus;
        return false;
    }
    if (lastFocus_ && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return true;
    }
    return false;
}

// Moved to a screen that draws at another DPI: what was measured for the old
// one is made again for the new one, and the window takes the place Windows
// suggests.
void TfrmMorvane::FormDpiChanged(int dpi, const RECT& suggested) {
    if (dpi > 0 && dpi != dpi_.Value) {
        const int old = dpi_.Value;
        dpi_.Value = dpi;
        CreateFonts();
        // The tree and the legend keep drawing from the old list until they
        // hold the new one.
        TImageList pictures = CreatePictureList(dpi_);
        locationTree_->DpiChanged(dpi_, font_.Get(), pictures.Get());
        legend_->DpiChanged(dpi_, font_.Get(), boldFont_.Get(), pictures.Get());
        ImageList1 = std::move(pictures);
        entryList_->DpiChanged(dpi_, font_.Get(), ImageList1.Get());
        toolBar_->CreatePictures(dpi_);
        leftSplitter_.SetPaneSize(MulDiv(leftSplitter_.PaneSize(), dpi, old));
        detailSplitter_.SetPaneSize(MulDiv(detailSplitter_.PaneSize(), dpi, old));
    }
    SetWindowPos(Hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    // An owner-drawn list measures its rows when it is moved: the new font's
    // height takes effect so.
    const HWND lvStartupList = entryList_->Handle();
    RECT list{};
    GetWindowRect(lvStartupList, &list);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&list), 2);
    SetWindowPos(lvStartupList, nullptr, list.left, list.top, list.right - list.left,
                 list.bottom - list.top - 1, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void TfrmMorvane::FormSysColorChange(WPARAM wp, LPARAM lp) {
    toolBar_->CreatePictures(dpi_);
    SendMessageA(locationTree_->Handle(), WM_SYSCOLORCHANGE, wp, lp);
    SendMessageA(entryList_->Handle(), WM_SYSCOLORCHANGE, wp, lp);
    legend_->SysColorChange(wp, lp);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

// ---------------------------------------------------------------------------
// Commands

bool TfrmMorvane::CommandEnabled(UINT command) const {
    if (!consult_->Consulting())
        return true;
    switch (command) {
    case Refresh1:
    case Remove1:
    case RestoreDefault1:
    case UndoDefault1:
    case loadProfileFromFile:
    case cmdConsult:
    case cmdSortRows:
    case cmdShowGroup:
        return false;
    default:
        return !IsLoadSlot(command);
    }
}

void TfrmMorvane::tvStartupFoldersClick() {
    if (CommandEnabled(cmdShowGroup))
        FillList();
}

void TfrmMorvane::FillList() {
    const int node = SelectedNode();
    if (node >= 0)
        entryList_->FillList(*startups_, node);
}

void TfrmMorvane::HandleCommand(UINT id) {
    switch (id) {
    case Check1:
        Guarded([this] { entryList_->Check1Click(); });
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
