// The removal's plan and script: what the records let the program delete, and how.

#include "install/Removal.h"

#include <gtest/gtest.h>

#include "runtime/Text.h"
#include "support/Records.h"

namespace vel {
namespace {

const char* const kRoot = test::kRecordRoot;
InstallRecord Transfer() { return test::TransferredGame(); }

TEST(Removal, FoldersToInspectReachEveryRecordedEntry) {
    EXPECT_EQ(FoldersToInspect({Transfer(), InstallRecord{}}),
              (std::vector<std::string>{"E:\\Games", "E:\\Games\\MyVelvinor", "E:\\Games\\MyVelvinor\\SWF"}));
}

TEST(Removal, PlanSparesWhatLiesBehindALink) {
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

TEST(Removal, ScriptNeverRecursesAndQuotesEveryPath) {
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

TEST(Removal, ScriptPathInTheTempFolder) {
    EXPECT_EQ(UninstallScriptPath("C:\\Temp\\", 1), "C:\\Temp\\Velvinor-uninstall-1.bat");
    EXPECT_EQ(UninstallScriptPath("C:\\Temp", 12), "C:\\Temp\\Velvinor-uninstall-12.bat");
    EXPECT_EQ(UninstallScriptPath("", 2), "c:\\Velvinor-uninstall-2.bat");
}

}  // namespace
}  // namespace vel
