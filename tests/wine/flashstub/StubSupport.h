#pragma once
// What every part of the stand-in movie control shares: its settings from the
// environment, the log a test reads, and text conversions for that log.

#include <string>
#include <string_view>

namespace flashstub {

// The value of an environment variable; `present` tells an empty value from none.
std::wstring EnvVar(const wchar_t* name, bool* present = nullptr);

std::string Utf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// Text in double quotes for the log: \ " and control characters escaped (\\ \" \n \r \t \xNN).
std::string Quote(std::wstring_view text);

// Appends one line to the file named by VELVINOR_STUB_LOG (nothing when unset). The
// file is opened and closed for each line, so a reader sees every line at once.
void Log(const std::string& line);

// True when VELVINOR_STUB_QUIET is set and not empty (read once): a slow poll and no
// log line per method call, so that a measurement of the host sees the host.
bool Quiet();

// True when VELVINOR_STUB_FAIL (a comma-separated list) names this member.
bool ShouldFail(std::wstring_view member);

}  // namespace flashstub
