#include "runtime/FileRead.h"

#include <gtest/gtest.h>

#include <string>

namespace vel {
namespace {

// A bitmap file's 14-byte file header and 40-byte info header, then its pixels.
std::string Bitmap(std::uint32_t headerSize = 40, std::int32_t width = 2, std::int32_t height = 2,
                   std::uint16_t bits = 24, std::uint32_t pixelsAt = 54) {
    std::string b = "BM";
    auto put = [&b](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    put(54 + 16, 4), put(0, 4), put(pixelsAt, 4);
    put(headerSize, 4), put(static_cast<std::uint32_t>(width), 4), put(static_cast<std::uint32_t>(height), 4);
    put(1, 2), put(bits, 2), put(0, 4), put(16, 4);
    b += std::string(16, '\0');  // resolution and palette counts
    b += std::string(16, '\x7F');
    return b;
}

TEST(FileRead, IsBitmapFileReadsTheHeadersAsFarAsTheFileGoes) {
    struct Case {
        std::string bytes;
        bool bitmap;
        const char* what;
    } cases[] = {
        {Bitmap(), true, "a 2x2 24-bit bitmap"},
        {Bitmap(40, 2, -2), true, "a top-down bitmap"},
        {"BM-frame", true, "a placeholder cut short before its headers"},
        {"", false, "an empty file"},
        {"GIF89a\x01\x00\x01\x00", false, "another picture format"},
        {"bm" + Bitmap().substr(2), false, "a signature in the wrong case"},
        {Bitmap(41), false, "an unknown header size"},
        {Bitmap(40, 0), false, "no width"},
        {Bitmap(40, 2, 0), false, "no height"},
        {Bitmap(40, 2, 2, 7), false, "7 bits a pixel"},
        {Bitmap(40, 2, 2, 24, 4096), false, "pixels past the end of the file"},
        {Bitmap().substr(0, 30), false, "cut short inside its info header"},
    };
    for (const auto& c : cases) EXPECT_EQ(IsBitmapFile(c.bytes), c.bitmap) << c.what;
}

}  // namespace
}  // namespace vel
