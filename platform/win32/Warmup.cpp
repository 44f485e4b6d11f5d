#include "platform/win32/Warmup.h"

// Win32.h first: the multimedia header relies on its types.
#include <mmsystem.h>

namespace vel::win32 {

void LibraryWarmup::Start() {
    if (m_thread) return;
    // Below the window thread: on a single processor its work must not delay the
    // probe's wake from its timed wait, which would raise the frequency measured.
    m_thread = CreateThread(nullptr, 0, &LibraryWarmup::Run, this, CREATE_SUSPENDED, nullptr);
    if (!m_thread) return;
    SetThreadPriority(m_thread, THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(m_thread);
}

LibraryWarmup::~LibraryWarmup() {
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_video) FreeLibrary(m_video);
    if (m_multimedia) FreeLibrary(m_multimedia);
}

DWORD WINAPI LibraryWarmup::Run(void* self) {
    auto* warmup = static_cast<LibraryWarmup*>(self);
    // The multimedia library, and the sound system its mixer's first call starts; the
    // count itself is not used. Bound here by hand: the program's own late binding is
    // the window thread's.
    warmup->m_multimedia = LoadLibraryW(L"winmm.dll");
    if (warmup->m_multimedia)
        if (auto count = reinterpret_cast<decltype(&::mixerGetNumDevs)>(
                reinterpret_cast<void*>(GetProcAddress(warmup->m_multimedia, "mixerGetNumDevs"))))
            count();
    // MCI's video device for the intro's AVI files, with the video libraries it
    // imports; MCI loads it again by name when the intro opens its first video.
    warmup->m_video = LoadLibraryW(L"mciavi32.dll");
    return 0;
}

}  // namespace vel::win32
