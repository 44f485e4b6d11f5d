#include <gtest/gtest.h>

#include <limits>

#include "SoundTestSupport.h"

namespace vel {
namespace {

using namespace mixer;
using test::MixerRig;

constexpr std::uint32_t kSpeakers = 4;

// The control ids a line object ended with (0 = none of that kind).
struct Taken {
    std::uint32_t mute, volume, peak;
    bool operator==(const Taken&) const = default;
};
Taken TakenBy(const TSndControl& line) {
    return {line.HasMute ? line.MuteControl.controlId : 0, line.HasVolume ? line.VolumeControl.controlId : 0,
            line.HasPeak ? line.PeakControl.controlId : 0};
}
std::ostream& operator<<(std::ostream& out, const Taken& t) {
    return out << "{mute " << t.mute << ", volume " << t.volume << ", peak " << t.peak << "}";
}

void Volume(sim::SimMixer& m, std::uint32_t id, std::int32_t value = 0) { m.AddControl(ControlVolume, id, value, 0, 65535, 31); }
void Mute(sim::SimMixer& m, std::uint32_t id, std::int32_t value = 0) { m.AddControl(ControlMute, id, value, 0, 1); }
void Peak(sim::SimMixer& m, std::uint32_t id, std::int32_t value = 0) {
    m.AddControl(ControlPeakMeter, id, value, 0x80000000u, 0x7FFFFFFF);
}

TEST(MixerLines, WithoutAMixerDeviceNothingIsReadOrWritten) {
    MixerRig rig;
    rig.Init();
    for (TSndControl* line : {rig.lines.GeneralControl.get(), rig.lines.WaveControl.get(), rig.lines.CDControl.get(), rig.lines.MicControl.get()}) {
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(TakenBy(*line), (Taken{0, 0, 0}));
        EXPECT_FALSE(line->SoundOn());
        EXPECT_EQ(line->Volume(), 0u);
        EXPECT_EQ(line->Peak(), 0);
        line->SetVolume(1000);
        line->SetSoundOn(false);
    }
    EXPECT_EQ(rig.lines.MixerHandle, 0u);
    EXPECT_EQ(rig.mixer.writes, 0);
}

// General keeps the first mute and volume it meets (device, destination and list
// order), the other lines the last; destinations without sources give nothing.
TEST(MixerLines, ControlsAreTakenInTheirOrder) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);  // no sources: not even its own controls count
    Mute(m, 90);
    Volume(m, 91);
    m.AddDestination(kSpeakers);
    Volume(m, 1);
    Peak(m, 2);  // General never takes a meter
    Volume(m, 3);
    m.AddSource(SrcWaveOut);
    Mute(m, 10);
    Volume(m, 11);
    Peak(m, 12);
    m.AddSource(SrcMicrophone);  // a playback microphone is not the Mic line
    Volume(m, 13);
    m.AddDestination(DstWaveIn);
    Mute(m, 20);
    Volume(m, 21);
    m.AddSource(SrcMicrophone);
    Mute(m, 30);
    Volume(m, 31);
    Peak(m, 32);
    Volume(m, 33);
    m.AddSource(SrcWaveOut);  // a later wave output replaces the volume only
    Volume(m, 40);
    m.AddSource(SrcAuxiliary);
    Volume(m, 50);
    m.AddSource(SrcCompactDisc);
    Mute(m, 60);
    Volume(m, 61);
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Mute(m, 100);
    Volume(m, 101);
    m.AddSource(SrcWaveOut);
    Peak(m, 110);
    rig.Init();

    EXPECT_EQ(TakenBy(*rig.lines.GeneralControl), (Taken{20, 1, 0}));
    EXPECT_EQ(TakenBy(*rig.lines.WaveControl), (Taken{10, 40, 110}));
    EXPECT_EQ(TakenBy(*rig.lines.MicControl), (Taken{30, 33, 32}));
    EXPECT_EQ(TakenBy(*rig.lines.CDControl), (Taken{60, 61, 0}));
    // General's mute was found on the first device; the handle is the last one opened.
    EXPECT_EQ(rig.lines.MixerId, 0u);
    EXPECT_EQ(rig.mixer.OpenCount(), 2u);
}

