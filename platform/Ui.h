#pragma once
// The windowing system seen from the program. The program owns the state and the
// events of its windows and controls (forms/); a backend only shows that state
// through a peer per control and reports the user's input back through the
// control's User* methods and the UiEvents sink. Decisions never live here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Types.h"

namespace vel {

class Control;
class Form;

// What changed on a control; the peer re-reads that part of the control's state.
enum class Property { Visible, Bounds, Text, Enabled, Range, Position, Checked, Picture, Content, Style, Focus, Font };

class ControlPeer {
public:
    ControlPeer() = default;
    ControlPeer(const ControlPeer&) = delete;
    ControlPeer& operator=(const ControlPeer&) = delete;
    virtual ~ControlPeer() = default;

    virtual WindowHandle Handle() const = 0;
    virtual void Update(Property changed) = 0;
};

enum class Cursor { Default, HourGlass };

// Message box styles and answers, the program's own: a style is the buttons, at most
// one icon and which button is the default; each backend shows them its own way.
namespace mb {
enum Style : std::uint32_t {
    Ok = 0,  // one OK button
    YesNo = 1u << 0,
    IconError = 1u << 1,
    IconQuestion = 1u << 2,
    IconInformation = 1u << 3,
    DefButton2 = 1u << 4,  // the second button is the default
};
constexpr Style operator|(Style a, Style b) { return Style(std::uint32_t(a) | std::uint32_t(b)); }
// The answers; a form's modal result speaks the same numbers (0 is none yet).
enum Answer : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };
}  // namespace mb

// The input the program's message filter looks at; a backend reports only these.
enum class Input { RightButtonDown, RightButtonUp };

// How much of a document the backend's rich-text view shows and stays usable with;
// the viewer refuses, in the program's words, a document beyond any of them.
struct DocumentViewLimits {
    std::size_t deepestNesting;    // groups nested, the document's own included
    std::int64_t mostText;         // bytes of text
    std::int64_t largestDocument;  // bytes of the file, which is read whole
    bool operator==(const DocumentViewLimits&) const = default;
};

// Reports from the backend to the program; each call runs inside the program's
// error guard.
class UiEvents {
public:
    virtual ~UiEvents() = default;
    virtual void TimerFired(int timerId) = 0;
    virtual void ApplicationMinimized() = 0;
    virtual void ApplicationRestored() = 0;
    // Called for each such input before it is dispatched; true drops it.
    virtual bool FilterMessage(Input input, WindowHandle target) = 0;
    // Runs a callback that was posted with Ui::Post.
    virtual void RunPosted(const std::function<void()>& callback) = 0;
};

class Ui {
public:
    Ui() = default;
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;
    virtual ~Ui() = default;

    virtual void SetEventSink(UiEvents* sink) = 0;
    // Creates the native side of a control; its parent (if any) has a peer already.
    virtual std::unique_ptr<ControlPeer> CreatePeer(Control& control) = 0;

    virtual Size ScreenSize() = 0;
    // Outer size minus client size for a form of that border style.
    virtual Size FrameSize(const Form& form) = 0;
    virtual DocumentViewLimits DocumentLimits() const = 0;

    // A modal system message box owned by the application; returns the answer (mb::Id*).
    virtual int MessageBox(const std::string& text, const std::string& caption, mb::Style style) = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    virtual void SetTitle(const std::string& title) = 0;

    virtual void SetTimer(int timerId, std::uint32_t intervalMs) = 0;
    virtual void KillTimer(int timerId) = 0;

    // Queues a callback to run later through the message loop (device notices).
    virtual void Post(std::function<void()> callback) = 0;
    // Runs the loop until Quit has been processed.
    virtual void RunLoop() = 0;
    // Posts the quit message.
    virtual void Quit() = 0;
    // Runs a nested loop while `form` is shown modally, until its modal result is set
    // (the backend sets Cancel when the user closes it) or the application quits.
    virtual void RunModal(Form& form) = 0;
    // Handles the messages already waiting, without waiting for new ones.
    virtual void ProcessMessages() = 0;
    // Minimises the whole application (its windows go to the taskbar button).
    virtual void MinimizeApplication() = 0;
};

}  // namespace vel
