// The system shell: ShellExecuteW, the recursive SHFileOperationW copy, and
// starting a command line the way WinExec does.

#include "platform/win32/Win32.h"

#include "platform/win32/LateBound.h"
#include "platform/win32/Scoped.h"
#include "platform/win32/Services.h"
#include "platform/win32/WinText.h"

namespace vel::win32 {
namespace {

HWND Window(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }

// SHFileOperationW takes lists of paths, each NUL-terminated, ended by one more NUL.
std::wstring PathList(const std::string& path) {
    std::wstring list = Wide(path);
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

class WinShell final : public Shell {
public:
    std::intptr_t Execute(WindowHandle owner, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int show) override {
        std::wstring v = Wide(verb), f = Wide(file), p = Wide(parameters), d = Wide(directory);
        auto shellExecute = late::ShellExecuteW.Get();
        if (!shellExecute) return SE_ERR_DLLNOTFOUND;
        HINSTANCE result = shellExecute(Window(owner), verb.empty() ? nullptr : v.c_str(), f.c_str(),
                                        parameters.empty() ? nullptr : p.c_str(),
                                        directory.empty() ? nullptr : d.c_str(), show);
        return reinterpret_cast<std::intptr_t>(result);
    }

    int CopyTree(WindowHandle owner, const std::string& sourcePattern, const std::string& target,
                 std::uint32_t flags, bool& aborted) override {
        std::wstring from = PathList(sourcePattern), to = PathList(target);
        SHFILEOPSTRUCTW op{};
        op.hwnd = Window(owner);  // owns the progress window and any question it asks
        op.wFunc = FO_COPY;
        op.pFrom = from.c_str();
        op.pTo = to.c_str();
        op.fFlags = static_cast<FILEOP_FLAGS>(flags);
        auto fileOperation = late::SHFileOperationW.Get();
        if (!fileOperation) return ERROR_DLL_NOT_FOUND;
        int result = fileOperation(&op);
        aborted = op.fAnyOperationsAborted != FALSE;
        return result;
    }

    // WinExec takes its command line in the system's ANSI code page, which may lack
    // the program's Cyrillic; CreateProcessW with the same settings keeps it, and the
    // result keeps WinExec's meaning (above 31: started).
    unsigned WinExec(const std::string& commandLine, int show) override {
        std::wstring line = Wide(commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_FORMAT)
                return error;
            return 0;  // out of resources, as WinExec says for everything else
        }
        ScopedHandle process(info.hProcess), thread(info.hThread);
        // As WinExec: return once the new program waits for input (it has set up its
        // windows, say a DDE server its name), or after a while.
        WaitForInputIdle(process.Get(), 10000);
        return 33;
    }
};

}  // namespace

std::unique_ptr<Shell> CreateWinShell() { return std::make_unique<WinShell>(); }

}  // namespace vel::win32
