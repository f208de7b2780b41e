#include "UiSeam.h"

#include <shellapi.h>

const char* const ApplicationTitle = "Morvane for Windows";

int TUiSeam::ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                            UINT type) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
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
