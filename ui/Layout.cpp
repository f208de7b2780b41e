#include "Layout.h"

TDpi ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(nullptr, dc);
    TDpi dpi;
    dpi.Value = value > 0 ? value : 96;
    return dpi;
}

TDpi WindowDpi(HWND wnd) {
    // Windows 10 1607 and later say what the window's screen draws at; older
    // systems have one setting for every screen.
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (wnd && getDpiForWindow) {
        const UINT value = getDpiForWindow(wnd);
        if (value > 0) {
            TDpi dpi;
            dpi.Value = static_cast<int>(value);
            return dpi;
        }
    }
    return ScreenDpi();
}
