#pragma once
// Fixtures for the sound tests: a mixer whose change notices wait in a queue the
// test delivers itself (bounded, so a notice loop fails the test instead of
// hanging it), on its own or under a running game.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "host/MainFrm.h"
#include "platform/sim/SimMachine.h"
#include "sound/SCFrm.h"
#include "sound/SndControls.h"
#include "startup/Velvinor.h"

namespace vel::test {

// The mixer service with its notice queue.
struct NoticeMixer {
    sim::Trace mixerTrace;
    std::deque<std::function<void()>> notices;
    sim::SimMixer mixer{mixerTrace, [this](std::function<void()> notice) { notices.push_back(std::move(notice)); }};

    // Runs notices (each may post more) until none waits, at most `limit` of them;
    // returns how many ran.
    template <typename Run>
    int Deliver(Run run, int limit) {
        int count = 0;
        while (!notices.empty() && count < limit) {
            auto notice = std::move(notices.front());
            notices.pop_front();
            run(notice);
            ++count;
        }
        return count;
    }
    static constexpr int kPatience = 10000;
};

// The line objects alone, set up on the window 0x77.
struct MixerRig : NoticeMixer {
    SndControls lines;
    int changes = 0;
    void Init() {
        lines.InitMixer(mixer, 0x77, [this] { ++changes; });
    }
    int Deliver() {
        int count = NoticeMixer::Deliver([](const std::function<void()>& notice) { notice(); }, kPatience);
        EXPECT_TRUE(notices.empty()) << "change notices still coming after " << count;
        return count;
    }
};

// An installed game on a simulated machine, its mixer being this fixture's.
struct SoundGame : NoticeMixer {
    sim::SimMachine machine;
    std::unique_ptr<Program> program;

    SoundGame() {
        machine.process.programPath = "C:\\Game\\Velvinor.exe";
        for (const char* file : {"C:\\Game\\Velvinor.exe", "C:\\Game\\SWF\\Game.swf", "C:\\Game\\SWF\\logo_deve.avi",
                                 "C:\\Game\\SWF\\logo_trelkon.avi"})
            machine.files.AddFile(file, "data");
        machine.registry.Set("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe", "Path",
                             "C:\\Game\\");
        machine.registry.Set("\\Software\\Trelkon\\Velvinor", "", "");
    }
    ~SoundGame() {
        program.reset();
        machine.ui.DropPosted();
    }

    // Starts the program (its windows exist afterwards; the loop is not entered).
    void Start() {
        Platform p = machine.platform();
        program = std::make_unique<Program>(
            Platform{p.ui, p.registry, p.files, p.shell, p.process, p.media, mixer, p.dde, p.movie, p.printer, p.clock});
        ASSERT_TRUE(program->Start());
    }
    TSoundControlForm& Form() { return *program->SoundControlForm; }
    TMainForm& Main() { return *program->MainForm; }
    // The movie raises a command.
    void Command(const std::u16string& name, const std::u16string& args = u"") {
        machine.movie.current->Raise(name, args);
    }
    // Delivers change notices until none comes (failing the test if they do not stop).
    int Settle(int limit = kPatience) {
        int count = NoticeMixer::Deliver(
            [this](const std::function<void()>& notice) { program->app.RunPosted(notice); }, limit);
        EXPECT_TRUE(notices.empty()) << "change notices still coming after " << count;
        return count;
    }
    void DeliverOne() {
        NoticeMixer::Deliver([this](const std::function<void()>& notice) { program->app.RunPosted(notice); }, 1);
    }
    std::int32_t Value(std::uint32_t controlId) { return mixer.FindControl(0, controlId)->value; }
    std::string Variable(const std::string& name) { return machine.movie.current->variables[name]; }
};

}  // namespace vel::test
