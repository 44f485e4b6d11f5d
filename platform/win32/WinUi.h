#pragma once
// The windowing backend's inner parts, shared by the loop (WinUi.cpp) and the
// control peers (WinPeers.cpp). Everything runs on the window thread.

#include "platform/win32/Win32.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "forms/Forms.h"
#include "platform/Ui.h"
#include "platform/win32/NoticeWindow.h"
#include "platform/win32/Scoped.h"

namespace vel::win32 {

class WinUi;

// The native side of one control. Its window is made when it is first needed: a
// form's when it first shows or its handle is asked for (the main window's at once),
// a control's when its form first shows (or at once when it has shown already), so
// that windows the first frame does not show cost nothing at start-up.
class WinPeer : public ControlPeer {
public:
    WinPeer(WinUi& ui, Control& control);
    ~WinPeer() override;
    // Makes the window if it does not exist yet.
    WindowHandle Handle() const override;
    void Update(Property changed) final;
    // Called once the peer is built: makes the window now if it is due at once.
    void Realize();
    // The window, made now if it is not yet.
    HWND Window();
    // The window if it exists, else null.
    HWND Hwnd() const { return m_hwnd; }
    Control& Model() { return m_control; }
    // Whether the windows of this form's controls exist (or are made with them).
    virtual bool ChildrenMade() const { return false; }

    // Notifications of a child control, which Windows sends to its parent form.
    virtual void OnCommand(WORD) {}
    virtual LRESULT OnNotify(NMHDR&) { return 0; }
    virtual void OnScroll() {}
    // The background brush of a child that asks its parent (WM_CTLCOLOR*), or null.
    virtual HBRUSH Background(HDC) { return nullptr; }

protected:
    // Makes the window and shows the control's whole state in it.
    virtual void MakeWindow() = 0;
    // Shows a change of the control's state in its existing window.
    virtual void Apply(Property changed) = 0;
    // Whether a change while there is no window needs one (a form being shown).
    virtual bool NeedsWindowFor(Property) const { return false; }
    virtual bool MadeAtOnce() const;
    // Creates a child window of the control's form at its bounds, with its state.
    void CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle);
    // The parts every control shares: visibility, place, text, enabled.
    void UpdateCommon(Property changed);

    WinUi& m_ui;
    Control& m_control;
    HWND m_hwnd = nullptr;
};


class WinUi final : public Ui {
public:
    WinUi();
    ~WinUi() override;

    void SetEventSink(UiEvents* sink) override { m_sink = sink; }
    std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
    Size ScreenSize() override;
    Size FrameSize(const Form& form) override;
    DocumentViewLimits DocumentLimits() const override;
    int MessageBox(const std::string& text, const std::string& caption, mb::Style style) override;
    void SetCursor(Cursor cursor) override;
    void SetTitle(const std::string& title) override;
    void SetTimer(int timerId, std::uint32_t intervalMs) override;
    void KillTimer(int timerId) override;
    void Post(std::function<void()> callback) override;
    void RunLoop() override;
    void Quit() override;
    void RunModal(Form& form) override;
    void ProcessMessages() override;
    void MinimizeApplication() override;

    // For the peers.
    UiEvents* Sink() const { return m_sink; }
    HINSTANCE Instance() const { return m_instance; }
    // The common controls' classes, registered before the first control of a form
    // is made: a game that never shows one never loads their library.
    void EnsureCommonControls();
    HFONT Font() const { return static_cast<HFONT>(m_font.Get()); }
    // The font for a control's font, made once; the system's font where the face
    // does not exist on this machine.
    HFONT FontFor(const vel::Font& font);
    Cursor CurrentCursor() const { return m_cursor; }
    const std::string& Title() const { return m_title; }
    void Register(HWND hwnd, WinPeer* peer) { m_peers[hwnd] = peer; }
    void Unregister(HWND hwnd) { m_peers.erase(hwnd); }
    WinPeer* PeerOf(HWND hwnd) const;
    // Every peer by its control, windows made or not.
    void Adopt(const Control& control, WinPeer* peer) { m_byControl[&control] = peer; }
    void Forget(const Control& control) { m_byControl.erase(&control); }
    WinPeer* PeerOf(const Control& control) const;
    void FormCreated(WinPeer* form);
    void FormDestroyed(WinPeer* form);
    HWND MainWindow() const;
    bool IsMainWindow(HWND hwnd) const { return hwnd && hwnd == MainWindow(); }
    int NextControlId() { return m_nextControlId++; }
    // The application's minimised state follows its main window.
    void MainWindowSized(WPARAM kind);
    // Runs a report to the program; nothing may unwind through a window procedure.
    static void Report(const std::function<void()>& report);

private:
    // Timers and posted work; false for any other message.
    bool OnMessage(UINT message, WPARAM wParam);
    // Offers a queued message to the program's filter and key preview, then dispatches it.
    void Dispatch(MSG& msg);
    // Tab, Shift+Tab, Enter and Esc in a form with a tab order; true when taken.
    bool KeyboardNavigation(const MSG& msg);
    void ApplyCursor();
    // The visible form highest in the z-order, else the main window.
    HWND FrontForm() const;
    // Disables the program's visible forms but `kept`; answers those it disabled.
    std::vector<HWND> DisableFormsBut(HWND kept);
    static void Enable(const std::vector<HWND>& windows);

    HINSTANCE m_instance;
    bool m_commonControls = false;
    UiEvents* m_sink = nullptr;
    std::unique_ptr<NoticeWindow> m_messages;  // timers and posted work arrive here
    ScopedGdi m_font;
    std::map<std::tuple<std::string, int, bool>, ScopedGdi> m_fonts;
    std::deque<std::function<void()>> m_posted;
    std::map<HWND, WinPeer*> m_peers;
    std::map<const Control*, WinPeer*> m_byControl;
    std::deque<WinPeer*> m_forms;  // in creation order; the first is the main window
    WinPeer* m_main = nullptr;
    std::string m_title;
    Cursor m_cursor = Cursor::Default;
    bool m_minimized = false;
    int m_nextControlId = 100;
};

// Window classes of the backend.
extern const wchar_t* const kFormClass;   // every form
extern const wchar_t* const kImageClass;  // a picture drawn from BMP bytes

std::unique_ptr<WinPeer> CreateFormPeer(WinUi& ui, Form& form);
std::unique_ptr<WinPeer> CreateChildPeer(WinUi& ui, Control& control);
void RegisterPeerClasses(HINSTANCE instance);
// Window styles of a form with that border.
void FormStyles(const Form& form, DWORD& style, DWORD& exStyle);

}  // namespace vel::win32
