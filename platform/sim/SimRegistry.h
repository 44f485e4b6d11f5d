#pragma once
// An in-memory HKEY_LOCAL_MACHINE. Key names compare without regard to letter case;
// values enumerate in the order they were first written.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimRegistry final : public Registry {
public:
    explicit SimRegistry(Trace& trace) : m_trace(trace) {}

    bool KeyExists(const std::string& path) override;
    bool CreateKey(const std::string& path) override;
    bool HasSubKeys(const std::string& path) override;
    std::vector<std::string> ValueNames(const std::string& path) override;
    std::optional<RegValueType> ValueType(const std::string& path, const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& path, const std::string& name) override;
    bool WriteString(const std::string& path, const std::string& name, const std::string& data) override;
    bool DeleteValue(const std::string& path, const std::string& name) override;
    bool DeleteKey(const std::string& path) override;

    // Scenario set-up (not traced).
    void Set(const std::string& path, const std::string& name, const std::string& data,
             RegValueType type = RegValueType::String);
    // Writes under this key (and its subkeys) are refused, and so is creating it.
    void FailWrites(const std::string& path) { m_failing.insert(Key(path)); }
    // Another program removes a value, or the whole key when `name` is absent.
    void Remove(const std::string& path, const std::string* name);
    // The key (and what is under it) cannot be opened: it reads as missing, and
    // neither writes nor deletions reach it.
    void DenyOpen(const std::string& path) { m_denyOpen.insert(Key(path)); }
    // Deleting the key, or a key above it, fails and deletes nothing (the real
    // recursive delete would remove what it can first).
    void DenyDelete(const std::string& path) { m_denyDelete.insert(Key(path)); }
    // The rights come back: deleting the key works again.
    void AllowDelete(const std::string& path) { m_denyDelete.erase(Key(path)); }
    // Lines "HKLM\path" and "  name = "data"" for the key and its subkeys.
    std::vector<std::string> Dump(const std::string& path);

private:
    struct Value {
        std::string name;
        RegValueType type;
        std::string data;
    };
    struct KeyData {
        std::string path;  // as first created, without leading backslash
        std::vector<Value> values;
    };
    static std::string Key(const std::string& path);
    static std::string Display(const std::string& path);
    bool Refused(const std::string& key) const;
    static bool Under(const std::string& key, const std::set<std::string>& roots);
    KeyData* Find(const std::string& path);
    void Ensure(const std::string& path);

    Trace& m_trace;
    std::map<std::string, KeyData> m_keys;  // upper-cased path -> key
    std::set<std::string> m_failing;
    std::set<std::string> m_denyOpen;
    std::set<std::string> m_denyDelete;
};

}  // namespace vel::sim
