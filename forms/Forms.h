#pragma once
// Windows and controls as the program owns them: their state and their events.
// A backend peer (platform/Ui.h) shows the state; user input comes back through
// the User* methods, which run the handlers inside the application's error guard.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "platform/Ui.h"

namespace vel {

class Application;
class Timer;

enum class ControlKind { Form, Label, Button, Edit, Image, TrackBar, CheckBox, ProgressBar, FolderTree, RichEdit };

// A font by face name, character height in pixels and weight. No name: the system's
// font. Where the face does not exist, the system's font stands in.
struct Font {
    std::string name;
    int height = 0;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

// Colours are 0x00BBGGRR, or a colour of the system's scheme: the top bit and its index.
namespace color {
constexpr std::uint32_t ButtonFace = 0x8000000F;
}  // namespace color

class Control {
public:
    Control(Application& app, Control* parent, ControlKind kind, std::string name);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    ControlKind Kind() const { return m_kind; }
    const std::string& Name() const { return m_name; }
    Control* Parent() const { return m_parent; }
    // "Form.Control" for a child, the form's name for a form.
    std::string Path() const;
    Application& App() const { return m_app; }
    WindowHandle Handle() const;

    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    Rect Bounds() const { return m_bounds; }
    virtual void SetBounds(Rect bounds);
    int Left() const { return m_bounds.left; }
    int Top() const { return m_bounds.top; }
    int Width() const { return m_bounds.width; }
    int Height() const { return m_bounds.height; }

    // Caption or text, 8-bit.
    const std::string& Text() const { return m_text; }
    virtual void SetText(const std::string& text);

    const std::vector<Control*>& Children() const { return m_children; }

    // Its own font, else its parent's (as far up as one is set), else the system's.
    Font EffectiveFont() const;
    void SetFont(Font font);

    // Input from the backend.
    virtual void UserClick();

    std::function<void(Control&)> OnClick;

protected:
    // Creates the peer; called at the end of the most derived constructor.
    void Realize();
    void Changed(Property property);
    // The font reaches this control and every one below it that has none of its own.
    void FontChanged();

    Application& m_app;
    Control* m_parent;
    ControlKind m_kind;
    std::string m_name;
    bool m_visible = true;
    bool m_enabled = true;
    Rect m_bounds;
    std::string m_text;
    Font m_font;
    std::vector<Control*> m_children;
    std::unique_ptr<ControlPeer> m_peer;
};

enum class BorderStyle { None, Sizeable, SizeToolWin, Dialog };

class Form : public Control {
public:
    Form(Application& app, std::string name);
    ~Form() override;

    BorderStyle Border() const { return m_border; }
    void SetBorder(BorderStyle border);
    std::uint32_t Color() const { return m_color; }
    void SetColor(std::uint32_t color);
    bool TopMost() const { return m_topMost; }
    void SetTopMost(bool topMost);
    bool Maximized() const { return m_maximized; }
    // A maximised form covers the screen (the program's windows have no border then).
    void SetMaximized(bool maximized);

    Size ClientSize() const;
    void SetClientSize(Size client);
    void SetClientHeight(int height);

    void SetVisible(bool visible) override;
    // Shows the form modally and returns its modal result (mb::Id* values: OK 1,
    // Cancel 2, Yes 6, No 7).
    int ShowModal();
    // Raises the form above the program's other windows and activates it.
    void BringToFront();
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }
    bool InModal() const { return m_inModal; }

    // Input from the backend.
    void UserKeyUp(std::uint16_t key, std::uint32_t shift);
    void UserClose();
    // The user moved or sized the window: its outer bounds now.
    void UserPlace(Rect bounds);

    // The controls that Tab and Shift+Tab go through, in order (the hidden and the
    // disabled ones are passed over). A form with one answers Enter with a click on
    // the focused button, else on the first button of the order, and Esc as its
    // close box.
    void SetTabOrder(std::vector<Control*> order) { m_tabOrder = std::move(order); }
    const std::vector<Control*>& TabOrder() const { return m_tabOrder; }

    // Runs as the form is shown, before its window appears.
    std::function<void()> OnShow;
    std::function<void(std::uint16_t& key, std::uint32_t shift)> OnKeyUp;
    // Closing by the close box; the default hides the form (and cancels a modal
    // showing), and for the main form also ends the program.
    std::function<void()> OnCloseRequest;

private:
    std::vector<Control*> m_tabOrder;
    BorderStyle m_border = BorderStyle::Sizeable;
    std::uint32_t m_color = color::ButtonFace;
    bool m_topMost = false;
    bool m_maximized = false;
    int m_modalResult = 0;
    bool m_inModal = false;
    bool m_shownOnce = false;
    bool m_inShow = false;
    bool m_showCancelled = false;
    friend class Timer;
    std::vector<Timer*> m_timers;  // the timers that tick only while it is shown
};

class Label : public Control {
public:
    Label(Form& form, std::string name, Rect bounds, std::string text = {});
};

class Button : public Control {
public:
    Button(Form& form, std::string name, Rect bounds, std::string caption, int modalResult = 0);
    void UserClick() override;
    int ModalResultOnClick() const { return m_modalResult; }

private:
    int m_modalResult;
};

class Edit : public Control {
public:
    Edit(Form& form, std::string name, Rect bounds);
    // Setting the text from the program raises OnChange as typing does.
    void SetText(const std::string& text) override;
    void UserType(const std::string& text);
    std::function<void(Edit&)> OnChange;
};

class Image : public Control {
public:
    Image(Form& form, std::string name, Rect bounds);
    // The picture's bytes (a BMP file); empty means none.
    const std::string& Picture() const { return m_picture; }
    void SetPicture(std::string bytes);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch) { m_stretch = stretch; }

private:
    std::string m_picture;
    bool m_stretch = false;
};

