#pragma once
// The simulated processor's cycle counter: it runs with the simulated clock at a
// fixed rate, so a timed sleep always counts the same, and each read costs a few
// cycles as a real one does.

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/ClockCounter.h"

namespace vel::sim {

class SimClockCounter final : public ClockCounter {
public:
    explicit SimClockCounter(std::function<std::uint64_t()> nowMs) : m_nowMs(std::move(nowMs)) {}

    bool Readable() override { return readable; }
    std::uint64_t Read() override { return origin + m_nowMs() * cyclesPerMs + cyclesPerRead * reads++; }

    bool readable = true;
    // The count at simulated time 0 (the machine has been up a while).
    std::uint64_t origin = 0x0000'0012'3456'7890ULL;
    // A 2,394 MHz processor.
    std::uint64_t cyclesPerMs = 2'394'000;
    std::uint64_t cyclesPerRead = 30;
    // Reads so far.
    std::uint64_t reads = 0;

private:
    std::function<std::uint64_t()> m_nowMs;
};

}  // namespace vel::sim
