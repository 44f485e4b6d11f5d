#pragma once
// The simulated windowing system: peers that trace what the program shows, a
// message loop fed by the scenario's events, simulated time driving the timers.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "forms/Forms.h"
#include "platform/Ui.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

// Thrown (not a std::exception, so no handler guard catches it) when the scenario
// runs out of events while the program waits for the user in a modal window.
struct ScenarioPaused {};
// Thrown the same way when the scenario kills the program: nothing of it runs on.
struct ProgramKilled {};

class SimUi final : public Ui {
public:
    explicit SimUi(Trace& trace) : m_trace(trace) {}

    void SetEventSink(UiEvents* sink) override { m_sink = sink; }
    std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
    Size ScreenSize() override { return screen; }
    Size FrameSize(const Form& form) override;
    DocumentViewLimits DocumentLimits() const override { return documentLimits; }
    int MessageBox(const std::string& text, const std::string& caption, mb::Style style) override;
    void SetCursor(Cursor cursor) override;
    void SetTitle(const std::string& title) override;
    void SetTimer(int timerId, std::uint32_t intervalMs) override;
    void KillTimer(int timerId) override;
    void Post(std::function<void()> callback) override { m_posted.push_back(std::move(callback)); }
    void RunLoop() override;
    void Quit() override { m_quit = true; }
    void RunModal(Form& form) override;
    void ProcessMessages() override;
    void MinimizeApplication() override;

    // Scenario side.
    Size screen{1024, 768};
    DocumentViewLimits documentLimits{32, 3 * 1024 * 1024, 64 * 1024 * 1024};
    // Runs the scenario's next event; false when there is none for this run.
    std::function<bool()> nextEvent;
    // The scripted answer to a message box, if the scenario gave one.
    std::function<std::optional<int>()> nextAnswer;
    // Runs the events the scenario lets arrive while the program waits in a nested
    // loop: "messagebox" (after the box's line, before it returns) or "pump"
    // (ProcessMessages). True when any ran.
    std::function<bool(const std::string& where)> nestedEvents;

    std::uint64_t Now() const { return m_now; }
    // Time passes while the thread is blocked: timers do not fire meanwhile.
    void Advance(std::uint32_t ms) { m_now += ms; }
    // Time passes while the loop runs: due timers fire and posted work runs.
    void Wait(std::uint32_t ms);
    // Whether the system's timer with that id runs (is set and not killed).
    bool TimerRunning(int timerId) const { return m_timers.count(timerId) != 0; }
    void UserRestore();
    void UserMinimize();
    // A right-button press or release on a window; traced as delivered or dropped.
    void RightButtonDown(const std::string& path);
    void RightButtonUp(const std::string& path);
    Control* Find(const std::string& path) const;
    void Register(Control& control) { m_controls[control.Path()] = &control; }
    void Unregister(Control& control);
    std::string NameOf(WindowHandle handle) const;
    WindowHandle NewHandle() { return m_nextHandle++; }
    Trace& trace() { return m_trace; }
    bool Quitting() const { return m_quit; }
    // Ends the run as if the loop had seen the quit message; for the runner.
    void ResetQuit() { m_quit = false; }
    // Forgets work posted by a program that has ended.
    void DropPosted() { m_posted.clear(); }

private:
    bool RunPostedOne();
    void RightButton(Input input, const char* what, const std::string& path);
    bool FireDueTimer(std::uint64_t until);

    Trace& m_trace;
    UiEvents* m_sink = nullptr;
    std::deque<std::function<void()>> m_posted;
    struct TimerState {
        std::uint32_t interval;
        std::uint64_t due;
    };
    std::map<int, TimerState> m_timers;
    std::uint64_t m_now = 0;
    bool m_quit = false;
    std::map<std::string, Control*> m_controls;
    WindowHandle m_nextHandle = 0x1000;
};

}  // namespace vel::sim
