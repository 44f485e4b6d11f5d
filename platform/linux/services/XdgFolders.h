#pragma once
// The user's base folders of the XDG conventions.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vel::lnx {

// An absolute folder from the environment variable, else `fallback` under the home
// folder (UTF-8, no final slash).
inline std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user && user->pw_dir ? user->pw_dir : "/";
    }
    std::string folder = home;
    if (folder.back() != '/') folder += '/';
    return folder + fallback;
}

}  // namespace vel::lnx
