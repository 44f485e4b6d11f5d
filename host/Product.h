#pragma once
// Names, registry keys and folders fixed by the product.

#include <string>

namespace vel::product {

inline const char* const Identifier = "Velvinor";
inline const char* const ProgramFile = "Velvinor.exe";
// UTF-8 here; Ru() turns it into the program's 8-bit text.
inline const char* const DisplayNameUtf8 = "Вельвинор";

inline const char* const AppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe";
inline const char* const UninstallKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvinor.exe";
inline const char* const WindowsVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline const char* const ProductKey = "\\Software\\Trelkon\\Velvinor";
inline const char* const MakerKey = "\\Software\\Trelkon";
inline const char* const Maker = "Trelkon";
inline const char* const TransferMarker = "Transfering";

}  // namespace vel::product
