#pragma once
// The program's registry access object (root HKEY_LOCAL_MACHINE): one open key at a
// time, missing values reading as "", and the program's errors on bad data or a
// refused write.

#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace vel {

class RegistryAccess {
public:
    explicit RegistryAccess(Registry& registry) : m_registry(registry) {}

    bool KeyExists(const std::string& path) { return m_registry.KeyExists(path); }
    // Opens a key, creating it (with its parents) when canCreate; false when that fails.
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey() { m_current.reset(); }

    // "" for a missing value or no open key; raises "Invalid data type for '<name>'"
    // for a value that is not a string.
    std::string ReadString(const std::string& name);
    // Raises "Failed to set data for '<name>'" when no key is open or the write is refused.
    void WriteString(const std::string& name, const std::string& value);
    bool DeleteValue(const std::string& name);
    std::vector<std::string> GetValueNames();
    bool HasSubKeys();
    bool DeleteKey(const std::string& path) { return m_registry.DeleteKey(path); }

private:
    Registry& m_registry;
    std::optional<std::string> m_current;
};

// Closes the registry access object's key however the block is left.
struct CloseKeyOnExit {
    RegistryAccess& registry;
    ~CloseKeyOnExit() { registry.CloseKey(); }
};

}  // namespace vel
