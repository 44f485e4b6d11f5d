// The command-line split every backend uses.

#include <gtest/gtest.h>

#include "runtime/CommandLine.h"

namespace vel {
namespace {

TEST(CommandLine, SplitsAsTheRuntimesParamStr) {
    struct Case {
        std::string_view line;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"Velvinor.exe", {"Velvinor.exe"}},
        {"\"C:\\Program Files\\Velvinor.exe\" -u", {"C:\\Program Files\\Velvinor.exe", "-u"}},
        {"  a\t b  ", {"a", "b"}},
        // Quotes group and vanish anywhere in a word; a backslash is no escape.
        {"x a\"b c\"d \"e\\\"f", {"x", "ab cd", "e\\f"}},
        // An empty pair of quotes before a word is skipped, not an empty argument.
        {"x \"\" -u", {"x", "-u"}},
        // An unclosed quote runs to the end.
        {"x \"a b", {"x", "a b"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitParamStr(c.line), c.args) << c.line;
}

}  // namespace
}  // namespace vel
