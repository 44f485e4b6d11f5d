#pragma once
// Small helpers of the Linux service tests: a folder of the test's own, whole-file
// reads and writes, and the contract report as readable text.

#include <gtk/gtk.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "contract/ServiceContracts.h"
#include "runtime/Text.h"

namespace vel::lnx {

struct TempFolder {
    std::string path;
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velvinor-test-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A virtual display of the test program's own, opened once for all its tests (GTK
// opens one display a process) and stopped when the program ends; false when none
// could be had.
inline bool OpenVirtualDisplay() {
    static pid_t server = 0;
    static const bool open = [] {
        int fds[2];
        if (pipe(fds) != 0) return false;
        server = fork();
        if (server == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            execlp("Xvfb", "Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (server > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        std::atexit([] {
            if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
        });
        if (number.empty()) return false;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        return static_cast<bool>(gtk_init_check(nullptr, nullptr));
    }();
    return open;
}

inline std::string Failures(const contract::Report& report) {
    std::string out;
    for (const auto& f : report.failures) out += "\n  " + AnsiToUtf8(f);
    return out;
}

}  // namespace vel::lnx
