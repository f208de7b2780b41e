#pragma once
// The one place where the window code waits for the user or asks the clock.
// The program uses the default seam; a test installs its own and answers
// message boxes, modal dialogs and pop-up menus itself.

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>

// What a file open or save dialog is to show.
struct TFileDialogOptions {
    bool Save = false;
    std::string Title;
    // Pairs of description and pattern, separated by "|":
    // "Morvane Profile|*.mvp|All Files|*.*".
    std::string Filter;
    std::string DefaultExt;
    std::string InitialDir;
};

class TUiSeam {
public:
    virtual ~TUiSeam() = default;

    // A message box; returns the button pressed (IDOK, IDYES, ...).
    virtual int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                               UINT type);

    // Runs a modal dialog that is already created and shown. The dialog sets
    // modalResult (non-zero) when it is to close; returns that result, or
    // IDCANCEL when the dialog window went away without one.
    virtual int ShowModal(HWND dialog, const int& modalResult);

    // Shows a pop-up menu at a screen point; returns the chosen command or 0.
    virtual UINT PopupMenu(HMENU menu, HWND owner, POINT screen);

    // Starts this program again with administrator rights; false when the
    // user refused or it could not be started.
    virtual bool RestartElevated(HWND owner);

    virtual uint32_t TickCount();

    // A file dialog; true with the chosen file, false when cancelled.
    virtual bool ChooseFile(HWND owner, const TFileDialogOptions& options, std::string& fileName);

    // Opens a web address in the user's browser (the shell's "open"). A
    // failure is not reported.
    virtual void OpenAddress(const std::string& address);

    // Adds, changes or removes an icon of the notification area (and its
    // balloon), as Shell_NotifyIconW does.
    virtual bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data);

    // Lets the queued window messages run while a command waits (the
    // consultation does so after each row and each slice of waiting).
    virtual void ProcessMessages();
};

// The seam in force; SetUiSeam(nullptr) goes back to the default.
TUiSeam& UiSeam();
void SetUiSeam(TUiSeam* seam);

// The application's general error handler: shows the message of a failure
// that reached a command's boundary.
void ShowError(HWND owner, const std::string& message);

// The application's title, the caption of its message boxes.
extern const char* const ApplicationTitle;
