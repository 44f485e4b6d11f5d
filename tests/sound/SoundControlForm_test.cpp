#include <gtest/gtest.h>

#include <climits>

#include "SoundTestSupport.h"

namespace vel {
namespace {

using namespace mixer;
using test::SoundGame;

constexpr std::uint32_t kSpeakers = 4;

// A game whose master line has one volume control (id 1) and a mute (id 2).
void MasterVolume(SoundGame& game, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t steps,
                  std::uint32_t value) {
    auto& m = game.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    m.AddControl(ControlVolume, 1, static_cast<std::int32_t>(value), minimum, maximum, steps);
    m.AddControl(ControlMute, 2, 0, 0, 1);
    m.AddSource(SrcWaveOut);
}

std::vector<Control*> Rows(TSoundControlForm& f) {
    return {&f.GeneralTrackBar, &f.WaveTrackBar,    &f.CDTrackBar,         &f.MicTrackBar,
            &f.GeneralCB,       &f.WaveCB,          &f.CDCB,               &f.MicCB,
            &f.GeneralProgressBar, &f.WaveProgressBar, &f.CDProgressBar, &f.MicProgressBar};
}

TEST(SoundControlWindow, WithoutAMixerAllControlsHideAndTheGameRuns) {
    SoundGame game;
    game.Start();
    TSoundControlForm& form = game.Form();
    for (Control* c : Rows(form)) EXPECT_FALSE(c->Visible()) << c->Name();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.GeneralTrackBar.Max(), 10);
    EXPECT_EQ(form.GeneralTrackBar.Position(), 0);

