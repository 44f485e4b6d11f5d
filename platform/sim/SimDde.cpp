#include "platform/sim/SimDde.h"

#include <algorithm>

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

namespace {
// "[Name(args)]" -> Name and the text between the parentheses.
bool ParseCommand(const std::string& text, std::string& name, std::string& args) {
    std::size_t open = text.find('['), paren = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || paren == std::string::npos || close == std::string::npos || close < paren) return false;
    name = text.substr(open + 1, paren - open - 1);
    args = text.substr(paren + 1, close - paren - 1);
    return true;
}
}  // namespace

void SimDde::Apply(const std::string& command) {
    std::string name, args;
    if (!ParseCommand(command, name, args)) return;
    name = AsciiLower(name);
    if (name == "creategroup") {
        m_currentGroup = args;
        groups[args];
    } else if (name == "additem") {
        std::string cmd = args, caption;
        if (!cmd.empty() && cmd.front() == '"') {
            std::size_t endq = cmd.find('"', 1);
            std::string rest = endq == std::string::npos ? "" : cmd.substr(endq + 1);
            cmd = cmd.substr(1, endq == std::string::npos ? std::string::npos : endq - 1);
            caption = rest.size() > 1 && rest[0] == ',' ? rest.substr(1) : "";
        } else {
            std::size_t comma = cmd.find(',');
            caption = comma == std::string::npos ? "" : cmd.substr(comma + 1);
            cmd = cmd.substr(0, comma);
        }
        if (!m_currentGroup.empty()) groups[m_currentGroup].push_back({caption, cmd});
    } else if (name == "deleteitem") {
        if (groups.count(m_currentGroup)) {
            auto& items = groups[m_currentGroup];
            auto it = std::find_if(items.begin(), items.end(), [&](const Item& i) { return i.caption == args; });
            if (it != items.end()) items.erase(it);
        }
    } else if (name == "deletegroup") {
        groups.erase(args);
        if (m_currentGroup == args) m_currentGroup.clear();
    } else if (name == "showgroup") {
        if (groups.count(args)) m_currentGroup = args;
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
