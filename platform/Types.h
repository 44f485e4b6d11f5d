#pragma once
// The few plain types every platform interface shares: a native window and its
// geometry in whole pixels.

#include <cstdint>

namespace vel {

// A native window as the platform knows it; 0 is none.
using WindowHandle = std::uintptr_t;

// How the system spells a path: Windows (backslash separators, drive letters and
// shares) or POSIX (slash separators, one tree).
enum class PathStyle { Windows, Posix };

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

}  // namespace vel
