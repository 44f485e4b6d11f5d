#pragma once
// The registry under HKEY_LOCAL_MACHINE. Key paths are taken from the root with or
// without a leading backslash. Texts are 8-bit (code page 1251). This service only
// stores and reports; raising the program's errors is up to RegistryAccess.

#include <optional>
#include <string>
#include <vector>

namespace vel {

enum class RegValueType { String, ExpandString, Binary, DWord, MultiString, Other };

class Registry {
public:
    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    virtual ~Registry() = default;

    virtual bool KeyExists(const std::string& path) = 0;
    // Creates the key and its missing parents; true when it exists afterwards.
    virtual bool CreateKey(const std::string& path) = 0;
    // False for a missing key.
    virtual bool HasSubKeys(const std::string& path) = 0;
    // Value names in the order the registry enumerates them ("" is the default value).
    virtual std::vector<std::string> ValueNames(const std::string& path) = 0;
    // nullopt when the key or the value does not exist.
    virtual std::optional<RegValueType> ValueType(const std::string& path, const std::string& name) = 0;
    // The data of a string value; nullopt when missing or not a string.
    virtual std::optional<std::string> ReadString(const std::string& path, const std::string& name) = 0;
    // Writes a REG_SZ value, replacing one of any type; false when the key is missing or refused.
    virtual bool WriteString(const std::string& path, const std::string& name, const std::string& data) = 0;
    // False when nothing was deleted.
    virtual bool DeleteValue(const std::string& path, const std::string& name) = 0;
    // Deletes the key with all its subkeys and values; false when nothing was deleted.
    virtual bool DeleteKey(const std::string& path) = 0;
};

}  // namespace vel
