#pragma once
// TProcessorClockCounter: counts processor clock cycles with the time-stamp counter.

#include <cstdint>
#include <functional>
#include <memory>

namespace vel {

class TMainForm;

class TProcessorClockCounter {
public:
    TProcessorClockCounter() = default;
    TProcessorClockCounter(const TProcessorClockCounter&) = delete;
    TProcessorClockCounter& operator=(const TProcessorClockCounter&) = delete;
    virtual ~TProcessorClockCounter() = default;

    std::int64_t ClockCount = 0;
    std::function<void()> OnPrecizeProc;
    virtual void MeasureTwice() { ClockCount = 0; }
};

// The main window's counter, with its event bound to the window's handler.
std::unique_ptr<TProcessorClockCounter> CreateProcessorClockCounter(TMainForm& owner);

}  // namespace vel
