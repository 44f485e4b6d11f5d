// Drives, files and folders through the wide API.

#include "platform/win32/Win32.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/win32/LateBound.h"
#include "platform/win32/Scoped.h"
#include "platform/win32/Services.h"
#include "platform/win32/WinText.h"

namespace vel::win32 {
namespace {

// Whole-file reads beyond this are refused rather than exhausting a 32-bit process.
constexpr LONGLONG kLargestRead = 512LL * 1024 * 1024;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

// The short (8.3) form of an existing path; empty when it has none.
std::wstring ShortForm(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed) return {};
    buffer.resize(length);
    return buffer;
}

class WinFiles final : public FileSystem {
public:
    DriveType GetDriveType(const std::string& root) override {
        if (root.empty()) return static_cast<DriveType>(GetDriveTypeW(nullptr));
        std::wstring w = Wide(root);
        // "C:" names the drive, but GetDriveTypeW wants its root folder "C:\".
        if (w.back() != L'\\') w += L'\\';
        return static_cast<DriveType>(GetDriveTypeW(w.c_str()));
    }

    std::int64_t FreeBytesAvailable(const std::string& root) override {
        ULARGE_INTEGER available{};
        std::wstring w = Wide(root);
        if (!GetDiskFreeSpaceExW(root.empty() ? nullptr : w.c_str(), &available, nullptr, nullptr)) return -1;
        return available.QuadPart > static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(available.QuadPart);
    }

    bool FileExists(const std::string& path) override {
        DWORD a = Attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool DirectoryExists(const std::string& path) override {
        DWORD a = Attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool CreateDirectory(const std::string& path) override { return CreateDirectoryW(Wide(path).c_str(), nullptr); }
    bool RemoveDirectory(const std::string& path) override { return RemoveDirectoryW(Wide(path).c_str()); }
    bool DeleteFile(const std::string& path) override { return DeleteFileW(Wide(path).c_str()); }
    bool HeldAgainstDeletion(const std::string& path) override {
        // Asking for the right to delete, sharing everything: only an opening that
        // shares no deletion refuses it. The system's own mapping of a running
        // program shares it, so this program's own file is not held.
        const HANDLE file = CreateFileW(Wide(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return false;
        }
        return GetLastError() == ERROR_SHARING_VIOLATION;
    }

    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), failIfExists);
    }

    std::vector<FindEntry> Find(const std::string& pattern) override {
        std::vector<FindEntry> entries;
        WIN32_FIND_DATAW data;
        ScopedFind search(FindFirstFileW(Wide(pattern).c_str(), &data));
        if (!search) return entries;
        do {
            entries.push_back({Ansi(data.cFileName), data.dwFileAttributes});
        } while (FindNextFileW(search.Get(), &data));
        return entries;
    }

    std::string ErrorText(std::uint32_t errorCode) override {
        std::string text = SystemMessage(errorCode);
        while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
        return text.empty() ? "System error. Code: " + std::to_string(errorCode) : text;
    }

    std::optional<std::int64_t> FileSize(const std::string& path) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::nullopt;
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    }

