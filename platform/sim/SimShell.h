#pragma once
// The simulated shell: opening files, starting programs and the folder copy. A
// program file starts as it is named; a script runs through the command
// interpreter, which replaces "%NAME%" of a variable it knows in the script's path.

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
    ShellStart OpenFile(WindowHandle owner, const std::string& path) override;
    ShellStart StartHidden(WindowHandle owner, const std::string& program, const std::string& folder) override;
    bool StartInBackground(const std::string& commandLine) override;
    FolderCopy CopyFolderContents(WindowHandle owner, const std::string& folder, const std::string& target) override;

    // The outcome of the next openings and starts of a file (default: started when
    // the file or folder exists, else failed with 2).
    void SetResult(const std::string& file, ShellStart result) { m_results[AsciiKey(file)] = result; }
    // Makes the next copies stop after copying nothing (as a cancelled copy).
    void FailCopies(bool fail) { m_failCopies = fail; }
    // Makes a copy stop after copying this many files (a copy that fails half-way);
    // a negative count copies everything.
    void FailCopiesAfter(int files) { m_copyBudget = files; }
    // Called for each start in the background (a scenario can start a Program Manager there).
    std::function<void(const std::string&)> OnStartInBackground;

    struct Started {
        bool hidden;  // StartHidden; else OpenFile
        std::string file, folder;
        std::string workingFolder;  // where it runs: `folder`, or the program's current one
    };
    const std::vector<Started>& StartedPrograms() const { return m_started; }

private:
    static std::string AsciiKey(const std::string& s);
    ShellStart Outcome(const std::string& file);
    Trace& m_trace;
    SimFiles& m_files;
    std::map<std::string, ShellStart> m_results;
    bool m_failCopies = false;
    int m_copyBudget = -1;
    std::vector<Started> m_started;
};

}  // namespace vel::sim
