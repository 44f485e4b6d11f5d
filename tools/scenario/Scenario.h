#pragma once
// The scenario language: set up a simulated machine, start the program on it and
// feed it events; everything the program does lands in the machine's trace.
// The language is described in docs/scenario.md.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/SimMachine.h"

namespace vel {
class Program;
}

namespace vel::sim {

// A mistake in the scenario itself. Deliberately no std::exception: the program's
// own error handling (its error box, a guarded handler) must never catch it and
// carry on, or a broken scenario would pass with nothing checked.
class ScenarioError {
public:
    explicit ScenarioError(std::string message, int line = 0) : m_message(std::move(message)), m_line(line) {
        if (line > 0) m_what = "line " + std::to_string(line) + ": " + m_message;
        else m_what = m_message;
    }
    const char* what() const noexcept { return m_what.c_str(); }
    const std::string& message() const { return m_message; }
    int line() const { return m_line; }

private:
    std::string m_message;
    int m_line;
    std::string m_what;
};

class Scenario {
public:
    // Handler of one command; args are the words after the command name, quotes
    // removed and escapes resolved, still UTF-8.
    using Handler = std::function<void(Scenario&, const std::vector<std::string>& args)>;

    explicit Scenario(SimMachine& machine);
    ~Scenario();

    // Runs a whole script. Raises ScenarioError for a bad line.
    void Run(const std::string& text);

    void Add(const std::string& name, Handler handler, bool duringRunOnly = false);

    SimMachine& machine;
    // The program of the current run, or null between runs.
    Program* program() const { return m_program.get(); }
    Program& RequireProgram(const std::string& command);
    [[noreturn]] void Fail(const std::string& message) const;

    // Helpers for handlers.
    static std::int64_t Number(const std::string& word);
    Control& FindControl(const std::string& path);
    const std::string& Arg(const std::vector<std::string>& args, std::size_t i) const;

private:
    struct Line {
        int number;
        std::string name;
        std::vector<std::string> args;
    };
    static std::vector<std::string> Split(const std::string& line, int number);
    bool RunNext();
    bool RunDuring(const std::string& where);
    void Echo(const Line& line);
    void Execute(const Line& line);
    void StartRun();
    std::optional<int> TakeAnswer();

    std::map<std::string, std::pair<Handler, bool>> m_commands;
    std::vector<Line> m_lines;
    std::size_t m_cursor = 0;
    // The events of the message box that took an answer: those written before its
    // answer (the ones after it belong to a later box); none taken: all that follow.
    std::optional<std::size_t> m_boxEvents;
    int m_current = 0;
    std::unique_ptr<Program> m_program;
};

// The core commands; each area of the program adds its own the same way.
void AddCoreCommands(Scenario& scenario);
void AddProbeCommands(Scenario& scenario);
void AddMediaCommands(Scenario& scenario);
void AddInstallCommands(Scenario& scenario);
void AddSoundCommands(Scenario& scenario);

}  // namespace vel::sim
