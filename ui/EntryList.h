#pragma once
// The entry list lvStartupList: a virtual list of report rows, one for each
// entry of the location group the window shows. It owns its rows, what each
// row shows and how it paints, typing to find a row, the sort by a column
// (EntryListSort.cpp), the check marks, the selection and its context menu
// PopupMenu1 (EntryListMenu.cpp). A row's check mark is its entry's Enabled:
// the list keeps no second copy. What it cannot decide itself it asks of
// the window that holds it, through TEntryListOwner.

#include "CheckMarkGate.h"
#include "CommandIds.h"
#include "EntryListOwner.h"
#include "Layout.h"
#include "ListColumns.h"
#include "ListPaint.h"
#include "ScopedWin.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

class TStartup;
class TStartups;

class TEntryList {
public:
    using enum TCommandId;

    explicit TEntryList(TEntryListOwner& owner);
    ~TEntryList();
    TEntryList(const TEntryList&) = delete;
    TEntryList& operator=(const TEntryList&) = delete;

    // Creates the control as a child of parent with its columns and menu.
    // Its notifications go to parent's procedure, which hands them on here
    // (Notify, MeasureItem, DrawItem, NotifyFormat, ContextMenu).
    void Create(HWND parent, const TDpi& dpi, HFONT font);
    HWND Handle() const { return lvStartupList; }
    void Destroyed() { lvStartupList = nullptr; }
    HMENU ListMenu() const { return PopupMenu1.Get(); }
    // The pictures the rows paint with (the tool bar's ImageList1 for the
    // check boxes and ratings; the system's small icons for the programs).
    void SetPictures(HIMAGELIST pictures, HIMAGELIST systemIcons, HFONT font);
    // Moved to a screen of another DPI: font, row height and column widths.
    void DpiChanged(const TDpi& dpi, HFONT font, HIMAGELIST pictures);

    // The parent's messages that concern the list.
    LRESULT Notify(const NMHDR& hdr);
    UINT MeasureItem() const;
    // True when the item is the list's (it is then painted, or left blank
    // when it cannot be: painting never shows a message box).
    bool DrawItem(const DRAWITEMSTRUCT& item);
    bool NotifyFormat(HWND control, LPARAM query, LRESULT& format) const;
    bool ContextMenu(HWND control, LPARAM lp);

    // The rows: the entries of `group` in collection order (AddListRow for
    // each), or none. The list's scroll position starts at the top.
    void FillList(const TStartups& startups, int group);
    void AddListRow(TStartup* entry);
    // No rows, nothing looked up: before the entries the rows refer to go.
    void Clear();
    // Takes a row away (its entry stays where it is).
    void RemoveRow(int row);
    int RowCount() const;
    TStartup* RowEntry(int row) const;
    bool RowChecked(int row) const;

    // The first selected row, or -1, and its entry, or nullptr.
    int SelectedRow() const;
    TStartup* SelectedEntry() const;
    // Selects and shows the first row of the entry with this title; false
    // when none.
    bool SelectEntryTitled(const std::string& title);

    // Check marks: a row's mark set the way the program does it (through
    // lvStartupListChange), and toggled unless its entry keeps its mark.
    void SetRowChecked(int row, bool checked);
    void ToggleRow(int row);
    void lvStartupListChange(int row, bool checked);
    void lvStartupListMouseDown(int button, WPARAM keys, int x, int y);
    // Enable/Disable: toggles the first selected row.
    void Check1Click();

    // Orders the rows by a column, keeping the selection on its entries.
    void lvStartupListColumnClick(int column);
    static int lvStartupListCompare(const TStartup* row1, const TStartup* row2, int column);
    void lvStartupListDblClick();

    // Paints one row (ODT_LISTVIEW); the item's data may carry its entry.
    void lvStartupListDrawItem(const DRAWITEMSTRUCT& item);
    // What painting knows of a row's entry: worked out when a row of its
    // program file is first shown, and kept until Clear.
    TRowInfo InfoFor(const TStartup& entry);
    // How many program files were looked up since Clear.
    int FileLookups() const { return lookups_.Count(); }
    // Gives the sharing columns their part of the list's width.
    void SizeColumns();
    void Repaint() const;

private:
    static LRESULT CALLBACK ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
    // The list keeps no rows of its own (a virtual list): it asks for what
    // it shows, and only for the rows it shows.
    void lvStartupListGetDispInfo(LVITEMA& item);
    void lvStartupListGetDispInfo(LVITEMW& item);
    void lvStartupListCacheHint(int from, int to);
    int lvStartupListFindItem(const NMLVFINDITEMA& find) const;
    int lvStartupListFindItem(const NMLVFINDITEMW& find) const;
    int FindRow(const std::wstring& typed, UINT flags, int from) const;
    // Sets the list's count to the rows' (scrolled and repainted as asked).
    void SyncRowCount(bool keepScroll);
    // The list's presses and keys that concern check marks; true when the
    // message was handled, with its result.
    bool CheckMarkInput(HWND list, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    LRESULT lvStartupListItemChanging(const NMLISTVIEW& change) const;
    void CreatePopupMenu();
    void ShowContextMenu(POINT screen);

    TEntryListOwner& owner_;
    HWND lvStartupList = nullptr;
    TMenu PopupMenu1;
    TDpi dpi_;
    // The rows in list order: the entry each shows. The list control holds
    // only their number.
    std::vector<TStartup*> rows_;
    // By program file: what a file-system search found, kept until Clear so
    // that painting and refilling never search again.
    TFileLookups lookups_;
    TListPainter painter_;
    TCheckMarkGate checkMarks_;
    // The column widths, read once for each paint of the list.
    int columnWidths_[ListColumnCount] = {};
    bool columnWidthsValid_ = false;
};
