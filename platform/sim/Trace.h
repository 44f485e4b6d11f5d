#pragma once
// The scenario trace: one line per platform call that changes or shows something,
// in UTF-8, in the order the calls happen.

#include <cstddef>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vel::sim {

// Raised once when the trace reaches its bound: a program that loops without end
// must fail the run, not eat the machine's memory.
class TraceOverflow : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Trace {
public:
    static constexpr std::size_t kDefaultLimit = 200'000;
    explicit Trace(std::size_t limit = kDefaultLimit) : m_limit(limit) {}

    // `ansi` parts of the line must already be UTF-8; use Quote for 8-bit texts.
    // Past the limit, the first call adds a closing line and raises TraceOverflow;
    // later lines are dropped. A line `always` shown (a dump) shows whatever
    // services the trace shows.
    void Add(std::string line, bool always = false);
    // Every line, shown or not.
    const std::vector<std::string>& Lines() const { return m_lines; }
    // The lines shown, each ended by LF.
    std::string Text() const;
    void Clear() {
        m_lines.clear();
        m_shown.clear();
    }
    // Lines added since `mark` (a previous Lines().size()).
    std::vector<std::string> Since(std::size_t mark) const;
    bool Overflowed() const { return m_overflowed; }

    // Which services' lines the lines added from now on show (see ServiceNames);
    // lines of no service (the runner's, the events, notes and dumps) always show.
    // Returns the first unknown name, or an empty text.
    std::string ShowOnly(const std::vector<std::string>& services);
    // Every service's lines but these; returns the first unknown name, or "".
    std::string ShowAllBut(const std::vector<std::string>& services);
    void ShowAll() { m_hidden.clear(); }
    static std::vector<std::string> ServiceNames();
    // Whether a service line can begin with `prefix`: a known service, and a verb
    // it writes when the prefix names one, in whole words.
    static bool KnownShape(const std::string& prefix);
    // Whether the line (or prefix) begins as a service's line does.
    static bool OfService(const std::string& line);

private:
    std::vector<std::string> m_lines;
    std::vector<bool> m_shown;
    std::set<std::string> m_hidden;
    std::size_t m_limit;
    bool m_overflowed = false;
};

// An 8-bit text as a quoted UTF-8 literal: a quote doubled, CR, LF and TAB as
// {CR}, {LF} and {TAB}; backslashes stand as they are.
std::string Quote(const std::string& ansi);

}  // namespace vel::sim
