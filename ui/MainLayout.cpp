// Where the main window's parts go: the tool bar across the top, the tree
// and the rating legend in the left panel, the entry list over the detail
// pane in the centre and the side pane on the right, with the two splitters
// between them. Sizes come from Layout.h.

#include "Unit1.h"

#include "DetailPane.h"
#include "EntryList.h"
#include "LocationTree.h"
#include "RatingLegend.h"
#include "SidePane.h"
#include "ToolBar.h"

#include <algorithm>

void TfrmMorvane::Layout() {
    if (!Hwnd() || !entryList_->Handle())
        return;
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    const int w = rc.right;
    const int h = rc.bottom;
    const int top = dpi_.Scale(layout::ToolBarHeight);
    const int right = dpi_.Scale(layout::RightPanelWidth);
    const int legend = dpi_.Scale(layout::LegendHeight);
    const int splitW = dpi_.Scale(layout::LeftSplitterWidth);
    const int splitH = dpi_.Scale(layout::DetailSplitterHeight);

    // Keep the splitters where every region stays usable.
    leftSplitter_.Clamp(dpi_.Scale(layout::MinLeftPanelWidth),
                        w - right - splitW - dpi_.Scale(120));
    const int centreH = h - top;
    detailSplitter_.Clamp(dpi_.Scale(layout::MinDetailHeight),
                          centreH - splitH - dpi_.Scale(layout::MinListHeight));
    const int leftWidth = leftSplitter_.PaneSize();
    const int detailHeight = detailSplitter_.PaneSize();
    const int centreX = leftWidth + splitW;
    const int centreW = std::max(0, w - right - centreX);
    const int listH = std::max(0, centreH - detailHeight - splitH);
    leftSplitter_.Place(RECT{leftWidth, top, centreX, h}, 0);
    detailSplitter_.Place(RECT{centreX, h - detailHeight - splitH, w - right, h - detailHeight}, h);

    HDWP dwp = BeginDeferWindowPos(10);
    auto put = [&](HWND ctl, int x, int y, int cw, int ch) {
        if (ctl && dwp)
            dwp = DeferWindowPos(dwp, ctl, nullptr, x, y, std::max(0, cw), std::max(0, ch),
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    };
    put(locationTree_->Handle(), 0, top, leftWidth, h - top - legend);
    legend_->Place(leftWidth, h - legend, dpi_, put);
    put(entryList_->Handle(), centreX, top, centreW, listH);
    put(detailPane_->Handle(), centreX, h - detailHeight, centreW, detailHeight);
    put(sidePane_->Handle(), w - right, top, right, h - top);
    toolBar_->PlaceRightEnd(w, dpi_, put);
    if (dwp)
        EndDeferWindowPos(dwp);
    legend_->SizeColumn();
    entryList_->SizeColumns();
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void TfrmMorvane::FormGetMinMaxInfo(MINMAXINFO& info) const {
    RECT r{0, 0, dpi_.Scale(layout::MinClientWidth), dpi_.Scale(layout::MinClientHeight)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    info.ptMinTrackSize = POINT{r.right - r.left, r.bottom - r.top};
}

void TfrmMorvane::SplitterMouse(UINT msg, LPARAM lp) {
    bool moved = false;
    for (TSplitter* splitter : {&leftSplitter_, &detailSplitter_})
        moved = splitter->HandleMouse(Hwnd(), msg, lp) || moved;
    if (moved)
        Layout();
}

void TfrmMorvane::Paint(HDC dc, const RECT& area) {
    RECT rc;
    GetClientRect(Hwnd(), &rc);
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

    toolBar_->Paint(m, w, dpi_);
    const int top = dpi_.Scale(layout::ToolBarHeight);
    const int leftWidth = leftSplitter_.PaneSize();
    RECT left{0, top, leftWidth, h};
    FillRect(m, &left, silverBrush_.Get());
    RECT rest{leftWidth, top, w, h};
    FillRect(m, &rest, GetSysColorBrush(COLOR_BTNFACE));

    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, m, area.left,
           area.top, SRCCOPY);
}
