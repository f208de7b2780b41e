#pragma once
// The about window TForm2: the artwork, two hot areas (close; donate and
// close), the link to the maker's web site and the version text.

#include "Layout.h"
#include "ScopedWin.h"
#include "Window.h"

#include <windows.h>

#include <string>

class TForm2 : public TWindow {
public:
    TForm2(HWND owner, const TDpi& dpi);
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    // Creates the window, shows it modally and destroys it; the result that
    // closed it (IDOK, or IDCANCEL for the window's close button).
    int ShowModal();
    HWND Handle() const { return Hwnd(); }

    void Shape1MouseDown();
    void Shape2MouseDown();
    void Label1Click();

    // The hot areas and the link label, in client coordinates.
    RECT Shape1Rect() const;
    RECT Shape2Rect() const;
    RECT Label1Rect() const;
    RECT Label2Rect() const;
    // The link label's text: "Visit: " and the site's address.
    static std::string Label1Text();
    static const char* const Label2Text; // "V2.07"

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    RECT Scaled(int x, int y, int w, int h) const;
    void Paint(HDC dc);
    void MakeArtwork();

    HWND owner_;
    TDpi dpi_;
    int modalResult_ = 0;
    TBitmap Image1;
    TFont labelFont_;
    TFont versionFont_;
};
