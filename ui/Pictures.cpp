#include "Pictures.h"

#include "Resources.h"

#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <initializer_list>

const int LocationImages[LocationCodeCount] = {
    piScreen,
    piGoldStar,
    piGoldStar,
    piGoldStar,
    piScreen,
    piScreen,
    piScreen,
    piScreen,
    piUsers,
    piUsers,
    piUsers,
    // policy Run lists, RunOnceEx, packaged apps, Winlogon, Active Setup
    piUsers,
    piScreen,
    piScreen,
    piParcel,
    piScreen,
    piUsers,
    piScreen,
};

namespace {

HINSTANCE Module() {
    return GetModuleHandleA(nullptr);
}

int Nearest(int want, std::initializer_list<int> sizes) {
    int best = *sizes.begin();
    for (int s : sizes)
        if (std::abs(s - want) < std::abs(best - want))
            best = s;
    return best;
}

// A 32-bit top-down DIB section whose pixels the code can reach.
struct TDib {
    TBitmap Bitmap;
    uint32_t* Bits = nullptr;
    int Width = 0;
    int Height = 0;

    uint32_t& At(int x, int y) { return Bits[y * Width + x]; }
};

TDib CreateDib(int w, int h) {
    TDib dib;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dib.Bitmap.Reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib.Bitmap) {
        dib.Bits = static_cast<uint32_t*>(bits);
        dib.Width = w;
        dib.Height = h;
    }
    return dib;
}

