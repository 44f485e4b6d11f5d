// The Wine tests' hands and eyes: finds the program's windows and message boxes,
// reads their texts, clicks their buttons, types into fields, sends keys, and waits
// for all of it with deadlines.
//
//   driver.exe < SCRIPT
//
// SCRIPT is UTF-8, one command per line; words are separated by blanks; a word in
// double quotes may hold blanks and the escapes \" \\ \n \r \t. "*" matches any
// class or title. Times are in milliseconds. The first failing command prints
// "FAIL: ..." with what it saw and ends the driver with exit code 1; a line with an
// unknown command or too few words fails before the first command runs.
//
//   wait-window CLASS TITLE [TIMEOUT [STEADY]]
//                                       a visible top-level window; it becomes current.
//                                       With STEADY, one that stays visible that long
//                                       (a box that a closing program shows and drops
//                                       at once does not count)
//   wait-gone [TIMEOUT]                 the current window is hidden or destroyed
//   wait-exit [TIMEOUT]                 the process of the current window has ended
//   absent CLASS TITLE DURATION         no such visible window for that long
//   forbid CLASS TITLE                  from now on, seeing such a visible window fails
//   count CLASS TITLE N                 exactly N such visible windows now
//   wait-count CLASS TITLE N [TIMEOUT]  waits until there are exactly N
//   expect-title TEXT                   the current window's title (within 5 s)
//   expect-text TEXT                    a child of the current window has exactly TEXT
//                                       (within 5 s)
//   click CAPTION                       presses the current window's button ("&" ignored;
//                                       waits up to 5 s for the button to exist)
//   set-text INDEX TEXT                 WM_SETTEXT on the INDEX-th (from 0) edit field
//   key VK                              posts key down and up (a virtual-key code) to it
//   close                               posts WM_CLOSE to the current window
//   restore                             restores the current window, as its taskbar button does
//   show                                prints the current window's children and texts
//   list                                prints every visible top-level window, top first
//   press VK [shift]                    a real keystroke (SendInput) to the foreground window,
//                                       with Shift held when asked
//   expect-focus CLASS TEXT             the control with the keyboard in the current window's
//                                       thread (within 5 s)
//   place LEFT TOP WIDTH HEIGHT         moves and sizes the current window, as a frame drag does
//   expect-rect LEFT TOP WIDTH HEIGHT   the current window's outer rectangle (within 5 s)
//   expect-filled                       each visible child fills the client area (within 5 s)
//   cursor X Y HANDLE                   moves the pointer to the screen point and expects
//                                       the cursor with that handle there (within 5 s)
//   expect-above CLASS TITLE            the current window lies above every other visible
//                                       such window in the z-order (within 5 s)
//   expect-owner CLASS TITLE            the current window's owner is a visible such window
//                                       and lies beneath it in the z-order (within 5 s)
//   x-stack                             prints the X windows (as 0x...) of the visible
//                                       top-level windows, top first (harness.sh's
//                                       stack_screen_as_windows raises them in that order)
//   print TEXT                          prints TEXT
//   hold-file PATH                      opens the file sharing reading and writing but
//                                       not deletion, until the driver ends
//   hold-mutex NAME                     creates the named mutex (as another run of the
//                                       program would), until the driver ends
// After each found window the driver prints "found CLASS "TITLE" t=UNIX_MS".

#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

void Out(const std::string& text) {
    std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Shows control characters so that a difference in line breaks is visible.
std::string Shown(const std::wstring& w) {
    std::wstring out = L"\"";
    for (wchar_t c : w) {
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else if (c == L'"' || c == L'\\') out += std::wstring(L"\\") + c;
        else out += c;
    }
    return ToUtf8(out + L"\"");
}

[[noreturn]] void Fail(const std::string& why) {
    Out("FAIL: " + why);
    std::exit(1);
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 255);
    return name;
}

// Through WM_GETTEXT, which the system carries across processes.
std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &got);
    text.resize(got);
    return text;
}

std::wstring TitleOf(HWND hwnd) {
    wchar_t title[1024] = {};
    InternalGetWindowText(hwnd, title, 1023);  // does not wait for a busy window
    return title;
}

bool Matches(const std::wstring& pattern, const std::wstring& value) { return pattern == L"*" || pattern == value; }