TEST(MixerLines, MixerIdNamesTheDeviceOfTheFirstMute) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Volume(m, 1);
    m.AddSource(SrcWaveOut);
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Mute(m, 2);
    Volume(m, 3);
    m.AddSource(SrcWaveOut);
    rig.Init();
    EXPECT_EQ(TakenBy(*rig.lines.GeneralControl), (Taken{2, 1, 0}));
    EXPECT_EQ(rig.lines.MixerId, 1u);
}

// An auxiliary recording source stands in for CD only when no CD source gave a
// volume control, and only after every source was looked at.
TEST(MixerLines, AuxiliarySourceIsTheFallbackForCD) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::vector<std::pair<std::uint32_t, std::uint32_t>>>> sources;
        Taken cd;
    };
    const std::vector<Case> cases = {
        {"cd with volume", {{SrcCompactDisc, {{ControlVolume, 1}, {ControlMute, 2}}}, {SrcAuxiliary, {{ControlVolume, 3}, {ControlMute, 4}}}}, {2, 1, 0}},
        {"aux first, cd with volume", {{SrcAuxiliary, {{ControlVolume, 3}}}, {SrcCompactDisc, {{ControlVolume, 1}}}}, {0, 1, 0}},
        {"cd without volume", {{SrcCompactDisc, {{ControlMute, 1}, {ControlPeakMeter, 2}}}, {SrcAuxiliary, {{ControlVolume, 3}, {ControlMute, 4}}}}, {4, 3, 2}},
        {"no cd", {{SrcAuxiliary, {{ControlMute, 4}, {ControlPeakMeter, 5}, {ControlVolume, 3}}}}, {4, 3, 5}},
        {"neither", {{SrcMicrophone, {{ControlVolume, 7}}}}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        MixerRig rig;
        auto& m = rig.mixer;
        m.AddDevice();
        m.AddDestination(DstWaveIn);
        for (const auto& [type, controls] : c.sources) {
            m.AddSource(type);
            for (const auto& [kind, id] : controls) m.AddControl(kind, id, 0, 0, 65535, 31);
        }
        rig.Init();
        EXPECT_EQ(TakenBy(*rig.lines.CDControl), c.cd) << c.what;
    }
}

// Devices, lines and lists that fail are skipped without a word.
TEST(MixerLines, FailuresSkipWhatCannotBeRead) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice().failOpen = true;
    m.AddDestination(kSpeakers);
    Mute(m, 1);
    m.AddSource(SrcWaveOut);
    m.AddDevice();
    m.AddDestination(kSpeakers).failQuery = true;
    Mute(m, 10);
    m.AddSource(SrcWaveOut);
    m.AddDestination(kSpeakers);
    Volume(m, 20);
    m.AddSource(SrcWaveOut).failControls = true;
    Volume(m, 21);
    m.AddSource(SrcWaveOut);
    Mute(m, 22);
    m.AddDestination(DstWaveIn);
    m.AddSource(SrcMicrophone).failQuery = true;
    Volume(m, 30);
    m.AddSource(SrcCompactDisc);
    Volume(m, 31);
    rig.Init();
    EXPECT_EQ(TakenBy(*rig.lines.GeneralControl), (Taken{0, 20, 0}));
    EXPECT_EQ(TakenBy(*rig.lines.WaveControl), (Taken{22, 0, 0}));
    EXPECT_EQ(TakenBy(*rig.lines.MicControl), (Taken{0, 0, 0}));
    EXPECT_EQ(TakenBy(*rig.lines.CDControl), (Taken{0, 31, 0}));
    EXPECT_EQ(rig.mixerTrace.Lines().front(), "mixer open device 0 -> failed");
}

TEST(MixerLines, UnreadableCapabilitiesLeaveOnlyTheRecordingSources) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice().failCaps = true;
    m.AddDestination(kSpeakers);
    Volume(m, 1);
    m.AddSource(SrcWaveOut);
    Volume(m, 2);
    m.AddDestination(DstWaveIn);
    m.AddSource(SrcMicrophone);
    Volume(m, 3);
    rig.Init();
    EXPECT_EQ(TakenBy(*rig.lines.GeneralControl), (Taken{0, 0, 0}));
    EXPECT_EQ(TakenBy(*rig.lines.WaveControl), (Taken{0, 0, 0}));
    EXPECT_EQ(TakenBy(*rig.lines.MicControl), (Taken{0, 3, 0}));
}

