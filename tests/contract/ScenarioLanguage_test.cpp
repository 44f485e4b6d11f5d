// Scenario lines that describe something that cannot happen end the scenario
// with an error naming the line, instead of passing silently.

#include <gtest/gtest.h>

#include "support/SimProgram.h"

namespace vel::sim {
namespace {

TEST(ScenarioLanguage, RefusesEventsThatCannotHappen) {
    const struct {
        const char* lines;
        const char* error;
    } cases[] = {
        {"keyup IntroForm Esc\nduring pump fscommand quit\n", "during: the program waits in no pump here"},
        {"keyup IntroForm Esc\nduring messagebox wait 10\n", "during: the program waits in no messagebox here"},
        {"during\n", "during: the program waits in no nested loop here"},
        {"media-end-closed\n", "media-end-closed: no device was closed after a play"},
        {"trace movie window\n", "trace: unknown service window"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        SimMachine machine;
        Scenario scenario(machine);
        try {
            scenario.Run(test::InstalledGame("start\n") + c.lines);
            // Errors inside a run end the run with the program's failure line.
            EXPECT_NE(machine.trace.Text().find(c.error), std::string::npos) << machine.trace.Text();
        } catch (const ScenarioError& error) {
            EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace vel::sim
