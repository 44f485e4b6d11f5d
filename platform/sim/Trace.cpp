#include "platform/sim/Trace.h"

#include "runtime/Text.h"

namespace vel::sim {

void Trace::Add(std::string line) {
    if (m_lines.size() < m_limit) {
        m_lines.push_back(std::move(line));
        return;
    }
    if (m_overflowed) return;
    m_overflowed = true;
    const std::string message = "the trace stops at " + std::to_string(m_limit) + " lines: the program runs away";
    m_lines.push_back("== " + message);
    throw TraceOverflow(message);
}

std::string Trace::Text() const {
    std::string out;
    for (const auto& line : m_lines) out += line + "\n";
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
