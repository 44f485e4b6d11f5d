#include "install/FolderHelpers.h"

#include "runtime/Text.h"

namespace vel {

namespace {
// FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR
constexpr std::uint32_t kCopyFlags = 0x0250;
}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string out = folder;
    if (!out.empty() && out.back() != '\\') out += '\\';
    return out + (!name.empty() && name.front() == '\\' ? name.substr(1) : name);
}

int CountFolderEntries(FileSystem& files, const std::string& pattern) {
    return static_cast<int>(files.Find(pattern).size());
}

void CopyFolderContents(Shell& shell, WindowHandle owner, const std::string& source, const std::string& target) {
    bool aborted = false;
    shell.CopyTree(owner, source + "*.*", target, kCopyFlags, aborted);
}

namespace {
bool Skipped(const FindEntry& e) { return (e.attributes & (attr::Hidden | attr::System)) != 0; }
}  // namespace

void EmptyFolder(FileSystem& files, const std::string& folder) {
    if (folder.empty()) return;
    const std::string pattern = JoinPath(folder, "*.*");
    for (const FindEntry& e : files.Find(pattern))
        if ((e.attributes & attr::Directory) && !Skipped(e)) DeleteFolderEntry(files, e, folder);
    for (const FindEntry& e : files.Find(pattern))
        if (!(e.attributes & attr::Directory) && !Skipped(e)) DeleteFolderEntry(files, e, folder);
}

void DeleteFolderEntry(FileSystem& files, const FindEntry& entry, const std::string& folder) {
    if (entry.name == "." || entry.name == "..") return;
    const std::string path = JoinPath(folder, entry.name);
    if (entry.attributes & attr::Directory) {
        if (!(entry.attributes & attr::ReparsePoint)) EmptyFolder(files, path);
        files.RemoveDirectory(path);
    } else {
        files.DeleteFile(path);
    }
}

}  // namespace vel