class TrackBar : public Control {
public:
    TrackBar(Form& form, std::string name, Rect bounds);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    int Frequency() const { return m_frequency; }
    // A change of range that moves the position into it, or a change of position,
    // runs OnChange at once.
    void SetMin(int min);
    void SetMax(int max);
    void SetPosition(int position);
    void SetFrequency(int frequency);
    void UserSetPosition(int position);
    std::function<void(TrackBar&)> OnChange;

private:
    void Move(int position);
    int m_min = 0, m_max = 10, m_position = 0, m_frequency = 1;
};

class CheckBox : public Control {
public:
    CheckBox(Form& form, std::string name, Rect bounds, std::string caption);
    bool Checked() const { return m_checked; }
    // Runs OnClick when the state actually changes.
    void SetChecked(bool checked);
    void UserClick() override;

private:
    bool m_checked = false;
};

class ProgressBar : public Control {
public:
    ProgressBar(Form& form, std::string name, Rect bounds);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    void SetMin(int min);
    void SetMax(int max);
    void SetPosition(int position);

private:
    int m_min = 0, m_max = 100, m_position = 0;
};

// A tree of the computer's folders; the backend reports the selected folder's path.
class FolderTree : public Control {
public:
    FolderTree(Form& form, std::string name, Rect bounds);
    const std::string& SelectedPath() const { return m_selected; }
    // The user clicked in the tree with `path` selected ("" when nothing is selected).
    void UserSelect(const std::string& path);

private:
    std::string m_selected;
};

class RichEdit : public Control {
public:
    RichEdit(Form& form, std::string name, Rect bounds);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    std::uint32_t BackColor() const { return m_backColor; }
    void SetBackColor(std::uint32_t color);
    // The whole content, replaced at once; rich text (RTF) or plain text.
    const std::string& Content() const { return m_content; }
    bool ContentIsRtf() const { return m_rtf; }
    void SetContent(std::string bytes, bool rtf);

private:
    bool m_readOnly = false;
    std::uint32_t m_backColor = 0xFFFFFF;
    std::string m_content;
    bool m_rtf = false;
};

class Timer {
public:
    // With `shownBy`, the timer ticks only while that form is shown (its handler has
    // nothing to do while the form is hidden): a hidden form's timer asks nothing of
    // the system. Enabled() stays what the program set either way.
    Timer(Application& app, std::uint32_t intervalMs, bool enabled, Form* shownBy = nullptr);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    std::uint32_t Interval() const { return m_interval; }
    std::function<void()> OnTimer;
    int Id() const { return m_id; }

private:
    friend class Form;
    // Starts or stops the system's timer as Enabled() and the form's visibility say.
    void Sync();

    Application& m_app;
    std::uint32_t m_interval;
    bool m_enabled = false;
    Form* m_shownBy;
    bool m_running = false;
    int m_id;
};

class Application final : public UiEvents {
public:
    explicit Application(Ui& ui);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application() override;

    Ui& Backend() { return m_ui; }

    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title);

    // The first form created is the main form; entering the loop shows it.
    Form* MainForm() const { return m_mainForm; }
    void RegisterForm(Form& form);
    void UnregisterForm(Form& form);

    // Runs the message loop (unless termination was requested before) until it ends.
    void Run();
    void Terminate();
    bool Terminated() const { return m_terminated; }
    void Minimize();
    void ProcessMessages();

    Cursor CurrentCursor() const { return m_cursor; }
    void SetCursor(Cursor cursor);
    Size Screen() { return m_ui.ScreenSize(); }

    int MessageBox(const std::string& text, const std::string& caption, mb::Style style);
    // The standard error report: the error's text in a box captioned with the title.
    void ShowException(const std::exception& error);
    // Runs a handler; an error escaping it is reported and swallowed.
    void Guard(const std::function<void()>& handler);

    std::function<void()> OnMinimize;
    std::function<void()> OnRestore;
    std::function<void(Input input, bool& handled)> OnMessage;

    // UiEvents
    void TimerFired(int timerId) override;
    void ApplicationMinimized() override;
    void ApplicationRestored() override;
    bool FilterMessage(Input input, WindowHandle target) override;
    void RunPosted(const std::function<void()>& callback) override;

    // Timer bookkeeping, for Timer.
    int AddTimer(Timer& timer);
    void RemoveTimer(int id);

private:
    Ui& m_ui;
    std::string m_title;
    Form* m_mainForm = nullptr;
    bool m_terminated = false;
    Cursor m_cursor = Cursor::Default;
    std::map<int, Timer*> m_timers;
    int m_nextTimerId = 1;
};

}  // namespace vel
