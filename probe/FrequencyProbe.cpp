#include "probe/FrequencyProbe.h"

#include "platform/Process.h"
#include "probe/ProcessorClockCounter.h"
#include "runtime/Text.h"

namespace vel {

std::int32_t ClockCountToMHz(std::int64_t clockCount) {
    // Cycles over the sleep's milliseconds, per microsecond.
    return static_cast<std::int32_t>(RoundHalfEven(static_cast<long double>(clockCount) / (ProbeSleepMs * 1000)));
}

std::unique_ptr<TProcessorClockCounter> CreateProcessorClockCounter(Application& app, Process& process,
                                                                    ClockCounter& clock) {
    auto counter = std::make_unique<TProcessorClockCounter>(app, process, clock);
    counter->OnPreciseProc = [service = &process](TProcessorClockCounter&) { service->Sleep(ProbeSleepMs); };
    return counter;
}

std::int32_t MeasureProcessorFrequency(TProcessorClockCounter& counter) {
    counter.MeasureTwice();
    return ClockCountToMHz(counter.ClockCount());
}

}  // namespace vel
