#include "platform/linux/ServedFile.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace vel::lnx {
namespace {

// Read-only, never the caller's terminal, and an open that cannot wait for a FIFO's writer.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool Acceptable(const std::string& relative) {
    return !relative.empty() && relative.front() != '/' && relative.find('\0') == std::string::npos;
}

// Keeps `fd` only when it is a regular file, made blocking again for its reader.
int OnlyRegular(int fd) {
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = ENOENT;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

}  // namespace

int OpenBeneath(const std::string& root, const std::string& relative) {
    if (!Acceptable(relative)) {
        errno = ENOENT;
        return -1;
    }
    const int dir = open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return -1;
    open_how how{};
    how.flags = kOpenFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    int fd = static_cast<int>(syscall(SYS_openat2, dir, relative.c_str(), &how, sizeof how));
    const int error = errno;
    close(dir);
    // Kernels before 5.6, and sandboxes that filter the call.
    if (fd < 0 && (error == ENOSYS || error == EPERM)) return OpenBeneathResolved(root, relative);
    errno = error;
    return OnlyRegular(fd);
}

int OpenBeneathResolved(const std::string& root, const std::string& relative) {
    if (!Acceptable(relative)) {
        errno = ENOENT;
        return -1;
    }
    const std::string base = RealPath(root);
    if (base.empty()) return -1;
    const std::string file = RealPath(base + "/" + relative);
    if (file.empty()) return -1;
    // Whole components: "/disc/SWF" holds "/disc/SWF/a", not "/disc/SWFX/a".
    const std::string prefix = base == "/" ? base : base + "/";
    if (file.compare(0, prefix.size(), prefix) != 0) {
        errno = EXDEV;
        return -1;
    }
    // What was resolved is opened as it is: a link put there since is not followed.
    return OnlyRegular(open(file.c_str(), kOpenFlags | O_NOFOLLOW));
}

}  // namespace vel::lnx
