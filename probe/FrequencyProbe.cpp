#include "host/MainFrm.h"
#include "probe/ProcessorClockCounter.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

std::unique_ptr<TProcessorClockCounter> CreateProcessorClockCounter(TMainForm& owner) {
    auto counter = std::make_unique<TProcessorClockCounter>();
    counter->OnPrecizeProc = [&owner] { owner.ProcessorClockCounterPrecizeProc(); };
    return counter;
}

void TMainForm::ProcessorClockCounterPrecizeProc() { program.platform.process.Sleep(250); }

void TMainForm::MeasureProcessorFrequency() {
    ProcessorClockCounter->MeasureTwice();
    ProcessorFreq = static_cast<std::int32_t>(RoundHalfEven(static_cast<long double>(ProcessorClockCounter->ClockCount) / 250000));
}

}  // namespace vel
