#pragma once
// System functions bound on their first call. The libraries that only printing,
// installing, uninstalling or the installer dialog need (the shell, the spooler, the
// common controls, the profiles) are not imports of the program: loading and starting them cost a
// game's start more than anything the start does itself, and most starts never use
// them. The multimedia library (with the sound compression manager it loads) is
// first used after the frequency probe, and the warm-up thread loads it while the
// probe waits. The link leaves these libraries out, so a direct call fails to build.

#include "platform/win32/Win32.h"
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <userenv.h>
#include <winspool.h>

#include <type_traits>

namespace vel::win32 {

template <typename Fn>
class LateBound {
public:
    constexpr LateBound(const wchar_t* library, const char* name) : m_library(library), m_name(name) {}
    LateBound(const LateBound&) = delete;
    LateBound& operator=(const LateBound&) = delete;

    // nullptr when the library or the function cannot be found; tried once.
    Fn Get() {
        if (!m_tried) {
            m_tried = true;
            if (HMODULE module = LoadLibraryW(m_library))
                m_fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, m_name)));
        }
        return m_fn;
    }

    // The function's result, or `missing` when it cannot be bound.
    template <typename... Args>
    std::invoke_result_t<Fn, Args...> CallOr(std::invoke_result_t<Fn, Args...> missing, Args... args) {
        Fn fn = Get();
        return fn ? fn(args...) : missing;
    }

private:
    const wchar_t* m_library;
    const char* m_name;
    bool m_tried = false;
    Fn m_fn = nullptr;
};

namespace late {
inline LateBound<decltype(&::ShellExecuteW)> ShellExecuteW{L"shell32.dll", "ShellExecuteW"};
inline LateBound<decltype(&::SHFileOperationW)> SHFileOperationW{L"shell32.dll", "SHFileOperationW"};
inline LateBound<decltype(&::SHDeleteKeyW)> SHDeleteKeyW{L"shlwapi.dll", "SHDeleteKeyW"};
inline LateBound<decltype(&::GetDefaultPrinterW)> GetDefaultPrinterW{L"winspool.drv", "GetDefaultPrinterW"};
inline LateBound<decltype(&::OpenPrinterW)> OpenPrinterW{L"winspool.drv", "OpenPrinterW"};
inline LateBound<decltype(&::ClosePrinter)> ClosePrinter{L"winspool.drv", "ClosePrinter"};
inline LateBound<decltype(&::DocumentPropertiesW)> DocumentPropertiesW{L"winspool.drv", "DocumentPropertiesW"};
inline LateBound<decltype(&::InitCommonControlsEx)> InitCommonControlsEx{L"comctl32.dll", "InitCommonControlsEx"};
inline LateBound<decltype(&::GetProfilesDirectoryW)> GetProfilesDirectoryW{L"userenv.dll", "GetProfilesDirectoryW"};
using AllUsersProfileFn = decltype(&::GetAllUsersProfileDirectoryW);
inline LateBound<AllUsersProfileFn> GetAllUsersProfileDirectoryW{L"userenv.dll", "GetAllUsersProfileDirectoryW"};
using DefaultUserProfileFn = decltype(&::GetDefaultUserProfileDirectoryW);
inline LateBound<DefaultUserProfileFn> GetDefaultUserProfileDirectoryW{L"userenv.dll", "GetDefaultUserProfileDirectoryW"};

inline LateBound<decltype(&::mciSendCommandW)> mciSendCommandW{L"winmm.dll", "mciSendCommandW"};
inline LateBound<decltype(&::mciGetErrorStringW)> mciGetErrorStringW{L"winmm.dll", "mciGetErrorStringW"};
inline LateBound<decltype(&::mixerGetNumDevs)> mixerGetNumDevs{L"winmm.dll", "mixerGetNumDevs"};
inline LateBound<decltype(&::mixerGetDevCapsA)> mixerGetDevCapsA{L"winmm.dll", "mixerGetDevCapsA"};
inline LateBound<decltype(&::mixerOpen)> mixerOpen{L"winmm.dll", "mixerOpen"};
inline LateBound<decltype(&::mixerClose)> mixerClose{L"winmm.dll", "mixerClose"};
inline LateBound<decltype(&::mixerGetLineInfoA)> mixerGetLineInfoA{L"winmm.dll", "mixerGetLineInfoA"};
inline LateBound<decltype(&::mixerGetLineControlsA)> mixerGetLineControlsA{L"winmm.dll", "mixerGetLineControlsA"};
inline LateBound<decltype(&::mixerGetControlDetailsA)> mixerGetControlDetailsA{L"winmm.dll",
                                                                                "mixerGetControlDetailsA"};
inline LateBound<decltype(&::mixerSetControlDetails)> mixerSetControlDetails{L"winmm.dll", "mixerSetControlDetails"};
}  // namespace late

}  // namespace vel::win32
