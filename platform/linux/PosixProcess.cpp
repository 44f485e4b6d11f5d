// The running process on Linux: its program file, its arguments, the single-instance
// lock, sleeping, scheduling priorities and executable memory.

#include "platform/linux/Backend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/linux/PosixText.h"
#include "platform/native/ExecutableMemory.h"
#include "runtime/Errors.h"

namespace vel::lnx {
namespace {

// Nice values for the priority classes, and back.
int NiceOf(std::uint32_t priorityClass) {
    switch (priorityClass) {
        case priority::IdleClass: return 19;
        case priority::HighClass: return -10;
        case priority::RealTimeClass: return -20;
        default: return 0;
    }
}

std::uint32_t ClassOf(int nice) {
    if (nice >= 10) return priority::IdleClass;
    if (nice <= -20) return priority::RealTimeClass;
    if (nice <= -5) return priority::HighClass;
    return priority::NormalClass;
}

// A thread's priority as a nice value of its own, relative to the process's.
int ThreadNiceOf(int threadPriority) {
    if (threadPriority <= priority::ThreadIdle) return 19;
    if (threadPriority >= priority::ThreadTimeCritical) return -20;
    return -threadPriority * 2;
}

class PosixProcess final : public Process {
public:
    PosixProcess(int argc, char** argv) {
        for (int i = 1; i < argc; ++i) m_args.emplace_back(argv[i]);
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, 0);
        if (errno == 0) m_processNice = nice;
    }
    ~PosixProcess() override {
        for (int fd : m_locks) close(fd);
    }

    std::string ProgramPath() override {
        std::vector<char> buffer(PATH_MAX + 1);
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
        if (n <= 0) throw Error("Cannot read the program's own path");
        std::string path(buffer.data(), static_cast<std::size_t>(n));
        std::optional<std::string> ansi = Ansi(path);
        if (!ansi)
            throw Error(Ru("Путь программы содержит символы, которых нет в кодировке программы (1251): ") +
                        WideToAnsi(Utf8ToWide(path)));
        return *ansi;
    }

    std::vector<std::string> Arguments() override {
        std::vector<std::string> out;
        for (const std::string& a : m_args) out.push_back(WideToAnsi(Utf8ToWide(a)));
        return out;
    }

    // No Windows version: the rules that look at it (the administrator warning of
    // Vista and later) do not apply here, as on the systems before Vista.
    int OsMajorVersion() override { return 5; }
    unsigned OemCodePage() override { return 866; }
    // A running program's file can be unlinked: the uninstallation deletes it itself.
    bool RunningProgramDeletable() override { return true; }
    // No list of installed programs to remove them from: the menu group offers it.
    bool SystemListsInstalledPrograms() override { return false; }

    // A named mutex is a lock on a file of that name in the user's runtime folder:
    // it dies with the process, and no stale file can claim that a copy still runs.
    bool OpenMutex(const std::string& name) override {
        int fd = OpenLockFile(name, false);
        if (fd < 0) return false;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {  // nobody holds it: there is no such mutex
            close(fd);
            return false;
        }
        m_locks.push_back(fd);
        return true;
    }

    MutexResult CreateMutex(const std::string& name) override {
        int fd = OpenLockFile(name, true);
        if (fd < 0) return MutexResult::Failed;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            m_locks.push_back(fd);  // kept, as the handle of an existing mutex is
            return held ? MutexResult::AlreadyExists : MutexResult::Failed;
        }
        m_locks.push_back(fd);
        return MutexResult::Created;
    }

    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    std::uint32_t GetPriorityClass() override { return ClassOf(m_processNice); }
    void SetPriorityClass(std::uint32_t priorityClass) override {
        // The process's nice value; the thread keeps its own offset on top.
        if (setpriority(PRIO_PROCESS, 0, NiceOf(priorityClass) + m_threadNice) == 0) m_processNice = NiceOf(priorityClass);
    }
    int GetThreadPriority() override { return m_threadPriority; }
    void SetThreadPriority(int threadPriority) override {
        const int offset = ThreadNiceOf(threadPriority);
        const int nice = std::clamp(m_processNice + offset, -20, 19);
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice) == 0) {
            m_threadPriority = threadPriority;
            m_threadNice = nice - m_processNice;
        }
    }

    void* AllocateExecutable(std::size_t bytes) override { return native::AllocateExecutable(bytes); }
    void FreeExecutable(void* block, std::size_t bytes) override { native::FreeExecutable(block, bytes); }

private:
    static std::string LockFolder() {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime && *runtime) return runtime;
        return "/tmp";
    }

    int OpenLockFile(const std::string& name, bool create) {
        std::string file = LockFolder() + "/velvinor-" + std::to_string(getuid()) + "-";
        for (char c : Native(name)) file += (c == '/' ? '_' : c);
        file += ".lock";
        // Not inherited: a program the game starts must not keep its lock alive.
        return open(file.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    }

    std::vector<std::string> m_args;
    std::vector<int> m_locks;
    int m_processNice = 0;
    int m_threadNice = 0;
    int m_threadPriority = priority::ThreadNormal;
};

}  // namespace

std::unique_ptr<Process> CreatePosixProcess(int argc, char** argv) {
    return std::make_unique<PosixProcess>(argc, argv);
}

}  // namespace vel::lnx
