#include "install/Removal.h"

#include <algorithm>
#include <set>

#include "platform/Files.h"
#include "runtime/Errors.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

std::size_t Depth(const std::string& path) {
    const std::string p = ExcludeTrailingBackslash(path);
    return static_cast<std::size_t>(std::count(p.begin(), p.end(), PathDelimiter()));
}

// Appends what the list lacks, compared as the file system compares paths.
void AddOnce(std::vector<std::string>& list, std::set<std::string>& seen, const std::string& path) {
    if (seen.insert(PathKey(path)).second) list.push_back(path);
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

// ---- the plan ----

namespace {

bool Under(const std::string& path, const std::string& folder) {
    const std::string p = PathKey(path), f = PathKey(folder);
    return p == f || p.rfind(f + PathDelimiter(), 0) == 0;
}

// The folders of `folder`'s chain at or below `base`.
std::vector<std::string> ChainFrom(const std::string& base, const std::string& folder) {
    std::vector<std::string> chain;
    for (const std::string& f : FolderChain(folder))
        if (Under(f, base)) chain.push_back(f);
    return chain;
}

bool IsLink(FileSystem& files, const std::string& folder) {
    const std::vector<FindEntry> found = files.Find(ExcludeTrailingBackslash(folder));
    return found.size() == 1 && (found[0].attributes & attr::ReparsePoint);
}

// Besides "." and "..", nothing or the product folder alone; a missing folder holds nothing.
bool HoldsOnlyProductFolder(FileSystem& files, const std::string& folder, const std::string& productFolder) {
    std::vector<FindEntry> others;
    for (const FindEntry& e : files.Find(IncludeTrailingBackslash(folder) + "*.*"))
        if (e.name != "." && e.name != "..") others.push_back(e);
    return others.empty() || (others.size() == 1 && (others[0].attributes & attr::Directory) &&
                              PathKey(IncludeTrailingBackslash(folder) + others[0].name) == PathKey(productFolder));
}

// The folder above a transfer folder whose last name is the identifier; "" otherwise.
std::string ParentOfProductNamed(const std::string& transferFolder) {
    const std::string id = product::Identifier;
    const std::size_t p = Pos(id, transferFolder);
    if (p >= 1 && p == transferFolder.size() - id.size()) return transferFolder.substr(0, p - 1);
    return {};
}

// A folder an older installation may have made and its uninstallation emptied.
bool OlderFolderMayGo(FileSystem& files, const std::string& folder, const InstallationFolders& f) {
    const std::vector<std::string> chain = FolderChain(folder);
    if (chain.empty() || IsLink(files, folder)) return false;
    // The older removal emptied a transfer folder whose name ends in the identifier
    // ("MyVelvinor" too), and the folders the transfer proposes start with it.
    const std::string last = ExtractFileName(chain.back());
    if (last.find(product::Identifier) == std::string::npos && PathKey(folder) != PathKey(f.makerFolder))
        return false;
    std::vector<std::string> system = f.systemFolders;
    system.push_back(f.programFilesDir);
    return std::none_of(system.begin(), system.end(),
                        [&](const std::string& s) { return !s.empty() && Under(s, folder); });
}

void ListUnder(FileSystem& files, const std::string& folder, const std::string& prefix, InstallRecord& record) {
    for (const FindEntry& e : files.Find(IncludeTrailingBackslash(folder) + "*.*")) {
        if (e.name == "." || e.name == "..") continue;
        // What the system or the user hid, and what lies behind a link, stays.
        if (e.attributes & (attr::Hidden | attr::System | attr::ReparsePoint)) continue;
        const std::string name = prefix + e.name;
        if (e.attributes & attr::Directory) {
            record.dirs.push_back(name);
            ListUnder(files, IncludeTrailingBackslash(folder) + e.name, name + PathDelimiter(), record);
        } else {
            record.files.push_back(name);
        }
    }
}

}  // namespace

std::vector<InstallRecord> OlderInstallation(FileSystem& files, const InstallationFolders& f) {
    std::vector<InstallRecord> records;
    // `folder` as it is now.
    auto clear = [&](const std::string& folder) {
        const std::string whole = ExcludeTrailingBackslash(folder);
        if (!files.DirectoryExists(whole) || !OlderFolderMayGo(files, whole, f)) return;
        InstallRecord r{IncludeTrailingBackslash(whole), {whole}, {}, {}};
        ListUnder(files, whole, "", r);
        records.push_back(ParseRecord(FormatRecord(r)));
    };
    const std::string parent = ParentOfProductNamed(f.transferFolder);
    if (SameTextAscii(f.transferFolder, f.productFolder + PathDelimiter())) {
        clear(!parent.empty() && HoldsOnlyProductFolder(files, parent, f.productFolder) ? parent : f.transferFolder);
        return records;
    }
    // Its clip copies, in the default product folder or the maker folder around it.
    clear(HoldsOnlyProductFolder(files, f.makerFolder, f.productFolder) ? f.makerFolder : f.productFolder);
    // The transfer copied into a new or empty folder, or into one named after the
    // product: all the transfer folder holds came with the copy or after it.
    if (!f.transferFolder.empty()) clear(f.transferFolder);
    return records;
}

std::vector<InstallRecord> RecordsToRemove(RegistryAccess& registry, FileSystem& files,
                                           const InstallationFolders& folders) {
    auto own = [&](const InstallRecord& r) {
        return !r.root.empty() && ((!folders.transferFolder.empty() && PathKey(r.root) == PathKey(folders.transferFolder)) ||
                                   PathKey(r.root) == PathKey(folders.productFolder));
    };
    std::vector<InstallRecord> records;
    const InstallRecord transfer = ParseRecord(ReadRecordText(registry, kTransferRecord));
    if (own(transfer)) {
        records.push_back(transfer);
    } else if (!folders.transferFolder.empty()) {
        for (InstallRecord& r : OlderInstallation(files, folders)) records.push_back(std::move(r));
    }
    const InstallRecord clips = ParseRecord(ReadClipRecordText(registry));
    if (own(clips)) records.push_back(clips);
    // Registered where it stood, without a record of its clip copies: an older
    // installation, whose copies lie in the maker or the default product folder.
    else if (folders.transferFolder.empty())
        for (InstallRecord& r : OlderInstallation(files, folders)) records.push_back(std::move(r));
    return records;
}

std::vector<std::string> FoldersToInspect(const std::vector<InstallRecord>& records) {
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const InstallRecord& r : records) {
        if (r.root.empty()) continue;
        auto add = [&](const std::string& folder) {
            for (const std::string& f : ChainFrom(r.root, folder)) AddOnce(out, seen, f);
        };
        add(r.root);
        for (const auto& d : r.dirs) add(r.root + d);
        for (const auto& f : r.files) add(ExtractFilePath(r.root + f));
        for (const auto& m : r.made) AddOnce(out, seen, m);
    }
    return out;
}

