// Clicks the first row of the startup list in Morvane's main window, as a
// user would, so that the window writes and shows that row's detail page.
// Used by the package tests, which drive an installed or unpacked program
// from outside. Exit status 0 once the click is posted, 2 when no window or
// list came up within the time given (seconds, default 60).

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* const MainWindowCaption = "Morvane for Windows v2";
const int StartupListId = 1002;

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    HWND list = nullptr;
    for (int waited = 0; waited < seconds * 10 && !list; ++waited) {
        if (HWND main = FindWindowA(nullptr, MainWindowCaption))
            list = GetDlgItem(main, StartupListId);
        if (!list || !IsWindowVisible(list) || SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0) {
            list = nullptr;
            Sleep(100);
        }
    }
    if (!list) {
        std::fprintf(stderr, "click-first-row: no list with rows in a window \"%s\"\n",
                     MainWindowCaption);
        return 2;
    }
    // Below the column headers, halfway down the first row, right of the
    // check box.
    int y = 8;
    if (HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0))) {
        RECT r{};
        GetWindowRect(header, &r);
        y += r.bottom - r.top;
    }
    const LPARAM at = MAKELPARAM(120, y);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    return 0;
}
