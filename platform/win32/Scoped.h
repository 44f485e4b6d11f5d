#pragma once
// Owners for Win32 handles: each closes its handle with the right function exactly
// once, on every path out of a scope (early returns and exceptions included).

#include "platform/win32/Win32.h"
// Win32.h first: the multimedia header relies on its types.
#include <mmsystem.h>

#include "platform/win32/LateBound.h"

#include <utility>

namespace vel::win32 {

template <class Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;
    Scoped() = default;
    explicit Scoped(Handle h) : m_h(h) {}
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) noexcept : m_h(std::exchange(other.m_h, Traits::Invalid())) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_h, Traits::Invalid()));
        return *this;
    }
    ~Scoped() { Reset(); }

    void Reset(Handle h = Traits::Invalid()) {
        Handle old = std::exchange(m_h, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    Handle Get() const { return m_h; }
    Handle* Put() {
        Reset();
        return &m_h;
    }
    Handle Release() { return std::exchange(m_h, Traits::Invalid()); }
    explicit operator bool() const { return m_h != Traits::Invalid(); }

private:
    Handle m_h = Traits::Invalid();
};

struct KernelHandleTraits {  // processes, threads, mutexes: null when absent
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW answers INVALID_HANDLE_VALUE, not null
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {  // a search is ended with FindClose, never CloseHandle
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct GdiObjectTraits {  // brushes, fonts, bitmaps
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

struct MixerTraits {  // an opened mixer device
    using Handle = HMIXER;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { late::mixerClose.CallOr(MMSYSERR_NODRIVER, h); }
};
struct PrinterTraits {  // OpenPrinter's handle goes back with ClosePrinter
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { late::ClosePrinter.Get()(h); }  // bound by the opening
};
struct DcTraits {  // DCs made by CreateDC / CreateCompatibleDC; a window's DC is ScopedWindowDc
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};

using ScopedHandle = Scoped<KernelHandleTraits>;
using ScopedFile = Scoped<FileHandleTraits>;
using ScopedFind = Scoped<FindHandleTraits>;
using ScopedKey = Scoped<RegKeyTraits>;
using ScopedGdi = Scoped<GdiObjectTraits>;
using ScopedWindow = Scoped<WindowTraits>;
using ScopedMixer = Scoped<MixerTraits>;
using ScopedPrinter = Scoped<PrinterTraits>;
using ScopedDc = Scoped<DcTraits>;

// A window's DC goes back with ReleaseDC, to the window it came from.
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    ~ScopedWindowDc() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }
    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

}  // namespace vel::win32
