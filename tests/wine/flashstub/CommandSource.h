#pragma once
// Where the stand-in control's FSCommands come from. The control polls every source
// on its window's timer and raises what they hand over, in order: the command file a
// test appends to, and the movie's own frames.

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace flashstub {

struct Command {
    std::wstring command;
    std::wstring args;
    std::string note;  // logged just before the command is raised ("frame 24" on a frame's first)
};

class CommandSource {
public:
    CommandSource() = default;
    CommandSource(const CommandSource&) = delete;
    CommandSource& operator=(const CommandSource&) = delete;
    virtual ~CommandSource() = default;

    // A movie path was put (empty: no movie).
    virtual void MovieLoaded(const std::wstring& path) { (void)path; }
    // Appends the commands due now. `playing`: the movie is on show (the control is in
    // place and visible, and no handler of its events is running); a source that keeps
    // the movie's time lets it stand still otherwise.
    virtual void Poll(bool playing, std::vector<Command>& due) = 0;
    // One line for the control's window saying where the source is; empty: nothing to show.
    virtual std::wstring Status() const { return {}; }
};

// The file named by VELVINOR_STUB_COMMANDS: UTF-8 lines "command<TAB>args" (no tab:
// empty args), each raised once. Only lines ended by a line feed are taken, so a
// test may append at any moment; a carriage return before the line feed is dropped;
// empty lines are skipped. A file that shrank was rewritten and is read from its start.
class CommandFileSource final : public CommandSource {
public:
    explicit CommandFileSource(std::wstring path) : m_path(std::move(path)) {}
    void Poll(bool playing, std::vector<Command>& due) override;

private:
    std::wstring m_path;
    unsigned long long m_offset = 0;
};

// The movie file put as Movie, played as a player plays it: frame N is due (N-1)/rate
// seconds after the movie started playing, and reaching a frame raises its FSCommands
// in order. The movie's time runs only while it plays (see Poll), so a hidden movie
// waits and later frames keep their spacing. After the last frame it stops (no loop);
// a rate of 0 ("as fast as possible") plays one frame per poll. A file that cannot be
// read as a movie is logged and plays nothing.
//
// With a gate folder (VELVINOR_STUB_GATE), a frame with FSCommands is held before they
// are raised: the source writes "waiting" in the folder (UTF-8: the frame number, then
// one "command<TAB>args" line per command) and plays on once a file "go" appears there,
// deleting "go" and "waiting". The movie's time stands still meanwhile.
class MovieFileSource final : public CommandSource {
public:
    explicit MovieFileSource(std::wstring gateFolder);
    ~MovieFileSource() override;
    void MovieLoaded(const std::wstring& path) override;
    void Poll(bool playing, std::vector<Command>& due) override;
    std::wstring Status() const override;

private:
    void Stop();
    double Elapsed() const;  // seconds of the movie's time
    void Pause();
    bool Hold(unsigned frame, const std::vector<Command>& commands);
    bool GoGiven();
    void Raise(unsigned frame, std::vector<Command>& due);
    void Reached(unsigned frame);

    std::wstring m_gate;
    bool m_loaded = false;
    std::wstring m_problem;  // why the movie put plays nothing
    double m_rate = 0;
    unsigned m_frameCount = 0;
    std::map<unsigned, std::vector<Command>> m_commands;  // by frame
    unsigned m_frame = 0;  // the frame shown; 0 before the first
    bool m_holding = false;
    bool m_ended = false;
    // The movie's time: m_base seconds, plus the time since m_runStart while running.
    bool m_running = false;
    double m_base = 0;
    long long m_runStart = 0;
};

// The sources the environment asks for.
std::vector<std::unique_ptr<CommandSource>> CreateCommandSources();

}  // namespace flashstub
