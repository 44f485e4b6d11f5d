#pragma once
// The windowing backend on Linux (GTK 3): GLib's default main context is the
// program's one loop. A form is a GtkWindow holding a GtkFixed on which its
// controls, the movie view and the video are placed at their pixel bounds; its
// WindowHandle is the GtkWindow's widget, a control's is its own widget.

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "platform/Ui.h"

namespace vel::lnx {

// Turns a document's rich text (RTF bytes) into a whole HTML document (UTF-8) that
// the viewer shows with scripts off, on a background of that colour (0x00BBGGRR).
using RichTextConverter = std::function<std::string(const std::string& rtf, std::uint32_t backColor)>;

class GtkUi;

// The native side of one control.
class GtkPeer : public ControlPeer {
public:
    GtkPeer(GtkUi& ui, Control& control) : m_ui(ui), m_control(control) {}
    ~GtkPeer() override;
    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(m_widget); }
    void Update(Property changed) override;
    Control& Model() { return m_control; }
    GtkWidget* Widget() const { return m_widget; }
    // Makes the widget and shows the control's whole state in it.
    virtual void Make() = 0;

protected:
    // A change the common part does not show.
    virtual void Apply(Property) {}
    // Puts the widget on its form's area at the control's bounds, with its state.
    void Place(GtkWidget* widget);

    GtkUi& m_ui;
    Control& m_control;
    GtkWidget* m_widget = nullptr;  // held with a reference of its own
};

class GtkUi final : public Ui {
public:
    GtkUi();
    ~GtkUi() override;

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

    // Wiring by the entry point.
    void SetRichTextConverter(RichTextConverter converter) { m_converter = std::move(converter); }
    // Told of every change of the application's cursor (the movie view shows it too).
    void SetCursorObserver(std::function<void(Cursor)> observer) { m_cursorObserver = std::move(observer); }

    // While the program waits for an answer of another process inside a call (the
    // movie view's GetVariable), the loop runs but nothing of the program's may start:
    // timers, posted work and input wait until the call is over.
    class Hold {
    public:
        explicit Hold(GtkUi& ui) : m_ui(ui) { ++m_ui.m_holds; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

    private:
        GtkUi& m_ui;
    };
    // The Ui of this run, for the services that wait inside a call; null before one exists.
    static GtkUi* Current();

    // For the peers.
    const std::string& Title() const { return m_title; }
    Cursor CurrentCursor() const { return m_cursor; }
    const RichTextConverter& Converter() const { return m_converter; }
    GtkWindow* MainWindow() const;
    GtkPeer* PeerOf(const Control& control) const;
    void Adopt(const Control& control, GtkPeer* peer) { m_byControl[&control] = peer; }
    void Forget(const Control& control) { m_byControl.erase(&control); }
    void FormMade(GtkPeer* form) { m_forms.push_back(form); }
    // The program's forms whose windows exist, in the order they were made.
    std::vector<Form*> Forms() const;
    void FormGone(GtkPeer* form);
    // Runs a report to the program: nothing may unwind through GTK's frames; while a
    // call holds the program, it waits.
    void Report(std::function<void()> report);
    // The application's minimised state follows its main window.
    void MainWindowState(bool minimized);
    // Puts the visible stay-on-top forms above the others, as the system keeps them
    // (without a window manager nothing else does); soon, once the changes under way
    // have reached the display.
    void Restack();
    // Shows the application's cursor on a form's window.
    void ShowCursorOn(GtkWidget* window);

private:
    static void OnEvent(GdkEvent* event, gpointer self);
    void Dispatch(GdkEvent* event);
    bool KeyboardNavigation(Form& form, GdkEventKey& key);
    Form* FormOf(GdkWindow* window) const;
    GtkWindow* FrontWindow() const;
    void RunDeferred();

    UiEvents* m_sink = nullptr;
    std::string m_title;
    Cursor m_cursor = Cursor::Default;
    std::function<void(Cursor)> m_cursorObserver;
    RichTextConverter m_converter;
    std::map<int, guint> m_timers;
    std::map<const Control*, GtkPeer*> m_byControl;
    std::deque<GtkPeer*> m_forms;  // in creation order; the first is the main window
    bool m_quit = false;
    bool m_minimized = false;
    int m_holds = 0;
    guint m_restack = 0;
    std::deque<std::function<void()>> m_deferred;  // reports that came while held
};

// The form area of a form's window (where the movie view and the video go); null
// for a handle that is no form of this program.
GtkFixed* FormArea(WindowHandle window);

std::unique_ptr<GtkPeer> CreateFormPeer(GtkUi& ui, Form& form);
std::unique_ptr<GtkPeer> CreateChildPeer(GtkUi& ui, Control& control);

// Gives a control's widget the keyboard.
void FocusControl(GtkWidget* widget);

// A program colour (0x00BBGGRR, or a system colour) as GDK's.
GdkRGBA ColorOf(std::uint32_t color);
// The program's 8-bit text as GTK's UTF-8, with "\r\n" as "\n".
std::string Utf8Text(const std::string& ansi);

}  // namespace vel::lnx
