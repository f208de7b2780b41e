#pragma once
// TWindow: what every window of the program shares. A window's class is
// registered the first time a window of it is created; one window procedure
// hands each message to the object that created the window; and a modal run
// shows a window over its owner until it sets a result.

#include "Layout.h"

#include <windows.h>

#include <string>

// A window class, registered once under its name.
struct TWindowClass {
    const char* Name = nullptr;
    UINT Style = 0;
    // A system cursor (IDC_ARROW, IDC_HAND) and a background brush; null
    // leaves the background to the window.
    LPCSTR Cursor = IDC_ARROW;
    HBRUSH Background = nullptr;
    // The program's icon resource for the title bar and the task bar; 0: none.
    int IconResource = 0;
    // Windows whose texts are UTF-16 (the notification area's window).
    bool Wide = false;
};

// Registers a class whose windows have a procedure of their own (no object
// behind them); once per class name, as for the windows below.
void RegisterWindowClass(const TWindowClass& windowClass, WNDPROC procedure);

class TWindow {
public:
    TWindow() = default;
    // Destroys the window if it is still there, without calling back into
    // the object (its derived part is already gone).
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    HWND Hwnd() const { return wnd_; }

    // The object of a window created through Create; null for any other.
    static TWindow* FromHandle(HWND wnd);

protected:
    // Registers the class when it is not yet and creates the window, whose
    // messages from WM_NCCREATE on reach OnMessage. The title is UTF-8.
    bool Create(const TWindowClass& windowClass, DWORD exStyle, const std::string& title,
                DWORD style, const RECT& bounds, HWND parent, HMENU menuOrId = nullptr);

    // The window's messages. What a window does not handle goes to Default.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

    // Shows the created window over its owner and waits until modalResult is
    // set or the window goes, then destroys it and gives the activation back
    // to the owner. The result, or IDCANCEL when the window went without one.
    int RunModal(const int& modalResult);

private:
    static LRESULT CALLBACK Procedure(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND wnd_ = nullptr;
};

// The outer rectangle of a window of that style whose client area has the
// given size, centred on the whole primary screen or on the work area of the
// monitor the owner is on (the primary monitor without an owner).
enum class TCentreOn { Screen, WorkArea };
RECT CentredFrame(TCentreOn on, HWND owner, DWORD style, DWORD exStyle, int clientWidth,
                  int clientHeight);

// The description of the program's dialog font, "MS Sans Serif" at the
// layout's size for that screen.
LOGFONTA DialogFont(const TDpi& dpi);
