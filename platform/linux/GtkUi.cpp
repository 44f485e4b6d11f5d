// The loop, timers, posted work, message boxes, the application's cursor and its
// minimise notices, and the filter and key preview every event passes first.

#include "platform/linux/GtkUi.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

GtkUi* g_current = nullptr;

// Virtual-key codes of the program for GDK's key values; 0 for keys it never names.
std::uint16_t VirtualKey(guint keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<std::uint16_t>('A' + (keyval - GDK_KEY_a));
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<std::uint16_t>('A' + (keyval - GDK_KEY_A));
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<std::uint16_t>('0' + (keyval - GDK_KEY_0));
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return static_cast<std::uint16_t>(0x70 + (keyval - GDK_KEY_F1));
    switch (keyval) {
        case GDK_KEY_Escape: return 27;
        case GDK_KEY_space: return 32;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter: return 13;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab: return 9;
        case GDK_KEY_BackSpace: return 8;
        case GDK_KEY_Left: return 37;
        case GDK_KEY_Up: return 38;
        case GDK_KEY_Right: return 39;
        case GDK_KEY_Down: return 40;
        case GDK_KEY_Delete: return 46;
        default: return 0;
    }
}

std::uint32_t ShiftState(guint state) {
    std::uint32_t shift = 0;
    if (state & GDK_SHIFT_MASK) shift |= 1;
    if (state & GDK_MOD1_MASK) shift |= 2;
    if (state & GDK_CONTROL_MASK) shift |= 4;
    return shift;
}

struct TimerData {
    GtkUi* ui;
    UiEvents** sink;
    int id;
};

}  // namespace

GtkPeer::~GtkPeer() {
    m_ui.Forget(m_control);
    if (m_widget) {
        if (GTK_IS_WINDOW(m_widget)) gtk_widget_destroy(m_widget);
        g_object_unref(m_widget);
    }
}

GtkUi::GtkUi() {
    g_set_prgname("velvinor");
    if (!gtk_init_check(nullptr, nullptr)) throw Error("Cannot open the display");
    g_set_application_name("Velvinor");
    gdk_event_handler_set(&GtkUi::OnEvent, this, nullptr);
    g_current = this;
}

GtkUi::~GtkUi() {
    if (m_restack) g_source_remove(m_restack);
    for (auto& [id, source] : m_timers) g_source_remove(source);
    gdk_event_handler_set([](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr, nullptr);
    if (g_current == this) g_current = nullptr;
}

GtkUi* GtkUi::Current() { return g_current; }

GtkUi::Hold::~Hold() {
    if (--m_ui.m_holds == 0 && !m_ui.m_deferred.empty())
        g_idle_add_full(
            G_PRIORITY_DEFAULT,
            [](gpointer self) -> gboolean {
                static_cast<GtkUi*>(self)->RunDeferred();
                return G_SOURCE_REMOVE;
            },
            &m_ui, nullptr);
}

void GtkUi::RunDeferred() {
    while (m_holds == 0 && !m_deferred.empty()) {
        auto report = std::move(m_deferred.front());
        m_deferred.pop_front();
        Report(std::move(report));
    }
}

void GtkUi::Report(std::function<void()> report) {
    if (m_holds > 0) {
        m_deferred.push_back(std::move(report));
        return;
    }
    try {
        report();
    } catch (...) {
    }
}

std::unique_ptr<ControlPeer> GtkUi::CreatePeer(Control& control) {
    std::unique_ptr<GtkPeer> peer = control.Kind() == ControlKind::Form
                                        ? CreateFormPeer(*this, static_cast<Form&>(control))
                                        : CreateChildPeer(*this, control);
    Adopt(control, peer.get());
    peer->Make();
    return peer;
}

GtkPeer* GtkUi::PeerOf(const Control& control) const {
    auto it = m_byControl.find(&control);
    return it == m_byControl.end() ? nullptr : it->second;
}

void GtkUi::FormGone(GtkPeer* form) { m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), form), m_forms.end()); }

