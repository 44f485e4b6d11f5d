// The installation's path rules where the system spells paths as POSIX does (the
// Linux program): records, folders, free space, the removal's plan.
#include <gtest/gtest.h>

#include "install/FolderHelpers.h"
#include "install/InstallRules.h"
#include "install/Removal.h"
#include "runtime/InstallRecord.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {
namespace {

class PosixPaths : public ::testing::Test {
protected:
    void SetUp() override { SetPathStyle(PathStyle::Posix); }
    void TearDown() override { SetPathStyle(PathStyle::Windows); }
};

TEST_F(PosixPaths, RecordNamesWhatIsOnTheDiskLetterForLetter) {
    const InstallRecord r = TransferRecord("/home/anna/Games/Velvinor", {"/home/anna/Games", "/home/anna/Games/Velvinor"},
                                           {"SWF"}, {"velvinor", "SWF/Game.swf", Ru("Игра. ")});
    EXPECT_EQ(FormatRecord(r),
              "root /home/anna/Games/Velvinor/\r\nmade /home/anna/Games\r\nmade /home/anna/Games/Velvinor\r\n"
              "dir SWF\r\nfile velvinor\r\nfile SWF/Game.swf\r\nfile " + Ru("Игра. ") + "\r\n");
    EXPECT_EQ(ParseRecord(FormatRecord(r)), r);

    struct Case {
        const char* line;
        bool kept;
    } cases[] = {
        {"made /home/anna", true},
        {"made /home/anna/games", false},  // another folder here: letters are told apart
        {"made /", false},
        {"made home/anna", false},
        {"made /home/anna/Games/Velvinor/SWF", false},
        {"file ../secret", false},
        {"file SWF/./Game.swf", false},
        {"file C:\\x", true},  // a backslash is a letter of a POSIX name
        {"dir SWF//x", false},
    };
    for (const Case& c : cases) {
        const InstallRecord parsed = ParseRecord("root /home/anna/Games/Velvinor/\r\n" + std::string(c.line) + "\r\n");
        EXPECT_EQ(parsed.made.size() + parsed.dirs.size() + parsed.files.size(), c.kept ? 1u : 0u) << c.line;
    }
    for (const char* root : {"root relative/Velvinor/\r\n", "root /\r\n", "root /home/anna/Velvinor\r\n",
                             "root C:\\Games\\Velvinor\\\r\n"})
        EXPECT_TRUE(ParseRecord(root).root.empty()) << root;
}

TEST_F(PosixPaths, FoldersAndNamesFollowTheSystemsSpelling) {
    EXPECT_EQ(FolderChain("/home/anna/Games/"), (std::vector<std::string>{"/home", "/home/anna", "/home/anna/Games"}));
    EXPECT_TRUE(FolderChain("Games/Velvinor").empty());
    EXPECT_NE(PathKey("/home/Anna"), PathKey("/home/anna"));
    EXPECT_EQ(PathKey("/home/anna/"), PathKey("/home/anna"));
    EXPECT_EQ(JoinPath("/home/anna", "/SWF"), "/home/anna/SWF");
    EXPECT_EQ(WithNamesAsKept("/home/anna/Velvinor. "), "/home/anna/Velvinor. ");
    EXPECT_EQ(product::ProgramFileName(), "velvinor");
    SetPathStyle(PathStyle::Windows);
    EXPECT_EQ(product::ProgramFileName(), "Velvinor.exe");
}

TEST_F(PosixPaths, TransferFolderFreeSpaceAndQuestion) {
    EXPECT_EQ(InstallationFolder("/home/anna/Games/", 2), "/home/anna/Games/Velvinor/");
    EXPECT_EQ(InstallationFolder("/home/anna/Velvinor/", 2), "/home/anna/Velvinor/");
    // The folder itself: the file system it would be made on answers.
    EXPECT_EQ(FreeSpaceRoot("  /media/usb/Games "), "/media/usb/Games");
    EXPECT_EQ(UninstallConfirmation("/home/anna/.local/share/Trelkon/Velvinor/",
                                    "/home/anna/.local/share/Trelkon/Velvinor", true, true),
              Ru("Вы действительно хотите полностью удалить программу и все связанные с ней файлы?\r\n(Будут "
                 "удалены файлы из директории /home/anna/.local/share/Trelkon/Velvinor)"));
}

TEST_F(PosixPaths, RemovalPlanSparesTheFamilysLinkAndNeedsNoScriptWithoutARunningProgram) {
    InstallRecord r = TransferRecord("/home/anna/Games/Velvinor/", {"/home/anna/Games", "/home/anna/Games/Velvinor"},
                                     {"SWF", "Pictures"}, {"velvinor", "SWF/Game.swf", "Pictures/a.png"});
    // The family replaced the copied folder "Pictures" by a link to its own.
    const RemovalPlan plan = PlanRemoval({r}, {"/home/anna/Games/Velvinor/Pictures"}, "");
    EXPECT_EQ(plan.deleteFiles,
              (std::vector<std::string>{"/home/anna/Games/Velvinor/velvinor", "/home/anna/Games/Velvinor/SWF/Game.swf"}));
    EXPECT_EQ(plan.removeFolders, (std::vector<std::string>{"/home/anna/Games/Velvinor/SWF", "/home/anna/Games/Velvinor",
                                                            "/home/anna/Games"}));
    EXPECT_TRUE(plan.scriptProgramFile.empty());
    EXPECT_TRUE(PlanTouches(plan, "/home/anna/Games/Velvinor"));
    EXPECT_FALSE(PlanTouches(plan, "/home/anna/Games/Velvinor/Pictures"));
    EXPECT_FALSE(PlanTouches(plan, "/home/anna/games"));
}

}  // namespace
}  // namespace vel
