#include "runtime/FileRead.h"

#include <cstdint>

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel {

std::string ReadWholeFile(FileSystem& files, const std::string& path) {
    std::uint32_t code = 0;
    auto bytes = files.ReadFile(path, &code);
    if (!bytes) throw Error("Cannot open file \"" + path + "\". " + files.ErrorText(code));
    return std::move(*bytes);
}

bool ForceDirectories(FileSystem& files, const std::string& folder) {
    const std::string dir = ExcludeTrailingBackslash(folder);
    if (dir.empty()) return false;
    // A drive ("C:") or the top of a path ends the climb.
    if (dir.size() < 3 || files.DirectoryExists(dir) || ExtractFilePath(dir) == dir) return true;
    const std::string parent = ExtractFilePath(dir);
    // "\" (or "/") is the root of the current drive, which is there.
    return (parent == std::string(1, PathDelimiter()) || ForceDirectories(files, parent)) && files.CreateDirectory(dir);
}

namespace {

std::uint32_t Le(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

bool IsBitmapFile(std::string_view bytes) {
    // The signature first; then each header field the file is long enough to hold.
    // (A picture cut short before its headers end is not checked further: the
    // simulated machine's placeholder pictures are a few bytes after "BM".)
    if (bytes.size() < 2 || bytes.substr(0, 2) != "BM") return false;
    if (bytes.size() >= 14 && Le(bytes, 10, 4) > bytes.size()) return false;  // pixels past the end
    if (bytes.size() >= 18) {
        const std::uint32_t header = Le(bytes, 14, 4);
        if (header != 12 && header != 40 && header != 52 && header != 56 && header != 108 && header != 124) return false;
        if (bytes.size() < 14 + header) return false;
        const bool core = header == 12;
        const std::int64_t width = core ? Le(bytes, 18, 2) : static_cast<std::int32_t>(Le(bytes, 18, 4));
        const std::int64_t height = core ? Le(bytes, 20, 2) : static_cast<std::int32_t>(Le(bytes, 22, 4));
        const std::uint32_t planes = Le(bytes, core ? 22 : 26, 2), bits = Le(bytes, core ? 24 : 28, 2);
        if (width <= 0 || height == 0 || planes != 1) return false;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
        if (!core && Le(bytes, 30, 4) > 6) return false;  // compression
    }
    return true;
}

std::string ReadBitmapFile(FileSystem& files, const std::string& path) {
    std::string bytes = ReadWholeFile(files, path);
    if (!IsBitmapFile(bytes)) throw Error("Cannot open file \"" + path + "\". Bitmap image is not valid");
    return bytes;
}

}  // namespace vel
