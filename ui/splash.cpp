#include "splash.h"

#include "Pictures.h"
#include "UiSeam.h"
#include "WebLinks.h"

#include "Product.h"

#include <windowsx.h>

namespace {

const char* const SplashClass = "TForm2";
const int ClientWidth = 425;
const int ClientHeight = 332;

const COLORREF Navy = RGB(0x12, 0x2d, 0x4f);
const COLORREF Blue = RGB(0x2d, 0x6c, 0xb5);
const COLORREF Sky = RGB(0xcf, 0xe0, 0xf4);

void Text(HDC dc, const TDpi& dpi, HFONT font, COLORREF colour, int x, int y, const char* text) {
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, dpi.Scale(x), dpi.Scale(y), text, lstrlenA(text));
    SelectObject(dc, old);
}

void RoundBox(HDC dc, const RECT& r, COLORREF fill, COLORREF edge, int radius) {
    TBrush brush(CreateSolidBrush(fill));
    TScopedHandle<HPEN, TGdiObjectTraits> pen(CreatePen(PS_SOLID, 1, edge));
    HGDIOBJ oldBrush = SelectObject(dc, brush.Get());
    HGDIOBJ oldPen = SelectObject(dc, pen.Get());
    RoundRect(dc, r.left, r.top, r.right, r.bottom, radius, radius);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

} // namespace

const char* const TForm2::Label2Text = MORVANE_VERSION_LABEL;

std::string TForm2::Label1Text() {
    return std::string("Visit: ") + MorvaneSiteUrl;
}

TForm2::TForm2(HWND owner, const TDpi& dpi) : owner_(owner), dpi_(dpi) {
    labelFont_ = CreateUiFont(dpi_, 8, FW_BOLD, "Arial", true);
    versionFont_ = CreateUiFont(dpi_, 10, FW_BOLD, "Verdana");
    MakeArtwork();
}

RECT TForm2::Scaled(int x, int y, int w, int h) const {
    return RECT{dpi_.Scale(x), dpi_.Scale(y), dpi_.Scale(x + w), dpi_.Scale(y + h)};
}

RECT TForm2::Shape1Rect() const {
    return Scaled(10, 278, 105, 33);
}

RECT TForm2::Shape2Rect() const {
    return Scaled(120, 280, 67, 33);
}

RECT TForm2::Label2Rect() const {
    return Scaled(353, 257, 57, 16);
}

RECT TForm2::Label1Rect() const {
    // As wide as its text (an auto-sized label).
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, labelFont_.Get());
    std::string text = Label1Text();
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    RECT r{dpi_.Scale(196), dpi_.Scale(312), 0, 0};
    r.right = r.left + size.cx;
    r.bottom = r.top + size.cy;
    return r;
}

