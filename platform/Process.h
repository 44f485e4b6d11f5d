#pragma once
// The running process: its own path and arguments, the system version, the named
// mutex, sleeping, scheduling priorities and executable memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

// Priority classes and thread priorities, with the platform's values.
namespace priority {
constexpr std::uint32_t IdleClass = 0x40;
constexpr std::uint32_t NormalClass = 0x20;
constexpr std::uint32_t HighClass = 0x80;
constexpr std::uint32_t RealTimeClass = 0x100;
constexpr int ThreadIdle = -15;
constexpr int ThreadNormal = 0;
constexpr int ThreadHighest = 2;
constexpr int ThreadTimeCritical = 15;
}  // namespace priority

enum class MutexResult { Created, AlreadyExists, Failed };

class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    virtual ~Process() = default;

    // Full path of the running program file, 8-bit.
    virtual std::string ProgramPath() = 0;
    // Command-line arguments after the program name (ParamStr(1) ...).
    virtual std::vector<std::string> Arguments() = 0;
    virtual int OsMajorVersion() = 0;
    // The console's (OEM) code page, in which the command interpreter reads a batch
    // file: 866 on a Russian system, 437 on an American one.
    virtual unsigned OemCodePage() = 0;
    // Whether a running program's own file can be deleted. Where it cannot (Windows),
    // what holds the program file is removed by a script after the program ends.
    virtual bool RunningProgramDeletable() = 0;
    // Whether the system lists the installed programs for their removal (Windows:
    // the Uninstall key's entries). Where it does not, the program's menu group
    // offers the removal itself.
    virtual bool SystemListsInstalledPrograms() = 0;

    // True when a mutex of that name exists and could be opened (the handle is kept).
    virtual bool OpenMutex(const std::string& name) = 0;
    // Creates the named mutex, not owned; tells whether it existed already. The handle
    // stays open until the process ends.
    virtual MutexResult CreateMutex(const std::string& name) = 0;

    // Blocks the thread; nothing else is handled meanwhile.
    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // Current process and thread; refused changes are not reported.
    virtual std::uint32_t GetPriorityClass() = 0;
    virtual void SetPriorityClass(std::uint32_t priorityClass) = 0;
    virtual int GetThreadPriority() = 0;
    virtual void SetThreadPriority(int threadPriority) = 0;

    // Memory the processor may execute; nullptr on failure. Released by FreeExecutable.
    virtual void* AllocateExecutable(std::size_t bytes) = 0;
    virtual void FreeExecutable(void* block, std::size_t bytes) = 0;
};

}  // namespace vel
