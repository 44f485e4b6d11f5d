#include "platform/sim/SimShell.h"

#include <cstdio>

#include "runtime/Text.h"

namespace vel::sim {

std::string SimShell::AsciiKey(const std::string& s) { return AsciiUpper(s); }

std::intptr_t SimShell::Execute(WindowHandle owner, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory, int show) {
    std::intptr_t result;
    auto it = m_results.find(AsciiKey(file));
    if (it != m_results.end()) result = it->second;
    else result = (m_files.FileExists(file) || m_files.DirectoryExists(file)) ? 42 : 2;
    m_trace.Add("shell execute verb=" + Quote(verb) + " file=" + Quote(file) + " params=" + Quote(parameters) +
                " dir=" + Quote(directory) + " show=" + std::to_string(show) + (owner ? " owned" : "") +
                " -> " + std::to_string(result));
    if (result > 32) m_started.push_back({file, parameters, directory, show});
    return result;
}

int SimShell::CopyTree(WindowHandle owner, const std::string& sourcePattern, const std::string& target,
                       std::uint32_t flags, bool& aborted) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", flags);
    m_trace.Add("shell copy-tree " + Quote(sourcePattern) + " -> " + Quote(target) + " flags=" + hex +
                (owner ? " progress-owned" : ""));
    aborted = false;
    if (m_failCopies) {
        m_trace.Add("shell copy-tree failed");
        return 1223;  // cancelled by the user
    }
    if (m_copyBudget >= 0) {
        int budget = m_copyBudget;
        if (!m_files.CopyTreeContents(ExtractFilePath(sourcePattern), target, &budget)) {
            m_trace.Add("shell copy-tree failed");
            return 1223;
        }
        return 0;
    }
    if (!m_files.CopyTreeContents(ExtractFilePath(sourcePattern), target)) {
        m_trace.Add("shell copy-tree failed");
        return 0x78;  // a file could not be read or written (DE_ACCESSDENIEDSRC)
    }
    return 0;
}

unsigned SimShell::WinExec(const std::string& commandLine, int show) {
    m_trace.Add("shell winexec " + Quote(commandLine) + " show=" + std::to_string(show));
    if (OnWinExec) OnWinExec(commandLine);
    return 33;
}

}  // namespace vel::sim
