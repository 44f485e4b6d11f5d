// Scenario commands of the installation:
//
//   system-folder "PATH"          a folder the system owns (besides C:\Windows and
//                                 C:\Documents and Settings), such as a profile folder
//   shell-copy-fails-after N      the shell's folder copy fails after N files
//   run-script "PATH"             the command interpreter runs a batch file, as the
//                                 hidden script runs after the program has ended; it
//                                 knows the lines the uninstallation writes (labels,
//                                 Set /a, If exist, If %v% GEQ n, Goto, Del, Rmdir [/s /q],
//                                 ping as a pause) and stops when the file is gone,
//                                 like cmd, or after 100000 lines (a script that never ends);
//                                 like cmd it reads the file in the OEM code page, and
//                                 like cmd it never finds "…\nul" in a quoted path
//                                 with blanks; it runs in the folder the program
//                                 started it in, which it cannot remove
//   oem-code-page N               the console's code page (866, a Russian system, at first)
//   temp-folder "PATH"            the user's folder for temporary files, as the system
//                                 names it to the program (it need not exist)
//   short-name "PATH" "SHORT"     the short (8.3) form the system gives an existing path
//   running-program-deletable [no]  a running program can delete its own file (no script),
//                                 or no longer

#include <map>

#include "tools/scenario/Scenario.h"
#include "runtime/Text.h"

namespace vel::sim {

namespace {

using Args = std::vector<std::string>;

class BatchRun {
public:
    BatchRun(SimMachine& machine, std::string path) : m_machine(machine), m_path(std::move(path)) {
        // It runs where the program started it; a process's current folder cannot
        // be removed while it runs there.
        for (const auto& started : m_machine.shell.StartedPrograms())
            if (AsciiUpper(started.file) == AsciiUpper(m_path)) m_workingFolder = started.workingFolder;
    }

    void Run() {
        Trace& trace = m_machine.trace;
        std::optional<std::string> text = m_machine.files.Content(m_path);
        if (!text) throw ScenarioError("run-script: no file " + Quote(m_path));
        // cmd reads the file in the console's code page; the files have names in 1251.
        Load(OemToAnsi(*text, m_machine.process.oemCodePage));
        trace.Add("script run " + Quote(m_path));
        const std::uint64_t started = m_machine.ui.Now();
        std::string end = "ends at its last line";
        long steps = 0;
        for (m_pc = 0; m_pc < m_lines.size();) {
            if (++steps > kStepLimit) {
                end = "still running after " + std::to_string(kStepLimit) + " lines";
                break;
            }
            const std::string line = Expand(m_lines[m_pc++]);
            if (!Execute(line)) {
                end = "ends";
                break;
            }
            if (!m_machine.files.Content(m_path)) {
                end = "ends: the batch file cannot be found";
                break;
            }
        }
        trace.Add("script " + end + " after " + std::to_string((m_machine.ui.Now() - started) / 1000) + " s");
    }

private:
    static constexpr long kStepLimit = 100000;

    void Load(const std::string& text) {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            m_lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
    }

