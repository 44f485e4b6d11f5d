// Scenario lines that describe something that cannot happen end the scenario
// with an error naming the line, instead of passing silently.

#include <gtest/gtest.h>

#include <algorithm>

#include "support/SimProgram.h"

namespace vel::sim {
namespace {

TEST(ScenarioLanguage, RefusesEventsThatCannotHappen) {
    // Each case's last line is the bad one; most are read while the program runs,
    // where the program's own error handling must not take them for its own.
    const struct {
        const char* lines;
        const char* error;
    } cases[] = {
        {"keyup IntroForm Esc\nduring pump fscommand quit\n", "during: the program waits in no pump here"},
        {"keyup IntroForm Esc\nduring messagebox wait 10\n", "during: the program waits in no messagebox here"},
        {"during\n", "during: the program waits in no nested loop here"},
        {"media-end-closed\n", "media-end-closed: no device was closed after a play"},
        {"trace movie window\n", "trace: unknown service window"},
        {"keyup IntroForm Esc\nclick StartingForm.Edit1\n", "no window or control StartingForm.Edit1"},
        {"rbutton NoSuchForm\n", "no window or control NoSuchForm"},
        {"keyup IntroForm Esc\nwait ten\n", "not a number: ten"},
        {"keyup IntroForm Esc\nwait 3600001\n", "wait: 0 to 3600000 ms"},
        {"keyup IntroForm Esc\nfrobnicate MainForm\n", "unknown command frobnicate"},
        {"fscommand quit\nrun-script \"C:\\nothing.bat\"\n", "run-script: no file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        const std::string text = test::InstalledGame("start\n") + c.lines;
        SimMachine machine;
        Scenario scenario(machine);
        try {
            scenario.Run(text);
            ADD_FAILURE() << "the scenario passed:\n" << machine.trace.Text();
        } catch (const ScenarioError& error) {
            EXPECT_NE(error.message().find(c.error), std::string::npos) << error.what();
            EXPECT_EQ(error.line(), std::count(text.begin(), text.end(), '\n')) << error.what();
        }
        EXPECT_EQ(machine.trace.Text().find("== the program failed"), std::string::npos) << machine.trace.Text();
        EXPECT_EQ(machine.trace.Text().find("no window or control"), std::string::npos)
            << "the program showed the scenario's own error:\n" << machine.trace.Text();
    }
}

}  // namespace
}  // namespace vel::sim