std::vector<std::string> LinkFolders(FileSystem& files, const std::vector<std::string>& folders) {
    std::vector<std::string> links;
    for (const std::string& folder : folders)
        if (IsLink(files, folder)) links.push_back(folder);
    return links;
}

RemovalPlan PlanRemoval(const std::vector<InstallRecord>& records, const std::vector<std::string>& links,
                        const std::string& runningProgram) {
    std::set<std::string> linkKeys;
    for (const auto& l : links) linkKeys.insert(PathKey(l));
    // A folder reached through a link at or below `base` is someone else's; a link
    // above it is the user's layout.
    auto reachable = [&](const std::string& base, const std::string& folder) {
        const std::vector<std::string> chain = ChainFrom(base, folder);
        return !chain.empty() && std::none_of(chain.begin(), chain.end(),
                                              [&](const std::string& f) { return linkKeys.count(PathKey(f)) > 0; });
    };

    RemovalPlan plan;
    std::set<std::string> files, folders, made;
    std::vector<std::string> madeFolders, holding;
    for (const InstallRecord& r : records) {
        if (r.root.empty()) continue;
        for (const auto& f : r.files) {
            const std::string path = r.root + f;
            if (!reachable(r.root, ExtractFilePath(path))) continue;
            AddOnce(plan.deleteFiles, files, path);
            if (plan.scriptProgramFile.empty() && !runningProgram.empty() && PathKey(path) == PathKey(runningProgram)) {
                plan.scriptProgramFile = path;
                // The copied folders that hold it empty only once it is gone.
                for (const std::string& d : ChainFrom(r.root, ExtractFilePath(path)))
                    if (PathKey(d) != PathKey(r.root)) holding.push_back(d);
            }
        }
        for (const auto& d : r.dirs)
            if (reachable(r.root, r.root + d)) AddOnce(plan.removeFolders, folders, r.root + d);
        for (const auto& m : r.made)
            if (reachable(m, m)) AddOnce(madeFolders, made, m);
    }
    for (const auto& m : madeFolders) AddOnce(plan.removeFolders, folders, m);
    DeepestFirst(plan.removeFolders);
    if (!plan.scriptProgramFile.empty()) {
        std::set<std::string> scripted;
        for (const auto& h : holding) AddOnce(plan.scriptFolders, scripted, h);
        for (const auto& m : madeFolders) AddOnce(plan.scriptFolders, scripted, m);
        DeepestFirst(plan.scriptFolders);
    }
    return plan;
}

