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

// A transfer from before records were kept, or an installation where the program
// stood without a record of its clip copies: the folders its own uninstallation
// emptied (the transfer folder, the maker folder when it holds only the product
// folder, else the default product folder), each as a record of what it holds now.
// Only a folder the program may have made counts: a whole path on a drive, its
// name holding the identifier or the maker folder, no junction or link, neither
// the system's nor holding one of its folders. Hidden and system
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
// The plan's files still on the disk (the script's part aside): in use, or refused.
std::vector<std::string> FilesLeft(FileSystem& files, const RemovalPlan& plan);

// A transfer that never finished: its half copy goes as recorded (no script: no
// program of it runs), and the product key with it. False when the key is still there.
bool RemoveUnfinishedTransfer(FileSystem& files, RegistryAccess& registry);

// The product key with its records; the maker key too when no other product keeps
// one. False when the product key is still there.
bool RemoveProductKey(RegistryAccess& registry);

// ---- the script ----

// Tries of the script's loops over a file, one second apart.
constexpr int kScriptTries = 60;

// The uninstall script and the marks beside it: `running`, which the system deletes
// when the uninstalling program ends, and `stop`, which the program writes when it
// keeps the installation after all.
struct ScriptFiles {
    std::string script, running, stop;
    bool operator==(const ScriptFiles&) const = default;
};
// The `attempt`-th set of names in a folder, under the product's name and a number.
ScriptFiles UninstallScriptFiles(const std::string& folder, int attempt);

// The uninstall script: waits as long as the program runs (its mark is there), ends
// if the program stopped it, else deletes the program file (it may take the system a
// moment to let go of it), removes each folder once (only an empty one: never
// recursing), and deletes the stop mark and itself. Lines end in CR LF, in the OEM
// code page in which the command interpreter reads it; nullopt when a path has no
// place in that code page.
std::optional<std::string> RemovalScript(const std::string& programFile, const std::vector<std::string>& folders,
                                         const ScriptFiles& names, unsigned oemCodePage);

// A folder where the command interpreter can read and start a script: it exists,
// its name came through whole ("?" stands where a letter was lost), the console's
// code page can name it, and it holds no "%", which the interpreter would expand.
bool ScriptFolderUsable(FileSystem& files, const std::string& folder, unsigned oemCodePage);

// Writes the script for the plan's part, with its running mark, under the first free
// names in the first usable folder of: the user's temp folder, its short form, and
// "c:\" (where the script always went). A path the console's code page cannot name
// is written in its short form. nullopt when no script can be written: the
// uninstallation must then keep the installation.
std::optional<ScriptFiles> WriteRemovalScript(FileSystem& files, const RemovalPlan& plan, unsigned oemCodePage);

}  // namespace vel
