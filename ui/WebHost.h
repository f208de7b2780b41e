#pragma once
// The container of the web browser control: the client site, the in-place
// site and frame, the UI handler that keeps the control's own menus and
// scripting away, and the sink of DWebBrowserEvents2, all one object with
// one reference count. It holds the control's interfaces while the control
// is hosted and tells its view of the top-level document's events.

#include "WebView.h"
#include "core/system/ComPtr_win.h"
#include "core/system/WideText_win.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <ole2.h>

#include <string>

namespace webhost_detail {

// A VARIANT argument of an event, by reference or not.
inline const VARIANT& Deref(const VARIANT& v) {
    return (v.vt & VT_BYREF) && (v.vt & ~VT_BYREF) == VT_VARIANT ? *v.pvarVal : v;
}

} // namespace webhost_detail

// The container's side of the control: one object with the interfaces the
// control asks its site for. The parts whose method names clash (the frame's
// and the UI handler's TranslateAccelerator and EnableModeless) are inner
// objects that share the outer object's reference count.
class TWebHost : public IOleClientSite, public IOleInPlaceSite {
public:
    explicit TWebHost(TWebView* view) : view_(view), frame_(this), ui_(this), events_(this) {}
    virtual ~TWebHost() = default;

    // The control's interfaces, held while it is hosted.
    ComPtr<IOleObject> Ole;
    ComPtr<IWebBrowser2> Browser;

    // Lets go of the control and of the view, and gives up the reference
    // its creator held: the control's own reference goes with its client
    // site, and the last one deletes the host.
    void Close() {
        Browser.Reset();
        if (Ole) {
            Ole->Close(OLECLOSE_NOSAVE);
            Ole->SetClientSite(nullptr);
            Ole.Reset();
        }
        view_ = nullptr;
        Release();
    }
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
                    const VARIANT& url = webhost_detail::Deref(a[5]);
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
                    const VARIANT& url = webhost_detail::Deref(a[0]);
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
        const VARIANT& v = webhost_detail::Deref(disp);
        if (!view_ || !Browser || v.vt != VT_DISPATCH || !v.pdispVal)
            return false;
        // COM identity: the same object answers IUnknown with the same pointer.
        ComPtr<IUnknown> a, b;
        v.pdispVal->QueryInterface(IID_IUnknown, a.PutVoid());
        Browser->QueryInterface(IID_IUnknown, b.PutVoid());
        return a && a.Get() == b.Get();
    }

    long refs_ = 1;
    TWebView* view_;
    TFrame frame_;
    TUiHandler ui_;
    TEvents events_;
};
