// The installation on the simulated machine: what reaches the disk and the screen.

#include <gtest/gtest.h>

#include "install/FolderHelpers.h"
#include "install/StartingFrm.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"
#include "tools/scenario/Scenario.h"

namespace vel {
namespace {

class OnMachine : public ::testing::Test {
protected:
    sim::SimMachine machine;
    sim::Scenario scenario{machine};

    void Run(const std::string& text) { scenario.Run(text); }
    bool TraceHas(const std::string& line) const {
        for (const auto& l : machine.trace.Lines())
            if (l == line) return true;
        return false;
    }
};

// ---- the uninstall script ----

// Where the simulated machine's user keeps temporary files, and the script's first name there.
const char* const kTemp = "C:\\Documents and Settings\\User\\Local Settings\\Temp\\";
const std::string kScript = std::string(kTemp) + "Velvinor-uninstall-1.bat";

// An installed copy whose program files folder has a Russian name, so the script
// shows its code page.
const char* const kInstalled = R"(
reg "SOFTWARE\Microsoft\Windows\CurrentVersion" "ProgramFilesDir" "C:\Программы"
file "C:\Программы\Trelkon\Velvinor\Velvinor.exe"
reg "\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe" "Path" "C:\Программы\Trelkon\Velvinor\"
)";

std::string Lines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += Ru(l) + "\r\n";
    return out;
}

TEST_F(OnMachine, ScriptBytesForEachFileCase) {
    const std::string head = "Set /a qq1=0\r\n";
    const std::string programLoop = Lines({
        ":1",
        "Del \"C:\\Программы\\Trelkon\\Velvinor\\Velvinor.exe\"",
        "Set /a qq1+=1",
        "If %qq1% GEQ 60 Goto 3",
        "If exist \"C:\\Программы\\Trelkon\\Velvinor\\Velvinor.exe\" ping -n 2 127.0.0.1 >nul",
        "If exist \"C:\\Программы\\Trelkon\\Velvinor\\Velvinor.exe\" Goto 1",
    });
    const std::string selfLoop = ":2\r\nDel \"" + kScript + "\"\r\nSet /a qq2+=1\r\nIf %qq2% GEQ 60 Goto :eof\r\nIf exist \"" +
                                 kScript + "\" ping -n 2 127.0.0.1 >nul\r\nIf exist \"" + kScript + "\" Goto 2\r\n";
    auto folderLoop = [](const char* label, const char* next, const std::string& folder) {
        const std::string f = Ru(folder), l = label;
        return ":" + l + "\r\nRmdir \"" + f + "\" /s /q\r\nSet /a qq" + l + "+=1\r\nIf %qq" + l + "% GEQ 60 Goto " +
               next + "\r\nIf exist \"" + f + "\\.\" ping -n 2 127.0.0.1 >nul\r\nIf exist \"" + f + "\\.\" Goto " +
               l + "\r\n";
    };

    struct Case {
        const char* name;
        const char* setup;
        std::string expected;  // "" for no script
    } cases[] = {
        {"1: registered in place", R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "")", ""},
        {"2: the default folder, the maker folder through the script",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Программы\Trelkon\Velvinor\")",
         head + "Set /a qq3=0\r\nSet /a qq4=0\r\nSet /a qq2=0\r\n" + programLoop +
             folderLoop("3", "4", "C:\\Программы\\Trelkon\\Velvinor") + folderLoop("4", "2", "C:\\Программы\\Trelkon") +
             selfLoop},
        {"2: the maker folder holds another product",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Программы\Trelkon\Velvinor\"
dir "C:\Программы\Trelkon\Другая")",
         head + "Set /a qq3=0\r\nSet /a qq2=0\r\n" + programLoop +
             folderLoop("3", "2", "C:\\Программы\\Trelkon\\Velvinor") + selfLoop},
        {"3: another folder", R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "D:\Игры\Velvinor\"
drive D: fixed
dir "D:\Игры\Velvinor")",
         head + "Set /a qq3=0\r\nSet /a qq2=0\r\n" + programLoop + folderLoop("3", "2", "D:\\Игры\\Velvinor") + selfLoop},
        {"3: no parent folder", R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "D:\Velvinor1\")", ""},
    };
    for (const auto& c : cases) {
        sim::SimMachine m;
        sim::Scenario s(m);
        s.Run(std::string(kInstalled) + c.setup + "\nprogram \"C:\\Программы\\Trelkon\\Velvinor\\Velvinor.exe\" -u\nstart\n");
        std::optional<std::string> script = m.files.Content(kScript);
        if (c.expected.empty()) {
            EXPECT_FALSE(script) << c.name;
        } else {
            // In the console's code page: cmd reads it so.
            ASSERT_TRUE(script) << c.name;
            EXPECT_EQ(*script, AnsiToOem(c.expected, 866)) << c.name;
        }
    }
}

