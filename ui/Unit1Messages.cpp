// The main window's messages: the window procedure, notifications of the
// tree and the list, and the list's own mouse and keyboard handling.

#include "Unit1.h"

#include "Pictures.h"

#include <windowsx.h>

#include <algorithm>

// ---------------------------------------------------------------------------
// Messages

LRESULT CALLBACK TfrmMorvane::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        auto* self = static_cast<TfrmMorvane*>(cs->lpCreateParams);
        self->wnd_ = wnd;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TfrmMorvane*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(wnd, msg, wp, lp);
    return self->HandleMessage(msg, wp, lp);
}

LRESULT TfrmMorvane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        FormCreate();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
        RECT r{0, 0, dpi_.Scale(layout::MinClientWidth), dpi_.Scale(layout::MinClientHeight)};
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
        mmi->ptMinTrackSize = POINT{r.right - r.left, r.bottom - r.top};
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        TPaint paint(wnd_);
        Paint(paint.Dc(), paint.Area());
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == Panel4) {
            SetBkColor(reinterpret_cast<HDC>(wp), layout::LeftPanelColour);
            SetTextColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(silverBrush_.Get());
        }
        break;
    case WM_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (mi->CtlType == ODT_MENU) {
            mi->itemWidth = static_cast<UINT>(PictureSize(dpi_));
            mi->itemHeight = static_cast<UINT>(PictureSize(dpi_));
            return TRUE;
        }
        if (mi->CtlType == ODT_LISTVIEW) {
            // Tall enough for the check box picture and the program icon.
            int pics = std::max(PictureSize(dpi_), GetSystemMetrics(SM_CYSMICON));
            mi->itemHeight = static_cast<UINT>(std::max(dpi_.Scale(layout::RowHeight), pics + 1));
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (di->CtlType == ODT_MENU) {
            int size = PictureSize(dpi_);
            int y = di->rcItem.top + (di->rcItem.bottom - di->rcItem.top - size) / 2;
            ImageList_Draw(ImageList1.Get(), static_cast<int>(di->itemData), di->hDC,
                           di->rcItem.left, y, ILD_TRANSPARENT);
            return TRUE;
        }
        if (di->CtlType == ODT_LISTVIEW && di->hwndItem == lvStartupList) {
            try {
                lvStartupListDrawItem(*di);
            } catch (...) {
                // A row that cannot be painted stays blank; painting never
                // shows a message box.
            }
            return TRUE;
        }
        break;
    }
    case WM_NOTIFYFORMAT:
        // The entry list gives its texts in wide characters, so that a title
        // outside the code page keeps its characters there too (the other
        // controls keep the window's narrow notifications).
        if (lp == NF_QUERY && lvStartupList && reinterpret_cast<HWND>(wp) == lvStartupList)
            return NFR_UNICODE;
        break;
    case WM_NOTIFY:
        return HandleNotify(*reinterpret_cast<NMHDR*>(lp));
    case WM_COMMAND:
        if (lp == 0)
            HandleCommand(LOWORD(wp));
        return 0;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wp) == lvStartupList) {
            ShowContextMenu(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            return 0;
        }
        break;
    case WM_SETCURSOR:
        // The hourglass stays while the consultation lets messages run.
        if (consulting_) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return TRUE;
        }
        if (reinterpret_cast<HWND>(wp) == wnd_ && LOWORD(lp) == HTCLIENT) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(wnd_, &pt);
            RECT a = LeftSplitterRect();
            RECT b = DetailSplitterRect();
            if (PtInRect(&a, pt) || PtInRect(&b, pt)) {
                SetCursor(LoadCursor(nullptr, PtInRect(&a, pt) ? IDC_SIZEWE : IDC_SIZENS));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN: {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT a = LeftSplitterRect();
        RECT b = DetailSplitterRect();
        dragging_ = PtInRect(&a, pt) ? 1 : PtInRect(&b, pt) ? 2 : 0;
        if (dragging_)
            SetCapture(wnd_);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (dragging_ && GetCapture() == wnd_) {
            RECT rc;
            GetClientRect(wnd_, &rc);
            int x = GET_X_LPARAM(lp);
            int y = GET_Y_LPARAM(lp);
            if (dragging_ == 1)
                leftWidth_ = x;
            else
                detailHeight_ = rc.bottom - y - dpi_.Scale(layout::DetailSplitterHeight) / 2;
            Layout();
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = 0;
            if (GetCapture() == wnd_)
                ReleaseCapture();
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(wnd_, focus))
                lastFocus_ = focus;
        } else if (lastFocus_ && IsWindow(lastFocus_)) {
            SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : tvStartupFolders);
        return 0;
    case WM_SYSCOLORCHANGE:
        CreatePictures();
        SendMessageA(tvStartupFolders, WM_SYSCOLORCHANGE, wp, lp);
        SendMessageA(lvStartupList, WM_SYSCOLORCHANGE, wp, lp);
        SendMessageA(ListView1, WM_SYSCOLORCHANGE, wp, lp);
        InvalidateRect(wnd_, nullptr, TRUE);
        return 0;
    case WM_CLOSE:
        // The consultation still holds the rows and their entries: the
        // window closes once it is over.
        if (consulting_) {
            closeAfterConsult_ = true;
            return 0;
        }
        if (!closing_) {
            closing_ = true;
            FormClose();
        }
        DestroyWindow(wnd_);
        return 0;
    case WM_DESTROY:
        aniBusy.Stop();
        FormDestroy();
        return 0;
    case WM_NCDESTROY: {
        HWND wnd = wnd_;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        wnd_ = nullptr;
        tvStartupFolders = lvStartupList = Panel4 = ListView1 = WebBrowser1 = EmbeddedWB1 = nullptr;
        tmpAds = nullptr;
        if (QuitOnDestroy)
            PostQuitMessage(0);
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    }
    return DefWindowProcA(wnd_, msg, wp, lp);
}

