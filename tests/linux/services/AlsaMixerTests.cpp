// The mixer: how ALSA's elements become the program's lines, the portable mixer
// logic walking a real ALSA mixer, and the change notices on GLib's loop. The real
// mixer is a sound server of the test's own (PulseAudio with a null output) reached
// through ALSA's pulse plugin, since this machine has no sound card.

#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "LinuxTestSupport.h"
#include "platform/linux/services/LinuxServices.h"
#include "platform/linux/services/MixerLayout.h"
#include "sound/SndControls.h"

namespace vel::lnx {
namespace {

using Clock = std::chrono::steady_clock;

MixerElement Element(std::string name, bool pv, bool ps, bool cv, bool cs, long max = 31) {
    MixerElement e;
    e.name = std::move(name);
    e.playbackVolume = pv;
    e.playbackSwitch = ps;
    e.captureVolume = cv;
    e.captureSwitch = cs;
    e.playbackMax = e.captureMax = max;
    return e;
}

// "Name:component:controls" for each line, destination first, then its sources.
std::vector<std::string> Describe(const MixerLayout& layout) {
    std::vector<std::string> out;
    auto line = [](const LayoutLine& l) {
        std::string s = AnsiToUtf8(l.line.name) + ":" + std::to_string(l.line.componentType) + ":";
        for (const auto& c : l.controls) s += c.control.controlType == mixer::ControlMute ? "m" : "v";
        return s;
    };
    for (const auto& d : layout.destinations) {
        out.push_back(line(d.line) + " n=" + std::to_string(d.line.line.connections));
        for (const auto& s : d.sources) out.push_back("  " + line(s));
    }
    return out;
}

TEST(MixerLayout, TurnsTheElementsOfACardIntoLines) {
    struct Case {
        const char* card;
        std::vector<MixerElement> elements;
        std::vector<std::string> lines;
    } cases[] = {
        {"an onboard card",
         {Element("Master", true, true, false, false), Element("PCM", true, false, false, false),
          Element("CD", true, true, true, true), Element("Mic", true, true, true, false),
          Element("Capture", false, false, true, true), Element("Aux", false, false, true, false),
          Element("Beep", false, true, false, false)},
         {"Master:4:mv n=4", "  PCM:4104:v", "  CD:4101:mv", "  Mic:4099:mv", "  Beep:4096:m", "Capture:7:mv n=3",
          "  CD:4101:mv", "  Mic:4099:v", "  Aux:4105:v"}},
        {"a USB headset: one volume, the wave output is the master line itself",
         {Element("Speaker", true, true, false, false), Element("Mic", false, false, true, true)},
         {"Speaker:4:mv n=1", "  Speaker:4104:mv", "Capture:7: n=1", "  Mic:4099:mv"}},
        {"a sound server", {Element("Master", true, true, false, false), Element("Capture", false, false, true, true)},
         {"Master:4:mv n=1", "  Master:4104:mv", "Capture:7:mv n=0"}},
        {"switches only", {Element("Headphone", false, true, false, false)}, {}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Describe(BuildMixerLayout(c.elements)), c.lines) << c.card;

    const MixerLayout layout = BuildMixerLayout({Element("Master", true, true, false, false, 87)});
    const auto& volume = layout.destinations[0].line.controls[1].control;
    EXPECT_EQ(volume.maximum, 87u);
    EXPECT_EQ(volume.steps, 87u) << "a step per raw value: a value written reads back the same";
    EXPECT_EQ(layout.Control(volume.controlId), &layout.destinations[0].line.controls[1]);
}

TEST(AlsaMixer, AMachineWithoutThatDeviceHasNoMixerAndSaysNothing) {
    auto mixer = CreateAlsaMixer("hw:57");
    testing::internal::CaptureStderr();
    EXPECT_EQ(mixer->NumDevs(), 0u);
    std::uint32_t destinations = 0;
    EXPECT_NE(mixer->GetDevCaps(0, destinations), mixer::NoError);
    MixerHandle handle = 0;
    EXPECT_NE(mixer->Open(0, 0, [] {}, handle), mixer::NoError);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    SndControls lines;
    lines.InitMixer(*mixer, 0, [] {});
    EXPECT_FALSE(lines.GeneralControl->HasVolume || lines.GeneralControl->HasMute || lines.WaveControl->HasVolume);
    EXPECT_EQ(lines.MixerHandle, 0u);
}

// A PulseAudio of the test's own with a null output, and ALSA's configuration
// pointing the default control device at it.
class SoundServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_find_program_in_path("pulseaudio") || !std::filesystem::exists("/usr/lib/x86_64-linux-gnu/alsa-lib/libasound_module_ctl_pulse.so"))
            GTEST_SKIP() << "no pulseaudio or no ALSA pulse plugin (scripts/install-deps.sh linux installs them)";
        const std::string socket = temp.path + "/native";
        WriteText(temp.path + "/asound.conf", "ctl.!default { type pulse; server \"unix:" + socket + "\" }\n"
                                              "pcm.!default { type pulse; server \"unix:" + socket + "\" }\n");
        setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + temp.path + "/asound.conf").c_str(), 1);
        const std::string load = "module-native-protocol-unix socket=" + socket + " auth-anonymous=1";
        std::vector<std::string> args{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                      "--disable-shm=yes", "--log-target=stderr", "--log-level=error",
                                      "--load=module-null-sink", "--load=" + load};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env{"HOME=" + temp.path, "XDG_RUNTIME_DIR=" + temp.path, "XDG_CONFIG_HOME=" + temp.path,
                                     "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        GError* error = nullptr;
        ASSERT_TRUE(g_spawn_async(nullptr, argv.data(), envp.data(),
                                  static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                           G_SPAWN_STDOUT_TO_DEV_NULL),
                                  nullptr, nullptr, &server, &error))
            << error->message;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!std::filesystem::exists(socket) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(std::filesystem::exists(socket)) << "the sound server did not start";
    }
    void TearDown() override {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
        unsetenv("ALSA_CONFIG_PATH");
    }

    // Another program changes the mixer.
    static void Amixer(const std::string& arguments) {
        ASSERT_EQ(std::system(("amixer -q -D default " + arguments).c_str()), 0) << arguments;
    }

    // Runs the program's loop until `done` or the deadline.
    template <typename Done>
    static bool RunLoopUntil(Done done, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
        const auto deadline = Clock::now() + limit;
        while (!done() && Clock::now() < deadline) {
            g_main_context_iteration(nullptr, FALSE);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }

    TempFolder temp;
    GPid server = 0;
};

