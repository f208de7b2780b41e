#pragma once
// The main window's commands: the items of its menus and keys, and the
// commands of its buttons, tree and list headers that no menu carries. The
// window's parts send them to the window, which asks one place whether each
// may run now (TfrmMorvane::CommandEnabled).

#include <windows.h>

enum TCommandId : UINT {
    // The entry list's context menu PopupMenu1.
    Check1 = 2001,
    Remove1 = 2002,
    Refresh1 = 2003,
    // Winlogon's values: "Restore the Windows default", and its undoing.
    RestoreDefault1 = 2005,
    UndoDefault1 = 2006,
    // The detail pane's context menu PopupMenu2.
    Copy1 = 2004,
    // The menu popMoreTask; a quick slot N is loadProfile1 + N - 1 or
    // saveProfile1 + N - 1.
    loadProfile1 = 2101,
    loadProfile4 = 2104,
    saveProfile1 = 2111,
    saveProfile4 = 2114,
    loadProfileFromFile = 2121,
    saveProfiletoFile = 2122,
    ExportXml1 = 2131,
    Options1 = 2135,
    VisitWebsite1 = 2141,
    VisitOnline1 = 2142,
    Contributeinformation2 = 2143,
    // Without a menu item: the Consult button, a click on a column's header,
    // the choice of a node of the location tree.
    cmdConsult = 2201,
    cmdSortRows = 2202,
    cmdShowGroup = 2203,
};

inline bool IsLoadSlot(UINT id) {
    return id >= loadProfile1 && id <= loadProfile4;
}

inline bool IsSaveSlot(UINT id) {
    return id >= saveProfile1 && id <= saveProfile4;
}
