// The program's keys under HKEY_LOCAL_MACHINE, kept in one text file under the
// user's configuration folder.
//
// The file, UTF-8:
//   ; a comment
//   [Software\Trelkon\Velvinor]
//   @="Transfering"
//   "Level"="3"
//   "Count"=dword:0000000a
//   "Blob"=hex:01,ff
//   "Raw"=hex(2):25,00
// Keys and values keep the order they were made in. In a quoted text \\ is a
// backslash, \" a quote, \n and \r line breaks, \xHH any other control byte.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <set>

#include "platform/linux/services/LinuxServices.h"
#include "platform/linux/services/Utf8.h"
#include "platform/linux/services/XdgFolders.h"

namespace vel::lnx {
namespace {

// The system's own keys: there from the start, never written to the file, never deleted.
const char* const kVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kProgramFilesDir = "ProgramFilesDir";

struct Value {
    std::string name;  // UTF-8; "" is the default value
    RegValueType type = RegValueType::String;
    unsigned rawType = 1;  // the number after hex( ) for a type the program does not name
    std::string data;      // text for strings, the bytes for every other type
};

struct Key {
    std::string path;  // UTF-8, as first made, no leading or trailing backslash
    std::vector<Value> values;
    bool system = false;
};

std::string Fold(std::string_view s) { return AsciiUpper(s); }

std::string Trimmed(std::string_view path) {
    std::size_t a = path.find_first_not_of('\\');
    if (a == std::string_view::npos) return {};
    std::size_t b = path.find_last_not_of('\\');
    return std::string(path.substr(a, b - a + 1));
}

bool Under(const std::string& folded, const std::string& root) {
    return folded == root || (folded.size() > root.size() && folded.compare(0, root.size(), root) == 0 &&
                              folded[root.size()] == '\\');
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02x", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted text from `pos` (at the opening quote); pos ends after the closing one.
bool Unquote(std::string_view line, std::size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return false;
        switch (line[pos]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 'x': {
                if (pos + 2 >= line.size()) return false;
                int hi = HexDigit(line[pos + 1]), lo = HexDigit(line[pos + 2]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default: return false;
        }
    }
    return false;
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", c);
        if (!out.empty()) out += ',';
        out += hex;
    }
    return out;
}

bool ParseHexBytes(std::string_view text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    for (std::size_t i = 0;; i += 3) {
        if (i + 2 > text.size()) return false;
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        if (i + 2 == text.size()) return true;
        if (text[i + 2] != ',') return false;
    }
}

// The offset of the first byte that is not UTF-8, npos when all of it is.
std::size_t InvalidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t extra = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : 9;
        if (extra > 3 || i + extra >= s.size()) return i;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
        i += extra + 1;
    }
    return std::string_view::npos;
}

std::string Stamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// The folder of a file and every folder above it that is missing, for the user alone.
bool MakeFolders(const std::string& file) {
    std::size_t slash = file.find('/', 1);
    while (slash != std::string::npos) {
        std::string folder = file.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
        slash = file.find('/', slash + 1);
    }
    return true;
}

class SettingsRegistry final : public Registry {
public:
    explicit SettingsRegistry(SettingsLocation where) : m_where(std::move(where)) {}

    bool KeyExists(const std::string& path) override {
        auto keys = Load();
        return Trimmed(path).empty() || Find(keys, path) != nullptr;
    }

    bool CreateKey(const std::string& path) override {
        return Change([&](std::vector<Key>& keys) {
            if (Trimmed(path).empty()) return true;
            Ensure(keys, AnsiToUtf8(Trimmed(path)));
            return true;
        });
    }

    bool HasSubKeys(const std::string& path) override {
        auto keys = Load();
        const Key* key = Find(keys, path);
        if (!key) return false;
        const std::string root = Fold(key->path);
        for (const auto& k : keys)
            if (Under(Fold(k.path), root) && Fold(k.path) != root) return true;
        return false;
    }

    std::vector<std::string> ValueNames(const std::string& path) override {
        std::vector<std::string> names;
        auto keys = Load();
        if (const Key* key = Find(keys, path))
            for (const auto& v : key->values) names.push_back(Ru(v.name));
        return names;
    }

    std::optional<RegValueType> ValueType(const std::string& path, const std::string& name) override {
        auto keys = Load();
        const Value* value = FindValue(keys, path, name);
        if (!value) return std::nullopt;
        return value->type;
    }

    std::optional<std::string> ReadString(const std::string& path, const std::string& name) override {
        auto keys = Load();
        const Value* value = FindValue(keys, path, name);
        if (!value) return std::nullopt;
        if (value->type != RegValueType::String && value->type != RegValueType::ExpandString) return std::nullopt;
        // Text another program put in that code page 1251 lacks reads as the system's
        // conversion gives it; the file keeps it as it was.
        std::string text = value->data;
        std::size_t end = text.find('\0');
        if (end != std::string::npos) text.resize(end);
        return Ru(text);
    }

