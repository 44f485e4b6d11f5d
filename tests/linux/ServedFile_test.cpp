// What the movie's scheme may open, on a crafted disc: links that stay on it are
// followed, every way out of the movie's folder is refused, and so is anything that is
// not a regular file, without waiting on it.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/linux/ServedFile.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

class ServedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velvinor-served-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        top = pattern;
        swf = top + "/disc/SWF";
        fs::create_directories(swf + "/sub");
        fs::create_directories(top + "/home");
        fs::create_directories(top + "/disc/SWFX");
        Write(swf + "/Game.swf", "movie");
        Write(swf + "/sub/inner.txt", "inner");
        Write(top + "/home/secret.txt", "secret");
        Write(top + "/disc/SWFX/beside.txt", "beside");
        const std::pair<const char*, std::string> links[] = {
            {"inside", "sub/inner.txt"},
            {"chain1", "chain2"},
            {"chain2", "sub/../sub/inner.txt"},
            {"home-file", top + "/home/secret.txt"},
            {"home-dir", top + "/home"},
            {"environ", "/proc/self/environ"},
            {"null", "/dev/null"},
            {"climb", "../../home/secret.txt"},
            {"chain-out1", "chain-out2"},
            {"chain-out2", "sub/../../../home/secret.txt"},
            {"sibling", "../SWFX/beside.txt"},
            {"loop1", "loop2"},
            {"loop2", "loop1"},
        };
        for (const auto& [name, target] : links) fs::create_symlink(target, swf + "/" + name);
        ASSERT_EQ(mkfifo((swf + "/fifo").c_str(), 0600), 0);
        socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string socketPath = swf + "/socket";
        ASSERT_LT(socketPath.size(), sizeof address.sun_path);
        socketPath.copy(address.sun_path, socketPath.size());
        ASSERT_EQ(bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        // The root as the program may be given it: through a link of its own.
        fs::create_directory_symlink(swf, top + "/swf-link");
    }
    void TearDown() override {
        close(socketFd);
        fs::remove_all(top);
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

    std::string top, swf;
    int socketFd = -1;
};

std::string ReadAll(int fd) {
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

TEST_F(ServedFileTest, OnlyRegularFilesUnderTheRootLinksResolved) {
    const struct {
        const char* relative;
        const char* contents;  // nullptr: refused
    } cases[] = {
        {"Game.swf", "movie"},
        {"sub/inner.txt", "inner"},
        {"sub/../Game.swf", "movie"},
        {"inside", "inner"},
        {"chain1", "inner"},
        {"home-file", nullptr},
        {"home-dir/secret.txt", nullptr},
        {"environ", nullptr},
        {"null", nullptr},
        {"climb", nullptr},
        {"chain-out1", nullptr},
        {"sibling", nullptr},
        {"../SWFX/beside.txt", nullptr},
        {"../../home/secret.txt", nullptr},
        {"loop1", nullptr},
        {"fifo", nullptr},
        {"socket", nullptr},
        {"sub", nullptr},
        {"missing", nullptr},
        {"", nullptr},
        {"/etc/hostname", nullptr},
    };
    for (const std::string& root : {swf, top + "/swf-link", swf + "/"}) {
        for (auto open : {&lnx::OpenBeneath, &lnx::OpenBeneathResolved}) {
            const char* way = open == &lnx::OpenBeneath ? "openat2" : "resolved";
            for (const auto& c : cases) {
                const int fd = open(root, c.relative);
                if (c.contents) {
                    ASSERT_GE(fd, 0) << way << " " << root << " " << c.relative << ": " << std::strerror(errno);
                    EXPECT_EQ(ReadAll(fd), c.contents) << way << " " << c.relative;
                } else {
                    EXPECT_LT(fd, 0) << way << " " << root << " " << c.relative << " was opened";
                    if (fd >= 0) close(fd);
                }
            }
        }
    }
}

}  // namespace
}  // namespace vel
