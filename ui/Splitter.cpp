#include "Splitter.h"

#include <windowsx.h>

#include <algorithm>

void TSplitter::Clamp(int minimum, int maximum) {
    paneSize_ = std::clamp(paneSize_, minimum, std::max(minimum, maximum));
}

void TSplitter::Place(const RECT& bar, int paneEdge) {
    bar_ = bar;
    paneEdge_ = paneEdge;
}

bool TSplitter::Contains(POINT pt) const {
    return PtInRect(&bar_, pt) != FALSE;
}

bool TSplitter::BeginDrag(POINT pt) {
    dragging_ = Contains(pt);
    return dragging_;
}

bool TSplitter::DragTo(POINT pt) {
    if (!dragging_)
        return false;
    const int at = orientation_ == soVertical ? pt.x : pt.y;
    // A pane after the bar is measured from the bar's middle, where the
    // mouse holds it; a pane before it ends where the mouse is.
    const int thickness =
        orientation_ == soVertical ? bar_.right - bar_.left : bar_.bottom - bar_.top;
    paneSize_ = side_ == psBefore ? at - paneEdge_ : paneEdge_ - at - thickness / 2;
    return true;
}

bool TSplitter::HandleMouse(HWND owner, UINT msg, LPARAM lp) {
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (BeginDrag(pt))
            SetCapture(owner);
        return false;
    case WM_MOUSEMOVE:
        return GetCapture() == owner && DragTo(pt);
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        // Ended before the capture goes: releasing it sends
        // WM_CAPTURECHANGED once more.
        if (dragging_) {
            EndDrag();
            if (GetCapture() == owner)
                ReleaseCapture();
        }
        return false;
    default:
        return false;
    }
}

bool TSplitter::HandleSetCursor(HWND owner) const {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(owner, &pt);
    if (!Contains(pt))
        return false;
    SetCursor(LoadCursor(nullptr, Cursor()));
    return true;
}
