#pragma once
// Whole-file reads for the program's own files (pictures, documents), failing with
// the text the system's file error gives, in one form everywhere; folder creation.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace vel {

// The file's bytes; raises Error("Cannot open file \"<path>\". <system text>"), the
// text being the system's own for its error code.
std::string ReadWholeFile(FileSystem& files, const std::string& path);

// The folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(FileSystem& files, const std::string& folder);

// A Windows bitmap file's bytes; one that is no readable bitmap is refused like a
// file that cannot be read: Error("Cannot open file \"<path>\". Bitmap image is not valid").
std::string ReadBitmapFile(FileSystem& files, const std::string& path);

// Whether the bytes can be read as a Windows bitmap file, as far as they go.
bool IsBitmapFile(std::string_view bytes);

}  // namespace vel
