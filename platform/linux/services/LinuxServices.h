#pragma once
// Factories of the Linux services that need no window of their own. Each lives in its
// own file with its class hidden; the Linux entry point picks the set once. Create and
// use them on the window thread, whose loop is GLib's default main context.
//
// Texts cross these interfaces as the program's 8-bit text (code page 1251) and reach
// the system as UTF-8; paths are the program's native POSIX paths in that code page.

#include <memory>
#include <string>

#include "platform/Dde.h"
#include "platform/Registry.h"

namespace vel::lnx {

// Registry (SettingsRegistry.cpp): the program's keys under HKEY_LOCAL_MACHINE in one
// UTF-8 text file, with the same key paths, value names and values as on Windows.
// - Every change reads the file, changes it and writes a whole new file beside it
//   (fsync, then rename over the old one) under a lock: a crash leaves the old file or
//   the new one, never a part, and two runs never interleave their changes.
// - A file that cannot be parsed is renamed to "<file>.bad-<date>-<time>" and the
//   program starts with no keys; one that cannot be read (no access) is left alone,
//   reads see no keys and every change is refused. Both are said on standard error.
// - Names compare without regard to the letter case of A-Z; a value of another type
//   (dword:, hex:, hex(N): lines) reads as none through ReadString, as the registry's
//   string read refuses it.
// - "SOFTWARE\Microsoft\Windows\CurrentVersion" always exists with the value
//   "ProgramFilesDir": the user's data folder ($XDG_DATA_HOME, else ~/.local/share),
//   without a trailing slash, under which the default product folder goes. It is the
//   system's: never written to the file, not writable, not deletable, and neither is
//   any key above it. A data folder that code page 1251 cannot spell reads as missing.
// - The App Paths and Uninstall keys are kept in the file like any other key: the
//   program's own checks ("-u", the single instance) read them as on Windows, but the
//   desktop does not see them (no menu entry, no list of installed programs).
struct SettingsLocation {
    std::string file;        // UTF-8 path of the settings file
    std::string dataFolder;  // UTF-8 path that "ProgramFilesDir" reads
};
// $XDG_CONFIG_HOME/velvinor/registry.txt (else ~/.config/...), and the data folder above.
SettingsLocation DefaultSettingsLocation();
std::unique_ptr<Registry> CreateSettingsRegistry(SettingsLocation where = DefaultSettingsLocation());

}  // namespace vel::lnx
