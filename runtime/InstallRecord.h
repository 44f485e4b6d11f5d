#pragma once
// What the program put on the disk, so that the uninstallation deletes exactly that
// and nothing a user or another program owns.
//
// A record is a text of lines "KEYWORD PATH":
//   root C:\Games\Velvinor\      the folder the entries below are relative to
//   made C:\Games                a folder the program created: the root or one above it
//   dir SWF                      a folder the program copied, relative to the root
//   file SWF\Game.swf            a file the program copied or made, relative to the root
// Reading keeps only what a program-made path can look like and what lies at or
// under the root (made folders: the root and the folders that hold it), so a
// hand-edited or cut-off record can only name less, never something else.

#include <optional>
#include <string>
#include <vector>

namespace vel {

struct InstallRecord {
    std::string root;                // fully qualified, ending in a backslash; "" names nothing
    std::vector<std::string> made;   // full paths without a final backslash, as written
    std::vector<std::string> dirs;   // relative to the root
    std::vector<std::string> files;  // relative to the root
    bool operator==(const InstallRecord&) const = default;
};

// The record's text, lines ended by CR LF.
std::string FormatRecord(const InstallRecord& record);
// The record a text describes, without anything outside its root or any path the
// program could not have made; an unusable root empties it.
InstallRecord ParseRecord(const std::string& text);

// A folder the program can have made: a drive letter, a colon, a backslash and at
// least one name; names as the system keeps them (no characters it refuses, no
// trailing dot or blank, no "." or ".."). A share, a drive root, a relative or
// device path is none.
bool ProducedFolder(const std::string& folder);
// A path below a folder: one or more such names joined by backslashes.
bool ProducedRelativePath(const std::string& path);

// The folders from the first one below the drive down to `folder` itself, without
// final backslashes: "E:\Games\My\" gives "E:\Games", "E:\Games\My". Empty unless
// ProducedFolder.
std::vector<std::string> FolderChain(const std::string& folder);

// The record of a transfer into `root`: the folders it created (only those that did
// not exist before), and the source's folders and files, relative.
InstallRecord TransferRecord(const std::string& root, const std::vector<std::string>& createdFolders,
                             const std::vector<std::string>& dirs, const std::vector<std::string>& files);

// `recordText` with a clip copy added: the copy `file` (relative) in `copyFolder` and
// the folders made for it. A record kept for another folder stays as it is.
std::string WithClipCopy(const std::string& recordText, const std::string& copyFolder,
                         const std::vector<std::string>& createdFolders, const std::string& file);

// An installation without a record (made before records were kept): only the
// registered program file, and its folder once empty, both only when the registered
// folder is the transfer folder and one the program could have made.
InstallRecord RecordWithoutList(const std::string& registeredFolder, const std::string& transferFolder);

// Every folder whose kind (junction or symbolic link, or not) decides what may be
// deleted: each folder from below the drive down to every recorded entry.
std::vector<std::string> FoldersToInspect(const std::vector<InstallRecord>& records);

struct RemovalPlan {
    std::vector<std::string> deleteFiles;    // in record order
    std::vector<std::string> removeFolders;  // each only when empty, deepest first
    std::string scriptProgramFile;           // the program file the script waits for; "" for no script
    std::vector<std::string> scriptFolders;  // made folders the script removes when empty, deepest first
    bool operator==(const RemovalPlan&) const = default;
};

// What the records let the program delete. Nothing at or behind a folder of
// `links`; the program file `programFileName` in a root goes to the script, which
// then also removes the made folders (the running program keeps them until it ends).
RemovalPlan PlanRemoval(const std::vector<InstallRecord>& records, const std::vector<std::string>& links,
                        const std::string& programFileName);

// Tries of each of the script's loops, one second apart.
constexpr int kScriptTries = 60;

// The uninstall script: waits for the program file to go, removes each folder once
// (only an empty one: never recursing), then deletes itself. Lines end in CR LF, in
// the OEM code page in which the command interpreter reads it; nullopt when a path
// has no place in that code page.
std::optional<std::string> RemovalScript(const std::string& programFile, const std::vector<std::string>& folders,
                                         const std::string& scriptPath, unsigned oemCodePage);

}  // namespace vel
