#include "ControlCalls.h"

HWND CreateChildControl(HWND parent, int id, const char* className, const char* text, DWORD style,
                        DWORD exStyle, const RECT& bounds) {
    // A child window's menu handle is its control id.
    return CreateWindowExA(exStyle, className, text, WS_CHILD | style, bounds.left, bounds.top,
                           bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

namespace listview {

void InsertColumn(HWND list, int index, const char* caption, int width, int format) {
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    col.fmt = format;
    col.cx = width;
    col.iSubItem = index;
    if (caption) {
        col.mask |= LVCF_TEXT;
        col.pszText = const_cast<char*>(caption);
    }
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&col));
}

int InsertItem(HWND list, int index, const char* text, int image) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetItemState(HWND list, int row, UINT state, UINT mask) {
    ListView_SetItemState(list, row, state, mask);
}

int NextItem(HWND list, int from, UINT flags) {
    return ListView_GetNextItem(list, from, flags);
}

int RowAt(HWND list, POINT pt) {
    LVHITTESTINFO hit{};
    hit.pt = pt;
    int row = ListView_HitTest(list, &hit);
    return row >= 0 && (hit.flags & LVHT_ONITEM) ? row : -1;
}

void SetItemCount(HWND list, int count, bool keepScroll) {
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                 keepScroll ? LVSICF_NOSCROLL : 0);
}

int ColumnWidth(HWND list, int column) {
    return ListView_GetColumnWidth(list, column);
}

void SetColumnWidth(HWND list, int column, int width) {
    ListView_SetColumnWidth(list, column, width);
}

bool ItemRect(HWND list, int row, RECT& rect) {
    return row >= 0 && ListView_GetItemRect(list, row, &rect, LVIR_BOUNDS);
}

} // namespace listview

namespace treeview {

HTREEITEM InsertNode(HWND tree, HTREEITEM parent, const char* text, int picture, LPARAM param) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.iImage = picture;
    ins.item.iSelectedImage = picture;
    ins.item.lParam = param;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM Selection(HWND tree) {
    return TreeView_GetSelection(tree);
}

void Select(HWND tree, HTREEITEM node) {
    TreeView_SelectItem(tree, node);
}

void Expand(HWND tree, HTREEITEM node) {
    TreeView_Expand(tree, node, TVE_EXPAND);
}

} // namespace treeview

namespace popupmenu {

void AppendItem(HMENU menu, UINT id, const char* caption, int picture, HMENU submenu) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    if (!caption) {
        mi.fMask = MIIM_FTYPE;
        mi.fType = MFT_SEPARATOR;
    } else {
        mi.fMask = MIIM_STRING | MIIM_ID;
        mi.wID = id;
        mi.dwTypeData = const_cast<char*>(caption);
        if (submenu) {
            mi.fMask |= MIIM_SUBMENU;
            mi.hSubMenu = submenu;
        }
        if (picture >= 0) {
            mi.fMask |= MIIM_BITMAP | MIIM_DATA;
            mi.hbmpItem = HBMMENU_CALLBACK;
            mi.dwItemData = static_cast<ULONG_PTR>(picture);
        }
    }
    InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &mi);
}

} // namespace popupmenu
