#pragma once
// Small helpers of the Linux service tests: a folder of the test's own, whole-file
// reads and writes, and the contract report as readable text.

#include <stdlib.h>

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

inline std::string Failures(const contract::Report& report) {
    std::string out;
    for (const auto& f : report.failures) out += "\n  " + AnsiToUtf8(f);
    return out;
}

}  // namespace vel::lnx
