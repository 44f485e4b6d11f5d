#include "platform/linux/MissingParts.h"

#include <string_view>

#include "platform/linux/PosixText.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

bool Starts(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string PackageForMissingPlugin(const std::string& installerDetail) {
    // The last field: what is missing, "decoder-CAPS", "element-NAME" and the like.
    std::string_view what = installerDetail;
    if (const std::size_t bar = what.rfind('|'); bar != std::string_view::npos) what.remove_prefix(bar + 1);
    if (Starts(what, "element-")) {
        const std::string_view element = what.substr(8);
        if (element == "gtksink") return "gstreamer1.0-gtk3";
        if (element == "autoaudiosink") return "gstreamer1.0-plugins-good";
        return "gstreamer1.0-plugins-base";
    }
    if (const std::size_t dash = what.find('-'); dash != std::string_view::npos) what.remove_prefix(dash + 1);
    // Debian 12: the containers of the disc's videos (AVI, MPEG program stream) and
    // MPEG audio in the "good" and "bad" sets, the video codecs in FFmpeg's.
    if (Starts(what, "video/mpeg") && what.find("systemstream=(boolean)true") != std::string_view::npos)
        return "gstreamer1.0-plugins-bad";
    if (Starts(what, "video/x-msvideo") && !Starts(what, "video/x-msvideocodec")) return "gstreamer1.0-plugins-good";
    if (Starts(what, "audio/mpeg")) return "gstreamer1.0-plugins-good";
    return "gstreamer1.0-libav";
}

std::string MissingPluginText(const std::string& description, const std::string& package) {
    return Ru("На компьютере не хватает части GStreamer, без которой видео не показать: ") +
           Ansi(description).value_or(description) + ".\r\n" + Ru("Ее дает пакет ") + package +
           Ru(": установите его (sudo apt install ") + package + Ru(") и запустите игру снова.");
}

std::string MissingLocaleText(const std::string& locale) {
    return Ru("В системе нет языковой настройки (локали) ") + Ansi(locale).value_or(locale) + ".\r\n" +
           Ru("Без нее игра может показываться неверно. Ее дает пакет locales: "
              "включите ее командой sudo dpkg-reconfigure locales и запустите игру снова.");
}

}  // namespace vel::lnx
