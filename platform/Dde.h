#pragma once
// Conversations with a DDE server (Program Manager answers the service "progman"):
// commands issued without waiting for what the server makes of them, and items
// requested with a time limit. Texts are 8-bit (code page 1251) at this seam.

#include <cstdint>
#include <optional>
#include <string>

namespace vel {

using DdeConversation = std::uintptr_t;  // 0 is none

class Dde {
public:
    Dde() = default;
    Dde(const Dde&) = delete;
    Dde& operator=(const Dde&) = delete;
    virtual ~Dde() = default;

    // 0 when no server answers for that service and topic.
    virtual DdeConversation Connect(const std::string& service, const std::string& topic) = 0;
    // Sends the command (its text and a terminating NUL) and returns at once; true
    // once it is on its way. The server's outcome is never awaited.
    virtual bool Execute(DdeConversation conversation, const std::string& command) = 0;
    // The server's text for an item; nullopt when none comes within the timeout.
    virtual std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                               std::uint32_t timeoutMs) = 0;
    virtual void Disconnect(DdeConversation conversation) = 0;
};

}  // namespace vel
