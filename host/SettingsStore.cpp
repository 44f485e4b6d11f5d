#include "host/MainFrm.h"
#include "runtime/Product.h"
#include "runtime/RegistryAccess.h"
#include "runtime/Text.h"

namespace vel {

namespace {

// The registry reads a name up to its first NUL, and without letter case.
bool IsOwnValue(const std::string& name) {
    const std::string seen = name.substr(0, name.find('\0'));
    for (const char* own : product::OwnValues)
        if (SameTextAscii(seen, own)) return true;
    return false;
}

}  // namespace

// A "save..." command: the name follows the four-letter prefix in the case the
// movie sent it; "nan" deletes, anything else is stored as a string value.
void TMainForm::StoreSetting(const std::u16string& command, const std::u16string& args) {
    RegistryAccess registry(m_platform.registry);
    std::u16string rest = command.size() > 4 ? command.substr(4) : std::u16string();
    std::size_t b = 0, e = rest.size();
    while (b < e && rest[b] <= 32) ++b;
    while (e > b && rest[e - 1] <= 32) --e;
    const std::string name = WideToAnsi(rest.substr(b, e - b));
    // The installation's own values steer the uninstallation: a movie may not
    // touch them, and is not told.
    if (IsOwnValue(name)) return;
    const std::string value = WideToAnsi(args);
    CloseKeyOnExit closer{registry};
    registry.OpenKey(product::ProductKey, true);
    if (AsciiLower(value) == "nan") registry.DeleteValue(name);
    else registry.WriteString(name, value);
}

}  // namespace vel
