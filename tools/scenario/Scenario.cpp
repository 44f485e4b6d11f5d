#include "tools/scenario/Scenario.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "host/MainFrm.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel::sim {

Scenario::Scenario(SimMachine& machine_) : machine(machine_) {
    machine.ui.nextEvent = [this] { return RunNext(); };
    machine.ui.nextAnswer = [this] { return TakeAnswer(); };
    machine.ui.nestedEvents = [this](const std::string& where) { return RunDuring(where); };
    AddCoreCommands(*this);
    AddProbeCommands(*this);
    AddMediaCommands(*this);
    AddInstallCommands(*this);
    AddSoundCommands(*this);
}

Scenario::~Scenario() {
    machine.ui.nextEvent = nullptr;
    machine.ui.nextAnswer = nullptr;
    machine.ui.nestedEvents = nullptr;
}

void Scenario::Add(const std::string& name, Handler handler, bool duringRunOnly) {
    m_commands[name] = {std::move(handler), duringRunOnly};
}

void Scenario::Fail(const std::string& message) const {
    throw ScenarioError(message, m_current);
}

Program& Scenario::RequireProgram(const std::string& command) {
    if (!m_program) Fail(command + ": no program is running");
    return *m_program;
}

std::int64_t Scenario::Number(const std::string& word) {
    std::size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(word, &used, 0);
    } catch (...) {
        used = 0;
    }
    if (used != word.size() || word.empty()) throw ScenarioError("not a number: " + word);
    return v;
}

const std::string& Scenario::Arg(const std::vector<std::string>& args, std::size_t i) const {
    if (i >= args.size()) Fail("missing argument " + std::to_string(i + 1));
    return args[i];
}

Control& Scenario::FindControl(const std::string& path) {
    Control* c = machine.ui.Find(path);
    if (!c) Fail("no window or control " + path);
    return *c;
}

std::vector<std::string> Scenario::Split(const std::string& line, int number) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    // A doubled quote stands for one quote.
                    if (i < line.size() && line[i] == '"') {
                        word += '"';
                        ++i;
                        continue;
                    }
                    closed = true;
                    break;
                }
                word += c;
            }
            if (!closed) throw ScenarioError("unclosed quote", number);
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

void Scenario::Run(const std::string& text) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    m_lines.clear();
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        auto words = Split(raw, number);
        if (words.empty()) continue;
        std::string name = words.front();
        words.erase(words.begin());
        if (name != "start" && name != "answer" && name != "during" && !m_commands.count(name))
            throw ScenarioError("unknown command " + name, number);
        m_lines.push_back({number, name, words});
    }
    m_cursor = 0;
    while (m_cursor < m_lines.size()) {
        const Line& line = m_lines[m_cursor++];
        m_current = line.number;
        if (line.name == "start") StartRun();
        else Execute(line);
        if (machine.trace.Overflowed()) Fail("the trace stops growing; the program runs away");
    }
}

void Scenario::Execute(const Line& line) {
    if (line.name == "answer") Fail("answer: no message box is waiting");
    if (line.name == "during")
        Fail("during: the program waits in no " + (line.args.empty() ? std::string("nested loop") : line.args[0]) +
             " here");
    auto& [handler, duringRun] = m_commands.at(line.name);
    if (duringRun) RequireProgram(line.name);
    try {
        handler(*this, line.args);
    } catch (const ScenarioError& error) {
        // Helpers that know no line (a number, a script's model) get this one.
        if (error.line() > 0) throw;
        throw ScenarioError(error.message(), line.number);
    }
}

bool Scenario::RunNext() {
    // A runaway program gets no more events, so its run ends.
    if (machine.trace.Overflowed()) return false;
    if (m_cursor >= m_lines.size() || m_lines[m_cursor].name == "start") return false;
    const Line& line = m_lines[m_cursor++];
    m_current = line.number;
    Echo(line);
    Execute(line);
    return true;
}

void Scenario::Echo(const Line& line) {
    machine.trace.Add("> " + line.name + [&] {
        std::string s;
        for (const auto& a : line.args) s += " " + Quote(Ru(a));
        return s;
    }());
}

bool Scenario::RunDuring(const std::string& where) {
    bool ran = false;
    std::optional<std::size_t> left;
    if (where == "messagebox") left = std::exchange(m_boxEvents, std::nullopt);
    while (m_cursor < m_lines.size() && m_lines[m_cursor].name == "during" && !m_lines[m_cursor].args.empty() &&
           m_lines[m_cursor].args[0] == where && (!left || (*left)-- > 0)) {
        const Line& line = m_lines[m_cursor++];
        m_current = line.number;
        Echo(line);
        const std::string& name = Arg(line.args, 1);
        if (name == "start" || name == "answer" || name == "during" || !m_commands.count(name))
            Fail("during: not an event: " + name);
        Execute({line.number, name, {line.args.begin() + 2, line.args.end()}});
        ran = true;
    }
    return ran;
}

std::optional<int> Scenario::TakeAnswer() {
    // The answer may follow the events that arrive while the box is open: it
    // moves ahead of them, as the box's line shows it.
    std::size_t at = m_cursor;
    while (at < m_lines.size() && m_lines[at].name == "during" && !m_lines[at].args.empty() &&
           m_lines[at].args[0] == "messagebox")
        ++at;
    if (at >= m_lines.size() || m_lines[at].name != "answer") {
        m_boxEvents.reset();
        return std::nullopt;
    }
    m_boxEvents = at - m_cursor;
    std::rotate(m_lines.begin() + static_cast<std::ptrdiff_t>(m_cursor), m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                m_lines.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    const Line& line = m_lines[m_cursor++];
    m_current = line.number;
    std::string a = AsciiLower(Arg(line.args, 0));
    if (a == "yes") return mb::IdYes;
    if (a == "no") return mb::IdNo;
    if (a == "ok") return mb::IdOk;
    if (a == "cancel") return mb::IdCancel;
    Fail("answer: Yes, No, OK or Cancel");
}

void Scenario::StartRun() {
    std::string args;
    for (const auto& a : machine.process.arguments) args += " " + Quote(a);
    machine.trace.Add("== start " + Quote(machine.process.programPath) + args);
    machine.ui.ResetQuit();
    // Where the system keeps a running program's file in use, so does the machine,
    // for as long as the run lasts.
    const std::string running = machine.process.programPath;
    const bool lockedHere = !machine.process.runningProgramDeletable && !machine.files.Locked(running);
    if (lockedHere) machine.files.Lock(running);
    m_program = std::make_unique<Program>(machine.platform());
    bool looped = false, killed = false;
    try {
        if (m_program->Start()) {
            looped = true;
            m_program->Run();
        }
    } catch (const ScenarioPaused&) {
        machine.trace.Add("== the scenario ends while a modal window waits");
    } catch (const ProgramKilled&) {
        machine.trace.Add("== the program is killed");
        killed = true;
    } catch (const ScenarioError&) {
        // A bad line ends the scenario, also one read while the program runs.
        m_program.reset();
        machine.ui.DropPosted();
        throw;
    } catch (const std::exception& error) {
        machine.trace.Add("== the program failed: " + Quote(error.what()));
    }
    bool ended = killed || m_program->app.Terminated() || !looped;
    machine.trace.Add(ended ? "== run ends" : "== run ends with the program still running");
    m_program.reset();
    machine.ui.DropPosted();
    machine.ui.ResetQuit();
    machine.process.ownMutexes.clear();
    machine.trace.Add("== process exits");
    if (lockedHere) machine.files.Unlock(running);
    machine.files.ProgramEnded();
}

}  // namespace vel::sim
