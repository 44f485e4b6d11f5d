// The yardstick for measure.sh: a one-window program that does nothing else. Without
// arguments it is the bare window; with DLL names as arguments it loads those first
// (measure.sh passes Velvinor.exe's imports), so that what Velvinor.exe takes beyond
// it is the program's own start-up.
//
//   bench_window.exe [/timer:MS] [DLL...]
//
// The window (class "VelvinorBench", title "bench") is black, borderless and covers
// the screen, like the game's main window; WM_CLOSE ends the program. With /timer:MS
// a window timer of that period ticks and does nothing: the least a program with
// such a timer costs at rest.

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

UINT g_timerMs = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The words after the program's own name; DLL names hold no blanks or quotes.
void ReadArguments(const wchar_t* line) {
    bool quoted = false;
    while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
        if (*line == L'"') quoted = !quoted;
        ++line;
    }
    std::wstring word;
    for (;; ++line) {
        if (*line && *line != L' ' && *line != L'\t') {
            word += *line;
            continue;
        }
        if (word.rfind(L"/timer:", 0) == 0) g_timerMs = static_cast<UINT>(std::wcstoul(word.c_str() + 7, nullptr, 10));
        else if (!word.empty() && !LoadLibraryW(word.c_str())) ExitProcess(2);
        word.clear();
        if (!*line) break;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ReadArguments(GetCommandLineW());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"VelvinorBench";
    if (!RegisterClassExW(&wc)) return 1;
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (g_timerMs) SetTimer(window, 1, g_timerMs, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
