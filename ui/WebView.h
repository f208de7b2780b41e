#pragma once
// An HTML view: the system's web browser control (IWebBrowser2) hosted in a
// pane window by an OLE container of our own (client site, in-place site and
// frame, IDocHostUIHandler). Where the control cannot be created, a
// read-only text control shows the page's text instead, so the information
// stays visible; the program never fails for want of the control.

#include <windows.h>

#include <functional>
#include <string>

class TWebHost;

struct TWebViewOptions {
    bool NoBorder = false;
    bool NoScrollBars = false;
    // False: the text control only, as where the browser control is missing.
    bool UseBrowser = true;
    // The browser control comes once the window has painted (it
    // costs a noticeable part of a start); the text control shows the page
    // until then, and the browser takes over what it shows.
    bool BrowserLater = false;
};

class TWebView {
public:
    enum TContent { wcNone, wcAddress, wcHtml };

    TWebView() = default;
    ~TWebView();
    TWebView(const TWebView&) = delete;
    TWebView& operator=(const TWebView&) = delete;

    // Hosts the control in the pane window (which it subclasses to follow
    // its size). Returns whether the browser control was created; without it
    // the text control stands in. OLE must be initialised on this thread.
    bool Attach(HWND pane, const TWebViewOptions& options);
    void Detach();

    // Shows "about:blank", a local file (its path) or any address.
    void Navigate(const std::string& address);
    // Shows the HTML text.
    void ShowHtml(const std::string& html);
    // Copies the selection to the clipboard.
    void CopySelection();
    // Lets the control handle its keys (Tab, Ctrl+C, arrows) before the
    // message loop does; true when it took the message.
    bool TranslateAccelerator(MSG& msg);

    // A link the user followed: the view does not navigate and hands the
    // address here (the caller opens it in the user's browser).
    std::function<void(const std::string&)> OnOpenLink;
    // The user asked for a context menu at this screen point.
    std::function<void(POINT)> OnContextMenu;

    // What the view was last asked to show.
    TContent Content() const { return content_; }
    const std::string& Address() const { return address_; }
    const std::string& Html() const { return html_; }
    bool HasBrowser() const { return host_ != nullptr; }
    // The stand-in text control, or null while the browser control is used.
    HWND TextControl() const { return text_; }
    HWND Pane() const { return pane_; }

private:
    friend class TWebHost;
    static LRESULT CALLBACK PaneProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
    bool CreateBrowser();
    void CreateBrowserNow();
    void CreateTextControl();
    void Resize();
    void ShowText(const std::string& html);
    void NavigateBrowser(const std::string& address);
    // Called by the host for the top-level document's events.
    bool AllowNavigation(const std::string& address);
    void DocumentComplete();
    bool IsOwnWindow(HWND wnd) const;

    HWND pane_ = nullptr;
    HWND text_ = nullptr;
    TWebViewOptions options_;
    // The control's container, while the browser control is hosted; it
    // holds the control (WebHost.h).
    TWebHost* host_ = nullptr;
    unsigned long eventCookie_ = 0;
    TContent content_ = wcNone;
    std::string address_;
    std::string html_;
    // The address of a navigation this view started; others are links.
    std::string expected_;
    bool expecting_ = false;
    bool htmlPending_ = false;
};
