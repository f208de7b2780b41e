#include "WebView.h"

#include "WebHost.h"
#include "core/system/Files.h"
#include "template/HtmlText.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace {

// The pane's one-shot timer for the browser control that was to come later:
// a timer message comes after the window's paint messages, so the first
// paint never waits for the control.
const UINT_PTR CreateBrowserTimer = 0x3a1;

} // namespace

namespace {

// Where the browser's DWebBrowserEvents2 are advised and unadvised.
ComPtr<IConnectionPoint> BrowserEvents(IWebBrowser2* browser) {
    ComPtr<IConnectionPoint> point;
    ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(browser->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())))
        container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put());
    return point;
}

} // namespace

TWebView::~TWebView() {
    Detach();
}

bool TWebView::Attach(HWND pane, const TWebViewOptions& options) {
    Detach();
    pane_ = pane;
    options_ = options;
    SetWindowSubclass(pane_, &TWebView::PaneProc, 1, reinterpret_cast<DWORD_PTR>(this));
    if (options_.UseBrowser && options_.BrowserLater) {
        CreateTextControl();
        SetTimer(pane_, CreateBrowserTimer, USER_TIMER_MINIMUM, nullptr);
        return false;
    }
    if (!options_.UseBrowser || !CreateBrowser())
        CreateTextControl();
    return host_ != nullptr;
}

void TWebView::CreateBrowserNow() {
    if (host_ || !pane_ || !CreateBrowser())
        return; // the text control stays
    if (text_ && IsWindow(text_))
        DestroyWindow(text_);
    text_ = nullptr;
    if (content_ == wcHtml)
        ShowHtml(std::string(html_));
    else if (content_ == wcAddress)
        Navigate(std::string(address_));
}

bool TWebView::CreateBrowser() {
    auto* host = new TWebHost(this);
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  host->Ole.PutVoid());
    if (SUCCEEDED(hr))
        hr = host->Ole->SetClientSite(host);
    if (SUCCEEDED(hr)) {
        OleSetContainedObject(host->Ole.Get(), TRUE);
        RECT rc;
        GetClientRect(pane_, &rc);
        hr = host->Ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, host, 0, pane_, &rc);
    }
    if (SUCCEEDED(hr))
        hr = host->Ole->QueryInterface(IID_IWebBrowser2, host->Browser.PutVoid());
    if (FAILED(hr)) {
        host->Close();
        return false;
    }
    host_ = host;
    IWebBrowser2* browser = host_->Browser.Get();
    // Script errors of a page are the page's business, not a dialog's.
    browser->put_Silent(VARIANT_TRUE);
    browser->put_RegisterAsDropTarget(VARIANT_FALSE);
    if (ComPtr<IConnectionPoint> point = BrowserEvents(browser)) {
        DWORD cookie = 0;
        if (SUCCEEDED(point->Advise(host_->Events(), &cookie)))
            eventCookie_ = cookie;
    }
    Resize();
    return true;
}

