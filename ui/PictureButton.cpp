#include "PictureButton.h"

#include "Pictures.h"

#include <windowsx.h>

namespace {
const char* const WebImageClass = "MorvaneWebImage";
} // namespace

bool TWebImage::Create(HWND parent, int id, int x, int y, int width, int height) {
    const TWindowClass buttonClass{WebImageClass, CS_HREDRAW | CS_VREDRAW, IDC_HAND};
    if (!TWindow::Create(buttonClass, 0, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                         RECT{x, y, x + width, y + height}, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
        return false;
    PicturesChanged();
    return true;
}

void TWebImage::PicturesChanged() {
    if (!Hwnd())
        return;
    if (AutoSize && Image) {
        SIZE size = BitmapSize(Image.Get());
        SetWindowPos(Hwnd(), nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void TWebImage::SetChecked(bool value) {
    if (checked_ == value)
        return;
    checked_ = value;
    if (checked_ && CheckGroup != 0 && Hwnd()) {
        // The other buttons of the group pop up.
        for (HWND w = GetWindow(GetParent(Hwnd()), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            auto* other = dynamic_cast<TWebImage*>(FromHandle(w));
            if (w != Hwnd() && other && other->CheckGroup == CheckGroup)
                other->SetChecked(false);
        }
    }
    if (Hwnd())
        InvalidateRect(Hwnd(), nullptr, FALSE);
}

bool TWebImage::Enabled() const {
    return Hwnd() && IsWindowEnabled(Hwnd());
}

void TWebImage::SetEnabled(bool value) {
    if (Hwnd())
        EnableWindow(Hwnd(), value ? TRUE : FALSE);
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
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

bool TWebImage::PointerInside(LPARAM lp) const {
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return PtInRect(&rc, pt) != FALSE;
}

void TWebImage::Paint(HDC dc) {
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    HBITMAP picture = nullptr;
    if (!IsWindowEnabled(Hwnd()))
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
    LRESULT ui = SendMessageA(Hwnd(), WM_QUERYUISTATE, 0, 0);
    if (GetFocus() == Hwnd() && !(ui & UISF_HIDEFOCUS)) {
        RECT focus = rc;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(dc, &focus);
    }
}

LRESULT TWebImage::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        TPaint paint(Hwnd());
        Paint(paint.Dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        if (GetCapture() == Hwnd()) {
            SetState(PointerInside(lp) ? wsDown : wsNormal);
        } else {
            SetState(wsOver);
            if (!tracking_) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Hwnd(), 0};
                tracking_ = TrackMouseEvent(&tme) != FALSE;
            }
        }
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (GetCapture() != Hwnd())
            SetState(wsNormal);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(Hwnd());
        SetState(wsDown);
        return 0;
    case WM_LBUTTONUP: {
        bool wasDown = GetCapture() == Hwnd() && state_ == wsDown;
        if (GetCapture() == Hwnd())
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
        if (msg == WM_KILLFOCUS && state_ == wsDown && GetCapture() != Hwnd())
            SetState(wsNormal);
        InvalidateRect(Hwnd(), nullptr, FALSE);
        return 0;
    case WM_UPDATEUISTATE:
        InvalidateRect(Hwnd(), nullptr, FALSE);
        break;
    case WM_ENABLE:
        if (!wp)
            SetState(wsNormal);
        InvalidateRect(Hwnd(), nullptr, FALSE);
        return 0;
    }
    return Default(msg, wp, lp);
}
