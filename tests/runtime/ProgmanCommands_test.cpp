#include <gtest/gtest.h>

#include <ostream>

#include "runtime/ProgmanCommands.h"

namespace vel {

// Readable failures: the name and the arguments, not the object's bytes.
void PrintTo(const ProgmanCommand& c, std::ostream* out) {
    *out << c.name << "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) *out << (i ? "|" : "") << c.args[i];
    *out << ")";
}

namespace {

using Commands = std::vector<ProgmanCommand>;

TEST(ProgmanCommands, ReadsQuotingSeveralCommandsAndStopsAtMalformedInput) {
    struct Case {
        std::string_view request;
        Commands commands;
    };
    // "Вельвинор" in code page 1251: bytes above 0x7F are letters, not blanks.
    const std::string velvinor = "\xC2\xE5\xEB\xFC\xE2\xE8\xED\xEE\xF0";
    const std::string request1251 = "[CreateGroup( " + velvinor + " )]";
    const Case cases[] = {
        {"[CreateGroup(Velvinor)]\r\n", {{"CreateGroup", {"Velvinor"}}}},
        {"[AddItem(\"C:\\Program Files\\Velvinor.exe -u\",Remove Velvinor)]\r\n",
         {{"AddItem", {"C:\\Program Files\\Velvinor.exe -u", "Remove Velvinor"}}}},
        {request1251, {{"CreateGroup", {velvinor}}}},
        // Quoted: commas, parentheses and quotes are text until a quote that a comma
        // or the closing parenthesis follows.
        {"[AddItem(\"C:\\a,b (c)\\x.exe\" , Game )]", {{"AddItem", {"C:\\a,b (c)\\x.exe", "Game"}}}},
        {"[AddItem(\"say \"hi\" now\",c)]", {{"AddItem", {"say \"hi\" now", "c"}}}},
        {"[AddItem(\"a\")b\",c)]", {{"AddItem", {"a\")b", "c"}}}},
        // Unquoted: a parenthesis is text unless "]" follows it.
        {"[AddItem(x.exe,Game (demo))]", {{"AddItem", {"x.exe", "Game (demo)"}}}},
        {" [ DeleteGroup ( G ) ] ", {{"DeleteGroup", {"G"}}}},
        {"[DeleteGroup()]", {{"DeleteGroup", {""}}}},
        {"[AddItem(x,,\"\")]", {{"AddItem", {"x", "", ""}}}},
        // Several in one request, anything between them ignored.
        {"[CreateGroup(G)][ShowGroup(G, 1)]\r\n junk [DeleteItem(a)]",
         {{"CreateGroup", {"G"}}, {"ShowGroup", {"G", "1"}}, {"DeleteItem", {"a"}}}},
        // Malformed: that command and the rest are dropped, the ones before it kept.
        {"[CreateGroup(A)][AddItem(\"x,y)]", {{"CreateGroup", {"A"}}}},
        {"[CreateGroup(A)] [AddItem(\"y\" z)] [DeleteGroup(A)]", {{"CreateGroup", {"A"}}}},
        {"[CreateGroup(A)][CreateGroup][DeleteGroup(A)]", {{"CreateGroup", {"A"}}}},
        {"[CreateGroup(A)", {}},
        {"[CreateGroup(A) x]", {}},
        {"[(A)]", {}},
        {"CreateGroup(A)", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        const Commands got = ParseProgmanCommands(c.request);
        EXPECT_EQ(got, c.commands) << c.request;
    }
}

}  // namespace
}  // namespace vel
