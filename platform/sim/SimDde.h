#pragma once
// The simulated Program Manager behind DDE.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Dde.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

// Program Manager behind "progman": groups with items, answering any topic.
class SimDde final : public Dde {
public:
    explicit SimDde(Trace& trace) : m_trace(trace) {}
    DdeConversation Connect(const std::string& service, const std::string& topic) override;
    bool Execute(DdeConversation conversation, const std::string& command) override;
    std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                       std::uint32_t timeoutMs) override;
    void Disconnect(DdeConversation conversation) override;

    struct Item {
        std::string caption, command;
    };
    bool serverRunning = true;
    // Starting "progman " in the background starts the server when this is set.
    bool startsWhenStarted = false;
    std::map<std::string, std::vector<Item>> groups;  // group name -> items
    std::vector<std::string> Dump();

private:
    void Apply(const std::string& request);
    Trace& m_trace;
    std::set<DdeConversation> m_open;
    std::string m_currentGroup;
    DdeConversation m_next = 1;
};

}  // namespace vel::sim
