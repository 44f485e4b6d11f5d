#include <gtest/gtest.h>

#include "SoundTestSupport.h"
#include "host/MainFrm.h"
#include "runtime/Text.h"
#include "sound/VolumeCommand.h"

namespace vel {
namespace {

using namespace mixer;
using test::SoundGame;

// A game whose master volume control (id 1) has the given step count over 0..65535.
void StartWithMaster(SoundGame& game, std::uint32_t steps, std::int32_t value = 0, std::uint32_t minimum = 0) {
    auto& m = game.mixer;
    m.AddDevice();
    m.AddDestination(4);
    m.AddControl(ControlVolume, 1, value, minimum, 65535, steps);
    m.AddSource(SrcWaveOut);
    game.Start();
    game.Settle();
}

// With 100 steps the track bar position is the percentage itself.
TEST(VolumeCommand, ArgumentBecomesAPercentage) {
    struct Case {
        const char16_t* argument;
        int percent;
    } cases[] = {
        {u"", 10},     {u"loud", 10},  {u"7 ", 10},    {u" 7", 7},        {u"$32", 50},     {u"0x32", 50},
        {u"+40", 40},  {u"0", 0},      {u"250", 100},  {u"-5", 100},      {u"65636", 100},  {u"65537", 1},
        {u"X1e", 30},  {u"99999999999", 10}, {u"42", 42},
    };
    SoundGame game;
    StartWithMaster(game, 100);
    for (const Case& c : cases) {
        game.Command(u"SetVolume", c.argument);
        game.Settle();
        EXPECT_EQ(game.Form().GeneralTrackBar.Position(), c.percent) << WideToUtf8(c.argument);
        EXPECT_EQ(game.Value(1), 655 * c.percent) << WideToUtf8(c.argument);
        EXPECT_EQ(GetVolumePercent(game.p->SoundControlForm.get()), c.percent) << WideToUtf8(c.argument);
    }
}

TEST(VolumeCommand, WorkedExampleWithThirtyOneSteps) {
    SoundGame game;
    StartWithMaster(game, 31);
    game.Command(u"setvolume", u"50");
    EXPECT_EQ(game.Form().GeneralTrackBar.Position(), 16);
    EXPECT_EQ(game.Value(1), 33824);
    game.Settle();
    EXPECT_EQ(game.Form().GeneralTrackBar.Position(), 16);
    game.m.ui.Wait(50);
    EXPECT_EQ(game.Variable("_root.currentvolume"), "52");
}

TEST(VolumeCommand, StepsBeyondTheRangeAlwaysWriteTheMinimum) {
    SoundGame game;
    StartWithMaster(game, 65536, 3000, 1000);
    for (const char16_t* argument : {u"50", u"100", u"1"}) {
        game.Command(u"setvolume", argument);
        EXPECT_EQ(game.Value(1), 1000) << WideToUtf8(argument);
        game.Settle();
    }
}

// The read-back rounds half to even: 1 of 8 is 12.5 %.
TEST(VolumeCommand, ReadBackOfEightSteps) {
    SoundGame game;
    StartWithMaster(game, 8);
    game.Command(u"setvolume", u"12");
    game.Settle();
    EXPECT_EQ(game.Form().GeneralTrackBar.Position(), 1);
    game.m.ui.Wait(50);
    EXPECT_EQ(game.Variable("_root.currentvolume"), "12");
}

TEST(VolumeCommand, SameValueTwiceWritesTwice) {
    SoundGame game;
    StartWithMaster(game, 31);
    game.Command(u"setvolume", u"50");
    game.Settle();
    const auto before = game.mixerTrace.Lines().size();
    game.Command(u"setvolume", u"50");
    EXPECT_EQ(game.mixerTrace.Since(before), std::vector<std::string>{"mixer set control 1 = 33824"});
}

// The main window's timer writes the three variables on every tick, from the
// first movie start until "quit".
TEST(StateFeedback, TimerWritesThreeVariablesEveryTickUntilQuit) {
    SoundGame game;
    StartWithMaster(game, 100);
    EXPECT_TRUE(game.Main().StateTimer.Enabled());
    std::uint16_t esc = 27;
    game.Main().FormKeyUp(esc, 0);
    game.Command(u"setvolume", u"37");
    game.Settle();
    auto& writes = game.m.movie.current->writes;
    writes.clear();
    game.m.ui.Wait(100);
    using Write = std::pair<std::string, std::string>;
    const std::vector<Write> tick = {{"_root.currentvolume", "37"}, {"_root.mpg", "0"}, {"_root.minimized", "0"}};
    std::vector<Write> twoTicks = tick;
    twoTicks.insert(twoTicks.end(), tick.begin(), tick.end());
    EXPECT_EQ(writes, twoTicks);

    game.m.ui.UserMinimize();
    game.m.ui.Wait(50);
    EXPECT_EQ(game.Variable("_root.minimized"), "1");

    game.Command(u"quit");
    EXPECT_FALSE(game.Main().StateTimer.Enabled());
    EXPECT_FALSE(game.Form().PeakMeterTimer.Enabled());
    writes.clear();
    game.m.ui.ResetQuit();
    game.m.ui.Wait(500);
    EXPECT_TRUE(writes.empty());
}

}  // namespace
}  // namespace vel
