#pragma once
// The installation's decisions as pure functions over facts gathered beforehand:
// what a start leads to, where a transfer installs, what the uninstallation asks
// and how it reads Program Manager's answer. What a removal deletes, and its script,
// are the removal's (install/Removal.h). The units that carry the decisions out
// gather the facts from the platform and act on the answer.

#include <cstdint>
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
// What the free space is asked of for the folder field: its drive's root ("E:\"),
// "" (the current drive) when it names none; on a POSIX system the folder itself,
// whose nearest existing folder lies on the file system it would be made on.
std::string FreeSpaceRoot(const std::string& folderField);
// The installation folder for the chosen path (ending in a backslash) and the number
// of entries a search of it finds ("." and ".." included; 0 for a new folder).
std::string InstallationFolder(const std::string& path, int entryCount);

// ---- the uninstallation ----

// The confirmation question. It names a folder only when files will go from it:
// the default product folder when `productFolderEmptied`, the transfer folder when
// `transferFolderEmptied`.
std::string UninstallConfirmation(const std::string& transferFolder, const std::string& productFolder,
                                  bool productFolderEmptied, bool transferFolderEmptied);

// A DDE answer split into lines as the runtime's string list does: CR, LF or CR LF
// end a line, and a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace vel
