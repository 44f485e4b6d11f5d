#pragma once
// Factories of the Linux services that need no window of their own. Each lives in its
// own file with its class hidden; the Linux entry point picks the set once. Create and
// use them on the window thread, whose loop is GLib's default main context.
//
// Texts cross these interfaces as the program's 8-bit text (code page 1251) and reach
// the system as UTF-8; paths are the program's native POSIX paths in that code page.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Dde.h"
#include "platform/Mixer.h"
#include "platform/Printer.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace vel::lnx {

// Registry (SettingsRegistry.cpp): the program's keys under HKEY_LOCAL_MACHINE in one
// UTF-8 text file, with the same key paths, value names and values as on Windows.
// - Every change reads the file, changes it and writes a whole new file beside it
//   (fsync, then rename over the old one) under a lock: a crash leaves the old file or
//   the new one, never a part, and two runs never interleave their changes.
// - A file with lines that cannot be parsed is kept whole as "<file>.bad-<date>-<time>"
//   and written anew with every line that could (the family is told, through
//   SettingsLocation::tell, with the name it was kept under); one that cannot be read
//   (no access) is left alone, reads see no keys and every change is refused. Both are
//   said on standard error.
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
    // Tells the family, in UTF-8, that the file was damaged and what became of it.
    std::function<void(const std::string&)> tell = {};
};
// $XDG_CONFIG_HOME/velvinor/registry.txt (else ~/.config/...), and the data folder above.
SettingsLocation DefaultSettingsLocation();
std::unique_ptr<Registry> CreateSettingsRegistry(SettingsLocation where = DefaultSettingsLocation());

// Shell (LinuxShell.cpp). The owner window means nothing here.
// - OpenFile: a program file (executable, and a binary or a "#!" script) is started;
//   any other file or folder goes to xdg-open, which starts the desktop's program for
//   its type. The codes the user sees ("Ошибка N"): 2 the file is missing, 3 its
//   folder is missing, 5 no access, 31 no program opens that type (xdg-open is
//   missing, finds nothing, or the program it found failed at once). The answer
//   waits up to 5 s for xdg-open; one still running then has started a viewer (as
//   xdg-open does without a desktop) and counts as started.
// - StartHidden starts a program file in `folder` (ours when empty); 2, 3 or 5 as
//   above, 11 for a file the system cannot run (not a binary, not a "#!" script).
//   There is no window to hide: the program shows what it shows.
// - StartInBackground starts a command line (blanks separate, double quotes group,
//   the program searched on PATH). Linux cannot tell when a program waits for
//   input: it returns once the program has started.
// - CopyFolderContents copies every entry of `folder` (its final "/" optional) into
//   `target`, made with its parents when missing, recursively. A link is copied as
//   a link, never followed, and a link where a copy goes is replaced, not written
//   through. Copies are the user's to change and remove (owner read and write,
//   folders owner-writable). A device, pipe or socket is skipped, and so is an entry
//   whose name code page 1251 cannot hold (the program could neither record nor
//   remove it): those are listed on standard error and, with an owner window on a
//   display, in a message box once the copy is over. It goes on past a
//   failure (Failed at the end, what could be copied is there); a target inside the
//   source is refused with nothing copied. With an owner window on a display, a
//   progress window (the file under way, a bar of the bytes, "Отмена") stays above
//   it while the copy runs, the loop turning between files; its button or its close
//   box stops the copy: Cancelled, what was copied stays.
// Started programs are reaped on GLib's default main context when they end.
std::unique_ptr<Shell> CreateLinuxShell();

