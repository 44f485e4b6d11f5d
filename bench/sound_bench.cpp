// The sound paths that run all the time: the main window's 50 ms tick, which reads
// the master volume back, and a full refresh of the mixer window, which runs on
// every change notice.

#include <benchmark/benchmark.h>

#include "host/MainFrm.h"
#include "platform/sim/SimMachine.h"
#include "sound/SCFrm.h"
#include "startup/Velvinor.h"

namespace {

using namespace vel::mixer;

// An installed game on a typical sound card: playback with master, wave, CD and
// microphone; recording with CD and microphone.
struct GameWithSoundCard {
    vel::sim::SimMachine machine;
    vel::Program program{machine.platform()};
    GameWithSoundCard() {
        machine.process.programPath = "C:\\Game\\Velvinor.exe";
        machine.files.AddFile("C:\\Game\\SWF\\Game.swf", "swf");
        machine.registry.Set("\\Software\\Trelkon\\Velvinor", "", "");
        auto& m = machine.mixer;
        auto volume = [&](std::uint32_t id, std::int32_t value) { m.AddControl(ControlVolume, id, value, 0, 65535, 31); };
        auto mute = [&](std::uint32_t id, std::int32_t value) { m.AddControl(ControlMute, id, value, 0, 1); };
        auto peak = [&](std::uint32_t id, std::int32_t value) { m.AddControl(ControlPeakMeter, id, value, 0xFFFF8000u, 0x7FFF); };
        m.AddDevice();
        m.AddDestination(4);
        volume(1, 33824), mute(2, 0);
        m.AddSource(SrcWaveOut);
        volume(3, 50000), mute(4, 0), peak(5, -1200);
        m.AddSource(SrcCompactDisc);
        volume(6, 30000), mute(7, 1);
        m.AddSource(SrcMicrophone);
        volume(8, 20000), mute(9, 1);
        m.AddDestination(DstWaveIn);
        volume(10, 65535);
        m.AddSource(SrcCompactDisc);
        volume(11, 10000), mute(12, 0);
        m.AddSource(SrcMicrophone);
        volume(13, 40000), mute(14, 1), peak(15, 300);
        program.Start();
        machine.ui.ProcessMessages();
    }
};

void BM_MainTimerTickWithMixer(benchmark::State& state) {
    GameWithSoundCard game;
    auto& main = *game.program.MainForm;
    for (auto _ : state) {
        main.WriteMovieState();
        game.machine.movie.current->writes.clear();
    }
}
BENCHMARK(BM_MainTimerTickWithMixer);

void BM_SoundRefreshAll(benchmark::State& state) {
    GameWithSoundCard game;
    auto& form = *game.program.SoundControlForm;
    for (auto _ : state) form.RefreshAll();
}
BENCHMARK(BM_SoundRefreshAll);

}  // namespace
