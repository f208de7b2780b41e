// The detail pane: its view and its copy menu.

#include "DetailPane.h"

#include "ControlCalls.h"
#include "UiSeam.h"

#include <string>

void TDetailPane::Create(HWND parent, int id, const char* paneClass) {
    WebBrowser1 = CreateChildControl(parent, id, paneClass, "", WS_VISIBLE | WS_CLIPCHILDREN,
                                     WS_EX_CLIENTEDGE);
    PopupMenu2.Reset(::CreatePopupMenu());
    AppendMenuA(PopupMenu2.Get(), MF_STRING, Copy1, "&Copy");
    TWebViewOptions detail;
    detail.NoBorder = true; // the pane draws its own sunken edge
    detail.BrowserLater = true;
    WebBrowser1View.Attach(WebBrowser1, detail);
    WebBrowser1View.OnOpenLink = [](const std::string& address) { UiSeam().OpenAddress(address); };
    WebBrowser1View.OnContextMenu = [this, parent](POINT screen) {
        UINT cmd = UiSeam().PopupMenu(PopupMenu2.Get(), parent, screen);
        if (cmd && OnCommand)
            OnCommand(cmd);
    };
}

void TDetailPane::Copy1Click() {
    WebBrowser1View.CopySelection();
}
