#pragma once
// Text at the Win32 boundary. The program's text is 8-bit in code page 1251; every
// system call here is the wide one, and the conversion happens in these functions
// only, so Russian shows right whatever the system's own ANSI code page is.

#include "platform/win32/Win32.h"

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

// Text that an ANSI system call wrote in the system's own code page.
inline std::string FromSystemAnsi(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)), L'\0');
    if (!wide.empty()) MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return Ansi(wide);
}

// The system's own text for an error code (GetLastError's, an HRESULT), in the
// system's language, without the line break that ends it; empty when it has none.
inline std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", buffer ? length : 0);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return Ansi(text);
}

}  // namespace vel::win32
