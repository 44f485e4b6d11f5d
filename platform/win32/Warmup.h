#pragma once
// Loads, on a thread of its own, the system libraries that the start needs after the
// frequency probe's waits: the multimedia library, the sound system behind the
// mixer's first call and the media control's video device. The start is sequential and sleeps half a second in
// the probe; loading them meanwhile takes that loading off the way to the first
// window. Nothing of the program's runs on that thread and no call the program makes
// changes: its own calls later find the libraries loaded.
//
// Started only once the window thread waits: started beside the window thread's own
// first loads (the display driver, OLE), Wine hung now and then (about one start in
// twenty).

#include "platform/win32/Win32.h"

namespace vel::win32 {

class LibraryWarmup {
public:
    LibraryWarmup() = default;
    // Once; without a thread the libraries load where they are first used, as before.
    void Start();
    // Waits for the thread: a process that ends while a library is half loaded could
    // hang in the loader.
    ~LibraryWarmup();
    // The thread, once started (null before, or when it could not be made).
    HANDLE Thread() const { return m_thread; }
    LibraryWarmup(const LibraryWarmup&) = delete;
    LibraryWarmup& operator=(const LibraryWarmup&) = delete;

private:
    static DWORD WINAPI Run(void* self);

    HANDLE m_thread = nullptr;
    // Held until the end, so that they stay loaded.
    HMODULE m_multimedia = nullptr;
    HMODULE m_video = nullptr;
};

}  // namespace vel::win32
