#include "runtime/InstallRecord.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

bool Posix() { return CurrentPathStyle() == PathStyle::Posix; }

// Letters of code page 1251 folded the way the file system compares names; a POSIX
// file system tells every letter apart.
std::string UpperName(const std::string& s) {
    if (Posix()) return s;
    std::string out = AsciiUpper(s);
    for (char& c : out) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0xE0) c = static_cast<char>(b - 0x20);
        else if (b == 0xB8) c = static_cast<char>(0xA8);
    }
    return out;
}

bool ProducedName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (Posix()) return name.find('/') == std::string::npos && std::none_of(name.begin(), name.end(), [](char ch) {
                            return static_cast<unsigned char>(ch) < 32;
                        });
    // The system drops a trailing dot or blank, so no file of the program ends in one.
    if (name.back() == '.' || name.back() == ' ') return false;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
    }
    return true;
}

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find(PathDelimiter(), start);
        names.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return names;
        start = end + 1;
    }
}

// Appends what the list lacks, compared as the file system compares paths.
void AddOnce(std::vector<std::string>& list, std::set<std::string>& seen, const std::string& path) {
    if (seen.insert(PathKey(path)).second) list.push_back(path);
}

}  // namespace

std::string PathKey(const std::string& path) { return UpperName(ExcludeTrailingBackslash(path)); }

bool ProducedRelativePath(const std::string& path) {
    if (path.empty()) return false;
    for (const std::string& name : Split(path))
        if (!ProducedName(name)) return false;
    return true;
}

bool ProducedFolder(const std::string& folder) {
    if (Posix()) return folder.size() >= 2 && folder[0] == '/' && ProducedRelativePath(ExcludeTrailingBackslash(folder.substr(1)));
    if (folder.size() < 4 || folder[1] != ':' || folder[2] != '\\') return false;
    const char drive = AsciiUpper(folder.substr(0, 1))[0];
    if (drive < 'A' || drive > 'Z') return false;
    return ProducedRelativePath(ExcludeTrailingBackslash(folder.substr(3)));
}

std::vector<std::string> FolderChain(const std::string& folder) {
    std::vector<std::string> chain;
    if (!ProducedFolder(folder)) return chain;
    // Below the drive ("E:") or the root.
    std::string path = Posix() ? "" : folder.substr(0, 2);
    for (const std::string& name : Split(ExcludeTrailingBackslash(folder.substr(Posix() ? 1 : 3)))) {
        path += PathDelimiter() + name;
        chain.push_back(path);
    }
    return chain;
}

std::string FormatRecord(const InstallRecord& r) {
    std::string text;
    if (r.root.empty()) return text;
    text += "root " + r.root + "\r\n";
    for (const auto& m : r.made) text += "made " + m + "\r\n";
    for (const auto& d : r.dirs) text += "dir " + d + "\r\n";
    for (const auto& f : r.files) text += "file " + f + "\r\n";
    if (r.finished) text += "finished\r\n";
    return text;
}

InstallRecord ParseRecord(const std::string& text) {
    struct Line {
        std::string keyword, path;
    };
    std::vector<Line> lines;
    // A line counts once it is ended: a record cut short names less, never another path.
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string l = text.substr(start, end - start);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        std::size_t blank = l.find(' ');
        if (blank != std::string::npos) lines.push_back({l.substr(0, blank), l.substr(blank + 1)});
        else lines.push_back({l, ""});
    }
    InstallRecord r;
    for (const Line& l : lines)
        if (l.keyword == "root" && ProducedFolder(l.path) && l.path.back() == PathDelimiter()) {
            r.root = IncludeTrailingBackslash(l.path);
            break;
        }
    if (r.root.empty()) return r;

    const std::string rootKey = PathKey(r.root);
    std::set<std::string> made, dirs, files;
    for (const Line& l : lines) {
        if (l.keyword == "made" && ProducedFolder(l.path)) {
            const std::string k = PathKey(l.path);
            if (k == rootKey || rootKey.rfind(k + PathDelimiter(), 0) == 0) AddOnce(r.made, made, ExcludeTrailingBackslash(l.path));
        } else if (l.keyword == "dir" && ProducedRelativePath(l.path)) {
            AddOnce(r.dirs, dirs, l.path);
        } else if (l.keyword == "file" && ProducedRelativePath(l.path)) {
            AddOnce(r.files, files, l.path);
        } else if (l.keyword == "finished" && l.path.empty()) {
            r.finished = true;
        }
    }
    return r;
}

