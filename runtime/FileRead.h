#pragma once
// Whole-file reads for the program's own files (pictures, documents), failing with
// the text the system's file error gives, in one form everywhere; folder creation.

#include <cstdint>
#include <string>

#include "platform/Files.h"

namespace vel {

// The system's text for a file error code, without a final period.
std::string SystemErrorText(std::uint32_t code);

// The file's bytes; raises Error("Cannot open file \"<path>\". <system text>").
std::string ReadWholeFile(FileSystem& files, const std::string& path);

// The folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(FileSystem& files, const std::string& folder);

}  // namespace vel
