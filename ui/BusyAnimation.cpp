#include "BusyAnimation.h"

namespace {
const char* const BusyClass = "MorvaneBusyAnimation";
const UINT_PTR FrameTimer = 1;
const UINT FrameMilliseconds = 90;
} // namespace

TBusyAnimation::~TBusyAnimation() {
    if (wnd_ && IsWindow(wnd_)) {
        SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(wnd_);
    }
}

bool TBusyAnimation::Create(HWND parent, int x, int y, TBusyFrames frames) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &TBusyAnimation::WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = BusyClass;
        RegisterClassExA(&wc);
        registered = true;
    }
    frames_ = std::move(frames);
    wnd_ =
        CreateWindowExA(0, BusyClass, "", WS_CHILD | WS_VISIBLE, x, y, frames_.FrameWidth,
                        frames_.FrameHeight, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (wnd_)
        SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return wnd_ != nullptr;
}

void TBusyAnimation::Start() {
    if (active_++ == 0 && wnd_) {
        frame_ = 0;
        SetTimer(wnd_, FrameTimer, FrameMilliseconds, nullptr);
        InvalidateRect(wnd_, nullptr, FALSE);
        UpdateWindow(wnd_);
    }
}

void TBusyAnimation::Stop() {
    if (active_ == 0)
        return;
    if (--active_ == 0 && wnd_) {
        KillTimer(wnd_, FrameTimer);
        InvalidateRect(wnd_, nullptr, FALSE);
        UpdateWindow(wnd_);
    }
}

void TBusyAnimation::Paint(HDC dc) {
    if (!frames_.Strip)
        return;
    int index = active_ > 0 && frames_.Frames > 0 ? frame_ % frames_.Frames : frames_.Frames;
    TMemDc src(CreateCompatibleDC(dc));
    TSelect sel(src.Get(), frames_.Strip.Get());
    BitBlt(dc, 0, 0, frames_.FrameWidth, frames_.FrameHeight, src.Get(), index * frames_.FrameWidth,
           0, SRCCOPY);
}

LRESULT CALLBACK TBusyAnimation::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TBusyAnimation*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self) {
        switch (msg) {
        case WM_PAINT: {
            TPaint paint(wnd);
            self->Paint(paint.Dc());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_NCDESTROY:
            // Destroyed with its parent: the handle is no longer ours to close.
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            self->wnd_ = nullptr;
            self->active_ = 0;
            break;
        case WM_TIMER:
            if (wp == FrameTimer) {
                ++self->frame_;
                InvalidateRect(wnd, nullptr, FALSE);
                return 0;
            }
            break;
        }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