// The script takes a name no file has, so the user's own files stay; cmd, reading
// it in the console's code page, finds the Russian folder and removes it.
TEST_F(OnMachine, ScriptInTheTempFolderUnderAFreeNameRemovesARussianFolder) {
    const std::string mine = std::string(kTemp) + "Velvinor-uninstall-1.bat";
    machine.files.AddFile("c:\\qq.bat", "mine");
    machine.files.AddFile(mine, "mine too");
    Run(std::string(kInstalled) + R"(
reg "\Software\Trelkon\Velvinor" "TransferPath" "D:\Мои игры\Velvinor\"
drive D: fixed
file "D:\Мои игры\Velvinor\Velvinor.exe"
reg "\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe" "Path" "D:\Мои игры\Velvinor\"
program "D:\Мои игры\Velvinor\Velvinor.exe" -u
start
run-script "C:\Documents and Settings\User\Local Settings\Temp\Velvinor-uninstall-2.bat"
)");
    EXPECT_FALSE(machine.files.DirectoryExists(Ru("D:\\Мои игры\\Velvinor")));
    EXPECT_TRUE(machine.files.DirectoryExists(Ru("D:\\Мои игры")));
    EXPECT_FALSE(machine.files.Content(std::string(kTemp) + "Velvinor-uninstall-2.bat"));
    EXPECT_EQ(machine.files.Content("c:\\qq.bat"), "mine");
    EXPECT_EQ(machine.files.Content(mine), "mine too");
}

