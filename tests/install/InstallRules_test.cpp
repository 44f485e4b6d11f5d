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

TEST(Uninstall, ParentFolderOnlyForTheIdentifierAndOneMoreCharacter) {
    struct Case {
        const char* transfer;
        const char* parent;
    } cases[] = {
        {"C:\\Program Files\\Trelkon\\Velvinor\\", "C:\\Program Files\\Trelkon\\"},
        {"D:\\Velvinor\\", "D:\\"},
        {"D:\\Velvinor1\\", ""},
        {"D:\\Games\\Velvinor\\Velvinor\\", ""},
        {"D:\\velvinor\\", ""},
        {"", ""},
        {"Velvinor\\", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ParentFolder(c.transfer), c.parent) << c.transfer;
}

TEST(Uninstall, ConfirmationTexts) {
    const std::string base = Ru("Вы действительно хотите полностью удалить программу и все связанные с ней файлы?");
    const std::string product = "C:\\Program Files\\Trelkon\\Velvinor";
    const std::string one = Ru("\r\n(Будут удалены файлы из директории ");
    EXPECT_EQ(UninstallConfirmation("", product, false), base);
    EXPECT_EQ(UninstallConfirmation("", product, true), base + one + product + ")");
    EXPECT_EQ(UninstallConfirmation(product + "\\", product, true), base + one + product + ")");
    // The comparison with the default folder respects letter case.
    EXPECT_EQ(UninstallConfirmation("C:\\PROGRAM FILES\\Trelkon\\Velvinor\\", product, false),
              base + one + "C:\\PROGRAM FILES\\Trelkon\\Velvinor\\)");
    EXPECT_EQ(UninstallConfirmation("D:\\Games\\Velvinor\\", product, true),
              base + Ru("\r\n(Будут удалены файлы из директорий ") + product + Ru("\r\nи D:\\Games\\Velvinor\\)"));
}

TEST(Uninstall, FolderSafetyRefusesWhatTheProgramDidNotCreate) {
    const std::vector<std::string> system = {"C:\\Windows", "C:\\Documents and Settings",
                                             "C:\\Documents and Settings\\Velvinor"};
    struct Case {
        const char* folder;
        bool allowed;
        bool link = false;
    } cases[] = {
        {"C:\\Program Files\\Trelkon\\Velvinor\\", true},
        {"C:\\Program Files\\Trelkon\\Velvinor", true},
        {"C:\\Program Files\\Trelkon", true},
        {"c:\\program files\\trelkon\\", true},
        {"D:\\Velvinor\\", true},
        {"D:\\Velvinor1\\", true},
        {"D:/Games/Velvinor/", true},
        {"\\\\server\\share\\Velvinor\\", true},
        {"C:\\Program Files\\Trelkon\\Velvinor\\", false, true},
        {"", false},
        {"C:\\", false},
        {"C:", false},
        {"C:\\Windows\\", false},
        {"C:\\Windows\\Velvinor\\..\\", false},
        {"C:\\Velvinor\\..\\Windows\\", false},
        {"C:\\Program Files\\Trelkon\\Velvinor\\..\\..\\", false},
        {"C:\\Velvinor\\.\\", false},
        {"C:\\Velvinor\\ ..\\", false},
        {"\\\\server\\Velvinor\\", false},
        {"\\\\server\\share\\", false},
        {"\\\\?\\C:\\Velvinor\\", false},
        {"Velvinor\\", false},
        {"\\Velvinor\\", false},
        {"C:Velvinor\\", false},
        {"C:\\Program Files\\", false},
        {"C:\\Program Files\\Trelkon\\Other\\", false},
        {"C:\\Documents and Settings\\Velvinor\\", false},
        {"C:\\Documents and Settings\\Velvinor.\\", false},
        {"C:\\Documents and Settings\\", false},
        {"C:\\Velvinor*\\", false},
        {"C:\\Velvinor\" & rd /s /q \"C:\\Windows\\", false},
        {"C:\\Velvinor:stream\\", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderMayBeRemoved({c.folder, "C:\\Program Files\\Trelkon", "C:\\Program Files", system, c.link}),
                  c.allowed)
            << c.folder;
    // A folder that holds a system folder is the system's too.
    EXPECT_FALSE(FolderMayBeRemoved({"C:\\Velvinor\\", "C:\\Program Files\\Trelkon", "C:\\Velvinor\\Programs", {}}));
    EXPECT_FALSE(FolderMayBeRemoved({"C:\\Velvinor\\", "", "C:\\Program Files", {"c:\\velvinor\\windows"}}));
}

UninstallFilePlan Plan(int fileCase, std::vector<FolderStep> steps, bool script = false, std::string folder = {},
                       std::string parent = {}) {
    return {fileCase, std::move(steps), script, std::move(folder), std::move(parent)};
}

TEST(Uninstall, FilePlanForEachCase) {
    UninstallFileFacts base;
    base.programFile = "C:\\Program Files\\Trelkon\\Velvinor\\Velvinor.exe";
    base.makerFolder = "C:\\Program Files\\Trelkon";
    base.productFolder = "C:\\Program Files\\Trelkon\\Velvinor";
    base.makerExists = base.productExists = true;
    base.makerSafe = base.productSafe = true;

    auto with = [&](auto change) {
        UninstallFileFacts f = base;
        change(f);
        return PlanUninstallFiles(f);
    };
    const std::string maker = base.makerFolder, product = base.productFolder;
    struct Case {
        const char* name;
        UninstallFilePlan plan;
        UninstallFilePlan expected;
    } cases[] = {
        {"1: maker holds only the product folder",
         with([](UninstallFileFacts& f) { f.makerHoldsOnlyProduct = true; }), Plan(1, {{maker, true}})},
        {"1: maker holds more", with([](UninstallFileFacts&) {}), Plan(1, {{product, true}})},
        {"1: nothing on the disk",
         with([](UninstallFileFacts& f) { f.makerExists = f.productExists = false, f.makerHoldsOnlyProduct = true; }),
         Plan(1, {})},
        {"2: the parent is cleared and scripted",
         with([&](UninstallFileFacts& f) {
             f.transferFolder = product + "\\", f.parentFolder = maker + "\\";
             f.transferExists = f.parentExists = f.transferSafe = f.parentSafe = f.parentHoldsOnlyProduct = true;
         }),
         Plan(2, {{maker + "\\", false}}, true, product + "\\", maker + "\\")},
        {"2: the parent holds more",
         with([&](UninstallFileFacts& f) {
             f.transferFolder = product + "\\", f.parentFolder = maker + "\\";
             f.transferExists = f.parentExists = f.transferSafe = f.parentSafe = true;
         }),
         Plan(2, {{product + "\\", false}}, true, product + "\\", "")},
        {"2: other letter case, no parent",
         with([&](UninstallFileFacts& f) {
             f.transferFolder = "C:\\PROGRAM FILES\\TRELKON\\VELVINOR\\";
             f.transferExists = f.transferSafe = true;
         }),
         Plan(2, {{"C:\\PROGRAM FILES\\TRELKON\\VELVINOR\\", false}}, true, "C:\\PROGRAM FILES\\TRELKON\\VELVINOR\\", "")},
        {"3: another folder",
         with([](UninstallFileFacts& f) {
             f.transferFolder = "D:\\Games\\Velvinor\\", f.parentFolder = "D:\\Games\\";
             f.transferExists = f.transferSafe = f.parentExists = true;
         }),
         Plan(3, {{product, true}, {"D:\\Games\\Velvinor\\", false}}, true, "D:\\Games\\Velvinor\\", "")},
        {"3: no parent, left alone",
         with([](UninstallFileFacts& f) {
             f.transferFolder = "D:\\Velvinor1\\", f.transferExists = f.transferSafe = true;
             f.makerHoldsOnlyProduct = true;
         }),
         Plan(3, {{maker, true}})},
        {"3: unsafe transfer folder",
         with([](UninstallFileFacts& f) {
             f.transferFolder = "\\\\server\\Velvinor\\", f.parentFolder = "\\\\server\\";
             f.transferExists = true;
         }),
         Plan(3, {{product, true}}, true, "", "")},
        {"1: unsafe maker folder falls back to the product folder",
         with([](UninstallFileFacts& f) { f.makerHoldsOnlyProduct = true, f.makerSafe = false; }), Plan(1, {{product, true}})},
    };
    for (const auto& c : cases) EXPECT_EQ(c.plan, c.expected) << c.name;
}

TEST(Uninstall, ScriptQuotesItsPathsForCmd) {
    const std::string script =
        UninstallScript("D:\\100% games\\Velvinor.exe", "D:\\100% games\\", "", "c:\\x.bat", 437).value();
    EXPECT_NE(script.find("Del \"D:\\100%% games\\Velvinor.exe\"\r\n"), std::string::npos);
    EXPECT_NE(script.find("Rmdir \"D:\\100%% games\" /s /q\r\n"), std::string::npos);
    // "…\nul" is never found in a quoted path with blanks; the folder's "." is.
    EXPECT_NE(script.find("If exist \"D:\\100%% games\\.\" Goto 3\r\n"), std::string::npos);
    EXPECT_EQ(script.find("nul\""), std::string::npos);
    // A path the console's code page cannot name gives no script.
    EXPECT_FALSE(UninstallScript(Ru("D:\\Игры\\Velvinor.exe"), "", "", "c:\\x.bat", 437));
    EXPECT_TRUE(UninstallScript(Ru("D:\\Игры\\Velvinor.exe"), "", "", "c:\\x.bat", 866));
}

TEST(Uninstall, ScriptPathInTheTempFolder) {
    EXPECT_EQ(UninstallScriptPath("C:\\Temp\\", 1), "C:\\Temp\\Velvinor-uninstall-1.bat");
    EXPECT_EQ(UninstallScriptPath("C:\\Temp", 12), "C:\\Temp\\Velvinor-uninstall-12.bat");
    EXPECT_EQ(UninstallScriptPath("", 2), "c:\\Velvinor-uninstall-2.bat");
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
