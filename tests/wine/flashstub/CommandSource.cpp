#include "CommandSource.h"

#include <windows.h>

#include "StubSupport.h"

namespace flashstub {

void CommandFileSource::Poll(bool, std::vector<Command>& due) {
    // Shared with the writer: the test keeps appending while the control reads.
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    std::string data;
    if (GetFileSizeEx(file, &size)) {
        unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
        if (total < m_offset) m_offset = 0;
        unsigned long long pending = total - m_offset;
        if (pending > 1u << 20) pending = 1u << 20;
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(m_offset);
        data.resize(static_cast<std::size_t>(pending));
        DWORD read = 0;
        if (pending == 0 || !SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
            !ReadFile(file, data.data(), static_cast<DWORD>(pending), &read, nullptr))
            read = 0;
        data.resize(read);
    }
    CloseHandle(file);

    std::size_t end = data.rfind('\n');
    if (end == std::string::npos) return;
    m_offset += end + 1;
    std::size_t start = 0;
    while (start <= end) {
        std::size_t stop = data.find('\n', start);
        std::string line = data.substr(start, stop - start);
        start = stop + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            due.push_back({FromUtf8(line), {}, {}});
        else
            due.push_back({FromUtf8(line.substr(0, tab)), FromUtf8(line.substr(tab + 1)), {}});
    }
}

std::vector<std::unique_ptr<CommandSource>> CreateCommandSources() {
    std::vector<std::unique_ptr<CommandSource>> sources;
    std::wstring path = EnvVar(L"VELVINOR_STUB_COMMANDS");
    if (!path.empty()) sources.push_back(std::make_unique<CommandFileSource>(path));
    // Always on, as in a real player; the tests' placeholder movies are unreadable and play nothing.
    sources.push_back(std::make_unique<MovieFileSource>(EnvVar(L"VELVINOR_STUB_GATE")));
    return sources;
}

}  // namespace flashstub
