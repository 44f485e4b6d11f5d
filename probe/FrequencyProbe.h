#pragma once
// The start-up frequency probe: a timed sleep turned into whole MHz.

#include <cstdint>
#include <memory>

namespace vel {

class Application;
class ClockCounter;
class Process;
class TProcessorClockCounter;

// The probe's timed event sleeps this long.
constexpr std::uint32_t ProbeSleepMs = 250;

// Whole MHz from the cycles counted over one probe sleep, a half going to the even
// neighbour; the low 32 bits of the rounded count.
std::int32_t ClockCountToMHz(std::int64_t clockCount);

// The main window's counter, its timed event one probe sleep.
std::unique_ptr<TProcessorClockCounter> CreateProcessorClockCounter(Application& app, Process& process,
                                                                    ClockCounter& clock);

// Two measurements, the second one kept, in whole MHz.
std::int32_t MeasureProcessorFrequency(TProcessorClockCounter& counter);

}  // namespace vel
