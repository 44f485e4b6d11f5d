// The running process: its path and arguments, the system version, the named
// mutex, sleeping, priorities and executable memory.

#include "platform/win32/Win32.h"

#include <functional>
#include <utility>
#include <vector>

#include "platform/win32/Scoped.h"
#include "platform/win32/Services.h"
#include "platform/win32/WinText.h"
#include "runtime/CommandLine.h"

namespace vel::win32 {
namespace {

// The true version: GetVersionExW answers 6.2 to a program whose manifest does not
// name Windows 8.1 or later, and RtlGetVersion has no such compatibility shim.
int SystemMajorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (rtlGetVersion && rtlGetVersion(&info) == 0) return static_cast<int>(info.dwMajorVersion);
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(&info)) return static_cast<int>(info.dwMajorVersion);
#pragma GCC diagnostic pop
    return 0;
}

class WinProcess final : public Process {
public:
    explicit WinProcess(std::function<void()> onFirstSleep) : m_onFirstSleep(std::move(onFirstSleep)) {}

    std::string ProgramPath() override {
        std::wstring buffer(MAX_PATH, L'\0');
        while (true) {
            DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return {};
            // A full buffer means the path may be cut (XP does not even say so).
            if (length < buffer.size() - 1) {
                buffer.resize(length);
                return Ansi(buffer);
            }
            if (buffer.size() > 32768) return {};
            buffer.resize(buffer.size() * 2);
        }
    }

    std::vector<std::string> Arguments() override {
        std::vector<std::string> args;
        auto all = SplitParamStr(std::wstring_view(GetCommandLineW()));
        for (std::size_t i = 1; i < all.size(); ++i) args.push_back(Ansi(all[i]));
        return args;
    }

    int OsMajorVersion() override { return SystemMajorVersion(); }
    unsigned OemCodePage() override { return GetOEMCP(); }
    // The system keeps a running program's file open for its image.
    bool RunningProgramDeletable() override { return false; }
    bool SystemListsInstalledPrograms() override { return true; }

    bool OpenMutex(const std::string& name) override {
        ScopedHandle mutex(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, Wide(name).c_str()));
        if (!mutex) return false;
        m_mutexes.push_back(std::move(mutex));
        return true;
    }

    MutexResult CreateMutex(const std::string& name) override {
        ScopedHandle mutex(CreateMutexW(nullptr, FALSE, Wide(name).c_str()));
        if (!mutex) return MutexResult::Failed;
        bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
        m_mutexes.push_back(std::move(mutex));
        return existed ? MutexResult::AlreadyExists : MutexResult::Created;
    }

    void Sleep(std::uint32_t milliseconds) override {
        if (m_onFirstSleep) std::exchange(m_onFirstSleep, nullptr)();
        ::Sleep(milliseconds);
    }

    std::uint32_t GetPriorityClass() override { return ::GetPriorityClass(GetCurrentProcess()); }
    void SetPriorityClass(std::uint32_t priorityClass) override {
        ::SetPriorityClass(GetCurrentProcess(), priorityClass);
    }
    int GetThreadPriority() override { return ::GetThreadPriority(GetCurrentThread()); }
    void SetThreadPriority(int threadPriority) override { ::SetThreadPriority(GetCurrentThread(), threadPriority); }

    void* AllocateExecutable(std::size_t bytes) override {
        return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    }
    void FreeExecutable(void* block, std::size_t) override {
        if (block) VirtualFree(block, 0, MEM_RELEASE);
    }

private:
    // Held open until the process ends: the named mutex lives as long as a handle does.
    std::vector<ScopedHandle> m_mutexes;
    std::function<void()> m_onFirstSleep;
};

}  // namespace

std::unique_ptr<Process> CreateWinProcess(std::function<void()> onFirstSleep) {
    return std::make_unique<WinProcess>(std::move(onFirstSleep));
}

}  // namespace vel::win32
