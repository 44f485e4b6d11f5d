// The registry under HKEY_LOCAL_MACHINE, through the wide API.

#include "platform/win32/Win32.h"

#include <cstring>
#include <vector>

#include "platform/win32/LateBound.h"
#include "platform/win32/Scoped.h"
#include "platform/win32/Services.h"
#include "platform/win32/WinText.h"

namespace vel::win32 {
namespace {

// The program writes key paths with or without a leading backslash, both from the
// root; the registry API wants none.
std::wstring KeyPath(const std::string& path) {
    std::wstring w = Wide(path);
    std::size_t start = w.find_first_not_of(L'\\');
    return start == std::wstring::npos ? std::wstring() : w.substr(start);
}

ScopedKey OpenKey(const std::string& path, REGSAM access) {
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, access, key.Put()) != ERROR_SUCCESS) key.Reset();
    return key;
}

// A value's type and raw bytes; false when the key or the value is missing.
bool QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the two calls (another program writes it): retry.
    for (int attempt = 0; attempt < 4 && rc == ERROR_SUCCESS; ++attempt) {
        data.resize(size);
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, size ? data.data() : nullptr, &size);
        if (rc == ERROR_MORE_DATA) {
            rc = ERROR_SUCCESS;
            continue;
        }
        data.resize(size);
        return rc == ERROR_SUCCESS;
    }
    return false;
}

class WinRegistry final : public Registry {
public:
    bool KeyExists(const std::string& path) override { return static_cast<bool>(OpenKey(path, KEY_READ)); }

    bool CreateKey(const std::string& path) override {
        ScopedKey key;
        return RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr) == ERROR_SUCCESS;
    }

    bool HasSubKeys(const std::string& path) override {
        ScopedKey key = OpenKey(path, KEY_READ);
        DWORD subKeys = 0;
        return key &&
               RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
               subKeys > 0;
    }

    std::vector<std::string> ValueNames(const std::string& path) override {
        std::vector<std::string> names;
        ScopedKey key = OpenKey(path, KEY_READ);
        if (!key) return names;
        DWORD longest = 0;
        if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return names;
        std::vector<wchar_t> buffer(longest + 1);
        for (DWORD index = 0;;) {
            DWORD length = static_cast<DWORD>(buffer.size());
            LONG rc = RegEnumValueW(key.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
                buffer.resize(buffer.size() * 2 + 256);
                continue;
            }
            if (rc != ERROR_SUCCESS) break;
            names.push_back(Ansi(std::wstring_view(buffer.data(), length)));
            ++index;
        }
        return names;
    }

    std::optional<RegValueType> ValueType(const std::string& path, const std::string& name) override {
        ScopedKey key = OpenKey(path, KEY_READ);
        DWORD type = 0;
        if (!key || RegQueryValueExW(key.Get(), Wide(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        switch (type) {
            case REG_SZ: return RegValueType::String;
            case REG_EXPAND_SZ: return RegValueType::ExpandString;
            case REG_BINARY: return RegValueType::Binary;
            case REG_DWORD: return RegValueType::DWord;
            case REG_MULTI_SZ: return RegValueType::MultiString;
            default: return RegValueType::Other;
        }
    }

    std::optional<std::string> ReadString(const std::string& path, const std::string& name) override {
        ScopedKey key = OpenKey(path, KEY_READ);
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!key || !QueryValue(key.Get(), Wide(name), type, data)) return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        // The stored data need not end with a NUL, nor hold an even number of bytes.
        std::wstring text(data.size() / sizeof(wchar_t), L'\0');
        if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        std::size_t end = text.find(L'\0');
        if (end != std::wstring::npos) text.resize(end);
        return Ansi(text);
    }

    bool WriteString(const std::string& path, const std::string& name, const std::string& data) override {
        ScopedKey key = OpenKey(path, KEY_SET_VALUE);
        if (!key) return false;
        std::wstring text = Wide(data);
        DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key.Get(), Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              bytes) == ERROR_SUCCESS;
    }

    bool DeleteValue(const std::string& path, const std::string& name) override {
        ScopedKey key = OpenKey(path, KEY_SET_VALUE);
        return key && RegDeleteValueW(key.Get(), Wide(name).c_str()) == ERROR_SUCCESS;
    }

    bool DeleteKey(const std::string& path) override {
        std::wstring key = KeyPath(path);
        if (key.empty()) return false;  // never the whole root
        // SHDeleteKeyW removes the subkeys too, and exists on every 32-bit Windows
        // (RegDeleteTreeW only from Vista on).
        auto deleteKey = late::SHDeleteKeyW.Get();
        return deleteKey && deleteKey(HKEY_LOCAL_MACHINE, key.c_str()) == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<Registry> CreateWinRegistry() { return std::make_unique<WinRegistry>(); }

}  // namespace vel::win32
