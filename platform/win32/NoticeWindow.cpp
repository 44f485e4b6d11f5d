#include "platform/win32/NoticeWindow.h"

#include <utility>

namespace vel::win32 {
namespace {

constexpr wchar_t kNoticeClass[] = L"VelvinorNotices";

bool RegisterNoticeClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kNoticeClass;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

NoticeWindow::NoticeWindow(Handler handler) : m_handler(std::move(handler)) {
    if (!RegisterNoticeClass(&Proc)) return;
    m_window.Reset(CreateWindowExW(0, kNoticeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    if (m_window) SetWindowLongPtrW(m_window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

NoticeWindow::~NoticeWindow() {
    // The messages of the destruction itself find no owner.
    if (m_window) SetWindowLongPtrW(m_window.Get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK NoticeWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* self = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
        // A copy: the handler may destroy its window, and this object with it.
        Handler handler = self->m_handler;
        if (handler && handler(window, message, wParam, lParam)) return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vel::win32
