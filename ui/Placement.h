#pragma once
// The window's placement (position, size, show state), kept per user in the
// registry under "Software\Morvane\<subkey>" in the values "Flags",
// "ShowCmd", "PixelsPerInch", "MinMaxPos" and "NormPos".

#include <windows.h>

#include <string>

class TPlacementStore {
public:
    explicit TPlacementStore(std::string subkey) : subkey_(std::move(subkey)) {}

    const std::string& Subkey() const { return subkey_; }

    // Writes the window's current placement and the screen's DPI.
    void Save(HWND wnd, int pixelsPerInch) const;

    // Reads the stored placement; false when none is stored or it cannot be
    // read. The position is used only when it was stored at the same DPI.
    bool Load(WINDOWPLACEMENT& placement, int& storedPixelsPerInch) const;

    // Puts the window where it was: the stored position only when stored at
    // this DPI and still on a screen; the maximised state always. Returns the
    // show command to show the window with (SW_SHOWNORMAL or SW_SHOWMAXIMIZED),
    // or `fallback` when nothing is stored.
    int Restore(HWND wnd, int pixelsPerInch, int fallback) const;

private:
    std::string subkey_;
};

// "%d,%d,%d,%d" and back; false for text that is not four integers.
std::string FormatFour(int a, int b, int c, int d);
bool ParseFour(const std::string& text, int& a, int& b, int& c, int& d);
