#include <gtest/gtest.h>

#include "platform/linux/MissingParts.h"
#include "runtime/Text.h"

using vel::lnx::PackageForMissingPlugin;

// The installer details GStreamer gives for what the disc's videos need, and the
// Debian 12 package the family installs for each.
TEST(MissingParts, EachMissingPartNamesThePackageThatBringsIt) {
    const struct {
        const char* detail;
        const char* package;
    } cases[] = {
        // lesson1.mpg: its picture, its container, its sound
        {"gstreamer|1.0|velvinor|MPEG-1 Video decoder|decoder-video/mpeg, mpegversion=(int)1, "
         "systemstream=(boolean)false, parsed=(boolean)true",
         "gstreamer1.0-libav"},
        {"gstreamer|1.0|velvinor|MPEG-1 System Stream demuxer|decoder-video/mpeg, "
         "systemstream=(boolean)true, mpegversion=(int)1",
         "gstreamer1.0-plugins-bad"},
        {"gstreamer|1.0|velvinor|MPEG-1 Layer 2 (MP2) decoder|decoder-audio/mpeg, mpegversion=(int)1, layer=(int)2",
         "gstreamer1.0-plugins-good"},
        // the logo videos: Microsoft Video 1 in AVI
        {"gstreamer|1.0|velvinor|Microsoft Video 1 decoder|decoder-video/x-msvideocodec, msvideoversion=(int)1",
         "gstreamer1.0-libav"},
        {"gstreamer|1.0|velvinor|AVI demuxer|decoder-video/x-msvideo", "gstreamer1.0-plugins-good"},
        // the program's own elements
        {"gstreamer|1.0|velvinor||element-gtksink", "gstreamer1.0-gtk3"},
        {"gstreamer|1.0|velvinor||element-playbin", "gstreamer1.0-plugins-base"},
        // anything else a family's clip might hold
        {"gstreamer|1.0|velvinor|H.264 decoder|decoder-video/x-h264", "gstreamer1.0-libav"},
        {"", "gstreamer1.0-libav"},
    };
    for (const auto& c : cases) EXPECT_EQ(PackageForMissingPlugin(c.detail), c.package) << c.detail;
}

TEST(MissingParts, MessageNamesThePartAndItsPackageInRussian) {
    const std::string text =
        vel::AnsiToUtf8(vel::lnx::MissingPluginText("Декодер MPEG-1 Video", "gstreamer1.0-libav"));
    EXPECT_NE(text.find("Декодер MPEG-1 Video"), std::string::npos) << text;
    EXPECT_NE(text.find("пакет gstreamer1.0-libav"), std::string::npos) << text;
    // A description code page 1251 cannot hold is still shown, not lost.
    EXPECT_NE(vel::lnx::MissingPluginText("解码器", "x").find("解码器"), std::string::npos);
}
