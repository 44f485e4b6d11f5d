#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tools/scenario/Scenario.h"

namespace vel {
namespace {

// One start of a game whose product key exists; the trace of the run.
std::vector<std::string> StartWith(const std::string& clockLine) {
    sim::SimMachine machine;
    sim::Scenario scenario(machine);
    scenario.Run("reg \"\\Software\\Trelkon\\Velvinor\" \"\" \"\"\n" + clockLine + "\nstart\n");
    return machine.trace.Lines();
}

std::vector<std::string> FlashVars(const std::vector<std::string>& trace) {
    std::vector<std::string> vars;
    for (const auto& l : trace)
        if (l.rfind("movie flashvars", 0) == 0) vars.push_back(l);
    return vars;
}

TEST(FrequencyProbe, MovieGetsTheSleepsCyclesInWholeMHzRoundedHalfToEven) {
    struct Case {
        const char* kHz;  // 250 ms at this rate: 625,000,000, 500,125,000, 500,375,000 cycles
        const char* freq;
    } cases[] = {{"2500000", "2500"}, {"2000500", "2000"}, {"2001500", "2002"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kHz);
        auto vars = FlashVars(StartWith(std::string("clock-counter ") + c.kHz));
        ASSERT_EQ(vars.size(), 1u);
        EXPECT_NE(vars[0].find(std::string("ProcessorFreq=") + c.freq + "&"), std::string::npos) << vars[0];
    }
}

TEST(FrequencyProbe, UnusableCounterGivesZeroAfterOneMessage) {
    auto trace = StartWith("clock-counter off");
    EXPECT_EQ(std::count(trace.begin(), trace.end(),
                         "messagebox caption=\"Вельвинор\" text=\"Clock counter is not supported on this processor !\" "
                         "buttons=OK -> OK"),
              1);
    auto vars = FlashVars(trace);
    ASSERT_EQ(vars.size(), 1u);
    EXPECT_NE(vars[0].find("ProcessorFreq=0&"), std::string::npos) << vars[0];
}

}  // namespace
}  // namespace vel
