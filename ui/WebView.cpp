#include "WebView.h"

#include "core/system/ComPtr_win.h"
#include "core/system/Files.h"
#include "core/system/WideText_win.h"
#include "template/HtmlText.h"

#include <commctrl.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <ole2.h>

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

// A VARIANT argument of an event, by reference or not.
const VARIANT& Deref(const VARIANT& v) {
    return (v.vt & VT_BYREF) && (v.vt & ~VT_BYREF) == VT_VARIANT ? *v.pvarVal : v;
}

} // namespace

// The container's side of the control: one object with the interfaces the
// control asks its site for. The parts whose method names clash (the frame's
// and the UI handler's TranslateAccelerator and EnableModeless) are inner
// objects that share the outer object's reference count.
class TWebHost : public IOleClientSite, public IOleInPlaceSite {
public:
    explicit TWebHost(TWebView* view) : view_(view), frame_(this), ui_(this), events_(this) {}
    virtual ~TWebHost() = default;

    void Forget() { view_ = nullptr; }
    IDispatch* Events() { return &events_; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow)
            *out = static_cast<IOleInPlaceFrame*>(&frame_);
        else if (riid == IID_IDocHostUIHandler)
            *out = static_cast<IDocHostUIHandler*>(&ui_);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *out = static_cast<IDispatch*>(&events_);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        long n = --refs_;
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** mk) override {
        if (mk)
            *mk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** c) override {
        if (c)
            *c = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* wnd) override {
        if (!wnd)
            return E_POINTER;
        *wnd = view_ ? view_->pane_ : nullptr;
        return *wnd ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = &frame_;
            AddRef();
        }
        if (doc)
            *doc = nullptr;
        HWND pane = view_ ? view_->pane_ : nullptr;
        if (pos && pane)
            GetClientRect(pane, pos);
        if (clip && pane)
            GetClientRect(pane, clip);
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = pane ? GetAncestor(pane, GA_ROOT) : nullptr;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

private:
    class TFrame : public IOleInPlaceFrame {
    public:
        explicit TFrame(TWebHost* outer) : outer_(outer) {}
        virtual ~TFrame() = default;
        STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
            return outer_->QueryInterface(riid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }
        STDMETHODIMP GetWindow(HWND* wnd) override { return outer_->GetWindow(wnd); }
        STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
        STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
        STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
        STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
        STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
        STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
        STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
        STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
        STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    private:
        TWebHost* outer_;
    };

    class TUiHandler : public IDocHostUIHandler {
    public:
        explicit TUiHandler(TWebHost* outer) : outer_(outer) {}
        virtual ~TUiHandler() = default;
        STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
            return outer_->QueryInterface(riid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }
        STDMETHODIMP ShowContextMenu(DWORD, POINT* pt, IUnknown*, IDispatch*) override {
            // The control's own menu (view source, back, ...) is never shown.
            TWebView* view = outer_->view_;
            if (view && view->OnContextMenu && pt)
                view->OnContextMenu(*pt);
            return S_OK;
        }
        STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
            if (!info)
                return E_POINTER;
            TWebView* view = outer_->view_;
            info->cbSize = sizeof *info;
            info->dwFlags =
                DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DPI_AWARE | DOCHOSTUIFLAG_THEME;
            if (view && view->options_.NoBorder)
                info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER;
            if (view && view->options_.NoScrollBars)
                info->dwFlags |= DOCHOSTUIFLAG_SCROLL_NO;
            info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
            info->pchHostCss = nullptr;
            info->pchHostNS = nullptr;
            return S_OK;
        }
        STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                            IOleInPlaceUIWindow*) override {
            return S_OK;
        }
        STDMETHODIMP HideUI() override { return S_OK; }
        STDMETHODIMP UpdateUI() override { return S_OK; }
        STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
        STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
        STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
        STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
        STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
        STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
            if (key)
                *key = nullptr;
            return S_FALSE;
        }
        STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override {
            if (out)
                *out = nullptr;
            return E_NOTIMPL;
        }
        STDMETHODIMP GetExternal(IDispatch** out) override {
            // Pages get no object of the program to script.
            if (out)
                *out = nullptr;
            return S_FALSE;
        }
        STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
            if (out)
                *out = nullptr;
            return S_FALSE;
        }
        STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
            if (out)
                *out = nullptr;
            return S_FALSE;
        }

    private:
        TWebHost* outer_;
    };

    // DWebBrowserEvents2: the control's events arrive through IDispatch::Invoke.
    class TEvents : public IDispatch {
    public:
        explicit TEvents(TWebHost* outer) : outer_(outer) {}
        virtual ~TEvents() = default;
        STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
            return outer_->QueryInterface(riid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }
        STDMETHODIMP GetTypeInfoCount(UINT* n) override {
            if (n)
                *n = 0;
            return S_OK;
        }
        STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
            if (info)
                *info = nullptr;
            return E_NOTIMPL;
        }
        STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
            return E_NOTIMPL;
        }
        STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                            UINT*) override {
            TWebView* view = outer_->view_;
            if (!view || !params)
                return S_OK;
            // Arguments come in reverse order.
            VARIANT* a = params->rgvarg;
            UINT n = params->cArgs;
            switch (id) {
            case DISPID_BEFORENAVIGATE2:
                // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
                if (n == 7 && outer_->IsTopLevel(a[6]) && (a[0].vt & VT_BYREF)) {
                    const VARIANT& url = Deref(a[5]);
                    std::string address = url.vt == VT_BSTR ? FromWide(url.bstrVal) : std::string();
                    if (!view->AllowNavigation(address))
                        *a[0].pboolVal = VARIANT_TRUE;
                }
                break;
            case DISPID_NEWWINDOW3:
                // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl): a link
                // for a new window opens in the user's browser.
                if (n == 5 && (a[3].vt & VT_BYREF)) {
                    *a[3].pboolVal = VARIANT_TRUE;
                    const VARIANT& url = Deref(a[0]);
                    if (url.vt == VT_BSTR && view->OnOpenLink)
                        view->OnOpenLink(FromWide(url.bstrVal));
                }
                break;
            case DISPID_DOCUMENTCOMPLETE:
                if (n == 2 && outer_->IsTopLevel(a[1]))
                    view->DocumentComplete();
                break;
            }
            return S_OK;
        }

    private:
        TWebHost* outer_;
    };

    bool IsTopLevel(const VARIANT& disp) const {
        const VARIANT& v = Deref(disp);
        if (!view_ || !view_->browser_ || v.vt != VT_DISPATCH || !v.pdispVal)
            return false;
        // COM identity: the same object answers IUnknown with the same pointer.
        ComPtr<IUnknown> a, b;
        v.pdispVal->QueryInterface(IID_IUnknown, a.PutVoid());
        view_->browser_->QueryInterface(IID_IUnknown, b.PutVoid());
        return a && a.Get() == b.Get();
    }

    long refs_ = 1;
    TWebView* view_;
    TFrame frame_;
    TUiHandler ui_;
    TEvents events_;
};

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
    return browser_ != nullptr;
}

