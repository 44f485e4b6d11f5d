// The entry point of Velvinor.exe: the one place where the real services are chosen.

#include "platform/win32/Win32.h"
#include <ole2.h>

#include <memory>

#include "platform/native/TscCounter.h"
#include "platform/win32/MciMediaControl.h"
#include "platform/win32/MovieHost.h"
#include "platform/win32/Services.h"
#include "platform/win32/Warmup.h"
#include "platform/win32/WinMixer.h"
#include "platform/win32/WinPrinter.h"
#include "platform/win32/WinText.h"
#include "runtime/Errors.h"
#include "startup/Velvinor.h"

namespace {

// OLE on the window thread for the whole run: the movie control, the shell's copy
// and its folder dialogs want a single-threaded apartment.
class OleScope {
public:
    OleScope() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    ~OleScope() {
        if (m_ok) OleUninitialize();
    }

private:
    bool m_ok;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    vel::win32::LibraryWarmup warmup;
    OleScope ole;
    try {
        // Declared in this order so that they go in the reverse one: the program's
        // windows first, the movie control before OLE, the windowing last of all.
        auto ui = vel::win32::CreateWinUi();
        auto registry = vel::win32::CreateWinRegistry();
        auto files = vel::win32::CreateWinFileSystem();
        auto shell = vel::win32::CreateWinShell();
        // The first wait is the frequency probe's: by then this thread has loaded what
        // it needs itself, and the libraries of the rest of the start can load beside it.
        auto process = vel::win32::CreateWinProcess([&warmup] { warmup.Start(); });
        auto media = vel::win32::CreateMciMediaControl();
        auto mixer = vel::win32::CreateWinMixer();
        auto dde = vel::win32::CreateWinDde();
        auto movie = vel::win32::CreateMovieService();
        auto printer = vel::win32::CreateWinPrinter();
        vel::native::TscCounter clock;
        vel::Platform platform{*ui,   *registry, *files,  *shell,   *process, *media,
                               *mixer, *dde,     *movie, *printer, clock};
        return vel::RunVelvinor(platform);
    } catch (const std::exception& error) {
        // The services could not start: there is no application to report it yet.
        MessageBoxW(nullptr, vel::win32::Wide(error.what()).c_str(), L"Velvinor", MB_OK | MB_ICONERROR);
        return 1;
    }
}
