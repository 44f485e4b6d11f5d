// The trace: its bound (one runaway loop must end the run, not eat the memory)
// and the services a scenario shows.

#include <gtest/gtest.h>

#include "platform/sim/Trace.h"
#include "support/SimProgram.h"

namespace vel::sim {
namespace {

TEST(Trace, StopsAtItsLimitWithOneClosingLine) {
    Trace trace(2);
    trace.Add("a");
    trace.Add("b");
    EXPECT_FALSE(trace.Overflowed());
    EXPECT_THROW(trace.Add("c"), TraceOverflow);
    trace.Add("d");  // dropped, no second error while the program unwinds
    ASSERT_EQ(trace.Lines().size(), 3u);
    EXPECT_EQ(trace.Lines().back(), "== the trace stops at 2 lines: the program runs away");
    EXPECT_TRUE(trace.Overflowed());
}

TEST(Trace, ARunawayRunEndsTheScenarioWithAnError) {
    SimMachine machine;
    machine.trace = Trace(200);
    Scenario scenario(machine);
    std::string text = test::InstalledGame("start\n");
    for (int i = 0; i < 200; ++i) text += "wait 1\n";
    EXPECT_THROW(scenario.Run(text), ScenarioError);
    EXPECT_TRUE(machine.trace.Overflowed());
    EXPECT_EQ(machine.trace.Lines().size(), 201u);
}

TEST(Trace, ShowsOnlyTheChosenServicesAndAlwaysTheRunnersOwnLines) {
    Trace trace;
    trace.Add("ui create MainForm");
    EXPECT_EQ(trace.ShowOnly({"cursor", "registry"}), "");
    for (const char* line : {"ui create IntroForm", "ui cursor wait", "reg write \"K\"", "file mkdir \"C:\\A\"",
                             "== start", "> keyup", "# note", "registry:", "  \"HKLM\\K\""})
        trace.Add(line);
    trace.ShowAll();
    trace.Add("file delete \"C:\\A\"");
    EXPECT_EQ(trace.Text(),
              "ui create MainForm\nui cursor wait\nreg write \"K\"\n== start\n> keyup\n# note\nregistry:\n"
              "  \"HKLM\\K\"\nfile delete \"C:\\A\"\n");
    EXPECT_EQ(trace.Lines().size(), 11u);
    EXPECT_EQ(trace.ShowOnly({"movie", "windowz"}), "windowz");
}

// A test that looks for a line's absence must name a shape the trace writes, or it
// cannot fail: a verb renamed since, a service that does not exist.
TEST(Trace, KnowsTheShapesItsServicesWrite) {
    const struct {
        const char* prefix;
        bool known;
    } cases[] = {
        {"shell open", true},         {"shell open \"C:\\A.txt\"", true}, {"shell", true},
        {"shell ", true},             {"messagebox", true},                 {"messagebox caption=\"A\"", true},
        {"ui cursor hourglass", true}, {"script ends: the batch file cannot be found", true},
        {"shell execute", false},     {"shell op", false},                  {"window show MainForm", false},
        {"ui showing", false},        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(Trace::KnownShape(c.prefix), c.known) << c.prefix;

    Trace trace;
    EXPECT_THROW(trace.Add("shell execute \"C:\\A.txt\""), std::logic_error);
    trace.Add("file \"C:\\A.txt\":", true);  // a dump's title is no service's line
}

}  // namespace
}  // namespace vel::sim
