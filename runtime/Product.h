#pragma once
// Names, registry keys and folders fixed by the product.

#include <string>

#include "runtime/Text.h"

namespace vel::product {

inline const char* const Identifier = "Velvinor";
// The program file's name: the identifier with ".exe".
inline const std::string ProgramFile = std::string(Identifier) + ".exe";
// The program file's name where the running system's paths are POSIX ones: the
// disc carries it beside ProgramFile.
inline const char* const PosixProgramFile = "velvinor";
// The program file's name in the running system's path style.
inline std::string ProgramFileName() {
    return CurrentPathStyle() == PathStyle::Posix ? std::string(PosixProgramFile) : ProgramFile;
}
// UTF-8 here; Ru() turns it into the program's 8-bit text.
inline const char* const DisplayNameUtf8 = "Вельвинор";
// The program group's item that removes the program.
inline const char* const RemovalItemUtf8 = "Удалить программу Вельвинор";

inline const char* const AppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe";
inline const char* const UninstallKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvinor.exe";
inline const char* const WindowsVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline const char* const ProductKey = "\\Software\\Trelkon\\Velvinor";
// What the program made on the disk (see runtime/InstallRecord.h): a subkey, because
// the movie start forwards the product key's own values and the movie's settings
// write only those.
inline const char* const RecordKey = "\\Software\\Trelkon\\Velvinor\\Record";
inline const char* const MakerKey = "\\Software\\Trelkon";
inline const char* const Maker = "Trelkon";
inline const char* const TransferMarker = "Transfering";
// Held by a run while it copies the disc, so that no other run takes the copy
// under way for an unfinished one.
inline const char* const TransferMutex = "Velvinor.Transfer";
// The product key's value with the transfer folder, ending in a backslash.
inline const char* const TransferPathValue = "TransferPath";
// The values of the product key that the program keeps for itself: the installation
// marker (the default value) and the transfer folder. The movie's settings share the
// key but may neither replace nor delete them.
inline const char* const OwnValues[] = {"", TransferPathValue};

// The movie's folder ("SWF") in the program folder, with its final separator: the
// movie, the intro videos, the backdrop, the clips and the documents live there.
inline std::string MovieFolder(const std::string& programFolder) {
    return programFolder + "SWF" + PathDelimiter();
}

}  // namespace vel::product
