#include "platform/sim/SimFiles.h"

#include <algorithm>
#include <string_view>

#include "runtime/Text.h"

namespace vel::sim {

namespace {
constexpr std::uint32_t kNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;

// Characters no file or folder name may hold.
bool ValidName(const std::string& resolved) {
    const std::size_t rootEnd = resolved.find('\\', resolved.rfind(':') == 1 ? 2 : 0);
    for (std::size_t i = rootEnd == std::string::npos ? 0 : rootEnd; i < resolved.size(); ++i) {
        const auto c = static_cast<unsigned char>(resolved[i]);
        if (c < 32 || std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos) return false;
    }
    return true;
}

// "*.*" and "*" match everything; otherwise '*' and '?' as usual, without case.
bool Matches(const std::string& mask, const std::string& name) {
    if (mask == "*.*" || mask == "*") return true;
    std::string m = AsciiUpper(mask), n = AsciiUpper(name);
    std::size_t mi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (mi < m.size() && (m[mi] == '?' || m[mi] == n[ni])) {
            ++mi;
            ++ni;
        } else if (mi < m.size() && m[mi] == '*') {
            star = mi++;
            mark = ni;
        } else if (star != std::string::npos) {
            mi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == '*') ++mi;
    return mi == m.size();
}
}  // namespace

std::string SimFiles::Resolve(const std::string& path) const {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    std::string root, rest;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        root = ExtractFileDrive(p);
        rest = p.substr(root.size());
    } else if (p.size() >= 2 && p[1] == ':') {
        root = AsciiUpper(p.substr(0, 2));
        rest = p.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            std::string cur = SameTextAscii(ExtractFileDrive(m_current), root) ? m_current.substr(2) : "\\";
            rest = IncludeTrailingBackslash(cur) + rest;
        }
    } else if (!p.empty() && p[0] == '\\') {
        root = ExtractFileDrive(m_current);
        rest = p;
    } else {
        root = ExtractFileDrive(m_current);
        rest = IncludeTrailingBackslash(m_current.substr(root.size())) + p;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        // The system drops trailing dots and blanks from a name ("." and ".." aside).
        if (part != "." && part != "..")
            while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = root + "\\";
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
    // A short form names the folder it stands for.
    const std::string key = AsciiUpper(out);
    for (const auto& [shortKey, longPath] : m_longNames)
        if (key == shortKey || key.rfind(shortKey + "\\", 0) == 0) return longPath + out.substr(shortKey.size());
    return out;
}

std::string SimFiles::Key(const std::string& path) const { return AsciiUpper(Resolve(path)); }

std::string SimFiles::ParentOf(const std::string& resolved) {
    std::string p = ExcludeTrailingBackslash(resolved);
    std::size_t slash = p.rfind('\\');
    if (slash == std::string::npos) return {};
    std::string parent = p.substr(0, slash);
    if (parent.size() == 2 && parent[1] == ':') parent += "\\";
    return parent;
}

std::string SimFiles::DriveOf(const std::string& resolved) const { return AsciiUpper(ExtractFileDrive(resolved)); }

SimFiles::Node* SimFiles::Get(const std::string& path) {
    auto it = m_nodes.find(Key(path));
    if (it == m_nodes.end() && !m_linkTargets.empty()) it = m_nodes.find(AsciiUpper(Followed(Resolve(path))));
    return it == m_nodes.end() ? nullptr : &it->second;
}

std::string SimFiles::Followed(const std::string& resolved) const {
    std::string path = resolved;
    // The system gives up after so many links in one path.
    for (int hop = 0; hop < 63; ++hop) {
        const std::string key = AsciiUpper(path);
        bool followed = false;
        for (const auto& [link, target] : m_linkTargets)
            if (key == link || key.rfind(link + "\\", 0) == 0) {
                path = target + path.substr(link.size());
                followed = true;
                break;
            }
        if (!followed) return path;
    }
    return path;
}

bool SimFiles::Writable(const std::string& resolved) const {
    auto it = m_drives.find(DriveOf(resolved));
    return it != m_drives.end() && it->second.type != DriveType::CdRom;
}

