#pragma once
// The record of what the program put on the disk, so that the removal
// (install/Removal.h) deletes exactly that and nothing a user or another program
// owns: its format, its paths, and where it is kept. The transfer writes one; the
// clip copies share another.
//
// A record is a text of lines "KEYWORD PATH":
//   root C:\Games\Velvinor\      the folder the entries below are relative to
//   made C:\Games                a folder the program created: the root or one above it
//   dir SWF                      a folder the program copied, relative to the root
//   file SWF\Game.swf            a file the program copied or made, relative to the root
//   finished                     the transfer has copied every file whole (its last line)
// Reading keeps only what a program-made path can look like and what lies at or
// under the root (made folders: the root and the folders that hold it), so a
// hand-edited or cut-off record can only name less, never something else.
// Paths follow the running system's style: on a POSIX system "root
// /home/anna/Games/Velvinor/", names kept as they are and compared letter for letter.

#include <string>
#include <vector>

#include "runtime/RegistryAccess.h"

namespace vel {

struct InstallRecord {
    std::string root;                // fully qualified, ending in a backslash; "" names nothing
    std::vector<std::string> made;   // full paths without a final backslash, as written
    std::vector<std::string> dirs;   // relative to the root
    std::vector<std::string> files;  // relative to the root
    // A transfer's record says so once every file arrived whole; until then the
    // installation is unfinished.
    bool finished = false;
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
// device path is none. POSIX: a "/" and at least one name (no "/" in a name, no
// control character).
bool ProducedFolder(const std::string& folder);
// A path below a folder: one or more such names joined by backslashes.
bool ProducedRelativePath(const std::string& path);

// The folders from the first one below the drive down to `folder` itself, without
// final backslashes: "E:\Games\My\" gives "E:\Games", "E:\Games\My". Empty unless
// ProducedFolder. POSIX: "/home/anna/Games/" gives "/home", "/home/anna", ...
std::vector<std::string> FolderChain(const std::string& folder);

// The record of a transfer into `root`: the folders it created (only those that did
// not exist before), and the source's folders and files, relative.
InstallRecord TransferRecord(const std::string& root, const std::vector<std::string>& createdFolders,
                             const std::vector<std::string>& dirs, const std::vector<std::string>& files);

// `recordText` with a clip copy added: the copy `file` (relative) in `copyFolder` and
// the folders made for it. A record kept for another folder stays as it is.
std::string WithClipCopy(const std::string& recordText, const std::string& copyFolder,
                         const std::vector<std::string>& createdFolders, const std::string& file);

// Whether the record lists `file` (relative) in `folder` as a file the program made.
bool RecordLists(const std::string& recordText, const std::string& folder, const std::string& file);

// A path as the file system compares it: letters of code page 1251 folded (POSIX:
// as it is), no final separator. Records and the removal compare paths in this form.
std::string PathKey(const std::string& path);

// The records, kept under the product key: the transfer's and the clip copies'.
inline const char* const kTransferRecord = "Transfer";
inline const char* const kClipRecord = "Clips";
// A record's text; "" when there is none. Creates no key.
std::string ReadRecordText(RegistryAccess& registry, const char* name);
void WriteRecordText(RegistryAccess& registry, const char* name, const std::string& text);

// The clip copies' record, kept under the product key; while there is none (the game
// played from the disc alone) as a value of the maker key instead: a product key
// would make the next start take the game for installed. Reading joins both when
// they are of one folder; writing under the product key takes the maker key's in.
inline const char* const kDiscClipRecord = "Velvinor Clips";
std::string ReadClipRecordText(RegistryAccess& registry);
void WriteClipRecordText(RegistryAccess& registry, const std::string& text);
// Takes a record kept on the maker key in under the product key, once there is one.
void SettleClipRecord(RegistryAccess& registry);

}  // namespace vel
