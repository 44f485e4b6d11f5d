#pragma once
// The simulated shell: opening files, the recursive copy and WinExec.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimShell final : public Shell {
public:
    SimShell(Trace& trace, SimFiles& files) : m_trace(trace), m_files(files) {}
    std::intptr_t Execute(WindowHandle owner, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int show) override;
    int CopyTree(WindowHandle owner, const std::string& sourcePattern, const std::string& target,
                 std::uint32_t flags, bool& aborted) override;
    unsigned WinExec(const std::string& commandLine, int show) override;

    // The answer of the next Execute calls for a file (default: 42 when the file or
    // folder exists, 2 when not).
    void SetResult(const std::string& file, std::intptr_t result) { m_results[AsciiKey(file)] = result; }
    // Makes the next CopyTree stop after copying nothing (as a cancelled or failed copy).
    void FailCopies(bool fail) { m_failCopies = fail; }
    // Makes CopyTree stop after copying this many files (a copy that fails half-way);
    // a negative count copies everything.
    void FailCopiesAfter(int files) { m_copyBudget = files; }
    // Called for each WinExec (a scenario can start a Program Manager there).
    std::function<void(const std::string&)> OnWinExec;

    struct Started {
        std::string file, parameters, directory;
        int show;
    };
    const std::vector<Started>& StartedPrograms() const { return m_started; }

private:
    static std::string AsciiKey(const std::string& s);
    Trace& m_trace;
    SimFiles& m_files;
    std::map<std::string, std::intptr_t> m_results;
    bool m_failCopies = false;
    int m_copyBudget = -1;
    std::vector<Started> m_started;
};

}  // namespace vel::sim
