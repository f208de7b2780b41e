#pragma once
// A bar between two panes of a window that the mouse drags. It sizes the
// pane on one side of it, which keeps its size when the window is resized;
// the window's layout places the bar and keeps the size within its limits.

#include <windows.h>

class TSplitter {
public:
    // A vertical bar is dragged sideways and sizes a pane's width; a
    // horizontal one is dragged up and down and sizes a pane's height.
    enum TOrientation { soVertical, soHorizontal };
    // The pane it sizes: before the bar (left or above) or after it.
    enum TPaneSide { psBefore, psAfter };

    TSplitter(TOrientation orientation, TPaneSide side) : orientation_(orientation), side_(side) {}

    int PaneSize() const { return paneSize_; }
    void SetPaneSize(int size) { paneSize_ = size; }
    // Keeps the pane's size between the limits; a maximum below the minimum
    // (a window too small for both panes) gives the minimum.
    void Clamp(int minimum, int maximum);

    // Where the layout put the bar, and the pane's outer edge (the edge away
    // from the bar), in the window's client coordinates.
    void Place(const RECT& bar, int paneEdge);
    const RECT& Bar() const { return bar_; }
    bool Contains(POINT pt) const;
    // The cursor over the bar.
    LPCTSTR Cursor() const { return orientation_ == soVertical ? IDC_SIZEWE : IDC_SIZENS; }

    bool Dragging() const { return dragging_; }
    // Starts a drag when the press is on the bar; true when it did.
    bool BeginDrag(POINT pt);
    // The pane's new size for the mouse at pt; true when a drag is on.
    bool DragTo(POINT pt);
    void EndDrag() { dragging_ = false; }

    // The owner window's mouse messages: the drag takes the mouse capture
    // while it lasts. True when the pane's size changed and the window has
    // to lay out again.
    bool HandleMouse(HWND owner, UINT msg, LPARAM lp);
    // WM_SETCURSOR over the owner's client area: true when the cursor over
    // the bar was set.
    bool HandleSetCursor(HWND owner) const;

private:
    TOrientation orientation_;
    TPaneSide side_;
    int paneSize_ = 0;
    RECT bar_{};
    int paneEdge_ = 0;
    bool dragging_ = false;
};
