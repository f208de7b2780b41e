// The main window's controls and pictures, their layout and the painting of
// the window's own areas (tool bar, panels, splitters).

#include "Unit1.h"

#include "Pictures.h"
#include "Resources.h"
#include "core/startupUtil.h"

#include <algorithm>

namespace {

const char* const MainWindowClass = "TfrmMorvane";
const char* const PaneClass = "MorvaneHtmlPane";
const char* const WindowCaption = "Morvane for Windows v2";

enum : int {
    idTree = 1001,
    idList = 1002,
    idLegendLabel = 1003,
    idLegend = 1004,
    idDetailPane = 1005,
    idSidePane = 1006,
    idRefresh = 1010,
    idConsult = 1011,
    idApply = 1012,
    idMoreTasks = 1013,
    idAbout = 1014,
};

// The picture of each node of the location tree (LocationTree).
const int NodePictures[TfrmMorvane::NodeCount] = {
    piParcel, piScreen, piRegistry, piRun,   piRunOnce, piService, piServiceOnce,
    piFolder, piUsers,  piRegistry, piRun,   piRunOnce, piFolder,
};

struct TLegendRow {
    int Picture;
    const char* Text;
};
const TLegendRow LegendRows[RatingPictureCount] = {
    {piRating0 + 0, "Unknown"},         {piRating0 + 1, "Not Recommended"},
    {piRating0 + 2, "Not Required"},    {piRating0 + 3, "User's Choice"},
    {piRating0 + 4, "System Required"},
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

void RegisterClasses(WNDPROC mainProc) {
    static bool done = false;
    if (done)
        return;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = mainProc;
    wc.hInstance = inst;
    wc.hIcon =
        static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_MORVANE), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_MORVANE), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = MainWindowClass;
    RegisterClassExA(&wc);

    WNDCLASSEXA pane{};
    pane.cbSize = sizeof pane;
    pane.lpfnWndProc = PaneProc;
    pane.hInstance = inst;
    pane.hCursor = LoadCursor(nullptr, IDC_ARROW);
    pane.lpszClassName = PaneClass;
    RegisterClassExA(&pane);
    done = true;
}

} // namespace

void InitMorvaneControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                             ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
}

bool TfrmMorvane::Create() {
    RegisterClasses(&TfrmMorvane::WndProc);
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
    wnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, MainWindowClass, WindowCaption, style, r.left,
                           r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), this);
    return wnd_ != nullptr;
}

void TfrmMorvane::Show(int showCommand) {
    int show = placement_.Restore(wnd_, dpi_.Value, -1);
    if (show < 0)
        show = formStorage_.Restore(wnd_, dpi_.Value, showCommand);
    if (showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ||
        showCommand == SW_SHOWMINNOACTIVE)
        show = showCommand;
    ShowWindow(wnd_, show);
    UpdateWindow(wnd_);
    FormShow();
}

// ---------------------------------------------------------------------------
// Creation

void TfrmMorvane::CreatePictures() {
    COLORREF toolbar = GetSysColor(COLOR_BTNHIGHLIGHT);
    banner_ = MakeBanner(dpi_, toolbar);
    rule_ = MakeRule(dpi_);
    separator_ = MakeSeparator(dpi_, toolbar);
    struct TButtonDef {
        TWebImage* Button;
        TButtonPicture Picture;
        const char* Caption;
        int Width;
    };
    const TButtonDef defs[] = {
        {&btnRefresh, bpRefresh, "Refresh",
         layout::ConsultX - layout::RefreshX - layout::SeparatorWidth},
        {&btnConsult, bpConsult, "Consult",
         layout::ApplyX - layout::ConsultX - layout::SeparatorWidth},
        {&btnApply, bpApply, "Apply", layout::MoreTasksX - layout::ApplyX - layout::SeparatorWidth},
        {&btnMoreTasks, bpMoreTasks, "More Tasks", layout::MoreTasksWidth},
        {&btnAbout, bpAbout, "About", layout::AboutWidth},
    };
    for (const auto& d : defs) {
        SIZE size{dpi_.Scale(d.Width), dpi_.Scale(layout::ButtonHeight)};
        TButtonPictures pics = MakeButtonPictures(d.Picture, d.Caption, size, dpi_, toolbar);
        d.Button->Image = std::move(pics.Normal);
        d.Button->OverImage = std::move(pics.Over);
        d.Button->DownImage = std::move(pics.Down);
        d.Button->DisableImage = std::move(pics.Disabled);
        d.Button->PicturesChanged();
    }
}