// The artwork: a deep blue card with the program's name, what it does, and
// the two buttons that the hot areas lie over.
void TForm2::MakeArtwork() {
    const int w = dpi_.Scale(424);
    const int h = dpi_.Scale(318);
    HDC screen = GetDC(nullptr);
    Image1.Reset(CreateCompatibleBitmap(screen, w, h));
    TMemDc mem(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    HDC dc = mem.Get();
    HGDIOBJ oldBmp = SelectObject(dc, Image1.Get());

    RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT top{0, 0, w, dpi_.Scale(196)};
    Gradient(dc, top, Navy, Blue, GRADIENT_FILL_RECT_V);
    RECT band{0, dpi_.Scale(196), w, dpi_.Scale(200)};
    Gradient(dc, band, Blue, Sky, GRADIENT_FILL_RECT_H);

    // Rising bars: the startup programs, some switched off.
    const int barX = dpi_.Scale(300);
    const int heights[] = {38, 62, 30, 84, 50, 104};
    for (int i = 0; i < 6; ++i) {
        int x = barX + dpi_.Scale(18 * i);
        RECT bar{x, dpi_.Scale(176 - heights[i]), x + dpi_.Scale(12), dpi_.Scale(176)};
        COLORREF from = (i == 2 || i == 4) ? RGB(0x5a, 0x6b, 0x80) : RGB(0x9f, 0xd3, 0x6b);
        COLORREF to = (i == 2 || i == 4) ? RGB(0x3b, 0x4a, 0x5e) : RGB(0x4c, 0x9a, 0x2a);
        Gradient(dc, bar, from, to, GRADIENT_FILL_RECT_V);
    }

    TFont title = CreateUiFont(dpi_, 30, FW_BOLD, "Verdana");
    TFont subtitle = CreateUiFont(dpi_, 12, FW_NORMAL, "Verdana", false, true);
    TFont body = CreateUiFont(dpi_, 9, FW_NORMAL, "Tahoma");
    TFont bodyBold = CreateUiFont(dpi_, 9, FW_BOLD, "Tahoma");
    TFont button = CreateUiFont(dpi_, 9, FW_BOLD, "Tahoma");
    Text(dc, dpi_, title.Get(), RGB(0xff, 0xff, 0xff), 22, 40, "Morvane");
    Text(dc, dpi_, subtitle.Get(), Sky, 26, 96, "for Windows");
    Text(dc, dpi_, body.Get(), RGB(0xe8, 0xf0, 0xfa), 26, 134,
         "See what starts with Windows. Switch it off,");
    Text(dc, dpi_, body.Get(), RGB(0xe8, 0xf0, 0xfa), 26, 150,
         "switch it back on, keep it in a profile.");

    Text(dc, dpi_, bodyBold.Get(), Navy, 22, 214, "Free software for your startup.");
    Text(dc, dpi_, body.Get(), RGB(0x44, 0x50, 0x5c), 22, 232,
         "If Morvane saves you time, a small donation keeps it going.");

    // The two buttons under the hot areas.
    RECT close = Scaled(12, 280, 101, 29);
    RoundBox(dc, close, RGB(0xee, 0xf2, 0xf7), RGB(0x9a, 0xa8, 0xb8), dpi_.Scale(8));
    RECT donate = Scaled(122, 282, 63, 29);
    RoundBox(dc, donate, RGB(0xf5, 0xb7, 0x2b), RGB(0xc2, 0x86, 0x0f), dpi_.Scale(8));
    HGDIOBJ old = SelectObject(dc, button.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Navy);
    DrawTextA(dc, "Close", -1, &close, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, RGB(0x3a, 0x25, 0x00));
    DrawTextA(dc, "Donate", -1, &donate, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);

    SelectObject(dc, oldBmp);
}

int TForm2::ShowModal() {
    const TWindowClass splashClass{SplashClass, 0, IDC_ARROW,
                                   static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    modalResult_ = 0;
    if (!Create(splashClass, exStyle, "frmSplash", style,
                CentredFrame(TCentreOn::Screen, owner_, style, exStyle, dpi_.Scale(ClientWidth),
                             dpi_.Scale(ClientHeight)),
                owner_))
        return IDCANCEL;
    return RunModal(modalResult_);
}

void TForm2::Shape1MouseDown() {
    modalResult_ = IDOK;
}

void TForm2::Shape2MouseDown() {
    UiSeam().OpenAddress(SiteAddress(DonationPath));
    modalResult_ = IDOK;
}

void TForm2::Label1Click() {
    UiSeam().OpenAddress(SiteAddress(""));
}

LRESULT TForm2::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Hwnd(), &ps);
        Paint(dc);
        EndPaint(Hwnd(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(Hwnd(), &pt);
            RECT a = Shape1Rect(), b = Shape2Rect(), c = Label1Rect();
            if (PtInRect(&a, pt) || PtInRect(&b, pt) || PtInRect(&c, pt)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN: {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT a = Shape1Rect(), b = Shape2Rect(), c = Label1Rect();
        if (PtInRect(&a, pt))
            Shape1MouseDown();
        else if (PtInRect(&b, pt))
            Shape2MouseDown();
        else if (PtInRect(&c, pt))
            Label1Click();
        return 0;
    }
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE || wp == VK_RETURN) {
            modalResult_ = IDCANCEL;
            return 0;
        }
        break;
    case WM_COMMAND:
        // Esc and Enter, through the modal loop's dialog keys.
        if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
            modalResult_ = IDCANCEL;
            return 0;
        }
        break;
    case WM_CLOSE:
        modalResult_ = IDCANCEL;
        return 0;
    }
    return Default(msg, wp, lp);
}

void TForm2::Paint(HDC dc) {
    SIZE s = BitmapSize(Image1.Get());
    TMemDc src(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(src.Get(), Image1.Get());
    BitBlt(dc, 0, 0, s.cx, s.cy, src.Get(), 0, 0, SRCCOPY);
    SelectObject(src.Get(), old);

    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0xff, 0xff, 0xff));
    HGDIOBJ oldFont = SelectObject(dc, labelFont_.Get());
    SetTextColor(dc, RGB(0, 0, 0xff));
    std::string link = Label1Text();
    RECT l = Label1Rect();
    TextOutA(dc, l.left, l.top, link.c_str(), static_cast<int>(link.size()));
    SelectObject(dc, versionFont_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x12, 0x2d, 0x4f));
    RECT v = Label2Rect();
    DrawTextA(dc, Label2Text, -1, &v, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    SelectObject(dc, oldFont);
}
