#include "StubControl.h"

#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CommandSource.h"
#include "StubSupport.h"
#include "platform/win32/ComScoped.h"
#include "platform/win32/MovieControlIds.h"

using vel::win32::Bstr;
using vel::win32::ComPtr;

namespace flashstub {

namespace {

using namespace vel::win32::movie;

// The text properties of the control's stored state that a container puts before the
// movie loads. The program finds them by name, so these ids are the stand-in's own.
constexpr DISPID kQuality2 = 1001;
constexpr DISPID kScale = 1002;
constexpr DISPID kAllowScriptAccess = 1003;
constexpr DISPID kAllowNetworking = 1004;
constexpr DISPID kAllowFullScreen = 1005;

struct Member {
    const wchar_t* name;
    DISPID id;
};
constexpr Member kMembers[] = {{L"Movie", kMovie},
                               {L"ScaleMode", kScaleMode},
                               {L"WMode", kWMode},
                               {L"FlashVars", kFlashVars},
                               {L"SetVariable", kSetVariable},
                               {L"GetVariable", kGetVariable},
                               {L"Quality2", kQuality2},
                               {L"Scale", kScale},
                               {L"AllowScriptAccess", kAllowScriptAccess},
                               {L"AllowNetworking", kAllowNetworking},
                               {L"AllowFullScreen", kAllowFullScreen}};

bool IsStateText(DISPID id) { return id >= kQuality2 && id <= kAllowFullScreen; }

const wchar_t* MemberName(DISPID id) {
    for (const Member& m : kMembers)
        if (m.id == id) return m.name;
    return nullptr;
}

constexpr wchar_t kDefaultVersion[] = L"WIN 9,0,124,0";
constexpr wchar_t kWindowClass[] = L"VelvinorMovieStub";
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 20;
constexpr UINT kQuietPollMilliseconds = 500;

HINSTANCE g_module = nullptr;
LONG g_live = 0;

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// Automation names and variable names compare without case, as the player's do.
bool SameName(const wchar_t* a, const wchar_t* b) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    for (; *a && *b; ++a, ++b)
        if (lower(*a) != lower(*b)) return false;
    return *a == *b;
}

bool ArgText(VARIANT& arg, std::wstring& out) {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &arg, 0, VT_BSTR))) return false;
    out.assign(text.bstrVal ? text.bstrVal : L"", text.bstrVal ? SysStringLen(text.bstrVal) : 0);
    VariantClear(&text);
    return true;
}

bool ArgInt(VARIANT& arg, int& out) {
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &arg, 0, VT_I4))) return false;
    out = number.lVal;
    return true;
}

// Movie variables live on the root timeline: "x" and "_root.x" are one variable.
std::wstring VariableKey(std::wstring name) {
    if (name.rfind(L"_root.", 0) == 0) name.erase(0, 6);
    return name;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class StubControl;

// The connection point of the event interface. It is part of the control: its
// references are the control's.
class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(StubControl& owner) : m_owner(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = kEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        *cookie = 0;
        // Strict, as a type-library control is: the sink must answer for the event interface.
        ComPtr<IDispatch> events;
        if (FAILED(sink->QueryInterface(kEvents, events.PutVoid())) || !events) return CONNECT_E_CANNOTCONNECT;
        *cookie = m_nextCookie++;
        m_sinks.emplace_back(*cookie, std::move(events));
        Log("advise");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
            if (it->first != cookie) continue;
            m_sinks.erase(it);
            Log("unadvise");
            return S_OK;
        }
        return CONNECT_E_NOCONNECTION;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

    void Raise(const Command& c) {
        Log("fscommand " + Quote(c.command) + " " + Quote(c.args));
        // A sink may unadvise while it handles the event.
        std::vector<ComPtr<IDispatch>> sinks;
        for (auto& entry : m_sinks) sinks.push_back(entry.second);
        Bstr command = Bstr::Adopt(SysAllocStringLen(c.command.data(), static_cast<UINT>(c.command.size())));
        Bstr args = Bstr::Adopt(SysAllocStringLen(c.args.data(), static_cast<UINT>(c.args.size())));
        VARIANT argv[2];  // last argument first; the Bstrs keep ownership
        VariantInit(&argv[0]);
        VariantInit(&argv[1]);
        argv[0].vt = VT_BSTR;
        argv[0].bstrVal = args.Get();
        argv[1].vt = VT_BSTR;
        argv[1].bstrVal = command.Get();
        DISPPARAMS params{argv, nullptr, 2, 0};
        for (auto& sink : sinks) {
            HRESULT hr = sink->Invoke(kFSCommand, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                      nullptr, nullptr);
            if (FAILED(hr)) Log("fscommand refused " + std::to_string(static_cast<unsigned long>(hr)));
        }
    }

private:
    StubControl& m_owner;
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> m_sinks;
    DWORD m_nextCookie = 1;
};

