#pragma once
// The simulated process: program path, arguments, mutexes, sleeps and priorities.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimProcess final : public Process {
public:
    SimProcess(Trace& trace, std::function<void(std::uint32_t)> advanceClock)
        : m_trace(trace), m_advance(std::move(advanceClock)) {}
    std::string ProgramPath() override { return programPath; }
    std::vector<std::string> Arguments() override { return arguments; }
    int OsMajorVersion() override { return osMajor; }
    unsigned OemCodePage() override { return oemCodePage; }
    bool RunningProgramDeletable() override { return runningProgramDeletable; }
    bool SystemListsInstalledPrograms() override { return systemListsInstalledPrograms; }
    bool OpenMutex(const std::string& name) override;
    MutexResult CreateMutex(const std::string& name) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetPriorityClass() override { return priorityClass; }
    void SetPriorityClass(std::uint32_t value) override;
    int GetThreadPriority() override { return threadPriority; }
    void SetThreadPriority(int value) override;
    void* AllocateExecutable(std::size_t bytes) override;
    void FreeExecutable(void* block, std::size_t bytes) override;

    std::string programPath = "C:\\Velvinor\\Velvinor.exe";
    std::vector<std::string> arguments;
    int osMajor = 5;
    unsigned oemCodePage = 866;  // a Russian system, as the game's users have
    bool runningProgramDeletable = false;  // as on Windows
    bool systemListsInstalledPrograms = true;
    std::uint32_t priorityClass = 0x20;
    int threadPriority = 0;
    // Mutexes held by other processes, and those this run holds.
    std::set<std::string> foreignMutexes;
    std::set<std::string> ownMutexes;
    // Priority calls in order ("class 0x80", "thread 2"), for tests; not traced.
    std::vector<std::string> priorityLog;

private:
    Trace& m_trace;
    std::function<void(std::uint32_t)> m_advance;
};

}  // namespace vel::sim
