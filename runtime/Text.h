#pragma once
// The program's runtime helpers for text and numbers. Text inside the program is
// 8-bit in code page 1251 ("ANSI"); it turns wide only at the movie control and
// at the real platform's boundary, and UTF-8 only in traces and scenario files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace vel {

using AnsiString = std::string;

// UTF-8 source text (for the program's Russian literals) to code page 1251.
// Characters the code page lacks become '?', as the system's conversion does.
AnsiString Ru(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
AnsiString WideToAnsi(std::u16string_view wide);
std::u16string AnsiToWide(std::string_view ansi);
std::u16string Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);
// One code point written as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// The console's (OEM) code page, in which the command interpreter reads a batch
// file: 866 on a Russian system. The program knows 866 and 1251; of any other
// code page only the ASCII part. nullopt when a character has no place there.
std::optional<std::string> AnsiToOem(std::string_view ansi, unsigned oemCodePage);
// And back; a byte the program cannot read in that code page becomes '?'.
AnsiString OemToAnsi(std::string_view oem, unsigned oemCodePage);

// Folds only the ASCII letters A-Z (a-z); every other byte stays.
AnsiString AsciiLower(std::string_view s);
AnsiString AsciiUpper(std::string_view s);
// Removes leading and trailing characters of code 32 or less.
AnsiString Trim(std::string_view s);

// Plain decimal, minus sign when negative, no padding.
std::string IntToStr(std::int64_t v);
// The runtime's standard conversion: leading blanks, optional sign, decimal digits
// or hexadecimal after "$", "x", "X", "0x", "0X"; nothing may follow; 32-bit range.
// Any other text gives def.
std::int32_t StrToIntDef(std::string_view s, std::int32_t def);
bool TryStrToInt(std::string_view s, std::int32_t& out);

// Nearest integer, a half going to the even neighbour (extended precision).
std::int64_t RoundHalfEven(long double x);

// The left (or top) edge of `size` centred in `area`: (area - size) div 2,
// truncated toward zero, for every pair of 32-bit sizes.
int CentreOffset(int area, int size);

// How the running system spells a path (platform/Types.h). The program sets it once
// from the platform's file system when it starts; until then it is Windows.
void SetPathStyle(PathStyle style);
PathStyle CurrentPathStyle();
// The separator of the current style: '\\' or '/'.
char PathDelimiter();

// Paths in the current style. ExtractFilePath keeps the final separator.
AnsiString ExtractFilePath(std::string_view path);
AnsiString ExtractFileName(std::string_view path);
// What the drive-type question is asked of. Windows: "C:" for "C:\x",
// "\\server\share" for a UNC path, "" otherwise. POSIX: the folder of an absolute
// path (the file system it lies on answers), "" for a relative one.
AnsiString ExtractFileDrive(std::string_view path);
// From the last dot of the last component, dot included; "" when there is none.
AnsiString ExtractFileExt(std::string_view path);
// With or without the current style's final separator.
AnsiString IncludeTrailingBackslash(std::string_view path);
AnsiString ExcludeTrailingBackslash(std::string_view path);
// 1-based position of the first occurrence, 0 when absent (case-sensitive).
std::size_t Pos(std::string_view needle, std::string_view haystack);
// Case-insensitive (A-Z only) equality, as folder paths are compared.
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace vel
