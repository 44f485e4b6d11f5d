#pragma once
// Removal: what the program deletes of what it made, and how. From the records of
// what it made (runtime/InstallRecord.h) it plans what may go (nothing at or behind
// a junction or link), deletes what it can while it runs, and writes the script
// that deletes the rest (the running program file and the folders that hold it)
// once the program has ended. The uninstallation removes through here, and so does
// the registration when a transfer never brought its program file.

#include <optional>
#include <string>
#include <vector>

#include "runtime/InstallRecord.h"
#include "runtime/RegistryAccess.h"

namespace vel {

class FileSystem;

// ---- the plan ----

// What the uninstallation knows of the installation before it plans.
struct InstallationFolders {
    std::string transferFolder;              // "TransferPath", ending in a backslash; "" when registered in place
    std::string makerFolder, productFolder;  // without final backslash
    std::string programFilesDir;
    std::vector<std::string> systemFolders;  // the system's own: never removed, nor a folder holding one
};

struct RemovalPlan {
    std::vector<std::string> deleteFiles;    // in record order
    std::vector<std::string> removeFolders;  // each only when empty, deepest first
    std::string scriptProgramFile;           // the running program file, left to the script; "" for no script
    std::vector<std::string> scriptFolders;  // made folders the script removes when empty, deepest first
    bool operator==(const RemovalPlan&) const = default;
};

// The records the uninstallation removes by: the transfer's and the clip copies',
// each only when its root is the installation's own (the transfer folder or the
// default product folder), so that a record edited by hand deletes nothing else.
// A transfer without such a record was made before records were kept: the folders
// that installation's uninstallation emptied stand in for it (OlderInstallation).
std::vector<InstallRecord> RecordsToRemove(RegistryAccess& registry, FileSystem& files,
                                           const InstallationFolders& folders);

// A transfer from before records were kept: the folders its own uninstallation
// emptied (the transfer folder when it is named after the product, the maker folder
// when it holds only the product folder, else the default product folder), each as
// a record of what it holds now. Only a folder the program may have made counts:
// a whole path on a drive, named after the product or the maker folder, no junction
// or link, neither the system's nor holding one of its folders. Hidden and system
// entries stay, and nothing behind a link is listed.
std::vector<InstallRecord> OlderInstallation(FileSystem& files, const InstallationFolders& folders);

// Every folder whose kind (junction or symbolic link, or not) decides what may be
// deleted: each record's root and the folders below it down to every entry, and
// each made folder. A link above a root is the user's own layout (a games folder
// moved to another disk) and is not looked at.
std::vector<std::string> FoldersToInspect(const std::vector<InstallRecord>& records);
// Those of the folders that are junctions or symbolic links.
std::vector<std::string> LinkFolders(FileSystem& files, const std::vector<std::string>& folders);

// What the records let the program delete: nothing at or behind a folder of `links`
// at or below a root. The running program file `runningProgram`, when the records
// name it, goes to the script, which then also removes the made folders (the
// running program keeps them until it ends).
RemovalPlan PlanRemoval(const std::vector<InstallRecord>& records, const std::vector<std::string>& links,
                        const std::string& runningProgram);
// The plan with the links the disk has now.
RemovalPlan PlanRemovalOnDisk(FileSystem& files, const std::vector<InstallRecord>& records,
                              const std::string& runningProgram);
// Whether the plan deletes or removes anything at or under `folder`.
bool PlanTouches(const RemovalPlan& plan, const std::string& folder);

// ---- carrying it out ----

// Deletes the plan's files and removes its folders (an empty one only); the script's
// part is left to the script.
void CarryOut(FileSystem& files, const RemovalPlan& plan);

// A transfer that never brought the program file: its half copy goes (no script:
// no program of it runs), and the product key with it.
void RemoveUnfinishedTransfer(FileSystem& files, RegistryAccess& registry);

// The product key with its records; the maker key too when no other product keeps one.
void RemoveProductKey(RegistryAccess& registry);

// ---- the script ----

// Tries of each of the script's loops, one second apart.
constexpr int kScriptTries = 60;

// The uninstall script: waits for the program file to go, removes each folder once
// (only an empty one: never recursing), then deletes itself. Lines end in CR LF, in
// the OEM code page in which the command interpreter reads it; nullopt when a path
// has no place in that code page.
std::optional<std::string> RemovalScript(const std::string& programFile, const std::vector<std::string>& folders,
                                         const std::string& scriptPath, unsigned oemCodePage);

// Where the script goes: the user's temp folder (C:\ may be closed to a standard
// user), under the product's name and a number, the `attempt`-th name; the caller
// takes the first that no file has, so no file of the user's is overwritten.
std::string UninstallScriptPath(const std::string& tempFolder, int attempt);

// Writes the script for the plan's part to the first free name in the temp folder
// and returns its path; "" when the plan leaves nothing to a script, or a path has
// no place in the console's code page (that part then stays on the disk). Raises
// "Cannot create file" when it cannot be written.
std::string WriteRemovalScript(FileSystem& files, const RemovalPlan& plan, unsigned oemCodePage);

}  // namespace vel