DriveType SimFiles::GetDriveType(const std::string& root) {
    std::string r = root.empty() ? ExtractFileDrive(m_current) : ExtractFileDrive(Resolve(IncludeTrailingBackslash(root)));
    auto it = m_drives.find(AsciiUpper(r));
    return it == m_drives.end() ? DriveType::NoRootDir : it->second.type;
}

std::int64_t SimFiles::FreeBytesAvailable(const std::string& root) {
    std::string r = root.empty() ? ExtractFileDrive(m_current) : ExtractFileDrive(Resolve(root));
    auto it = m_drives.find(AsciiUpper(r));
    return it == m_drives.end() ? -1 : it->second.freeBytes;
}

bool SimFiles::FileExists(const std::string& path) {
    Node* n = Get(path);
    return n && !n->folder;
}

bool SimFiles::DirectoryExists(const std::string& path) {
    Node* n = Get(path);
    return n && n->folder;
}

bool SimFiles::CreateDirectory(const std::string& path) {
    std::string resolved = Resolve(path);
    std::string key = AsciiUpper(resolved);
    if (m_nodes.count(key) || !Writable(resolved)) return false;
    if (!ValidName(resolved)) {
        m_trace.Add("file mkdir " + Quote(resolved) + " -> invalid name");
        return false;
    }
    for (const auto& f : m_failCreate)
        if (key == f || key.rfind(f + "\\", 0) == 0) return false;
    Node* parent = Get(ParentOf(resolved));
    if (!parent || !parent->folder) return false;
    m_nodes[key] = Node{resolved, true, attr::Directory, {}};
    m_trace.Add("file mkdir " + Quote(resolved));
    return true;
}

bool SimFiles::RemoveDirectory(const std::string& path) {
    std::string key = Key(path);
    auto it = m_nodes.find(key);
    if (it == m_nodes.end() || !it->second.folder || m_locked.count(key)) return false;
    if (ParentOf(it->second.path).empty()) return false;  // a drive root
    std::string prefix = key + "\\";
    bool link = (it->second.attributes & attr::ReparsePoint) != 0;
    if (!link)
        for (const auto& kv : m_nodes)
            if (kv.first.rfind(prefix, 0) == 0) return false;
    // A junction or symbolic link goes by itself; what shows through it lives elsewhere.
    m_trace.Add("file rmdir " + Quote(it->second.path) + (link ? " (link)" : ""));
    for (auto n = m_nodes.begin(); n != m_nodes.end();) {
        if (n->first.rfind(prefix, 0) == 0) n = m_nodes.erase(n);
        else ++n;
    }
    m_nodes.erase(key);
    return true;
}

bool SimFiles::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    Node* source = Get(from);
    std::string target = Resolve(to);
    Node* parent = Get(ParentOf(target));
    Node* existing = Get(target);
    // A source that cannot be read and a target that cannot be deleted (in use)
    // fail the copy as well.
    if (!source || source->folder || !parent || !parent->folder || !Writable(target) || !ValidName(target) ||
        m_denyRead.count(Key(from)) ||
        (existing && (failIfExists || existing->folder || (existing->attributes & attr::ReadOnly) ||
                      m_locked.count(AsciiUpper(target))))) {
        m_trace.Add("file copy-failed " + Quote(Resolve(from)) + " -> " + Quote(target));
        return false;
    }
    std::string bytes = source->bytes;
    m_nodes[AsciiUpper(target)] = Node{target, false, attr::Archive, bytes};
    m_trace.Add("file copy " + Quote(Resolve(from)) + " -> " + Quote(target));
    return true;
}

bool SimFiles::DeleteFile(const std::string& path) {
    std::string key = Key(path);
    auto it = m_nodes.find(key);
    if (it == m_nodes.end() || it->second.folder || m_locked.count(key) || m_held.count(key) ||
        (it->second.attributes & attr::ReadOnly) || !Writable(it->second.path))
        return false;
    m_trace.Add("file delete " + Quote(it->second.path));
    m_nodes.erase(it);
    return true;
}

