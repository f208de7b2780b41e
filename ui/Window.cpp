#include "Window.h"

#include "UiSeam.h"

#include "core/system/WideText_win.h"

#include <set>

namespace {

std::wstring WideName(const char* name) {
    // Class names are ASCII.
    return std::wstring(name, name + lstrlenA(name));
}

} // namespace

void RegisterWindowClass(const TWindowClass& cls, WNDPROC procedure) {
    static std::set<std::string> registered;
    if (!registered.insert(cls.Name).second)
        return;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    if (cls.IconResource) {
        icon = static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(cls.IconResource), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), 0));
        smallIcon = static_cast<HICON>(
            LoadImageA(inst, MAKEINTRESOURCEA(cls.IconResource), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    auto fill = [&](auto& wc) {
        wc.cbSize = sizeof wc;
        wc.style = cls.Style;
        wc.lpfnWndProc = procedure;
        wc.hInstance = inst;
        wc.hIcon = icon;
        wc.hIconSm = smallIcon;
        wc.hCursor = cls.Cursor ? LoadCursorA(nullptr, cls.Cursor) : nullptr;
        wc.hbrBackground = cls.Background;
    };
    if (cls.Wide) {
        const std::wstring name = WideName(cls.Name);
        WNDCLASSEXW wc{};
        fill(wc);
        wc.lpszClassName = name.c_str();
        RegisterClassExW(&wc);
    } else {
        WNDCLASSEXA wc{};
        fill(wc);
        wc.lpszClassName = cls.Name;
        RegisterClassExA(&wc);
    }
}

TWindow::~TWindow() {
    if (wnd_ && IsWindow(wnd_)) {
        SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(wnd_);
    }
}

TWindow* TWindow::FromHandle(HWND wnd) {
    if (!wnd)
        return nullptr;
    // Only windows of a registered class run this procedure; the user data of
    // others is theirs.
    WNDPROC proc = IsWindowUnicode(wnd)
                       ? reinterpret_cast<WNDPROC>(GetClassLongPtrW(wnd, GCLP_WNDPROC))
                       : reinterpret_cast<WNDPROC>(GetClassLongPtrA(wnd, GCLP_WNDPROC));
    if (proc != &TWindow::Procedure)
        return nullptr;
    return reinterpret_cast<TWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

bool TWindow::Create(const TWindowClass& cls, DWORD exStyle, const std::string& title,
                     DWORD style, const RECT& bounds, HWND parent, HMENU menuOrId) {
    RegisterWindowClass(cls, &TWindow::Procedure);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND wnd;
    if (cls.Wide)
        wnd = CreateWindowExW(exStyle, WideName(cls.Name).c_str(), DisplayText(title).c_str(),
                              style, bounds.left, bounds.top, width, height, parent, menuOrId, inst,
                              this);
    else
        wnd = CreateWindowExA(exStyle, cls.Name, title.c_str(), style, bounds.left, bounds.top,
                              width, height, parent, menuOrId, inst, this);
    // WM_NCCREATE set wnd_; a window that failed in WM_CREATE is gone again.
    if (!wnd)
        wnd_ = nullptr;
    return wnd_ != nullptr;
}

LRESULT TWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

LRESULT TWindow::Default(UINT msg, WPARAM wp, LPARAM lp) {
    return IsWindowUnicode(wnd_) ? DefWindowProcW(wnd_, msg, wp, lp)
                                 : DefWindowProcA(wnd_, msg, wp, lp);
}

int TWindow::RunModal(const int& modalResult) {
    if (!wnd_)
        return IDCANCEL;
    HWND owner = GetWindow(wnd_, GW_OWNER);
    ShowWindow(wnd_, SW_SHOW);
    UpdateWindow(wnd_);
    int result = UiSeam().ShowModal(wnd_, modalResult);
    if (wnd_ && IsWindow(wnd_))
        DestroyWindow(wnd_);
    if (owner && IsWindow(owner))
        SetActiveWindow(owner);
    return result;
}

LRESULT CALLBACK TWindow::Procedure(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        // Both forms of CREATESTRUCT start alike up to the creation data.
        auto* self =
            static_cast<TWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lp)->lpCreateParams);
        self->wnd_ = wnd;
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self)
        return IsWindowUnicode(wnd) ? DefWindowProcW(wnd, msg, wp, lp)
                                    : DefWindowProcA(wnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        LRESULT result = self->OnMessage(msg, wp, lp);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        self->wnd_ = nullptr;
        return result;
    }
    return self->OnMessage(msg, wp, lp);
}

RECT CentredFrame(TCentreOn on, HWND owner, DWORD style, DWORD exStyle, int clientWidth,
                  int clientHeight) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (on == TCentreOn::WorkArea) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        HMONITOR where = MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY);
        if (where && GetMonitorInfoA(where, &monitor))
            area = monitor.rcWork;
        else
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    return RECT{x, y, x + width, y + height};
}

LOGFONTA DialogFont(const TDpi& dpi) {
    LOGFONTA font{};
    font.lfHeight = dpi.FontHeight(layout::FontPoints);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, "MS Sans Serif", LF_FACESIZE);
    return font;
}
