#pragma once
// The real time-stamp counter, read with the RDTSC instruction (x86 and x86-64).
// Free of any system header, so every real build can use it: the Linux host build
// and the Windows program alike.

#include "platform/ClockCounter.h"

namespace vel::native {

class TscCounter final : public ClockCounter {
public:
    // Finds out once whether the counter can be read here.
    TscCounter();
    bool Readable() override { return m_readable; }
    std::uint64_t Read() override;

private:
    bool m_readable;
};

}  // namespace vel::native
