#include "BusyAnimation.h"

namespace {
const char* const BusyClass = "MorvaneBusyAnimation";
const UINT_PTR FrameTimer = 1;
const UINT FrameMilliseconds = 90;
} // namespace

bool TBusyAnimation::Create(HWND parent, int x, int y, TBusyFrames frames) {
    frames_ = std::move(frames);
    return TWindow::Create(TWindowClass{BusyClass}, 0, "", WS_CHILD | WS_VISIBLE,
                           RECT{x, y, x + frames_.FrameWidth, y + frames_.FrameHeight}, parent);
}

void TBusyAnimation::Start() {
    if (active_++ == 0 && Hwnd()) {
        frame_ = 0;
        SetTimer(Hwnd(), FrameTimer, FrameMilliseconds, nullptr);
        InvalidateRect(Hwnd(), nullptr, FALSE);
        UpdateWindow(Hwnd());
    }
}

void TBusyAnimation::Stop() {
    if (active_ == 0)
        return;
    if (--active_ == 0 && Hwnd()) {
        KillTimer(Hwnd(), FrameTimer);
        InvalidateRect(Hwnd(), nullptr, FALSE);
        UpdateWindow(Hwnd());
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

LRESULT TBusyAnimation::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        TPaint paint(Hwnd());
        Paint(paint.Dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        // Destroyed with its parent: nothing plays any more.
        active_ = 0;
        break;
    case WM_TIMER:
        if (wp == FrameTimer) {
            ++frame_;
            InvalidateRect(Hwnd(), nullptr, FALSE);
            return 0;
        }
        break;
    }
    return Default(msg, wp, lp);
}
