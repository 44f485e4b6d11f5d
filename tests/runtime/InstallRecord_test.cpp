#include "runtime/InstallRecord.h"

#include <gtest/gtest.h>

#include "runtime/Text.h"
#include "support/Records.h"

namespace vel {
namespace {

const char* const kRoot = test::kRecordRoot;
InstallRecord Transfer() { return test::TransferredGame(); }

TEST(InstallRecord, ReadsBackWhatItWrote) {
    const InstallRecord r = Transfer();
    EXPECT_EQ(FormatRecord(r),
              "root E:\\Games\\MyVelvinor\\\r\nmade E:\\Games\r\nmade E:\\Games\\MyVelvinor\r\ndir SWF\r\n"
              "file Velvinor.exe\r\nfile install.bmp\r\nfile SWF\\Game.swf\r\n");
    EXPECT_EQ(ParseRecord(FormatRecord(r)), r);

    InstallRecord finished = r;
    finished.finished = true;
    EXPECT_EQ(FormatRecord(finished), FormatRecord(r) + "finished\r\n");
    EXPECT_EQ(ParseRecord(FormatRecord(finished)), finished);
    // Only a whole line says so.
    EXPECT_FALSE(ParseRecord(FormatRecord(r) + "finished").finished);
    EXPECT_FALSE(ParseRecord(FormatRecord(r) + "finished now\r\n").finished);
}

TEST(InstallRecord, KeepsNothingOutsideItsRootNorAnyPathTheProgramCannotMake) {
    struct Case {
        const char* line;
        bool kept;
    } cases[] = {
        {"made E:\\Games", true},
        {"made e:\\games\\myvelvinor\\", true},
        {"made E:\\Games\\MyVelvinor\\SWF", false},  // below the root: copied, not made
        {"made E:\\Other", false},
        {"made E:\\Gam", false},
        {"made E:\\", false},
        {"made \\\\server\\share\\Games", false},
        {"made E:\\Games\\..\\Games", false},
        {"file Velvinor.exe", true},
        {"file Tom & Jerry\\a b.txt", true},  // a name a user may give; quoted in the script
        {"file ..\\..\\Windows\\win.ini", false},
        {"file \\Windows\\win.ini", false},
        {"file C:\\Windows\\win.ini", false},
        {"file SWF\\*.*", false},
        {"file a\" & rd /s /q \"C:\\", false},
        {"file SWF\\\\Game.swf", false},
        {"file SWF\\Game.swf.", false},
        {"file x:stream", false},
        {"dir SWF\\.", false},
        {"dir ", false},
        {"rmdir SWF", false},
        {"FILE Velvinor.exe", false},
    };
    for (const auto& c : cases) {
        InstallRecord r = ParseRecord(std::string("root ") + kRoot + "\r\n" + c.line + "\r\n");
        EXPECT_EQ(r.made.size() + r.dirs.size() + r.files.size(), c.kept ? 1u : 0u) << c.line;
    }
}

TEST(InstallRecord, AnUnusableOrCutRootNamesNothing) {
    const char* const roots[] = {"C:\\", "C:", "\\\\server\\share\\", "\\\\server\\share\\Velvinor\\", "\\Velvinor\\",
                                 "Velvinor\\", "C:Velvinor\\", "\\\\?\\C:\\Velvinor\\", "C:\\Velvinor*\\",
                                 "C:\\Velvinor\\..\\", "C:\\Program Files\\Trelk"};
    for (const char* root : roots)
        EXPECT_EQ(ParseRecord(std::string("root ") + root + "\r\nfile Velvinor.exe\r\n"), InstallRecord{}) << root;

    // A record cut anywhere names a part of what it named, never another path.
    const std::string text = FormatRecord(Transfer());
    for (std::size_t n = 0; n <= text.size(); ++n) {
        const InstallRecord cut = ParseRecord(text.substr(0, n));
        if (cut.root.empty()) continue;
        EXPECT_EQ(cut.root, kRoot) << n;
        for (const auto& f : cut.files)
            EXPECT_NE(std::find(Transfer().files.begin(), Transfer().files.end(), f), Transfer().files.end()) << n;
    }
}

TEST(InstallRecord, FolderChainRunsFromBelowTheDrive) {
    EXPECT_EQ(FolderChain("E:\\Games\\My\\"), (std::vector<std::string>{"E:\\Games", "E:\\Games\\My"}));
    EXPECT_EQ(FolderChain("E:\\"), std::vector<std::string>{});
}

TEST(InstallRecord, ClipCopiesJoinTheDefaultFolderRecordOnly) {
    const std::string folder = "C:\\Program Files\\Trelkon\\Velvinor";
    std::string text = WithClipCopy("", folder, {"C:\\Program Files\\Trelkon", folder}, "lesson1.mpg");
    text = WithClipCopy(text, folder, {}, "lesson2.mpg");
    text = WithClipCopy(text, folder, {}, "LESSON1.MPG");
    EXPECT_EQ(ParseRecord(text), (InstallRecord{folder + "\\", {"C:\\Program Files\\Trelkon", folder}, {},
                                                {"lesson1.mpg", "lesson2.mpg"}}));
    // Another folder (the system's program files folder moved) leaves the record alone.
    EXPECT_EQ(WithClipCopy(text, "D:\\Programs\\Trelkon\\Velvinor", {}, "lesson3.mpg"), text);
    // A clip name that climbs out of the folder is not recorded, so never deleted.
    EXPECT_EQ(ParseRecord(WithClipCopy(text, folder, {}, "..\\..\\boot.ini")).files.size(), 2u);
}

}  // namespace
}  // namespace vel
