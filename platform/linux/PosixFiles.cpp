// Files and folders on a POSIX system. Paths are the program's 8-bit texts in POSIX
// style; the drive of a path is the file system its folder lies on. A test may
// declare a folder a disc (VELVINOR_DISC_FOLDER): it is then a CD-ROM drive, read-only.

#include "platform/linux/Backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/linux/PosixText.h"

namespace vel::lnx {
namespace {

// Windows error codes, as the program reads them.
constexpr std::uint32_t kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kGenFailure = 31;

std::uint32_t CodeOf(int error, const std::string& path) {
    switch (error) {
        case ENOENT: {
            // A missing folder on the way, or only the file.
            std::string parent = path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
            struct stat st;
            return (parent.empty() || (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) ? kFileNotFound
                                                                                                : kPathNotFound;
        }
        case ENOTDIR: return kPathNotFound;
        case EACCES:
        case EPERM: return kAccessDenied;
        default: return kGenFailure;
    }
}

// The mount whose point is the longest prefix of `path` (a resolved folder), and its type.
std::string FileSystemType(const std::string& path) {
    std::ifstream mounts("/proc/self/mounts");
    std::string line, best, type;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, point, fstype;
        if (!(fields >> device >> point >> fstype)) continue;
        // Blanks in a mount point are written as \040.
        for (std::size_t at; (at = point.find("\\040")) != std::string::npos;) point.replace(at, 4, " ");
        const bool under = point == "/" || path == point || path.rfind(point + "/", 0) == 0;
        if (under && point.size() >= best.size()) {
            best = point;
            type = fstype;
        }
    }
    return type;
}

bool IsDirectory(const std::string& native) {
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The nearest folder that exists at or above `native` (relative to the current
// folder when relative), resolved; "" when something other than a folder stands in
// the way.
std::string NearestFolder(const std::string& native) {
    std::string path = native.empty() ? "." : native;
    for (;;) {
        struct stat st;
        if (stat(path.c_str(), &st) == 0) {
            char resolved[PATH_MAX];
            return S_ISDIR(st.st_mode) && realpath(path.c_str(), resolved) ? resolved : "";
        }
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) path = ".";
        else path = slash == 0 ? "/" : path.substr(0, slash);
    }
}

// The folder the tests declare a disc (VELVINOR_DISC_FOLDER), resolved; "" when none.
std::string DeclaredDisc() {
    const char* folder = std::getenv("VELVINOR_DISC_FOLDER");
    char resolved[PATH_MAX];
    return folder && *folder && realpath(folder, resolved) ? std::string(resolved) : std::string();
}

bool Within(const std::string& resolved, const std::string& folder) {
    return !folder.empty() && (resolved == folder || resolved.rfind(folder == "/" ? folder : folder + "/", 0) == 0);
}

// A path on the declared disc is on a read-only medium: nothing is written there.
bool OnDeclaredDisc(const std::string& native) { return Within(NearestFolder(native), DeclaredDisc()); }
bool ParentOnDeclaredDisc(const std::string& native) {
    const std::size_t slash = native.find_last_of('/');
    return OnDeclaredDisc(slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash));
}

class PosixFiles final : public FileSystem {
public:
    PathStyle Style() const override { return PathStyle::Posix; }

    DriveType GetDriveType(const std::string& root) override {
        std::string folder = root.empty() ? CurrentDirectory() : root;
        char resolved[PATH_MAX];
        if (!realpath(Native(folder).c_str(), resolved) || !IsDirectory(resolved)) return DriveType::NoRootDir;
        if (Within(resolved, DeclaredDisc())) return DriveType::CdRom;
        const std::string type = FileSystemType(resolved);
        if (type == "iso9660" || type == "udf") return DriveType::CdRom;
        if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "fuse.sshfs" ||
            type == "9p")
            return DriveType::Remote;
        if (type == "ramfs") return DriveType::RamDisk;
        // A memory file system (tmpfs) holds files as a hard disk does for the game.
        return DriveType::Fixed;
    }

    // The file system a folder lies on, or would be made on: that of the nearest
    // folder above it that exists. Nothing is free on the declared disc.
    std::int64_t FreeBytesAvailable(const std::string& root) override {
        struct statvfs fs;
        const std::string folder = NearestFolder(Native(root));
        if (folder.empty() || statvfs(folder.c_str(), &fs) != 0) return -1;
        if (Within(folder, DeclaredDisc())) return 0;
        return static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
    }