// Dde (XdgMenu.cpp): Program Manager's service "progman" (any topic) answered
// in-process, its groups kept as the desktop's applications menu after the XDG
// desktop menu conventions. A group G is the menu folder
// $XDG_DATA_HOME/applications/G/ with one desktop entry per item, its submenu
// $XDG_CONFIG_HOME/menus/applications-merged/G.menu (listing every entry of the
// folder) and its name $XDG_DATA_HOME/desktop-directories/G.directory.
// - CreateGroup makes or opens the group and makes it current; ShowGroup and a
//   request for a group make an existing one current. AddItem("command line",caption)
//   writes an entry in the current group: its program is the whole command line when
//   a file has that name, else the longest part before a blank that names a file
//   (the rest are arguments); the entry starts it in its folder. DeleteItem(caption)
//   deletes the current group's entry of that caption. DeleteGroup deletes the
//   group's files that this service wrote and its folder once empty.
// - The request for a group answers its own line ("G","folder",n) and one line per
//   desktop entry in its folder ("caption","command line","folder"), each ended by
//   CR LF; nothing for a group that does not exist.
// - Files are written whole and renamed into place. Only files this service wrote
//   (marked X-Velvinor-Group) are replaced or deleted: a family's own entry in the
//   menu folder is an item of the group and keeps it; a menu file of that name that
//   is not ours keeps the group from being made. Refusals are said on standard error.
// - Commands are carried out before Execute returns; the caller's thread does it.
struct MenuLocation {
    std::string dataHome;    // UTF-8: $XDG_DATA_HOME, else ~/.local/share
    std::string configHome;  // UTF-8: $XDG_CONFIG_HOME, else ~/.config
};
MenuLocation DefaultMenuLocation();
std::unique_ptr<Dde> CreateXdgMenuDde(MenuLocation where = DefaultMenuLocation());

// Mixer (AlsaMixer.cpp, MixerLayout.h): ALSA's simple mixer of one control device
// ("default": the first card's mixer, or the sound server's where the system's ALSA
// configuration routes it there) as device 0; no device when it cannot be opened or
// has no element (a machine without sound). The playback destination (speakers) is
// the "Master" element, else the first with a playback volume; its sources are the
// other playback elements ("PCM" is the wave output; where there is none, the master
// element is the wave output too). The recording destination is "Capture" with every
// other capture element as a source ("Mic...", "CD", "Aux", "Line"). A volume is one
// value for all channels (the loudest; a write sets them all) from 0 to the element's
// range, one step per raw value; a mute is 1 when every channel is off. There is no
// peak meter. Open watches the device's poll descriptors on GLib's default main
// context; each batch of changes, whoever made it, calls every open handle's callback
// there. Results are the mixer's codes (0, 1, 2 bad device, 5 bad handle, 11 bad
// parameter, 1024 no such line).
std::unique_ptr<Mixer> CreateAlsaMixer(const std::string& device = "default");

// Printer (CupsPrinter.cpp): CUPS's default destination (the user's lpoptions
// default, else the server's; $CUPS_SERVER names another server). SetLandscape
// reads the destination's default paper (NotSupported when the printer cannot say)
// and turns the program's own page of it; nothing of the system's or the printer's
// settings changes. PrintWindowPicture takes the picture of the GtkWidget that
// `window` is (gtk_widget_draw: what GTK draws, the children included, whether the
// window is covered or not), puts it on one PDF page (landscape when set, else the
// default paper upright), as large as the printable area allows, aspect kept,
// centred, and sends it as one job named `title`. Failed when the widget cannot be
// drawn or the server refuses; a job begun is then cancelled. Needs GTK initialised.
std::unique_ptr<Printer> CreateCupsPrinter();

// The rich-text converter (RichTextConverter.cpp) for the document viewer's peer: an
// RTF document (any bytes) read by the portable reader and written as a whole HTML
// document in UTF-8, pictures inline as data, on the viewer's background colour (a
// Windows colour, 0x00BBGGRR), with a content policy that lets nothing run or load:
// show it in a view with scripts off all the same. In memory only: no program, no
// file; tests/linux/bench/viewer_time.cpp measures it and the view.
std::string RtfToHtml(std::string_view rtf, std::uint32_t backColor = 0xFFFFFF);

}  // namespace vel::lnx
