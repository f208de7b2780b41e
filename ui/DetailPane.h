#pragma once
// The detail pane WebBrowser1 under the entry list, an HTML view of the
// clicked entry's page (DetailPage.h builds it), with its copy menu
// PopupMenu2.

#include "CommandIds.h"
#include "ScopedWin.h"
#include "WebView.h"

#include <windows.h>

#include <functional>

class TDetailPane {
public:
    using enum TCommandId;

    // The command chosen on the pane's menu (Copy1).
    std::function<void(UINT)> OnCommand;

    // Creates the pane, of the window class paneClass, on parent.
    void Create(HWND parent, int id, const char* paneClass);
    HWND Handle() const { return WebBrowser1; }
    void Destroyed() { WebBrowser1 = nullptr; }
    HMENU Menu() const { return PopupMenu2.Get(); }
    TWebView& View() { return WebBrowser1View; }

    // Copies the page's selection.
    void Copy1Click();

private:
    HWND WebBrowser1 = nullptr;
    TMenu PopupMenu2;
    TWebView WebBrowser1View;
};
