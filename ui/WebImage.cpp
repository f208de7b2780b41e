#include "WebImage.h"

#include "ListViewCalls.h"
#include "Pictures.h"

#include <windowsx.h>

namespace {
const char* const WebImageClass = "MorvaneWebImage";

void RegisterWebImageClass() {
    static bool done = false;
    if (done)
        return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_HAND);
    wc.lpszClassName = WebImageClass;
    RegisterClassExA(&wc);
    done = true;
}
} // namespace

TWebImage::~TWebImage() {
    if (wnd_ && IsWindow(wnd_)) {
        SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(wnd_);
    }
}

bool TWebImage::Create(HWND parent, int id, int x, int y, int width, int height) {
    RegisterWebImageClass();
    wnd_ = CreateChildControl(parent, id, WebImageClass, "", WS_VISIBLE | WS_TABSTOP, 0,
                              RECT{x, y, x + width, y + height});
    if (!wnd_)
        return false;
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWebImage::WndProc));
    PicturesChanged();
    return true;
}

void TWebImage::PicturesChanged() {
    if (!wnd_)
        return;
    if (AutoSize && Image) {
        SIZE size = BitmapSize(Image.Get());
        SetWindowPos(wnd_, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(wnd_, nullptr, FALSE);
}

void TWebImage::SetChecked(bool value) {
    if (checked_ == value)
        return;
    checked_ = value;
    if (checked_ && CheckGroup != 0 && wnd_) {
        // The other buttons of the group pop up.
        for (HWND w = GetWindow(GetParent(wnd_), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            auto* other = reinterpret_cast<TWebImage*>(GetWindowLongPtrA(w, GWLP_USERDATA));
            if (w != wnd_ && other &&
                GetWindowLongPtrA(w, GWLP_WNDPROC) ==
                    reinterpret_cast<LONG_PTR>(&TWebImage::WndProc) &&
                other->CheckGroup == CheckGroup)
                other->SetChecked(false);
        }
    }
    if (wnd_)
        InvalidateRect(wnd_, nullptr, FALSE);
}

bool TWebImage::Enabled() const {
    return wnd_ && IsWindowEnabled(wnd_);
}

void TWebImage::SetEnabled(bool value) {
    if (wnd_)
        EnableWindow(wnd_, value ? TRUE : FALSE);
}

void TWebImage::Click() {
    if (CheckGroup != 0) {
        if (!checked_)
            SetChecked(true);
        else if (AllowAllUp)
            SetChecked(false);
    }
    if (OnClick)
        OnClick();
}

void TWebImage::SetState(TState state) {
    if (state_ == state)
        return;
    state_ = state;
    InvalidateRect(wnd_, nullptr, FALSE);
}

bool TWebImage::PointerInside(LPARAM lp) const {
    RECT rc;
    GetClientRect(wnd_, &rc);
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return PtInRect(&rc, pt) != FALSE;
}

void TWebImage::Paint(HDC dc) {
    RECT rc;
    GetClientRect(wnd_, &rc);
    HBITMAP picture = nullptr;
    if (!IsWindowEnabled(wnd_))
        picture = DisableImage.Get();
    else if (state_ == wsDown || checked_)
        picture = DownImage.Get();
    else if (state_ == wsOver)
        picture = OverImage.Get();
    else
        picture = Image.Get();
    if (picture) {
        TMemDc src(CreateCompatibleDC(dc));
        TSelect sel(src.Get(), picture);
        SIZE size = BitmapSize(picture);
        BitBlt(dc, 0, 0, size.cx, size.cy, src.Get(), 0, 0, SRCCOPY);
    } else {
        TileDraw(dc, Image.Get(), rc);
    }
    LRESULT ui = SendMessageA(wnd_, WM_QUERYUISTATE, 0, 0);
    if (GetFocus() == wnd_ && !(ui & UISF_HIDEFOCUS)) {
        RECT focus = rc;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(dc, &focus);
    }
}

LRESULT CALLBACK TWebImage::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TWebImage*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(wnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

LRESULT TWebImage::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        TPaint paint(wnd_);
        Paint(paint.Dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        if (GetCapture() == wnd_) {
            SetState(PointerInside(lp) ? wsDown : wsNormal);
        } else {
            SetState(wsOver);
            if (!tracking_) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, wnd_, 0};
                tracking_ = TrackMouseEvent(&tme) != FALSE;
            }
        }
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (GetCapture() != wnd_)
            SetState(wsNormal);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(wnd_);
        SetState(wsDown);
        return 0;
    case WM_LBUTTONUP: {
        bool wasDown = GetCapture() == wnd_ && state_ == wsDown;
        if (GetCapture() == wnd_)
            ReleaseCapture();
        SetState(wsNormal);
        if (wasDown && PointerInside(lp))
            Click();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (state_ == wsDown)
            SetState(wsNormal);
        return 0;
    case WM_GETDLGCODE: {
        auto* m = reinterpret_cast<MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
            return DLGC_WANTMESSAGE;
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    }
    case WM_KEYDOWN:
        if (wp == VK_SPACE && !(lp & (1 << 30))) {
            keyDown_ = true;
            SetState(wsDown);
        } else if (wp == VK_RETURN) {
            Click();
        }
        return 0;
    case WM_KEYUP:
        if (wp == VK_SPACE && keyDown_) {
            keyDown_ = false;
            SetState(wsNormal);
            Click();
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        keyDown_ = false;
        if (msg == WM_KILLFOCUS && state_ == wsDown && GetCapture() != wnd_)
            SetState(wsNormal);
        InvalidateRect(wnd_, nullptr, FALSE);
        return 0;
    case WM_UPDATEUISTATE:
        InvalidateRect(wnd_, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        // Destroyed with its parent: the handle is no longer ours to close.
        SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
        {
            HWND wnd = wnd_;
            wnd_ = nullptr;
            return DefWindowProcA(wnd, msg, wp, lp);
        }
    case WM_ENABLE:
        if (!wp)
            SetState(wsNormal);
        InvalidateRect(wnd_, nullptr, FALSE);
        return 0;
    }
    return DefWindowProcA(wnd_, msg, wp, lp);
}
