// Drives the Windows movie host against the stand-in control, under Wine.
//   moviehost_check unregistered   no control registered: creation raises OleError
//   moviehost_check full           properties, variables, placement, visibility,
//                                  FSCommands from the command file, clean release
//   moviehost_check failures       with VELVINOR_STUB_FAIL=FlashVars,SetVariable and
//                                  VELVINOR_STUB_VERSION empty: the failure paths
// Reads VELVINOR_STUB_LOG and VELVINOR_STUB_COMMANDS, as the stand-in does.
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
                     {"create", "site set", "initnew", "advise", "verb -5", "activate 0,0 0x0", "show",
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
        else
            Expect(false, "usage: moviehost_check unregistered|full|failures");
    } catch (const std::exception& e) {
        Expect(false, std::string("unexpected error: ") + vel::AnsiToUtf8(e.what()));
    }
    DestroyWindow(parent);
    std::printf("%s %s\n", g_failures ? "FAIL" : "PASS", mode.c_str());
    return g_failures ? 1 : 0;
}