    game.m.ui.Wait(50);
    EXPECT_EQ(game.Variable("_root.currentvolume"), "0");
    // The track bar keeps the volume by itself: 2.5 of 10 goes to the even 2.
    game.Command(u"setvolume", u"25");
    game.m.ui.Wait(50);
    EXPECT_EQ(form.GeneralTrackBar.Position(), 2);
    EXPECT_EQ(game.Variable("_root.currentvolume"), "20");
    EXPECT_EQ(game.mixer.writes, 0);
    EXPECT_EQ(game.m.trace.Text().find("messagebox"), std::string::npos);
}

// Where a volume shows on the track bar after a refresh.
TEST(SoundControlWindow, RefreshPlacesTheTrackBar) {
    struct Case {
        std::uint32_t minimum, maximum, steps, value;
        int max, position;
    } cases[] = {
        {0, 65535, 31, 33824, 31, 16},
        {0, 65535, 31, 0, 31, 0},
        {0, 65535, 192, 65535, 192, 192},
        {1000, 2000, 10, 1450, 10, 4},    // 4.5 goes to the even 4
        {1000, 2000, 10, 500, 10, 10},    // below the minimum: the difference wraps
        {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x7FFFFFFF, INT_MAX, INT_MAX},
        {500, 500, 8, 500, 8, 8},         // one value only: the top
        {500, 500, 0, 500, 0, 0},
    };
    for (const Case& c : cases) {
        SoundGame game;
        MasterVolume(game, c.minimum, c.maximum, c.steps, c.value);
        game.Start();
        game.Settle();
        const TrackBar& bar = game.Form().GeneralTrackBar;
        EXPECT_TRUE(bar.Visible());
        EXPECT_EQ(bar.Max(), c.max) << c.steps << " " << c.value;
        EXPECT_EQ(bar.Position(), c.position) << c.steps << " " << c.value;
    }
}

// Moving a track bar writes whole steps from the minimum.
TEST(SoundControlWindow, TrackBarWritesWholeSteps) {
    struct Case {
        std::uint32_t minimum, maximum, steps;
        int position;
        std::uint32_t written;
    } cases[] = {
        {0, 65535, 31, 16, 33824},
        {0, 65535, 192, 192, 65472},
        {0, 65535, 65536, 40000, 0},
        {1000, 65535, 65536, 1, 1000},
        {100, 1100, 10, 3, 400},
    };
    for (const Case& c : cases) {
        SoundGame game;
        MasterVolume(game, c.minimum, c.maximum, c.steps, c.maximum);
        game.Start();
        TSoundControlForm& form = game.Form();
        form.GeneralTrackBar.UserSetPosition(c.position);
        form.GeneralTrackBarChange(form.GeneralTrackBar);
        EXPECT_EQ(static_cast<std::uint32_t>(game.Value(1)), c.written) << c.steps << " " << c.position;
    }
}

// Each notice lowers the position until the written value maps back onto it.
TEST(SoundControlWindow, RefreshLoopSettles) {
    SoundGame game;
    MasterVolume(game, 0, 65535, 1000, 0);
    game.Start();
    TrackBar& bar = game.Form().GeneralTrackBar;
    bar.UserSetPosition(1000);
    EXPECT_EQ(game.Value(1), 65000);
    game.DeliverOne();
    EXPECT_EQ(bar.Position(), 992);
    EXPECT_EQ(game.Value(1), 64480);
    game.Settle();
    EXPECT_EQ(bar.Position(), 61);
    EXPECT_EQ(game.Value(1), 3965);
    game.Form().RefreshAll();
    EXPECT_EQ(bar.Position(), 61);
    EXPECT_TRUE(game.notices.empty());
}

TEST(SoundControlWindow, RowsFollowTheMixerWhoeverChangesIt) {
    SoundGame game;
    auto& m = game.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    m.AddControl(ControlVolume, 1, 33824, 0, 65535, 31);
    m.AddControl(ControlMute, 2, 0, 0, 1);
    m.AddControl(ControlPeakMeter, 3, 0, 0x80000000u, 0x7FFFFFFF);
    m.AddSource(SrcWaveOut);
    m.AddControl(ControlMute, 10, 1, 0, 1);
    m.AddControl(ControlPeakMeter, 11, -1200, 0x80000000u, 0x7FFFFFFF);
    game.Start();
    game.Settle();
    TSoundControlForm& form = game.Form();
    EXPECT_TRUE(form.GeneralCB.Checked());
    EXPECT_FALSE(form.GeneralProgressBar.Visible());  // the master line has no meter
    EXPECT_FALSE(form.WaveTrackBar.Visible());
    EXPECT_TRUE(form.WaveCB.Visible());
    EXPECT_FALSE(form.WaveCB.Checked());
    EXPECT_TRUE(form.WaveProgressBar.Visible());
    EXPECT_EQ(form.WaveProgressBar.Max(), 32767);
    EXPECT_EQ(form.WaveProgressBar.Position(), 1200);

    // Muted elsewhere: the box clears and writes the mute back.
    int writes = m.writes;
    m.SetByOther(2, 1);
    game.Settle();
    EXPECT_FALSE(form.GeneralCB.Checked());
    EXPECT_EQ(m.writes, writes + 1);
    EXPECT_EQ(game.mixerTrace.Lines().back(), "mixer set control 2 = 1");

    // Turned up elsewhere: the track bar follows, quantised to its steps.
    m.SetByOther(1, 65535);
    game.Settle();
    EXPECT_EQ(form.GeneralTrackBar.Position(), 31);
    EXPECT_EQ(game.Value(1), 65534);

    form.WaveCB.UserClick();
    EXPECT_EQ(game.Value(10), 0);
}

TEST(SoundControlWindow, TimerShowsPeaksOnlyWhileTheWindowIsVisible) {
    SoundGame game;
    auto& m = game.mixer;
    m.AddDevice();
    m.AddDestination(DstWaveIn);
    m.AddSource(SrcMicrophone);
    m.AddControl(ControlPeakMeter, 1, 300, 0x80000000u, 0x7FFFFFFF);
    game.Start();
    TSoundControlForm& form = game.Form();
    EXPECT_EQ(form.MicProgressBar.Position(), 300);
    m.SetByOther(1, -900);
    game.notices.clear();
    form.ShowPeakLevels();
    EXPECT_EQ(form.MicProgressBar.Position(), 300);
    // Hidden, its timer stays enabled but does not wake the program.
    game.m.ui.Wait(300);
    EXPECT_EQ(form.MicProgressBar.Position(), 300);
    EXPECT_TRUE(form.PeakMeterTimer.Enabled());
    EXPECT_FALSE(game.m.ui.TimerRunning(form.PeakMeterTimer.Id()));
    form.Show();
    game.m.ui.Wait(100);
    EXPECT_EQ(form.MicProgressBar.Position(), 900);
    EXPECT_FALSE(form.GeneralProgressBar.Visible());
}

TEST(SoundControlWindow, DestructionClosesTheMixer) {
    SoundGame game;
    MasterVolume(game, 0, 65535, 31, 0);
    game.Start();
    EXPECT_EQ(game.mixer.OpenCount(), 1u);
    game.p.reset();
    EXPECT_EQ(game.mixer.OpenCount(), 0u);
}

}  // namespace
}  // namespace vel
