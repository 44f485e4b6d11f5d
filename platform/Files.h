#pragma once
// Drives, files and folders. Paths are 8-bit (code page 1251), in the system's style
// (Style(): Windows unless the platform says otherwise).
// Results are the platform's: false or nullopt on failure, nothing is raised.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace vel {

// GetDriveTypeA values.
enum class DriveType : unsigned { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

// File attribute bits as the platform reports them.
namespace attr {
constexpr std::uint32_t ReadOnly = 0x1;
constexpr std::uint32_t Hidden = 0x2;
constexpr std::uint32_t System = 0x4;
constexpr std::uint32_t Directory = 0x10;
constexpr std::uint32_t Archive = 0x20;
constexpr std::uint32_t ReparsePoint = 0x400;  // junctions and symbolic links
}  // namespace attr

struct FindEntry {
    std::string name;  // the name alone, as a wildcard search yields it ("." and ".." included)
    std::uint32_t attributes = 0;
};

class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual ~FileSystem() = default;

    // How this system spells a path; the program's path rules follow it.
    virtual PathStyle Style() const { return PathStyle::Windows; }

    // root: "C:" or "C:\" or "\\server\share\"; "" is the current drive.
    virtual DriveType GetDriveType(const std::string& root) = 0;
    // Bytes available to the caller on the drive of root ("C:\"; "" is the current
    // drive); -1 when the query fails.
    virtual std::int64_t FreeBytesAvailable(const std::string& root) = 0;

    virtual bool FileExists(const std::string& path) = 0;       // a file, not a folder
    virtual bool DirectoryExists(const std::string& path) = 0;
    // Creates one folder whose parent exists; false when it fails or exists.
    virtual bool CreateDirectory(const std::string& path) = 0;
    // Removes an empty folder.
    virtual bool RemoveDirectory(const std::string& path) = 0;
    virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // Another program has the file open without letting it be deleted: it cannot go
    // until that program closes it, however long one waits. Never so where an open
    // file can always be deleted (POSIX).
    virtual bool HeldAgainstDeletion(const std::string& path) = 0;
    // Wildcard search of a pattern such as "C:\x\*.*", every attribute admitted.
    // An empty result means nothing was found.
    virtual std::vector<FindEntry> Find(const std::string& pattern) = 0;

    // The size of a file in bytes; nullopt for a folder or when it cannot be found.
    virtual std::optional<std::int64_t> FileSize(const std::string& path) = 0;
    // Whole-file read; nullopt with errorCode set (the platform's code, 2 = not found).
    virtual std::optional<std::string> ReadFile(const std::string& path, std::uint32_t* errorCode = nullptr) = 0;
    // The system's own text for such an error code, in the system's language, without
    // a final full stop.
    virtual std::string ErrorText(std::uint32_t errorCode) = 0;
    // Creates or overwrites a file with these bytes.
    virtual bool WriteFile(const std::string& path, const std::string& bytes) = 0;

    virtual std::string CurrentDirectory() = 0;
    virtual bool SetCurrentDirectory(const std::string& path) = 0;
    // A path made whole as the system makes it when it opens one: a drive or folder
    // put before what lacks it ("\x" on the current drive, "D:x" in that drive's
    // current folder, "x" in the current folder), "." and ".." resolved, and the
    // trailing dots and blanks the system drops dropped. The path as it is when
    // the system cannot make it whole.
    virtual std::string FullPathName(const std::string& path) = 0;

    // Folders the system owns, which no program may remove: the Windows folder, the
    // folder that holds the users' profiles, and every user's profile folder.
    virtual std::vector<std::string> SystemFolders() = 0;
    // The user's folder for temporary files, which the user may write to; it ends
    // with a backslash. Named so that the program can use the name (in its short
    // form where the long one has characters the program's code page lacks).
    virtual std::string TempFolder() = 0;
    // An existing file's or folder's path in the system's short form (8.3 names);
    // "" when it has none or does not exist.
    virtual std::string ShortPathName(const std::string& path) = 0;
    // Creates the file `path` that stays while this program runs and that the
    // system deletes once it has ended, however it ends; false when it cannot.
    virtual bool CreateExitMark(const std::string& path) = 0;
};

}  // namespace vel
