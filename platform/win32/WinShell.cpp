// The system shell: documents and hidden starts through ShellExecuteW, the folder
// copy through SHFileOperationW, and the background start the way WinExec does it.

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

// ShellExecuteW's result: above 32 the program started; 32 or less is its error
// code, the number the user is shown.
ShellStart Execute(WindowHandle owner, const std::string& file, const std::string& folder, int show) {
    const std::wstring f = Wide(file), d = Wide(folder);
    auto shellExecute = late::ShellExecuteW.Get();
    if (!shellExecute) return ShellStart::Failed(SE_ERR_DLLNOTFOUND);
    const auto result = reinterpret_cast<std::intptr_t>(
        shellExecute(Window(owner), L"open", f.c_str(), nullptr, folder.empty() ? nullptr : d.c_str(), show));
    return result > 32 ? ShellStart::Started() : ShellStart::Failed(static_cast<int>(result));
}

class WinShell final : public Shell {
public:
    ShellStart OpenFile(WindowHandle owner, const std::string& path) override {
        return Execute(owner, path, "", SW_SHOWNORMAL);
    }

    ShellStart StartHidden(WindowHandle owner, const std::string& program, const std::string& folder) override {
        // The shell's start would expand "%NAME%" in a path ("D:\100%USERNAME%\"), so
        // a program file starts as it is named; a script still needs the shell.
        if (AsciiLower(ExtractFileExt(program)) != ".exe") return Execute(owner, program, folder, SW_HIDE);
        std::wstring line = L"\"" + Wide(program) + L"\"";
        const std::wstring dir = Wide(folder);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(Wide(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : dir.c_str(), &startup, &info)) {
            const DWORD error = GetLastError();
            return ShellStart::Failed(error <= 32 ? static_cast<int>(error) : 31);
        }
        ScopedHandle process(info.hProcess), thread(info.hThread);
        return ShellStart::Started();
    }

    // WinExec takes its command line in the system's ANSI code page, which may lack
    // the program's Cyrillic; CreateProcessW with the same settings keeps it.
    bool StartInBackground(const std::string& commandLine) override {
        std::wstring line = Wide(commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMINNOACTIVE;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return false;
        ScopedHandle process(info.hProcess), thread(info.hThread);
        // As WinExec: return once the new program waits for input (it has set up its
        // windows, say a DDE server its name), or after a while.
        WaitForInputIdle(process.Get(), 10000);
        return true;
    }

    FolderCopy CopyFolderContents(WindowHandle owner, const std::string& folder, const std::string& target) override {
        std::wstring from = PathList(folder + "*.*"), to = PathList(target);
        SHFILEOPSTRUCTW op{};
        op.hwnd = Window(owner);  // owns the progress window and any question it asks
        op.wFunc = FO_COPY;
        op.pFrom = from.c_str();
        op.pTo = to.c_str();
        // Replace files and make folders without asking; the progress window shows.
        op.fFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;
        auto fileOperation = late::SHFileOperationW.Get();
        if (!fileOperation) return FolderCopy::Failed;
        const int result = fileOperation(&op);
        if (op.fAnyOperationsAborted) return FolderCopy::Cancelled;
        return result == 0 ? FolderCopy::Done : FolderCopy::Failed;
    }
};

}  // namespace

std::unique_ptr<Shell> CreateWinShell() { return std::make_unique<WinShell>(); }

}  // namespace vel::win32