    bool WriteString(const std::string& path, const std::string& name, const std::string& data) override {
        return Change([&](std::vector<Key>& keys) {
            Key* key = Find(keys, path);
            if (!key || Protected(*key, name)) return false;
            const std::string utf8Name = AnsiToUtf8(name);
            for (auto& v : key->values)
                if (SameTextAscii(v.name, utf8Name)) {
                    v = Value{v.name, RegValueType::String, 1, AnsiToUtf8(data)};
                    return true;
                }
            key->values.push_back(Value{utf8Name, RegValueType::String, 1, AnsiToUtf8(data)});
            return true;
        });
    }

    bool DeleteValue(const std::string& path, const std::string& name) override {
        return Change([&](std::vector<Key>& keys) {
            Key* key = Find(keys, path);
            if (!key || Protected(*key, name)) return false;
            const std::string utf8Name = AnsiToUtf8(name);
            for (auto it = key->values.begin(); it != key->values.end(); ++it)
                if (SameTextAscii(it->name, utf8Name)) {
                    key->values.erase(it);
                    return true;
                }
            return false;
        });
    }

    bool DeleteKey(const std::string& path) override {
        return Change([&](std::vector<Key>& keys) {
            const Key* key = Find(keys, path);
            if (!key) return false;
            const std::string root = Fold(key->path);
            // The system's keys stay, and so does every key above them.
            for (const auto& k : keys)
                if (k.system && Under(Fold(k.path), root)) return false;
            std::erase_if(keys, [&](const Key& k) { return Under(Fold(k.path), root); });
            return true;
        });
    }

private:
    enum class Read { Ok, Missing, Unreadable };

    // The keys of the file, with the system's own keys added.
    std::vector<Key> Load() {
        std::vector<Key> keys;
        Read state = ReadFile(keys);
        m_writable = state != Read::Unreadable;
        AddSystemKeys(keys);
        return keys;
    }

    Read ReadFile(std::vector<Key>& keys) {
        std::FILE* file = std::fopen(m_where.file.c_str(), "rb");
        if (!file) {
            if (errno == ENOENT) return Read::Missing;
            Warn("Вельвинор: файл настроек " + m_where.file + " не читается (" + std::strerror(errno) +
                 "); настройки не будут записаны, пока он не станет доступен.");
            return Read::Unreadable;
        }
        std::string text;
        char buffer[8192];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) {
            Warn("Вельвинор: файл настроек " + m_where.file + " не читается; настройки не будут записаны.");
            return Read::Unreadable;
        }
        std::size_t kept = 0;
        const int badLine = Parse(text, keys, kept);
        if (badLine == 0) return Read::Ok;
        // Put the bad file aside, whole, where the user can find it, and keep what
        // could be read of it: an installed game must not look uninstalled.
        // A new name each time: an earlier bad file is never overwritten.
        std::string aside = m_where.file + ".bad-" + Stamp();
        bool moved = false;
        for (int n = 2; !moved && n < 1000; ++n) {
            moved = link(m_where.file.c_str(), aside.c_str()) == 0 && unlink(m_where.file.c_str()) == 0;
            if (!moved && errno != EEXIST) break;
            if (!moved) aside = m_where.file + ".bad-" + Stamp() + "-" + std::to_string(n);
        }
        const std::string where = " (строка " + std::to_string(badLine) + ")";
        if (!moved) {
            keys.clear();
            Warn("Вельвинор: файл настроек " + m_where.file + " поврежден" + where +
                     " и не может быть отложен; настройки не будут записаны.",
                 "Файл настроек игры поврежден" + where + " и не может быть отложен:\r\n" + m_where.file +
                     "\r\n\r\nНастройки не будут записаны, пока он не будет исправлен или удалён.");
            return Read::Unreadable;
        }
        const bool saved = Write(keys);
        Warn("Вельвинор: файл настроек " + m_where.file + " поврежден" + where + "; он сохранен как " + aside +
                 (saved ? ", прочитанное из него (значений: " + std::to_string(kept) + ") записано заново."
                        : ", прочитанное из него записать не удалось."),
             "Файл настроек игры был поврежден" + where + ".\r\n\r\nОн сохранен без изменений как\r\n" + aside +
                 (saved ? "\r\n\r\nВсе, что удалось из него прочитать, сохранено."
                        : "\r\n\r\nПрочитанное из него сохранить не удалось."));
        return Read::Ok;
    }