std::vector<FindEntry> SimFiles::Find(const std::string& pattern) {
    std::string resolved = Resolve(pattern);
    std::string folder = ParentOf(resolved);
    std::string mask = ExtractFileName(resolved);
    std::vector<FindEntry> out;
    Node* dir = Get(folder);
    if (!dir || !dir->folder) return out;
    folder = Followed(folder);
    bool root = ParentOf(folder).empty();
    if (!root) {
        if (Matches(mask, ".")) out.push_back({".", attr::Directory});
        if (Matches(mask, "..")) out.push_back({"..", attr::Directory});
    }
    std::string prefix = AsciiUpper(IncludeTrailingBackslash(folder));
    for (const auto& [key, node] : m_nodes) {
        if (key.rfind(prefix, 0) != 0 || key.find('\\', prefix.size()) != std::string::npos || key == prefix) continue;
        std::string name = node.path.substr(prefix.size());
        if (Matches(mask, name)) out.push_back({name, node.attributes | (node.folder ? attr::Directory : 0)});
    }
    return out;
}

// The simulated machine speaks English, from a fixed table.
std::string SimFiles::ErrorText(std::uint32_t errorCode) {
    switch (errorCode) {
        case kNotFound: return "The system cannot find the file specified";
        case kPathNotFound: return "The system cannot find the path specified";
        case kAccessDenied: return "Access is denied";
        case 32: return "The process cannot access the file because it is being used by another process";
        default: return "System error. Code: " + std::to_string(errorCode);
    }
}

std::optional<std::int64_t> SimFiles::FileSize(const std::string& path) {
    Node* n = Get(path);
    if (!n || n->folder) return std::nullopt;
    return static_cast<std::int64_t>(n->bytes.size());
}

std::optional<std::string> SimFiles::ReadFile(const std::string& path, std::uint32_t* errorCode) {
    Node* n = Get(path);
    if (!n || n->folder) {
        if (errorCode) *errorCode = Get(ParentOf(Resolve(path))) ? kNotFound : kPathNotFound;
        return std::nullopt;
    }
    if (m_denyRead.count(Key(path))) {
        if (errorCode) *errorCode = kAccessDenied;
        return std::nullopt;
    }
    return n->bytes;
}

bool SimFiles::WriteFile(const std::string& path, const std::string& bytes) {
    std::string resolved = Resolve(path);
    Node* parent = Get(ParentOf(resolved));
    Node* existing = Get(resolved);
    if (!parent || !parent->folder || !Writable(resolved) || !ValidName(resolved) ||
        (existing && (existing->folder || (existing->attributes & attr::ReadOnly) || m_locked.count(AsciiUpper(resolved)))))
        return false;
    m_nodes[AsciiUpper(resolved)] = Node{resolved, false, attr::Archive, bytes};
    m_trace.Add("file write " + Quote(resolved) + " (" + std::to_string(bytes.size()) + " bytes)");
    return true;
}

std::string SimFiles::FullPathName(const std::string& path) {
    std::string whole = Resolve(path);
    // The system keeps the letter case of a drive given.
    if (path.size() >= 2 && path[1] == ':' && whole.size() >= 2 && whole[1] == ':') whole[0] = path[0];
    return whole;
}

bool SimFiles::SetCurrentDirectory(const std::string& path) {
    if (!DirectoryExists(path)) return false;
    m_current = Resolve(path);
    m_trace.Add("file chdir " + Quote(m_current));
    return true;
}

void SimFiles::AddDrive(const std::string& root, DriveType type, std::int64_t freeBytes) {
    std::string r = AsciiUpper(ExtractFileDrive(root.size() == 1 ? root + ":" : root));
    m_drives[r] = Drive{type, freeBytes};
    m_nodes[r + "\\"] = Node{r + "\\", true, attr::Directory, {}};
}

void SimFiles::SetFreeBytes(const std::string& root, std::int64_t freeBytes) {
    auto it = m_drives.find(AsciiUpper(ExtractFileDrive(root)));
    if (it != m_drives.end()) it->second.freeBytes = freeBytes;
}

