#pragma once
// What the program relies on from its platform services, written once and run
// against both implementations: the simulated machine natively
// (ServiceContracts_test.cpp) and the real Win32 services under Wine
// (tests/wine/contract). A difference between the two fails one of them.
// Plain C++ on the service interfaces only: no test framework, no Win32.

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Dde.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "runtime/Text.h"

namespace vel::contract {

// Failures are 8-bit text (code page 1251), as the program's texts are.
struct Report {
    std::vector<std::string> failures;
    int checks = 0;
    std::string area;
    void Check(bool ok, const std::string& what) {
        ++checks;
        if (!ok) failures.push_back(area + ": " + what);
    }
};

inline std::string Show(const std::optional<std::string>& s) { return s ? "\"" + *s + "\"" : "(none)"; }

inline std::vector<std::string> Lines(const std::optional<std::string>& text) {
    std::vector<std::string> lines;
    if (!text) return lines;
    std::size_t pos = 0;
    while (pos < text->size()) {
        std::size_t end = text->find("\r\n", pos);
        if (end == std::string::npos) end = text->size();
        if (end > pos) lines.push_back(text->substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// `root` names a key under HKEY_LOCAL_MACHINE that does not exist yet.
inline void RegistryContract(Registry& reg, const std::string& root, Report& r) {
    r.area = "registry";
    const std::string a = root + "\\A", b = a + "\\B";
    r.Check(!reg.KeyExists(root), "the test key exists before the test");
    r.Check(reg.CreateKey(b), "CreateKey makes a key with its missing parents");
    r.Check(reg.KeyExists(a.substr(1)), "a path without its leading backslash is taken from the root");
    r.Check(reg.HasSubKeys(root) && !reg.HasSubKeys(b) && !reg.HasSubKeys(root + "\\Missing"),
            "HasSubKeys: true for a parent, false for a leaf and for a missing key");

    const std::string cyrillic = Ru("Вельвинор");
    r.Check(reg.WriteString(a, "Name", cyrillic), "WriteString to an existing key");
    auto read = reg.ReadString(a, "Name");
    r.Check(read == cyrillic, "a Cyrillic value reads back unchanged, read " + Show(read));
    r.Check(reg.ReadString(a, "name") == cyrillic, "value names ignore letter case");
    r.Check(reg.ValueType(a, "Name") == RegValueType::String, "a written value is a string (REG_SZ)");
    r.Check(!reg.ReadString(a, "Missing") && !reg.ValueType(a, "Missing"), "a missing value reads as none");
    r.Check(reg.WriteString(a, "", ""), "the default value can hold empty text");
    r.Check(reg.ReadString(a, "") == std::string(), "the empty default value reads as empty text, not none");
    auto names = reg.ValueNames(a);
    // The order is the registry's own: creation order on Windows, sorted under Wine.
    std::sort(names.begin(), names.end());
    r.Check(names == std::vector<std::string>{"", "Name"}, "ValueNames lists the default value as \"\"");
    r.Check(!reg.WriteString(root + "\\Missing", "x", "y"), "WriteString to a missing key fails");
    r.Check(reg.DeleteValue(a, "Name") && !reg.DeleteValue(a, "Name"), "DeleteValue: true once, then false");
    r.Check(reg.DeleteKey(root) && !reg.KeyExists(b) && !reg.KeyExists(root), "DeleteKey removes the subkeys too");
    r.Check(!reg.DeleteKey(root), "DeleteKey of a missing key is false");
}

// `folder` is a folder on drive C: (a hard disk) that does not exist yet.
inline void FilesContract(FileSystem& fs, Shell& shell, const std::string& folder, Report& r) {
    r.area = "files";
    r.Check(fs.GetDriveType("C:") == DriveType::Fixed && fs.GetDriveType("C:\\") == DriveType::Fixed,
            "drive C: is a hard disk, named with or without its backslash");
    r.Check(fs.GetDriveType("Q:\\") == DriveType::NoRootDir, "a drive that does not exist has no root");
    r.Check(fs.FreeBytesAvailable("C:\\") > 0, "free space of C:");
    r.Check(fs.FreeBytesAvailable("Q:\\") == -1, "free space of a missing drive fails");

    r.Check(!fs.DirectoryExists(folder), "the test folder exists before the test");
    r.Check(!fs.CreateDirectory(folder + "\\x\\y"), "CreateDirectory needs the parent");
    r.Check(fs.CreateDirectory(folder) && !fs.CreateDirectory(folder), "CreateDirectory: true once, then false");
    r.Check(fs.DirectoryExists(folder) && !fs.FileExists(folder), "a folder is no file");
    r.Check(fs.CreateDirectory(folder + "\\sub"), "a subfolder");
    // The system's name rules, which a typed folder meets.
    r.Check(fs.CreateDirectory(folder + "\\dots. .") && fs.DirectoryExists(folder + "\\dots"),
            "trailing dots and blanks are dropped from a name");
    r.Check(fs.RemoveDirectory(folder + "\\dots. "), "the same folder by its name with a trailing blank");
    r.Check(!fs.CreateDirectory(folder + "\\a|b") && !fs.WriteFile(folder + "\\a?b", "x") &&
                !fs.DirectoryExists(folder + "\\a|b"),
            "a name with a forbidden character is refused");

    const std::string bytes("B\0M\xFF\r\n end", 9);
    const std::string a = folder + "\\a.bin", b = folder + "\\b.bin", russian = Ru("ролик.txt");
    r.Check(fs.WriteFile(a, bytes) && fs.FileExists(a) && !fs.DirectoryExists(a), "WriteFile makes a file");
    r.Check(fs.ReadFile(a) == bytes, "ReadFile gives every byte back");
    r.Check(fs.FileSize(a) == std::optional<std::int64_t>(9) && !fs.FileSize(folder) &&
                !fs.FileSize(folder + "\\missing"),
            "FileSize of a file; none for a folder or a missing file");
    std::uint32_t code = 0;
    r.Check(!fs.ReadFile(folder + "\\missing", &code) && code == 2, "a missing file: none, code 2");
    r.Check(!fs.ReadFile(folder + "\\nothere\\x", &code) && code == 3, "a missing folder: none, code 3");
    // The system's own texts: some text for each code, one per code, no final full stop.
    for (std::uint32_t c : {2u, 3u, 5u}) {
        const std::string text = fs.ErrorText(c);
        r.Check(!text.empty() && text.back() != '.' && text.back() != ' ', "ErrorText(" + std::to_string(c) + ") is a text without a final full stop");
    }
    r.Check(fs.ErrorText(2) != fs.ErrorText(3) && fs.ErrorText(3) != fs.ErrorText(5), "ErrorText tells the codes apart");
    r.Check(fs.WriteFile(folder + "\\" + russian, "x"), "a file with a Cyrillic name");
    r.Check(fs.CopyFile(a, b, true) && !fs.CopyFile(a, b, true) && fs.CopyFile(a, b, false),
            "CopyFile: failIfExists refuses an existing target, else it is overwritten");
    r.Check(!fs.CopyFile(folder + "\\missing", folder + "\\c.bin", false), "copying a missing file fails");
    r.Check(fs.ReadFile(b) == bytes, "the copy has the bytes");

    std::set<std::string> all, folders;
    for (const auto& e : fs.Find(folder + "\\*.*")) {
        all.insert(e.name);
        if (e.attributes & attr::Directory) folders.insert(e.name);
    }
    r.Check(all == std::set<std::string>{".", "..", "a.bin", "b.bin", "sub", russian}, "Find *.* lists every entry");
    r.Check(folders == std::set<std::string>{".", "..", "sub"}, "Find marks the folders");
    std::set<std::string> bins;
    for (const auto& e : fs.Find(folder + "\\*.bin")) bins.insert(e.name);
    r.Check(bins == std::set<std::string>{"a.bin", "b.bin"}, "Find with a mask");
    r.Check(fs.Find(folder + "\\nothere\\*.*").empty(), "Find in a missing folder finds nothing");

    // The shell's recursive copy of a folder's contents.
    r.Check(fs.WriteFile(folder + "\\sub\\in.txt", "in"), "a file in the subfolder");
    r.Check(shell.CopyFolderContents(0, folder + "\\", folder + "2") == FolderCopy::Done,
            "CopyFolderContents succeeds");
    r.Check(fs.ReadFile(folder + "2\\sub\\in.txt") == std::string("in") && fs.ReadFile(folder + "2\\a.bin") == bytes,
            "CopyFolderContents copies the subfolders and the files");
    r.Check(shell.StartHidden(0, folder + "\\missing.exe", "") == ShellStart::Failed(2), "starting a missing file: code 2");
    r.Check(shell.OpenFile(0, folder + "\\missing.doc") == ShellStart::Failed(2), "opening a missing file: code 2");

    r.Check(fs.SetCurrentDirectory(folder) && AsciiUpper(fs.CurrentDirectory()) == AsciiUpper(folder),
            "SetCurrentDirectory and CurrentDirectory");
    r.Check(fs.SetCurrentDirectory("C:\\") && fs.CurrentDirectory() == "C:\\", "back to C:\\");
    r.Check(!fs.SetCurrentDirectory(folder + "\\nothere"), "a missing folder cannot be current");
    const std::string temp = fs.TempFolder();
    r.Check(!temp.empty() && temp.back() == '\\' && fs.DirectoryExists(temp) && fs.WriteFile(temp + "contract.tmp", "t") &&
                fs.DeleteFile(temp + "contract.tmp"),
            "TempFolder is a folder the user can write to: " + temp);

    r.Check(!fs.RemoveDirectory(folder), "RemoveDirectory refuses a folder that is not empty");
    for (const std::string& top : {folder, folder + "2"}) {
        for (const auto& e : fs.Find(top + "\\sub\\*.*"))
            if (!(e.attributes & attr::Directory)) fs.DeleteFile(top + "\\sub\\" + e.name);
        fs.RemoveDirectory(top + "\\sub");
        for (const auto& e : fs.Find(top + "\\*.*"))
            if (!(e.attributes & attr::Directory)) r.Check(fs.DeleteFile(top + "\\" + e.name), "DeleteFile " + e.name);
    }
    r.Check(!fs.DeleteFile(a), "deleting a deleted file fails");
    r.Check(fs.RemoveDirectory(folder) && fs.RemoveDirectory(folder + "2") && !fs.DirectoryExists(folder),
            "RemoveDirectory of an empty folder");
}

inline void ProcessContract(Process& process, const std::string& mutexName, Report& r) {
    r.area = "process";
    std::string path = process.ProgramPath();
    r.Check(path.size() > 4 && AsciiLower(path.substr(path.size() - 4)) == ".exe" && path.find('\\') != std::string::npos,
            "ProgramPath is the full path of a program file: " + path);
    r.Check(process.OsMajorVersion() >= 5, "the system is Windows 2000 or later");
    const unsigned oem = process.OemCodePage();
    r.Check(oem == 866 || oem == 437 || oem == 850, "the OEM code page is the system's: " + std::to_string(oem));
    r.Check(!process.OpenMutex(mutexName), "no mutex before it is created");
    r.Check(process.CreateMutex(mutexName) == MutexResult::Created, "CreateMutex of a new name");
    r.Check(process.OpenMutex(mutexName), "the created mutex can be opened");

    std::uint32_t oldClass = process.GetPriorityClass();
    process.SetPriorityClass(priority::HighClass);
    r.Check(process.GetPriorityClass() == priority::HighClass, "the high priority class");
    process.SetPriorityClass(oldClass);
    r.Check(process.GetPriorityClass() == oldClass, "the priority class restored");
    int oldThread = process.GetThreadPriority();
    process.SetThreadPriority(priority::ThreadHighest);
    r.Check(process.GetThreadPriority() == priority::ThreadHighest, "the highest thread priority");
    process.SetThreadPriority(oldThread);

    // mov eax, 42; ret — the same bytes on x86 and x86-64.
    const unsigned char code[] = {0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3};
    void* block = process.AllocateExecutable(4096);
    r.Check(block != nullptr, "executable memory");
    if (block) {
        std::memcpy(block, code, sizeof code);
        int (*function)() = nullptr;
        std::memcpy(&function, &block, sizeof function);
        r.Check(function() == 42, "code written there runs");
        process.FreeExecutable(block, 4096);
    }
}

// Needs a Program Manager answering "progman" (any topic).
inline void DdeContract(Dde& dde, Report& r) {
    r.area = "dde";
    r.Check(dde.Connect("VelvinorNoSuchService", "") == 0, "no conversation with a service nobody offers");
    DdeConversation c = dde.Connect("progman", "");
    r.Check(c != 0, "a conversation with progman on the empty topic");
    if (!c) return;
    const std::string group = "VelvinorContract", caption = Ru("Вельвинор");
    r.Check(dde.Execute(c, "[CreateGroup(" + group + ")]\r\n"), "CreateGroup is issued");
    r.Check(dde.Execute(c, "[AddItem(\"C:\\Games, (new)\\Game.exe\"," + caption + ")]\r\n"), "AddItem is issued");
    auto answer = dde.Request(c, group, 10000);
    auto lines = Lines(answer);
    r.Check(lines.size() == 2 && lines[0].rfind("\"" + group + "\"", 0) == 0 &&
                lines[1].find(caption) != std::string::npos &&
                lines[1].find("C:\\Games, (new)\\Game.exe") != std::string::npos,
            "the group's line and its item's, with the Cyrillic caption: " + Show(answer));
    r.Check(dde.Execute(c, "[DeleteItem(" + caption + ")]\r\n"), "DeleteItem is issued");
    r.Check(Lines(dde.Request(c, group, 10000)).size() == 1, "after DeleteItem only the group's own line");
    r.Check(dde.Execute(c, "[DeleteGroup(" + group + ")]\r\n"), "DeleteGroup is issued");
    r.Check(Lines(dde.Request(c, group, 10000)).empty(), "a deleted group gives no lines");
    dde.Disconnect(c);
    r.Check(!dde.Execute(c, "[CreateGroup(x)]\r\n") && !dde.Request(c, group, 1000),
            "after Disconnect nothing goes through the old conversation");
    DdeConversation named = dde.Connect("progman", "progman");
    r.Check(named != 0, "progman also answers a named topic");
    if (named) dde.Disconnect(named);
}

}  // namespace vel::contract
