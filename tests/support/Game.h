#pragma once
// The installed-game fixture: a simulated machine with the game in a folder, the
// program started on it, the movie's commands and keys, and the trace since a mark.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/SimMachine.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"
#include "support/SimProgram.h"

namespace vel::test {

class Game {
public:
    // The game in `folder` (with its final backslash) on drive `drive` of `type`: its
    // files, the backdrop and the product key; `registered` adds the App Paths entry
    // of an installed copy.
    explicit Game(const std::string& folder = "C:\\Game\\", DriveType type = DriveType::Fixed,
                  bool registered = false)
        : folder(folder) {
        if (ExtractFileDrive(folder) != "C:") m.files.AddDrive(ExtractFileDrive(folder), type, 1'000'000);
        m.process.programPath = folder + "Velvinor.exe";
        for (const char* f : kGameFiles) m.files.AddFile(folder + f, "data");
        m.files.AddFile(folder + "SWF\\frame.bmp", "BM-frame");
        if (registered)
            m.registry.Set("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe", "Path", folder);
        m.registry.Set("\\Software\\Trelkon\\Velvinor", "", "", RegValueType::String);
    }
    ~Game() {
        p.reset();
        m.ui.DropPosted();
    }

    // Starts the program (its windows exist afterwards; the loop is not entered), on
    // `mixer` in place of the machine's own when one is given.
    void Start(Mixer* mixer = nullptr);
    // Starts the program and enters its loop; with skipIntro the intro is skipped with Esc.
    void Run(bool skipIntro = true);

    void Command(const std::string& name, const std::string& args = "") {
        m.movie.current->Raise(Utf8ToWide(name), Utf8ToWide(args));
    }
    void Command(const std::u16string& name, const std::u16string& args = u"") { m.movie.current->Raise(name, args); }
    void Key(Form& form, std::uint16_t key) { form.UserKeyUp(key, 0); }
    // Lets the loop run: posted notices, then timer ticks for `ms`.
    void Loop(std::uint32_t ms = 0) { m.ui.Wait(ms); }
    // Ends the current play with a notice and lets it arrive.
    void End(std::uint32_t value = notify::Successful) {
        ASSERT_TRUE(m.media.EndPlay(value));
        Loop();
    }

    TMainForm& Main() { return *p->MainForm; }
    bool MovieShown();
    bool BackdropShown();
    std::string Variable(const std::string& name) { return m.movie.current->variables[name]; }

    // Trace lines since the last Mark() that begin with `prefix`.
    std::vector<std::string> Lines(const std::string& prefix) const {
        RequireLineShape(prefix);
        std::vector<std::string> out;
        for (const auto& line : m.trace.Since(mark))
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        return out;
    }
    void Mark() { mark = m.trace.Lines().size(); }
    // The texts of the message boxes shown since the last Mark().
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& line : Lines("messagebox ")) {
            std::size_t from = line.find(" text=\"") + 7, to = line.find("\" buttons=");
            std::string text = line.substr(from, to - from);
            for (std::size_t q = text.find("\"\""); q != std::string::npos; q = text.find("\"\"", q + 1))
                text.erase(q, 1);
            out.push_back(text);
        }
        return out;
    }

    std::string folder;
    sim::SimMachine m;
    std::unique_ptr<Program> p;
    std::size_t mark = 0;
};

}  // namespace vel::test
