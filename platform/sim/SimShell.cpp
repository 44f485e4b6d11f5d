#include "platform/sim/SimShell.h"

#include "runtime/Text.h"

namespace vel::sim {

namespace {
std::string OutcomeText(const ShellStart& s) { return s.started ? "started" : "error " + std::to_string(s.errorCode); }
}  // namespace

std::string SimShell::AsciiKey(const std::string& s) { return AsciiUpper(s); }

ShellStart SimShell::Outcome(const std::string& file) {
    auto it = m_results.find(AsciiKey(file));
    if (it != m_results.end()) return it->second;
    return (m_files.FileExists(file) || m_files.DirectoryExists(file)) ? ShellStart::Started() : ShellStart::Failed(2);
}

ShellStart SimShell::OpenFile(WindowHandle owner, const std::string& path) {
    const ShellStart result = Outcome(path);
    m_trace.Add("shell open " + Quote(path) + (owner ? " owned" : "") + " -> " + OutcomeText(result));
    if (result.started) m_started.push_back({false, path, "", m_files.CurrentDirectory()});
    return result;
}

namespace {
// The variables the command interpreter knows; "%NAME%" of another stays as it is.
std::string Expanded(const std::string& path) {
    static const std::map<std::string, std::string> variables = {
        {"USERNAME", "User"}, {"USERPROFILE", "C:\\Documents and Settings\\User"}, {"SYSTEMDRIVE", "C:"},
        {"WINDIR", "C:\\Windows"}, {"OS", "Windows_NT"}};
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const std::size_t close = path[i] == '%' ? path.find('%', i + 1) : std::string::npos;
        auto it = close == std::string::npos ? variables.end()
                                              : variables.find(AsciiUpper(path.substr(i + 1, close - i - 1)));
        if (it == variables.end()) {
            out += path[i];
        } else {
            out += it->second;
            i = close;
        }
    }
    return out;
}
}  // namespace

ShellStart SimShell::StartHidden(WindowHandle owner, const std::string& program, const std::string& folder) {
    const bool script = AsciiLower(ExtractFileExt(program)) == ".bat";
    const ShellStart result = Outcome(script ? Expanded(program) : program);
    m_trace.Add("shell start-hidden " + Quote(program) + " dir=" + Quote(folder) + (owner ? " owned" : "") + " -> " +
                OutcomeText(result));
    if (result.started)
        m_started.push_back({true, program, folder, folder.empty() ? m_files.CurrentDirectory() : folder});
    return result;
}

bool SimShell::StartInBackground(const std::string& commandLine) {
    m_trace.Add("shell start-in-background " + Quote(commandLine));
    if (OnStartInBackground) OnStartInBackground(commandLine);
    return true;
}

FolderCopy SimShell::CopyFolderContents(WindowHandle owner, const std::string& folder, const std::string& target) {
    m_trace.Add("shell copy-folder-contents " + Quote(folder) + " -> " + Quote(target) +
                (owner ? " progress-owned" : ""));
    const std::string source = IncludeTrailingBackslash(folder);
    FolderCopy result = FolderCopy::Done;
    if (m_failCopies) {
        result = FolderCopy::Cancelled;
    } else if (m_copyBudget >= 0) {
        int budget = m_copyBudget;
        if (!m_files.CopyTreeContents(source, target, &budget)) result = FolderCopy::Failed;
    } else if (!m_files.CopyTreeContents(source, target)) {
        result = FolderCopy::Failed;  // a file could not be read or written
    }
    if (result != FolderCopy::Done)
        m_trace.Add(std::string("shell copy-folder-contents ") + (result == FolderCopy::Cancelled ? "cancelled" : "failed"));
    return result;
}

}  // namespace vel::sim