InstallRecord TransferRecord(const std::string& root, const std::vector<std::string>& createdFolders,
                             const std::vector<std::string>& dirs, const std::vector<std::string>& files) {
    return ParseRecord(FormatRecord({IncludeTrailingBackslash(root), createdFolders, dirs, files}));
}

std::string WithClipCopy(const std::string& recordText, const std::string& copyFolder,
                         const std::vector<std::string>& createdFolders, const std::string& file) {
    InstallRecord r = ParseRecord(recordText);
    if (r.root.empty()) r.root = IncludeTrailingBackslash(copyFolder);
    else if (PathKey(r.root) != PathKey(copyFolder)) return recordText;
    r.made.insert(r.made.end(), createdFolders.begin(), createdFolders.end());
    r.files.push_back(file);
    return FormatRecord(ParseRecord(FormatRecord(r)));
}

bool RecordLists(const std::string& recordText, const std::string& folder, const std::string& file) {
    const InstallRecord r = ParseRecord(recordText);
    if (r.root.empty() || PathKey(r.root) != PathKey(folder)) return false;
    const std::string wanted = PathKey(file);
    for (const std::string& listed : r.files)
        if (PathKey(listed) == wanted) return true;
    return false;
}

std::string ReadRecordText(RegistryAccess& registry, const char* name) {
    CloseKeyOnExit closer{registry};
    return registry.KeyExists(product::RecordKey) && registry.OpenKey(product::RecordKey, false)
               ? registry.ReadString(name)
               : "";
}

void WriteRecordText(RegistryAccess& registry, const char* name, const std::string& text) {
    CloseKeyOnExit closer{registry};
    registry.OpenKey(product::RecordKey, true);
    registry.WriteString(name, text);
}

std::string ReadClipRecordText(RegistryAccess& registry) {
    const std::string installed = ReadRecordText(registry, kClipRecord);
    std::string fromDisc;
    {
        CloseKeyOnExit closer{registry};
        if (registry.KeyExists(product::MakerKey) && registry.OpenKey(product::MakerKey, false))
            fromDisc = registry.ReadString(kDiscClipRecord);
    }
    const InstallRecord a = ParseRecord(installed), b = ParseRecord(fromDisc);
    if (b.root.empty()) return installed;
    if (a.root.empty()) return fromDisc;
    if (PathKey(a.root) != PathKey(b.root)) return installed;
    InstallRecord joined = a;
    joined.made.insert(joined.made.end(), b.made.begin(), b.made.end());
    joined.files.insert(joined.files.end(), b.files.begin(), b.files.end());
    return FormatRecord(ParseRecord(FormatRecord(joined)));
}

void WriteClipRecordText(RegistryAccess& registry, const std::string& text) {
    if (registry.KeyExists(product::ProductKey)) {
        WriteRecordText(registry, kClipRecord, text);
        CloseKeyOnExit closer{registry};
        if (registry.OpenKey(product::MakerKey, false)) registry.DeleteValue(kDiscClipRecord);
        return;
    }
    CloseKeyOnExit closer{registry};
    registry.OpenKey(product::MakerKey, true);
    registry.WriteString(kDiscClipRecord, text);
}

void SettleClipRecord(RegistryAccess& registry) {
    if (!registry.KeyExists(product::ProductKey)) return;
    bool onMakerKey = false;
    {
        CloseKeyOnExit closer{registry};
        onMakerKey = registry.KeyExists(product::MakerKey) && registry.OpenKey(product::MakerKey, false) &&
                     !registry.ReadString(kDiscClipRecord).empty();
    }
    if (onMakerKey) WriteClipRecordText(registry, ReadClipRecordText(registry));
}

}  // namespace vel
