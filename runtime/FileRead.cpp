#include "runtime/FileRead.h"

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel {

std::string SystemErrorText(std::uint32_t code) {
    switch (code) {
        case 2: return "The system cannot find the file specified";
        case 3: return "The system cannot find the path specified";
        case 5: return "Access is denied";
        case 32: return "The process cannot access the file because it is being used by another process";
        default: return "System error. Code: " + IntToStr(code);
    }
}

std::string ReadWholeFile(FileSystem& files, const std::string& path) {
    std::uint32_t code = 0;
    auto bytes = files.ReadFile(path, &code);
    if (!bytes) throw Error("Cannot open file \"" + path + "\". " + SystemErrorText(code));
    return std::move(*bytes);
}

bool ForceDirectories(FileSystem& files, const std::string& folder) {
    const std::string dir = ExcludeTrailingBackslash(folder);
    if (dir.empty()) return false;
    // A drive ("C:") or the top of a path ends the climb.
    if (dir.size() < 3 || files.DirectoryExists(dir) || ExtractFilePath(dir) == dir) return true;
    const std::string parent = ExtractFilePath(dir);
    // "\" is the root of the current drive, which is there.
    return (parent == "\\" || ForceDirectories(files, parent)) && files.CreateDirectory(dir);
}

}  // namespace vel
