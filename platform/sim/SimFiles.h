#pragma once
// In-memory drives, folders and files. Paths compare without regard to letter case;
// relative paths and "\x" are taken from the current folder and drive, "." and ".."
// are resolved and trailing dots and blanks dropped from names as the system does;
// a name with a character the system forbids (< > : " | ? * or a control
// character) cannot be created.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimFiles final : public FileSystem {
public:
    explicit SimFiles(Trace& trace) : m_trace(trace) {}

    DriveType GetDriveType(const std::string& root) override;
    std::int64_t FreeBytesAvailable(const std::string& root) override;
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    bool DeleteFile(const std::string& path) override;
    bool HeldAgainstDeletion(const std::string& path) override { return m_held.count(Key(path)) > 0; }
    std::vector<FindEntry> Find(const std::string& pattern) override;
    std::optional<std::int64_t> FileSize(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path, std::uint32_t* errorCode) override;
    std::string ErrorText(std::uint32_t errorCode) override;
    bool WriteFile(const std::string& path, const std::string& bytes) override;
    std::string CurrentDirectory() override { return m_current; }
    bool SetCurrentDirectory(const std::string& path) override;
    std::string FullPathName(const std::string& path) override;
    std::vector<std::string> SystemFolders() override { return systemFolders; }
    std::string TempFolder() override { return tempFolder; }
    std::string ShortPathName(const std::string& path) override;
    bool CreateExitMark(const std::string& path) override;

    // The system's own folders (SimMachine fills in the Windows and profiles folders).
    std::vector<std::string> systemFolders;
    std::string tempFolder;  // SimMachine makes it

    // Scenario set-up (not traced). A drive's root folder exists with it.
    void AddDrive(const std::string& root, DriveType type, std::int64_t freeBytes);
    void SetFreeBytes(const std::string& root, std::int64_t freeBytes);
    void AddFolder(const std::string& path, std::uint32_t attributes = 0);  // with parents
    void AddFile(const std::string& path, const std::string& bytes, std::uint32_t attributes = 0);
    // Creating folders under this path fails.
    void FailCreate(const std::string& path) { m_failCreate.insert(Key(path)); }
    // Deleting this file or removing this folder fails (a running program, a locked file).
    void Lock(const std::string& path) { m_locked.insert(Key(path)); }
    void Unlock(const std::string& path) { m_locked.erase(Key(path)); }
    bool Locked(const std::string& path) const { return m_locked.count(Key(path)) > 0; }
    // Another program has the file open without delete sharing: deleting it fails
    // until it is released.
    void Hold(const std::string& path) { m_held.insert(Key(path)); }
    void Release(const std::string& path) { m_held.erase(Key(path)); }
    // The current folder, and with it the current drive (set-up, not traced).
    void SetCurrentFolder(const std::string& path) { m_current = Resolve(path); }
    // Reading this file fails with access denied (5).
    void DenyRead(const std::string& path) { m_denyRead.insert(Key(path)); }
    // A junction at `path` to the folder `target`: searches and reads through it see
    // the target's entries, so a link can lead back above itself (writing through
    // such a link is not modelled). A link without a target holds its own entries.
    void AddLink(const std::string& path, const std::string& target);

    // The short form the system gives an existing path: set-up, and the prefix of a
    // longer path; none otherwise.
    // Paths in the short form name the same files and folders.
    void SetShortName(const std::string& path, const std::string& shortPath);
    // The running program has ended: the system deletes its exit marks.
    void ProgramEnded();

    // The full path as the system would resolve it.
    std::string Resolve(const std::string& path) const;
    // Every folder and file under `path`, one line each, sorted.
    std::vector<std::string> Dump(const std::string& path);
    std::optional<std::string> Content(const std::string& path);
    // Copies a folder's contents recursively (the shell's copy); traced per file.
    // Stops at a file that fails to copy, or once `fileBudget` (when given) reaches
    // 0; false when it stopped early.
    bool CopyTreeContents(const std::string& fromFolder, const std::string& toFolder, int* fileBudget = nullptr);

private:
    struct Node {
        std::string path;  // resolved, original case
        bool folder = false;
        std::uint32_t attributes = 0;
        std::string bytes;
    };
    struct Drive {
        DriveType type;
        std::int64_t freeBytes;
    };
    std::string Key(const std::string& path) const;
    static std::string ParentOf(const std::string& resolved);
    std::string DriveOf(const std::string& resolved) const;
    Node* Get(const std::string& path);
    // The resolved path with every linked folder along it replaced by its target.
    std::string Followed(const std::string& resolved) const;
    bool Writable(const std::string& resolved) const;

    Trace& m_trace;
    std::map<std::string, Node> m_nodes;   // upper-cased resolved path -> node
    std::map<std::string, Drive> m_drives;  // upper-cased root ("C:" or "\\SERVER\SHARE")
    std::set<std::string> m_failCreate;
    std::set<std::string> m_locked;
    std::set<std::string> m_held;
    std::set<std::string> m_denyRead;
    std::map<std::string, std::string> m_linkTargets;  // upper-cased link -> resolved target
    std::map<std::string, std::string> m_shortNames;   // upper-cased resolved path -> its short form
    std::map<std::string, std::string> m_longNames;    // upper-cased short form -> the resolved path
    std::vector<std::string> m_exitMarks;
    std::string m_current = "C:\\";
};

}  // namespace vel::sim