    std::optional<std::string> ReadFile(const std::string& path, std::uint32_t* errorCode) override {
        auto fail = [&](DWORD code) -> std::optional<std::string> {
            if (errorCode) *errorCode = code;
            return std::nullopt;
        };
        ScopedFile file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return fail(GetLastError());
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size)) return fail(GetLastError());
        if (size.QuadPart > kLargestRead) return fail(ERROR_NOT_ENOUGH_MEMORY);
        std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD got = 0;
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            if (!::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr)) return fail(GetLastError());
            if (got == 0) break;  // the file shrank meanwhile
            done += got;
        }
        bytes.resize(done);
        if (errorCode) *errorCode = 0;
        return bytes;
    }

    bool WriteFile(const std::string& path, const std::string& bytes) override {
        ScopedFile file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD put = 0;
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            if (!::WriteFile(file.Get(), bytes.data() + done, want, &put, nullptr) || put == 0) return false;
            done += put;
        }
        return true;
    }

    std::string CurrentDirectory() override {
        DWORD needed = GetCurrentDirectoryW(0, nullptr);
        std::wstring buffer(needed, L'\0');
        DWORD length = GetCurrentDirectoryW(needed, buffer.data());
        buffer.resize(length < needed ? length : 0);
        return Ansi(buffer);
    }

    bool SetCurrentDirectory(const std::string& path) override { return SetCurrentDirectoryW(Wide(path).c_str()); }

    std::string FullPathName(const std::string& path) override {
        const std::wstring w = Wide(path);
        const DWORD needed = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
        if (needed == 0) return path;
        std::wstring buffer(needed, L'\0');
        const DWORD length = GetFullPathNameW(w.c_str(), needed, buffer.data(), nullptr);
        if (length == 0 || length >= needed) return path;
        buffer.resize(length);
        return Ansi(buffer);
    }

    std::vector<std::string> SystemFolders() override {
        std::vector<std::string> folders;
        auto add = [&](const std::wstring& folder) {
            if (!folder.empty()) folders.push_back(Ansi(folder));
        };
        wchar_t buffer[MAX_PATH + 1];
        UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
        if (length > 0 && length < MAX_PATH) add(std::wstring(buffer, length));
        for (auto* bound : {&late::GetProfilesDirectoryW, &late::GetAllUsersProfileDirectoryW,
                            &late::GetDefaultUserProfileDirectoryW}) {
            DWORD size = MAX_PATH;
            if (auto get = bound->Get(); get && get(buffer, &size)) add(buffer);
        }
        // Every user's profile, as the system lists them.
        ScopedKey list;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                          KEY_READ, list.Put()) == ERROR_SUCCESS) {
            wchar_t name[256];
            for (DWORD i = 0;; ++i) {
                DWORD nameLength = 256;
                if (RegEnumKeyExW(list.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                // RegGetValueW would be shorter, but 32-bit Windows XP lacks it.
                ScopedKey profile;
                wchar_t raw[MAX_PATH * 2] = {};
                DWORD bytes = sizeof raw - sizeof(wchar_t), type = 0;
                if (RegOpenKeyExW(list.Get(), name, 0, KEY_READ, profile.Put()) != ERROR_SUCCESS ||
                    RegQueryValueExW(profile.Get(), L"ProfileImagePath", nullptr, &type, reinterpret_cast<BYTE*>(raw),
                                     &bytes) != ERROR_SUCCESS ||
                    (type != REG_SZ && type != REG_EXPAND_SZ))
                    continue;
                wchar_t expanded[MAX_PATH * 2];
                DWORD n = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH * 2);
                add(n > 0 && n <= MAX_PATH * 2 ? expanded : raw);
            }
        }
        return folders;
    }

    std::string TempFolder() override {
        wchar_t buffer[MAX_PATH + 1];
        DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
        if (length == 0 || length > MAX_PATH) return {};
        const std::wstring folder(buffer, length);
        // A letter the program's code page lacks ("C:\Users\Jürgen\") would turn into
        // "?": the short form names the same folder in letters it has.
        if (Wide(Ansi(folder)) == folder) return Ansi(folder);
        const std::wstring shortForm = ShortForm(folder);
        return !shortForm.empty() && Wide(Ansi(shortForm)) == shortForm ? Ansi(shortForm) : Ansi(folder);
    }

    std::string ShortPathName(const std::string& path) override { return Ansi(ShortForm(Wide(path))); }

    bool CreateExitMark(const std::string& path) override {
        // Never closed: the system closes the handle when the program ends, killed
        // or not, and deletes the file then.
        HANDLE mark = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        return mark != INVALID_HANDLE_VALUE;
    }
};

}  // namespace

std::unique_ptr<FileSystem> CreateWinFileSystem() { return std::make_unique<WinFiles>(); }

}  // namespace vel::win32