void TWebView::CreateTextControl() {
    text_ = CreateWindowExW(0, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                ES_AUTOVSCROLL,
                            0, 0, 10, 10, pane_, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND top = GetAncestor(pane_, GA_ROOT);
    HFONT font = top ? reinterpret_cast<HFONT>(SendMessageA(top, WM_GETFONT, 0, 0)) : nullptr;
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Resize();
}

void TWebView::Detach() {
    if (host_) {
        if (eventCookie_) {
            if (ComPtr<IConnectionPoint> point = BrowserEvents(host_->Browser.Get()))
                point->Unadvise(eventCookie_);
            eventCookie_ = 0;
        }
        host_->Browser->Stop();
        host_->Close();
        host_ = nullptr;
    }
    if (text_ && IsWindow(text_))
        DestroyWindow(text_);
    text_ = nullptr;
    if (pane_ && IsWindow(pane_))
        RemoveWindowSubclass(pane_, &TWebView::PaneProc, 1);
    pane_ = nullptr;
}

void TWebView::Resize() {
    if (!pane_)
        return;
    RECT rc;
    GetClientRect(pane_, &rc);
    if (text_)
        MoveWindow(text_, 0, 0, rc.right, rc.bottom, TRUE);
    if (host_) {
        ComPtr<IOleInPlaceObject> inplace;
        if (SUCCEEDED(host_->Ole->QueryInterface(IID_IOleInPlaceObject, inplace.PutVoid())))
            inplace->SetObjectRects(&rc, &rc);
    }
}

void TWebView::NavigateBrowser(const std::string& address) {
    expected_ = address;
    expecting_ = true;
    BSTR url = SysAllocString(DisplayText(address).c_str());
    VARIANT empty;
    VariantInit(&empty);
    HRESULT hr = host_->Browser->Navigate(url, &empty, &empty, &empty, &empty);
    SysFreeString(url);
    if (FAILED(hr))
        expecting_ = false;
}

void TWebView::Navigate(const std::string& address) {
    content_ = wcAddress;
    address_ = address;
    html_.clear();
    htmlPending_ = false;
    if (host_) {
        NavigateBrowser(address);
        return;
    }
    std::string page;
    if (address != "about:blank" && ReadWholeFile(address, page))
        ShowText(page);
    else
        ShowText(std::string());
}

void TWebView::ShowHtml(const std::string& html) {
    content_ = wcHtml;
    address_ = "about:blank";
    html_ = html;
    if (!host_) {
        ShowText(html);
        return;
    }
    // The text goes into the blank document once it exists.
    htmlPending_ = true;
    NavigateBrowser("about:blank");
}

void TWebView::DocumentComplete() {
    if (!htmlPending_ || !host_)
        return;
    htmlPending_ = false;
    ComPtr<IDispatch> doc;
    if (FAILED(host_->Browser->get_Document(doc.Put())) || !doc)
        return;
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(doc->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()))) {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, html_.size() + 1);
        if (mem) {
            void* p = GlobalLock(mem);
            memcpy(p, html_.c_str(), html_.size() + 1);
            GlobalUnlock(mem);
            ComPtr<IStream> stream;
            if (SUCCEEDED(CreateStreamOnHGlobal(mem, TRUE, stream.Put()))) {
                ULARGE_INTEGER size;
                size.QuadPart = html_.size();
                stream->SetSize(size);
                persist->InitNew();
                persist->Load(stream.Get());
            } else {
                GlobalFree(mem);
            }
        }
    }
}

bool TWebView::AllowNavigation(const std::string& address) {
    if (expecting_) {
        expecting_ = false;
        return true;
    }
    if (!OnOpenLink)
        return true;
    // A link the user followed: the pane keeps its page.
    OnOpenLink(address);
    return false;
}

void TWebView::ShowText(const std::string& html) {
    if (text_)
        SetWindowTextW(text_, DisplayText(HtmlToPlainText(html)).c_str());
}

void TWebView::CopySelection() {
    if (host_) {
        host_->Browser->ExecWB(OLECMDID_COPY, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
        return;
    }
    if (text_)
        SendMessageA(text_, WM_COPY, 0, 0);
}

bool TWebView::IsOwnWindow(HWND wnd) const {
    return pane_ && wnd && wnd != pane_ && IsChild(pane_, wnd);
}

bool TWebView::TranslateAccelerator(MSG& msg) {
    if (!host_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !IsOwnWindow(msg.hwnd))
        return false;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(host_->Ole->QueryInterface(IID_IOleInPlaceActiveObject, active.PutVoid())))
        return false;
    return active->TranslateAccelerator(&msg) == S_OK;
}

LRESULT CALLBACK TWebView::PaneProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR data) {
    auto* self = reinterpret_cast<TWebView*>(data);
    switch (msg) {
    case WM_SIZE:
        self->Resize();
        break;
    case WM_TIMER:
        if (wp != CreateBrowserTimer)
            break;
        KillTimer(wnd, CreateBrowserTimer);
        self->CreateBrowserNow();
        return 0;
    case WM_CONTEXTMENU:
        if (self->OnContextMenu && !self->host_ && reinterpret_cast<HWND>(wp) == wnd) {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            self->OnContextMenu(pt);
            return 0;
        }
        break;
    case WM_DESTROY:
        // The pane goes before the view: let go of the control while its
        // window still exists.
        RemoveWindowSubclass(wnd, &TWebView::PaneProc, 1);
        self->Detach();
        break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
