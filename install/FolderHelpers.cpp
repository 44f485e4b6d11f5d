#include "install/FolderHelpers.h"

#include "runtime/Text.h"

namespace vel {

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string out = folder;
    const char delimiter = PathDelimiter();
    if (!out.empty() && out.back() != delimiter) out += delimiter;
    return out + (!name.empty() && name.front() == delimiter ? name.substr(1) : name);
}

std::string WithNamesAsKept(const std::string& path) {
    // A POSIX system keeps every name as given.
    if (CurrentPathStyle() == PathStyle::Posix) return path;
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(start, end - start);
        const bool given = !name.empty();
        // "." and ".." are no names; a drive ("E:") and a share keep theirs.
        if (name != "." && name != "..")
            while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        // A name of dots and blanks alone is none at all.
        if (!given || !name.empty()) {
            out += name;
            if (end < path.size()) out += '\\';
        }
        start = end + 1;
    }
    return out;
}

int CountFolderEntries(FileSystem& files, const std::string& pattern) {
    return static_cast<int>(files.Find(pattern).size());
}

bool CopiedWhole(FileSystem& files, const std::string& source, const std::string& target,
                 const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::optional<std::int64_t> size = files.FileSize(JoinPath(source, name));
        if (!size || files.FileSize(JoinPath(target, name)) != size) return false;
    }
    return true;
}

namespace {
void ListUnder(FileSystem& files, const std::string& folder, const std::string& prefix, FolderListing& tree) {
    for (const FindEntry& e : files.Find(JoinPath(folder, "*.*"))) {
        if (e.name == "." || e.name == "..") continue;
        const std::string name = prefix + e.name;
        if (e.attributes & attr::ReparsePoint) {
            tree.links.push_back(name);
        } else if (!(e.attributes & attr::Directory)) {
            tree.files.push_back(name);
        } else {
            tree.dirs.push_back(name);
            ListUnder(files, JoinPath(folder, e.name), name + PathDelimiter(), tree);
        }
    }
}
}  // namespace

FolderListing ListFolderTree(FileSystem& files, const std::string& folder) {
    FolderListing tree;
    ListUnder(files, folder, "", tree);
    return tree;
}

}  // namespace vel