TBitmap LoadBitmapResource(int id) {
    return TBitmap(static_cast<HBITMAP>(
        LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// Part of a 32-bit resource bitmap, with its straight alpha.
TDib CopyPart(HBITMAP source, int x, int y, int w, int h) {
    TDib all;
    SIZE size = BitmapSize(source);
    all = CreateDib(size.cx, size.cy);
    TDib part = CreateDib(w, h);
    if (!all.Bits || !part.Bits)
        return part;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    TMemDc dc(CreateCompatibleDC(nullptr));
    GetDIBits(dc.Get(), source, 0, size.cy, all.Bits, &bi, DIB_RGB_COLORS);
    GdiFlush();
    for (int j = 0; j < h && y + j < size.cy; ++j)
        for (int i = 0; i < w && x + i < size.cx; ++i)
            part.At(i, j) = all.At(x + i, y + j);
    return part;
}

void Premultiply(TDib& dib) {
    for (int i = 0; i < dib.Width * dib.Height; ++i) {
        uint32_t p = dib.Bits[i];
        uint32_t a = p >> 24;
        uint32_t r = ((p >> 16) & 0xff) * a / 255;
        uint32_t g = ((p >> 8) & 0xff) * a / 255;
        uint32_t b = (p & 0xff) * a / 255;
        dib.Bits[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
}

// A washed-out grey version, for disabled buttons.
void MakeGrey(TDib& dib) {
    for (int i = 0; i < dib.Width * dib.Height; ++i) {
        uint32_t p = dib.Bits[i];
        uint32_t a = p >> 24;
        uint32_t y = (((p >> 16) & 0xff) * 30 + ((p >> 8) & 0xff) * 59 + (p & 0xff) * 11) / 100;
        y = (y + 2 * 200) / 3;
        a = a * 2 / 3;
        dib.Bits[i] = (a << 24) | (y << 16) | (y << 8) | y;
    }
}

// Draws a premultiplied picture with its alpha.
void AlphaDraw(HDC dst, int x, int y, const TDib& pic) {
    TMemDc src(CreateCompatibleDC(dst));
    TSelect sel(src.Get(), pic.Bitmap.Get());
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dst, x, y, pic.Width, pic.Height, src.Get(), 0, 0, pic.Width, pic.Height, bf);
}

void FillColour(HDC dc, const RECT& r, COLORREF colour) {
    TBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.Get());
}

const COLORREF BrandDark = RGB(0x1d, 0x4e, 0x89);
const COLORREF BrandLight = RGB(0x3a, 0x7f, 0xc8);
const COLORREF ButtonText = RGB(0x1f, 0x3f, 0x7a);

} // namespace

TFont CreateUiFont(const TDpi& dpi, int points, int weight, const char* face, bool underline,
                   bool italic) {
    LOGFONTA lf{};
    lf.lfHeight = dpi.FontHeight(points);
    lf.lfWeight = weight;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return TFont(CreateFontIndirectA(&lf));
}

void Gradient(HDC dc, const RECT& r, COLORREF from, COLORREF to, ULONG mode) {
    TRIVERTEX v[2] = {};
    v[0].x = r.left;
    v[0].y = r.top;
    v[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
    v[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
    v[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
    v[1].x = r.right;
    v[1].y = r.bottom;
    v[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
    v[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
    v[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
    GRADIENT_RECT g{0, 1};
    GradientFill(dc, v, 2, &g, 1, mode);
}


SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm))
        return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

int PictureSize(const TDpi& dpi) {
    return Nearest(dpi.Scale(16), {16, 20, 24, 32});
}

TImageList CreatePictureList(const TDpi& dpi) {
    int size = PictureSize(dpi);
    int id = size == 16   ? IDB_PICTURES16
             : size == 20 ? IDB_PICTURES20
             : size == 24 ? IDB_PICTURES24
                          : IDB_PICTURES32;
    TImageList list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, PictureCount, 4));
    TBitmap strip = LoadBitmapResource(id);
    if (list && strip)
        ImageList_Add(list.Get(), strip.Get(), nullptr);
    return list;
}

TButtonPictures MakeButtonPictures(TButtonPicture icon, const char* caption, SIZE size,
                                   const TDpi& dpi, COLORREF background) {
    int iconSize = Nearest(dpi.Scale(layout::ButtonIconSize), {24, 30, 36, 48});
    int id = iconSize == 24   ? IDB_BUTTONS24
             : iconSize == 30 ? IDB_BUTTONS30
             : iconSize == 36 ? IDB_BUTTONS36
                              : IDB_BUTTONS48;
    TBitmap strip = LoadBitmapResource(id);
    TDib colourIcon =
        CopyPart(strip.Get(), static_cast<int>(icon) * iconSize, 0, iconSize, iconSize);
    TDib greyIcon = CopyPart(strip.Get(), static_cast<int>(icon) * iconSize, 0, iconSize, iconSize);
    MakeGrey(greyIcon);
    Premultiply(colourIcon);
    Premultiply(greyIcon);
    TFont font = CreateUiFont(dpi, 8, FW_BOLD, "Tahoma");

    auto compose = [&](int state) {
        // state: 0 normal, 1 over, 2 down, 3 disabled
        TDib pic = CreateDib(size.cx, size.cy);
        TMemDc dc(CreateCompatibleDC(nullptr));
        TSelect selBmp(dc.Get(), pic.Bitmap.Get());
        RECT all{0, 0, size.cx, size.cy};
        FillColour(dc.Get(), all, background);
        int shift = state == 2 ? 1 : 0;
        if (state == 1 || state == 2) {
            TBrush fill(
                CreateSolidBrush(state == 1 ? RGB(0xe5, 0xf1, 0xfb) : RGB(0xc4, 0xdd, 0xf5)));
            TScopedHandle<HPEN, TGdiObjectTraits> pen(
                CreatePen(PS_SOLID, 1, state == 1 ? RGB(0x7e, 0xb4, 0xea) : RGB(0x3c, 0x7f, 0xb1)));
            TSelect sb(dc.Get(), fill.Get());
            TSelect sp(dc.Get(), pen.Get());
            int r = dpi.Scale(6);
            RoundRect(dc.Get(), 0, 0, size.cx, size.cy, r, r);
        }
        TSelect sf(dc.Get(), font.Get());
        SIZE textSize{};
        GetTextExtentPoint32A(dc.Get(), caption, lstrlenA(caption), &textSize);
        // Icon and caption as one group, centred; the gap between them
        // narrows before the caption would be cut.
        int gap = dpi.Scale(5);
        const int width = static_cast<int>(size.cx);
        const int textWidth = static_cast<int>(textSize.cx);
        int room = width - iconSize - textWidth;
        gap = std::max(dpi.Scale(2), std::min(gap, room - dpi.Scale(4)));
        int x = std::max(dpi.Scale(2), (width - iconSize - gap - textWidth) / 2);
        int iconY = (size.cy - iconSize) / 2;
        AlphaDraw(dc.Get(), x + shift, iconY + shift, state == 3 ? greyIcon : colourIcon);
        SetBkMode(dc.Get(), TRANSPARENT);
        SetTextColor(dc.Get(), state == 3 ? RGB(0x9a, 0x9a, 0x9a) : ButtonText);
        RECT text{x + iconSize + gap + shift, shift, size.cx + shift, size.cy + shift};
        DrawTextA(dc.Get(), caption, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        GdiFlush();
        return std::move(pic.Bitmap);
    };
    TButtonPictures result;
    result.Normal = compose(0);
    result.Over = compose(1);
    result.Down = compose(2);
    result.Disabled = compose(3);
    return result;
}

TBitmap MakeBanner(const TDpi& dpi, COLORREF background) {
    int w = dpi.Scale(layout::BannerWidth);
    int h = dpi.Scale(layout::BannerHeight);
    TDib pic = CreateDib(w, h);
    TMemDc dc(CreateCompatibleDC(nullptr));
    TSelect selBmp(dc.Get(), pic.Bitmap.Get());
    RECT all{0, 0, w, h};
    FillColour(dc.Get(), all, background);

    // A dark band on the left that fades into the tool bar on the right.
    int solid = w * 55 / 100;
    TScopedHandle<HRGN, TGdiObjectTraits> round(
        CreateRoundRectRgn(0, 0, w + dpi.Scale(12), h + 1, dpi.Scale(10), dpi.Scale(10)));
    SelectClipRgn(dc.Get(), round.Get());
    RECT left{0, 0, solid, h};
    RECT right{solid, 0, w, h};
    Gradient(dc.Get(), left, BrandLight, BrandDark, GRADIENT_FILL_RECT_V);
    Gradient(dc.Get(), right, BrandDark, background, GRADIENT_FILL_RECT_H);
    SelectClipRgn(dc.Get(), nullptr);

    int iconSize = dpi.Scale(32);
    TIcon icon(static_cast<HICON>(
        LoadImageA(Module(), MAKEINTRESOURCEA(IDI_MORVANE), IMAGE_ICON, iconSize, iconSize, 0)));
    if (icon)
        DrawIconEx(dc.Get(), dpi.Scale(6), (h - iconSize) / 2, icon.Get(), iconSize, iconSize, 0,
                   nullptr, DI_NORMAL);

    SetBkMode(dc.Get(), TRANSPARENT);
    TFont big = CreateUiFont(dpi, 17, FW_BOLD, "Tahoma");
    TFont small = CreateUiFont(dpi, 8, FW_NORMAL, "Tahoma");
    int textX = dpi.Scale(46);
    {
        TSelect sf(dc.Get(), big.Get());
        SetTextColor(dc.Get(), RGB(0xff, 0xff, 0xff));
        RECT r{textX, 0, w, h * 72 / 100};
        DrawTextA(dc.Get(), "Morvane", -1, &r, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
        SIZE ext{};
        GetTextExtentPoint32A(dc.Get(), "Morvane", 7, &ext);
        TSelect sf2(dc.Get(), small.Get());
        SetTextColor(dc.Get(), RGB(0xcf, 0xe3, 0xff));
        RECT r2{textX + ext.cx + dpi.Scale(8), 0, w, h * 66 / 100};
        DrawTextA(dc.Get(), "for Windows v2", -1, &r2, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
    }
    {
        TSelect sf(dc.Get(), small.Get());
        SetTextColor(dc.Get(), RGB(0xcf, 0xe3, 0xff));
        RECT r{textX + dpi.Scale(1), h * 70 / 100, w, h};
        DrawTextA(dc.Get(), "Programs that start with Windows, in your hands", -1, &r,
                  DT_SINGLELINE | DT_TOP | DT_NOPREFIX);
    }
    GdiFlush();
    return std::move(pic.Bitmap);
}

TBitmap MakeRule(const TDpi& dpi) {
    int w = 256;
    int h = dpi.Scale(layout::RuleHeight);
    TDib pic = CreateDib(w, h);
    TMemDc dc(CreateCompatibleDC(nullptr));
    TSelect selBmp(dc.Get(), pic.Bitmap.Get());
    RECT all{0, 0, w, h};
    Gradient(dc.Get(), all, BrandDark, RGB(0xc9, 0xda, 0xf0), GRADIENT_FILL_RECT_H);
    GdiFlush();
    return std::move(pic.Bitmap);
}

TBitmap MakeSeparator(const TDpi& dpi, COLORREF background) {
    int w = dpi.Scale(layout::SeparatorWidth);
    int h = dpi.Scale(layout::ButtonHeight);
    TDib pic = CreateDib(w, h);
    TMemDc dc(CreateCompatibleDC(nullptr));
    TSelect selBmp(dc.Get(), pic.Bitmap.Get());
    RECT all{0, 0, w, h};
    FillColour(dc.Get(), all, background);
    int x = w / 2 - 1;
    int inset = h / 6;
    RECT dark{x, inset, x + 1, h - inset};
    RECT light{x + 1, inset, x + 2, h - inset};
    FillColour(dc.Get(), dark, RGB(0xb4, 0xc2, 0xd3));
    FillColour(dc.Get(), light, RGB(0xff, 0xff, 0xff));
    GdiFlush();
    return std::move(pic.Bitmap);
}

TBusyFrames LoadBusyFrames(const TDpi& dpi, COLORREF background) {
    int pct = Nearest(dpi.Scale(100), {100, 125, 150, 200});
    int id = pct == 100   ? IDB_BUSY100
             : pct == 125 ? IDB_BUSY125
             : pct == 150 ? IDB_BUSY150
                          : IDB_BUSY200;
    TBusyFrames frames;
    TBitmap strip = LoadBitmapResource(id);
    SIZE size = BitmapSize(strip.Get());
    frames.FrameWidth = layout::BusyWidth * pct / 100;
    frames.FrameHeight = layout::BusyHeight * pct / 100;
    if (!strip || frames.FrameWidth <= 0)
        return frames;
    frames.Frames = size.cx / frames.FrameWidth - 1;
    TDib pixels = CopyPart(strip.Get(), 0, 0, size.cx, size.cy);
    Premultiply(pixels);
    TDib opaque = CreateDib(size.cx, size.cy);
    TMemDc dc(CreateCompatibleDC(nullptr));
    {
        TSelect selBmp(dc.Get(), opaque.Bitmap.Get());
        RECT all{0, 0, size.cx, size.cy};
        FillColour(dc.Get(), all, background);
        AlphaDraw(dc.Get(), 0, 0, pixels);
        GdiFlush();
    }
    frames.Strip = std::move(opaque.Bitmap);
    return frames;
}

TIcon LoadWarningIcon(int size) {
    return TIcon(static_cast<HICON>(
        LoadImageA(Module(), MAKEINTRESOURCEA(IDI_WARNING_TRIANGLE), IMAGE_ICON, size, size, 0)));
}

TIcon LoadProgramIcon(int size) {
    return TIcon(static_cast<HICON>(
        LoadImageA(Module(), MAKEINTRESOURCEA(IDI_MORVANE), IMAGE_ICON, size, size, 0)));
}

void TileDraw(HDC canvas, HBITMAP picture, const RECT& rect) {
    SIZE size = BitmapSize(picture);
    if (size.cx <= 0 || size.cy <= 0)
        return;
    TMemDc src(CreateCompatibleDC(canvas));
    TSelect sel(src.Get(), picture);
    int x = rect.left;
    int y = rect.top;
    while (y < rect.bottom && x < rect.right) {
        int h = std::min<int>(rect.bottom - y, size.cy);
        int w = std::min<int>(rect.right - x, size.cx);
        // Draw the whole picture, clipped to the rectangle: the copies at the
        // edges are cut, never squeezed.
        BitBlt(canvas, x, y, w, h, src.Get(), 0, 0, SRCCOPY);
        x += w;
        if (x >= rect.right) {
            x = rect.left;
            y += h;
        }
    }
}
