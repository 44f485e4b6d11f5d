#pragma once
// Memory the processor may execute, on a POSIX host (the simulated machine and the
// Linux probe tool run real code in it). The Windows program has its own, in its
// backend.

#include <cstddef>

namespace vel::native {

// nullptr on failure. Released by FreeExecutable with the same size.
void* AllocateExecutable(std::size_t bytes);
void FreeExecutable(void* block, std::size_t bytes);

}  // namespace vel::native
