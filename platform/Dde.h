#pragma once
// DDE client conversations (the DDE management library, CF_TEXT, code page 1251).

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
    // XTYP_EXECUTE with TIMEOUT_ASYNC, the text sent with its terminating NUL; true once issued.
    virtual bool Execute(DdeConversation conversation, const std::string& command) = 0;
    // XTYP_REQUEST for an item; nullopt when there is no answer within the timeout.
    virtual std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                               std::uint32_t timeoutMs) = 0;
    virtual void Disconnect(DdeConversation conversation) = 0;
};

}  // namespace vel
