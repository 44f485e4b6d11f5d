#pragma once
// The start-up frequency probe: a timed sleep turned into whole MHz.

#include <cstdint>

namespace vel {

// The probe's timed event sleeps this long.
constexpr std::uint32_t ProbeSleepMs = 250;

// Whole MHz from the cycles counted over one probe sleep, a half going to the even
// neighbour; the low 32 bits of the rounded count.
std::int32_t ClockCountToMHz(std::int64_t clockCount);

}  // namespace vel
