#include "platform/sim/Trace.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "runtime/Text.h"

namespace vel::sim {

namespace {
// Each service by the start of its lines; a line belongs to the longest match.
const std::pair<const char*, const char*> kServices[] = {
    {"registry", "reg "},     {"files", "file "},   {"shell", "shell "},     {"process", "process "},
    {"windows", "ui "},       {"cursor", "ui cursor "}, {"layout", "ui create "}, {"layout", "ui style "},
    {"layout", "ui place "},  {"messagebox", "messagebox "}, {"movie", "movie "},
    {"media", "media "},      {"mixer", "mixer "},  {"dde", "dde "},         {"printer", "printer "},
    {"script", "script "},    {"time", "time "},
};

const char* ServiceOf(const std::string& line) {
    const char* service = nullptr;
    std::size_t longest = 0;
    for (const auto& [name, start] : kServices) {
        const std::string_view prefix(start);
        if (prefix.size() > longest && line.compare(0, prefix.size(), prefix) == 0) {
            service = name;
            longest = prefix.size();
        }
    }
    return service;
}
}  // namespace

std::vector<std::string> Trace::ServiceNames() {
    std::vector<std::string> names;
    for (const auto& service : kServices)
        if (std::find(names.begin(), names.end(), service.first) == names.end()) names.emplace_back(service.first);
    return names;
}

std::string Trace::ShowOnly(const std::vector<std::string>& services) {
    const auto known = ServiceNames();
    for (const auto& name : services)
        if (std::find(known.begin(), known.end(), name) == known.end()) return name;
    m_hidden = {known.begin(), known.end()};
    for (const auto& name : services) m_hidden.erase(name);
    return {};
}

std::string Trace::ShowAllBut(const std::vector<std::string>& services) {
    const auto known = ServiceNames();
    for (const auto& name : services)
        if (std::find(known.begin(), known.end(), name) == known.end()) return name;
    m_hidden = {services.begin(), services.end()};
    return {};
}

void Trace::Add(std::string line, bool always) {
    if (m_lines.size() < m_limit) {
        const char* service = always ? nullptr : ServiceOf(line);
        m_shown.push_back(!service || !m_hidden.count(service));
        m_lines.push_back(std::move(line));
        return;
    }
    if (m_overflowed) return;
    m_overflowed = true;
    const std::string message = "the trace stops at " + std::to_string(m_limit) + " lines: the program runs away";
    m_lines.push_back("== " + message);
    m_shown.push_back(true);
    throw TraceOverflow(message);
}

std::string Trace::Text() const {
    std::string out;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_shown[i]) out += m_lines[i] + "\n";
    return out;
}

std::vector<std::string> Trace::Since(std::size_t mark) const {
    if (mark >= m_lines.size()) return {};
    return {m_lines.begin() + static_cast<std::ptrdiff_t>(mark), m_lines.end()};
}

std::string Quote(const std::string& ansi) {
    std::string out = "\"";
    for (char c : AnsiToUtf8(ansi)) {
        switch (c) {
            case '"': out += "\"\""; break;
            case '\r': out += "{CR}"; break;
            case '\n': out += "{LF}"; break;
            case '\t': out += "{TAB}"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

}  // namespace vel::sim
