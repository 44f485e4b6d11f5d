#include "install/InstallRules.h"

#include <cctype>
#include <optional>

#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

// ---- the start decision ----

StartDecision DecideStart(const StartFacts& f) {
    if (f.uninstallSwitch) return {f.appPathsKey ? StartPath::Uninstall : StartPath::Nothing};
    if (f.productKey) return {f.transferPending ? StartPath::Registration : StartPath::OrdinaryStart};
    return {f.hardDisk ? StartPath::Registration : StartPath::Transfer, f.osMajor >= 6};
}

// ---- the transfer ----

std::int64_t FreeMegabytes(std::int64_t bytes) { return bytes / 1024 / 1024; }

char DriveLetterOf(const std::string& folderField) {
    std::string drive = AsciiUpper(ExtractFileDrive(folderField));
    return drive.empty() ? ' ' : drive[0];
}

std::string InstallationFolder(const std::string& path, int entryCount) {
    const std::string id = product::Identifier;
    const auto p = static_cast<std::int64_t>(Pos(id, path));
    const auto L = static_cast<std::int64_t>(path.size());
    const auto l = static_cast<std::int64_t>(id.size());
    if (entryCount > 2 || p == 0 || p <= L - l - 2) return path + id + "\\";
    return path;
}

// ---- the uninstallation ----

std::string ParentFolder(const std::string& transferFolder) {
    const std::string id = product::Identifier;
    const auto p = static_cast<std::int64_t>(Pos(id, transferFolder));
    const auto L = static_cast<std::int64_t>(transferFolder.size());
    const auto l = static_cast<std::int64_t>(id.size());
    if (p >= 1 && p == L - l) return transferFolder.substr(0, static_cast<std::size_t>(p - 1));
    return {};
}

std::string UninstallConfirmation(const std::string& transferFolder, const std::string& productFolder,
                                  bool productFolderExists) {
    std::string text = Ru("Вы действительно хотите полностью удалить программу и все связанные с ней файлы?");
    const std::string oneFolder = Ru("\r\n(Будут удалены файлы из директории ");
    if (transferFolder.empty() || transferFolder == productFolder + "\\") {
        if (productFolderExists) text += oneFolder + productFolder + ")";
    } else if (productFolderExists) {
        text += Ru("\r\n(Будут удалены файлы из директорий ") + productFolder + "\r\n" + Ru("и ") + transferFolder + ")";
    } else {
        text += oneFolder + transferFolder + ")";
    }
    return text;
}

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

// A fully qualified folder as its root and components, compared without case; the
// system drops trailing dots and blanks of a name, so they are dropped here too.
struct CanonicalFolder {
    std::string root;
    std::vector<std::string> parts;
    std::string Key() const {
        std::string k = UpperName(root);
        for (const auto& p : parts) k += "\\" + UpperName(p);
        return k;
    }
};

std::optional<CanonicalFolder> Canonical(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    CanonicalFolder f;
    std::string rest;
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\') {
        f.root = path.substr(0, 2);
        rest = path.substr(3);
    } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        std::size_t server = path.find('\\', 2);
        if (server == std::string::npos || server == 2) return std::nullopt;
        std::size_t share = path.find('\\', server + 1);
        if (share == server + 1) return std::nullopt;
        f.root = path.substr(0, share);
        std::string serverName = path.substr(2, server - 2);
        if (serverName == "." || serverName == "?") return std::nullopt;  // device paths
        if (share == std::string::npos) return f;
        rest = path.substr(share + 1);
    } else {
        return std::nullopt;  // relative to a current drive or folder
    }
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (part.empty()) return std::nullopt;  // "", "." and ".." have no place here
        f.parts.push_back(part);
        start = end + 1;
    }
    return f;
}

}  // namespace

bool ScriptablePath(const std::string& path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 32 || c == '"' || c == '*' || c == '?' || c == '<' || c == '>' || c == '|') return false;
        if (c == ':' && i != 1) return false;
    }
    return true;
}

bool FolderMayBeRemoved(const FolderSafetyFacts& f) {
    if (f.isLink || !ScriptablePath(f.folder)) return false;
    auto folder = Canonical(f.folder);
    if (!folder || folder->parts.empty()) return false;  // a drive or share root
    const std::string key = folder->Key();
    auto maker = Canonical(f.makerFolder);
    bool ours = folder->parts.back().rfind(product::Identifier, 0) == 0 || (maker && maker->Key() == key);
    if (!ours) return false;
    std::vector<std::string> protectedFolders = f.systemFolders;
    protectedFolders.push_back(f.programFilesDir);
    for (const auto& p : protectedFolders) {
        auto system = Canonical(p);
        if (!system) continue;
        std::string k = system->Key();
        if (k == key || k.rfind(key + "\\", 0) == 0) return false;
    }
    return true;
}