TEST_F(OnMachine, ScriptThatCannotBeWrittenStopsAfterTheRegistryAndTheGroup) {
    machine.files.tempFolder = "E:\\Temp\\";  // a folder the user cannot write to
    Run(std::string(kInstalled) + R"(
reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Программы\Trelkon\Velvinor\"
drive E: cdrom
dir "E:\Temp"
program "C:\Программы\Trelkon\Velvinor\Velvinor.exe" -u
start
)");
    EXPECT_TRUE(TraceHas(R"(messagebox caption="Вельвинор" text="Cannot create file ""E:\Temp\Velvinor-uninstall-1.bat""" buttons=OK icon=error -> OK)"));
    EXPECT_FALSE(machine.registry.KeyExists("\\Software\\Trelkon"));
    EXPECT_FALSE(TraceHas(R"(file chdir "C:\")"));
    EXPECT_TRUE(TraceHas("== run ends with the program still running"));
}

// ---- the free-space test ----

TEST_F(OnMachine, FreeSpaceTestAtExactly220Megabytes) {
    Run(R"(
drive D: cdrom 0
drive E: fixed 230686719
program "D:\Velvinor.exe"
file "D:\Velvinor.exe"
file "D:\install.bmp" "BM"
start
click StartingForm.YesButton
type StartingForm.Edit1 "e:\Игры"
click StartingForm.OKButton
free E: 230686720
close StartingForm
)");
    EXPECT_TRUE(TraceHas(R"(ui text StartingForm.Label1 "На диске всего 219 Мб, нужно примерно 220 Мб")"));
    EXPECT_TRUE(TraceHas(R"(file mkdir "E:\Игры\Velvinor")"));
    EXPECT_EQ(machine.registry.ReadString("\\Software\\Trelkon\\Velvinor", "TransferPath"), Ru("e:\\Игры\\Velvinor\\"));
}

// ---- file helpers ----

TEST_F(OnMachine, EmptyFolderKeepsHiddenSystemAndWhatLinksLeadTo) {
    machine.files.AddFile("C:\\P\\Velvinor\\a.txt", "a");
    machine.files.AddFile("C:\\P\\Velvinor\\Sub\\b.txt", "b");
    machine.files.AddFile("C:\\P\\Velvinor\\Sub\\c.txt", "c", attr::Hidden);
    machine.files.AddFile("C:\\P\\Velvinor\\sys.dat", "s", attr::System);
    machine.files.AddFolder("C:\\P\\Velvinor\\HiddenDir", attr::Hidden);
    machine.files.AddFile("C:\\P\\Velvinor\\HiddenDir\\d.txt", "d");
    // A junction to the user's documents: the documents show through it.
    machine.files.AddFile("C:\\Docs\\letter.txt", "x");
    machine.files.AddFolder("C:\\P\\Velvinor\\Docs", attr::ReparsePoint);
    machine.files.AddFile("C:\\P\\Velvinor\\Docs\\letter.txt", "x");

    EmptyFolder(machine.files, "C:\\P\\Velvinor");
    EXPECT_EQ(machine.files.Dump("C:\\P"),
              (std::vector<std::string>{
                  R"(  dir  "C:\P")",
                  R"(  dir  "C:\P\Velvinor")",
                  R"(  dir  "C:\P\Velvinor\HiddenDir" hidden)",
                  R"(  file "C:\P\Velvinor\HiddenDir\d.txt" (1 bytes))",
                  R"(  dir  "C:\P\Velvinor\Sub")",
                  R"(  file "C:\P\Velvinor\Sub\c.txt" (1 bytes) hidden)",
                  R"(  file "C:\P\Velvinor\sys.dat" (1 bytes) system)",
              }));
    EXPECT_TRUE(machine.files.FileExists("C:\\Docs\\letter.txt"));
    EXPECT_TRUE(TraceHas(R"(file rmdir "C:\P\Velvinor\Docs" (link))"));
    EmptyFolder(machine.files, "");  // nothing at all
}

TEST(FolderHelpers, JoinPathPutsOneBackslash) {
    EXPECT_EQ(JoinPath("C:\\A", "b.exe"), "C:\\A\\b.exe");
    EXPECT_EQ(JoinPath("C:\\A\\", "b.exe"), "C:\\A\\b.exe");
    EXPECT_EQ(JoinPath("C:\\A\\", "\\b.exe"), "C:\\A\\b.exe");
    EXPECT_EQ(JoinPath("", "b.exe"), "b.exe");
    EXPECT_EQ(JoinPath("", "\\b.exe"), "b.exe");
}

TEST_F(OnMachine, CountFolderEntriesAndForceDirectories) {
    EXPECT_EQ(CountFolderEntries(machine.files, "C:\\Nowhere\\*.*"), 0);
    machine.files.AddFolder("C:\\Empty");
    EXPECT_EQ(CountFolderEntries(machine.files, "C:\\Empty\\*.*"), 2);
    machine.files.AddFile("C:\\Empty\\x", "", attr::Hidden);
    EXPECT_EQ(CountFolderEntries(machine.files, "C:\\Empty\\*.*"), 3);

    EXPECT_TRUE(ForceDirectories(machine.files, "C:\\A\\B\\C\\"));
    EXPECT_TRUE(machine.files.DirectoryExists("C:\\A\\B\\C"));
    EXPECT_TRUE(ForceDirectories(machine.files, "C:\\A\\B"));
    EXPECT_FALSE(ForceDirectories(machine.files, "Q:\\A\\"));
    machine.files.FailCreate("C:\\Locked");
    EXPECT_FALSE(ForceDirectories(machine.files, "C:\\Locked\\X\\"));
}

// ---- the installer dialog ----

TEST_F(OnMachine, DialogHandlers) {
    Application app(machine.ui);
    TStartingForm form(app);
    EXPECT_EQ(form.ClientSize(), (Size{611, 415}));
    EXPECT_EQ(form.Text(), Ru("Установка программы \"Вельвинор\""));

    form.Edit1.UserType("   \t");
    EXPECT_FALSE(form.OKButton.Enabled());
    form.Edit1.UserType(" x ");
    EXPECT_TRUE(form.OKButton.Enabled());
    form.ShellTreeView.UserSelect("");
    EXPECT_EQ(form.Edit1.Text(), "");
    EXPECT_FALSE(form.OKButton.Enabled());
    form.ShellTreeView.UserSelect("D:\\Games");
    EXPECT_EQ(form.Edit1.Text(), "D:\\Games");
    EXPECT_TRUE(form.OKButton.Enabled());

    form.EnterFolderState("C:\\X");
    EXPECT_EQ(form.ClientSize().height, 229);
    form.PathBtn.UserClick();
    form.PathBtn.UserClick();
    EXPECT_EQ(form.ClientSize().height, 414);
    EXPECT_TRUE(form.ShellTreeView.Visible());
    form.EnterNoticeState("bye");
    EXPECT_EQ(form.ClientSize().height, 245);
}

}  // namespace
}  // namespace vel
