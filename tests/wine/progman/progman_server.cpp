// A Program Manager of our own for Wine test prefixes: a DDE server for the service
// "progman" on any topic (the empty one included) that keeps program groups and
// writes them to a state file a test can read. It is an ANSI server that reads
// commands as code page 1251 text, whatever the prefix's language: an ANSI client's
// bytes reach it unchanged (see platform/win32/WinDde.cpp).
//
//   progman_server.exe STATE_FILE [LOG_FILE]
//
// STATE_FILE (UTF-8) is read at start, if it exists, and rewritten after every
// change, one line per group and per item:
//   group "Velvinor"
//   item "Вельвинор" "C:\Games\Velvinor\Velvinor.exe"
// LOG_FILE gets one line per transaction ("connect", "execute [CreateGroup(x)]",
// "request Velvinor -> 2 lines", "disconnect"), each ending with " @MS", the
// milliseconds since the server started. The file STATE_FILE.ready appears
// once the service name is registered. The server ends when its window (class
// "VelvinorTestProgman") is closed.
//
// Commands: CreateGroup(name[,...]) creates or opens a group and makes it current;
// ShowGroup(name[,...]) makes an existing group current; AddItem(command[,caption
// [,...]]) adds to the current group (caption defaults to the command's file name);
// DeleteItem(caption) removes it from the current group; DeleteGroup(name) removes a
// group. A request names a group: the answer (CF_TEXT, code page 1251) is the group's
// line "name","",count and one line "caption","command" per item, and the group
// becomes current; an unknown group gets no answer.

#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/ProgmanCommands.h"

