#include "platform/win32/MovieHost.h"

#include "platform/win32/Win32.h"
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/ComScoped.h"
#include "platform/win32/MovieControlIds.h"
#include "platform/win32/Scoped.h"
#include "platform/win32/WinText.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel::win32 {
namespace {

// OLE error texts end without the line break and full stop the system puts after them.
void TrimMessageEnd(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
}

// The system's text for a failing result; a code without one reads "OLE error XXXXXXXX".
std::string ResultText(HRESULT hr) {
    std::string text = SystemMessage(static_cast<DWORD>(hr));
    TrimMessageEnd(text);
    if (!text.empty()) return text;
    char code[32];
    std::snprintf(code, sizeof code, "OLE error %08lX", static_cast<unsigned long>(hr));
    return code;
}

void Check(HRESULT hr) {
    if (FAILED(hr)) throw OleError(ResultText(hr));
}

// A failed IDispatch call: the control's own description when it raised one.
[[noreturn]] void ThrowInvokeError(HRESULT hr, ExcepInfo& ex) {
    if (hr == DISP_E_EXCEPTION) {
        if (ex.info.pfnDeferredFillIn) ex.info.pfnDeferredFillIn(&ex.info);
        std::string description = Ansi(ex.info.bstrDescription);
        TrimMessageEnd(description);
        if (!description.empty()) throw OleError(description);
        if (FAILED(ex.info.scode)) hr = ex.info.scode;
    }
    throw OleError(ResultText(hr));
}

// The control's stored design-time state: its size in pixels and the texts of its
// properties, applied as a container applies what it stored, before any movie loads.
constexpr SIZE kDesignSize = {1024, 768};
constexpr StoredProperty kStoredState[] = {{L"WMode", u"Window"},           {L"Quality2", u"High"},
                                           {L"AllowScriptAccess", u"always"}, {L"Scale", u"ShowAll"},
                                           {L"AllowNetworking", u"all"},     {L"AllowFullScreen", u"false"}};

// Pixels to the HIMETRIC units (0.01 mm) of an OLE extent, at the screen's resolution.
SIZEL Himetric(SIZE pixels) {
    ScopedWindowDc screen(nullptr);
    const int dpiX = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
    const int dpiY = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
    return {MulDiv(pixels.cx, 2540, dpiX), MulDiv(pixels.cy, 2540, dpiY)};
}

Bstr MakeBstr(std::u16string_view text) {
    Bstr b(text);
    if (!b.Get()) throw OleError(ResultText(E_OUTOFMEMORY));
    return b;
}

// Any text-like result or event argument (a BSTR, by value or by reference, or a
// value the control chose to pass as a number) as wide text.
std::u16string VariantText(const VARIANT& v) {
    if (v.vt == VT_EMPTY || v.vt == VT_NULL) return {};
    if (v.vt == VT_BSTR) return Bstr::ToText(v.bstrVal);
    Variant converted;
    Check(VariantChangeType(converted.Get(), const_cast<VARIANT*>(&v), 0, VT_BSTR));
    return Bstr::ToText(converted.Get()->bstrVal);
}

// Holds OLE initialised on the window thread while any player or the service lives.
class OleSession {
public:
    OleSession() {
        // S_FALSE (already initialised on this thread, say by the Ui) still counts and
        // is balanced below. A thread in the multithreaded apartment cannot host the
        // control in place: that fails here as the OLE error.
        Check(OleInitialize(nullptr));
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    // Runs after the last player released its objects: uninitialising with a live
    // object would unload the control's DLL under it.
    ~OleSession() { OleUninitialize(); }
};

// The container's small COM objects live on the window thread only (apartment
// model), so a plain counter suffices. Each starts with the one reference its
// creator adopts.
class RefCounted {
protected:
    ULONG AddRefImpl() { return ++m_refs; }
    ULONG DropRef() { return --m_refs; }

private:
    ULONG m_refs = 1;
};

// The container's frame: no menus, no tool space, no accelerators.
class InPlaceFrame final : public IOleInPlaceFrame, private RefCounted {
public:
    explicit InPlaceFrame(HWND parent) : m_parent(parent) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG refs = DropRef();
        if (refs == 0) delete this;
        return refs;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) ||
            IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame))
            *out = static_cast<IOleInPlaceFrame*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = GetAncestor(m_parent, GA_ROOT);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
        bool none = !widths || (widths->left == 0 && widths->top == 0 && widths->right == 0 && widths->bottom == 0);
        return none ? S_OK : INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
        if (widths) widths->width[0] = widths->width[2] = widths->width[4] = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND m_parent;
};