TEST_F(SoundServer, ThePortableLogicFindsGeneralAndWaveAndTheirChangesComeThroughTheLoop) {
    auto mixer = CreateAlsaMixer();
    ASSERT_EQ(mixer->NumDevs(), 1u);
    int notices = 0;
    SndControls lines;
    lines.InitMixer(*mixer, 0, [&] { ++notices; });
    TSndControl& general = *lines.GeneralControl;
    ASSERT_TRUE(general.HasVolume && general.HasMute);
    EXPECT_TRUE(lines.WaveControl->HasVolume && lines.WaveControl->HasMute);
    EXPECT_FALSE(lines.CDControl->HasVolume || lines.MicControl->HasVolume || general.HasPeak);
    EXPECT_NE(lines.MixerHandle, 0u);
    EXPECT_EQ(general.VolumeControl.maximum, 65536u);

    // A change made by another program reaches the callback on the loop.
    Amixer("sset Master 25%");
    ASSERT_TRUE(RunLoopUntil([&] { return notices > 0; })) << "no notice of another program's change";
    EXPECT_NEAR(general.Volume(), 65536 / 4, 700);

    // The program's own changes: written to every channel, read back as written, and
    // noticed as well.
    notices = 0;
    general.SetVolume(40000);
    EXPECT_EQ(general.Volume(), 40000u);
    ASSERT_TRUE(RunLoopUntil([&] { return notices > 0; }));
    general.SetSoundOn(false);
    EXPECT_FALSE(general.SoundOn());
    auto other = CreateAlsaMixer();
    std::int32_t muted = 0, volume = 0;
    ASSERT_EQ(other->GetValue(0, general.MuteControl.controlId, muted), mixer::NoError);
    ASSERT_EQ(other->GetValue(0, general.VolumeControl.controlId, volume), mixer::NoError);
    EXPECT_EQ(muted, 1) << "another program sees the line muted";
    EXPECT_EQ(volume, 40000);
    general.SetSoundOn(true);
    EXPECT_TRUE(general.SoundOn());

    // One channel louder than the other: the line reads the louder one.
    Amixer("sset Master 10%,60%");
    ASSERT_TRUE(RunLoopUntil([&] { return general.Volume() > 30000; }));
    EXPECT_NEAR(general.Volume(), 65536 * 6 / 10, 700);

    // Closed, no more notices.
    lines.DoneMixer();
    notices = 0;
    Amixer("sset Master 50%");
    RunLoopUntil([] { return false; }, std::chrono::milliseconds(1000));
    EXPECT_EQ(notices, 0);
}

TEST_F(SoundServer, RefusesWhatTheDeviceDoesNotHave) {
    auto mixer = CreateAlsaMixer();
    ASSERT_EQ(mixer->NumDevs(), 1u);
    std::uint32_t destinations = 0;
    ASSERT_EQ(mixer->GetDevCaps(0, destinations), mixer::NoError);
    EXPECT_EQ(destinations, 2u);
    MixerLine line;
    EXPECT_EQ(mixer->GetDestination(0, 2, line), 11u);
    EXPECT_EQ(mixer->GetSource(0, 0, 1, line), 11u);
    EXPECT_EQ(mixer->GetDestination(1, 0, line), 2u);
    EXPECT_EQ(mixer->GetLineByComponentType(0, mixer::SrcCompactDisc, line), 1024u);
    ASSERT_EQ(mixer->GetDestination(0, 0, line), mixer::NoError);
    std::vector<MixerControl> controls;
    EXPECT_EQ(mixer->GetLineControls(0, line.lineId, 1, controls), 11u) << "two controls, room for one";
    ASSERT_EQ(mixer->GetLineControls(0, line.lineId, 10, controls), mixer::NoError);
    std::int32_t value = 0;
    EXPECT_EQ(mixer->GetValue(0, 0xDEAD, value), 11u);
    MixerHandle handle = 0;
    ASSERT_EQ(mixer->Open(0, 0, [] {}, handle), mixer::NoError);
    EXPECT_EQ(mixer->Close(handle), mixer::NoError);
    EXPECT_EQ(mixer->Close(handle), 5u);
}

}  // namespace
}  // namespace vel::lnx
