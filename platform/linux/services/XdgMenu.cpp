// Program Manager's groups as the desktop's applications menu, following the XDG
// desktop menu conventions. The service "progman" answers in-process; its commands
// are carried out at once, on the caller's thread.
//
// A group G is
//   $XDG_DATA_HOME/applications/G/            the menu folder: one desktop entry per item
//   $XDG_DATA_HOME/desktop-directories/G.directory   the submenu's name
//   $XDG_CONFIG_HOME/menus/applications-merged/G.menu   the submenu, listing the
//                                              folder's entries (their ids are "G-<file>")
// Every file is written whole beside its place and renamed over it. What this
// service wrote carries the key X-Velvinor-Group (the .menu a comment): it replaces
// and deletes only such files. Another desktop entry in the menu folder (a family's
// own shortcut) is one of the group's items, as a shortcut in the group's folder is
// on Windows, and stays.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "platform/linux/services/LinuxServices.h"
#include "platform/linux/services/XdgFolders.h"
#include "runtime/CommandLine.h"
#include "runtime/ProgmanCommands.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

const char* const kMark = "X-Velvinor-Group";
const char* const kCommandKey = "X-Velvinor-Command";
const char* const kMenuMark = "<!-- Velvinor: Program Manager group ";

void Tell(const std::string& utf8) { std::fprintf(stderr, "velvinor: menu: %s\n", utf8.c_str()); }

bool IsFile(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
// A program file, also through a link.
bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool IsFolder(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadAll(const std::string& path) {
    std::string text;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return text;
    char buffer[8192];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

// The folder and its missing parents; the user's own folders (0700 for a base folder
// the conventions say to make so).
bool MakeFolders(const std::string& path) {
    if (path.empty() || IsFolder(path)) return true;
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
    return mkdir(path.c_str(), 0700) == 0 || IsFolder(path);
}

// Written beside its place, flushed, then renamed over it: a reader of the menu sees
// the old file or the new one.
bool WriteWhole(const std::string& path, const std::string& text) {
    const std::size_t slash = path.find_last_of('/');
    std::string temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0644) == 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

// ---- desktop entries ----

// A value of the string kind: \\, \n, \t, \r and \s as the conventions escape them.
std::string EntryValue(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == ' ' && i == 0) out += "\\s";
        else out += c;
    }
    return out;
}

std::string UnescapeValue(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 's': out += ' '; break;
            default: out += value[i]; break;
        }
    }
    return out;
}

// One argument of the Exec key: quoted, with the characters that quoting leaves
// special escaped; a percent sign is a field code unless doubled.
std::string ExecArgument(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out + "\"";
}

// The [Desktop Entry] group's keys, unescaped.
std::map<std::string, std::string> EntryKeys(const std::string& text) {
    std::map<std::string, std::string> keys;
    bool inGroup = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inGroup || eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        keys.emplace(key, UnescapeValue(value));
    }
    return keys;
}

