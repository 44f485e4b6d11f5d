// The entry point of velvinor, the Linux program: the one place where the real
// services are chosen.

#include <unistd.h>

#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "platform/linux/Backend.h"
#include "platform/linux/GtkUi.h"
#include "platform/linux/MissingParts.h"
#include "platform/linux/services/LinuxServices.h"
#include "platform/native/TscCounter.h"
#include "runtime/Product.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace {

// Ruffle's files and the bridge movie lie beside the program, in its folder "ruffle".
std::string PlayerFolder() {
    char path[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    if (n <= 0) return "ruffle/";
    std::string folder(path, static_cast<std::size_t>(n));
    return folder.substr(0, folder.find_last_of('/') + 1) + "ruffle/";
}

// WebKitGTK needs the locale the desktop names: where the system lacks it, the
// family is told, and the game goes on in the plain one.
void TellMissingLocale(vel::lnx::GtkUi& ui) {
    if (std::setlocale(LC_ALL, "")) return;
    std::string name;
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(variable); value && *value) {
            name = value;
            break;
        }
    const std::string text = vel::lnx::MissingLocaleText(name);
    std::fprintf(stderr, "velvinor: %s\n", vel::AnsiToUtf8(text).c_str());
    ui.MessageBox(text, vel::Ru(vel::product::DisplayNameUtf8), vel::mb::Ok | vel::mb::IconError);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        // Declared in this order so that they go in the reverse one: the program's
        // windows first, the movie view before the windowing, the windowing last.
        auto ui = std::make_unique<vel::lnx::GtkUi>();
        TellMissingLocale(*ui);
        ui->SetRichTextConverter(
            [](const std::string& rtf, std::uint32_t backColor) { return vel::lnx::RtfToHtml(rtf, backColor); });
        // A damaged settings file is told to the family at once, in a box of its own.
        vel::lnx::SettingsLocation settings = vel::lnx::DefaultSettingsLocation();
        settings.tell = [&ui](const std::string& utf8) {
            ui->MessageBox(vel::WideToAnsi(vel::Utf8ToWide(utf8)), vel::Ru("Вельвинор"),
                           vel::mb::Ok | vel::mb::IconInformation);
        };
        auto registry = vel::lnx::CreateSettingsRegistry(std::move(settings));
        auto files = vel::lnx::CreatePosixFiles();
        auto shell = vel::lnx::CreateLinuxShell();
        auto process = vel::lnx::CreatePosixProcess(argc, argv);
        auto media = vel::lnx::CreateGstMediaControl(*ui);
        auto mixer = vel::lnx::CreateAlsaMixer();
        auto dde = vel::lnx::CreateXdgMenuDde();
        auto movie = vel::lnx::CreateWebKitMovieService(*ui, PlayerFolder());
        auto printer = vel::lnx::CreateCupsPrinter();
        vel::native::TscCounter clock;
        vel::Platform platform{*ui,    *registry, *files, *shell,   *process, *media,
                               *mixer, *dde,      *movie, *printer, clock};
        return vel::RunVelvinor(platform);
    } catch (const std::exception& error) {
        // The services could not start: there is no application to report it yet.
        std::fprintf(stderr, "velvinor: %s\n", vel::AnsiToUtf8(error.what()).c_str());
        return 1;
    }
}
