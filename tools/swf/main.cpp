// velvinor_swfgen: writes a movie whose frames raise FSCommands from a movie script
// (see SwfScript.h), and shows what a movie file raises.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "tools/swf/Swf.h"
#include "tools/swf/SwfScript.h"

namespace {

const char kUsage[] =
    "usage: velvinor_swfgen SCRIPT -o MOVIE.swf   write the movie the script describes (SCRIPT - reads stdin)\n"
    "       velvinor_swfgen --dump MOVIE.swf      print a movie's frame rate, frames and FSCommands as a script\n"
    "       velvinor_swfgen --bridge -o BRIDGE.swf  write the bridge movie of a player without SetVariable\n";

bool ReadAll(const std::string& path, std::string& out) {
    if (path == "-") {
        out.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return !in.bad();
}

// Through a temporary file beside the target, so a failure leaves no half-written movie.
bool WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush()) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    if (error) std::filesystem::remove(temp, error);
    return !error;
}

}  // namespace

int main(int argc, char** argv) {
    std::string script, output, dump;
    bool bridge = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--bridge") {
            bridge = true;
        } else if ((arg == "-o" || arg == "--dump") && i + 1 < argc) {
            (arg == "-o" ? output : dump) = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (script.empty() && (arg == "-" || arg.rfind('-', 0) != 0)) {
            script = arg;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (bridge) {
        if (!script.empty() || !dump.empty() || output.empty()) {
            std::cerr << kUsage;
            return 2;
        }
        if (!WriteAll(output, vel::swf::WriteBridgeSwf())) {
            std::cerr << "velvinor_swfgen: cannot write " << output << "\n";
            return 1;
        }
        return 0;
    }
    const bool dumping = !dump.empty() && script.empty() && output.empty();
    const bool writing = dump.empty() && !script.empty() && !output.empty();
    if (!dumping && !writing) {
        std::cerr << kUsage;
        return 2;
    }

    const std::string& input = dump.empty() ? script : dump;
    std::string text;
    if (!ReadAll(input, text)) {
        std::cerr << "velvinor_swfgen: cannot read " << input << "\n";
        return 1;
    }
    try {
        if (dumping) {
            std::cout << vel::swf::FormatScript(vel::swf::ReadSwf(text));
            return 0;
        }
        const vel::swf::Script parsed = vel::swf::ParseScript(text);
        const std::string movie = vel::swf::WriteSwf(parsed.movie, parsed.stage);
        if (!WriteAll(output, movie)) {
            std::cerr << "velvinor_swfgen: cannot write " << output << "\n";
            return 1;
        }
    } catch (const vel::swf::SwfError& error) {
        std::cerr << "velvinor_swfgen: " << input << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