void SimFiles::AddFolder(const std::string& path, std::uint32_t attributes) {
    std::string resolved = Resolve(path);
    std::string parent = ParentOf(resolved);
    if (!parent.empty() && !Get(parent)) AddFolder(parent);
    if (parent.empty()) return;
    m_nodes[AsciiUpper(resolved)] = Node{resolved, true, attributes | attr::Directory, {}};
}

void SimFiles::AddFile(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    std::string resolved = Resolve(path);
    std::string parent = ParentOf(resolved);
    if (!Get(parent)) AddFolder(parent);
    m_nodes[AsciiUpper(resolved)] = Node{resolved, false, attributes, bytes};
}

std::string SimFiles::ShortPathName(const std::string& path) {
    Node* n = Get(path);
    if (!n) return {};
    // The longest folder with a short form, and the rest as it is.
    const std::string resolved = n->path;
    for (std::string prefix = resolved; !prefix.empty(); prefix = ParentOf(prefix)) {
        auto it = m_shortNames.find(AsciiUpper(prefix));
        if (it != m_shortNames.end()) return it->second + resolved.substr(prefix.size());
        if (ParentOf(prefix).empty()) break;
    }
    return {};
}

void SimFiles::SetShortName(const std::string& path, const std::string& shortPath) {
    const std::string resolved = Resolve(path);
    m_shortNames[AsciiUpper(resolved)] = shortPath;
    m_longNames[AsciiUpper(ExcludeTrailingBackslash(shortPath))] = resolved;
}

bool SimFiles::CreateExitMark(const std::string& path) {
    // Made new, as the system makes it: an existing file is refused.
    if (Get(path) || !WriteFile(path, "")) return false;
    m_exitMarks.push_back(Resolve(path));
    return true;
}

void SimFiles::ProgramEnded() {
    for (const std::string& mark : m_exitMarks) DeleteFile(mark);
    m_exitMarks.clear();
}

void SimFiles::AddLink(const std::string& path, const std::string& target) {
    AddFolder(path, attr::ReparsePoint);
    m_linkTargets[Key(path)] = Resolve(target);
}

std::vector<std::string> SimFiles::Dump(const std::string& path) {
    std::vector<std::string> out;
    std::string key = Key(path);
    std::string prefix = ExcludeTrailingBackslash(key) + "\\";
    for (const auto& [k, node] : m_nodes) {
        if (k != key && k.rfind(prefix, 0) != 0) continue;
        std::string flags;
        if (node.attributes & attr::Hidden) flags += " hidden";
        if (node.attributes & attr::System) flags += " system";
        if (node.attributes & attr::ReadOnly) flags += " readonly";
        if (node.attributes & attr::ReparsePoint) flags += " link";
        out.push_back("  " + std::string(node.folder ? "dir  " : "file ") + Quote(node.path) +
                      (node.folder ? "" : " (" + std::to_string(node.bytes.size()) + " bytes)") + flags);
    }
    if (out.empty()) out.push_back("  (nothing at " + Quote(Resolve(path)) + ")");
    return out;
}

std::optional<std::string> SimFiles::Content(const std::string& path) {
    Node* n = Get(path);
    if (!n || n->folder) return std::nullopt;
    return n->bytes;
}

bool SimFiles::CopyTreeContents(const std::string& fromFolder, const std::string& toFolder, int* fileBudget) {
    std::string from = Resolve(fromFolder), to = Resolve(toFolder);
    if (!DirectoryExists(to) && Writable(to)) {
        AddFolder(to);
        m_trace.Add("file mkdir " + Quote(to));
    }
    for (const auto& entry : Find(IncludeTrailingBackslash(from) + "*.*")) {
        if (entry.name == "." || entry.name == "..") continue;
        std::string src = IncludeTrailingBackslash(from) + entry.name;
        std::string dst = IncludeTrailingBackslash(to) + entry.name;
        if (entry.attributes & attr::Directory) {
            if (!CopyTreeContents(src, dst, fileBudget)) return false;
        } else {
            if (fileBudget && (*fileBudget)-- <= 0) return false;
            if (!CopyFile(src, dst, false)) return false;
        }
    }
    return true;
}

}  // namespace vel::sim
