#include "probe/FrequencyProbe.h"

#include "host/MainFrm.h"
#include "probe/ProcessorClockCounter.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

std::int32_t ClockCountToMHz(std::int64_t clockCount) {
    // Cycles over the sleep's milliseconds, per microsecond.
    return static_cast<std::int32_t>(RoundHalfEven(static_cast<long double>(clockCount) / (ProbeSleepMs * 1000)));
}

std::unique_ptr<TProcessorClockCounter> CreateProcessorClockCounter(TMainForm& owner) {
    Platform& platform = owner.program.platform;
    auto counter = std::make_unique<TProcessorClockCounter>(owner.program.app, platform.process, platform.clock);
    counter->OnPrecizeProc = [&owner](TProcessorClockCounter&) { owner.ProcessorClockCounterPrecizeProc(); };
    return counter;
}

void TMainForm::ProcessorClockCounterPrecizeProc() { program.platform.process.Sleep(ProbeSleepMs); }

void TMainForm::MeasureProcessorFrequency() {
    ProcessorClockCounter->MeasureTwice();
    ProcessorFreq = ClockCountToMHz(ProcessorClockCounter->ClockCount());
}

}  // namespace vel
