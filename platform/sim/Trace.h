#pragma once
// The scenario trace: one line per platform call that changes or shows something,
// in UTF-8, in the order the calls happen.

#include <string>
#include <vector>

namespace vel::sim {

class Trace {
public:
    // `ansi` parts of the line must already be UTF-8; use Quote for 8-bit texts.
    void Add(std::string line) { m_lines.push_back(std::move(line)); }
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::string Text() const;
    void Clear() { m_lines.clear(); }
    // Lines added since `mark` (a previous Lines().size()).
    std::vector<std::string> Since(std::size_t mark) const;

private:
    std::vector<std::string> m_lines;
};

// An 8-bit text as a quoted UTF-8 literal: a quote doubled, CR, LF and TAB as
// {CR}, {LF} and {TAB}; backslashes stand as they are.
std::string Quote(const std::string& ansi);

}  // namespace vel::sim