void GtkUi::Restack() {
    if (m_restack) return;
    m_restack = g_timeout_add(20, [](gpointer self) -> gboolean {
        auto* ui = static_cast<GtkUi*>(self);
        ui->m_restack = 0;
        for (GtkPeer* peer : ui->m_forms)
            if (static_cast<Form&>(peer->Model()).TopMost() && gtk_widget_get_visible(peer->Widget()))
                if (GdkWindow* w = gtk_widget_get_window(peer->Widget())) gdk_window_raise(w);
        return G_SOURCE_REMOVE;
    }, this);
}

std::vector<Form*> GtkUi::Forms() const {
    std::vector<Form*> forms;
    for (GtkPeer* peer : m_forms) forms.push_back(static_cast<Form*>(&peer->Model()));
    return forms;
}

GtkWindow* GtkUi::MainWindow() const { return m_forms.empty() ? nullptr : GTK_WINDOW(m_forms.front()->Widget()); }

void GtkUi::MainWindowState(bool minimized) {
    if (minimized == m_minimized) return;
    m_minimized = minimized;
    if (m_sink)
        Report([this, minimized] { minimized ? m_sink->ApplicationMinimized() : m_sink->ApplicationRestored(); });
}

Size GtkUi::ScreenSize() {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return {1024, 768};
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    return {area.width, area.height};
}

// GTK places and sizes a window by its client area; the window manager's frame
// lies outside the program's bounds.
Size GtkUi::FrameSize(const Form&) { return {0, 0}; }

// The WebKit view's limits, measured with velvinor_viewer_time (load average 27-30, the
// first document's 4 s of WebKit's start aside):
// - nesting costs the reader nothing per group (a million deep shows in 0.02 s), so
//   there is no bound of its own;
// - text: WebKit's layout grows faster than the text: long plain paragraphs 1.9 s at
//   256 Kb and 15 s at 2 Mb, a change of format at every letter 3.6 s at 64 Kb. The
//   bound is the Windows view's 64 Kb, under which every shape stays near 2 s;
// - the file is read whole, as on Windows.
DocumentViewLimits GtkUi::DocumentLimits() const {
    return {std::numeric_limits<std::size_t>::max(), 64 * 1024, 64 * 1024 * 1024};
}

GtkWindow* GtkUi::FrontWindow() const {
    // The last shown of the visible forms stands in front: each is raised when shown.
    for (auto it = m_forms.rbegin(); it != m_forms.rend(); ++it)
        if (gtk_widget_get_visible((*it)->Widget())) return GTK_WINDOW((*it)->Widget());
    return MainWindow();
}

int GtkUi::MessageBox(const std::string& text, const std::string& caption, mb::Style style) {
    GtkWindow* owner = FrontWindow();
    GtkMessageType type = GTK_MESSAGE_OTHER;
    if (style & mb::IconError) type = GTK_MESSAGE_ERROR;
    else if (style & mb::IconQuestion) type = GTK_MESSAGE_QUESTION;
    else if (style & mb::IconInformation) type = GTK_MESSAGE_INFO;
    GtkWidget* box = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE, "%s",
                                            Utf8Text(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), Utf8Text(caption).c_str());
    const bool yesNo = (style & mb::YesNo) != 0;
    if (yesNo) {
        gtk_dialog_add_button(GTK_DIALOG(box), "Да", mb::IdYes);
        gtk_dialog_add_button(GTK_DIALOG(box), "Нет", mb::IdNo);
        gtk_dialog_set_default_response(GTK_DIALOG(box), (style & mb::DefButton2) ? mb::IdNo : mb::IdYes);
    } else {
        gtk_dialog_add_button(GTK_DIALOG(box), "ОК", mb::IdOk);
        gtk_dialog_set_default_response(GTK_DIALOG(box), mb::IdOk);
    }
    // Never hidden beneath a stay-on-top window of the program.
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_widget_show_all(box);
    if (GdkWindow* window = gtk_widget_get_window(box)) gdk_window_raise(window);
    // Timers and posted work go on in the box's own loop.
    int answer = gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    if (answer == mb::IdYes || answer == mb::IdNo || answer == mb::IdOk) return answer;
    // Closed without a button: a question box has no way out but its buttons.
    return yesNo ? mb::IdNo : mb::IdOk;
}

void GtkUi::ShowCursorOn(GtkWidget* window) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    if (!gdkWindow) return;
    GdkCursor* cursor =
        m_cursor == Cursor::HourGlass ? gdk_cursor_new_from_name(gdk_window_get_display(gdkWindow), "wait") : nullptr;
    gdk_window_set_cursor(gdkWindow, cursor);
    if (cursor) g_object_unref(cursor);
}

