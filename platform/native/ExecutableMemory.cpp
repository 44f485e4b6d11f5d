#include "platform/native/ExecutableMemory.h"

#include <sys/mman.h>

namespace vel::native {

void* AllocateExecutable(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void FreeExecutable(void* block, std::size_t bytes) {
    if (block) munmap(block, bytes);
}

}  // namespace vel::native