RemovalPlan PlanRemovalOnDisk(FileSystem& files, const std::vector<InstallRecord>& records,
                              const std::string& runningProgram) {
    return PlanRemoval(records, LinkFolders(files, FoldersToInspect(records)), runningProgram);
}

bool PlanTouches(const RemovalPlan& plan, const std::string& folder) {
    auto any = [&](const std::vector<std::string>& paths) {
        return std::any_of(paths.begin(), paths.end(), [&](const std::string& p) { return Under(p, folder); });
    };
    return any(plan.deleteFiles) || any(plan.removeFolders);
}

// ---- carrying it out ----

namespace {
// The running program's own file goes by the script, after the program has ended.
bool LeftToScript(const RemovalPlan& plan, const std::string& file) {
    return PathKey(file) == PathKey(plan.scriptProgramFile);
}
}  // namespace

void CarryOut(FileSystem& files, const RemovalPlan& plan) {
    for (const std::string& file : plan.deleteFiles)
        if (!LeftToScript(plan, file)) files.DeleteFile(file);
    for (const std::string& folder : plan.removeFolders) files.RemoveDirectory(folder);
}

std::vector<std::string> FilesLeft(FileSystem& files, const RemovalPlan& plan) {
    std::vector<std::string> left;
    for (const std::string& file : plan.deleteFiles)
        if (!LeftToScript(plan, file) && files.FileExists(file)) left.push_back(file);
    return left;
}

bool RemoveUnfinishedTransfer(FileSystem& files, RegistryAccess& registry) {
    std::string transferFolder;
    {
        CloseKeyOnExit closer{registry};
        if (registry.KeyExists(product::ProductKey) && registry.OpenKey(product::ProductKey, false))
            transferFolder = registry.ReadString(product::TransferPathValue);
    }
    // Only a record of the transfer folder itself.
    const InstallRecord record = ParseRecord(ReadRecordText(registry, kTransferRecord));
    if (!transferFolder.empty() && PathKey(record.root) == PathKey(transferFolder))
        CarryOut(files, PlanRemovalOnDisk(files, {record}, ""));
    return RemoveProductKey(registry);
}

