// The windowing backend: the message loop, timers, posted work, message boxes, the
// application-wide cursor and the application's minimise notices.

#include "platform/win32/WinUi.h"


#include <algorithm>
#include <vector>

#include "platform/win32/Services.h"
#include "platform/win32/WinText.h"
#include "runtime/Errors.h"

namespace vel::win32 {
namespace {

constexpr UINT kRunPosted = WM_APP + 1;

HFONT MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        // Before Vista the structure ends before its last field.
        metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceExists(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    ScopedWindowDc screen(nullptr);
    if (screen) EnumFontFamiliesExW(screen.Get(), &wanted, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::uint32_t ShiftState() {
    std::uint32_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (GetKeyState(VK_MENU) < 0) shift |= 2;
    if (GetKeyState(VK_CONTROL) < 0) shift |= 4;
    return shift;
}

}  // namespace

WinPeer::WinPeer(WinUi& ui, Control& control) : m_ui(ui), m_control(control) { ui.Adopt(control, this); }

WinPeer::~WinPeer() {
    m_ui.Forget(m_control);
    if (m_hwnd) {
        m_ui.Unregister(m_hwnd);
        // A child may be gone already, destroyed with its form.
        if (IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
    }
}

WinUi::WinUi() : m_instance(GetModuleHandleW(nullptr)) {
    RegisterPeerClasses(m_instance);

    m_messages = std::make_unique<NoticeWindow>(
        [this](HWND, UINT message, WPARAM wParam, LPARAM) { return OnMessage(message, wParam); });
    if (!*m_messages) throw Error("Cannot create the message window");
    m_font.Reset(MessageFont());
}

WinUi::~WinUi() = default;

void WinUi::EnsureCommonControls() {
    if (m_commonControls) return;
    m_commonControls = true;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    if (auto init = late::InitCommonControlsEx.Get()) init(&controls);
}

HFONT WinUi::FontFor(const vel::Font& font) {
    if (font.name.empty()) return Font();
    auto key = std::make_tuple(font.name, font.height, font.bold);
    auto it = m_fonts.find(key);
    if (it == m_fonts.end()) {
        const std::wstring face = Wide(font.name);
        ScopedGdi made;
        if (face.size() < LF_FACESIZE && FaceExists(face))
            made.Reset(CreateFontW(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                   RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
        it = m_fonts.emplace(key, std::move(made)).first;
    }
    return it->second ? static_cast<HFONT>(it->second.Get()) : Font();
}

void WinUi::Report(const std::function<void()>& report) {
    // The program's reports run inside its own error guard; anything else that
    // escaped must still not unwind through the system's frames.
    try {
        report();
    } catch (...) {
    }
}

bool WinUi::OnMessage(UINT message, WPARAM wParam) {
    if (message == WM_TIMER) {
        if (m_sink) Report([&] { m_sink->TimerFired(static_cast<int>(wParam)); });
        return true;
    }
    if (message == kRunPosted) {
        if (m_posted.empty()) return true;
        auto callback = std::move(m_posted.front());
        m_posted.pop_front();
        if (m_sink) Report([&] { m_sink->RunPosted(callback); });
        return true;
    }
    return false;
}

std::unique_ptr<ControlPeer> WinUi::CreatePeer(Control& control) {
    std::unique_ptr<WinPeer> peer = control.Kind() == ControlKind::Form
                                        ? CreateFormPeer(*this, static_cast<Form&>(control))
                                        : CreateChildPeer(*this, control);
    peer->Realize();
    return peer;
}

WinPeer* WinUi::PeerOf(HWND hwnd) const {
    auto it = m_peers.find(hwnd);
    return it == m_peers.end() ? nullptr : it->second;
}

WinPeer* WinUi::PeerOf(const Control& control) const {
    auto it = m_byControl.find(&control);
    return it == m_byControl.end() ? nullptr : it->second;
}

void WinUi::FormCreated(WinPeer* form) {
    m_forms.push_back(form);
    if (!m_main && m_forms.size() == 1) m_main = form;
}

void WinUi::FormDestroyed(WinPeer* form) {
    m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), form), m_forms.end());
    if (m_main == form) m_main = nullptr;
}

HWND WinUi::MainWindow() const { return m_main ? m_main->Hwnd() : nullptr; }

void WinUi::MainWindowSized(WPARAM kind) {
    if (kind == SIZE_MINIMIZED && !m_minimized) {
        m_minimized = true;
        if (m_sink) Report([&] { m_sink->ApplicationMinimized(); });
    } else if ((kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED) && m_minimized) {
        m_minimized = false;
        if (m_sink) Report([&] { m_sink->ApplicationRestored(); });
    }
}

Size WinUi::ScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Size WinUi::FrameSize(const Form& form) {
    DWORD style = 0, exStyle = 0;
    FormStyles(form, style, exStyle);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

// The Rich Edit control's limits, measured with tests/wine/measure_viewer.sh (Wine 8,
// figures of the 64-bit build):
// - groups nested 33 deep crash it, whatever the document's size (its reader keeps
//   a fixed stack of states and overruns it); 32 hold;
// - text: the time to lay it out grows faster than the text, and the window thread
//   answers nothing meanwhile (one paragraph of 3 Mb: 46 s, and minutes replacing
//   another document). 64 Kb of every shape measured shows within 1.5 s (long plain
//   paragraphs 1.3 s, a change of format at every letter 1.5 s); at 128 Kb the
//   latter takes 3 s: the game must not stop answering for longer than about 2 s.
constexpr std::int64_t kMostText = 64 * 1024;
// - pictures cost little beyond the file, which is read whole and in one piece: a
//   32-bit program must find that much free in a row (a 32 Mb picture: 59 Mb in all).
DocumentViewLimits WinUi::DocumentLimits() const { return {32, kMostText, 64 * 1024 * 1024}; }

int WinUi::MessageBox(const std::string& text, const std::string& caption, mb::Style style) {
    // Owned by the program's frontmost window, which it disables while it waits: an
    // owned window always lies above its owner, so a box never opens hidden beneath a
    // stay-on-top window (the intro, the installer). Timers and posted work go on in
    // the box's own loop.
    HWND owner = FrontForm();
    UINT flags = (style & mb::YesNo) ? MB_YESNO : MB_OK;
    if (style & mb::IconError) flags |= MB_ICONERROR;
    else if (style & mb::IconQuestion) flags |= MB_ICONQUESTION;
    else if (style & mb::IconInformation) flags |= MB_ICONINFORMATION;
    if (style & mb::DefButton2) flags |= MB_DEFBUTTON2;
    if (owner && (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST)) flags |= MB_TOPMOST;
    // The program's other windows wait too, as under a modal form.
    std::vector<HWND> disabled = DisableFormsBut(owner);
    const int answer = MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), flags);
    Enable(disabled);
    switch (answer) {
        case IDYES: return mb::IdYes;
        case IDNO: return mb::IdNo;
        case IDCANCEL: return mb::IdCancel;
        default: return mb::IdOk;
    }
}

std::vector<HWND> WinUi::DisableFormsBut(HWND kept) {
    std::vector<HWND> disabled;
    for (WinPeer* form : m_forms) {
        HWND hwnd = form->Hwnd();
        if (hwnd != kept && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
            EnableWindow(hwnd, FALSE);
            disabled.push_back(hwnd);
        }
    }
    return disabled;
}

void WinUi::Enable(const std::vector<HWND>& windows) {
    for (HWND hwnd : windows)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
}

HWND WinUi::FrontForm() const {
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (IsWindowVisible(hwnd))
            if (WinPeer* peer = PeerOf(hwnd); peer && peer->Model().Kind() == ControlKind::Form) return hwnd;
    return MainWindow();
}

void WinUi::SetCursor(Cursor cursor) {
    m_cursor = cursor;
    ApplyCursor();
}

// The forms answer WM_SETCURSOR with the application's cursor; ask the window under
// the pointer again so the change shows before the mouse moves.
void WinUi::ApplyCursor() {
    POINT pt;
    if (!GetCursorPos(&pt)) return;
    HWND under = WindowFromPoint(pt);
    DWORD process = 0;
    if (!under || (GetWindowThreadProcessId(under, &process), process != GetCurrentProcessId())) return;
    LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

void WinUi::SetTitle(const std::string& title) {
    m_title = title;
    // The main window shows the application's title while its form has no caption.
    if (m_main) m_main->Update(Property::Text);
}

void WinUi::SetTimer(int timerId, std::uint32_t intervalMs) {
    ::SetTimer(m_messages->Get(), static_cast<UINT_PTR>(timerId), intervalMs, nullptr);
}

void WinUi::KillTimer(int timerId) { ::KillTimer(m_messages->Get(), static_cast<UINT_PTR>(timerId)); }

void WinUi::Post(std::function<void()> callback) {
    m_posted.push_back(std::move(callback));
    PostMessageW(m_messages->Get(), kRunPosted, 0, 0);
}

void WinUi::Dispatch(MSG& msg) {
    if (m_sink && (msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONUP)) {
        bool dropped = false;
        const Input input = msg.message == WM_RBUTTONDOWN ? Input::RightButtonDown : Input::RightButtonUp;
        Report([&] { dropped = m_sink->FilterMessage(input, reinterpret_cast<WindowHandle>(msg.hwnd)); });
        if (dropped) return;
    }
    if (msg.message == WM_KEYDOWN && KeyboardNavigation(msg)) return;
    // Key preview: a key released in a form or any of its children goes to the form.
    if (msg.message == WM_KEYUP && msg.hwnd) {
        if (WinPeer* peer = PeerOf(GetAncestor(msg.hwnd, GA_ROOT)); peer && peer->Model().Kind() == ControlKind::Form) {
            auto& form = static_cast<Form&>(peer->Model());
            Report([&] { form.UserKeyUp(static_cast<std::uint16_t>(msg.wParam), ShiftState()); });
        }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool WinUi::KeyboardNavigation(const MSG& msg) {
    if (msg.wParam != VK_TAB && msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE) return false;
    WinPeer* peer = msg.hwnd ? PeerOf(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
    if (!peer || peer->Model().Kind() != ControlKind::Form) return false;
    auto& form = static_cast<Form&>(peer->Model());
    std::vector<Control*> order;
    for (Control* c : form.TabOrder())
        if (c->Visible() && c->Enabled() && c->Handle()) order.push_back(c);
    if (form.TabOrder().empty()) return false;
    // The control that has the keyboard, or the one whose child has it.
    HWND focus = GetFocus();
    auto focused = std::find_if(order.begin(), order.end(), [focus](Control* c) {
        HWND hwnd = reinterpret_cast<HWND>(c->Handle());
        return focus && (hwnd == focus || IsChild(hwnd, focus));
    });
    if (msg.wParam == VK_TAB) {
        if (order.empty()) return true;
        const bool back = GetKeyState(VK_SHIFT) < 0;
        std::size_t at = focused == order.end() ? (back ? 0 : order.size() - 1)
                                                : static_cast<std::size_t>(focused - order.begin());
        at = back ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
        ::SetFocus(reinterpret_cast<HWND>(order[at]->Handle()));
        return true;
    }
    if (msg.wParam == VK_ESCAPE) {
        form.UserClose();
        return true;
    }
    Control* button = nullptr;
    if (focused != order.end() && (*focused)->Kind() == ControlKind::Button) button = *focused;
    for (auto it = order.begin(); !button && it != order.end(); ++it)
        if ((*it)->Kind() == ControlKind::Button) button = *it;
    if (button) Report([&] { button->UserClick(); });
    return true;
}

void WinUi::RunLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
}

void WinUi::Quit() { PostQuitMessage(0); }

void WinUi::RunModal(Form& form) {
    HWND modal = reinterpret_cast<HWND>(form.Handle());
    // The other windows of the program wait while the form is up.
    std::vector<HWND> disabled = DisableFormsBut(modal);
    if (modal) SetForegroundWindow(modal);
    MSG msg;
    while (form.ModalResult() == 0) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The quit message ends this loop and, posted again, the outer one.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Dispatch(msg);
    }
    Enable(disabled);
}

void WinUi::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
            break;
        }
        Dispatch(msg);
    }
}

void WinUi::MinimizeApplication() {
    if (HWND main = MainWindow()) ShowWindow(main, SW_MINIMIZE);
}

std::unique_ptr<Ui> CreateWinUi() { return std::make_unique<WinUi>(); }

}  // namespace vel::win32
