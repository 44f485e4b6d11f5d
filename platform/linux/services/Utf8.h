#pragma once
// The program's 8-bit text (code page 1251) meets the system's UTF-8 here.

#include <optional>
#include <string>
#include <string_view>

#include "runtime/Text.h"

namespace vel::lnx {

// nullopt when the text is not valid UTF-8 or holds a character that code page 1251
// lacks: such a name is reported, never passed on mangled.
inline std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8) {
    std::string ansi = Ru(utf8);
    if (AnsiToUtf8(ansi) != utf8) return std::nullopt;
    return ansi;
}

}  // namespace vel::lnx
