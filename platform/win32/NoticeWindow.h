#pragma once
// The hidden message-only window that the system's devices post their notices to
// (MCI's end of a play, the mixer's control changes) and where the program's timers
// and posted work arrive: never shown, no taskbar entry, yet served by the thread's
// message loop. One window class and one procedure for all of them; create and use
// each window on the window thread.

#include "platform/win32/Win32.h"

#include <functional>

#include "platform/win32/Scoped.h"

namespace vel::win32 {

class NoticeWindow {
public:
    // Answers true for a message it took; any other gets the default handling. It may
    // destroy this very window (the handler runs from a copy).
    using Handler = std::function<bool(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit NoticeWindow(Handler handler);
    NoticeWindow(const NoticeWindow&) = delete;
    NoticeWindow& operator=(const NoticeWindow&) = delete;
    ~NoticeWindow();

    // Null when the system refused the window.
    HWND Get() const { return m_window.Get(); }
    explicit operator bool() const { return static_cast<bool>(m_window); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler m_handler;
    ScopedWindow m_window;
};

}  // namespace vel::win32
