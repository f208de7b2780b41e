#include "Layout.h"

TDpi ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(nullptr, dc);
    TDpi dpi;
    dpi.Value = value > 0 ? value : 96;
    return dpi;
}
