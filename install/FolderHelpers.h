#pragma once
// File helpers of the transfer: paths, counting a folder's entries, listing what
// its copy takes.

#include <string>
#include <vector>

#include "platform/Files.h"

namespace vel {

// The folder followed by the name with exactly one separator (a backslash; "/" on
// a POSIX system) between them: one is added after a non-empty folder that lacks
// it, one leading separator of the name is dropped.
std::string JoinPath(const std::string& folder, const std::string& name);

// A whole path with every name as the system keeps it: without the trailing dots
// and blanks it drops ("E:\Games\Velvinor." names "E:\Games\Velvinor"). Only
// such names are the ones the program later finds, records and removes. A POSIX
// system keeps every name: the path stays as it is.
std::string WithNamesAsKept(const std::string& path);

// The number of entries a wildcard search for the pattern finds, every attribute
// admitted ("." and ".." included); 0 when it finds nothing.
int CountFolderEntries(FileSystem& files, const std::string& pattern);

// Each of `files` (relative) is in `target` with the size it has in `source`: the
// copy of them has finished and nothing was cut short.
bool CopiedWhole(FileSystem& files, const std::string& source, const std::string& target,
                 const std::vector<std::string>& names);

// Everything a folder holds, at any depth, relative to it ("SWF", "SWF\Game.swf"):
// what the shell's copy of it takes. Folders and files apart, in the order found.
// A junction or symbolic link is listed as a link and never entered: one that
// leads back above itself would make the listing endless.
struct FolderListing {
    std::vector<std::string> dirs, files, links;
};
FolderListing ListFolderTree(FileSystem& files, const std::string& folder);

}  // namespace vel
