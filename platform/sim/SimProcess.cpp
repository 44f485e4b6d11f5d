#include "platform/sim/SimProcess.h"

#include <cstdio>
#include <cstdlib>

#include "platform/native/ExecutableMemory.h"
#include "runtime/Text.h"

namespace vel::sim {

bool SimProcess::OpenMutex(const std::string& name) {
    bool exists = foreignMutexes.count(name) > 0 || ownMutexes.count(name) > 0;
    m_trace.Add("process open-mutex " + Quote(name) + (exists ? " -> opened" : " -> absent"));
    return exists;
}

MutexResult SimProcess::CreateMutex(const std::string& name) {
    bool existed = foreignMutexes.count(name) > 0;
    ownMutexes.insert(name);
    m_trace.Add("process create-mutex " + Quote(name) + (existed ? " -> existed" : " -> created"));
    return existed ? MutexResult::AlreadyExists : MutexResult::Created;
}

void SimProcess::Sleep(std::uint32_t milliseconds) {
    m_trace.Add("time sleep " + std::to_string(milliseconds) + " ms");
    if (m_advance) m_advance(milliseconds);
}

void SimProcess::SetPriorityClass(std::uint32_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "class 0x%X", value);
    priorityLog.push_back(buf);
    priorityClass = value;
}

void SimProcess::SetThreadPriority(int value) {
    priorityLog.push_back("thread " + std::to_string(value));
    threadPriority = value;
}

void* SimProcess::AllocateExecutable(std::size_t bytes) {
    return native::AllocateExecutable(bytes);
}

void SimProcess::FreeExecutable(void* block, std::size_t bytes) {
    native::FreeExecutable(block, bytes);
}

}  // namespace vel::sim
