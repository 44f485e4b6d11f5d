// The removal's plan and script: what the records let the program delete, and how.

#include "install/Removal.h"

#include <gtest/gtest.h>

#include "runtime/Text.h"
#include "support/Records.h"

namespace vel {

// A plan as a failed test shows it.
void PrintTo(const RemovalPlan& p, std::ostream* out) {
    auto list = [&](const std::vector<std::string>& l) {
        for (const auto& s : l) *out << " " << s;
    };
    *out << "delete";
    list(p.deleteFiles);
    *out << "; remove";
    list(p.removeFolders);
    *out << "; script " << p.scriptProgramFile << ":";
    list(p.scriptFolders);
}

namespace {

const char* const kRoot = test::kRecordRoot;
InstallRecord Transfer() { return test::TransferredGame(); }

TEST(Removal, FoldersToInspectFromEachRootDownAndTheMadeOnes) {
    EXPECT_EQ(FoldersToInspect({Transfer(), InstallRecord{}}),
              (std::vector<std::string>{"E:\\Games\\MyVelvinor", "E:\\Games\\MyVelvinor\\SWF", "E:\\Games"}));
}

TEST(Removal, PlanSparesWhatLiesBehindALinkAtOrBelowARoot) {
    const std::string root = kRoot;
    const std::string program = root + "Velvinor.exe";
    const InstallRecord clips{"C:\\PF\\Trelkon\\Velvinor\\", {"C:\\PF\\Trelkon", "C:\\PF\\Trelkon\\Velvinor"}, {}, {"a.mpg"}};
    const std::vector<std::string> allFiles{program, root + "install.bmp", root + "SWF\\Game.swf",
                                            "C:\\PF\\Trelkon\\Velvinor\\a.mpg"};
    const RemovalPlan whole{
        allFiles,
        {root + "SWF", "C:\\PF\\Trelkon\\Velvinor", "E:\\Games\\MyVelvinor", "C:\\PF\\Trelkon", "E:\\Games"},
        program,
        {"C:\\PF\\Trelkon\\Velvinor", "E:\\Games\\MyVelvinor", "C:\\PF\\Trelkon", "E:\\Games"}};
    struct Case {
        const char* name;
        std::vector<InstallRecord> records;
        std::vector<std::string> links;
        std::string running;
        RemovalPlan expected;
    } cases[] = {
        {"both records", {Transfer(), clips}, {}, program, whole},
        {"run from elsewhere: no script", {Transfer(), clips}, {}, "D:\\Velvinor.exe",
         {allFiles, whole.removeFolders, "", {}}},
        {"the SWF folder a link", {Transfer()}, {"e:\\games\\myvelvinor\\swf"}, program,
         {{program, root + "install.bmp"}, {"E:\\Games\\MyVelvinor", "E:\\Games"}, program,
          {"E:\\Games\\MyVelvinor", "E:\\Games"}}},
        {"the transfer folder a link", {Transfer()}, {"E:\\Games\\MyVelvinor"}, program, {{}, {"E:\\Games"}, "", {}}},
        // A games folder moved to another disk: the user's layout, and the
        // installation below it goes; the link itself stays.
        {"a link above the roots", {Transfer(), clips}, {"E:\\Games", "C:\\PF"}, program,
         {allFiles, {root + "SWF", "C:\\PF\\Trelkon\\Velvinor", "E:\\Games\\MyVelvinor", "C:\\PF\\Trelkon"}, program,
          {"C:\\PF\\Trelkon\\Velvinor", "E:\\Games\\MyVelvinor", "C:\\PF\\Trelkon"}}},
        {"only clip copies: no script", {clips}, {}, program,
         {{"C:\\PF\\Trelkon\\Velvinor\\a.mpg"}, {"C:\\PF\\Trelkon\\Velvinor", "C:\\PF\\Trelkon"}, "", {}}},
        {"no record", {InstallRecord{}}, {}, program, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(PlanRemoval(c.records, c.links, c.running), c.expected) << c.name;
}

TEST(Removal, ScriptTakesTheCopiedFoldersThatHoldTheRunningProgram) {
    // An older installation cleared from the maker folder: the program lies one folder down.
    const InstallRecord maker{"C:\\PF\\Trelkon\\", {"C:\\PF\\Trelkon"}, {"Velvinor", "Velvinor\\SWF"},
                              {"Velvinor\\Velvinor.exe", "Velvinor\\SWF\\Game.swf"}};
    const RemovalPlan plan = PlanRemoval({maker}, {}, "c:\\pf\\trelkon\\velvinor\\velvinor.exe");
    EXPECT_EQ(plan.scriptProgramFile, "C:\\PF\\Trelkon\\Velvinor\\Velvinor.exe");
    EXPECT_EQ(plan.scriptFolders, (std::vector<std::string>{"C:\\PF\\Trelkon\\Velvinor", "C:\\PF\\Trelkon"}));
    EXPECT_TRUE(PlanTouches(plan, "C:\\PF\\Trelkon\\Velvinor"));
    EXPECT_FALSE(PlanTouches(plan, "C:\\PF\\Trelkon\\Velvinor2"));
}

TEST(Removal, ScriptWaitsForTheProgramNeverRecursesAndQuotesEveryPath) {
    const ScriptFiles names = UninstallScriptFiles("C:\\TEMP", 1);
    EXPECT_EQ(names, (ScriptFiles{"C:\\TEMP\\Velvinor-uninstall-1.bat", "C:\\TEMP\\Velvinor-uninstall-1.run",
                                  "C:\\TEMP\\Velvinor-uninstall-1.stop"}));
    const std::string script =
        RemovalScript("E:\\100%\\Velvinor.exe", {"E:\\100%\\", "E:\\Tom & Jerry"}, names, 866).value_or("");
    EXPECT_EQ(script.find("/s"), std::string::npos);
    const std::string bat = "\"C:\\TEMP\\Velvinor-uninstall-1.bat\"";
    EXPECT_EQ(script,
              "Set /a qq1=0\r\nSet /a qq4=0\r\n"
              ":0\r\nIf exist \"C:\\TEMP\\Velvinor-uninstall-1.run\" ping -n 2 127.0.0.1 >nul\r\n"
              "If exist \"C:\\TEMP\\Velvinor-uninstall-1.run\" Goto 0\r\n"
              "If exist \"C:\\TEMP\\Velvinor-uninstall-1.stop\" Goto 2\r\n"
              ":1\r\nDel \"E:\\100%%\\Velvinor.exe\"\r\nSet /a qq1+=1\r\nIf %qq1% GEQ 60 Goto 3\r\n"
              "If exist \"E:\\100%%\\Velvinor.exe\" ping -n 2 127.0.0.1 >nul\r\n"
              "If exist \"E:\\100%%\\Velvinor.exe\" Goto 1\r\n"
              ":3\r\nRmdir \"E:\\100%%\"\r\nRmdir \"E:\\Tom & Jerry\"\r\n"
              ":2\r\nIf exist \"C:\\TEMP\\Velvinor-uninstall-1.stop\" Del \"C:\\TEMP\\Velvinor-uninstall-1.stop\"\r\n"
              ":4\r\nDel " + bat + "\r\nSet /a qq4+=1\r\nIf %qq4% GEQ 60 Goto :eof\r\n"
              "If exist " + bat + " ping -n 2 127.0.0.1 >nul\r\nIf exist " + bat + " Goto 4\r\n");
    // In the console's code page; a path it cannot name gives no script.
    const std::string russian = Ru("D:\\Игры\\Velvinor.exe");
    EXPECT_FALSE(RemovalScript(russian, {}, names, 437));
    EXPECT_NE(RemovalScript(russian, {}, names, 866).value_or("").find(AnsiToOem("Del \"" + russian + "\"", 866).value()),
              std::string::npos);
}

}  // namespace
}  // namespace vel
