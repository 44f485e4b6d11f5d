#include "install/InstallRules.h"

#include <gtest/gtest.h>

#include "runtime/Text.h"

namespace vel {
namespace {

TEST(StartDecision, EveryRowOfTheOutcomeTable) {
    using P = StartPath;
    struct Case {
        const char* row;
        StartFacts facts;
        StartDecision expected;
    } cases[] = {
        // -u, App Paths, product key, marker pending, hard disk, OS major
        {"-u with App Paths", {true, true, true, true, true, 6}, {P::Uninstall}},
        {"-u with App Paths, nothing else", {true, true, false, false, false, 5}, {P::Uninstall}},
        {"-u without App Paths", {true, false, true, true, true, 6}, {P::Nothing}},
        {"marker not pending", {false, true, true, false, true, 5}, {P::OrdinaryStart}},
        {"marker not pending, disc, Vista", {false, false, true, false, false, 6}, {P::OrdinaryStart}},
        {"pending, hard disk", {false, false, true, true, true, 6}, {P::Registration}},
        {"pending, disc", {false, false, true, true, false, 6}, {P::Registration}},
        {"no product key, hard disk", {false, false, false, false, true, 5}, {P::Registration}},
        {"no product key, hard disk, Vista", {false, false, false, false, true, 6}, {P::Registration, true}},
        {"no product key, disc", {false, false, false, false, false, 5}, {P::Transfer}},
        {"no product key, disc, Windows 7", {false, false, false, false, false, 7}, {P::Transfer, true}},
    };
    for (const auto& c : cases) EXPECT_EQ(DecideStart(c.facts), c.expected) << c.row;
}

TEST(Transfer, NamingRuleExamples) {
    struct Case {
        const char* path;
        int entries;
        const char* expected;
    } cases[] = {
        {"C:\\Program Files\\Trelkon\\Velvinor\\", 0, "C:\\Program Files\\Trelkon\\Velvinor\\"},
        {"D:\\Games\\", 0, "D:\\Games\\Velvinor\\"},
        {"D:\\Velvinor1\\", 2, "D:\\Velvinor1\\"},
        {"D:\\Velvinor12\\", 0, "D:\\Velvinor12\\Velvinor\\"},
        {"D:\\velvinor\\", 0, "D:\\velvinor\\Velvinor\\"},
        {"D:\\Velvinor\\", 3, "D:\\Velvinor\\Velvinor\\"},
        {"D:\\Velvinor\\Games\\", 0, "D:\\Velvinor\\Games\\Velvinor\\"},
        {"D:\\Velvinor\\", 2, "D:\\Velvinor\\"},
        {"D:\\", 1, "D:\\Velvinor\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(InstallationFolder(c.path, c.entries), c.expected) << c.path;
}

TEST(Transfer, FreeSpaceInWholeMegabytesAndTheDriveOfTheField) {
    EXPECT_EQ(FreeMegabytes(230'686'720), 220);
    EXPECT_EQ(FreeMegabytes(230'686'719), 219);
    EXPECT_EQ(FreeMegabytes(-1), 0);
    EXPECT_EQ(FreeMegabytes(0), 0);

    struct Case {
        const char* field;
        char letter;
    } cases[] = {{"d:\\Games", 'D'}, {"E:", 'E'}, {"\\\\server\\share\\Games", '\\'}, {"Games", ' '},
                 {" C:\\Games", ' '}, {"", ' '}, {"1:\\x", '1'}};
    for (const auto& c : cases) EXPECT_EQ(DriveLetterOf(c.field), c.letter) << c.field;
}

TEST(Uninstall, ConfirmationTexts) {
    const std::string base = Ru("Вы действительно хотите полностью удалить программу и все связанные с ней файлы?");
    const std::string product = "C:\\Program Files\\Trelkon\\Velvinor";
    const std::string one = Ru("\r\n(Будут удалены файлы из директории ");
    const std::string games = "D:\\Games\\Velvinor\\";
    struct Case {
        std::string transfer;
        bool productEmptied, transferEmptied;
        std::string text;
    } cases[] = {
        {"", false, false, base},
        {"", true, false, base + one + product + ")"},
        {product + "\\", true, true, base + one + product + ")"},
        {product + "\\", false, false, base},
        // The comparison with the default folder respects letter case.
        {"C:\\PROGRAM FILES\\Trelkon\\Velvinor\\", false, true, base + one + "C:\\PROGRAM FILES\\Trelkon\\Velvinor\\)"},
        {games, true, true, base + Ru("\r\n(Будут удалены файлы из директорий ") + product + Ru("\r\nи ") + games + ")"},
        {games, true, false, base + one + product + ")"},
        {games, false, true, base + one + games + ")"},
        // Nothing will go from either: no folder is promised.
        {games, false, false, base},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UninstallConfirmation(c.transfer, product, c.productEmptied, c.transferEmptied), c.text)
            << c.transfer << " " << c.productEmptied << c.transferEmptied;
}

TEST(Uninstall, DdeAnswerLines) {
    struct Case {
        std::string text;
        std::size_t lines;
    } cases[] = {{"", 0},          {"a", 1},        {"a\r\n", 1},     {"a\r\nb\r\n", 2}, {"a\nb", 2},
                 {"a\r\n\r\n", 2}, {"a\r", 1},      {std::string("a\r\n\0b\r\n", 7), 1}};
    for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text).size(), c.lines) << c.text;
}

}  // namespace
}  // namespace vel
