#include "StubSupport.h"

#include <windows.h>

#include <cstdio>

namespace flashstub {

std::wstring EnvVar(const wchar_t* name, bool* present) {
    if (present) *present = false;
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
        // Zero is both "unset" and "set to the empty text".
        if (present) *present = GetLastError() != ERROR_ENVVAR_NOT_FOUND;
        return {};
    }
    std::wstring value(needed, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(length < needed ? length : 0);
    if (present) *present = true;
    return value;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Quote(std::wstring_view text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
            case L'\\': escaped += L"\\\\"; break;
            case L'"': escaped += L"\\\""; break;
            case L'\n': escaped += L"\\n"; break;
            case L'\r': escaped += L"\\r"; break;
            case L'\t': escaped += L"\\t"; break;
            default:
                if (c < 0x20) {
                    wchar_t code[8];
                    std::swprintf(code, 8, L"\\x%02X", static_cast<unsigned>(c));
                    escaped += code;
                } else {
                    escaped += c;
                }
        }
    }
    std::string quoted(1, '"');
    quoted += Utf8(escaped);
    quoted += '"';
    return quoted;
}

void Log(const std::string& line) {
    // Opened once: an opening per line cost the program's start several milliseconds.
    // Append-only, so a test that empties the log meanwhile gets the next line at
    // its start; shared for reading and writing, as a test reads it while the
    // control runs and other copies of the program write to it too.
    static const HANDLE file = [] {
        const std::wstring path = EnvVar(L"VELVINOR_STUB_LOG");
        if (path.empty()) return INVALID_HANDLE_VALUE;
        return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }();
    if (file == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool Quiet() {
    static const bool quiet = !EnvVar(L"VELVINOR_STUB_QUIET").empty();
    return quiet;
}

namespace {
bool SameAscii(std::wstring_view a, std::wstring_view b) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}
}  // namespace

bool ShouldFail(std::wstring_view member) {
    // Read once, as Quiet() is: the movie's state is written sixty times a second.
    static const std::wstring list = EnvVar(L"VELVINOR_STUB_FAIL");
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(L',', start);
        if (end == std::wstring::npos) end = list.size();
        if (SameAscii(std::wstring_view(list).substr(start, end - start), member)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace flashstub