UninstallFilePlan PlanUninstallFiles(const UninstallFileFacts& f) {
    UninstallFilePlan plan;
    auto makerOrProduct = [&] {
        if (f.makerHoldsOnlyProduct && f.makerSafe) {
            if (f.makerExists) plan.steps.push_back({f.makerFolder, true});
        } else if (f.productExists && f.productSafe) {
            plan.steps.push_back({f.productFolder, true});
        }
    };
    if (f.transferFolder.empty()) {
        plan.fileCase = 1;
        makerOrProduct();
    } else if (SameTextAscii(f.transferFolder, f.productFolder + "\\")) {
        plan.fileCase = 2;
        bool clearParent = !f.parentFolder.empty() && f.parentHoldsOnlyProduct && f.parentSafe;
        if (clearParent ? f.parentExists : f.transferExists && f.transferSafe)
            plan.steps.push_back({clearParent ? f.parentFolder : f.transferFolder, false});
        plan.writeScript = true;
        if (f.transferSafe) plan.scriptFolder = f.transferFolder;
        if (clearParent) plan.scriptParent = f.parentFolder;
    } else {
        plan.fileCase = 3;
        makerOrProduct();
        if (!f.parentFolder.empty()) {
            if (f.transferExists && f.transferSafe) plan.steps.push_back({f.transferFolder, false});
            plan.writeScript = true;
            if (f.transferSafe) plan.scriptFolder = f.transferFolder;
        }
    }
    return plan;
}

namespace {

// A percent sign stands for itself in a batch file only when doubled.
std::string BatchQuoted(const std::string& path) {
    std::string out = "\"";
    for (char c : path) out += c == '%' ? std::string("%%") : std::string(1, c);
    return out + "\"";
}

// "If exist" of a folder: "…\nul" is never found in a quoted path with blanks
// ("C:\Program Files\…"); the folder's own entry "…\." is, quoted or not.
std::string FolderTest(const std::string& folder) { return BatchQuoted(folder + "\\."); }

}  // namespace

std::optional<std::string> UninstallScript(const std::string& programFile, const std::string& folder,
                                           const std::string& parent, const std::string& scriptPath,
                                           unsigned oemCodePage) {
    struct Loop {
        std::string label, action, target;
    };
    std::vector<Loop> loops;
    loops.push_back({"1", "Del " + BatchQuoted(programFile), BatchQuoted(programFile)});
    if (!folder.empty()) {
        std::string f = ExcludeTrailingBackslash(folder);
        loops.push_back({"3", "Rmdir " + BatchQuoted(f) + " /s /q", FolderTest(f)});
    }
    if (!parent.empty()) {
        std::string p = ExcludeTrailingBackslash(parent);
        loops.push_back({"4", "Rmdir " + BatchQuoted(p) + " /s /q", FolderTest(p)});
    }
    loops.push_back({"2", "Del " + BatchQuoted(scriptPath), BatchQuoted(scriptPath)});

    std::string text;
    auto line = [&](const std::string& l) { text += l + "\r\n"; };
    for (const auto& loop : loops) line("Set /a qq" + loop.label + "=0");
    const std::string tries = std::to_string(kScriptTries);
    for (std::size_t i = 0; i < loops.size(); ++i) {
        const Loop& loop = loops[i];
        const std::string counter = "qq" + loop.label;
        // After the last try the script goes on with the next loop, or ends.
        const std::string giveUp = i + 1 < loops.size() ? loops[i + 1].label : ":eof";
        line(":" + loop.label);
        line(loop.action);
        line("Set /a " + counter + "+=1");
        line("If %" + counter + "% GEQ " + tries + " Goto " + giveUp);
        line("If exist " + loop.target + " ping -n 2 127.0.0.1 >nul");
        line("If exist " + loop.target + " Goto " + loop.label);
    }
    return AnsiToOem(text, oemCodePage);
}

std::string UninstallScriptPath(const std::string& tempFolder, int attempt) {
    // Without a temp folder the script goes where it always went.
    const std::string folder = tempFolder.empty() ? std::string("c:\\") : IncludeTrailingBackslash(tempFolder);
    return folder + product::Identifier + "-uninstall-" + std::to_string(attempt) + ".bat";
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t end = text.find('\0');
    if (end == std::string::npos) end = text.size();
    std::size_t i = 0;
    while (i < end) {
        std::size_t start = i;
        while (i < end && text[i] != '\r' && text[i] != '\n') ++i;
        lines.push_back(text.substr(start, i - start));
        if (i < end && text[i] == '\r') ++i;
        if (i < end && text[i] == '\n') ++i;
    }
    return lines;
}

}  // namespace vel