    // %% is one percent sign, %name% the variable (empty when unset).
    std::string Expand(const std::string& line) const {
        std::string out;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] != '%') {
                out += line[i];
            } else if (i + 1 < line.size() && line[i + 1] == '%') {
                out += '%';
                ++i;
            } else {
                std::size_t close = line.find('%', i + 1);
                if (close == std::string::npos) continue;
                auto it = m_vars.find(AsciiUpper(line.substr(i + 1, close - i - 1)));
                if (it != m_vars.end()) out += std::to_string(it->second);
                i = close;
            }
        }
        return out;
    }

    static std::string Word(const std::string& s, std::size_t& i) {
        while (i < s.size() && s[i] == ' ') ++i;
        std::string w;
        if (i < s.size() && s[i] == '"') {
            std::size_t close = s.find('"', i + 1);
            w = s.substr(i + 1, close - i - 1);
            i = close == std::string::npos ? s.size() : close + 1;
        } else {
            while (i < s.size() && s[i] != ' ') w += s[i++];
        }
        return w;
    }

    // The script quotes every path.
    bool Exists(const std::string& path) {
        SimFiles& f = m_machine.files;
        if (path.size() > 4 && AsciiLower(path.substr(path.size() - 4)) == "\\nul")
            return path.find(' ') == std::string::npos && f.DirectoryExists(path.substr(0, path.size() - 4));
        if (path.size() > 2 && path.substr(path.size() - 2) == "\\.") return f.DirectoryExists(path.substr(0, path.size() - 2));
        return f.FileExists(path) || f.DirectoryExists(path);
    }

    // Rmdir /s as Wine's cmd (and older Windows) does it: into a junction or symbolic
    // link as into any folder, so what lies behind the link goes too.
    void RemoveTree(const std::string& folder) {
        SimFiles& f = m_machine.files;
        for (const FindEntry& e : f.Find(IncludeTrailingBackslash(folder) + "*.*")) {
            if (e.name == "." || e.name == "..") continue;
            std::string path = IncludeTrailingBackslash(folder) + e.name;
            if (e.attributes & attr::Directory) RemoveTree(path);
            else f.DeleteFile(path);
        }
        f.RemoveDirectory(folder);
    }

    // False when the script ends.
    bool Execute(const std::string& line) {
        std::size_t i = 0;
        std::string command = AsciiLower(Word(line, i));
        if (command.empty() || command[0] == ':') return true;
        if (command == "set") {
            Word(line, i);  // /a
            std::string assignment = Word(line, i);
            std::size_t plus = assignment.find("+=");
            if (plus != std::string::npos)
                m_vars[AsciiUpper(assignment.substr(0, plus))] += std::stoi(assignment.substr(plus + 2));
            else if (std::size_t eq = assignment.find('='); eq != std::string::npos)
                m_vars[AsciiUpper(assignment.substr(0, eq))] = std::stoi(assignment.substr(eq + 1));
            return true;
        }
        if (command == "if") {
            std::size_t save = i;
            std::string first = Word(line, i);
            bool holds;
            if (AsciiLower(first) == "exist") {
                holds = Exists(Word(line, i));
            } else {
                i = save;
                std::string a = Word(line, i), op = AsciiUpper(Word(line, i)), b = Word(line, i);
                if (op != "GEQ") Fail(line);
                holds = std::stol(a.empty() ? "0" : a) >= std::stol(b);
            }
            return !holds || Execute(line.substr(i));
        }
        if (command == "goto") {
            std::string label = AsciiLower(Word(line, i));
            if (label == ":eof") return false;
            for (std::size_t k = 0; k < m_lines.size(); ++k)
                if (AsciiLower(m_lines[k]) == ":" + label) {
                    m_pc = k + 1;
                    return true;
                }
            Fail(line);
        }
        if (command == "del") {
            m_machine.files.DeleteFile(Word(line, i));
            return true;
        }
        if (command == "rmdir") {
            std::string folder = Word(line, i);
            const std::string key = AsciiUpper(m_machine.files.Resolve(folder)), cwd = AsciiUpper(m_workingFolder);
            if (!cwd.empty() && (cwd == key || cwd.rfind(key + "\\", 0) == 0)) return true;
            // Without /s only an empty folder goes.
            if (AsciiLower(Word(line, i)) != "/s") m_machine.files.RemoveDirectory(folder);
            else if (m_machine.files.DirectoryExists(folder)) RemoveTree(folder);
            return true;
        }
        if (command == "ping") {
            Word(line, i);  // -n
            m_machine.ui.Advance(static_cast<std::uint32_t>(std::stoi(Word(line, i)) - 1) * 1000);
            return true;
        }
        Fail(line);
    }

    [[noreturn]] void Fail(const std::string& line) const {
        throw ScenarioError("run-script: the model does not know the line " + Quote(line));
    }

    SimMachine& m_machine;
    std::string m_path;
    std::string m_workingFolder;
    std::vector<std::string> m_lines;
    std::size_t m_pc = 0;
    std::map<std::string, long> m_vars;
};

}  // namespace

void AddInstallCommands(Scenario& sc) {
    sc.Add("system-folder", [](Scenario& s, const Args& a) { s.machine.files.systemFolders.push_back(Ru(s.Arg(a, 0))); });
    sc.Add("oem-code-page", [](Scenario& s, const Args& a) {
        s.machine.process.oemCodePage = static_cast<unsigned>(s.Number(s.Arg(a, 0)));
    });
    sc.Add("temp-folder", [](Scenario& s, const Args& a) { s.machine.files.tempFolder = Ru(s.Arg(a, 0)); });
    sc.Add("short-name", [](Scenario& s, const Args& a) {
        s.machine.files.SetShortName(Ru(s.Arg(a, 0)), Ru(s.Arg(a, 1)));
    });
    sc.Add("running-program-deletable", [](Scenario& s, const Args& a) {
        s.machine.process.runningProgramDeletable = a.empty() || AsciiLower(a[0]) != "no";
    });
    sc.Add("system-lists-programs", [](Scenario& s, const Args& a) {
        s.machine.process.systemListsInstalledPrograms = a.empty() || AsciiLower(a[0]) != "no";
    });
    sc.Add("shell-copy-fails-after", [](Scenario& s, const Args& a) {
        s.machine.shell.FailCopiesAfter(static_cast<int>(s.Number(s.Arg(a, 0))));
    });
    sc.Add("run-script", [](Scenario& s, const Args& a) {
        if (s.program()) s.Fail("run-script: the program still runs");
        BatchRun(s.machine, Ru(s.Arg(a, 0))).Run();
    });
}

}  // namespace vel::sim