void TWebView::CreateBrowserNow() {
    if (browser_ || !pane_ || !CreateBrowser())
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
    host_ = new TWebHost(this);
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&ole_));
    if (SUCCEEDED(hr))
        hr = ole_->SetClientSite(host_);
    if (SUCCEEDED(hr)) {
        OleSetContainedObject(ole_, TRUE);
        RECT rc;
        GetClientRect(pane_, &rc);
        hr = ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, host_, 0, pane_, &rc);
    }
    if (SUCCEEDED(hr))
        hr = ole_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser_));
    if (FAILED(hr)) {
        if (browser_) {
            browser_->Release();
            browser_ = nullptr;
        }
        if (ole_) {
            ole_->Close(OLECLOSE_NOSAVE);
            ole_->SetClientSite(nullptr);
            ole_->Release();
            ole_ = nullptr;
        }
        host_->Forget();
        host_->Release();
        host_ = nullptr;
        return false;
    }
    // Script errors of a page are the page's business, not a dialog's.
    browser_->put_Silent(VARIANT_TRUE);
    browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
    if (ComPtr<IConnectionPoint> point = BrowserEvents(browser_)) {
        DWORD cookie = 0;
        if (SUCCEEDED(point->Advise(host_->Events(), &cookie)))
            eventCookie_ = cookie;
    }
    Resize();
    return true;
}

void TWebView::CreateTextControl() {
    text_ = CreateWindowExA(0, "EDIT", "",
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
    if (browser_) {
        if (eventCookie_) {
            if (ComPtr<IConnectionPoint> point = BrowserEvents(browser_))
                point->Unadvise(eventCookie_);
            eventCookie_ = 0;
        }
        browser_->Stop();
        browser_->Release();
        browser_ = nullptr;
    }
    if (ole_) {
        ole_->Close(OLECLOSE_NOSAVE);
        ole_->SetClientSite(nullptr);
        ole_->Release();
        ole_ = nullptr;
    }
    if (host_) {
        host_->Forget();
        host_->Release();
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
    if (ole_) {
        ComPtr<IOleInPlaceObject> inplace;
        if (SUCCEEDED(ole_->QueryInterface(IID_IOleInPlaceObject, inplace.PutVoid())))
            inplace->SetObjectRects(&rc, &rc);
    }
}

void TWebView::NavigateBrowser(const std::string& address) {
    expected_ = address;
    expecting_ = true;
    BSTR url = SysAllocString(DisplayText(address).c_str());
    VARIANT empty;
    VariantInit(&empty);
    HRESULT hr = browser_->Navigate(url, &empty, &empty, &empty, &empty);
    SysFreeString(url);
    if (FAILED(hr))
        expecting_ = false;
}

void TWebView::Navigate(const std::string& address) {
    content_ = wcAddress;
    address_ = address;
    html_.clear();
    htmlPending_ = false;
    if (browser_) {
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
    if (!browser_) {
        ShowText(html);
        return;
    }
    // The text goes into the blank document once it exists.
    htmlPending_ = true;
    NavigateBrowser("about:blank");
}

void TWebView::DocumentComplete() {
    if (!htmlPending_ || !browser_)
        return;
    htmlPending_ = false;
    ComPtr<IDispatch> doc;
    if (FAILED(browser_->get_Document(doc.Put())) || !doc)
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
        SetWindowTextA(text_, HtmlToPlainText(html).c_str());
}

void TWebView::CopySelection() {
    if (browser_) {
        browser_->ExecWB(OLECMDID_COPY, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
        return;
    }
    if (text_)
        SendMessageA(text_, WM_COPY, 0, 0);
}

bool TWebView::IsOwnWindow(HWND wnd) const {
    return pane_ && wnd && wnd != pane_ && IsChild(pane_, wnd);
}

bool TWebView::TranslateAccelerator(MSG& msg) {
    if (!ole_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !IsOwnWindow(msg.hwnd))
        return false;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(ole_->QueryInterface(IID_IOleInPlaceActiveObject, active.PutVoid())))
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
        if (self->OnContextMenu && !self->browser_ && reinterpret_cast<HWND>(wp) == wnd) {
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