void TfrmMorvane::CreateTree() {
    tvStartupFolders = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_SHOWSELALWAYS |
            TVS_FULLROWSELECT | TVS_DISABLEDRAGDROP,
        0, 0, 10, 10, wnd_, reinterpret_cast<HMENU>(idTree), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(tvStartupFolders, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    TreeView_SetImageList(tvStartupFolders, ImageList1.Get(), TVSIL_NORMAL);
    TreeView_SetIndent(tvStartupFolders, dpi_.Scale(layout::TreeIndent));
    for (int i = 0; i < NodeCount; ++i) {
        TVINSERTSTRUCTA ins{};
        const TLocationNode& node = LocationTree[i];
        ins.hParent = node.Parent < 0 ? TVI_ROOT : nodes_[node.Parent];
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        ins.item.pszText = const_cast<char*>(node.Caption);
        ins.item.iImage = NodePictures[i];
        ins.item.iSelectedImage = NodePictures[i];
        ins.item.lParam = i;
        nodes_[i] = reinterpret_cast<HTREEITEM>(
            SendMessageA(tvStartupFolders, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    }
}

void TfrmMorvane::CreateList() {
    lvStartupList = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_OWNERDATA |
            LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
        0, 0, 10, 10, wnd_, reinterpret_cast<HMENU>(idList), GetModuleHandleA(nullptr), nullptr);
    // It asked for its notification format before it had a name to answer
    // to: asked again, the window answers wide characters.
    SendMessageA(lvStartupList, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(wnd_), NF_REQUERY);
    ListView_SetExtendedListViewStyle(lvStartupList, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES |
                                                         LVS_EX_FULLROWSELECT |
                                                         LVS_EX_DOUBLEBUFFER);
    // The rows' check marks are the window's: the list asks for them.
    ListView_SetCallbackMask(lvStartupList, LVIS_STATEIMAGEMASK);
    SendMessageA(lvStartupList, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    struct TColumn {
        const char* Caption;
        int Width;
    };
    const TColumn columns[] = {{"Name", layout::NameColumnWidth},
                               {"Filename", layout::MinFillColumnWidth},
                               {"Startup Location", layout::LocationColumnWidth},
                               {"Rating", layout::RatingColumnWidth},
                               {"Comment", layout::MinFillColumnWidth}};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<char*>(columns[i].Caption);
        col.cx = dpi_.Scale(columns[i].Width);
        col.iSubItem = i;
        SendMessageA(lvStartupList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&col));
    }
    SetWindowSubclass(lvStartupList, &TfrmMorvane::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TfrmMorvane::CreateLegend() {
    Panel4 = CreateWindowExA(0, "STATIC", "Rating Legend", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0,
                             10, 10, wnd_, reinterpret_cast<HMENU>(idLegendLabel),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(Panel4, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), FALSE);
    ListView1 = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER |
                                    LVS_SINGLESEL | LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER,
                                0, 0, 10, 10, wnd_, reinterpret_cast<HMENU>(idLegend),
                                GetModuleHandleA(nullptr), nullptr);
    ListView_SetExtendedListViewStyle(ListView1, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    SendMessageA(ListView1, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    ListView_SetImageList(ListView1, ImageList1.Get(), LVSIL_SMALL);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    ListView_SetBkColor(ListView1, face);
    ListView_SetTextBkColor(ListView1, face);
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH;
    col.cx = dpi_.Scale(layout::LeftPanelWidth);
    SendMessageA(ListView1, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
    for (int i = 0; i < RatingPictureCount; ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.iImage = LegendRows[i].Picture;
        item.pszText = const_cast<char*>(LegendRows[i].Text);
        SendMessageA(ListView1, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void TfrmMorvane::CreatePopupMenu() {
    PopupMenu1.Reset(::CreatePopupMenu());
    struct TItem {
        UINT Id;
        const char* Caption;
        int Picture;
    };
    const TItem items[] = {{Check1, "Enable/Disable", piCheckTicked},
                           {Remove1, "Remove", piNoEntry},
                           {0, nullptr, -1},
                           {Refresh1, "Refresh", piRefresh}};
    UINT pos = 0;
    for (const auto& it : items) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        if (!it.Caption) {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            mi.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_DATA;
            mi.wID = it.Id;
            mi.dwTypeData = const_cast<char*>(it.Caption);
            // The picture is drawn from ImageList1 when the menu asks for it.
            mi.hbmpItem = HBMMENU_CALLBACK;
            mi.dwItemData = static_cast<ULONG_PTR>(it.Picture);
        }
        InsertMenuItemA(PopupMenu1.Get(), pos++, TRUE, &mi);
    }
}

void TfrmMorvane::ConfigureShowOnceDialogs() {
    TIcon warning = LoadWarningIcon(dpi_.Scale(layout::WarningIconSize));
    struct TDef {
        TShowOnceDlg* Dialog;
        const char* Name;
        const char* Message;
        const char* Key;
    };
    const TDef defs[] = {
        {&sodRefreshWarning, "sodRefreshWarning",
         "You have enabled/disabled or removed some programs in Morvane but the has not been "
         "applied to the system and taken effects. By click Refresh button you will lose all "
         "changes, and systems current setting will be loaded.",
         "RefreshWarning"},
        {&sodBackupReminder, "sodBackupReminder",
         "Do not forget to backup your current system setting, in case of any unexpected "
         "problem, you can always restore your system to normal.",
         "BackupReminder"},
    };
    for (const auto& d : defs) {
        d.Dialog->Name = d.Name;
        d.Dialog->Owner = wnd_;
        d.Dialog->Message = d.Message;
        d.Dialog->Title = "Warning";
        d.Dialog->ShowOnceMessage = "Do not show this message again";
        d.Dialog->RegPath = "Software\\Morvane\\ShowOnceMessage";
        d.Dialog->RegKeyname = d.Key;
        d.Dialog->SetGraphic(warning.Get());
    }
}

void TfrmMorvane::CreateControls() {
    LOGFONTA lf{};
    lf.lfHeight = dpi_.FontHeight(layout::FontPoints);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, "MS Sans Serif", LF_FACESIZE);
    font_.Reset(CreateFontIndirectA(&lf));
    lf.lfWeight = FW_BOLD;
    boldFont_.Reset(CreateFontIndirectA(&lf));
    silverBrush_.Reset(CreateSolidBrush(layout::LeftPanelColour));
    ImageList1 = CreatePictureList(dpi_);
    leftWidth_ = dpi_.Scale(layout::LeftPanelWidth);
    detailHeight_ = dpi_.Scale(layout::DetailHeight);

    // Creation order is tab order: tree, list, then the tool bar buttons.
    CreateTree();
    CreateList();
    CreateLegend();
    auto button = [&](TWebImage& b, int id, int x, std::function<void()> click) {
        b.Create(wnd_, id, dpi_.Scale(x), dpi_.Scale(layout::ButtonY), 10, 10);
        b.OnClick = [this, click] { Guarded(click); };
    };
    button(btnRefresh, idRefresh, layout::RefreshX, [this] { btnRefreshClick(); });
    button(btnConsult, idConsult, layout::ConsultX, [this] { btnConsultClick(); });
    button(btnApply, idApply, layout::ApplyX, [this] { btnApplyClick(); });
    button(btnMoreTasks, idMoreTasks, layout::MoreTasksX, [this] { btnMoreTasksClick(); });
    button(btnAbout, idAbout, 0, [this] { btnAboutClick(); });
    CreatePictures();
    aniBusy.Create(wnd_, 0, dpi_.Scale(layout::BusyY),
                   LoadBusyFrames(dpi_, GetSysColor(COLOR_BTNHIGHLIGHT)));

    WebBrowser1 = CreateWindowExA(
        WS_EX_CLIENTEDGE, PaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10, 10,
        wnd_, reinterpret_cast<HMENU>(idDetailPane), GetModuleHandleA(nullptr), nullptr);
    EmbeddedWB1 = CreateWindowExA(0, PaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  10, 10, wnd_, reinterpret_cast<HMENU>(idSidePane),
                                  GetModuleHandleA(nullptr), nullptr);
    CreatePopupMenu();
    CreateMoreTaskMenu();
    CreateHtmlPanes();
    ConfigureShowOnceDialogs();
    painter_.Setup(ImageList1.Get(), nullptr, font_.Get(), dpi_);
    Layout();
}

// ---------------------------------------------------------------------------
// Layout and painting

RECT TfrmMorvane::LeftSplitterRect() const {
    RECT rc;
    GetClientRect(wnd_, &rc);
    int top = dpi_.Scale(layout::ToolBarHeight);
    return RECT{leftWidth_, top, leftWidth_ + dpi_.Scale(layout::LeftSplitterWidth), rc.bottom};
}

RECT TfrmMorvane::DetailSplitterRect() const {
    RECT rc;
    GetClientRect(wnd_, &rc);
    int left = leftWidth_ + dpi_.Scale(layout::LeftSplitterWidth);
    int right = rc.right - dpi_.Scale(layout::RightPanelWidth);
    int bottom = rc.bottom - detailHeight_;
    return RECT{left, bottom - dpi_.Scale(layout::DetailSplitterHeight), right, bottom};
}

void TfrmMorvane::Layout() {
    if (!wnd_ || !lvStartupList)
        return;
    RECT rc;
    GetClientRect(wnd_, &rc);
    const int w = rc.right;
    const int h = rc.bottom;
    const int top = dpi_.Scale(layout::ToolBarHeight);
    const int right = dpi_.Scale(layout::RightPanelWidth);
    const int legend = dpi_.Scale(layout::LegendHeight);
    const int splitW = dpi_.Scale(layout::LeftSplitterWidth);
    const int splitH = dpi_.Scale(layout::DetailSplitterHeight);

    // Keep the splitters where every region stays usable.
    leftWidth_ = std::clamp(
        leftWidth_, dpi_.Scale(layout::MinLeftPanelWidth),
        std::max(dpi_.Scale(layout::MinLeftPanelWidth), w - right - splitW - dpi_.Scale(120)));
    int centreH = h - top;
    detailHeight_ = std::clamp(detailHeight_, dpi_.Scale(layout::MinDetailHeight),
                               std::max(dpi_.Scale(layout::MinDetailHeight),
                                        centreH - splitH - dpi_.Scale(layout::MinListHeight)));
    const int centreX = leftWidth_ + splitW;
    const int centreW = std::max(0, w - right - centreX);
    const int listH = std::max(0, centreH - detailHeight_ - splitH);

    HDWP dwp = BeginDeferWindowPos(10);
    auto put = [&](HWND ctl, int x, int y, int cw, int ch) {
        if (ctl && dwp)
            dwp = DeferWindowPos(dwp, ctl, nullptr, x, y, std::max(0, cw), std::max(0, ch),
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    };
    put(tvStartupFolders, 0, top, leftWidth_, h - top - legend);
    const int legendTop = h - legend;
    put(Panel4, dpi_.Scale(layout::LegendLabelX), legendTop + dpi_.Scale(layout::LegendLabelY),
        leftWidth_ - dpi_.Scale(layout::LegendLabelX), dpi_.Scale(layout::LegendLabelHeight));
    const int margin = dpi_.Scale(layout::LegendListMargin);
    put(ListView1, margin, legendTop + dpi_.Scale(layout::LegendListTop), leftWidth_ - 2 * margin,
        legend - dpi_.Scale(layout::LegendListTop) - margin);
    put(lvStartupList, centreX, top, centreW, listH);
    put(WebBrowser1, centreX, h - detailHeight_, centreW, detailHeight_);
    put(EmbeddedWB1, w - right, top, right, h - top);
    put(btnAbout.Handle(), w - dpi_.Scale(layout::AboutWidth + layout::AboutRightMargin),
        dpi_.Scale(layout::ButtonY), dpi_.Scale(layout::AboutWidth),
        dpi_.Scale(layout::ButtonHeight));
    put(aniBusy.Handle(), w - dpi_.Scale(layout::BusyWidth + layout::BusyRightMargin),
        dpi_.Scale(layout::BusyY), dpi_.Scale(layout::BusyWidth), dpi_.Scale(layout::BusyHeight));
    if (dwp)
        EndDeferWindowPos(dwp);
    RECT legendRect;
    GetClientRect(ListView1, &legendRect);
    ListView_SetColumnWidth(ListView1, 0, legendRect.right);
    SizeListColumns();
    InvalidateRect(wnd_, nullptr, FALSE);
}

void TfrmMorvane::SizeListColumns() {
    RECT rc;
    GetClientRect(lvStartupList, &rc);
    // "Filename" and "Comment" share what the three fixed columns leave.
    int fixed = dpi_.Scale(layout::NameColumnWidth + layout::LocationColumnWidth +
                           layout::RatingColumnWidth);
    int rest = rc.right - fixed;
    int minFill = dpi_.Scale(layout::MinFillColumnWidth);
    int filename = std::max(minFill, rest * 3 / 5);
    int comment = std::max(minFill, rest - filename);
    ListView_SetColumnWidth(lvStartupList, 1, filename);
    ListView_SetColumnWidth(lvStartupList, 4, comment);
    columnWidthsValid_ = false;
}

void TfrmMorvane::Paint(HDC dc, const RECT& area) {
    RECT rc;
    GetClientRect(wnd_, &rc);
    const int w = rc.right;
    const int h = rc.bottom;
    if (w <= 0 || h <= 0)
        return;
    // Painted off-screen and copied at once: the tool bar has pictures over
    // its background and must not flicker while the window is resized.
    TMemDc mem(CreateCompatibleDC(dc));
    TBitmap bmp(CreateCompatibleBitmap(dc, w, h));
    TSelect selBmp(mem.Get(), bmp.Get());
    HDC m = mem.Get();

    const int top = dpi_.Scale(layout::ToolBarHeight);
    RECT toolbar{0, 0, w, top};
    FillRect(m, &toolbar, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    auto blit = [&](HBITMAP pic, int x, int y) {
        SIZE s = BitmapSize(pic);
        TMemDc src(CreateCompatibleDC(m));
        TSelect sel(src.Get(), pic);
        BitBlt(m, x, y, s.cx, s.cy, src.Get(), 0, 0, SRCCOPY);
    };
    blit(banner_.Get(), dpi_.Scale(layout::BannerX), dpi_.Scale(layout::BannerY));
    {
        SIZE s = BitmapSize(rule_.Get());
        TMemDc src(CreateCompatibleDC(m));
        TSelect sel(src.Get(), rule_.Get());
        StretchBlt(m, 0, dpi_.Scale(layout::RuleY), w, s.cy, src.Get(), 0, 0, s.cx, s.cy, SRCCOPY);
    }
    for (int x : {layout::ConsultX, layout::ApplyX, layout::MoreTasksX})
        blit(separator_.Get(), dpi_.Scale(x - layout::SeparatorWidth), dpi_.Scale(layout::ButtonY));

    RECT left{0, top, leftWidth_, h};
    FillRect(m, &left, silverBrush_.Get());
    RECT rest{leftWidth_, top, w, h};
    FillRect(m, &rest, GetSysColorBrush(COLOR_BTNFACE));

    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, m, area.left,
           area.top, SRCCOPY);
}
