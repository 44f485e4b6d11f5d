#pragma once
// What the movie's scheme may read: a regular file that lies, every link resolved,
// under the folder it is asked of.

#include <string>

namespace vel::lnx {

// Opens `relative` (a path below `root`, '/'-separated) for reading and answers its
// descriptor, or -1 with errno set: for a path that leads out of `root` through "..",
// an absolute link or a link that climbs out, for a link loop, and (ENOENT) for
// anything but a regular file: a folder, a device, a FIFO, a socket. Never blocks on a
// FIFO. The descriptor is the caller's to close.
int OpenBeneath(const std::string& root, const std::string& relative);

// The same by resolving both paths in full and comparing them component by component:
// OpenBeneath's way where the kernel refuses openat2. Exposed for the tests.
int OpenBeneathResolved(const std::string& root, const std::string& relative);

}  // namespace vel::lnx
