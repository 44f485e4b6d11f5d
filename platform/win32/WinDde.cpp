// A client of the DDE management library (DDEML).
//
// This is an ANSI conversation on purpose, and the one place of the backend where
// the program's 8-bit text goes out as it is: DDE commands carry no code page, and
// the library converts a Unicode command for a Unicode server only when every
// character is below 256 (a Cyrillic caption arrives cut after its "["), while an
// ANSI command reaches an ANSI server byte for byte and a Unicode one through the
// system's ANSI code page. So the bytes are the program's code page 1251 text: a
// Program Manager reading 1251 (the test one, or the shell on a Russian system)
// gets "Вельвинор" exactly.

#include "platform/win32/Win32.h"
#include <ddeml.h>

#include <map>

#include "platform/win32/Services.h"

namespace vel::win32 {
namespace {

// A string handle of one instance, freed with it.
class DdeString {
public:
    DdeString(DWORD instance, const std::string& text) : m_instance(instance) {
        // An empty text gives no handle (0): for a topic that asks any server's topic.
        if (!text.empty()) m_hsz = DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI);
    }
    DdeString(const DdeString&) = delete;
    DdeString& operator=(const DdeString&) = delete;
    ~DdeString() {
        if (m_hsz) DdeFreeStringHandle(m_instance, m_hsz);
    }
    HSZ Get() const { return m_hsz; }

private:
    DWORD m_instance;
    HSZ m_hsz = nullptr;
};

// A data handle the client received; the client must free it.
class DdeData {
public:
    explicit DdeData(HDDEDATA data) : m_data(data) {}
    DdeData(const DdeData&) = delete;
    DdeData& operator=(const DdeData&) = delete;
    ~DdeData() {
        if (m_data) DdeFreeDataHandle(m_data);
    }
    HDDEDATA Get() const { return m_data; }

private:
    HDDEDATA m_data;
};

// A client-only instance has nothing to answer; the completion of an asynchronous
// execute arrives here and is not needed.
HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

class WinDde final : public Dde {
public:
    WinDde() = default;
    ~WinDde() override {
        for (const auto& open : m_open) DdeDisconnect(open.first);
        if (m_instance) DdeUninitialize(m_instance);
    }

    DdeConversation Connect(const std::string& service, const std::string& topic) override {
        // The library starts with the first conversation: a game's start has none.
        // Without it no server can answer, and the caller says what that means.
        if (!m_instance && DdeInitializeA(&m_instance, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
            m_instance = 0;
            return 0;
        }
        DdeString s(m_instance, service), t(m_instance, topic);
        HCONV conversation = DdeConnect(m_instance, s.Get(), t.Get(), nullptr);
        if (!conversation) return 0;
        m_open[conversation] = {service, topic, false};
        return reinterpret_cast<DdeConversation>(conversation);
    }

    bool Execute(DdeConversation conversation, const std::string& command) override {
        HCONV c = Find(conversation);
        if (!c) return false;
        std::string text = command;  // code page 1251, sent with its terminating NUL
        DWORD transaction = 0;
        HDDEDATA issued = DdeClientTransaction(reinterpret_cast<LPBYTE>(text.data()), static_cast<DWORD>(text.size() + 1),
                                               c, nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction);
        if (issued) m_open[c].executed = true;
        return issued != nullptr;
    }

    std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                       std::uint32_t timeoutMs) override {
        HCONV c = Find(conversation);
        if (!c) return std::nullopt;
        // Some DDE libraries (Wine's) keep an answered asynchronous execute at the head
        // of its conversation's queue, and then take any later answer on that
        // conversation for the execute's: after an execute, ask on a conversation of
        // its own. The server handles it after the executes sent before it.
        if (m_open[c].executed) {
            DdeString s(m_instance, m_open[c].service), t(m_instance, m_open[c].topic);
            HCONV fresh = DdeConnect(m_instance, s.Get(), t.Get(), nullptr);
            if (!fresh) return std::nullopt;
            auto answer = RequestOn(fresh, item, timeoutMs);
            DdeDisconnect(fresh);
            return answer;
        }
        return RequestOn(c, item, timeoutMs);
    }

    void Disconnect(DdeConversation conversation) override {
        if (HCONV c = Find(conversation)) {
            DdeDisconnect(c);
            m_open.erase(c);
        }
    }

private:
    std::optional<std::string> RequestOn(HCONV c, const std::string& item, std::uint32_t timeoutMs) {
        DdeString i(m_instance, item);
        DdeData answer(DdeClientTransaction(nullptr, 0, c, i.Get(), CF_TEXT, XTYP_REQUEST, timeoutMs, nullptr));
        if (!answer.Get()) return std::nullopt;
        DWORD size = DdeGetData(answer.Get(), nullptr, 0, 0);
        std::string bytes(size, '\0');
        if (size) DdeGetData(answer.Get(), reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
        // CF_TEXT: 8-bit text ended by a NUL, taken as the program's own code page.
        std::size_t end = bytes.find('\0');
        if (end != std::string::npos) bytes.resize(end);
        return bytes;
    }

    HCONV Find(DdeConversation conversation) const {
        HCONV c = reinterpret_cast<HCONV>(conversation);
        return m_open.count(c) ? c : nullptr;
    }

    struct Conversation {
        std::string service, topic;
        bool executed;  // an asynchronous execute went out on it
    };
    DWORD m_instance = 0;
    std::map<HCONV, Conversation> m_open;  // disconnected with the instance, if the program did not
};

}  // namespace

std::unique_ptr<Dde> CreateWinDde() { return std::make_unique<WinDde>(); }

}  // namespace vel::win32
