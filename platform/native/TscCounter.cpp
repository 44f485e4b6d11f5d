#include "platform/native/TscCounter.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#define VEL_HAS_TSC 1
#else
#define VEL_HAS_TSC 0
#endif

#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace vel::native {

namespace {

#if VEL_HAS_TSC
// CPUID leaf 1, EDX: the processor has the time-stamp counter.
constexpr unsigned kCpuidTsc = 1u << 4;
#endif

bool CounterReadable() {
#if VEL_HAS_TSC
    // __get_cpuid also copes with a processor that lacks CPUID itself.
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(edx & kCpuidTsc)) return false;
#if defined(__linux__)
    // A process may have been told to fault on the instruction (a sandbox).
    int mode = 0;
    if (prctl(PR_GET_TSC, &mode, 0, 0, 0) == 0 && mode == PR_TSC_SIGSEGV) return false;
#endif
    return true;
#else
    return false;
#endif
}

}  // namespace

TscCounter::TscCounter() : m_readable(CounterReadable()) {}

std::uint64_t TscCounter::Read() {
#if VEL_HAS_TSC
    return __rdtsc();
#else
    return 0;
#endif
}

}  // namespace vel::native
