#pragma once
// The product's folders, built from the system's program files folder.

#include <string>

#include "runtime/RegistryAccess.h"

namespace vel {

// "ProgramFilesDir" of the Windows version key, opened without creation; "" when missing.
std::string ReadProgramFilesDir(RegistryAccess& registry);
// <ProgramFilesDir>\Trelkon (no trailing separator; "/" between them on a POSIX system).
std::string MakerFolder(const std::string& programFilesDir);
// <ProgramFilesDir>\Trelkon\Velvinor (no trailing separator).
std::string DefaultProductFolder(const std::string& programFilesDir);

}  // namespace vel
