// A client of the DDE management library (DDEML).

#include "platform/win32/Win32.h"
#include <ddeml.h>

#include <set>

#include "platform/win32/Services.h"
#include "platform/win32/WinText.h"
#include "runtime/Errors.h"

namespace vel::win32 {
namespace {

// A string handle of one instance, freed with it.
class DdeString {
public:
    DdeString(DWORD instance, const std::string& text) : m_instance(instance) {
        // An empty text gives no handle (0): for a topic that asks any server's topic.
        if (!text.empty()) m_hsz = DdeCreateStringHandleW(instance, Wide(text).c_str(), CP_WINUNICODE);
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
    WinDde() {
        if (DdeInitializeW(&m_instance, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
            throw Error("DDE initialisation failed");
    }
    ~WinDde() override {
        for (HCONV conversation : m_open) DdeDisconnect(conversation);
        DdeUninitialize(m_instance);
    }

    DdeConversation Connect(const std::string& service, const std::string& topic) override {
        DdeString s(m_instance, service), t(m_instance, topic);
        HCONV conversation = DdeConnect(m_instance, s.Get(), t.Get(), nullptr);
        if (!conversation) return 0;
        m_open.insert(conversation);
        return reinterpret_cast<DdeConversation>(conversation);
    }

    // The instance is a Unicode one, so the command goes as UTF-16: the system hands
    // it on as it is to a Unicode server and converts it for an ANSI one. The
    // program's Cyrillic thus reaches a Unicode server intact on any system.
    bool Execute(DdeConversation conversation, const std::string& command) override {
        HCONV c = Find(conversation);
        if (!c) return false;
        std::wstring text = Wide(command);
        DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));  // with its NUL
        DWORD transaction = 0;
        HDDEDATA issued = DdeClientTransaction(reinterpret_cast<LPBYTE>(text.data()), bytes, c, nullptr, CF_TEXT,
                                               XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction);
        return issued != nullptr;
    }

    std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                       std::uint32_t timeoutMs) override {
        HCONV c = Find(conversation);
        if (!c) return std::nullopt;
        DdeString i(m_instance, item);
        DdeData answer(DdeClientTransaction(nullptr, 0, c, i.Get(), CF_TEXT, XTYP_REQUEST, timeoutMs, nullptr));
        if (!answer.Get()) return std::nullopt;
        DWORD size = DdeGetData(answer.Get(), nullptr, 0, 0);
        std::string bytes(size, '\0');
        if (size) DdeGetData(answer.Get(), reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
        // CF_TEXT in the server's ANSI code page: the program's own text, ended by a NUL.
        std::size_t end = bytes.find('\0');
        if (end != std::string::npos) bytes.resize(end);
        return bytes;
    }

    void Disconnect(DdeConversation conversation) override {
        if (HCONV c = Find(conversation)) {
            DdeDisconnect(c);
            m_open.erase(c);
        }
    }

private:
    HCONV Find(DdeConversation conversation) const {
        HCONV c = reinterpret_cast<HCONV>(conversation);
        return m_open.count(c) ? c : nullptr;
    }

    DWORD m_instance = 0;
    std::set<HCONV> m_open;  // disconnected with the instance, if the program did not
};

}  // namespace

std::unique_ptr<Dde> CreateWinDde() { return std::make_unique<WinDde>(); }

}  // namespace vel::win32
