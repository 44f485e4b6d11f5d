#pragma once
// File helpers of the transfer and the uninstallation.

#include <cstdint>
#include <string>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/Types.h"

namespace vel {

// The folder followed by the name with exactly one backslash between them: one is
// added after a non-empty folder that lacks it, one leading backslash of the name
// is dropped.
std::string JoinPath(const std::string& folder, const std::string& name);

// The number of entries a wildcard search for the pattern finds, every attribute
// admitted ("." and ".." included); 0 when it finds nothing.
int CountFolderEntries(FileSystem& files, const std::string& pattern);

// The shell's recursive copy of everything in `source` (ending in a backslash) into
// `target`: no questions, with its progress window owned by `owner`.
void CopyFolderContents(Shell& shell, WindowHandle owner, const std::string& source, const std::string& target);

// Deletes what a folder holds: its subfolders first, then its files. Hidden and
// system entries stay, and so does the folder itself; a junction or symbolic link
// is removed as a link, never followed. Nothing for an empty folder name.
void EmptyFolder(FileSystem& files, const std::string& folder);

// One entry of `folder` as a search found it: "." and ".." are skipped, a subfolder
// is emptied and removed (a link only removed), a file deleted.
void DeleteFolderEntry(FileSystem& files, const FindEntry& entry, const std::string& folder);

}  // namespace vel
