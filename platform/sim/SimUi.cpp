#include "platform/sim/SimUi.h"

#include <cstdio>

#include "runtime/Text.h"

namespace vel::sim {

namespace {

std::string RectText(Rect r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

// A colour of the system's scheme as the simulated machine has it: the classic
// button face, and black for the rest.
std::uint32_t SchemeColor(std::uint32_t color) {
    if (!(color & 0x80000000u)) return color;
    return color == vel::color::ButtonFace ? 0xF0F0F0 : 0x000000;
}

std::string Hex6(std::uint32_t color) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", SchemeColor(color) & 0xFFFFFF);
    return buf;
}

class SimPeer final : public ControlPeer {
public:
    SimPeer(SimUi& ui, Control& control) : m_ui(ui), m_control(control), m_handle(ui.NewHandle()) {
        ui.Register(control);
        if (control.Kind() == ControlKind::Form) ui.trace().Add("ui create " + control.Path());
    }
    ~SimPeer() override { m_ui.Unregister(m_control); }
    WindowHandle Handle() const override { return m_handle; }
    void Update(Property changed) override;

private:
    SimUi& m_ui;
    Control& m_control;
    WindowHandle m_handle;
};

void SimPeer::Update(Property changed) {
    Control& c = m_control;
    std::string path = c.Path();
    Trace& t = m_ui.trace();
    switch (changed) {
        case Property::Visible: t.Add(std::string(c.Visible() ? "ui show " : "ui hide ") + path); break;
        case Property::Bounds: t.Add("ui place " + path + " " + RectText(c.Bounds())); break;
        case Property::Text: t.Add("ui text " + path + " " + Quote(c.Text())); break;
        case Property::Enabled: t.Add(std::string(c.Enabled() ? "ui enable " : "ui disable ") + path); break;
        case Property::Range:
            if (auto* tb = dynamic_cast<TrackBar*>(&c))
                t.Add("ui range " + path + " " + std::to_string(tb->Min()) + ".." + std::to_string(tb->Max()));
            else if (auto* pb = dynamic_cast<ProgressBar*>(&c))
                t.Add("ui range " + path + " " + std::to_string(pb->Min()) + ".." + std::to_string(pb->Max()));
            break;
        case Property::Position:
            if (auto* tb = dynamic_cast<TrackBar*>(&c)) t.Add("ui position " + path + " " + std::to_string(tb->Position()));
            else if (auto* pb = dynamic_cast<ProgressBar*>(&c))
                t.Add("ui position " + path + " " + std::to_string(pb->Position()));
            break;
        case Property::Checked:
            if (auto* cb = dynamic_cast<CheckBox*>(&c)) t.Add(std::string(cb->Checked() ? "ui check " : "ui uncheck ") + path);
            break;
        case Property::Picture:
            if (auto* im = dynamic_cast<Image*>(&c))
                t.Add("ui picture " + path + " (" + std::to_string(im->Picture().size()) + " bytes)");
            break;
        case Property::Content:
            if (auto* re = dynamic_cast<RichEdit*>(&c))
                t.Add("ui content " + path + (re->ContentIsRtf() ? " rtf " : " text ") + Quote(re->Content().substr(0, 60)) +
                      " (" + std::to_string(re->Content().size()) + " bytes)");
            else if (auto* ft = dynamic_cast<FolderTree*>(&c))
                t.Add("ui select " + path + " " + Quote(ft->SelectedPath()));
            break;
        case Property::Style:
            if (auto* f = dynamic_cast<Form*>(&c)) {
                const char* border[] = {"none", "sizeable", "tool-window", "dialog"};
                t.Add("ui style " + path + " border=" + border[static_cast<int>(f->Border())] + " color=" +
                      Hex6(f->Color()) + (f->TopMost() ? " topmost" : "") + (f->Maximized() ? " maximized" : ""));
            } else if (auto* re = dynamic_cast<RichEdit*>(&c)) {
                t.Add("ui style " + path + (re->ReadOnly() ? " readonly" : "") + " color=" + Hex6(re->BackColor()));
            }
            break;
        case Property::Focus:
            if (c.Kind() == ControlKind::Form) t.Add("ui front " + path);
            break;
        case Property::Font: break;  // the simulated screen draws no text
    }
}

}  // namespace

std::unique_ptr<ControlPeer> SimUi::CreatePeer(Control& control) { return std::make_unique<SimPeer>(*this, control); }

void SimUi::Unregister(Control& control) {
    auto it = m_controls.find(control.Path());
    if (it != m_controls.end() && it->second == &control) m_controls.erase(it);
}

Control* SimUi::Find(const std::string& path) const {
    auto it = m_controls.find(path);
    return it == m_controls.end() ? nullptr : it->second;
}

std::string SimUi::NameOf(WindowHandle handle) const {
    for (const auto& [path, control] : m_controls)
        if (control->Handle() == handle) return path;
    return "window#" + std::to_string(handle);
}

Size SimUi::FrameSize(const Form& form) {
    switch (form.Border()) {
        case BorderStyle::None: return {0, 0};
        case BorderStyle::Sizeable: return {16, 38};
        case BorderStyle::SizeToolWin: return {16, 31};
        case BorderStyle::Dialog: return {6, 28};
    }
    return {0, 0};
}

int SimUi::MessageBox(const std::string& text, const std::string& caption, mb::Style style) {
    bool yesNo = (style & mb::YesNo) != 0;
    std::optional<int> answer = nextAnswer ? nextAnswer() : std::nullopt;
    int result = answer ? *answer : yesNo ? ((style & mb::DefButton2) ? mb::IdNo : mb::IdYes) : mb::IdOk;
    std::string icon;
    if (style & mb::IconError) icon = " icon=error";
    else if (style & mb::IconQuestion) icon = " icon=question";
    else if (style & mb::IconInformation) icon = " icon=information";
    std::string answerName = result == mb::IdYes ? "Yes" : result == mb::IdNo ? "No" : result == mb::IdCancel ? "Cancel" : "OK";
    m_trace.Add("messagebox caption=" + Quote(caption) + " text=" + Quote(text) + " buttons=" +
                (yesNo ? "YesNo" : "OK") + icon + ((style & mb::DefButton2) ? " default=2" : "") + " -> " + answerName);
    // The box's own loop dispatches what arrives meanwhile.
    if (nestedEvents && nestedEvents("messagebox"))
        while (RunPostedOne()) {
        }
    return result;
}

void SimUi::SetCursor(Cursor cursor) {
    m_trace.Add(cursor == Cursor::HourGlass ? "ui cursor hourglass" : "ui cursor default");
}

void SimUi::SetTitle(const std::string& title) { m_trace.Add("ui title " + Quote(title)); }

void SimUi::SetTimer(int timerId, std::uint32_t intervalMs) { m_timers[timerId] = {intervalMs, m_now + intervalMs}; }

void SimUi::KillTimer(int timerId) { m_timers.erase(timerId); }

bool SimUi::RunPostedOne() {
    if (m_posted.empty()) return false;
    auto callback = std::move(m_posted.front());
    m_posted.pop_front();
    if (m_sink) m_sink->RunPosted(callback);
    return true;
}

bool SimUi::FireDueTimer(std::uint64_t until) {
    int id = 0;
    std::uint64_t due = UINT64_MAX;
    for (const auto& [timerId, state] : m_timers)
        if (state.due <= until && state.due < due) {
            due = state.due;
            id = timerId;
        }
    if (due == UINT64_MAX) return false;
    if (due > m_now) m_now = due;
    m_timers[id].due = m_now + m_timers[id].interval;
    if (m_sink) m_sink->TimerFired(id);
    return true;
}

void SimUi::RunLoop() {
    while (true) {
        if (RunPostedOne()) continue;
        if (m_quit) {
            m_quit = false;
            return;
        }
        if (FireDueTimer(m_now)) continue;
        if (!nextEvent || !nextEvent()) return;
    }
}

void SimUi::RunModal(Form& form) {
    while (form.ModalResult() == 0) {
        if (RunPostedOne()) continue;
        if (m_quit) return;
        if (FireDueTimer(m_now)) continue;
        if (!nextEvent || !nextEvent()) throw ScenarioPaused{};
    }
}

void SimUi::ProcessMessages() {
    if (nestedEvents) nestedEvents("pump");
    while (RunPostedOne() || (!m_quit && FireDueTimer(m_now))) {
    }
}

void SimUi::Wait(std::uint32_t ms) {
    std::uint64_t target = m_now + ms;
    while (!m_quit) {
        if (RunPostedOne()) continue;
        if (!FireDueTimer(target)) break;
    }
    if (m_now < target) m_now = target;
}

void SimUi::MinimizeApplication() {
    m_trace.Add("ui minimize application");
    if (m_sink) m_sink->ApplicationMinimized();
}

void SimUi::UserMinimize() { MinimizeApplication(); }

void SimUi::UserRestore() {
    m_trace.Add("ui restore application");
    if (m_sink) m_sink->ApplicationRestored();
}

void SimUi::RightButtonDown(const std::string& path) { RightButton(Input::RightButtonDown, "ui right-button-down ", path); }

void SimUi::RightButtonUp(const std::string& path) { RightButton(Input::RightButtonUp, "ui right-button-up ", path); }

void SimUi::RightButton(Input input, const char* what, const std::string& path) {
    Control* c = Find(path);
    bool dropped = m_sink && m_sink->FilterMessage(input, c ? c->Handle() : 0);
    m_trace.Add(what + path + (dropped ? " -> dropped" : " -> delivered"));
}

}  // namespace vel::sim
