// Drives the Windows movie host against the stand-in control, under Wine.
//   moviehost_check unregistered   no control registered: creation raises OleError
//   moviehost_check full           properties, variables, placement, visibility,
//                                  FSCommands from the command file, clean release
//   moviehost_check failures       with VELVINOR_STUB_FAIL=FlashVars,SetVariable and
//                                  VELVINOR_STUB_VERSION empty: the failure paths
//   moviehost_check movie          the movie's own frames: order, spacing, restart, stop
//   moviehost_check unreadable     an unreadable movie raises nothing; the command file works
//   moviehost_check gate           with VELVINOR_STUB_GATE: the movie holds at each command frame
//   moviehost_check scriptaccess   a container that stores script access "always" gets the
//                                  movie's FSCommand; "sameDomain", "never" or none, not
// Reads VELVINOR_STUB_LOG, VELVINOR_STUB_COMMANDS and VELVINOR_STUB_GATE, as the stand-in does.
// Prints one line per failed expectation and "PASS" or "FAIL"; exit code 0 on success.

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "StubSupport.h"
#include "platform/win32/MovieHost.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "tools/swf/Swf.h"

namespace {

int g_failures = 0;

void Expect(bool ok, const std::string& what) {
    if (ok) return;
    ++g_failures;
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
}

std::string Show(const std::u16string& s) { return vel::WideToUtf8(s); }

HWND Hwnd(vel::WindowHandle h) { return reinterpret_cast<HWND>(h); }

// Runs the message loop until done() holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void AppendFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Expect(file != INVALID_HANDLE_VALUE, "the command file opens");
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
    std::vector<std::string> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lines;
    std::string data;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) data.append(buffer, read);
    CloseHandle(file);
    std::size_t start = 0;
    for (std::size_t end; (end = data.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(data.substr(start, end - start));
    return lines;
}

// Every expected line appears in the log, in this order (other lines may come between).
void ExpectLogInOrder(const std::vector<std::string>& log, const std::vector<std::string>& expected) {
    std::size_t at = 0;
    for (const std::string& line : expected) {
        std::size_t found = at;
        while (found < log.size() && log[found] != line) ++found;
        Expect(found < log.size(), "the control's log holds, in order: " + line);
        if (found < log.size()) at = found + 1;
    }
}

HWND CreateParent() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"MovieHostCheck";
    RegisterClassExW(&wc);
    HWND parent = CreateWindowExW(0, L"MovieHostCheck", L"MovieHostCheck", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  0, 0, 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(parent, SW_SHOWNORMAL);
    return parent;
}

void CheckUnregistered(HWND parent) {
    auto service = vel::win32::CreateMovieService();
    try {
        auto player = service->Create(reinterpret_cast<vel::WindowHandle>(parent), nullptr);
        Expect(false, "creation without a registered control raises OleError");
    } catch (const vel::OleError& e) {
        std::printf("creation failed as expected: %s\n", vel::AnsiToUtf8(e.what()).c_str());
        Expect(std::string(e.what()).size() > 0, "the OLE error has a text");
    }
}

void CheckFull(HWND parent) {
    const std::wstring logPath = flashstub::EnvVar(L"VELVINOR_STUB_LOG");
    const std::wstring commandPath = flashstub::EnvVar(L"VELVINOR_STUB_COMMANDS");
    Expect(!logPath.empty() && !commandPath.empty(), "VELVINOR_STUB_LOG and VELVINOR_STUB_COMMANDS are set");
    const std::u16string version = vel::Utf8ToWide(flashstub::Utf8(flashstub::EnvVar(L"VELVINOR_STUB_VERSION")));

    auto service = vel::win32::CreateMovieService();
    std::unique_ptr<vel::MoviePlayer> player;
    std::vector<std::pair<std::u16string, std::u16string>> received;
    bool offThread = false;
    const DWORD thread = GetCurrentThreadId();
    player = service->Create(reinterpret_cast<vel::WindowHandle>(parent),
                             [&](const std::u16string& command, const std::u16string& args) {
                                 offThread = offThread || GetCurrentThreadId() != thread;
                                 received.emplace_back(command, args);
                                 // Calling back into the control from inside its event.
                                 if (command == u"saveini") player->SetVariable(u"_root.saved", args);
                             });

    HWND control = Hwnd(player->Handle());
    Expect(control && GetParent(control) == parent, "the control is a child window of the parent");
    player->SetBounds({0, 0, 1024, 768});
    player->SetVisible(false);
    Expect(!IsWindowVisible(control), "hidden after SetVisible(false)");

    player->PutScaleMode(0);
    player->SetBounds({-112, -84, 1024, 768});
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    Expect(r.left == -112 && r.top == -84 && r.right - r.left == 1024 && r.bottom - r.top == 768,
           "the control's window is placed at -112,-84 1024x768");
    player->PutWMode(u"transparent");

    const std::u16string movie = u"C:\\Игры\\Вельвинор\\SWF\\Game.swf";
    player->PutMovie(movie);
    Expect(player->GetMovie() == movie, "Movie reads back the path put");
    Expect(player->PutFlashVars(u"ini=&ProcessorFreq=2394&EscIntro=0&ExeName=Velvinor"), "FlashVars accepted");
    std::u16string got = player->GetVariable(u"$version");
    Expect(got == version, "$version reads \"" + Show(version) + "\", got \"" + Show(got) + "\"");
    Expect(player->GetVariable(u"ProcessorFreq") == u"2394", "the movie sees the FlashVars pairs");
    player->SetVariable(u"_root.mpg", u"1");
    Expect(player->GetVariable(u"_root.mpg") == u"1", "a written variable reads back");

    player->DoVerbShow();
    player->SetVisible(true);
    Expect(IsWindowVisible(control) != FALSE, "visible after SetVisible(true)");

    AppendFile(commandPath, "saveini\tуровень=3\r\nQuit\n");
    bool arrived = PumpUntil([&] { return received.size() >= 2; }, 10000);
    Expect(arrived, "two FSCommands arrive within 10 s");
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {{u"saveini", u"уровень=3"},
                                                                             {u"Quit", u""}};
    Expect(received == expected, "the FSCommands arrive unchanged, in order");
    Expect(!offThread, "FSCommands arrive on the window thread");
    // A command written without its line end waits until the line is complete.
    AppendFile(commandPath, "minimize");
    PumpUntil([] { return false; }, 300);
    Expect(received.size() == 2, "an unfinished command line is not raised");

    // The awkward order: the service goes before its player; OLE must outlive both.
    service.reset();
    player.reset();
    // OLE is no longer initialised on this thread: a new initialisation is the first again.
    HRESULT again = OleInitialize(nullptr);
    Expect(again == S_OK, "OLE is uninitialised once the service and its player are gone");
    if (SUCCEEDED(again)) OleUninitialize();

    ExpectLogInOrder(ReadLines(logPath),
                     {"create", "site set", "initnew",
                      // the stored design-time state, before anything else
                      "extent 27093x20320 himetric", "put WMode \"Window\"", "put Quality2 \"High\"",
                      "put AllowScriptAccess \"always\"", "put Scale \"ShowAll\"", "put AllowNetworking \"all\"",
                      "put AllowFullScreen \"false\"", "advise", "verb -5", "activate 0,0 1024x768", "show",
                      "rects 0,0 1024x768", "hide", "put ScaleMode 0", "rects -112,-84 1024x768",
                      "put WMode \"transparent\"", "put Movie \"C:\\\\Игры\\\\Вельвинор\\\\SWF\\\\Game.swf\"",
                      "get Movie", "put FlashVars \"ini=&ProcessorFreq=2394&EscIntro=0&ExeName=Velvinor\"",
                      "call GetVariable \"$version\" -> \"" + Show(version) + "\"",
                      "call SetVariable \"_root.mpg\" \"1\"", "verb -1", "show",
                      "fscommand \"saveini\" \"уровень=3\"", "call SetVariable \"_root.saved\" \"уровень=3\"",
                      "fscommand \"Quit\" \"\"", "unadvise", "deactivate", "close", "site cleared", "destroy"});
}

void CheckFailures(HWND parent) {
    auto service = vel::win32::CreateMovieService();
    auto player = service->Create(reinterpret_cast<vel::WindowHandle>(parent), nullptr);
    player->PutMovie(u"C:\\Game.swf");
    Expect(!player->PutFlashVars(u"a=1"), "a rejected FlashVars put answers false");
    Expect(player->GetVariable(u"$version").empty(), "an unavailable version reads empty");
    try {
        player->SetVariable(u"_root.mpg", u"0");
        Expect(false, "a failing SetVariable raises OleError");
    } catch (const vel::OleError& e) {
        Expect(std::string(e.what()) == "Stub failure of SetVariable",
               "the error carries the control's description, got: " + vel::AnsiToUtf8(e.what()));
    }
}

// ---- the movie's own frames

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

void WriteWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    Expect(ok, "writes " + flashstub::Utf8(path));
}