void GtkUi::SetCursor(Cursor cursor) {
    m_cursor = cursor;
    for (GtkPeer* form : m_forms) ShowCursorOn(form->Widget());
    if (m_cursorObserver) m_cursorObserver(cursor);
    gdk_display_flush(gdk_display_get_default());
}

void GtkUi::SetTitle(const std::string& title) {
    m_title = title;
    if (!m_forms.empty()) m_forms.front()->Update(Property::Text);
}

void GtkUi::SetTimer(int timerId, std::uint32_t intervalMs) {
    KillTimer(timerId);
    auto* data = new TimerData{this, &m_sink, timerId};
    m_timers[timerId] = g_timeout_add_full(
        G_PRIORITY_DEFAULT, std::max<std::uint32_t>(intervalMs, 1),
        [](gpointer p) -> gboolean {
            auto* t = static_cast<TimerData*>(p);
            // Ticks are not queued up: one that comes while the program is held is dropped.
            if (t->ui->m_holds == 0 && *t->sink) t->ui->Report([t] { (*t->sink)->TimerFired(t->id); });
            return G_SOURCE_CONTINUE;
        },
        data, [](gpointer p) { delete static_cast<TimerData*>(p); });
}

void GtkUi::KillTimer(int timerId) {
    auto it = m_timers.find(timerId);
    if (it == m_timers.end()) return;
    g_source_remove(it->second);
    m_timers.erase(it);
}

void GtkUi::Post(std::function<void()> callback) {
    struct Posted {
        GtkUi* ui;
        std::function<void()> callback;
    };
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer p) -> gboolean {
            auto* posted = static_cast<Posted*>(p);
            GtkUi* ui = posted->ui;
            std::function<void()> callback = std::move(posted->callback);
            if (ui->m_sink) ui->Report([ui, callback] { ui->m_sink->RunPosted(callback); });
            return G_SOURCE_REMOVE;
        },
        new Posted{this, std::move(callback)}, [](gpointer p) { delete static_cast<Posted*>(p); });
}

void GtkUi::RunLoop() {
    while (!m_quit) g_main_context_iteration(nullptr, TRUE);
}

void GtkUi::Quit() {
    m_quit = true;
    g_main_context_wakeup(nullptr);
}

void GtkUi::RunModal(Form& form) {
    GtkWidget* modal = reinterpret_cast<GtkWidget*>(form.Handle());
    // The other windows of the program wait while the form is up.
    std::vector<GtkWidget*> disabled;
    for (GtkPeer* peer : m_forms) {
        GtkWidget* w = peer->Widget();
        if (w != modal && gtk_widget_get_visible(w) && gtk_widget_get_sensitive(w)) {
            gtk_widget_set_sensitive(w, FALSE);
            disabled.push_back(w);
        }
    }
    if (modal) gtk_window_present(GTK_WINDOW(modal));
    while (form.ModalResult() == 0 && !m_quit) g_main_context_iteration(nullptr, TRUE);
    for (GtkWidget* w : disabled) gtk_widget_set_sensitive(w, TRUE);
}

