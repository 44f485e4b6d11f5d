#include "platform/sim/Trace.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
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

// Every shape of line the services write: the service's start and its verb. A
// line of another shape is refused, so a test that looks for a shape (above all
// for its absence) can only name one the trace writes.
const char* const kShapes[] = {
    "reg create-key", "reg write", "reg write-refused", "reg delete-value", "reg delete-key",
    "file mkdir", "file rmdir", "file copy", "file copy-failed", "file delete", "file write", "file chdir",
    "shell open", "shell start-hidden", "shell start-in-background", "shell copy-folder-contents",
    "process open-mutex", "process create-mutex", "time sleep",
    "ui create", "ui show", "ui hide", "ui place", "ui text", "ui enable", "ui disable", "ui range",
    "ui position", "ui check", "ui uncheck", "ui picture", "ui content", "ui select", "ui style", "ui front",
    "ui cursor", "ui title", "ui minimize", "ui restore", "ui right-button-down", "ui right-button-up",
    "messagebox caption=",
    "movie load", "movie flashvars", "movie scale-mode", "movie wmode", "movie var", "movie place", "movie show",
    "movie hide", "movie verb-show", "movie create",
    "media open", "media window", "media destination", "media seek-start", "media play", "media stop",
    "media close",
    "mixer open", "mixer close", "mixer notice", "mixer set", "mixer line-change",
    "dde connect", "dde execute", "dde request", "dde disconnect",
    "printer select", "printer landscape", "printer page",
    "script run", "script ends", "script still",
};

// Whether `text` begins with `shape` followed by the end, a space or (for a verb
// that ends in "=") anything.
bool BeginsWithShape(std::string_view text, std::string_view shape) {
    if (text.compare(0, shape.size(), shape) != 0) return false;
    return text.size() == shape.size() || shape.back() == '=' || text[shape.size()] == ' ' || text[shape.size()] == ':';
}

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

bool Trace::KnownShape(const std::string& prefix) {
    std::string_view p(prefix);
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    if (p.empty()) return false;
    for (std::string_view shape : kShapes) {
        // The prefix is the shape and more, or a whole-word start of it ("shell").
        if (BeginsWithShape(p, shape)) return true;
        if (shape.compare(0, p.size(), p) == 0 && (shape.size() == p.size() || shape[p.size()] == ' ')) return true;
    }
    return false;
}

bool Trace::OfService(const std::string& line) { return ServiceOf(line) != nullptr; }

void Trace::Add(std::string line, bool always) {
    if (m_lines.size() < m_limit) {
        const char* service = always ? nullptr : ServiceOf(line);
        if (service && !std::any_of(std::begin(kShapes), std::end(kShapes),
                                    [&](std::string_view shape) { return BeginsWithShape(line, shape); }))
            throw std::logic_error("a service line of no known shape: " + line);
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
