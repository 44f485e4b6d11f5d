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
    return static_cast<std::size_t>(std::count(p.begin(), p.end(), '\\'));
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

std::vector<InstallRecord> RecordsToRemove(RegistryAccess& registry, const std::string& registeredFolder,
                                           const std::string& transferFolder) {
    const std::string transferText = ReadRecordText(registry, kTransferRecord);
    return {transferText.empty() ? RecordWithoutList(registeredFolder, transferFolder) : ParseRecord(transferText),
            ParseRecord(ReadRecordText(registry, kClipRecord))};
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

std::vector<std::string> LinkFolders(FileSystem& files, const std::vector<std::string>& folders) {
    std::vector<std::string> links;
    for (const std::string& folder : folders) {
        const std::vector<FindEntry> found = files.Find(ExcludeTrailingBackslash(folder));
        if (found.size() == 1 && (found[0].attributes & attr::ReparsePoint)) links.push_back(folder);
    }
    return links;
}

RemovalPlan PlanRemoval(const std::vector<InstallRecord>& records, const std::vector<std::string>& links,
                        const std::string& programFileName) {
    std::set<std::string> linkKeys;
    for (const auto& l : links) linkKeys.insert(PathKey(l));
    // A folder reached through a link anywhere along its path is someone else's.
    auto reachable = [&](const std::string& folder) {
        const std::vector<std::string> chain = FolderChain(folder);
        return !chain.empty() && std::none_of(chain.begin(), chain.end(),
                                              [&](const std::string& f) { return linkKeys.count(PathKey(f)) > 0; });
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
            if (plan.scriptProgramFile.empty() && PathKey(f) == PathKey(programFileName)) plan.scriptProgramFile = path;
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

RemovalPlan PlanRemovalOnDisk(FileSystem& files, const std::vector<InstallRecord>& records,
                              const std::string& programFileName) {
    return PlanRemoval(records, LinkFolders(files, FoldersToInspect(records)), programFileName);
}

// ---- carrying it out ----

void CarryOut(FileSystem& files, const RemovalPlan& plan) {
    for (const std::string& file : plan.deleteFiles) files.DeleteFile(file);
    for (const std::string& folder : plan.removeFolders) files.RemoveDirectory(folder);
}

void RemoveUnfinishedTransfer(FileSystem& files, RegistryAccess& registry) {
    CarryOut(files, PlanRemovalOnDisk(files, {ParseRecord(ReadRecordText(registry, kTransferRecord))}, ""));
    RemoveProductKey(registry);
}

void RemoveProductKey(RegistryAccess& registry) {
    registry.DeleteKey(product::ProductKey);
    bool others;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::MakerKey, false);
        // Another product of the maker keeps the maker key.
        others = registry.HasSubKeys();
    }
    if (!others) registry.DeleteKey(product::MakerKey);
}

// ---- the script ----

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

std::string UninstallScriptPath(const std::string& tempFolder, int attempt) {
    // Without a temp folder the script goes where it always went.
    const std::string folder = tempFolder.empty() ? std::string("c:\\") : IncludeTrailingBackslash(tempFolder);
    return folder + product::Identifier + "-uninstall-" + std::to_string(attempt) + ".bat";
}

std::string WriteRemovalScript(FileSystem& files, const RemovalPlan& plan, unsigned oemCodePage) {
    if (plan.scriptProgramFile.empty()) return "";
    std::string scriptPath;
    int attempt = 1;
    do scriptPath = UninstallScriptPath(files.TempFolder(), attempt++);
    while (files.FileExists(scriptPath) || files.DirectoryExists(scriptPath));
    // cmd reads a batch file in the console's code page, not in the program's.
    const std::optional<std::string> script =
        RemovalScript(plan.scriptProgramFile, plan.scriptFolders, scriptPath, oemCodePage);
    if (!script) return "";
    if (!files.WriteFile(scriptPath, *script)) throw Error("Cannot create file \"" + scriptPath + "\"");
    return scriptPath;
}

}  // namespace vel
