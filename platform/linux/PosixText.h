#pragma once
// The program's 8-bit texts (code page 1251) and the system's UTF-8 names. A name
// that code page 1251 cannot hold is not turned into another one: Ansi() reports it.

#include <optional>
#include <string>

#include "runtime/Text.h"

namespace vel::lnx {

// The system's spelling of a path or text the program gives.
inline std::string Native(const std::string& ansi) { return AnsiToUtf8(ansi); }

// The program's spelling of a system name; nullopt when code page 1251 lacks one of
// its characters (the program could not name it back).
inline std::optional<std::string> Ansi(const std::string& utf8) {
    std::string ansi = WideToAnsi(Utf8ToWide(utf8));
    if (AnsiToUtf8(ansi) != utf8) return std::nullopt;
    return ansi;
}

}  // namespace vel::lnx
