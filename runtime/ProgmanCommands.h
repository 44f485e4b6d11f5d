#pragma once
// The commands of a request to Program Manager: "[Name(arg,arg...)]" one after
// another, anything between them ignored. A quoted argument keeps its commas,
// parentheses and quotes and ends at a quote that a comma or the closing
// parenthesis follows; an unquoted one is trimmed and ends at a comma or at the
// parenthesis that "]" follows. Every server of the program's groups reads requests through this, so
// none accepts what another refuses. Plain bytes: the code page is the caller's.

#include <string>
#include <string_view>
#include <vector>

namespace vel {

struct ProgmanCommand {
    std::string name;  // as written, without the blanks around it
    std::vector<std::string> args;

    bool operator==(const ProgmanCommand&) const = default;
};

// The commands before the first malformed one (no "(", an open quote, no closing
// parenthesis or "]"); that one and the rest are not commands.
std::vector<ProgmanCommand> ParseProgmanCommands(std::string_view request);

}  // namespace vel