// Lines from an earlier device stay, but nothing reaches them once the last
// device failed to open.
TEST(MixerLines, LastDeviceFailingToOpenLeavesNoHandle) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Volume(m, 1, 5000);
    m.AddSource(SrcWaveOut);
    m.AddDevice().failOpen = true;
    rig.Init();
    EXPECT_TRUE(rig.lines.GeneralControl->HasVolume);
    EXPECT_EQ(rig.lines.MixerHandle, 0u);
    EXPECT_EQ(rig.lines.GeneralControl->Volume(), 0u);
    rig.lines.GeneralControl->SetVolume(100);
    EXPECT_EQ(rig.mixer.writes, 0);
}

TEST(MixerLines, EveryControlOfALongLineIsRead) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    for (std::uint32_t id = 1; id <= 11; ++id) m.AddControl(0x50030002 + id, id, 0);
    Volume(m, 12);
    m.AddSource(SrcWaveOut);
    rig.Init();
    EXPECT_EQ(TakenBy(*rig.lines.GeneralControl), (Taken{0, 12, 0}));
}

TEST(MixerLines, ValuesAreClampedAndConverted) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Mute(m, 1);
    m.AddControl(ControlVolume, 2, 0, 100, 0x90000000u, 31);
    m.AddSource(SrcWaveOut);
    Peak(m, 3);
    rig.Init();
    TSndControl& general = *rig.lines.GeneralControl;
    auto value = [&](std::uint32_t id) { return static_cast<std::uint32_t>(m.FindControl(0, id)->value); };

    // Bounds are compared unsigned: 0x80000000 lies inside 100..0x90000000.
    for (auto [written, stored] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {5, 100}, {100, 100}, {0x80000000u, 0x80000000u}, {0xFFFFFFFFu, 0x90000000u}}) {
        general.SetVolume(written);
        EXPECT_EQ(value(2), stored) << written;
        EXPECT_EQ(general.Volume(), stored) << written;
    }
    general.SetSoundOn(false);
    EXPECT_EQ(value(1), 1u);
    general.SetSoundOn(true);
    EXPECT_EQ(value(1), 0u);
    for (auto [mute, on] : std::vector<std::pair<std::int32_t, bool>>{{0, true}, {1, false}, {-1, false}, {2, false}}) {
        m.SetByOther(1, mute);
        EXPECT_EQ(general.SoundOn(), on) << mute;
    }
    for (auto [reading, peak] : std::vector<std::pair<std::int32_t, std::int32_t>>{
             {-1200, 1200}, {700, 700}, {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}}) {
        m.SetByOther(3, reading);
        EXPECT_EQ(rig.lines.WaveControl->Peak(), peak) << reading;
    }
    // A line without the control reads nothing and writes nothing.
    const int writes = m.writes;
    rig.lines.MicControl->SetVolume(5);
    rig.lines.MicControl->SetSoundOn(false);
    EXPECT_EQ(m.writes, writes);
    EXPECT_EQ(rig.lines.MicControl->Volume(), 0u);
    EXPECT_FALSE(rig.lines.MicControl->SoundOn());
}

// A change, by the program or by another one, reaches the window given to the
// open; a write that changes nothing sends nothing; after DoneMixer nothing comes.
TEST(MixerLines, ChangeNoticesGoToTheWindowUntilTheMixerCloses) {
    MixerRig rig;
    auto& m = rig.mixer;
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Volume(m, 1, 2114);
    m.AddSource(SrcWaveOut);
    m.AddDevice();
    m.AddDestination(kSpeakers);
    Volume(m, 2);
    m.AddSource(SrcWaveOut);
    rig.Init();
    ASSERT_EQ(m.OpenCount(), 2u);

    rig.lines.GeneralControl->SetVolume(2114);
    EXPECT_EQ(rig.Deliver(), 0);
    rig.lines.GeneralControl->SetVolume(4228);
    m.SetByOther(1, 0);
    EXPECT_EQ(rig.Deliver(), 2);
    EXPECT_EQ(rig.changes, 2);
    EXPECT_EQ(rig.mixerTrace.Since(rig.mixerTrace.Lines().size() - 1).front(), "mixer notice -> window 119");

    m.SetByOther(1, 100);
    rig.lines.DoneMixer();
    EXPECT_EQ(m.OpenCount(), 0u);
    EXPECT_EQ(rig.Deliver(), 1);
    EXPECT_EQ(rig.changes, 2);
    EXPECT_EQ(rig.lines.GeneralControl, nullptr);
}

}  // namespace
}  // namespace vel
