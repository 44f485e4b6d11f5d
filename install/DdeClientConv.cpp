#include "install/DdeClientConv.h"

namespace vel {

namespace {
constexpr std::uint32_t kRequestTimeoutMs = 10000;
}  // namespace

TDdeClientConv::TDdeClientConv(Dde& dde, Shell& shell) : m_dde(dde), m_shell(shell) {}

TDdeClientConv::~TDdeClientConv() { CloseLink(); }

bool TDdeClientConv::SetLink(const std::string& service, const std::string& topic) {
    CloseLink();
    m_service = service;
    m_topic = topic;
    if (OpenLink()) return true;
    m_service.clear();
    m_topic.clear();
    return false;
}

void TDdeClientConv::ConnectOnFirstUse(const std::string& service, const std::string& topic) {
    m_pending.emplace(service, topic);
}

void TDdeClientConv::ConnectIfPending() {
    if (!m_pending) return;
    auto [service, topic] = std::move(*m_pending);
    m_pending.reset();
    SetLink(service, topic);
}

bool TDdeClientConv::OpenLink() {
    ConnectIfPending();
    if (m_conversation != 0) return true;
    if (m_service.empty() && m_topic.empty()) return false;
    m_conversation = m_dde.Connect(m_service, m_topic);
    if (m_conversation == 0 && m_shell.StartInBackground(m_service + " " + m_topic))
        m_conversation = m_dde.Connect(m_service, m_topic);
    return m_conversation != 0;
}

bool TDdeClientConv::ExecuteMacro(const std::string& command) {
    ConnectIfPending();
    if (m_conversation == 0) return false;
    return m_dde.Execute(m_conversation, command);
}

std::optional<std::string> TDdeClientConv::RequestData(const std::string& item) {
    ConnectIfPending();
    if (m_conversation == 0) return std::nullopt;
    return m_dde.Request(m_conversation, item, kRequestTimeoutMs);
}

void TDdeClientConv::CloseLink() {
    m_pending.reset();  // closing a link never made needs no connection first
    if (m_conversation != 0) m_dde.Disconnect(m_conversation);
    m_conversation = 0;
    m_service.clear();
    m_topic.clear();
}

std::unique_ptr<TDdeClientConv> CreateDdeClientConv(Dde& dde, Shell& shell) {
    auto conv = std::make_unique<TDdeClientConv>(dde, shell);
    conv->ConnectOnFirstUse("progman", "");
    return conv;
}

}  // namespace vel
