#pragma once
// The side pane EmbeddedWB1 on the right of the main window, an HTML view.
// Its page lies in the hidden text control tmpAds, whose lines are the
// page; it is shown when a consultation starts.

#include "WebView.h"

#include <windows.h>

class TSidePane {
public:
    // Creates the pane, of the window class paneClass, and tmpAds on parent.
    void Create(HWND parent, int id, const char* paneClass);
    HWND Handle() const { return EmbeddedWB1; }
    HWND AdsTextHandle() const { return tmpAds; }
    void Destroyed() { EmbeddedWB1 = tmpAds = nullptr; }
    TWebView& View() { return EmbeddedWB1View; }

    // Loads the page of tmpAds into the pane.
    void ShowAdsPage();

private:
    HWND EmbeddedWB1 = nullptr;
    // Hidden text control whose lines are the side pane's page.
    HWND tmpAds = nullptr;
    TWebView EmbeddedWB1View;
};
