#pragma once
// A plain top-level window to hold one part of the main window in a test:
// the messages the part's controls send their parent go to OnMessage, which
// answers true when it handled one. Windows only.

#include <windows.h>

#include <functional>

class TPartHost {
public:
    std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> OnMessage;

    TPartHost() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TPartHost::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MorvaneTestPartHost";
        RegisterClassA(&wc);
        wnd_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               800, 400, nullptr, nullptr, wc.hInstance, this);
    }
    ~TPartHost() {
        if (wnd_)
            DestroyWindow(wnd_);
    }
    TPartHost(const TPartHost&) = delete;
    TPartHost& operator=(const TPartHost&) = delete;

    HWND Handle() const { return wnd_; }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(wnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<TPartHost*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        LRESULT result = 0;
        if (self && self->OnMessage && self->OnMessage(msg, wp, lp, result))
            return result;
        if (msg == WM_NCDESTROY && self)
            self->wnd_ = nullptr;
        return DefWindowProcA(wnd, msg, wp, lp);
    }

    HWND wnd_ = nullptr;
};
