#pragma once
// The processor's cycle counter (the x86 time-stamp counter), read directly.

#include <cstdint>

namespace vel {

class ClockCounter {
public:
    ClockCounter() = default;
    ClockCounter(const ClockCounter&) = delete;
    ClockCounter& operator=(const ClockCounter&) = delete;
    virtual ~ClockCounter() = default;

    // False when this processor, or the system around it, does not let the program
    // read the counter (reading it then would fault).
    virtual bool Readable() = 0;
    // The counter, in processor clock cycles. Only the read itself: no system call,
    // no allocation, nothing that would show in a count taken between two reads.
    virtual std::uint64_t Read() = 0;
};

}  // namespace vel
