#pragma once
// TDdeClientConv: the main window's DDE client conversation with Program Manager,
// in the automatic connect mode: it connects by itself, on its first use. Only an
// installation or an uninstallation talks to Program Manager; a game's start does
// not wait for the broadcast, nor start Program Manager where none answers.

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/Dde.h"
#include "platform/Shell.h"

namespace vel {

class TDdeClientConv {
public:
    TDdeClientConv(Dde& dde, Shell& shell);
    TDdeClientConv(const TDdeClientConv&) = delete;
    TDdeClientConv& operator=(const TDdeClientConv&) = delete;
    ~TDdeClientConv();

    // Closes any link, takes the service and topic and opens the link; when that
    // fails the names are forgotten, so that every later opening fails too.
    bool SetLink(const std::string& service, const std::string& topic);
    // Nothing when a conversation is open. When no server answers, the program named
    // by the service and the topic is started minimised and the connection tried again.
    bool OpenLink();
    // Issues the command asynchronously; false when no conversation is open.
    bool ExecuteMacro(const std::string& command);
    // The server's answer for an item; nothing without a conversation or an answer.
    std::optional<std::string> RequestData(const std::string& item);
    // Disconnects and forgets the service and topic.
    void CloseLink();
    // The automatic connection: SetLink with these names before the first opening,
    // execution or request.
    void ConnectOnFirstUse(const std::string& service, const std::string& topic);

private:
    void ConnectIfPending();

    Dde& m_dde;
    Shell& m_shell;
    std::string m_service, m_topic;
    DdeConversation m_conversation = 0;
    std::optional<std::pair<std::string, std::string>> m_pending;
};

// Created with the main window: "progman" with an empty topic, connected when first used.
std::unique_ptr<TDdeClientConv> CreateDdeClientConv(Dde& dde, Shell& shell);

}  // namespace vel
