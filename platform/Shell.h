#pragma once
// The system shell: starting documents and programs, and its recursive copy.

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace vel {

namespace showcmd {
constexpr int Hide = 0;         // SW_HIDE
constexpr int ShowNormal = 1;   // SW_SHOWNORMAL
constexpr int ShowMinNoActive = 7;  // SW_SHOWMINNOACTIVE
}  // namespace showcmd

class Shell {
public:
    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell() = default;

    // ShellExecuteA: a result of 32 or less is the failure code (2 file not found,
    // 31 no association); above 32 means started.
    virtual std::intptr_t Execute(WindowHandle owner, const std::string& verb, const std::string& file,
                                  const std::string& parameters, const std::string& directory, int show) = 0;

    // SHFileOperationA FO_COPY of the single pattern `sourcePattern` into `target`
    // with the given FOF_ flags; shows the system's progress window owned by `owner`.
    // Returns the operation's result (0 = success) and whether the user aborted.
    virtual int CopyTree(WindowHandle owner, const std::string& sourcePattern, const std::string& target,
                         std::uint32_t flags, bool& aborted) = 0;

    // WinExec: starts a command line; a result above 31 means started.
    virtual unsigned WinExec(const std::string& commandLine, int show) = 0;
};

}  // namespace vel
