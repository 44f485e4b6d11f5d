#include "platform/sim/SimRegistry.h"

#include <algorithm>

#include "runtime/Text.h"

namespace vel::sim {

std::string SimRegistry::Display(const std::string& path) {
    std::string p = path;
    while (!p.empty() && p.front() == '\\') p.erase(p.begin());
    while (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

std::string SimRegistry::Key(const std::string& path) { return AsciiUpper(Display(path)); }

bool SimRegistry::Under(const std::string& key, const std::set<std::string>& roots) {
    for (const auto& f : roots)
        if (key == f || key.rfind(f + "\\", 0) == 0) return true;
    return false;
}

bool SimRegistry::Refused(const std::string& key) const { return Under(key, m_failing) || Under(key, m_denyOpen); }

SimRegistry::KeyData* SimRegistry::Find(const std::string& path) {
    if (Under(Key(path), m_denyOpen)) return nullptr;
    auto it = m_keys.find(Key(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

void SimRegistry::Ensure(const std::string& path) {
    std::string display = Display(path);
    std::size_t pos = 0;
    while (true) {
        pos = display.find('\\', pos);
        std::string part = display.substr(0, pos);
        if (!part.empty() && !m_keys.count(AsciiUpper(part))) m_keys[AsciiUpper(part)] = KeyData{part, {}};
        if (pos == std::string::npos) break;
        ++pos;
    }
}

bool SimRegistry::KeyExists(const std::string& path) { return Display(path).empty() || Find(path) != nullptr; }

bool SimRegistry::CreateKey(const std::string& path) {
    if (Find(path)) return true;
    if (m_keys.count(Key(path))) {
        m_trace.Add("reg create-key " + Quote("HKLM\\" + Display(path)) + " -> refused");
        return false;
    }
    if (Refused(Key(path))) return false;
    Ensure(path);
    m_trace.Add("reg create-key " + Quote("HKLM\\" + Display(path)));
    return true;
}

bool SimRegistry::HasSubKeys(const std::string& path) {
    std::string prefix = Key(path) + "\\";
    if (!Find(path)) return false;
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const auto& kv) { return kv.first.rfind(prefix, 0) == 0; });
}

std::vector<std::string> SimRegistry::ValueNames(const std::string& path) {
    std::vector<std::string> names;
    if (auto* key = Find(path))
        for (const auto& v : key->values) names.push_back(v.name);
    return names;
}

std::optional<RegValueType> SimRegistry::ValueType(const std::string& path, const std::string& name) {
    if (auto* key = Find(path))
        for (const auto& v : key->values)
            if (SameTextAscii(v.name, name)) return v.type;
    return std::nullopt;
}

std::optional<std::string> SimRegistry::ReadString(const std::string& path, const std::string& name) {
    if (auto* key = Find(path))
        for (const auto& v : key->values)
            if (SameTextAscii(v.name, name))
                return v.type == RegValueType::String || v.type == RegValueType::ExpandString
                           ? std::optional<std::string>(v.data)
                           : std::nullopt;
    return std::nullopt;
}

bool SimRegistry::WriteString(const std::string& path, const std::string& name, const std::string& data) {
    auto* key = Find(path);
    if (!key || Refused(Key(path))) {
        m_trace.Add("reg write-refused " + Quote("HKLM\\" + Display(path)) + " " + Quote(name));
        return false;
    }
    m_trace.Add("reg write " + Quote("HKLM\\" + key->path) + " " + Quote(name) + " = " + Quote(data));
    for (auto& v : key->values)
        if (SameTextAscii(v.name, name)) {
            v.type = RegValueType::String;
            v.data = data;
            return true;
        }
    key->values.push_back({name, RegValueType::String, data});
    return true;
}

bool SimRegistry::DeleteValue(const std::string& path, const std::string& name) {
    auto* key = Find(path);
    if (!key) return false;
    auto it = std::find_if(key->values.begin(), key->values.end(),
                           [&](const Value& v) { return SameTextAscii(v.name, name); });
    if (it == key->values.end()) return false;
    m_trace.Add("reg delete-value " + Quote("HKLM\\" + key->path) + " " + Quote(name));
    key->values.erase(it);
    return true;
}

bool SimRegistry::DeleteKey(const std::string& path) {
    std::string k = Key(path);
    if (k.empty() || !m_keys.count(k)) return false;
    std::string prefix = k + "\\";
    bool refused = Under(k, m_denyOpen);
    for (const auto& d : m_denyDelete)
        if (d == k || d.rfind(prefix, 0) == 0) refused = true;
    if (refused) {
        m_trace.Add("reg delete-key " + Quote("HKLM\\" + m_keys[k].path) + " -> refused");
        return false;
    }
    m_trace.Add("reg delete-key " + Quote("HKLM\\" + m_keys[k].path));
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it->first == k || it->first.rfind(prefix, 0) == 0) it = m_keys.erase(it);
        else ++it;
    }
    return true;
}

void SimRegistry::Set(const std::string& path, const std::string& name, const std::string& data, RegValueType type) {
    Ensure(path);
    // The machine's own state: a key the program may not open still holds values.
    auto* key = &m_keys.at(Key(path));
    for (auto& v : key->values)
        if (SameTextAscii(v.name, name)) {
            v.type = type;
            v.data = data;
            return;
        }
    key->values.push_back({name, type, data});
}

void SimRegistry::Remove(const std::string& path, const std::string* name) {
    std::string k = Key(path);
    if (!name) {
        for (auto it = m_keys.begin(); it != m_keys.end();) {
            if (it->first == k || it->first.rfind(k + "\\", 0) == 0) it = m_keys.erase(it);
            else ++it;
        }
        return;
    }
    auto it = m_keys.find(k);
    if (it == m_keys.end()) return;
    auto& values = it->second.values;
    values.erase(std::remove_if(values.begin(), values.end(), [&](const Value& v) { return SameTextAscii(v.name, *name); }),
                 values.end());
}

std::vector<std::string> SimRegistry::Dump(const std::string& path) {
    std::vector<std::string> out;
    std::string k = Key(path);
    std::string prefix = k + "\\";
    for (const auto& [upper, key] : m_keys) {
        if (!k.empty() && upper != k && upper.rfind(prefix, 0) != 0) continue;
        out.push_back("  " + Quote("HKLM\\" + key.path));
        for (const auto& v : key.values) {
            std::string type = v.type == RegValueType::String         ? ""
                               : v.type == RegValueType::DWord      ? " (dword)"
                               : v.type == RegValueType::ExpandString ? " (expand)"
                                                                      : " (other)";
            out.push_back("    " + Quote(v.name) + " = " + Quote(v.data) + type);
        }
    }
    if (out.empty()) out.push_back("  (no key " + Quote("HKLM\\" + Display(path)) + ")");
    return out;
}

}  // namespace vel::sim