BOOL CALLBACK Collect(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Find(const std::wstring& cls, const std::wstring& title) {
    std::vector<HWND> found;
    for (HWND hwnd : TopWindows())
        if (IsWindowVisible(hwnd) && Matches(cls, ClassOf(hwnd)) && Matches(title, TitleOf(hwnd))) found.push_back(hwnd);
    return found;
}

std::string Describe(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const bool topMost = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return ToUtf8(ClassOf(hwnd)) + " " + Shown(TitleOf(hwnd)) + " pid=" + std::to_string(pid) +
           (topMost ? " topmost" : "");
}

// The visible top-level windows as the system stacks them, top first.
std::vector<HWND> ZOrder() {
    std::vector<HWND> windows;
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (IsWindowVisible(hwnd)) windows.push_back(hwnd);
    return windows;
}

std::string ListAll() {
    std::string out;
    for (HWND hwnd : ZOrder()) out += "\n  " + Describe(hwnd);
    return out.empty() ? " (no visible window)" : out;
}

long long UnixMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    return static_cast<long long>((t.QuadPart - 116444736000000000ULL) / 10000);
}

struct Pattern {
    std::wstring cls, title;
};
std::vector<Pattern> g_forbidden;
HWND g_current = nullptr;

void CheckForbidden() {
    for (const auto& p : g_forbidden) {
        auto found = Find(p.cls, p.title);
        if (!found.empty()) Fail("a forbidden window is visible: " + Describe(found[0]));
    }
}

