// velvinor_probe: runs the start-up frequency probe on this machine, with the real
// time-stamp counter, a real executable warm-up block and real sleeps, and sets the
// ProcessorFreq it finds beside the counter's rate measured against the system's
// monotonic clock over a few seconds.
//
//   velvinor_probe [RUNS [REFERENCE-SECONDS]]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "forms/Forms.h"
#include "platform/Process.h"
#include "platform/native/ExecutableMemory.h"
#include "platform/native/TscCounter.h"
#include "platform/sim/SimUi.h"
#include "probe/FrequencyProbe.h"
#include "probe/ProcessorClockCounter.h"

namespace {

using Clock = std::chrono::steady_clock;

// This process as the probe needs it: real sleeps and executable memory; the
// priorities stay as they are.
class HostProcess final : public vel::Process {
public:
    std::string ProgramPath() override { return "velvinor_probe"; }
    std::vector<std::string> Arguments() override { return {}; }
    int OsMajorVersion() override { return 0; }
    unsigned OemCodePage() override { return 437; }
    bool RunningProgramDeletable() override { return true; }
    bool SystemListsInstalledPrograms() override { return true; }
    bool OpenMutex(const std::string&) override { return false; }
    vel::MutexResult CreateMutex(const std::string&) override { return vel::MutexResult::Created; }
    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::uint32_t GetPriorityClass() override { return vel::priority::NormalClass; }
    void SetPriorityClass(std::uint32_t) override {}
    int GetThreadPriority() override { return vel::priority::ThreadNormal; }
    void SetThreadPriority(int) override {}
    void* AllocateExecutable(std::size_t bytes) override {
        return vel::native::AllocateExecutable(bytes);
    }
    void FreeExecutable(void* block, std::size_t bytes) override {
        vel::native::FreeExecutable(block, bytes);
    }
};

// The counter's rate in MHz against the monotonic clock.
double ReferenceMHz(vel::ClockCounter& counter, double seconds) {
    const auto t0 = Clock::now();
    const std::uint64_t c0 = counter.Read();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const std::uint64_t c1 = counter.Read();
    const auto t1 = Clock::now();
    return static_cast<double>(c1 - c0) / std::chrono::duration<double, std::micro>(t1 - t0).count();
}

// What the kernel says, for the record ("cpu MHz" of the first processor).
std::string KernelMHz() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("cpu MHz", 0) == 0) return line.substr(line.find(':') + 2);
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const double referenceSeconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    if (runs <= 0 || referenceSeconds <= 0) {
        std::fprintf(stderr, "usage: velvinor_probe [RUNS [REFERENCE-SECONDS]]\n");
        return 2;
    }

    vel::sim::Trace trace;  // where a message box would go
    vel::sim::SimUi ui(trace);
    vel::Application app(ui);
    app.SetTitle("velvinor_probe");
    HostProcess process;
    vel::native::TscCounter tsc;

    if (!tsc.Readable()) {
        std::printf("the time-stamp counter cannot be read here\n");
        return 1;
    }
    const double reference = ReferenceMHz(tsc, referenceSeconds);
    std::printf("reference: %.3f MHz (counter over %.1f s of the monotonic clock); kernel cpu MHz: %s\n", reference,
                referenceSeconds, KernelMHz().c_str());

    for (int run = 1; run <= runs; ++run) {
        // As at every start: a new counter (test, warm-up block, calibration), then
        // the probe. The handler's two clock reads cost well under a microsecond.
        vel::TProcessorClockCounter counter(app, process, tsc);
        Clock::duration slept{};
        counter.OnPreciseProc = [&](vel::TProcessorClockCounter&) {
            const auto t0 = Clock::now();
            process.Sleep(vel::ProbeSleepMs);
            slept = Clock::now() - t0;
        };
        counter.MeasureTwice();
        const std::int32_t freq = vel::ClockCountToMHz(counter.ClockCount());
        const double counted = static_cast<double>(counter.ClockCount()) / (vel::ProbeSleepMs * 1000.0);
        const double sleptMs = std::chrono::duration<double, std::milli>(slept).count();
        const double sleepRatio = sleptMs / vel::ProbeSleepMs;
        std::printf(
            "run %d: ProcessorFreq %d MHz, ratio %.6f | counted %.3f MHz, ratio %.6f; the sleep took %.3f ms "
            "(x%.6f), leaving x%.6f | calibration %lld, call overhead %lld, warm-up runs %d\n",
            run, freq, freq / reference, counted, counted / reference, sleptMs, sleepRatio,
            counted / reference / sleepRatio, static_cast<long long>(counter.Calibration()),
            static_cast<long long>(counter.CallOverhead()), counter.WarmUpRuns());
    }
    for (const auto& line : trace.Lines())
        if (line.rfind("messagebox", 0) == 0) std::fprintf(stderr, "%s\n", line.c_str());
    return 0;
}
