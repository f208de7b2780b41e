#pragma once
// Owners for the Win32 handles that the window code creates: each closes its
// handle exactly once, moves but never copies. The ownership is UniqueAny's,
// as for every handle the program holds; these add the names the window
// code has always called.

#include <windows.h>
#include <commctrl.h>

#include "core/system/UniqueAny.h"

template <class H, class Traits> class TScopedHandle : public UniqueAny<H, &Traits::Close> {
    using Base = UniqueAny<H, &Traits::Close>;

public:
    using Base::Base;

    H Get() const noexcept { return this->get(); }
    H Release() noexcept { return this->release(); }
    void Reset(H h = H()) noexcept { this->reset(h); }
};

struct TGdiObjectTraits {
    static void Close(HGDIOBJ h) { DeleteObject(h); }
};
struct TMemDcTraits {
    static void Close(HDC h) { DeleteDC(h); }
};
struct TIconTraits {
    static void Close(HICON h) { DestroyIcon(h); }
};
struct TMenuTraits {
    static void Close(HMENU h) { DestroyMenu(h); }
};
struct TImageListTraits {
    static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
struct TAccelTraits {
    static void Close(HACCEL h) { DestroyAcceleratorTable(h); }
};

using TBitmap = TScopedHandle<HBITMAP, TGdiObjectTraits>;
using TFont = TScopedHandle<HFONT, TGdiObjectTraits>;
using TBrush = TScopedHandle<HBRUSH, TGdiObjectTraits>;
using TMemDc = TScopedHandle<HDC, TMemDcTraits>;
using TIcon = TScopedHandle<HICON, TIconTraits>;
using TMenu = TScopedHandle<HMENU, TMenuTraits>;
using TImageList = TScopedHandle<HIMAGELIST, TImageListTraits>;
using TAccel = TScopedHandle<HACCEL, TAccelTraits>;

// A window's DC, released to the window it came from.
class TWindowDc {
public:
    explicit TWindowDc(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
    ~TWindowDc() {
        if (dc_)
            ReleaseDC(wnd_, dc_);
    }
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class TSelect {
public:
    TSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~TSelect() {
        if (old_)
            SelectObject(dc_, old_);
    }
    TSelect(const TSelect&) = delete;
    TSelect& operator=(const TSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Painting between BeginPaint and EndPaint.
class TPaint {
public:
    explicit TPaint(HWND wnd) : wnd_(wnd) { dc_ = BeginPaint(wnd, &ps_); }
    ~TPaint() { EndPaint(wnd_, &ps_); }
    TPaint(const TPaint&) = delete;
    TPaint& operator=(const TPaint&) = delete;
    HDC Dc() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }

private:
    HWND wnd_;
    HDC dc_;
    PAINTSTRUCT ps_{};
};
