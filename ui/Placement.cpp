#include "Placement.h"

#include "core/system/Registry.h"
#include "core/system/TextScan.h"

#include <cstdio>

std::string FormatFour(int a, int b, int c, int d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", a, b, c, d);
    return buf;
}

bool ParseFour(const std::string& text, int& a, int& b, int& c, int& d) {
    int* out[4] = {&a, &b, &c, &d};
    std::string_view rest = text;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? rest.find(',') : rest.size();
        int v = 0;
        if (comma == std::string_view::npos || !ParseInt32(rest.substr(0, comma), v) || v < -1000000 ||
            v > 1000000)
            return false;
        *out[i] = v;
        rest.remove_prefix(i < 3 ? comma + 1 : comma);
    }
    return true;
}

void TPlacementStore::Save(HWND wnd, int pixelsPerInch) const {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(wnd, &wp))
        return;
    WriteUserSettingInt(subkey_, "Flags", wp.flags);
    WriteUserSettingInt(subkey_, "ShowCmd", wp.showCmd);
    WriteUserSettingInt(subkey_, "PixelsPerInch", static_cast<uint32_t>(pixelsPerInch));
    WriteUserSetting(
        subkey_, "MinMaxPos",
        FormatFour(wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y));
    WriteUserSetting(subkey_, "NormPos",
                     FormatFour(wp.rcNormalPosition.left, wp.rcNormalPosition.top,
                                wp.rcNormalPosition.right, wp.rcNormalPosition.bottom));
}

bool TPlacementStore::Load(WINDOWPLACEMENT& placement, int& storedPixelsPerInch) const {
    uint32_t flags = 0, showCmd = 0, ppi = 0;
    std::string minMax, norm;
    if (!ReadUserSettingInt(subkey_, "ShowCmd", showCmd) ||
        !ReadUserSettingInt(subkey_, "PixelsPerInch", ppi) ||
        !ReadUserSetting(subkey_, "NormPos", norm))
        return false;
    ReadUserSettingInt(subkey_, "Flags", flags);
    ReadUserSetting(subkey_, "MinMaxPos", minMax);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.flags = flags;
    wp.showCmd = showCmd;
    int a, b, c, d;
    if (!ParseFour(norm, a, b, c, d) || c <= a || d <= b)
        return false;
    wp.rcNormalPosition = RECT{a, b, c, d};
    if (ParseFour(minMax, a, b, c, d)) {
        wp.ptMinPosition = POINT{a, b};
        wp.ptMaxPosition = POINT{c, d};
    } else {
        wp.ptMinPosition = POINT{-1, -1};
        wp.ptMaxPosition = POINT{-1, -1};
    }
    placement = wp;
    storedPixelsPerInch = static_cast<int>(ppi);
    return true;
}

int TPlacementStore::Restore(HWND wnd, int pixelsPerInch, int fallback) const {
    WINDOWPLACEMENT wp{};
    int ppi = 0;
    if (!Load(wp, ppi))
        return fallback;
    bool maximized = wp.showCmd == SW_SHOWMAXIMIZED ||
                     (wp.showCmd == SW_SHOWMINIMIZED && (wp.flags & WPF_RESTORETOMAXIMIZED));
    // A window closed while minimised opens again normally: a program that
    // starts as an icon in the task bar looks like one that did not start.
    int show = maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    if (ppi == pixelsPerInch) {
        // A position on a screen that is no longer attached would leave the
        // window out of reach.
        if (MonitorFromRect(&wp.rcNormalPosition, MONITOR_DEFAULTTONULL)) {
            WINDOWPLACEMENT now{};
            now.length = sizeof now;
            GetWindowPlacement(wnd, &now);
            now.rcNormalPosition = wp.rcNormalPosition;
            now.ptMaxPosition = wp.ptMaxPosition;
            now.ptMinPosition = wp.ptMinPosition;
            now.flags = 0;
            now.showCmd = IsWindowVisible(wnd) ? static_cast<UINT>(show) : SW_HIDE;
            SetWindowPlacement(wnd, &now);
        }
    }
    return show;
}