// The control's client site and in-place site. Windowed activation only: without
// IOleInPlaceSiteWindowless the control keeps a child window of its own, which is
// what the program shows, hides and places.
class ControlSite final : public IOleClientSite, public IOleInPlaceSite, private RefCounted {
public:
    explicit ControlSite(HWND parent) : m_parent(parent), m_frame(ComPtr<InPlaceFrame>::Adopt(new InPlaceFrame(parent))) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG refs = DropRef();
        if (refs == 0) delete this;
        return refs;
    }

    void SetBounds(const RECT& bounds) { m_bounds = bounds; }
    const RECT& Bounds() const { return m_bounds; }
    IOleClientSite* ClientSite() { return static_cast<IOleClientSite*>(this); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    // IOleClientSite: an embedded control with nothing to save and no container.
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = m_parent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = m_frame.CopyOut();
        *document = nullptr;  // no document window: the frame is the only UI window
        *position = m_bounds;
        *clip = m_bounds;
        // Only cb is set by the caller; the rest is ours to fill.
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(m_parent, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    // The program owns the geometry; a size the control asks for is not applied.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

private:
    HWND m_parent;
    ComPtr<InPlaceFrame> m_frame;
    RECT m_bounds{0, 0, 0, 0};
};

// Receives the control's events; only FSCommand is forwarded.
class EventSink final : public IDispatch, private RefCounted {
public:
    explicit EventSink(FSCommandHandler handler) : m_handler(std::move(handler)), m_thread(GetCurrentThreadId()) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG refs = DropRef();
        if (refs == 0) delete this;
        return refs;
    }

    // After this no event reaches the handler, even one already queued by the control.
    void Detach() { m_handler = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, movie::kEvents))
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (id != movie::kFSCommand) return S_OK;  // the control's other events are not used
        if (!params || params->cArgs != 2 || params->cNamedArgs != 0) return DISP_E_BADPARAMCOUNT;
        // The handler is written for the window thread; an apartment-model control
        // calls from there, anything else is refused rather than run unsynchronised.
        if (GetCurrentThreadId() != m_thread) return RPC_E_WRONG_THREAD;
        // The handler may destroy the player, and with it this sink's owner: keep
        // this object and the handler alive until the call returns.
        ComPtr<EventSink> self(this);
        try {
            FSCommandHandler handler = m_handler;
            if (!handler) return S_OK;
            // Arguments arrive last first.
            std::u16string command = VariantText(params->rgvarg[1]);
            std::u16string args = VariantText(params->rgvarg[0]);
            handler(command, args);
        } catch (const OleError&) {
            return DISP_E_TYPEMISMATCH;
        } catch (...) {
            // A C++ exception must not unwind through the control's frames; the
            // handler reports its own errors.
        }
        return S_OK;
    }

private:
    FSCommandHandler m_handler;
    DWORD m_thread;
};

class OlePlayer final : public MoviePlayer {
public:
    OlePlayer(std::shared_ptr<OleSession> session, HWND parent, FSCommandHandler handler)
        : m_session(std::move(session)),
          m_parent(parent),
          m_site(ComPtr<ControlSite>::Adopt(new ControlSite(parent))),
          m_sink(ComPtr<EventSink>::Adopt(new EventSink(std::move(handler)))) {}

    // Undoes as much of Open as was done, in the reverse order. Results are not
    // examined: there is nothing left to do about a failure here.
    ~OlePlayer() override {
        m_sink->Detach();
        if (m_cookie) m_events->Unadvise(m_cookie);
        m_events.Reset();
        // Deactivation destroys the control's window; the program never does.
        if (m_inPlace) m_inPlace->InPlaceDeactivate();
        m_inPlace.Reset();
        m_dispatch.Reset();
        if (m_object) {
            m_object->Close(OLECLOSE_NOSAVE);
            // Breaks the control's reference to the site (a reference cycle otherwise).
            if (m_siteSet) m_object->SetClientSite(nullptr);
        }
        m_object.Reset();
        m_sink.Reset();
        m_site.Reset();
        // m_session goes last, as the first member.
    }