    // Reads every line it can into `keys` and answers the number of the first line it
    // could not read (0 when there is none); `kept` counts the values read. A line that
    // cannot be read is left out, and so are the values under a key that cannot.
    static int Parse(const std::string& text, std::vector<Key>& keys, std::size_t& kept) {
        int badLine = 0;
        auto bad = [&](int number) {
            if (badLine == 0) badLine = number;
        };
        Key* current = nullptr;
        std::size_t start = 0;
        for (int number = 1; start < text.size(); ++number) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string_view line = std::string_view(text).substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (InvalidUtf8(line) != std::string_view::npos) {
                bad(number);
                continue;
            }
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                std::string path = line.size() >= 3 && line.back() == ']' ? Trimmed(line.substr(1, line.size() - 2)) : "";
                if (path.empty()) {
                    bad(number);
                    current = nullptr;
                } else {
                    current = &Ensure(keys, path);
                }
                continue;
            }
            Value value;
            if (!current || !ParseLine(line, value)) {
                bad(number);
                continue;
            }
            bool twice = false;
            for (const auto& v : current->values) twice = twice || SameTextAscii(v.name, value.name);
            if (twice) {
                bad(number);
                continue;
            }
            current->values.push_back(std::move(value));
            ++kept;
        }
        return badLine;
    }

    static bool ParseLine(std::string_view line, Value& value) {
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, value.name) || value.name.empty()) {
            return false;
        }
        if (pos >= line.size() || line[pos] != '=') return false;
        return ParseData(line.substr(pos + 1), value);
    }

    static bool ParseData(std::string_view rest, Value& value) {
        if (!rest.empty() && rest.front() == '"') {
            std::size_t pos = 0;
            value.type = RegValueType::String;
            return Unquote(rest, pos, value.data) && pos == rest.size();
        }
        if (rest.substr(0, 6) == "dword:") {
            std::string_view digits = rest.substr(6);
            if (digits.size() != 8) return false;
            std::uint32_t number = 0;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) return false;
                number = number * 16 + static_cast<std::uint32_t>(d);
            }
            value.type = RegValueType::DWord;
            value.rawType = 4;
            value.data.clear();
            for (int i = 0; i < 4; ++i) value.data += static_cast<char>((number >> (8 * i)) & 0xFF);
            return true;
        }
        if (rest.substr(0, 4) == "hex:") {
            value.type = RegValueType::Binary;
            value.rawType = 3;
            return ParseHexBytes(rest.substr(4), value.data);
        }
        if (rest.substr(0, 4) == "hex(") {
            std::size_t close = rest.find("):");
            if (close == std::string_view::npos || close == 4) return false;
            unsigned type = 0;
            for (char c : rest.substr(4, close - 4)) {
                int d = HexDigit(c);
                if (d < 0 || type > 0xFFFFFFF) return false;
                type = type * 16 + static_cast<unsigned>(d);
            }
            value.rawType = type;
            value.type = type == 1   ? RegValueType::String
                         : type == 2 ? RegValueType::ExpandString
                         : type == 3 ? RegValueType::Binary
                         : type == 4 ? RegValueType::DWord
                         : type == 7 ? RegValueType::MultiString
                                     : RegValueType::Other;
            return ParseHexBytes(rest.substr(close + 2), value.data);
        }
        return false;
    }

    static std::string Format(const std::vector<Key>& keys) {
        std::string out = "; Вельвинор: настройки и записи программы (разделы HKEY_LOCAL_MACHINE), UTF-8\n";
        for (const auto& key : keys) {
            std::vector<const Value*> stored;
            for (const auto& v : key.values)
                if (!(key.system && SameTextAscii(v.name, kProgramFilesDir))) stored.push_back(&v);
            if (key.system && stored.empty()) continue;
            out += "\n[" + key.path + "]\n";
            for (const Value* v : stored) {
                out += v->name.empty() ? std::string("@") : Quote(v->name);
                out += '=';
                if (v->type == RegValueType::String && v->rawType == 1 && v->data.find('\0') == std::string::npos) {
                    out += Quote(v->data);
                } else if (v->type == RegValueType::DWord && v->rawType == 4 && v->data.size() == 4) {
                    std::uint32_t number = 0;
                    for (int i = 3; i >= 0; --i) number = number * 256 + static_cast<unsigned char>(v->data[i]);
                    char hex[16];
                    std::snprintf(hex, sizeof hex, "dword:%08x", number);
                    out += hex;
                } else if (v->type == RegValueType::Binary && v->rawType == 3) {
                    out += "hex:" + HexBytes(v->data);
                } else {
                    char head[24];
                    std::snprintf(head, sizeof head, "hex(%x):", v->rawType);
                    out += head + HexBytes(v->data);
                }
                out += '\n';
            }
        }
        return out;
    }

    // Reads, changes and writes the file under a lock, so that two runs of the program
    // never interleave their changes. False when the change was refused or could not
    // be written; the file is then as it was.
    template <typename Edit>
    bool Change(Edit edit) {
        if (!MakeFolders(m_where.file)) return false;
        const std::string lockPath = m_where.file + ".lock";
        int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock < 0) return false;
        while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
        }
        auto keys = Load();
        bool ok = m_writable && edit(keys) && Write(keys);
        close(lock);  // releases the lock
        return ok;
    }

    // A whole new file beside the old one, on the disk before it takes the old one's
    // name: a crash leaves either the old file or the new one, never a part.
    bool Write(const std::vector<Key>& keys) {
        const std::string text = Format(keys);
        std::string temp = m_where.file + ".XXXXXX";
        int fd = mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = fchmod(fd, 0600) == 0;
        for (std::size_t done = 0; ok && done < text.size();) {
            ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
        ok = ok && fsync(fd) == 0;
        ok = close(fd) == 0 && ok;
        ok = ok && std::rename(temp.c_str(), m_where.file.c_str()) == 0;
        if (!ok) {
            unlink(temp.c_str());
            return false;
        }
        // The new name itself reaches the disk with its folder.
        const std::string folder = m_where.file.substr(0, m_where.file.rfind('/') + 1);
        int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            fsync(dir);
            close(dir);
        }
        return true;
    }

    void AddSystemKeys(std::vector<Key>& keys) {
        std::string path;
        for (std::string_view part : {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion"}) {
            path += (path.empty() ? "" : "\\") + std::string(part);
            Ensure(keys, path).system = true;
        }
        Key& version = Ensure(keys, kVersionKey);
        std::erase_if(version.values, [](const Value& v) { return SameTextAscii(v.name, kProgramFilesDir); });
        // Where the program's default folder goes: the user's data folder. One that
        // code page 1251 cannot spell is missing rather than spelt wrong.
        if (Utf8ToAnsiExact(m_where.dataFolder)) {
            version.values.insert(version.values.begin(), Value{kProgramFilesDir, RegValueType::String, 1, m_where.dataFolder});
        } else {
            Warn("Вельвинор: путь к папке данных " + m_where.dataFolder +
                 " содержит символы, которых нет в кодировке программы (1251); папка для игры не будет предложена.");
        }
    }

    static bool Protected(const Key& key, const std::string& name) {
        return key.system && SameTextAscii(Trimmed(key.path), kVersionKey) && SameTextAscii(name, kProgramFilesDir);
    }

    static Key& Ensure(std::vector<Key>& keys, const std::string& utf8Path) {
        Key* found = nullptr;
        std::size_t pos = 0;
        while (true) {
            pos = utf8Path.find('\\', pos);
            std::string part = utf8Path.substr(0, pos);
            if (!part.empty() && part.back() != '\\') {
                found = nullptr;
                for (auto& k : keys)
                    if (Fold(k.path) == Fold(part)) found = &k;
                if (!found) {
                    keys.push_back(Key{part, {}, false});
                    found = &keys.back();
                }
            }
            if (pos == std::string::npos) break;
            ++pos;
        }
        return *found;
    }

    static Key* Find(std::vector<Key>& keys, const std::string& ansiPath) {
        const std::string folded = Fold(AnsiToUtf8(Trimmed(ansiPath)));
        if (folded.empty()) return nullptr;
        for (auto& k : keys)
            if (Fold(k.path) == folded) return &k;
        return nullptr;
    }

    static const Value* FindValue(std::vector<Key>& keys, const std::string& path, const std::string& name) {
        const Key* key = Find(keys, path);
        if (!key) return nullptr;
        const std::string utf8Name = AnsiToUtf8(name);
        for (const auto& v : key->values)
            if (SameTextAscii(v.name, utf8Name)) return &v;
        return nullptr;
    }

    // Each trouble is told once a run, not at every call; the family is told too when
    // there is something it must know (`box`).
    void Warn(const std::string& utf8, const std::string& box = {}) {
        if (!m_told.insert(utf8).second) return;
        std::cerr << utf8 << std::endl;
        if (!box.empty() && m_where.tell) m_where.tell(box);
    }

    SettingsLocation m_where;
    bool m_writable = true;
    std::set<std::string> m_told;
};

}  // namespace

SettingsLocation DefaultSettingsLocation() {
    return {XdgFolder("XDG_CONFIG_HOME", ".config") + "/velvinor/registry.txt",
            XdgFolder("XDG_DATA_HOME", ".local/share")};
}

std::unique_ptr<Registry> CreateSettingsRegistry(SettingsLocation where) {
    return std::make_unique<SettingsRegistry>(std::move(where));
}

}  // namespace vel::lnx