void GtkUi::ProcessMessages() {
    // What is waiting now; a source that is always ready must not hold the program here.
    for (int i = 0; i < 1000 && !m_quit && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
}

void GtkUi::MinimizeApplication() {
    if (GtkWindow* main = MainWindow()) gtk_window_iconify(main);
}

Form* GtkUi::FormOf(GdkWindow* window) const {
    if (!window) return nullptr;
    GdkWindow* top = gdk_window_get_toplevel(window);
    for (GtkPeer* peer : m_forms)
        if (gtk_widget_get_window(peer->Widget()) == top) return static_cast<Form*>(&peer->Model());
    return nullptr;
}

void GtkUi::OnEvent(GdkEvent* event, gpointer self) { static_cast<GtkUi*>(self)->Dispatch(event); }

// Every event passes here before GTK dispatches it: the program's filter sees the
// right button, a form sees the keys released in it and its children (key preview),
// and Tab, Enter and Esc move through a form with a tab order.
void GtkUi::Dispatch(GdkEvent* event) {
    const GdkEventType type = event->type;
    const bool input = type == GDK_KEY_PRESS || type == GDK_KEY_RELEASE || type == GDK_BUTTON_PRESS ||
                       type == GDK_BUTTON_RELEASE;
    if (input && m_holds > 0) {
        GdkEvent* copy = gdk_event_copy(event);
        m_deferred.push_back([this, copy] {
            Dispatch(copy);
            gdk_event_free(copy);
        });
        return;
    }
    if ((type == GDK_BUTTON_PRESS || type == GDK_BUTTON_RELEASE) && event->button.button == 3 && m_sink) {
        bool dropped = false;
        GtkWidget* target = gtk_get_event_widget(event);
        Report([&] {
            dropped = m_sink->FilterMessage(type == GDK_BUTTON_PRESS ? Input::RightButtonDown : Input::RightButtonUp,
                                            reinterpret_cast<WindowHandle>(target));
        });
        if (dropped) return;
    }
    if (type == GDK_KEY_PRESS || type == GDK_KEY_RELEASE) {
        Form* form = FormOf(event->key.window);
        if (form && type == GDK_KEY_PRESS && KeyboardNavigation(*form, event->key)) return;
        if (form && type == GDK_KEY_RELEASE) {
            const std::uint16_t key = VirtualKey(event->key.keyval);
            const std::uint32_t shift = ShiftState(event->key.state);
            if (key) Report([form, key, shift] { form->UserKeyUp(key, shift); });
        }
    }
    gtk_main_do_event(event);
}

bool GtkUi::KeyboardNavigation(Form& form, GdkEventKey& key) {
    const std::uint16_t vk = VirtualKey(key.keyval);
    if (vk != 9 && vk != 13 && vk != 27) return false;
    if (form.TabOrder().empty()) return false;
    std::vector<Control*> order;
    for (Control* c : form.TabOrder())
        if (c->Visible() && c->Enabled() && c->Handle()) order.push_back(c);
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(reinterpret_cast<GtkWidget*>(form.Handle())));
    auto focused = std::find_if(order.begin(), order.end(), [focus](Control* c) {
        GtkWidget* w = reinterpret_cast<GtkWidget*>(c->Handle());
        return focus && (w == focus || gtk_widget_is_ancestor(focus, w));
    });
    if (vk == 9) {
        if (order.empty()) return true;
        const bool back = (key.state & GDK_SHIFT_MASK) != 0;
        std::size_t at = focused == order.end() ? (back ? 0 : order.size() - 1)
                                                : static_cast<std::size_t>(focused - order.begin());
        at = back ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
        FocusControl(reinterpret_cast<GtkWidget*>(order[at]->Handle()));
        return true;
    }
    if (vk == 27) {
        Report([&form] { form.UserClose(); });
        return true;
    }
    Control* button = nullptr;
    if (focused != order.end() && (*focused)->Kind() == ControlKind::Button) button = *focused;
    for (auto it = order.begin(); !button && it != order.end(); ++it)
        if ((*it)->Kind() == ControlKind::Button) button = *it;
    if (button) Report([button] { button->UserClick(); });
    return true;
}

void FocusControl(GtkWidget* widget) {
    // A control made of several widgets (the folder tree in its scrolled window)
    // takes the keyboard in the first of them that can.
    if (gtk_widget_get_can_focus(widget)) gtk_widget_grab_focus(widget);
    else gtk_widget_child_focus(widget, GTK_DIR_TAB_FORWARD);
}

GdkRGBA ColorOf(std::uint32_t color) {
    if (color & 0x80000000u) return {0.94, 0.94, 0.94, 1};  // the system's face colour
    return {(color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0, 1};
}

std::string Utf8Text(const std::string& ansi) {
    std::string utf8 = AnsiToUtf8(ansi), out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) out += utf8[i] == '\r' ? '\n' : utf8[i];
    return out;
}

GtkFixed* FormArea(WindowHandle window) {
    auto* widget = reinterpret_cast<GtkWidget*>(window);
    if (!widget || !GTK_IS_WINDOW(widget)) return nullptr;
    return static_cast<GtkFixed*>(g_object_get_data(G_OBJECT(widget), "velvinor-area"));
}


}  // namespace vel::lnx