    void Open(const std::vector<StoredProperty>& storedState) {
        Check(CoCreateInstance(movie::kClass, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, m_object.PutVoid()));

        // Some controls read ambient state while initialising, so they want the site first.
        DWORD misc = 0;
        if (FAILED(m_object->GetMiscStatus(DVASPECT_CONTENT, &misc))) misc = 0;
        const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst) SetSite();
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(m_object.QueryInto(IID_IPersistStreamInit, persist))) Check(persist->InitNew());
        persist.Reset();
        if (!siteFirst) SetSite();

        Check(m_object.QueryInto(IID_IDispatch, m_dispatch));
        ApplyStoredState(storedState);

        ComPtr<IConnectionPointContainer> points;
        Check(m_object.QueryInto(IID_IConnectionPointContainer, points));
        Check(points->FindConnectionPoint(movie::kEvents, m_events.Put()));
        Check(m_events->Advise(static_cast<IDispatch*>(m_sink.Get()), &m_cookie));

        RECT bounds = m_site->Bounds();
        Check(m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site->ClientSite(), 0, m_parent, &bounds));
        Check(m_object.QueryInto(IID_IOleInPlaceObject, m_inPlace));
        Check(m_inPlace->GetWindow(&m_window));
        // Subclassed the classic way: the common controls' helpers would load their
        // library at every start for this alone.
        if (LONG_PTR player = SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContainerFirst)))
            SetPropW(m_window, kPlayerProc, reinterpret_cast<HANDLE>(player));
    }

    void PutMovie(const std::u16string& path) override { PutText(movie::kMovie, path); }

    std::u16string GetMovie() override {
        Variant result;
        Call(movie::kMovie, DISPATCH_PROPERTYGET, nullptr, 0, result.Get());
        return VariantText(*result.Get());
    }

    bool PutFlashVars(const std::u16string& vars) override {
        Bstr text(vars);
        if (!text.Get()) return false;
        Variant value;
        value.SetBstr(std::move(text));
        ExcepInfo ex;
        return SUCCEEDED(TryCall(movie::kFlashVars, DISPATCH_PROPERTYPUT, value.Get(), 1, nullptr, ex));
    }

    void PutScaleMode(int mode) override {
        Variant value;
        value.SetInt(mode);
        Call(movie::kScaleMode, DISPATCH_PROPERTYPUT, value.Get(), 1, nullptr);
    }

    void PutWMode(const std::u16string& mode) override { PutText(movie::kWMode, mode); }

    std::u16string GetVariable(const std::u16string& name) override {
        DISPID id = MemberId(L"GetVariable", m_getVariable);
        Variant arg;
        arg.SetBstr(MakeBstr(name));
        Variant result;
        Call(id, DISPATCH_METHOD, arg.Get(), 1, result.Get());
        return VariantText(*result.Get());
    }

    void SetVariable(const std::u16string& name, const std::u16string& value) override {
        DISPID id = MemberId(L"SetVariable", m_setVariable);
        Variant args[2];  // last argument first
        args[0].SetBstr(MakeBstr(value));
        args[1].SetBstr(MakeBstr(name));
        VARIANT raw[2] = {*args[0].Get(), *args[1].Get()};  // shallow: args keep ownership
        Call(id, DISPATCH_METHOD, raw, 2, nullptr);
    }

    void SetBounds(Rect b) override {
        // Geometry arithmetic wraps at 32 bits, as the program's does.
        RECT r{b.left, b.top, static_cast<LONG>(static_cast<long long>(b.left) + b.width),
               static_cast<LONG>(static_cast<long long>(b.top) + b.height)};
        m_site->SetBounds(r);
        // The clip is the position itself: a clip cut to the parent's client area
        // would stay stale when the parent grows later.
        Check(m_inPlace->SetObjectRects(&r, &r));
    }

    void SetVisible(bool visible) override {
        // SW_SHOWNA: showing the movie must not take activation from a window above it.
        ShowWindow(m_window, visible ? SW_SHOWNA : SW_HIDE);
    }

    void DoVerbShow() override {
        RECT bounds = m_site->Bounds();
        Check(m_object->DoVerb(OLEIVERB_SHOW, nullptr, m_site->ClientSite(), 0, m_parent, &bounds));
    }

    WindowHandle Handle() override { return reinterpret_cast<WindowHandle>(m_window); }

