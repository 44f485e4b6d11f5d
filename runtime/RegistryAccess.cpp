#include "runtime/RegistryAccess.h"

#include "runtime/Errors.h"

namespace vel {

bool RegistryAccess::OpenKey(const std::string& path, bool canCreate) {
    bool ok = canCreate ? m_registry.CreateKey(path) : m_registry.KeyExists(path);
    if (ok) m_current = path;
    else m_current.reset();
    return ok;
}

std::string RegistryAccess::ReadString(const std::string& name) {
    if (!m_current) return {};
    auto type = m_registry.ValueType(*m_current, name);
    if (!type) return {};
    if (*type != RegValueType::String && *type != RegValueType::ExpandString)
        throw Error("Invalid data type for '" + name + "'");
    return m_registry.ReadString(*m_current, name).value_or(std::string());
}

void RegistryAccess::WriteString(const std::string& name, const std::string& value) {
    if (!m_current || !m_registry.WriteString(*m_current, name, value))
        throw Error("Failed to set data for '" + name + "'");
}

bool RegistryAccess::DeleteValue(const std::string& name) {
    return m_current && m_registry.DeleteValue(*m_current, name);
}

std::vector<std::string> RegistryAccess::GetValueNames() {
    return m_current ? m_registry.ValueNames(*m_current) : std::vector<std::string>{};
}

bool RegistryAccess::HasSubKeys() { return m_current && m_registry.HasSubKeys(*m_current); }

}  // namespace vel