LRESULT TfrmMorvane::HandleNotify(const NMHDR& hdr) {
    if (hdr.hwndFrom == lvStartupList) {
        switch (hdr.code) {
        case LVN_ITEMCHANGING: {
            const auto& nm = reinterpret_cast<const NMLISTVIEW&>(hdr);
            // The list's own check box handling would toggle a row a second
            // time for the press that lvStartupListMouseDown already handled:
            // during the list's handling of a press or key, only this
            // window changes check marks.
            bool checkChange =
                (nm.uChanged & LVIF_STATE) && ((nm.uNewState ^ nm.uOldState) & LVIS_STATEIMAGEMASK);
            if (checkChange && listInput_ > 0 && ownCheck_ == 0)
                return TRUE;
            return FALSE;
        }
        case LVN_ITEMCHANGED: {
            const auto& nm = reinterpret_cast<const NMLISTVIEW&>(hdr);
            if (nm.iItem >= 0)
                lvStartupListChange(nm.iItem);
            return 0;
        }
        case LVN_DELETEALLITEMS:
            // No notification per row: the rows are the window's own.
            return TRUE;
        case LVN_GETDISPINFOA:
            lvStartupListGetDispInfo(
                const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(hdr)).item);
            return 0;
        case LVN_GETDISPINFOW:
            lvStartupListGetDispInfo(
                const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(hdr)).item);
            return 0;
        case LVN_ODCACHEHINT: {
            const auto& nm = reinterpret_cast<const NMLVCACHEHINT&>(hdr);
            lvStartupListCacheHint(nm.iFrom, nm.iTo);
            return 0;
        }
        case LVN_ODFINDITEMA:
            return lvStartupListFindItem(reinterpret_cast<const NMLVFINDITEMA&>(hdr));
        case LVN_ODFINDITEMW:
            return lvStartupListFindItem(reinterpret_cast<const NMLVFINDITEMW&>(hdr));
        case LVN_COLUMNCLICK: {
            const auto& nm = reinterpret_cast<const NMLISTVIEW&>(hdr);
            Guarded([&] { lvStartupListColumnClick(nm.iSubItem); });
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
    } else if (hdr.hwndFrom == tvStartupFolders) {
        // While a consultation runs the selected group stays.
        if ((hdr.code == TVN_SELCHANGINGA || hdr.code == TVN_SELCHANGINGW) && consulting_)
            return TRUE;
        if (hdr.code == TVN_SELCHANGEDA || hdr.code == TVN_SELCHANGEDW) {
            // A new node by mouse or keyboard shows its entries; Refresh
            // selects the top node itself and fills the list once at its end.
            if (!refreshing_)
                Guarded([this] { tvStartupFoldersClick(); });
            return 0;
        }
    } else if (hdr.hwndFrom == ListView1) {
        if (hdr.code == LVN_ITEMCHANGING)
            return FALSE;
    }
    return 0;
}

LRESULT CALLBACK TfrmMorvane::ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<TfrmMorvane*>(data);
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
        self->Guarded(
            [&] { self->lvStartupListMouseDown(button, wp, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); });
        ++self->listInput_;
        LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
        --self->listInput_;
        return r;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        ++self->listInput_;
        LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
        --self->listInput_;
        return r;
    }
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            int row = ListView_GetNextItem(wnd, -1, LVNI_FOCUSED);
            if (row >= 0)
                self->ToggleRow(row);
            return 0;
        } else {
            ++self->listInput_;
            LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
            --self->listInput_;
            return r;
        }
    case WM_CHAR:
        if (wp == ' ')
            return 0;
        break;
    case WM_PAINT:
        self->columnWidthsValid_ = false;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(wnd, &TfrmMorvane::ListProc, 1);
        break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
