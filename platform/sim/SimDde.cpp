#include "platform/sim/SimDde.h"

#include <algorithm>

#include "runtime/ProgmanCommands.h"
#include "runtime/Text.h"

namespace vel::sim {

DdeConversation SimDde::Connect(const std::string& service, const std::string& topic) {
    bool ok = serverRunning && AsciiLower(service) == "progman";
    m_trace.Add("dde connect " + Quote(service) + " " + Quote(topic) + (ok ? " -> connected" : " -> no server"));
    if (!ok) return 0;
    DdeConversation c = m_next++;
    m_open.insert(c);
    return c;
}

bool SimDde::Execute(DdeConversation conversation, const std::string& command) {
    if (!m_open.count(conversation)) return false;
    m_trace.Add("dde execute " + Quote(command));
    Apply(command);
    return true;
}

void SimDde::Apply(const std::string& request) {
    for (const ProgmanCommand& c : ParseProgmanCommands(request)) {
        const std::string name = AsciiLower(c.name);
        const std::string first = c.args.empty() ? std::string() : c.args[0];
        if (name == "creategroup") {
            m_currentGroup = first;
            groups[first];
        } else if (name == "additem") {
            const std::string caption = c.args.size() > 1 ? c.args[1] : std::string();
            if (!m_currentGroup.empty()) groups[m_currentGroup].push_back({caption, first});
        } else if (name == "deleteitem") {
            if (groups.count(m_currentGroup)) {
                auto& items = groups[m_currentGroup];
                auto it = std::find_if(items.begin(), items.end(), [&](const Item& i) { return i.caption == first; });
                if (it != items.end()) items.erase(it);
            }
        } else if (name == "deletegroup") {
            groups.erase(first);
            if (m_currentGroup == first) m_currentGroup.clear();
        } else if (name == "showgroup") {
            if (groups.count(first)) m_currentGroup = first;
        }
    }
}

std::optional<std::string> SimDde::Request(DdeConversation conversation, const std::string& item, std::uint32_t) {
    if (!m_open.count(conversation)) return std::nullopt;
    auto it = groups.find(item);
    std::string answer;
    if (it != groups.end()) {
        // The group's own line, then one line per item.
        answer = "\"" + item + "\",\"\"," + std::to_string(it->second.size()) + "\r\n";
        for (const auto& i : it->second) answer += "\"" + i.caption + "\",\"" + i.command + "\"\r\n";
        // A request for a group makes it the one later item commands address.
        m_currentGroup = item;
    }
    m_trace.Add("dde request " + Quote(item) + " -> " + std::to_string(it == groups.end() ? 0 : it->second.size() + 1) +
                " lines");
    return answer;
}

void SimDde::Disconnect(DdeConversation conversation) {
    if (m_open.erase(conversation)) m_trace.Add("dde disconnect");
}

std::vector<std::string> SimDde::Dump() {
    std::vector<std::string> out;
    for (const auto& [name, items] : groups) {
        out.push_back("  group " + Quote(name));
        for (const auto& i : items) out.push_back("    item " + Quote(i.caption) + " " + Quote(i.command));
    }
    if (out.empty()) out.push_back("  (no groups)");
    return out;
}

}  // namespace vel::sim
