#include "runtime/InstallRecord.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

// Letters of code page 1251 folded the way the file system compares names.
std::string UpperName(const std::string& s) {
    std::string out = AsciiUpper(s);
    for (char& c : out) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0xE0) c = static_cast<char>(b - 0x20);
        else if (b == 0xB8) c = static_cast<char>(0xA8);
    }
    return out;
}

// A path as the file system compares it.
std::string Key(const std::string& path) { return UpperName(ExcludeTrailingBackslash(path)); }

bool ProducedName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
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
        std::size_t end = path.find('\\', start);
        names.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return names;
        start = end + 1;
    }
}

std::size_t Depth(const std::string& path) {
    const std::string p = ExcludeTrailingBackslash(path);
    return static_cast<std::size_t>(std::count(p.begin(), p.end(), '\\'));
}

// Appends what the list lacks, compared as the file system compares paths.
void AddOnce(std::vector<std::string>& list, std::set<std::string>& seen, const std::string& path) {
    if (seen.insert(Key(path)).second) list.push_back(path);
}

// Deepest first, so that a folder comes after the folders it holds.
void DeepestFirst(std::vector<std::string>& folders) {
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
}

// A percent sign stands for itself in a batch file only when doubled.
std::string BatchQuoted(const std::string& path) {
    std::string out = "\"";
    for (char c : path) out += c == '%' ? std::string("%%") : std::string(1, c);
    return out + "\"";
}

}  // namespace

bool ProducedRelativePath(const std::string& path) {
    if (path.empty()) return false;
    for (const std::string& name : Split(path))
        if (!ProducedName(name)) return false;
    return true;
}

bool ProducedFolder(const std::string& folder) {
    if (folder.size() < 4 || folder[1] != ':' || folder[2] != '\\') return false;
    const char drive = AsciiUpper(folder.substr(0, 1))[0];
    if (drive < 'A' || drive > 'Z') return false;
    return ProducedRelativePath(ExcludeTrailingBackslash(folder.substr(3)));
}

std::vector<std::string> FolderChain(const std::string& folder) {
    std::vector<std::string> chain;
    if (!ProducedFolder(folder)) return chain;
    std::string path = folder.substr(0, 2);
    for (const std::string& name : Split(ExcludeTrailingBackslash(folder.substr(3)))) {
        path += "\\" + name;
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
    }
    InstallRecord r;
    for (const Line& l : lines)
        if (l.keyword == "root" && ProducedFolder(l.path) && l.path.back() == '\\') {
            r.root = IncludeTrailingBackslash(l.path);
            break;
        }
    if (r.root.empty()) return r;

    const std::string rootKey = Key(r.root);
    std::set<std::string> made, dirs, files;
    for (const Line& l : lines) {
        if (l.keyword == "made" && ProducedFolder(l.path)) {
            const std::string k = Key(l.path);
            if (k == rootKey || rootKey.rfind(k + "\\", 0) == 0) AddOnce(r.made, made, ExcludeTrailingBackslash(l.path));
        } else if (l.keyword == "dir" && ProducedRelativePath(l.path)) {
            AddOnce(r.dirs, dirs, l.path);
        } else if (l.keyword == "file" && ProducedRelativePath(l.path)) {
            AddOnce(r.files, files, l.path);
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
    else if (Key(r.root) != Key(copyFolder)) return recordText;
    r.made.insert(r.made.end(), createdFolders.begin(), createdFolders.end());
    r.files.push_back(file);
    return FormatRecord(ParseRecord(FormatRecord(r)));
}

InstallRecord RecordWithoutList(const std::string& registeredFolder, const std::string& transferFolder) {
    if (!ProducedFolder(transferFolder) || Key(registeredFolder) != Key(transferFolder)) return {};
    return {IncludeTrailingBackslash(transferFolder), {ExcludeTrailingBackslash(transferFolder)}, {}, {product::ProgramFile}};
}

std::vector<std::string> FoldersToInspect(const std::vector<InstallRecord>& records) {
    std::vector<std::string> out;
    std::set<std::string> seen;
    auto add = [&](const std::string& folder) {
        for (const std::string& f : FolderChain(folder)) AddOnce(out, seen, f);
    };
    for (const InstallRecord& r : records) {
        if (r.root.empty()) continue;
        add(r.root);
        for (const auto& d : r.dirs) add(r.root + d);
        for (const auto& f : r.files) add(ExtractFilePath(r.root + f));
    }
    return out;
}

RemovalPlan PlanRemoval(const std::vector<InstallRecord>& records, const std::vector<std::string>& links,
                        const std::string& programFileName) {
    std::set<std::string> linkKeys;
    for (const auto& l : links) linkKeys.insert(Key(l));
    // A folder reached through a link anywhere along its path is someone else's.
    auto reachable = [&](const std::string& folder) {
        const std::vector<std::string> chain = FolderChain(folder);
        return !chain.empty() &&
               std::none_of(chain.begin(), chain.end(), [&](const std::string& f) { return linkKeys.count(Key(f)) > 0; });
    };

    RemovalPlan plan;
    std::set<std::string> files, folders, made;
    std::vector<std::string> madeFolders;
    for (const InstallRecord& r : records) {
        if (r.root.empty()) continue;
        for (const auto& f : r.files) {
            const std::string path = r.root + f;
            if (!reachable(ExtractFilePath(path))) continue;
            AddOnce(plan.deleteFiles, files, path);
            if (plan.scriptProgramFile.empty() && UpperName(f) == UpperName(programFileName)) plan.scriptProgramFile = path;
        }
        for (const auto& d : r.dirs)
            if (reachable(r.root + d)) AddOnce(plan.removeFolders, folders, r.root + d);
        for (const auto& m : r.made)
            if (reachable(m)) AddOnce(madeFolders, made, m);
    }
    for (const auto& m : madeFolders) AddOnce(plan.removeFolders, folders, m);
    DeepestFirst(plan.removeFolders);
    if (!plan.scriptProgramFile.empty()) {
        plan.scriptFolders = madeFolders;
        DeepestFirst(plan.scriptFolders);
    }
    return plan;
}

std::optional<std::string> RemovalScript(const std::string& programFile, const std::vector<std::string>& folders,
                                         const std::string& scriptPath, unsigned oemCodePage) {
    std::string text;
    auto line = [&](const std::string& l) { text += l + "\r\n"; };
    const std::string tries = std::to_string(kScriptTries);
    // Each try of a loop one second apart; after the last one the script goes on.
    auto loop = [&](const std::string& label, const std::string& file, const std::string& next) {
        const std::string quoted = BatchQuoted(file), counter = "qq" + label;
        line(":" + label);
        line("Del " + quoted);
        line("Set /a " + counter + "+=1");
        line("If %" + counter + "% GEQ " + tries + " Goto " + next);
        line("If exist " + quoted + " ping -n 2 127.0.0.1 >nul");
        line("If exist " + quoted + " Goto " + label);
    };
    if (!programFile.empty()) line("Set /a qq1=0");
    line("Set /a qq2=0");
    if (!programFile.empty()) loop("1", programFile, "3");
    line(":3");
    // Without /s: a folder that still holds anything, the user's or behind a link, stays.
    for (const auto& f : folders) line("Rmdir " + BatchQuoted(ExcludeTrailingBackslash(f)));
    loop("2", scriptPath, ":eof");
    return AnsiToOem(text, oemCodePage);
}

}  // namespace vel
