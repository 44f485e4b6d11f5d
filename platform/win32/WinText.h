#pragma once
// Text at the Win32 boundary. The program's text is 8-bit in code page 1251; every
// system call here is the wide one, and the conversion happens in these functions
// only, so Russian shows right whatever the system's own ANSI code page is.

#include <string>
#include <string_view>

#include "runtime/Text.h"

namespace vel::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline std::wstring Wide(std::string_view ansi) {
    std::u16string w = AnsiToWide(ansi);
    return std::wstring(w.begin(), w.end());
}

inline std::string Ansi(std::wstring_view wide) {
    return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

inline std::string Ansi(const wchar_t* text) { return text ? Ansi(std::wstring_view(text)) : std::string(); }

}  // namespace vel::win32