// Polls `done` every 10 ms until it holds or the time is up; forbidden windows are
// watched meanwhile.
template <class Done>
bool Poll(DWORD timeoutMs, Done done) {
    DWORD start = GetTickCount();
    while (true) {
        CheckForbidden();
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
}

std::vector<std::wstring> Split(const std::wstring& line) {
    std::vector<std::wstring> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t' || line[i] == L'\r')) ++i;
        if (i >= line.size()) break;
        std::wstring word;
        if (line[i] == L'"') {
            for (++i; i < line.size() && line[i] != L'"'; ++i) {
                if (line[i] == L'\\' && i + 1 < line.size()) {
                    wchar_t c = line[++i];
                    word += c == L'n' ? L'\n' : c == L'r' ? L'\r' : c == L't' ? L'\t' : c;
                } else {
                    word += line[i];
                }
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != L' ' && line[i] != L'\t' && line[i] != L'\r') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

HWND Current() {
    if (!g_current || !IsWindow(g_current)) Fail("no current window");
    return g_current;
}

std::wstring WithoutAmpersand(std::wstring s) {
    std::wstring out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] != L'&' || (i + 1 < s.size() && s[i + 1] == L'&' && (++i, true))) out += s[i];
    return out;
}

DWORD Number(const std::vector<std::wstring>& w, std::size_t at, DWORD fallback) {
    return at < w.size() ? static_cast<DWORD>(std::wcstoul(w[at].c_str(), nullptr, 10)) : fallback;
}

// Each command: the words it needs after its name, and what it does.
using Words = std::vector<std::wstring>;
struct Command {
    std::size_t words;
    void (*run)(const Words& w);
};

const std::map<std::wstring, Command>& Commands() {
    static const std::map<std::wstring, Command> table = {
        {L"wait-window", {2, [](const Words& w) {
            DWORD timeout = Number(w, 3, 30000), steady = Number(w, 4, 0);
            HWND found = nullptr, candidate = nullptr;
            DWORD since = 0;
            if (!Poll(timeout, [&] {
                    auto all = Find(w[1], w[2]);
                    HWND first = all.empty() ? nullptr : all[0];
                    if (first != candidate) {
                        candidate = first;
                        since = GetTickCount();
                    }
                    if (candidate && GetTickCount() - since >= steady) found = candidate;
                    return found != nullptr;
                }))
                Fail("no window " + ToUtf8(w[1]) + " " + Shown(w[2]) + " within " + std::to_string(timeout) + " ms;" +
                     ListAll());
            g_current = found;
            Out("found " + ToUtf8(ClassOf(found)) + " " + Shown(TitleOf(found)) + " t=" + std::to_string(UnixMs()));
         }}},
        {L"wait-gone", {0, [](const Words& w) {
            HWND hwnd = Current();
            DWORD timeout = Number(w, 1, 30000);
            if (!Poll(timeout, [&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }))
                Fail("the window is still there after " + std::to_string(timeout) + " ms: " + Describe(hwnd));
         }}},
        {L"wait-exit", {0, [](const Words& w) {
            DWORD pid = 0;
            GetWindowThreadProcessId(Current(), &pid);
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
            if (!process) return;  // gone already
            DWORD timeout = Number(w, 1, 30000);
            bool ended = Poll(timeout, [&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; });
            CloseHandle(process);
            if (!ended) Fail("process " + std::to_string(pid) + " still runs after " + std::to_string(timeout) + " ms");
         }}},
        {L"absent", {3, [](const Words& w) {
            DWORD duration = Number(w, 3, 0);
            HWND seen = nullptr;
            Poll(duration, [&] {
                auto all = Find(w[1], w[2]);
                if (!all.empty()) seen = all[0];
                return seen != nullptr;
            });
            if (seen) Fail("a window that must not be there: " + Describe(seen));
         }}},
        {L"forbid", {2, [](const Words& w) {
            g_forbidden.push_back({w[1], w[2]});
            CheckForbidden();
         }}},
        {L"count", {3, [](const Words& w) {
            auto all = Find(w[1], w[2]);
            if (all.size() != Number(w, 3, 0))
                Fail(std::to_string(all.size()) + " windows " + ToUtf8(w[1]) + " " + Shown(w[2]) + ", not " +
                     ToUtf8(w[3]) + ";" + ListAll());
         }}},
        {L"wait-count", {3, [](const Words& w) {
            DWORD timeout = Number(w, 4, 30000);
            if (!Poll(timeout, [&] { return Find(w[1], w[2]).size() == Number(w, 3, 0); }))
                Fail("not " + ToUtf8(w[3]) + " windows " + ToUtf8(w[1]) + " " + Shown(w[2]) + " within " +
                     std::to_string(timeout) + " ms;" + ListAll());
         }}},
        {L"expect-title", {1, [](const Words& w) {
            std::wstring title;
            if (!Poll(5000, [&] { return (title = TextOf(Current())) == w[1]; }))
                Fail("title " + Shown(title) + ", not " + Shown(w[1]));
         }}},
        {L"expect-text", {1, [](const Words& w) {
            // The program may still be changing the window: look for a while.
            std::string seen;
            bool found = Poll(5000, [&] {
                seen.clear();
                for (HWND child : Children(Current())) {
                    std::wstring text = TextOf(child);
                    if (text == w[1]) return true;
                    seen += "\n  " + ToUtf8(ClassOf(child)) + " " + Shown(text);
                }
                return false;
            });
            if (!found) Fail("no child with the text " + Shown(w[1]) + "; children:" + seen);
         }}},
        {L"click", {1, [](const Words& w) {
            // A window may show before its buttons exist: look for a while.
            HWND button = nullptr;
            Poll(5000, [&] {
                for (HWND child : Children(Current())) {
                    if (_wcsicmp(ClassOf(child).c_str(), L"Button") != 0) continue;
                    if (WithoutAmpersand(TextOf(child)) != WithoutAmpersand(w[1])) continue;
                    button = child;
                    return true;
                }
                return false;
            });
            if (!button) Fail("no button " + Shown(w[1]) + " in " + Describe(Current()));
            // As the button itself reports a click to its parent.
            PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
         }}},
        {L"set-text", {2, [](const Words& w) {
            DWORD index = Number(w, 1, 0), seen = 0;
            for (HWND child : Children(Current())) {
                if (_wcsicmp(ClassOf(child).c_str(), L"Edit") != 0) continue;
                if (seen++ == index) {
                    DWORD_PTR result = 0;
                    SendMessageTimeoutW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[2].c_str()), SMTO_ABORTIFHUNG,
                                        5000, &result);
                    return;
                }
            }
            Fail("no edit field " + std::to_string(index) + " in " + Describe(Current()));
         }}},
        {L"key", {1, [](const Words& w) {
            WPARAM vk = Number(w, 1, 0);
            HWND hwnd = Current();
            PostMessageW(hwnd, WM_KEYDOWN, vk, 1);
            PostMessageW(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
         }}},
        {L"restore", {0, [](const Words&) {
            ShowWindowAsync(Current(), SW_RESTORE);
         }}},
        {L"close", {0, [](const Words&) {
            PostMessageW(Current(), WM_CLOSE, 0, 0);
         }}},
        {L"show", {0, [](const Words&) {
            std::string out = "window " + Describe(Current());
            for (HWND child : Children(Current())) out += "\n  " + ToUtf8(ClassOf(child)) + " " + Shown(TextOf(child));
            Out(out);
         }}},
        {L"list", {0, [](const Words&) {
            Out("windows:" + ListAll());
         }}},
        {L"press", {1, [](const Words& w) {
            const WORD vk = static_cast<WORD>(Number(w, 1, 0));
            const bool shift = w.size() > 2 && w[2] == L"shift";
            std::vector<INPUT> keys;
            auto key = [&keys](WORD code, bool up) {
                INPUT in{};
                in.type = INPUT_KEYBOARD;
                in.ki.wVk = code;
                in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
                keys.push_back(in);
            };
            if (shift) key(VK_SHIFT, false);
            key(vk, false);
            key(vk, true);
            if (shift) key(VK_SHIFT, true);
            SetForegroundWindow(Current());
            SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
         }}},
        {L"expect-focus", {2, [](const Words& w) {
            HWND focus = nullptr;
            if (!Poll(5000, [&] {
                    GUITHREADINFO info{};
                    info.cbSize = sizeof info;
                    focus = GetGUIThreadInfo(GetWindowThreadProcessId(Current(), nullptr), &info) ? info.hwndFocus : nullptr;
                    return focus && Matches(w[1], ClassOf(focus)) && Matches(w[2], WithoutAmpersand(TextOf(focus)));
                }))
                Fail("the keyboard is with " + (focus ? ToUtf8(ClassOf(focus)) + " " + Shown(TextOf(focus)) : "nothing") +
                     ", not " + ToUtf8(w[1]) + " " + Shown(w[2]));
         }}},
        {L"place", {4, [](const Words& w) {
            SetWindowPos(Current(), nullptr, static_cast<int>(std::wcstol(w[1].c_str(), nullptr, 10)),
                         static_cast<int>(std::wcstol(w[2].c_str(), nullptr, 10)), static_cast<int>(Number(w, 3, 0)),
                         static_cast<int>(Number(w, 4, 0)), SWP_NOZORDER | SWP_NOACTIVATE);
         }}},
        {L"expect-rect", {4, [](const Words& w) {
            RECT r{};
            auto text = [](const RECT& x) {
                return std::to_string(x.left) + "," + std::to_string(x.top) + " " + std::to_string(x.right - x.left) + "x" +
                       std::to_string(x.bottom - x.top);
            };
            const RECT wanted{static_cast<LONG>(std::wcstol(w[1].c_str(), nullptr, 10)),
                              static_cast<LONG>(std::wcstol(w[2].c_str(), nullptr, 10)), 0, 0};
            const LONG width = static_cast<LONG>(Number(w, 3, 0)), height = static_cast<LONG>(Number(w, 4, 0));
            if (!Poll(5000, [&] {
                    GetWindowRect(Current(), &r);
                    return r.left == wanted.left && r.top == wanted.top && r.right - r.left == width &&
                           r.bottom - r.top == height;
                }))
                Fail("the window is at " + text(r) + ", not " + text(RECT{wanted.left, wanted.top, wanted.left + width,
                                                                           wanted.top + height}));
         }}},
        {L"expect-filled", {0, [](const Words&) {
            std::string seen;
            if (!Poll(5000, [&] {
                    RECT client;
                    GetClientRect(Current(), &client);
                    seen = "client " + std::to_string(client.right) + "x" + std::to_string(client.bottom);
                    bool all = true;
                    for (HWND child : Children(Current())) {
                        if (GetParent(child) != Current() || !IsWindowVisible(child)) continue;
                        RECT r;
                        GetWindowRect(child, &r);
                        MapWindowPoints(nullptr, Current(), reinterpret_cast<POINT*>(&r), 2);
                        seen += "; " + ToUtf8(ClassOf(child)) + " " + std::to_string(r.left) + "," + std::to_string(r.top) +
                                " " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
                        all = all && r.left == 0 && r.top == 0 && r.right == client.right && r.bottom == client.bottom;
                    }
                    return all;
                }))
                Fail("a child does not fill the client area: " + seen);
         }}},
        {L"cursor", {3, [](const Words& w) {
            // Cursor handles belong to the process that loaded them: the program's own
            // stand-in control tells which handle is which there (its log).
            const int x = static_cast<int>(Number(w, 1, 0)), y = static_cast<int>(Number(w, 2, 0));
            const auto wanted = static_cast<std::uintptr_t>(std::wcstoull(w[3].c_str(), nullptr, 10));
            CURSORINFO info{};
            bool seen = Poll(5000, [&] {
                // A move each time: the window under the pointer is asked for its cursor then.
                SetCursorPos(x + 1, y);
                SetCursorPos(x, y);
                info.cbSize = sizeof info;
                return GetCursorInfo(&info) && reinterpret_cast<std::uintptr_t>(info.hCursor) == wanted;
            });
            if (!seen) {
                HWND under = WindowFromPoint(POINT{x, y});
                Fail("the cursor at " + std::to_string(x) + "," + std::to_string(y) + " is " +
                     std::to_string(reinterpret_cast<std::uintptr_t>(info.hCursor)) + ", not " + ToUtf8(w[3]) + ", over " +
                     (under ? Describe(under) : std::string("no window")));
            }
         }}},
        {L"expect-above", {2, [](const Words& w) {
            HWND hwnd = Current();
            // Windows above the current one that match: none may be left.
            auto covering = [&] {
                std::vector<HWND> above;
                for (HWND other : ZOrder()) {
                    if (other == hwnd) return above;
                    if (Matches(w[1], ClassOf(other)) && Matches(w[2], TitleOf(other))) above.push_back(other);
                }
                above.assign(1, nullptr);  // not visible at all
                return above;
            };
            std::vector<HWND> above;
            if (!Poll(5000, [&] { return (above = covering()).empty(); })) {
                if (!above[0]) Fail("the window is not visible: " + Describe(hwnd));
                Fail(Describe(hwnd) + " lies beneath " + Describe(above[0]) + "; top first:" + ListAll());
            }
         }}},
        {L"expect-owner", {2, [](const Words& w) {
            HWND hwnd = Current();
            HWND owner = nullptr;
            auto owned = [&] {
                owner = GetWindow(hwnd, GW_OWNER);
                if (!owner || !IsWindowVisible(owner) || !Matches(w[1], ClassOf(owner)) || !Matches(w[2], TitleOf(owner)))
                    return false;
                for (HWND other : ZOrder()) {
                    if (other == hwnd) return true;
                    if (other == owner) return false;
                }
                return false;
            };
            if (!Poll(5000, owned))
                Fail(Describe(hwnd) + " is not above a visible owner of that kind; its owner: " +
                     (owner ? Describe(owner) + (IsWindowVisible(owner) ? "" : " (hidden)") : std::string("none")) +
                     "; top first:" + ListAll());
            Out("owner " + Describe(owner));
         }}},
        {L"x-stack", {0, [](const Words&) {
            // Wine's X11 driver keeps each top-level window's X window in this property.
            char id[32];
            for (HWND hwnd : ZOrder())
                if (auto xid = reinterpret_cast<std::uintptr_t>(GetPropW(hwnd, L"__wine_x11_whole_window"))) {
                    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(xid));
                    Out(id);
                }
         }}},
        {L"print", {1, [](const Words& w) {
            Out(ToUtf8(w[1]));
         }}},
        {L"hold-file", {1, [](const Words& w) {
            // Left open on purpose: the system closes it when the driver ends.
            if (CreateFileW(w[1].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr) == INVALID_HANDLE_VALUE)
                Fail("cannot open " + ToUtf8(w[1]) + ": error " + std::to_string(GetLastError()));
         }}},
        {L"hold-mutex", {1, [](const Words& w) {
            if (!CreateMutexW(nullptr, FALSE, w[1].c_str())) Fail("cannot create the mutex " + ToUtf8(w[1]));
         }}},
    };
    return table;
}

// The command of a line, its words checked: a script with a typo fails at its
// line before the driver acts on any of it.
const Command& Check(const Words& w, std::size_t line) {
    const auto& table = Commands();
    auto it = table.find(w[0]);
    if (it == table.end()) Fail("line " + std::to_string(line) + ": unknown command " + ToUtf8(w[0]));
    if (w.size() < it->second.words + 1)
        Fail("line " + std::to_string(line) + ": too few words for " + ToUtf8(w[0]));
    return it->second;
}

}  // namespace

int main() {
    std::string input;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got) input.append(buffer, got);
    std::wstring script = FromUtf8(input);
    std::vector<std::pair<const Command*, Words>> lines;
    std::size_t pos = 0, number = 0;
    while (pos < script.size()) {
        std::size_t end = script.find(L'\n', pos);
        std::wstring line = script.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
        pos = end == std::wstring::npos ? script.size() : end + 1;
        ++number;
        auto words = Split(line);
        if (words.empty() || words[0][0] == L'#') continue;
        lines.emplace_back(&Check(words, number), std::move(words));
    }
    for (const auto& [command, words] : lines) command->run(words);
    return 0;
}
