#pragma once
// The system shell, in what the program asks of it: open a document or a file with
// the program the system gives it, start a program, copy a folder with the system's
// progress. How a backend does it (verbs, show commands, copy flags, the numeric
// results of its calls) stays in the backend; the program only branches on the
// outcome and shows the code a failure gives.

#include <string>

#include "platform/Types.h"

namespace vel {

// What became of an opening or a start.
struct ShellStart {
    bool started = false;
    // Not started: the number the user sees in "Ошибка N". Windows gives the shell's
    // own code (2 no such file, 3 no such folder, 31 no program for that kind of
    // file); another system gives these where they fit, a code of its own where not.
    int errorCode = 0;

    static ShellStart Started() { return {true, 0}; }
    static ShellStart Failed(int code) { return {false, code}; }
    bool operator==(const ShellStart&) const = default;
};

enum class FolderCopy {
    Done,
    Cancelled,  // the user stopped it
    Failed,     // something could not be read or written
};

class Shell {
public:
    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell() = default;

    // Opens a document or a file with the program the system gives that kind of file
    // (a folder: shows it), its window shown as usual; returns once it has started.
    // `owner` (0: none) is the window any question of the system's belongs to.
    virtual ShellStart OpenFile(WindowHandle owner, const std::string& path) = 0;

    // Starts a program file, or a script the system runs, without showing a window,
    // in `folder` (the current folder when empty); does not wait for it.
    virtual ShellStart StartHidden(WindowHandle owner, const std::string& program, const std::string& folder) = 0;

    // Starts a command line (a program the system looks for by its name, and its
    // arguments) minimised, without taking the focus, and returns once the program
    // waits for input (a server it starts has announced itself) or after about ten
    // seconds; false when it did not start.
    virtual bool StartInBackground(const std::string& commandLine) = 0;

    // Copies everything in `folder` (ending in a backslash), subfolders included,
    // into `target`: files are replaced and folders made without a question, and the
    // system's progress shows, owned by `owner`. What was copied before a cancel or
    // a failure stays.
    virtual FolderCopy CopyFolderContents(WindowHandle owner, const std::string& folder,
                                          const std::string& target) = 0;
};

}  // namespace vel