private:
    // The container decides the cursor over the control first, as a container that
    // subclasses its controls' windows does: the player sets its own arrow otherwise,
    // over the hourglass the movie asked for. The parent answers false where it leaves
    // the choice to the control.
    static LRESULT CALLBACK ContainerFirst(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        const auto player = reinterpret_cast<WNDPROC>(reinterpret_cast<LONG_PTR>(GetPropW(window, kPlayerProc)));
        if (message == WM_SETCURSOR)
            if (HWND parent = GetParent(window); parent && SendMessageW(parent, WM_SETCURSOR, wParam, lParam))
                return TRUE;
        if (message == WM_NCDESTROY && player) {
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(player));
            RemovePropW(window, kPlayerProc);
        }
        return player ? CallWindowProcW(player, window, message, wParam, lParam)
                      : DefWindowProcW(window, message, wParam, lParam);
    }
    static constexpr const wchar_t* kPlayerProc = L"VelvinorPlayerProc";

    // By name: a player older than a property lacks it and keeps its own default. A
    // property it refuses is left so too, as a control loading its stored state would.
    void ApplyStoredState(const std::vector<StoredProperty>& storedState) {
        SIZEL extent = Himetric(kDesignSize);
        m_object->SetExtent(DVASPECT_CONTENT, &extent);
        m_site->SetBounds(RECT{0, 0, kDesignSize.cx, kDesignSize.cy});
        for (const StoredProperty& property : storedState) {
            LPOLESTR names[] = {const_cast<LPOLESTR>(property.name)};
            DISPID id = DISPID_UNKNOWN;
            if (FAILED(m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) continue;
            Variant value;
            value.SetBstr(MakeBstr(property.value));
            ExcepInfo ex;
            TryCall(id, DISPATCH_PROPERTYPUT, value.Get(), 1, nullptr, ex);
        }
    }

    void SetSite() {
        Check(m_object->SetClientSite(m_site->ClientSite()));
        m_siteSet = true;
    }

    void PutText(DISPID id, const std::u16string& text) {
        Variant value;
        value.SetBstr(MakeBstr(text));
        Call(id, DISPATCH_PROPERTYPUT, value.Get(), 1, nullptr);
    }

    HRESULT TryCall(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result, ExcepInfo& ex) {
        // A property put names its value argument DISPID_PROPERTYPUT, or the call is refused.
        DISPID putName = DISPID_PROPERTYPUT;
        const bool put = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{args, put ? &putName : nullptr, count, put ? 1u : 0u};
        UINT argError = 0;
        return m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &ex.info, &argError);
    }

    void Call(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
        ExcepInfo ex;
        HRESULT hr = TryCall(id, flags, args, count, result, ex);
        if (FAILED(hr)) ThrowInvokeError(hr, ex);
    }

    // Methods are found by name; the ids are asked for once.
    DISPID MemberId(const wchar_t* name, DISPID& cached) {
        if (cached == DISPID_UNKNOWN) {
            LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
            DISPID id = DISPID_UNKNOWN;
            Check(m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
            cached = id;
        }
        return cached;
    }

    std::shared_ptr<OleSession> m_session;  // first: released after every COM pointer below
    HWND m_parent;
    ComPtr<ControlSite> m_site;
    ComPtr<EventSink> m_sink;
    ComPtr<IOleObject> m_object;
    ComPtr<IDispatch> m_dispatch;
    ComPtr<IConnectionPoint> m_events;
    ComPtr<IOleInPlaceObject> m_inPlace;
    DWORD m_cookie = 0;
    bool m_siteSet = false;
    HWND m_window = nullptr;
    DISPID m_getVariable = DISPID_UNKNOWN;
    DISPID m_setVariable = DISPID_UNKNOWN;
};

class OleMovieService final : public MovieService {
public:
    explicit OleMovieService(std::vector<StoredProperty> storedState) : m_storedState(std::move(storedState)) {}

    std::unique_ptr<MoviePlayer> Create(WindowHandle parent, FSCommandHandler onFSCommand) override {
        if (!m_session) m_session = std::make_shared<OleSession>();
        auto player =
            std::make_unique<OlePlayer>(m_session, reinterpret_cast<HWND>(parent), std::move(onFSCommand));
        player->Open(m_storedState);  // on failure the player's destructor undoes the partial set-up
        return player;
    }

private:
    std::vector<StoredProperty> m_storedState;
    std::shared_ptr<OleSession> m_session;
};

}  // namespace

std::unique_ptr<MovieService> CreateMovieService() {
    return CreateMovieService({std::begin(kStoredState), std::end(kStoredState)});
}

std::unique_ptr<MovieService> CreateMovieService(std::vector<StoredProperty> storedState) {
    return std::make_unique<OleMovieService>(std::move(storedState));
}

}  // namespace vel::win32
