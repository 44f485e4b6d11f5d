// measure_viewer.sh's probe: loads one document into the viewer's rich-text view
// (platform/win32/RichTextView, as the program does), in a shown 700 by 500 window
// that then paints, and prints one line:
//   loaded=1 ms=N chars=N peak_commit_kb=N peak_ws_kb=N
// (ms: from the start of the load to the painted window; the memory figures are the
// whole process's peaks, the document's bytes held by the program included). A crash
// inside the control prints "crashed code=0x..." and ends the process with code 3.
//
// With "again", the shown window then loads the document once more, replacing it, as
// the viewer does for the next document, and the line ends with again_ms=N.
//
// Usage: rich_text_probe.exe FILE [text|rtf] [again]   (text: FILE is plain text, not RTF)

#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/win32/RichTextView.h"

namespace {

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    // On what may be an overflowed stack: a fixed buffer, no allocation.
    char line[64];
    int n = wsprintfA(line, "crashed code=0x%08lX\n", info->ExceptionRecord->ExceptionCode);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(n), &written, nullptr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

bool ReadWhole(const wchar_t* path, std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
        if (!ReadFile(file, bytes.data() + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    CloseHandle(file);
    return done == bytes.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: rich_text_probe.exe FILE [text|rtf] [again]\n", stderr);
        return 2;
    }
    SetUnhandledExceptionFilter(&ReportCrash);
    const bool isRtf = !(argc > 2 && lstrcmpiW(argv[2], L"text") == 0);
    const bool again = argc > 3 && lstrcmpiW(argv[3], L"again") == 0;

    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RichTextProbe";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    HWND view = vel::win32::richtext::Create(window, 101);
    if (!view) {
        std::fputs("no rich-text library\n", stderr);
        return 2;
    }
    RECT client{};
    GetClientRect(window, &client);
    MoveWindow(view, 0, 0, client.right, client.bottom, FALSE);

    const ULONGLONG start = GetTickCount64();
    std::string bytes;
    if (!ReadWhole(argv[1], bytes)) {
        std::fputs("cannot read the document\n", stderr);
        return 2;
    }
    const bool loaded = vel::win32::richtext::SetContent(view, bytes, isRtf);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    const ULONGLONG ms = GetTickCount64() - start;
    ULONGLONG againMs = 0;
    if (again) {
        const ULONGLONG second = GetTickCount64();
        vel::win32::richtext::SetContent(view, bytes, isRtf);
        InvalidateRect(view, nullptr, TRUE);
        UpdateWindow(window);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        againMs = GetTickCount64() - second;
    }

    GETTEXTLENGTHEX length{GTL_NUMCHARS, 1200};
    const LRESULT chars = SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("loaded=%d ms=%llu chars=%ld peak_commit_kb=%llu peak_ws_kb=%llu", loaded ? 1 : 0, ms,
                static_cast<long>(chars), static_cast<unsigned long long>(memory.PeakPagefileUsage / 1024),
                static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024));
    if (again) std::printf(" again_ms=%llu", againMs);
    std::printf("\n");
    DestroyWindow(window);
    return 0;
}