bool RemoveProductKey(RegistryAccess& registry) {
    registry.DeleteKey(product::ProductKey);
    bool others;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::MakerKey, false);
        // Another product of the maker keeps the maker key.
        others = registry.HasSubKeys();
    }
    if (!others) {
        registry.DeleteKey(product::MakerKey);
    } else {
        CloseKeyOnExit closer{registry};
        if (registry.OpenKey(product::MakerKey, false)) registry.DeleteValue(kDiscClipRecord);
    }
    return !registry.KeyExists(product::ProductKey);
}

// ---- the script ----

ScriptFiles UninstallScriptFiles(const std::string& folder, int attempt) {
    const std::string base = IncludeTrailingBackslash(folder) + product::Identifier + "-uninstall-" + std::to_string(attempt);
    return {base + ".bat", base + ".run", base + ".stop"};
}

std::optional<std::string> RemovalScript(const std::string& programFile, const std::vector<std::string>& folders,
                                         const ScriptFiles& names, unsigned oemCodePage) {
    std::string text;
    auto line = [&](const std::string& l) { text += l + "\r\n"; };
    const std::string tries = std::to_string(kScriptTries);
    const std::string running = BatchQuoted(names.running), stop = BatchQuoted(names.stop);
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
    line("Set /a qq1=0");
    line("Set /a qq4=0");
    // The system deletes the mark when the program has ended, however long its last
    // message stays open and however it ends.
    line(":0");
    line("If exist " + running + " ping -n 2 127.0.0.1 >nul");
    line("If exist " + running + " Goto 0");
    line("If exist " + stop + " Goto 2");
    loop("1", programFile, "3");
    line(":3");
    // Without /s: a folder that still holds anything, the user's or behind a link, stays.
    for (const auto& f : folders) line("Rmdir " + BatchQuoted(ExcludeTrailingBackslash(f)));
    line(":2");
    line("If exist " + stop + " Del " + stop);
    loop("4", names.script, ":eof");
    return AnsiToOem(text, oemCodePage);
}

bool ScriptFolderUsable(FileSystem& files, const std::string& folder, unsigned oemCodePage) {
    return !folder.empty() && folder.find_first_of("%?") == std::string::npos && AnsiToOem(folder, oemCodePage) &&
           files.DirectoryExists(folder);
}

std::optional<ScriptFiles> WriteRemovalScript(FileSystem& files, const RemovalPlan& plan, unsigned oemCodePage) {
    // A path as the console's code page can name it: itself, or its short form.
    auto nameable = [&](const std::string& path) -> std::optional<std::string> {
        if (AnsiToOem(path, oemCodePage)) return path;
        const std::string shortForm = files.ShortPathName(path);
        if (!shortForm.empty() && AnsiToOem(shortForm, oemCodePage)) return shortForm;
        return std::nullopt;
    };
    const std::optional<std::string> programFile = nameable(plan.scriptProgramFile);
    if (!programFile) return std::nullopt;
    std::vector<std::string> folders;
    for (const std::string& folder : plan.scriptFolders) {
        const std::optional<std::string> f = nameable(ExcludeTrailingBackslash(folder));
        if (!f) return std::nullopt;
        folders.push_back(*f);
    }

    const std::string temp = files.TempFolder();
    for (const std::string& folder : {temp, files.ShortPathName(temp), std::string("c:\\")}) {
        if (!ScriptFolderUsable(files, folder, oemCodePage)) continue;
        // The first names no file has, so that no file of the user's is overwritten.
        ScriptFiles names;
        for (int attempt = 1;; ++attempt) {
            names = UninstallScriptFiles(folder, attempt);
            if (!files.FileExists(names.script) && !files.DirectoryExists(names.script) &&
                !files.FileExists(names.running) && !files.FileExists(names.stop))
                break;
        }
        const std::optional<std::string> script = RemovalScript(*programFile, folders, names, oemCodePage);
        if (!script || !files.WriteFile(names.script, *script)) continue;
        if (files.CreateExitMark(names.running)) return names;
        files.DeleteFile(names.script);
    }
    return std::nullopt;
}

}  // namespace vel