    bool FileExists(const std::string& path) override {
        struct stat st;
        return stat(Native(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    }
    bool DirectoryExists(const std::string& path) override { return IsDirectory(Native(path)); }
    bool CreateDirectory(const std::string& path) override {
        return !ParentOnDeclaredDisc(Native(path)) && mkdir(Native(path).c_str(), 0755) == 0;
    }
    bool RemoveDirectory(const std::string& path) override {
        return !OnDeclaredDisc(Native(path)) && rmdir(Native(path).c_str()) == 0;
    }

    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        const std::string source = Native(from), target = Native(to);
        struct stat st;
        if (stat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
        std::optional<std::string> bytes = Read(source, nullptr);
        if (!bytes) return false;
        return Write(target, *bytes, failIfExists, st.st_mode & 0777);
    }

    bool DeleteFile(const std::string& path) override {
        const std::string native = Native(path);
        struct stat st;
        if (lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || ParentOnDeclaredDisc(native)) return false;
        return unlink(native.c_str()) == 0;
    }
    // An open file is unlinked all the same.
    bool HeldAgainstDeletion(const std::string&) override { return false; }

    std::vector<FindEntry> Find(const std::string& pattern) override {
        const std::string native = Native(pattern);
        const std::size_t slash = native.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
        std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
        if (mask == "*.*") mask = "*";  // every name, with or without a dot
        const bool exact = mask.find_first_of("*?[") == std::string::npos;
        std::vector<FindEntry> out;
        DIR* dir = opendir(folder.c_str());
        if (!dir) return out;
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            // A name without wildcards is that entry alone: a POSIX file system tells
            // "SWF" from "swf", and the removal asks so whether a folder is a link.
            if (exact ? name != mask : fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD | FNM_PERIOD) != 0 && mask != "*")
                continue;
            // A name the program could not spell back is left out rather than changed.
            std::optional<std::string> ansi = Ansi(name);
            if (!ansi) continue;
            FindEntry found{*ansi, 0};
            struct stat link, st;
            const std::string full = folder + name;
            if (lstat(full.c_str(), &link) != 0) continue;
            const bool isLink = S_ISLNK(link.st_mode);
            const bool isDir = isLink ? (stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) : S_ISDIR(link.st_mode);
            if (isDir) found.attributes |= attr::Directory;
            else found.attributes |= attr::Archive;
            if (isLink) found.attributes |= attr::ReparsePoint;
            if (name.size() > 1 && name[0] == '.' && name != "..") found.attributes |= attr::Hidden;
            if (access(full.c_str(), W_OK) != 0 && !isDir) found.attributes |= attr::ReadOnly;
            out.push_back(found);
        }
        closedir(dir);
        return out;
    }

    std::optional<std::int64_t> FileSize(const std::string& path) override {
        struct stat st;
        if (stat(Native(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
        return static_cast<std::int64_t>(st.st_size);
    }

    std::optional<std::string> ReadFile(const std::string& path, std::uint32_t* errorCode) override {
        return Read(Native(path), errorCode);
    }

    std::string ErrorText(std::uint32_t errorCode) override {
        switch (errorCode) {
            case kFileNotFound: return Ru("Не удается найти указанный файл");
            case kPathNotFound: return Ru("Системе не удается найти указанный путь");
            case kAccessDenied: return Ru("Отказано в доступе");
            default: return Ru("Ошибка ввода-вывода (код ") + IntToStr(errorCode) + ")";
        }
    }

    bool WriteFile(const std::string& path, const std::string& bytes) override {
        return Write(Native(path), bytes, false, 0644);
    }

    std::string CurrentDirectory() override {
        char buffer[PATH_MAX];
        if (!getcwd(buffer, sizeof buffer)) return {};
        return Ansi(buffer).value_or(std::string());
    }
    bool SetCurrentDirectory(const std::string& path) override { return chdir(Native(path).c_str()) == 0; }

    // Made whole in the current folder, "." and ".." resolved by name (as the
    // system resolves them when it opens a path); no link is followed.
    std::string FullPathName(const std::string& path) override {
        if (path.empty()) return path;
        const std::string whole = path.front() == '/' ? path : CurrentDirectory() + "/" + path;
        std::vector<std::string> parts;
        std::size_t at = 0;
        while (at <= whole.size()) {
            const std::size_t end = std::min(whole.find('/', at), whole.size());
            const std::string part = whole.substr(at, end - at);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            at = end + 1;
        }
        std::string result;
        for (const std::string& part : parts) result += "/" + part;
        if (result.empty() || whole.back() == '/') result += '/';
        return result;
    }

    std::vector<std::string> SystemFolders() override {
        std::vector<std::string> folders = {"/", "/bin", "/boot", "/dev", "/etc", "/home", "/lib", "/opt",
                                            "/proc", "/root", "/sbin", "/sys", "/usr", "/var"};
        if (const char* home = std::getenv("HOME"); home && *home)
            if (auto ansi = Ansi(home)) folders.push_back(*ansi);
        if (DIR* homes = opendir("/home")) {
            while (const dirent* entry = readdir(homes))
                if (entry->d_name[0] != '.')
                    if (auto ansi = Ansi(std::string("/home/") + entry->d_name)) folders.push_back(*ansi);
            closedir(homes);
        }
        return folders;
    }

    // POSIX names have no short form.
    std::string ShortPathName(const std::string&) override { return {}; }

    // Here a running program deletes its own file, so no script waits for it to end
    // and nothing needs such a mark.
    bool CreateExitMark(const std::string&) override { return false; }

    std::string TempFolder() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = tmp && *tmp ? tmp : "/tmp";
        if (folder.back() != '/') folder += '/';
        return Ansi(folder).value_or("/tmp/");
    }

private:
    static std::optional<std::string> Read(const std::string& native, std::uint32_t* errorCode) {
        int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (fd >= 0 && (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
            close(fd);
            fd = -1;
            errno = EACCES;  // a folder opened as a file is refused, as the system refuses it
        }
        if (fd < 0) {
            if (errorCode) *errorCode = CodeOf(errno, native);
            return std::nullopt;
        }
        std::string bytes;
        char buffer[65536];
        for (;;) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                if (errorCode) *errorCode = kGenFailure;
                close(fd);
                return std::nullopt;
            }
            if (n == 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        close(fd);
        return bytes;
    }

    static bool Write(const std::string& native, const std::string& bytes, bool exclusive, mode_t mode) {
        if (ParentOnDeclaredDisc(native)) return false;
        int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), mode);
        if (fd < 0) return false;
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(fd);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return close(fd) == 0;
    }
};

}  // namespace

std::unique_ptr<FileSystem> CreatePosixFiles() { return std::make_unique<PosixFiles>(); }

}  // namespace vel::lnx