std::string ReadWhole(const std::wstring& path) {
    std::string text;
    for (const std::string& line : ReadLines(path)) text += line + "\n";
    return text;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring WriteMovie(const wchar_t* name, const vel::swf::Movie& movie) {
    const std::wstring path = TempPath(name);
    WriteWhole(path, vel::swf::WriteSwf(movie));
    return path;
}

struct Event {
    std::u16string command, args;
    double ms;  // when it arrived
};

// The movie host with the stand-in on show, recording the FSCommands it raises.
struct MovieStage {
    explicit MovieStage(HWND parent, std::unique_ptr<vel::MovieService> host = vel::win32::CreateMovieService())
        : service(std::move(host)) {
        player = service->Create(reinterpret_cast<vel::WindowHandle>(parent),
                                 [this](const std::u16string& command, const std::u16string& args) {
                                     events.push_back({command, args, NowMs()});
                                     if (onEvent) onEvent();
                                 });
        player->SetBounds({0, 0, 800, 600});
        player->DoVerbShow();
    }
    bool WaitFor(std::size_t count, DWORD milliseconds) {
        return PumpUntil([&] { return events.size() >= count; }, milliseconds);
    }
    std::vector<std::pair<std::u16string, std::u16string>> Raised(std::size_t from = 0) const {
        std::vector<std::pair<std::u16string, std::u16string>> out;
        for (std::size_t i = from; i < events.size(); ++i) out.emplace_back(events[i].command, events[i].args);
        return out;
    }

    std::unique_ptr<vel::MovieService> service;
    std::unique_ptr<vel::MoviePlayer> player;
    std::vector<Event> events;
    std::function<void()> onEvent;  // inside the event, after it is recorded
};

using Raised = std::vector<std::pair<std::u16string, std::u16string>>;

// 20 frames a second: frame 3 is due 100 ms after frame 1, frame 10 450 ms after it.
vel::swf::Movie TwentyFps() {
    vel::swf::Movie m;
    m.frameRate = 20;
    m.frameCount = 12;
    m.commands = {{1, "setvolume", "50"}, {3, "saveini", "уровень=3"}, {3, "cursor", "wait"}, {10, "minimize", ""}};
    return m;
}
const Raised kTwentyFps = {{u"setvolume", u"50"}, {u"saveini", u"уровень=3"}, {u"cursor", u"wait"}, {u"minimize", u""}};

void CheckMovie(HWND parent) {
    const std::wstring logPath = flashstub::EnvVar(L"VELVINOR_STUB_LOG");
    const std::wstring a = WriteMovie(L"moviehost-a.swf", TwentyFps());
    vel::swf::Movie other;
    other.frameRate = 20;
    other.frameCount = 4;
    other.commands = {{2, "execute", "parents.rtf"}};
    const std::wstring b = WriteMovie(L"moviehost-b.swf", other);

    MovieStage stage(parent);
    // Put while hidden, as the program's first start is: the movie waits to be shown.
    stage.player->SetVisible(false);
    stage.player->PutMovie(U16(a));
    PumpUntil([] { return false; }, 400);
    Expect(stage.events.empty(), "a hidden movie raises nothing");
    const double shown = NowMs();
    stage.player->SetVisible(true);
    Expect(stage.WaitFor(4, 10000), "the movie's four FSCommands arrive within 10 s");
    Expect(stage.Raised() == kTwentyFps, "the movie's FSCommands arrive unchanged, in frame order");
    if (stage.events.size() >= 4) {
        const double first = stage.events[0].ms - shown, third = stage.events[1].ms - stage.events[0].ms,
                     tenth = stage.events[3].ms - stage.events[0].ms;
        std::printf("frame 1 came %.0f ms after showing; frame 3 %.0f ms and frame 10 %.0f ms after frame 1\n", first,
                    third, tenth);
        // Loose bounds only: a loaded machine delays frames, it never brings them early.
        Expect(first < 2000, "frame 1 comes at once");
        Expect(third >= 80, "frame 3 not before 80 ms after frame 1");
        Expect(tenth >= 400, "frame 10 not before 400 ms after frame 1");
        Expect(stage.events[1].ms == stage.events[2].ms || stage.events[2].ms - stage.events[1].ms < 50,
               "the two commands of frame 3 come together");
    }
    PumpUntil([] { return false; }, 300);
    Expect(stage.events.size() == 4, "after its last frame the movie stops: no loop");

    // Put again: it restarts from frame 1. Another movie put on top (from inside frame
    // 1's event, so before frame 3 whatever the machine's load) replaces it at once.
    stage.onEvent = [&] {
        if (stage.events.size() == 5) stage.player->PutMovie(U16(b));
    };
    stage.player->PutMovie(U16(a));
    Expect(stage.WaitFor(6, 5000), "the movie put again starts over, then the new movie's command arrives");
    PumpUntil([] { return false; }, 700);
    Expect(stage.Raised(4) == Raised{{u"setvolume", u"50"}, {u"execute", u"parents.rtf"}},
           "the replaced movie's later frames never come");
    // An empty Movie stops the movie.
    stage.player->PutMovie(U16(a));
    stage.player->PutMovie(u"");
    PumpUntil([] { return false; }, 400);
    Expect(stage.events.size() == 6, "an empty Movie stops the movie");

    stage.player.reset();
    stage.service.reset();
    DeleteFileW(a.c_str());
    DeleteFileW(b.c_str());
    ExpectLogInOrder(ReadLines(logPath), {"movie " + flashstub::Quote(a) + ": 12 frames at 20 fps, 4 commands",
                                          "frame 1", "fscommand \"setvolume\" \"50\"", "frame 3",
                                          "fscommand \"saveini\" \"уровень=3\"", "fscommand \"cursor\" \"wait\"",
                                          "frame 10", "fscommand \"minimize\" \"\"", "movie ended", "frame 1",
                                          "frame 2", "fscommand \"execute\" \"parents.rtf\"", "movie ended"});
}

void CheckUnreadable(HWND parent) {
    const std::wstring logPath = flashstub::EnvVar(L"VELVINOR_STUB_LOG");
    const std::wstring commandPath = flashstub::EnvVar(L"VELVINOR_STUB_COMMANDS");
    const std::wstring bad = TempPath(L"moviehost-bad.swf");
    WriteWhole(bad, "FWS");  // what the tests' program folders hold

    MovieStage stage(parent);
    stage.player->SetVisible(true);
    stage.player->PutMovie(U16(bad));
    AppendFile(commandPath, "saveini\tуровень=4\n");
    Expect(stage.WaitFor(1, 10000), "the command file's command arrives");
    PumpUntil([] { return false; }, 500);
    Expect(stage.Raised() == Raised{{u"saveini", u"уровень=4"}}, "the unreadable movie raises nothing");
    stage.player.reset();
    stage.service.reset();
    DeleteFileW(bad.c_str());

    const std::vector<std::string> log = ReadLines(logPath);
    const std::string unreadable = "movie unreadable " + flashstub::Quote(bad) + ": ";
    bool found = false;
    for (const std::string& line : log) found = found || line.rfind(unreadable, 0) == 0;
    Expect(found, "the log tells the movie is unreadable: " + unreadable + "...");
}

void CheckGate(HWND parent) {
    const std::wstring gate = flashstub::EnvVar(L"VELVINOR_STUB_GATE");
    Expect(!gate.empty(), "VELVINOR_STUB_GATE is set");
    const std::wstring waiting = gate + L"\\waiting", go = gate + L"\\go";
    vel::swf::Movie m;
    m.frameRate = 20;
    m.frameCount = 6;
    m.commands = {{3, "saveini", "уровень=5"}, {3, "cursor", "norm"}, {5, "minimize", ""}};
    const std::wstring path = WriteMovie(L"moviehost-gate.swf", m);

    MovieStage stage(parent);
    stage.player->SetVisible(true);
    stage.player->PutMovie(U16(path));
    Expect(PumpUntil([&] { return Exists(waiting); }, 10000), "the movie holds at frame 3: \"waiting\" appears");
    Expect(ReadWhole(waiting) == "3\nsaveini\tуровень=5\ncursor\tnorm\n",
           "\"waiting\" names the frame and its commands, got: " + ReadWhole(waiting));
    PumpUntil([] { return false; }, 600);
    Expect(stage.events.empty(), "nothing is raised while the movie holds");
    Expect(Exists(waiting), "\"waiting\" stays until \"go\"");

    const double released = NowMs();
    WriteWhole(go, "");
    Expect(stage.WaitFor(2, 5000), "\"go\" lets frame 3's commands through");
    Expect(stage.Raised() == Raised{{u"saveini", u"уровень=5"}, {u"cursor", u"norm"}}, "frame 3's commands, in order");
    Expect(!Exists(go), "the control deletes \"go\"");
    // Frame 5 holds in turn, its spacing kept: time stood still at frame 3.
    Expect(PumpUntil([&] { return Exists(waiting) && ReadWhole(waiting).rfind("5\n", 0) == 0; }, 5000),
           "the movie holds again at frame 5");
    std::printf("frame 5 held %.0f ms after the go for frame 3\n", NowMs() - released);
    Expect(stage.events.size() == 2, "frame 5's command waits for its go");
    WriteWhole(go, "");
    Expect(stage.WaitFor(3, 5000), "the second go lets frame 5's command through");
    Expect(PumpUntil([&] { return !Exists(waiting) && !Exists(go); }, 2000), "\"waiting\" and \"go\" are gone");

    stage.player.reset();
    stage.service.reset();
    DeleteFileW(path.c_str());
}

// Emptied, not deleted: the control keeps its log open for appending, and a
// deleted file would take its next lines with it.
void EmptyLog(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// As the player does, the stand-in raises a movie's FSCommands only for a container
// that stored script access "always"; other values, or none (the player's default,
// "sameDomain"), keep them inside the movie.
void CheckScriptAccess(HWND parent) {
    const std::wstring logPath = flashstub::EnvVar(L"VELVINOR_STUB_LOG");
    Expect(!logPath.empty(), "VELVINOR_STUB_LOG is set");
    vel::swf::Movie m;
    m.frameRate = 20;
    m.frameCount = 2;
    m.commands = {{1, "saveini", "уровень=6"}};
    const std::wstring path = WriteMovie(L"moviehost-access.swf", m);
    struct Case {
        const char16_t* stored;  // null: the container stores no script access
        const char* inEffect;    // what the control then holds
        bool raised;
    };
    const Case cases[] = {{u"always", "always", true},
                          {u"sameDomain", "sameDomain", false},
                          {u"never", "never", false},
                          {nullptr, "sameDomain", false}};
    for (const Case& c : cases) {
        const std::string name = c.stored ? Show(c.stored) : std::string("(none)");
        std::vector<vel::win32::StoredProperty> stored;
        if (c.stored) stored.push_back({L"AllowScriptAccess", c.stored});
        EmptyLog(logPath);
        MovieStage stage(parent, vel::win32::CreateMovieService(stored));
        stage.player->SetVisible(true);
        stage.player->PutMovie(U16(path));
        const std::string blocked =
            "fscommand blocked \"saveini\" \"уровень=6\": AllowScriptAccess \"" + std::string(c.inEffect) + "\"";
        auto hasLine = [&](const std::string& wanted) {
            for (const std::string& line : ReadLines(logPath))
                if (line == wanted) return true;
            return false;
        };
        if (c.raised) {
            Expect(stage.WaitFor(1, 5000), "script access " + name + ": the movie's FSCommand arrives");
        } else {
            Expect(PumpUntil([&] { return hasLine(blocked); }, 5000),
                   "script access " + name + ": the control refuses the FSCommand: " + blocked);
            PumpUntil([] { return false; }, 200);
        }
        Expect(stage.Raised() == (c.raised ? Raised{{u"saveini", u"уровень=6"}} : Raised{}),
               "script access " + name + (c.raised ? ": exactly the movie's FSCommand" : ": no FSCommand reaches the container"));
        std::string put;
        for (const std::string& line : ReadLines(logPath))
            if (line.rfind("put AllowScriptAccess ", 0) == 0) put = line;
        Expect(put == (c.stored ? "put AllowScriptAccess \"" + name + "\"" : ""),
               "script access " + name + ": the log shows what the container put, got: " + put);
    }
    DeleteFileW(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    HWND parent = CreateParent();
    try {
        if (mode == "unregistered")
            CheckUnregistered(parent);
        else if (mode == "full")
            CheckFull(parent);
        else if (mode == "failures")
            CheckFailures(parent);
        else if (mode == "movie")
            CheckMovie(parent);
        else if (mode == "unreadable")
            CheckUnreadable(parent);
        else if (mode == "gate")
            CheckGate(parent);
        else if (mode == "scriptaccess")
            CheckScriptAccess(parent);
        else
            Expect(false, "usage: moviehost_check unregistered|full|failures|movie|unreadable|gate|scriptaccess");
    } catch (const std::exception& e) {
        Expect(false, std::string("unexpected error: ") + vel::AnsiToUtf8(e.what()));
    }
    DestroyWindow(parent);
    std::printf("%s %s\n", g_failures ? "FAIL" : "PASS", mode.c_str());
    return g_failures ? 1 : 0;
}
