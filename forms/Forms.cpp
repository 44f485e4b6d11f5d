#include "forms/Forms.h"

#include <algorithm>
#include <cstdint>
#include <exception>

namespace vel {

// ---- Control ----

Control::Control(Application& app, Control* parent, ControlKind kind, std::string name)
    : m_app(app), m_parent(parent), m_kind(kind), m_name(std::move(name)) {
    if (m_parent) m_parent->m_children.push_back(this);
}

Control::~Control() {
    m_peer.reset();
    if (m_parent) {
        auto& siblings = m_parent->m_children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

std::string Control::Path() const { return m_parent ? m_parent->Path() + "." + m_name : m_name; }

WindowHandle Control::Handle() const { return m_peer ? m_peer->Handle() : 0; }

void Control::Realize() { m_peer = m_app.Backend().CreatePeer(*this); }

void Control::Changed(Property property) {
    if (m_peer) m_peer->Update(property);
}

void Control::SetVisible(bool visible) {
    if (m_visible == visible) return;
    m_visible = visible;
    Changed(Property::Visible);
}

void Control::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    Changed(Property::Enabled);
}

void Control::SetBounds(Rect bounds) {
    if (m_bounds == bounds) return;
    m_bounds = bounds;
    Changed(Property::Bounds);
}

Font Control::EffectiveFont() const {
    for (const Control* c = this; c; c = c->m_parent)
        if (!c->m_font.name.empty()) return c->m_font;
    return {};
}

void Control::SetFont(Font font) {
    if (m_font == font) return;
    m_font = std::move(font);
    FontChanged();
}

void Control::FontChanged() {
    Changed(Property::Font);
    for (Control* child : m_children)
        if (child->m_font.name.empty()) child->FontChanged();
}

void Control::SetText(const std::string& text) {
    if (m_text == text) return;
    m_text = text;
    Changed(Property::Text);
}

void Control::UserClick() {
    if (OnClick) m_app.Guard([this] { OnClick(*this); });
}

// ---- Form ----

Form::Form(Application& app, std::string name) : Control(app, nullptr, ControlKind::Form, std::move(name)) {
    m_visible = false;
    Realize();
    app.RegisterForm(*this);
}

Form::~Form() {
    for (Timer* timer : m_timers) timer->m_shownBy = nullptr;
    m_app.UnregisterForm(*this);
}

void Form::SetBorder(BorderStyle border) {
    if (m_border == border) return;
    m_border = border;
    Changed(Property::Style);
}

void Form::SetColor(std::uint32_t color) {
    if (m_color == color) return;
    m_color = color;
    Changed(Property::Style);
}

void Form::SetTopMost(bool topMost) {
    if (m_topMost == topMost) return;
    m_topMost = topMost;
    Changed(Property::Style);
}

void Form::SetMaximized(bool maximized) {
    m_maximized = maximized;
    Changed(Property::Style);
    if (maximized) {
        Size screen = m_app.Screen();
        SetBounds({0, 0, screen.width, screen.height});
    }
}

namespace {
// Sizes as the system keeps them: a client area is never negative, and a frame
// added to the largest client stays in range.
int Side(std::int64_t side) { return static_cast<int>(std::clamp<std::int64_t>(side, 0, INT32_MAX)); }
}  // namespace

Size Form::ClientSize() const {
    Size frame = m_app.Backend().FrameSize(*this);
    return {Side(std::int64_t{m_bounds.width} - frame.width), Side(std::int64_t{m_bounds.height} - frame.height)};
}

void Form::SetClientSize(Size client) {
    Size frame = m_app.Backend().FrameSize(*this);
    SetBounds({m_bounds.left, m_bounds.top, Side(std::int64_t{client.width} + frame.width),
               Side(std::int64_t{client.height} + frame.height)});
}

void Form::SetClientHeight(int height) { SetClientSize({ClientSize().width, height}); }

void Form::SetVisible(bool visible) {
    if (m_inShow) {
        // The show handler decides: a hide there keeps the form hidden.
        m_showCancelled = !visible;
        return;
    }
    // The show handler runs before the window appears, as the system's forms do: what
    // it places, sizes and opens is there in the window's first frame, and the window
    // is not drawn twice. An error it raises is reported once the window is up, so
    // that its box is the window's own and above it.
    std::exception_ptr error;
    if (visible && !m_visible && OnShow) {
        m_inShow = true;
        m_showCancelled = false;
        try {
            OnShow();
        } catch (...) {
            error = std::current_exception();
        }
        m_inShow = false;
        if (m_showCancelled) visible = false;
    }
    Control::SetVisible(visible);
    for (Timer* timer : m_timers) timer->Sync();
    if (error) m_app.Guard([&error] { std::rethrow_exception(error); });
}

int Form::ShowModal() {
    m_modalResult = 0;
    m_inModal = true;
    SetVisible(true);
    m_app.Backend().RunModal(*this);
    m_inModal = false;
    SetVisible(false);
    if (m_modalResult == 0) m_modalResult = mb::IdCancel;
    return m_modalResult;
}

void Form::BringToFront() { Changed(Property::Focus); }

void Form::UserKeyUp(std::uint16_t key, std::uint32_t shift) {
    if (OnKeyUp) m_app.Guard([&] { OnKeyUp(key, shift); });
}

void Form::UserPlace(Rect bounds) {
    m_app.Guard([&] { SetBounds(bounds); });
}

void Form::UserClose() {
    m_app.Guard([this] {
        if (OnCloseRequest) {
            OnCloseRequest();
            return;
        }
        if (m_inModal) {
            m_modalResult = mb::IdCancel;
            return;
        }
        Hide();
        // Closing the main window (Alt+F4 on the borderless game) ends the program;
        // hidden, it would run on with no way back to it.
        if (m_app.MainForm() == this) m_app.Terminate();
    });
}

// ---- simple controls ----

Label::Label(Form& form, std::string name, Rect bounds, std::string text)
    : Control(form.App(), &form, ControlKind::Label, std::move(name)) {
    m_bounds = bounds;
    m_text = std::move(text);
    Realize();
}

Button::Button(Form& form, std::string name, Rect bounds, std::string caption, int modalResult)
    : Control(form.App(), &form, ControlKind::Button, std::move(name)), m_modalResult(modalResult) {
    m_bounds = bounds;
    m_text = std::move(caption);
    Realize();
}

void Button::UserClick() {
    if (!m_enabled || !m_visible) return;
    Control::UserClick();
    if (m_modalResult != 0) static_cast<Form*>(m_parent)->SetModalResult(m_modalResult);
}

Edit::Edit(Form& form, std::string name, Rect bounds) : Control(form.App(), &form, ControlKind::Edit, std::move(name)) {
    m_bounds = bounds;
    Realize();
}

void Edit::SetText(const std::string& text) {
    if (m_text == text) return;
    Control::SetText(text);
    if (OnChange) OnChange(*this);
}

void Edit::UserType(const std::string& text) {
    m_app.Guard([&] { SetText(text); });
}

Image::Image(Form& form, std::string name, Rect bounds)
    : Control(form.App(), &form, ControlKind::Image, std::move(name)) {
    m_bounds = bounds;
    Realize();
}

void Image::SetPicture(std::string bytes) {
    m_picture = std::move(bytes);
    Changed(Property::Picture);
}

TrackBar::TrackBar(Form& form, std::string name, Rect bounds)
    : Control(form.App(), &form, ControlKind::TrackBar, std::move(name)) {
    m_bounds = bounds;
    Realize();
}

void TrackBar::Move(int position) {
    if (position == m_position) return;
    m_position = position;
    Changed(Property::Position);
    if (OnChange) OnChange(*this);
}

void TrackBar::SetMin(int min) {
    if (min == m_min) return;
    m_min = min;
    if (m_max < m_min) m_max = m_min;
    Changed(Property::Range);
    Move(std::clamp(m_position, m_min, m_max));
}

void TrackBar::SetMax(int max) {
    if (max == m_max) return;
    m_max = max;
    if (m_min > m_max) m_min = m_max;
    Changed(Property::Range);
    Move(std::clamp(m_position, m_min, m_max));
}

void TrackBar::SetPosition(int position) { Move(std::clamp(position, m_min, m_max)); }

void TrackBar::SetFrequency(int frequency) {
    if (frequency == m_frequency) return;
    m_frequency = frequency;
    Changed(Property::Range);
}

void TrackBar::UserSetPosition(int position) {
    m_app.Guard([&] { SetPosition(position); });
}

CheckBox::CheckBox(Form& form, std::string name, Rect bounds, std::string caption)
    : Control(form.App(), &form, ControlKind::CheckBox, std::move(name)) {
    m_bounds = bounds;
    m_text = std::move(caption);
    Realize();
}

void CheckBox::SetChecked(bool checked) {
    if (checked == m_checked) return;
    m_checked = checked;
    Changed(Property::Checked);
    if (OnClick) OnClick(*this);
}

void CheckBox::UserClick() {
    if (!m_enabled || !m_visible) return;
    m_app.Guard([this] { SetChecked(!m_checked); });
}

ProgressBar::ProgressBar(Form& form, std::string name, Rect bounds)
    : Control(form.App(), &form, ControlKind::ProgressBar, std::move(name)) {
    m_bounds = bounds;
    Realize();
}

void ProgressBar::SetMin(int min) {
    if (min == m_min) return;
    m_min = min;
    Changed(Property::Range);
}

void ProgressBar::SetMax(int max) {
    if (max == m_max) return;
    m_max = max;
    Changed(Property::Range);
}

void ProgressBar::SetPosition(int position) {
    position = std::clamp(position, m_min, m_max);
    if (position == m_position) return;
    m_position = position;
    Changed(Property::Position);
}

FolderTree::FolderTree(Form& form, std::string name, Rect bounds)
    : Control(form.App(), &form, ControlKind::FolderTree, std::move(name)) {
    m_bounds = bounds;
    Realize();
}

void FolderTree::UserSelect(const std::string& path) {
    m_selected = path;
    Changed(Property::Content);
    UserClick();
}

RichEdit::RichEdit(Form& form, std::string name, Rect bounds)
    : Control(form.App(), &form, ControlKind::RichEdit, std::move(name)) {
    m_bounds = bounds;
    Realize();
}

void RichEdit::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    Changed(Property::Style);
}

void RichEdit::SetBackColor(std::uint32_t color) {
    m_backColor = color;
    Changed(Property::Style);
}

void RichEdit::SetContent(std::string bytes, bool rtf) {
    m_content = std::move(bytes);
    m_rtf = rtf;
    Changed(Property::Content);
}

// ---- Timer ----

Timer::Timer(Application& app, std::uint32_t intervalMs, bool enabled, Form* shownBy)
    : m_app(app), m_interval(intervalMs), m_shownBy(shownBy), m_id(app.AddTimer(*this)) {
    if (m_shownBy) m_shownBy->m_timers.push_back(this);
    SetEnabled(enabled);
}

Timer::~Timer() {
    SetEnabled(false);
    if (m_shownBy) {
        auto& timers = m_shownBy->m_timers;
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    }
    m_app.RemoveTimer(m_id);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    Sync();
}

void Timer::Sync() {
    bool run = m_enabled && (!m_shownBy || m_shownBy->Visible());
    if (run == m_running) return;
    m_running = run;
    if (run) m_app.Backend().SetTimer(m_id, m_interval);
    else m_app.Backend().KillTimer(m_id);
}

// ---- Application ----

Application::Application(Ui& ui) : m_ui(ui) { m_ui.SetEventSink(this); }

Application::~Application() { m_ui.SetEventSink(nullptr); }

void Application::SetTitle(const std::string& title) {
    m_title = title;
    m_ui.SetTitle(title);
}

void Application::RegisterForm(Form& form) {
    if (!m_mainForm) m_mainForm = &form;
}

void Application::UnregisterForm(Form& form) {
    if (m_mainForm == &form) m_mainForm = nullptr;
}

// The main form is shown even when termination was requested already: the loop
// then ends at the quit message waiting for it.
void Application::Run() {
    if (m_mainForm) Guard([this] { m_mainForm->Show(); });
    m_ui.RunLoop();
}

void Application::Terminate() {
    if (m_terminated) return;
    m_terminated = true;
    m_ui.Quit();
}

void Application::Minimize() { m_ui.MinimizeApplication(); }

void Application::ProcessMessages() { m_ui.ProcessMessages(); }

void Application::SetCursor(Cursor cursor) {
    m_cursor = cursor;
    m_ui.SetCursor(cursor);
}

int Application::MessageBox(const std::string& text, const std::string& caption, mb::Style style) {
    return m_ui.MessageBox(text, caption, style);
}

void Application::ShowException(const std::exception& error) {
    m_ui.MessageBox(error.what(), m_title, mb::Ok | mb::IconError);
}

void Application::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

void Application::TimerFired(int timerId) {
    auto it = m_timers.find(timerId);
    if (it == m_timers.end() || !it->second->Enabled() || !it->second->OnTimer) return;
    Guard(it->second->OnTimer);
}

void Application::ApplicationMinimized() {
    if (OnMinimize) Guard(OnMinimize);
}

void Application::ApplicationRestored() {
    if (OnRestore) Guard(OnRestore);
}

bool Application::FilterMessage(Input input, WindowHandle) {
    bool handled = false;
    if (OnMessage) Guard([&] { OnMessage(input, handled); });
    return handled;
}

void Application::RunPosted(const std::function<void()>& callback) { Guard(callback); }

int Application::AddTimer(Timer& timer) {
    int id = m_nextTimerId++;
    m_timers[id] = &timer;
    return id;
}

void Application::RemoveTimer(int id) { m_timers.erase(id); }

}  // namespace vel
