#include "ShowOnceDlg.h"

#include "UiSeam.h"

#include "core/system/Registry.h"

#include <cstdint>

namespace {
const char* const ShowOnceClass = "MorvaneShowOnceDialog";

SIZE IconSize(HICON icon) {
    SIZE size{0, 0};
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return size;
    TBitmap colour(info.hbmColor);
    TBitmap mask(info.hbmMask);
    BITMAP bm{};
    if (colour && GetObjectA(colour.Get(), sizeof bm, &bm)) {
        size = SIZE{bm.bmWidth, bm.bmHeight};
    } else if (mask && GetObjectA(mask.Get(), sizeof bm, &bm)) {
        // A monochrome icon keeps its AND and XOR masks one above the other.
        size = SIZE{bm.bmWidth, bm.bmHeight / 2};
    }
    return size;
}
} // namespace

TShowOnceDlg::TShowOnceDlg(HWND owner, std::string name)
    : Name(std::move(name)), Owner(owner), dpi_(ScreenDpi()) {
    font_ = DialogFont(dpi_);
}

void TShowOnceDlg::SetGraphic(HICON icon) {
    if (icon == graphic_.Get())
        return;
    graphic_.Reset(icon ? static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 0, 0, 0)) : nullptr);
    graphicSize_ = IconSize(graphic_.Get());
}

void TShowOnceDlg::SetFont(const LOGFONTA& font) {
    if (&font == &font_)
        return;
    font_ = font;
    fontHandle_.Reset();
}

HFONT TShowOnceDlg::FontHandle() {
    if (!fontHandle_)
        fontHandle_.Reset(CreateFontIndirectA(&font_));
    return fontHandle_.Get();
}

bool TShowOnceDlg::IsSuppressed() const {
    // A value of another type than a 4-byte integer was not written by us:
    // the message shows, and the user's next answer replaces the value.
    uint32_t value = 0;
    return !RegPath.empty() && ReadUserDword(RegPath, RegKeyname, value) && value != 0;
}

void TShowOnceDlg::StoreSuppressed(bool value) const {
    if (!RegPath.empty())
        WriteUserDword(RegPath, RegKeyname, value ? 1 : 0);
}

RECT TShowOnceDlg::MeasureMessage(HDC dc, int left) const {
    RECT r{left, dpi_.Scale(layout::DialogMargin), dpi_.Scale(layout::DialogTextRight),
           dpi_.Scale(layout::DialogTextBottom)};
    DrawTextA(dc, Message.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return r;
}

int TShowOnceDlg::CalcClientHeight() const {
    TMemDc dc(CreateCompatibleDC(nullptr));
    TFont font(CreateFontIndirectA(&font_));
    TSelect sel(dc.Get(), font.Get());
    // Measured with the picture's gap even without a picture, so the height
    // is never less than the text drawn from the left margin needs.
    RECT r = MeasureMessage(dc.Get(), graphicSize_.cx + dpi_.Scale(layout::DialogPictureGap));
    return r.bottom + dpi_.Scale(layout::DialogExtraHeight);
}

void TShowOnceDlg::PlaceControls(HWND dialog, int textBottom) {
    int top = textBottom + dpi_.Scale(layout::DialogControlsGap);
    auto place = [&](int id, int x, int w, int h) {
        HWND ctl = GetDlgItem(dialog, id);
        if (!ctl)
            return;
        RECT now;
        GetWindowRect(ctl, &now);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&now), 2);
        // Moving a control repaints the dialog: move only when it changes.
        if (now.left != x || now.top != top || now.right - now.left != w ||
            now.bottom - now.top != h)
            SetWindowPos(ctl, nullptr, x, top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // The check box ends before the button so that no part of the button
    // lies under it.
    place(ShowOnceId, dpi_.Scale(layout::DialogMargin), dpi_.Scale(layout::DialogCheckWidth),
          dpi_.Scale(layout::DialogCheckHeight));
    place(OkButtonId, dpi_.Scale(layout::DialogButtonLeft), dpi_.Scale(layout::DialogButtonWidth),
          dpi_.Scale(layout::DialogButtonHeight));
}

void TShowOnceDlg::DialogPaint(HWND dialog, HDC dc) {
    TSelect sel(dc, FontHandle());
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    int x = dpi_.Scale(layout::DialogMargin);
    if (graphic_ && graphicSize_.cx > 0) {
        DrawIconEx(dc, x, dpi_.Scale(layout::DialogMargin), graphic_.Get(), graphicSize_.cx,
                   graphicSize_.cy, 0, nullptr, DI_NORMAL);
        x = graphicSize_.cx + dpi_.Scale(layout::DialogPictureGap);
    }
    RECT r = MeasureMessage(dc, x);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, Message.c_str(), -1, &r, DT_WORDBREAK | DT_NOPREFIX);
    PlaceControls(dialog, r.bottom);
}

bool TShowOnceDlg::Execute() {
    if (IsSuppressed())
        return false;
    const TWindowClass dialogClass{ShowOnceClass, 0, IDC_ARROW,
                                   reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    // The outer width is fixed; the height follows the message.
    RECT bounds = CentredFrame(TCentreOn::Screen, Owner, style, exStyle, 100, CalcClientHeight());
    const int width = dpi_.Scale(layout::DialogOuterWidth);
    bounds.left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    bounds.right = bounds.left + width;

    modalResult_ = 0;
    ticked_ = false;
    if (!Create(dialogClass, exStyle, Title, style, bounds, Owner))
        return false;
    HWND dlg = Hwnd();
    HFONT font = FontHandle();
    HWND check = CreateWindowExA(0, "BUTTON", ShowOnceMessage.c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 10, 10,
                                 dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ShowOnceId)),
                                 GetModuleHandleA(nullptr), nullptr);
    HWND ok =
        CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                        0, 10, 10, dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(OkButtonId)),
                        GetModuleHandleA(nullptr), nullptr);
    SendMessageA(check, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    {
        TWindowDc dc(dlg);
        TSelect sel(dc.Get(), font);
        int left = graphicSize_.cx > 0 ? graphicSize_.cx + dpi_.Scale(layout::DialogPictureGap)
                                       : dpi_.Scale(layout::DialogMargin);
        PlaceControls(dlg, MeasureMessage(dc.Get(), left).bottom);
    }
    ShowWindow(dlg, SW_SHOW);
    SetFocus(ok);
    RunModal(modalResult_);
    StoreSuppressed(ticked_);
    return ticked_;
}

LRESULT TShowOnceDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        TPaint paint(Hwnd());
        DialogPaint(Hwnd(), paint.Dc());
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            modalResult_ = LOWORD(wp);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closed with the title bar's button: the state of the box still
        // counts.
        modalResult_ = IDCANCEL;
        return 0;
    case WM_DESTROY:
        // The box is still there while its dialog goes, however it goes.
        ticked_ = IsDlgButtonChecked(Hwnd(), ShowOnceId) == BST_CHECKED;
        if (modalResult_ == 0)
            modalResult_ = IDCANCEL;
        break;
    }
    return Default(msg, wp, lp);
}
