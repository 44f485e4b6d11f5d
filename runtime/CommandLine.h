#pragma once
// The command line split into arguments the way the runtime's ParamStr splits it:
// blanks (any character up to the space) separate arguments, double quotes group
// and are removed, a backslash is an ordinary character, and a leading empty pair
// of quotes is skipped. The first argument is the program name. Every backend
// splits a command line with this, so each reads one the same way.

#include <string>
#include <string_view>
#include <vector>

namespace vel {

template <class Char>
std::vector<std::basic_string<Char>> SplitParamStr(std::basic_string_view<Char> line) {
    std::vector<std::basic_string<Char>> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    auto at = [&](std::size_t k) { return k < n ? line[k] : Char(0); };
    while (true) {
        while (true) {
            while (i < n && at(i) != 0 && at(i) <= Char(' ')) ++i;
            if (at(i) == Char('"') && at(i + 1) == Char('"')) i += 2;
            else break;
        }
        if (i >= n || at(i) == 0) break;
        std::basic_string<Char> arg;
        while (i < n && at(i) > Char(' ')) {
            if (at(i) == Char('"')) {
                ++i;
                while (i < n && at(i) != 0 && at(i) != Char('"')) arg += line[i++];
                if (i < n && at(i) != 0) ++i;
            } else {
                arg += line[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

}  // namespace vel
