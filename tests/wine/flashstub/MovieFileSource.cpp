#include <windows.h>

#include <cmath>
#include <cstdio>
#include <exception>

#include "CommandSource.h"
#include "StubSupport.h"
#include "tools/swf/Swf.h"

namespace flashstub {

namespace {

// Far above any movie a test or the demo disc holds; a bigger file is not read whole.
constexpr unsigned long long kMaxMovieBytes = 64ull << 20;

long long Ticks() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double TicksPerSecond() {
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? static_cast<double>(f.QuadPart) : 1.0;
    }();
    return frequency;
}

// The system's text for an error code, without its trailing full stop and line end.
std::string SystemText(DWORD code) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", n);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                                message.back() == L'.'))
        message.pop_back();
    if (message.empty()) message = L"error " + std::to_wstring(code);
    return Utf8(message);
}

bool ReadWhole(const std::wstring& path, std::string& bytes, std::string& reason) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = "cannot open: " + SystemText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (!ok) {
        reason = "cannot read: " + SystemText(GetLastError());
    } else if (static_cast<unsigned long long>(size.QuadPart) > kMaxMovieBytes) {
        reason = "larger than 64 MB";
        ok = false;
    } else {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) != 0;
        if (!ok) reason = "cannot read: " + SystemText(GetLastError());
        bytes.resize(read);
    }
    CloseHandle(file);
    return ok;
}

std::string RateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", rate);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::wstring InFolder(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + name;
}

}  // namespace

MovieFileSource::MovieFileSource(std::wstring gateFolder) : m_gate(std::move(gateFolder)) {}

MovieFileSource::~MovieFileSource() { Stop(); }

void MovieFileSource::Stop() {
    // A held frame goes with its movie: no "waiting" is left for a step that never comes.
    if (m_holding) DeleteFileW(InFolder(m_gate, L"waiting").c_str());
    m_loaded = false;
    m_problem.clear();
    m_commands.clear();
    m_frame = 0;
    m_holding = m_ended = m_running = false;
    m_base = 0;
}

void MovieFileSource::MovieLoaded(const std::wstring& path) {
    Stop();
    if (path.empty()) return;
    std::string bytes, reason;
    vel::swf::Movie movie;
    if (ReadWhole(path, bytes, reason)) {
        try {
            movie = vel::swf::ReadSwf(bytes);
        } catch (const std::exception& e) {
            reason = e.what();
        }
    }
    if (!reason.empty()) {
        m_problem = FromUtf8(reason);
        Log("movie unreadable " + Quote(path) + ": " + reason);
        return;
    }
    for (const auto& c : movie.commands)
        m_commands[c.frame].push_back({FromUtf8(c.command), FromUtf8(c.args), {}});
    m_rate = movie.frameRate;
    m_frameCount = movie.frameCount;
    m_loaded = true;
    Log("movie " + Quote(path) + ": " + std::to_string(m_frameCount) + " frames at " + RateText(m_rate) + " fps, " +
        std::to_string(movie.commands.size()) + " commands");
}

double MovieFileSource::Elapsed() const {
    return m_base + (m_running ? static_cast<double>(Ticks() - m_runStart) / TicksPerSecond() : 0.0);
}

void MovieFileSource::Pause() {
    if (!m_running) return;
    m_base = Elapsed();
    m_running = false;
}

void MovieFileSource::Poll(bool playing, std::vector<Command>& due) {
    if (!m_loaded || m_ended) return;
    if (!playing) {
        Pause();
        return;
    }
    if (m_holding) {
        if (!GoGiven()) return;
        m_holding = false;
        Raise(m_frame, due);
        Reached(m_frame);
        return;  // time goes on from the held frame at the next poll
    }
    if (!m_running) {
        m_runStart = Ticks();
        m_running = true;
    }
    unsigned target = m_frame + 1;  // a rate of 0: one frame per poll
    if (m_rate > 0) {
        // Frame N is due at (N-1)/rate seconds, always measured from the start: no drift.
        double reached = std::floor(Elapsed() * m_rate) + 1;
        target = reached >= m_frameCount ? m_frameCount : static_cast<unsigned>(reached);
    }
    if (target <= m_frame) return;
    // Frames passed between two polls still raise their commands, in order.
    for (auto it = m_commands.upper_bound(m_frame); it != m_commands.end() && it->first <= target;
         it = m_commands.upper_bound(m_frame)) {
        m_frame = it->first;
        if (!m_gate.empty() && Hold(m_frame, it->second)) {
            // The movie's time stands at the held frame, so later frames keep their spacing.
            m_base = m_rate > 0 ? (m_frame - 1) / m_rate : 0;
            m_running = false;
            m_holding = true;
            return;
        }
        Raise(m_frame, due);
    }
    Reached(target);
}

void MovieFileSource::Raise(unsigned frame, std::vector<Command>& due) {
    auto it = m_commands.find(frame);
    if (it == m_commands.end()) return;
    bool first = true;
    for (const Command& c : it->second) {
        due.push_back(c);
        if (first) due.back().note = "frame " + std::to_string(frame);
        first = false;
    }
}

void MovieFileSource::Reached(unsigned frame) {
    m_frame = frame;
    if (m_frame < m_frameCount) return;
    m_ended = true;  // no loop: the last frame stays
    m_running = false;
    Log("movie ended");
}

bool MovieFileSource::Hold(unsigned frame, const std::vector<Command>& commands) {
    const std::wstring waiting = InFolder(m_gate, L"waiting");
    const std::wstring temp = InFolder(m_gate, L"waiting.tmp");
    // A "go" from before would pass this frame unseen; nobody can have answered it yet.
    DeleteFileW(InFolder(m_gate, L"go").c_str());
    std::string text = std::to_string(frame) + "\n";
    for (const Command& c : commands) text += Utf8(c.command) + "\t" + Utf8(c.args) + "\n";
    // Written aside and renamed, so a reader never sees half of it.
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (ok && !MoveFileExW(temp.c_str(), waiting.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        // Holding with nobody told would stop the movie for good: it plays on instead.
        Log("gate unusable " + Quote(m_gate) + ": " + SystemText(error));
        return false;
    }
    Log("gate waiting at frame " + std::to_string(frame));
    return true;
}

bool MovieFileSource::GoGiven() {
    const std::wstring go = InFolder(m_gate, L"go");
    if (GetFileAttributesW(go.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    if (!DeleteFileW(go.c_str())) Log("gate cannot delete " + Quote(go) + ": " + SystemText(GetLastError()));
    DeleteFileW(InFolder(m_gate, L"waiting").c_str());
    Log("gate go at frame " + std::to_string(m_frame));
    return true;
}

std::wstring MovieFileSource::Status() const {
    if (!m_problem.empty()) return L"unreadable: " + m_problem;
    if (!m_loaded) return {};
    std::wstring status = L"frame " + std::to_wstring(m_frame) + L" / " + std::to_wstring(m_frameCount);
    if (m_holding) status += L" \x2014 waiting for go";
    if (m_ended) status += L" \x2014 ended";
    return status;
}

}  // namespace flashstub
