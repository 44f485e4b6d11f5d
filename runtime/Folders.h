#pragma once
// The product's folders, built from the system's program files folder.

#include <string>

#include "runtime/RegistryAccess.h"

namespace vel {

// "ProgramFilesDir" of the Windows version key, opened without creation; "" when missing.
std::string ReadProgramFilesDir(RegistryAccess& registry);
// <ProgramFilesDir>\Trelkon (no trailing backslash).
std::string MakerFolder(const std::string& programFilesDir);
// <ProgramFilesDir>\Trelkon\Velvinor (no trailing backslash).
std::string DefaultProductFolder(const std::string& programFilesDir);

// The records of what the program made: the transfer's and the clip copies'.
inline const char* const kTransferRecord = "Transfer";
inline const char* const kClipRecord = "Clips";
// A record's text; "" when there is none. Creates no key.
std::string ReadRecordText(RegistryAccess& registry, const char* name);
void WriteRecordText(RegistryAccess& registry, const char* name, const std::string& text);

// The product key with its records; the maker key too when no other product keeps one.
void RemoveProductKey(RegistryAccess& registry);

}  // namespace vel