std::string XmlText(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

class XdgMenuDde final : public Dde {
public:
    explicit XdgMenuDde(MenuLocation where) : m_where(std::move(where)) {}

    DdeConversation Connect(const std::string& service, const std::string&) override {
        // Program Manager answers every topic of its service, the empty one too.
        if (AsciiLower(service) != "progman") return 0;
        const DdeConversation c = m_next++;
        m_open.insert(c);
        return c;
    }

    bool Execute(DdeConversation conversation, const std::string& command) override {
        if (!m_open.count(conversation)) return false;
        for (const ProgmanCommand& c : ParseProgmanCommands(command)) Apply(c);
        return true;
    }

    std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                       std::uint32_t) override {
        if (!m_open.count(conversation)) return std::nullopt;
        const std::string group = AnsiToUtf8(item);
        if (!ValidGroup(group) || !IsFolder(Folder(group))) return std::string();
        // A request for a group makes it the one later item commands address.
        m_current = group;
        const std::vector<std::string> entries = Entries(group);
        std::string answer = "\"" + group + "\",\"" + Folder(group) + "\"," + std::to_string(entries.size()) + "\r\n";
        for (const std::string& file : entries) {
            auto keys = EntryKeys(ReadAll(Folder(group) + "/" + file));
            const std::string command = keys.count(kCommandKey) ? keys[kCommandKey] : keys["Exec"];
            answer += "\"" + keys["Name"] + "\",\"" + command + "\",\"" + keys["Path"] + "\"\r\n";
        }
        return WideToAnsi(Utf8ToWide(answer));
    }

    void Disconnect(DdeConversation conversation) override { m_open.erase(conversation); }

private:
    std::string Folder(const std::string& group) const { return m_where.dataHome + "/applications/" + group; }
    std::string DirectoryFile(const std::string& group) const {
        return m_where.dataHome + "/desktop-directories/" + group + ".directory";
    }
    std::string MenuFile(const std::string& group) const {
        return m_where.configHome + "/menus/applications-merged/" + group + ".menu";
    }

    // A group's name is a file name here.
    static bool ValidGroup(const std::string& group) {
        return !group.empty() && group != "." && group != ".." && group[0] != '.' &&
               group.find('/') == std::string::npos && group.find('\n') == std::string::npos;
    }

    // The desktop entries in the group's folder, by name.
    std::vector<std::string> Entries(const std::string& group) const {
        std::vector<std::string> names;
        if (DIR* dir = opendir(Folder(group).c_str())) {
            while (dirent* e = readdir(dir)) {
                const std::string name = e->d_name;
                if (name.size() > 8 && name[0] != '.' && name.compare(name.size() - 8, 8, ".desktop") == 0 &&
                    IsFile(Folder(group) + "/" + name))
                    names.push_back(name);
            }
            closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    bool Ours(const std::string& path) const { return EntryKeys(ReadAll(path)).count(kMark) > 0; }
    bool OurMenu(const std::string& group) const {
        return ReadAll(MenuFile(group)).find(kMenuMark) != std::string::npos;
    }

    void Apply(const ProgmanCommand& c) {
        const std::string name = AsciiLower(c.name);
        const auto arg = [&](std::size_t i) { return i < c.args.size() ? AnsiToUtf8(c.args[i]) : std::string(); };
        if (name == "creategroup" || name == "showgroup") {
            const std::string group = arg(0);
            if (!ValidGroup(group)) return Tell("no group can be named \"" + group + "\"");
            if (name == "showgroup" && !IsFolder(Folder(group))) return;
            if (name == "creategroup" && !CreateGroup(group)) return;
            m_current = group;
        } else if (name == "additem") {
            if (m_current.empty()) return Tell("AddItem without a group");
            AddItem(m_current, arg(0), c.args.size() > 1 ? arg(1) : std::string());
        } else if (name == "deleteitem") {
            if (m_current.empty()) return;
            DeleteItem(m_current, arg(0));
        } else if (name == "deletegroup") {
            const std::string group = arg(0);
            if (!ValidGroup(group)) return;
            DeleteGroup(group);
            if (m_current == group) m_current.clear();
        } else {
            Tell("Program Manager has no command \"" + name + "\"");
        }
    }

    bool CreateGroup(const std::string& group) {
        if (IsFile(MenuFile(group)) && !OurMenu(group))
            return Tell(MenuFile(group) + " is not this program's: the group is not made"), false;
        if (!MakeFolders(m_where.dataHome) || !MakeFolders(Folder(group)) ||
            !MakeFolders(m_where.dataHome + "/desktop-directories") ||
            !MakeFolders(m_where.configHome + "/menus/applications-merged"))
            return Tell("cannot make the folders of the group \"" + group + "\""), false;
        if (!IsFile(DirectoryFile(group)) || Ours(DirectoryFile(group))) {
            WriteWhole(DirectoryFile(group), "[Desktop Entry]\nType=Directory\nName=" + EntryValue(group) + "\n" +
                                                 kMark + "=" + EntryValue(group) + "\n");
        }
        return WriteMenu(group);
    }

    // The submenu lists every entry of the folder, the family's own too.
    bool WriteMenu(const std::string& group) {
        std::string xml =
            "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n" +
            std::string(kMenuMark) + XmlText(group) + " -->\n<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>" +
            XmlText(group) + "</Name>\n    <Directory>" + XmlText(group) + ".directory</Directory>\n    <Include>\n";
        for (const std::string& file : Entries(group))
            xml += "      <Filename>" + XmlText(group + "-" + file) + "</Filename>\n";
        xml += "    </Include>\n  </Menu>\n</Menu>\n";
        if (WriteWhole(MenuFile(group), xml)) return true;
        Tell("cannot write " + MenuFile(group));
        return false;
    }

    // The command line's program: the whole line when a file has that name, else the
    // longest part before a blank that names one (the rest are its arguments), else
    // the whole line.
    static std::vector<std::string> SplitCommandLine(const std::string& line) {
        std::size_t end = line.size();
        while (!Exists(line.substr(0, end))) {
            end = end == 0 ? std::string::npos : line.rfind(' ', end - 1);
            if (end == std::string::npos || end == 0) {
                end = line.size();
                break;
            }
        }
        std::vector<std::string> parts{line.substr(0, end)};
        for (std::string& arg : SplitParamStr(std::string_view(line).substr(end))) parts.push_back(std::move(arg));
        return parts;
    }

    // The entry's file name: the program's name, then its arguments' letters, in ASCII.
    static std::string EntryName(const std::vector<std::string>& parts) {
        std::string name;
        auto add = [&](const std::string& text) {
            for (char c : text) {
                const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
                if (plain) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                else if (!name.empty() && name.back() != '-') name += '-';
            }
            if (!name.empty() && name.back() != '-') name += '-';
        };
        const std::string program = parts[0].substr(parts[0].find_last_of('/') + 1);
        add(program.substr(0, program.rfind('.') == 0 || program.rfind('.') == std::string::npos ? program.size()
                                                                                                  : program.rfind('.')));
        for (std::size_t i = 1; i < parts.size(); ++i) add(parts[i]);
        while (!name.empty() && name.back() == '-') name.pop_back();
        return name.empty() ? "item" : name;
    }

    void AddItem(const std::string& group, const std::string& commandLine, const std::string& caption) {
        if (!IsFolder(Folder(group))) return Tell("the group \"" + group + "\" has no folder");
        const std::vector<std::string> parts = SplitCommandLine(commandLine);
        std::string exec = ExecArgument(parts[0]);
        for (std::size_t i = 1; i < parts.size(); ++i) exec += " " + ExecArgument(parts[i]);
        const std::string program = parts[0];
        const std::string folder = program.find('/') == std::string::npos ? std::string()
                                                                            : program.substr(0, program.find_last_of('/') + 1);
        std::string text = "[Desktop Entry]\nType=Application\nName=" + EntryValue(caption.empty() ? program : caption) +
                           "\nExec=" + EntryValue(exec) + "\n";
        if (!folder.empty()) text += "Path=" + EntryValue(folder) + "\n";
        text += "Terminal=false\n" + std::string(kMark) + "=" + EntryValue(group) + "\n" + kCommandKey + "=" +
                EntryValue(commandLine) + "\n";
        // A new file beside any of the family's: never written over one that is not ours.
        const std::string base = EntryName(parts);
        std::string path;
        for (int n = 1;; ++n) {
            path = Folder(group) + "/" + base + (n == 1 ? "" : "-" + std::to_string(n)) + ".desktop";
            if (!IsFile(path) && !IsFolder(path)) break;
            if (IsFile(path) && Ours(path) && EntryKeys(ReadAll(path))["Name"] == caption) break;
        }
        if (!WriteWhole(path, text)) return Tell("cannot write " + path);
        WriteMenu(group);
    }

    void DeleteItem(const std::string& group, const std::string& caption) {
        for (const std::string& file : Entries(group)) {
            const std::string path = Folder(group) + "/" + file;
            auto keys = EntryKeys(ReadAll(path));
            if (keys.count(kMark) && keys["Name"] == caption) {
                unlink(path.c_str());
                WriteMenu(group);
                return;
            }
        }
    }

    // What this service wrote goes; the family's entries keep the group and its submenu.
    void DeleteGroup(const std::string& group) {
        if (!IsFolder(Folder(group))) return;
        for (const std::string& file : Entries(group))
            if (Ours(Folder(group) + "/" + file)) unlink((Folder(group) + "/" + file).c_str());
        if (!Entries(group).empty()) {
            WriteMenu(group);
            return;
        }
        if (OurMenu(group)) unlink(MenuFile(group).c_str());
        if (IsFile(DirectoryFile(group)) && Ours(DirectoryFile(group))) unlink(DirectoryFile(group).c_str());
        rmdir(Folder(group).c_str());  // only when nothing else is in it
    }

    MenuLocation m_where;
    std::set<DdeConversation> m_open;
    DdeConversation m_next = 1;
    std::string m_current;  // UTF-8
};

}  // namespace

MenuLocation DefaultMenuLocation() {
    return {XdgFolder("XDG_DATA_HOME", ".local/share"), XdgFolder("XDG_CONFIG_HOME", ".config")};
}

std::unique_ptr<Dde> CreateXdgMenuDde(MenuLocation where) { return std::make_unique<XdgMenuDde>(std::move(where)); }

}  // namespace vel::lnx