class StubControl final : public IDispatch,
                          public IOleObject,
                          public IOleInPlaceObject,
                          public IPersistStreamInit,
                          public IConnectionPointContainer {
public:
    StubControl() : m_events(*this), m_sources(CreateCommandSources()) {
        ++g_live;
        Log("create");
        // Cursor handles are the process's own: a test reading the system's cursor
        // from outside learns here which one is which.
        auto handle = [](LPCWSTR id) {
            return std::to_string(reinterpret_cast<std::uintptr_t>(LoadCursorW(nullptr, id)));
        };
        Log("cursors arrow " + handle(reinterpret_cast<LPCWSTR>(IDC_ARROW)) + " wait " +
            handle(reinterpret_cast<LPCWSTR>(IDC_WAIT)));
    }
    ~StubControl() {
        if (m_font) DeleteObject(m_font);
        Log("destroy");
        if (--g_live == 0) UnregisterClassW(kWindowClass, g_module);  // a class outliving the DLL would crash
    }

    // ---- IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kInterface))
            *out = static_cast<IDispatch*>(this);
        else if (IsEqualIID(iid, IID_IOleObject))
            *out = static_cast<IOleObject*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
            *out = static_cast<IOleInPlaceObject*>(this);
        else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))
            *out = static_cast<IPersistStreamInit*>(this);
        else if (IsEqualIID(iid, IID_IConnectionPointContainer))
            *out = static_cast<IConnectionPointContainer*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

    // ---- IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (const Member& m : kMembers)
            if (names[0] && SameName(names[0], m.name)) ids[0] = m.id;
        if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        if (count > 1) hr = DISP_E_UNKNOWNNAME;  // no member takes named arguments
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argError) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!params) return E_INVALIDARG;
        const wchar_t* name = MemberName(id);
        if (!name) return DISP_E_MEMBERNOTFOUND;
        if (id == kGetVariable || id == kSetVariable) return CallMethod(id, name, flags, *params, result, excep, argError);
        if (flags & DISPATCH_PROPERTYPUT) return PutProperty(id, name, *params, excep, argError);
        if (flags & DISPATCH_PROPERTYGET) return GetProperty(id, name, *params, result, excep);
        return DISP_E_MEMBERNOTFOUND;
    }

    // ---- IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        m_site = ComPtr<IOleClientSite>(site);
        Log(site ? "site set" : "site cleared");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = m_site.CopyOut();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        InPlaceDeactivate();
        Log("close");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, WINBOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override {
        if (data) *data = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) override {
        Log("verb " + std::to_string(verb));
        switch (verb) {
            case OLEIVERB_PRIMARY:
            case OLEIVERB_SHOW:
            case OLEIVERB_UIACTIVATE:
            case OLEIVERB_INPLACEACTIVATE: {
                bool wasActive = m_window != nullptr;
                HRESULT hr = Activate(activeSite);
                if (SUCCEEDED(hr) && wasActive && verb == OLEIVERB_SHOW && m_site) m_site->ShowObject();
                return hr;
            }
            case OLEIVERB_HIDE:
                if (m_window) ShowWindow(m_window, SW_HIDE);
                return S_OK;
            case OLEIVERB_DISCARDUNDOSTATE:
                return S_OK;
            default:
                return E_NOTIMPL;
        }
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override {
        if (verbs) *verbs = nullptr;
        return OLE_S_USEREG;
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* id) override {
        if (!id) return E_POINTER;
        *id = kClass;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* type) override {
        if (type) *type = nullptr;
        return OLE_S_USEREG;
    }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        if (aspect != DVASPECT_CONTENT) return E_FAIL;
        m_extent = *size;
        Log("extent " + std::to_string(size->cx) + "x" + std::to_string(size->cy) + " himetric");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        if (aspect != DVASPECT_CONTENT) return E_FAIL;
        *size = m_extent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) override {
        if (connection) *connection = 0;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override {
        if (advise) *advise = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                  OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ---- IOleWindow, IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        if (!m_window && !m_inPlaceSite) return S_OK;
        if (HWND window = std::exchange(m_window, nullptr)) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
        if (auto site = std::move(m_inPlaceSite)) site->OnInPlaceDeactivate();
        Log("deactivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override {
        if (!position) return E_POINTER;
        Log("rects " + RectText(*position));
        if (!m_inPlaceSite) return OLE_E_NOT_INPLACEACTIVE;
        if (m_window)
            SetWindowPos(m_window, nullptr, position->left, position->top, position->right - position->left,
                         position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

    // ---- IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override { return GetUserClassID(id); }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return Initialise("load"); }
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitNew() override { return Initialise("initnew"); }

    // ---- IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(iid, kEvents)) return CONNECT_E_NOCONNECTION;
        *point = &m_events;
        m_events.AddRef();
        return S_OK;
    }

    // ---- from the window
    void Poll() {
        // The host may release the control from inside a handler.
        ComPtr<StubControl> self(this);
        // The movie plays while it is on show; while a handler runs (a modal loop inside
        // it polls again) it stands still and what comes due waits for the handler.
        const bool playing = !m_raising && m_window && !m_movie.empty() && IsWindowVisible(m_window);
        std::vector<Command> due;
        for (auto& source : m_sources) source->Poll(playing, due);
        for (auto& c : due) m_pending.push_back(std::move(c));
        if (!m_raising) {
            m_raising = true;
            // Commands come from a playing movie only; they wait for one to be loaded.
            while (!m_pending.empty() && m_window && !m_movie.empty()) {
                Command c = std::move(m_pending.front());
                m_pending.pop_front();
                if (!c.note.empty()) Log(c.note);
                // The player lets a movie's FSCommands through to its container only when
                // script access is "always"; its default ("sameDomain") keeps them in.
                if (!SameName(m_state[kAllowScriptAccess].c_str(), L"always")) {
                    Log("fscommand blocked " + Quote(c.command) + " " + Quote(c.args) + ": AllowScriptAccess " +
                        Quote(m_state[kAllowScriptAccess]));
                    continue;
                }
                m_lastCommand = c.args.empty() ? c.command : c.command + L" " + c.args;
                m_events.Raise(c);
            }
            m_raising = false;
        }
        ShowState();
    }

    void Paint(HWND window) {
        PAINTSTRUCT ps;
        HDC screen = BeginPaint(window, &ps);
        RECT client{};
        GetClientRect(window, &client);
        // Drawn aside and copied in one go: no flicker at every frame.
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HBRUSH background = CreateSolidBrush(RGB(24, 26, 34));
        FillRect(dc, &client, background);
        DeleteObject(background);
        if (!m_font)
            m_font = CreateFontW(-26, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
        HGDIOBJ oldFont = SelectObject(dc, m_font);
        SetBkMode(dc, TRANSPARENT);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        const int line = metrics.tmHeight + metrics.tmHeight / 2;
        // Centred on the control's rectangle: placed larger than the screen, its corners are off it.
        int y = (client.bottom - line * static_cast<int>(m_shown.size())) / 2;
        for (std::size_t i = 0; i < m_shown.size(); ++i, y += line) {
            SetTextColor(dc, i == 0 ? RGB(240, 240, 240) : RGB(170, 200, 255));
            RECT r{0, y, client.right, y + line};
            DrawTextW(dc, m_shown[i].c_str(), static_cast<int>(m_shown[i].size()), &r,
                      DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        SelectObject(dc, oldFont);
        BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
        EndPaint(window, &ps);
    }

    void WindowDestroyed() {
        m_window = nullptr;
        Log("window destroyed");  // with its parent, before deactivation
    }

private:
    // What the window shows: the movie's file name, where each source is, the last
    // command raised. Repainted when any of it changes.
    void ShowState() {
        std::vector<std::wstring> shown;
        std::size_t slash = m_movie.find_last_of(L"\\/");
        shown.push_back(m_movie.empty() ? L"no movie" : m_movie.substr(slash == std::wstring::npos ? 0 : slash + 1));
        for (auto& source : m_sources) {
            std::wstring status = source->Status();
            if (!status.empty()) shown.push_back(std::move(status));
        }
        shown.push_back(m_lastCommand.empty() ? L"no command yet" : L"last command: " + m_lastCommand);
        if (shown == m_shown) return;
        m_shown = std::move(shown);
        if (m_window) InvalidateRect(m_window, nullptr, FALSE);
    }

    HRESULT Initialise(const char* how) {
        if (m_initialised) return E_UNEXPECTED;
        m_initialised = true;
        Log(how);
        return S_OK;
    }

    HRESULT Activate(IOleClientSite* activeSite) {
        if (m_window) return S_OK;
        IOleClientSite* site = activeSite ? activeSite : m_site.Get();
        if (!site) return E_UNEXPECTED;
        ComPtr<IOleInPlaceSite> inPlace;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.PutVoid())) || !inPlace) return E_NOINTERFACE;
        if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
        HRESULT hr = inPlace->OnInPlaceActivate();
        if (FAILED(hr)) return hr;
        HWND parent = nullptr;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof info;
        if (FAILED(hr = inPlace->GetWindow(&parent)) ||
            FAILED(hr = inPlace->GetWindowContext(frame.Put(), document.Put(), &position, &clip, &info))) {
            inPlace->OnInPlaceDeactivate();
            return hr;
        }
        RegisterWindowClass();
        m_window = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, position.left, position.top,
                                   position.right - position.left, position.bottom - position.top, parent, nullptr,
                                   g_module, this);
        if (!m_window) {
            inPlace->OnInPlaceDeactivate();
            return E_FAIL;
        }
        m_inPlaceSite = std::move(inPlace);
        Log("activate " + RectText(position));
        ShowWindow(m_window, SW_SHOWNA);
        SetTimer(m_window, kPollTimer, Quiet() ? kQuietPollMilliseconds : kPollMilliseconds, nullptr);
        return S_OK;
    }

    static void RegisterWindowClass() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;  // the text is centred
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = g_module;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
        wc.lpszClassName = kWindowClass;
        RegisterClassExW(&wc);  // fails harmlessly when another control registered it
    }

    HRESULT Fail(const std::string& what, const wchar_t* name, EXCEPINFO* excep) {
        Log("fail " + what + " " + Utf8(name));
        if (!excep) return E_FAIL;
        *excep = EXCEPINFO{};
        excep->bstrSource = SysAllocString(L"FlashStub");
        excep->bstrDescription = SysAllocString((std::wstring(L"Stub failure of ") + name).c_str());
        excep->scode = E_FAIL;
        return DISP_E_EXCEPTION;
    }

    static HRESULT ReturnText(VARIANT* result, const std::wstring& text) {
        if (!result) return S_OK;
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    }

    std::wstring ReadVariable(const std::wstring& name) {
        if (name == L"$version") {
            bool present = false;
            std::wstring version = EnvVar(L"VELVINOR_STUB_VERSION", &present);
            return present ? version : kDefaultVersion;
        }
        auto it = m_variables.find(VariableKey(name));
        return it == m_variables.end() ? std::wstring() : it->second;
    }

    HRESULT CallMethod(DISPID id, const wchar_t* name, WORD flags, DISPPARAMS& params, VARIANT* result,
                       EXCEPINFO* excep, UINT* argError) {
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        const UINT count = id == kSetVariable ? 2 : 1;
        if (params.cArgs != count) return DISP_E_BADPARAMCOUNT;
        std::wstring args[2];
        for (UINT i = 0; i < count; ++i) {
            UINT at = count - 1 - i;  // arguments arrive last first
            if (!ArgText(params.rgvarg[at], args[i])) {
                if (argError) *argError = at;
                return DISP_E_TYPEMISMATCH;
            }
        }
        if (ShouldFail(name)) return Fail("call", name, excep);
        if (id == kSetVariable) {
            m_variables[VariableKey(args[0])] = args[1];
            if (!Quiet()) Log("call SetVariable " + Quote(args[0]) + " " + Quote(args[1]));
            return S_OK;
        }
        std::wstring value = ReadVariable(args[0]);
        if (!Quiet()) Log("call GetVariable " + Quote(args[0]) + " -> " + Quote(value));
        return ReturnText(result, value);
    }

    HRESULT PutProperty(DISPID id, const wchar_t* name, DISPPARAMS& params, EXCEPINFO* excep, UINT* argError) {
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (params.cNamedArgs != 1 || !params.rgdispidNamedArgs || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
        std::wstring text;
        int number = 0;
        bool converted = id == kScaleMode ? ArgInt(params.rgvarg[0], number) : ArgText(params.rgvarg[0], text);
        if (!converted) {
            if (argError) *argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        if (ShouldFail(name)) return Fail("put", name, excep);
        switch (id) {
            case kMovie:
                m_movie = text;
                m_variables.clear();  // the movie loads anew
                Log("put Movie " + Quote(text));
                for (auto& source : m_sources) source->MovieLoaded(text);
                ShowState();
                break;
            case kScaleMode:
                m_scaleMode = number;
                Log("put ScaleMode " + std::to_string(number));
                break;
            case kWMode:
                m_wmode = text;
                Log("put WMode " + Quote(text));
                break;
            case kFlashVars:
                m_flashVars = text;
                Log("put FlashVars " + Quote(text));
                SetFlashVariables(text);
                break;
            default:
                if (IsStateText(id)) {
                    m_state[id] = text;
                    Log("put " + Utf8(name) + " " + Quote(text));
                }
                break;
        }
        return S_OK;
    }

    HRESULT GetProperty(DISPID id, const wchar_t* name, DISPPARAMS& params, VARIANT* result, EXCEPINFO* excep) {
        if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return E_INVALIDARG;
        if (ShouldFail(name)) return Fail("get", name, excep);
        Log("get " + Utf8(name));
        switch (id) {
            case kMovie: return ReturnText(result, m_movie);
            case kWMode: return ReturnText(result, m_wmode);
            case kFlashVars: return ReturnText(result, m_flashVars);
            case kScaleMode:
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = m_scaleMode;
                return S_OK;
        }
        if (IsStateText(id)) return ReturnText(result, m_state[id]);
        return DISP_E_MEMBERNOTFOUND;
    }

    // Each name=value pair becomes a variable; no escaping of any kind.
    void SetFlashVariables(const std::wstring& vars) {
        std::size_t start = 0;
        while (start <= vars.size()) {
            std::size_t end = vars.find(L'&', start);
            if (end == std::wstring::npos) end = vars.size();
            std::wstring pair = vars.substr(start, end - start);
            std::size_t eq = pair.find(L'=');
            if (!pair.empty())
                m_variables[VariableKey(pair.substr(0, eq))] = eq == std::wstring::npos ? L"" : pair.substr(eq + 1);
            start = end + 1;
        }
    }

    ULONG m_refs = 1;
    EventPoint m_events;
    std::vector<std::unique_ptr<CommandSource>> m_sources;
    std::deque<Command> m_pending;
    bool m_raising = false;
    bool m_initialised = false;
    ComPtr<IOleClientSite> m_site;
    ComPtr<IOleInPlaceSite> m_inPlaceSite;
    HWND m_window = nullptr;
    SIZEL m_extent{27093, 20320};  // 1024 by 768 pixels in HIMETRIC at 96 dpi
    std::wstring m_movie, m_wmode, m_flashVars;
    int m_scaleMode = 0;
    // The stored-state texts, as a new control has them until a container puts its own.
    std::map<DISPID, std::wstring> m_state = {{kQuality2, L"High"},
                                              {kScale, L"ShowAll"},
                                              {kAllowScriptAccess, L"sameDomain"},
                                              {kAllowNetworking, L"all"},
                                              {kAllowFullScreen, L"false"}};
    std::map<std::wstring, std::wstring> m_variables;
    std::wstring m_lastCommand;  // "command args"
    std::vector<std::wstring> m_shown;
    HFONT m_font = nullptr;
};

HRESULT EventPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}
ULONG EventPoint::AddRef() { return m_owner.AddRef(); }
ULONG EventPoint::Release() { return m_owner.Release(); }
HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = &m_owner;
    m_owner.AddRef();
    return S_OK;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<StubControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (control) {
        switch (message) {
            case WM_TIMER:
                if (wParam == kPollTimer) {
                    control->Poll();
                    return 0;
                }
                break;
            case WM_PAINT:
                control->Paint(window);
                return 0;
            case WM_ERASEBKGND:
                return 1;  // painting covers it all
            case WM_SHOWWINDOW:
                if (lParam == 0) Log(wParam ? "show" : "hide");
                break;
            case WM_SETCURSOR:
                // A player sets its own cursor over its window without asking its
                // parent; a container that wants another one must catch the message
                // on the way in (by subclassing the control's window).
                if (LOWORD(lParam) == HTCLIENT) {
                    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
                    return TRUE;
                }
                break;
            case WM_DESTROY:
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                control->WindowDestroyed();
                break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void SetModule(HINSTANCE module) { g_module = module; }

HRESULT CreateStubControl(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    StubControl* control = nullptr;
    try {
        control = new StubControl();
    } catch (...) {
        return E_OUTOFMEMORY;  // no C++ exception crosses into the caller's COM code
    }
    HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
}

LONG LiveControls() { return g_live; }

}  // namespace flashstub
