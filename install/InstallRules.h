#pragma once
// The installation's decisions as pure functions over facts gathered beforehand:
// what a start leads to, where a transfer installs, which folders the
// uninstallation may touch and what its script says. The units that carry them
// out gather the facts from the platform and act on the answer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vel {

// Megabytes the transfer asks for; shown in its texts and used in its free-space test.
constexpr int kRequiredMegabytes = 220;

// ---- the start decision ----

struct StartFacts {
    bool uninstallSwitch = false;  // the first argument is "-u" in any letter case
    bool appPathsKey = false;
    bool productKey = false;
    bool transferPending = false;  // the marker is exactly "Transfering"
    bool hardDisk = false;         // the program's drive is a fixed disk
    int osMajor = 5;
};

enum class StartPath {
    Uninstall,      // "-u" with the App Paths key
    Nothing,        // "-u" without it: the handler returns, the run goes on
    OrdinaryStart,  // the game
    Registration,   // in place, or of the transfer folder's copy
    Transfer,       // the transfer questions
};

struct StartDecision {
    StartPath path;
    bool vistaWarning = false;  // asked first; any answer but Yes ends the run
    bool operator==(const StartDecision&) const = default;
};

StartDecision DecideStart(const StartFacts& facts);

// ---- the transfer ----

// Free space in megabytes from the byte count (-1 when the query failed).
std::int64_t FreeMegabytes(std::int64_t bytes);
// The drive letter of the folder field, upper-cased; ' ' when it names no drive.
char DriveLetterOf(const std::string& folderField);
// The installation folder for the chosen path (ending in a backslash) and the number
// of entries a search of it finds ("." and ".." included; 0 for a new folder).
std::string InstallationFolder(const std::string& path, int entryCount);

// ---- the uninstallation ----

// The folder above a transfer folder whose last component is the identifier and
// one more character; "" otherwise.
std::string ParentFolder(const std::string& transferFolder);

// The confirmation question.
std::string UninstallConfirmation(const std::string& transferFolder, const std::string& productFolder,
                                  bool productFolderExists);

// What the safety check knows about a folder before it is emptied or scripted away.
struct FolderSafetyFacts {
    std::string folder;           // as the uninstallation would use it
    std::string makerFolder;      // the maker folder, which the program creates
    std::string programFilesDir;
    std::vector<std::string> systemFolders;  // Windows, profiles, each profile
    bool isLink = false;          // the folder itself is a junction or symbolic link
};

// True when the folder is one the program may have created and nothing the system
// or another program owns: a fully qualified path whose last component begins
// with the identifier or which is the maker folder; never a drive or share root,
// a system folder, the program files folder or a folder holding one of them.
bool FolderMayBeRemoved(const FolderSafetyFacts& facts);

// A path the script can name between double quotes.
bool ScriptablePath(const std::string& path);

struct UninstallFileFacts {
    std::string programFile;     // the registered folder and "Velvinor.exe"
    std::string transferFolder;  // "TransferPath", ending in a backslash or empty
    std::string parentFolder;    // ParentFolder(transferFolder)
    std::string makerFolder, productFolder;  // without final backslash
    bool makerExists = false, productExists = false, transferExists = false, parentExists = false;
    bool makerHoldsOnlyProduct = false, parentHoldsOnlyProduct = false;
    bool makerSafe = false, productSafe = false, transferSafe = false, parentSafe = false;
};

struct FolderStep {
    std::string folder;
    bool remove = false;  // removed after it has been emptied
    bool operator==(const FolderStep&) const = default;
};

struct UninstallFilePlan {
    int fileCase = 0;               // 1 no transfer folder, 2 the default one, 3 another
    std::vector<FolderStep> steps;  // EmptyFolder on each, in order
    bool writeScript = false;
    std::string scriptFolder;       // removed by the script; "" leaves those lines out
    std::string scriptParent;       // the maker folder removed by the script, or ""
    bool operator==(const UninstallFilePlan&) const = default;
};

UninstallFilePlan PlanUninstallFiles(const UninstallFileFacts& facts);

// Tries of each of the script's loops, one second apart.
constexpr int kScriptTries = 60;

// The text of the uninstall script, lines ended by CR LF, in the OEM code page in
// which the command interpreter reads it; nullopt when a path has no place in it.
std::optional<std::string> UninstallScript(const std::string& programFile, const std::string& folder,
                                           const std::string& parent, const std::string& scriptPath,
                                           unsigned oemCodePage);

// Where the script goes: the user's temp folder (C:\ may be closed to a standard
// user), under the product's name and a number, the `attempt`-th name; the caller
// takes the first that no file has, so no file of the user's is overwritten.
std::string UninstallScriptPath(const std::string& tempFolder, int attempt);

// A DDE answer split into lines as the runtime's string list does: CR, LF or CR LF
// end a line, and a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace vel
