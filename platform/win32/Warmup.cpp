#include "platform/win32/Warmup.h"

// Win32.h first: the multimedia header relies on its types.
#include <mmsystem.h>

namespace vel::win32 {

void LibraryWarmup::Start() {
    if (!m_thread) m_thread = CreateThread(nullptr, 0, &LibraryWarmup::Run, this, 0, nullptr);
}

LibraryWarmup::~LibraryWarmup() {
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_video) FreeLibrary(m_video);
}

DWORD WINAPI LibraryWarmup::Run(void* self) {
    // The mixer's first call starts the sound system; the count itself is not used.
    mixerGetNumDevs();
    // MCI's video device for the intro's AVI files, with the video libraries it
    // imports; MCI loads it again by name when the intro opens its first video.
    static_cast<LibraryWarmup*>(self)->m_video = LoadLibraryW(L"mciavi32.dll");
    return 0;
}

}  // namespace vel::win32