namespace {

struct Item {
    std::wstring caption, command;
};
struct Group {
    std::wstring name;
    std::vector<Item> items;
};

DWORD g_instance = 0;
HSZ g_service = nullptr;
std::vector<Group> g_groups;
std::wstring g_current;
std::wstring g_stateFile, g_logFile;

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring FromCodePage(UINT codePage, const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string To1251(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(1251, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(1251, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

Group* FindGroup(const std::wstring& name) {
    for (auto& g : g_groups)
        if (SameName(g.name, name)) return &g;
    return nullptr;
}

void AppendFile(const std::wstring& path, const std::string& text) {
    if (path.empty()) return;
    HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

// Each line ends with the milliseconds since the server started, for timings.
DWORD g_start = GetTickCount();
void Log(const std::wstring& line) {
    AppendFile(g_logFile, ToUtf8(line) + " @" + std::to_string(GetTickCount() - g_start) + "\n");
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// Written to a new file and moved over the old one, so a reader never sees half of it.
void SaveState() {
    std::string text;
    for (const auto& g : g_groups) {
        text += ToUtf8(L"group " + Quoted(g.name)) + "\n";
        for (const auto& i : g.items) text += ToUtf8(L"item " + Quoted(i.caption) + L" " + Quoted(i.command)) + "\n";
    }
    std::wstring temp = g_stateFile + L".new";
    DeleteFileW(temp.c_str());
    AppendFile(temp, text);
    if (text.empty()) {  // an empty state is still a file
        HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    MoveFileExW(temp.c_str(), g_stateFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Reads `"text"` or a bare word from `line` at `at`.
std::wstring TakeField(const std::wstring& line, std::size_t& at) {
    while (at < line.size() && line[at] == L' ') ++at;
    std::wstring out;
    if (at < line.size() && line[at] == L'"') {
        std::size_t end = line.find(L'"', at + 1);
        out = line.substr(at + 1, end == std::wstring::npos ? std::wstring::npos : end - at - 1);
        at = end == std::wstring::npos ? line.size() : end + 1;
    } else {
        std::size_t end = line.find(L' ', at);
        out = line.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
        at = end == std::wstring::npos ? line.size() : end;
    }
    return out;
}

void LoadState() {
    HANDLE f = CreateFileW(g_stateFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(f);
    std::wstring text = FromCodePage(CP_UTF8, bytes);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(L'\n', pos);
        std::wstring line = text.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
        pos = end == std::wstring::npos ? text.size() : end + 1;
        std::size_t at = 0;
        std::wstring kind = TakeField(line, at);
        if (kind == L"group") {
            g_groups.push_back({TakeField(line, at), {}});
        } else if (kind == L"item" && !g_groups.empty()) {
            Item item;
            item.caption = TakeField(line, at);
            item.command = TakeField(line, at);
            g_groups.back().items.push_back(item);
        }
    }
}

void Apply(const std::wstring& name, const std::vector<std::wstring>& args) {
    std::wstring first = args.empty() ? std::wstring() : args[0];
    if (SameName(name, L"CreateGroup")) {
        if (!FindGroup(first)) g_groups.push_back({first, {}});
        g_current = first;
    } else if (SameName(name, L"ShowGroup")) {
        if (FindGroup(first)) g_current = first;
    } else if (SameName(name, L"AddItem")) {
        if (Group* g = FindGroup(g_current)) {
            std::wstring caption = args.size() > 1 ? args[1] : std::wstring();
            if (caption.empty()) caption = first.substr(first.find_last_of(L"\\/") + 1);
            g->items.push_back({caption, first});
        }
    } else if (SameName(name, L"DeleteItem")) {
        if (Group* g = FindGroup(g_current))
            for (auto it = g->items.begin(); it != g->items.end(); ++it)
                if (SameName(it->caption, first)) {
                    g->items.erase(it);
                    break;
                }
    } else if (SameName(name, L"DeleteGroup")) {
        for (auto it = g_groups.begin(); it != g_groups.end(); ++it)
            if (SameName(it->name, first)) {
                g_groups.erase(it);
                break;
            }
        if (SameName(g_current, first)) g_current.clear();
    }
}

// Every command of an execute string, in order, read as the program's other servers
// read them; the bytes are code page 1251.
void Execute(const std::string& bytes) {
    for (const vel::ProgmanCommand& c : vel::ParseProgmanCommands(bytes)) {
        std::vector<std::wstring> args;
        for (const std::string& a : c.args) args.push_back(FromCodePage(1251, a));
        Apply(FromCodePage(1251, c.name), args);
    }
    SaveState();
}

std::wstring StringOf(HSZ hsz) {
    char buffer[512] = {};
    DdeQueryStringA(g_instance, hsz, buffer, 511, CP_WINANSI);
    return FromCodePage(1251, buffer);
}

HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                           ULONG_PTR) {
    switch (type) {
        case XTYP_CONNECT:  // any topic
            Log(L"connect topic=" + Quoted(StringOf(hsz1)));
            return reinterpret_cast<HDDEDATA>(TRUE);
        case XTYP_WILDCONNECT: {  // a client that named no topic (or no service)
            if (hsz2 && DdeCmpStringHandles(hsz2, g_service) != 0) return nullptr;
            Log(L"connect wildcard");
            HSZPAIR pairs[2] = {{g_service, g_service}, {nullptr, nullptr}};
            return DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr,
                                       XTYP_WILDCONNECT, 0);
        }
        case XTYP_EXECUTE: {
            DWORD size = DdeGetData(data, nullptr, 0, 0);
            std::string bytes(size, '\0');
            if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
            bytes.resize(strnlen(bytes.c_str(), bytes.size()));
            std::wstring shown = FromCodePage(1251, bytes);
            while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) shown.pop_back();
            Log(L"execute " + shown);
            Execute(bytes);
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        case XTYP_REQUEST: {
            std::wstring item = StringOf(hsz2);
            Group* g = FindGroup(item);
            Log(L"request " + item + L" -> " + std::to_wstring(g ? g->items.size() + 1 : 0) + L" lines");
            if (!g || format != CF_TEXT) return nullptr;
            g_current = g->name;
            std::wstring answer = Quoted(g->name) + L",\"\"," + std::to_wstring(g->items.size()) + L"\r\n";
            for (const auto& i : g->items) answer += Quoted(i.caption) + L"," + Quoted(i.command) + L"\r\n";
            std::string bytes = To1251(answer);
            return DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(bytes.data()),
                                       static_cast<DWORD>(bytes.size() + 1), 0, hsz2, format, 0);
        }
        case XTYP_DISCONNECT: Log(L"disconnect"); return nullptr;
        default: (void)conv; return nullptr;
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: progman_server STATE_FILE [LOG_FILE]\n");
        return 2;
    }
    g_stateFile = argv[1];
    if (argc > 2) g_logFile = argv[2];
    LoadState();
    SaveState();

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelvinorTestProgman";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"Test Program Manager", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                nullptr, wc.hInstance, nullptr);

    if (DdeInitializeA(&g_instance, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
        return 1;
    g_service = DdeCreateStringHandleA(g_instance, "progman", CP_WINANSI);
    if (!DdeNameService(g_instance, g_service, nullptr, DNS_REGISTER)) return 1;
    AppendFile(g_stateFile + L".ready", "ready\n");
    Log(L"ready");

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DdeNameService(g_instance, g_service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_instance, g_service);
    DdeUninitialize(g_instance);
    DestroyWindow(window);
    return 0;
}
