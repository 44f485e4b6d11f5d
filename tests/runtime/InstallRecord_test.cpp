#include "runtime/InstallRecord.h"

#include <gtest/gtest.h>

#include "runtime/Text.h"

namespace vel {
namespace {

const char* const kRoot = "E:\\Games\\MyVelvinor\\";

InstallRecord Transfer() {
    return TransferRecord(kRoot, {"E:\\Games", "E:\\Games\\MyVelvinor"}, {"SWF"},
                          {"Velvinor.exe", "install.bmp", "SWF\\Game.swf"});
}

TEST(InstallRecord, ReadsBackWhatItWrote) {
    const InstallRecord r = Transfer();
    EXPECT_EQ(FormatRecord(r),
              "root E:\\Games\\MyVelvinor\\\r\nmade E:\\Games\r\nmade E:\\Games\\MyVelvinor\r\ndir SWF\r\n"
              "file Velvinor.exe\r\nfile install.bmp\r\nfile SWF\\Game.swf\r\n");
    EXPECT_EQ(ParseRecord(FormatRecord(r)), r);
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

TEST(InstallRecord, WithoutAListOnlyTheRegisteredProgramInItsTransferFolder) {
    const InstallRecord program{kRoot, {"E:\\Games\\MyVelvinor"}, {}, {"Velvinor.exe"}};
    struct Case {
        const char* registered;
        const char* transfer;
        bool program;
    } cases[] = {
        {kRoot, kRoot, true},
        {"e:\\games\\myvelvinor\\", kRoot, true},
        {"", "", false},                                  // registered in place
        {"D:\\", "", false},                              // in place on the disc
        {"C:\\Windows\\", kRoot, false},                  // "Path" elsewhere
        {kRoot, "C:\\Windows\\Velvinor\\..\\", false},
        {"C:\\", "C:\\", false},
        {"C:\\Decoy\\*\\", "C:\\Decoy\\*\\", false},
        {"C:\\x\" & rd /s /q \"C:\\Decoy\\", "C:\\x\" & rd /s /q \"C:\\Decoy\\", false},
        {"\\\\server\\Velvinor\\", "\\\\server\\Velvinor\\", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordWithoutList(c.registered, c.transfer), c.program ? program : InstallRecord{})
            << c.registered << " / " << c.transfer;
}

TEST(InstallRecord, FoldersToInspectReachEveryRecordedEntry) {
    EXPECT_EQ(FoldersToInspect({Transfer(), InstallRecord{}}),
              (std::vector<std::string>{"E:\\Games", "E:\\Games\\MyVelvinor", "E:\\Games\\MyVelvinor\\SWF"}));
    EXPECT_EQ(FolderChain("E:\\"), std::vector<std::string>{});
}

TEST(InstallRecord, RemovalPlanSparesWhatLiesBehindALink) {
    const std::string root = kRoot;
    const InstallRecord clips{"C:\\PF\\Trelkon\\Velvinor\\", {"C:\\PF\\Trelkon", "C:\\PF\\Trelkon\\Velvinor"}, {}, {"a.mpg"}};
    const RemovalPlan whole{
        {root + "Velvinor.exe", root + "install.bmp", root + "SWF\\Game.swf", "C:\\PF\\Trelkon\\Velvinor\\a.mpg"},
        {root + "SWF", "C:\\PF\\Trelkon\\Velvinor", "E:\\Games\\MyVelvinor", "C:\\PF\\Trelkon", "E:\\Games"},
        root + "Velvinor.exe",
        {"C:\\PF\\Trelkon\\Velvinor", "E:\\Games\\MyVelvinor", "C:\\PF\\Trelkon", "E:\\Games"}};
    struct Case {
        const char* name;
        std::vector<InstallRecord> records;
        std::vector<std::string> links;
        RemovalPlan expected;
    } cases[] = {
        {"both records", {Transfer(), clips}, {}, whole},
        {"the SWF folder a link", {Transfer()}, {"e:\\games\\myvelvinor\\swf"},
         {{root + "Velvinor.exe", root + "install.bmp"}, {"E:\\Games\\MyVelvinor", "E:\\Games"}, root + "Velvinor.exe",
          {"E:\\Games\\MyVelvinor", "E:\\Games"}}},
        {"the transfer folder a link", {Transfer()}, {"E:\\Games\\MyVelvinor"}, {{}, {"E:\\Games"}, "", {}}},
        {"a link in a middle component", {Transfer(), clips}, {"E:\\Games", "C:\\PF"}, {}},
        {"only clip copies: no script", {clips}, {},
         {{"C:\\PF\\Trelkon\\Velvinor\\a.mpg"}, {"C:\\PF\\Trelkon\\Velvinor", "C:\\PF\\Trelkon"}, "", {}}},
        {"no record", {InstallRecord{}}, {}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(PlanRemoval(c.records, c.links, "Velvinor.exe"), c.expected) << c.name;
}

TEST(InstallRecord, ScriptNeverRecursesAndQuotesEveryPath) {
    const std::string script =
        RemovalScript("E:\\100%\\Velvinor.exe", {"E:\\100%\\", "E:\\Tom & Jerry"}, "C:\\TEMP\\vel1.bat", 866)
            .value_or("");
    EXPECT_EQ(script.find("/s"), std::string::npos);
    EXPECT_EQ(script,
              "Set /a qq1=0\r\nSet /a qq2=0\r\n"
              ":1\r\nDel \"E:\\100%%\\Velvinor.exe\"\r\nSet /a qq1+=1\r\nIf %qq1% GEQ 60 Goto 3\r\n"
              "If exist \"E:\\100%%\\Velvinor.exe\" ping -n 2 127.0.0.1 >nul\r\n"
              "If exist \"E:\\100%%\\Velvinor.exe\" Goto 1\r\n"
              ":3\r\nRmdir \"E:\\100%%\"\r\nRmdir \"E:\\Tom & Jerry\"\r\n"
              ":2\r\nDel \"C:\\TEMP\\vel1.bat\"\r\nSet /a qq2+=1\r\nIf %qq2% GEQ 60 Goto :eof\r\n"
              "If exist \"C:\\TEMP\\vel1.bat\" ping -n 2 127.0.0.1 >nul\r\nIf exist \"C:\\TEMP\\vel1.bat\" Goto 2\r\n");
    // In the console's code page; a path it cannot name gives no script.
    const std::string russian = Ru("D:\\Игры\\Velvinor.exe");
    EXPECT_FALSE(RemovalScript(russian, {}, "c:\\x.bat", 437));
    EXPECT_NE(RemovalScript(russian, {}, "c:\\x.bat", 866).value_or("").find(AnsiToOem("Del \"" + russian + "\"", 866).value()),
              std::string::npos);
}

}  // namespace
}  // namespace vel
