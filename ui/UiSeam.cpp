#include "UiSeam.h"

#include "core/system/WideText_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

const char* const ApplicationTitle = "Morvane for Windows";

int TUiSeam::ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                            UINT type) {
    // Messages name entries, whose texts are UTF-8.
    return MessageBoxW(owner, DisplayText(text).c_str(), DisplayText(caption).c_str(), type);
}

int TUiSeam::ShowModal(HWND dialog, const int& modalResult) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);
    MSG msg;
    while (modalResult == 0 && IsWindow(dialog)) {
        int got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Hand WM_QUIT on to the outer loop once the dialog is gone.
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // Enable the owner before the dialog goes, so that the activation
    // returns to it rather than to another program.
    if (ownerWasEnabled)
        EnableWindow(owner, TRUE);
    return modalResult != 0 ? modalResult : IDCANCEL;
}

bool TUiSeam::NotifyIcon(DWORD message, NOTIFYICONDATAW& data) {
    return Shell_NotifyIconW(message, &data) != FALSE;
}

UINT TUiSeam::PopupMenu(HMENU menu, HWND owner, POINT screen) {
    // The owner must be the foreground window or the menu does not close
    // when the user clicks elsewhere.
    SetForegroundWindow(owner);
    UINT cmd = static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x,
                                                  screen.y, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    return cmd;
}

bool TUiSeam::RestartElevated(HWND owner) {
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return false;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = "runas";
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&info) != FALSE;
}

uint32_t TUiSeam::TickCount() {
    return GetTickCount();
}

bool TUiSeam::ChooseFile(HWND owner, const TFileDialogOptions& options, std::string& fileName) {
    std::string filter = options.Filter;
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    filter.append(2, '\0');
    std::vector<char> name(32768, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = options.InitialDir.empty() ? nullptr : options.InitialDir.c_str();
    ofn.lpstrTitle = options.Title.c_str();
    ofn.lpstrDefExt = options.DefaultExt.empty() ? nullptr : options.DefaultExt.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    BOOL chosen;
    if (options.Save) {
        // Replacing a profile the user kept as a backup asks first.
        ofn.Flags |= OFN_OVERWRITEPROMPT;
        chosen = GetSaveFileNameA(&ofn);
    } else {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&ofn);
    }
    if (!chosen)
        return false;
    fileName = name.data();
    return true;
}

void TUiSeam::OpenAddress(const std::string& address) {
    ShellExecuteA(GetDesktopWindow(), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TUiSeam::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The outer loop ends the program once the command is over.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

namespace {
TUiSeam defaultSeam;
TUiSeam* current = &defaultSeam;
} // namespace

TUiSeam& UiSeam() {
    return *current;
}

void SetUiSeam(TUiSeam* seam) {
    current = seam ? seam : &defaultSeam;
}

void ShowError(HWND owner, const std::string& message) {
    UiSeam().ShowMessageBox(owner, message, ApplicationTitle, MB_OK | MB_ICONERROR);
}
