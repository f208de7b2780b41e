#pragma once
// The menu popMoreTask that the tool bar's More Tasks button opens: the
// quick profile slots (F5-F8 save, Shift+F5-F8 load while it is open), the
// profile files (Ctrl+O and Ctrl+S also while it is closed), the XML
// export, the options and the web links; and the file dialogs of the
// profile and export commands. The menu only chooses a command: the window
// carries it out.

#include "CommandIds.h"
#include "ScopedWin.h"
#include "UiSeam.h"

#include <windows.h>

#include <string>

class TMoreTasksMenu {
public:
    using enum TCommandId;

    // The starting folders of the profile dialogs (the export uses the
    // save dialog's).
    std::string OpenDlgInitialDir;
    std::string SaveDlgInitialDir;

    void Create();
    HMENU Handle() const { return popMoreTask.Get(); }

    // Opens the menu below the button; the command chosen by a click or by
    // a slot's key, or 0.
    UINT Show(HWND owner, HWND button);
    // Enables each quick slot's load item exactly when its profile exists.
    void popMoreTaskPopup();
    // The command of a key pressed while the menu is open (F5-F8 save,
    // Shift+F5-F8 load), or 0.
    static UINT popMoreTaskKey(UINT key, bool shift);
    // Ctrl+O and Ctrl+S sent to the window as its commands; true when taken.
    bool TranslateKeys(HWND wnd, MSG& msg) const;

    TFileDialogOptions OpenDlg() const;
    TFileDialogOptions SaveDlg() const;
    TFileDialogOptions ExportDlg() const;

private:
    static LRESULT CALLBACK MenuKeyHook(int code, WPARAM wp, LPARAM lp);

    TMenu popMoreTask;
    TAccel accel_;
    // The command chosen by a key while the menu was open.
    UINT menuKey_ = 0;
};
