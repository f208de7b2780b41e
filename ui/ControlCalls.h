#pragma once
// Typed calls for the list and tree controls' messages and for menu items,
// and the creation of a child control, so that no caller fills message structures or casts
// handles itself.

#include <windows.h>
#include <commctrl.h>

#include <string>

// A child control of parent with the given control id (WS_CHILD is added to
// style). The bounds are in the parent's client coordinates; controls that
// the layout places later are created small.
HWND CreateChildControl(HWND parent, int id, const char* className, const char* text, DWORD style,
                        DWORD exStyle = 0, const RECT& bounds = RECT{0, 0, 10, 10});

namespace listview {

// Inserts a column at index; the column's sub-item is its index.
void InsertColumn(HWND list, int index, const char* caption, int width, int format = LVCFMT_LEFT);
// Inserts a row with its text and picture; returns its index or -1.
int InsertItem(HWND list, int index, const char* text, int image);
void SetItemState(HWND list, int row, UINT state, UINT mask);
// The next row after `from` (-1: the first) that has the LVNI_* flags, or -1.
int NextItem(HWND list, int from, UINT flags);
// The row whose item lies under a point in the list's client area, or -1.
int RowAt(HWND list, POINT pt);
// A virtual list's row count; keepScroll leaves the scroll position alone.
void SetItemCount(HWND list, int count, bool keepScroll);
int ColumnWidth(HWND list, int column);
void SetColumnWidth(HWND list, int column, int width);
// The bounds of a row, or false when the row does not exist.
bool ItemRect(HWND list, int row, RECT& rect);

// A notification of the list as the structure its code sends.
template <class T> const T& Notice(const NMHDR& hdr) {
    return reinterpret_cast<const T&>(hdr);
}
template <class T> T& MutableNotice(const NMHDR& hdr) {
    return const_cast<T&>(reinterpret_cast<const T&>(hdr));
}

} // namespace listview

namespace treeview {

// Appends a node under parent (nullptr: a top node); returns it.
HTREEITEM InsertNode(HWND tree, HTREEITEM parent, const char* text, int picture, LPARAM param);
HTREEITEM Selection(HWND tree);
void Select(HWND tree, HTREEITEM node);
void Expand(HWND tree, HTREEITEM node);

} // namespace treeview

namespace popupmenu {

// Appends an item to a menu: a separator when caption is null; with a
// picture (>= 0), the picture's index is the item's data and the owner draws
// it from its image list when the menu asks (WM_MEASUREITEM, WM_DRAWITEM).
void AppendItem(HMENU menu, UINT id, const char* caption, int picture = -1,
                HMENU submenu = nullptr);

} // namespace popupmenu
