#pragma once
// Where the stand-in control's FSCommands come from. The control polls every source
// on its window's timer and raises what they hand over, in order. Today there is one
// source, a command file a test appends to; a source that plays a movie's own
// frames fits the same interface (it starts from MovieLoaded).

#include <memory>
#include <string>
#include <vector>

namespace flashstub {

struct Command {
    std::wstring command;
    std::wstring args;
};

class CommandSource {
public:
    CommandSource() = default;
    CommandSource(const CommandSource&) = delete;
    CommandSource& operator=(const CommandSource&) = delete;
    virtual ~CommandSource() = default;

    // A movie path was put (empty: no movie).
    virtual void MovieLoaded(const std::wstring& path) { (void)path; }
    // Appends the commands due now.
    virtual void Poll(std::vector<Command>& due) = 0;
};

// The file named by VELVINOR_STUB_COMMANDS: UTF-8 lines "command<TAB>args" (no tab:
// empty args), each raised once. Only lines ended by a line feed are taken, so a
// test may append at any moment; a carriage return before the line feed is dropped;
// empty lines are skipped. A file that shrank was rewritten and is read from its start.
class CommandFileSource final : public CommandSource {
public:
    explicit CommandFileSource(std::wstring path) : m_path(std::move(path)) {}
    void Poll(std::vector<Command>& due) override;

private:
    std::wstring m_path;
    unsigned long long m_offset = 0;
};

// The sources the environment asks for.
std::vector<std::unique_ptr<CommandSource>> CreateCommandSources();

}  // namespace flashstub
