// The movie host's hot paths: one command dispatch and one pass of the 50 ms timer.

#include <benchmark/benchmark.h>

#include "host/MainFrm.h"
#include "tools/scenario/Scenario.h"
#include "startup/Velvinor.h"

namespace {

struct RunningGame {
    vel::sim::SimMachine machine;
    vel::Program program{machine.platform()};
    RunningGame() {
        machine.files.AddFile("C:\\Game\\SWF\\Game.swf", "swf");
        machine.process.programPath = "C:\\Game\\Velvinor.exe";
        machine.registry.Set("\\Software\\Trelkon\\Velvinor", "", "");
        machine.registry.Set("\\Software\\Trelkon\\Velvinor", "Level", "3");
        program.Start();
    }
};

void BM_DispatchCommand(benchmark::State& state) {
    RunningGame game;
    auto& main = *game.program.MainForm;
    for (auto _ : state) {
        // "cursor" is the seventh test; an unknown shape changes nothing.
        main.Flash1FSCommand(u"Cursor", u"busy");
    }
}
BENCHMARK(BM_DispatchCommand);

void BM_TimerTick(benchmark::State& state) {
    RunningGame game;
    auto& main = *game.program.MainForm;
    for (auto _ : state) {
        main.WriteMovieState();
        game.machine.movie.current->writes.clear();
    }
}
BENCHMARK(BM_TimerTick);

}  // namespace
