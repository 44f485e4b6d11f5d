// The installation on the simulated machine: what reaches the disk and the screen.

#include <gtest/gtest.h>

#include "install/FolderHelpers.h"
#include "install/Removal.h"
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

TEST_F(OnMachine, ScriptNamesOnlyWhatTheRecordOrTheOlderInstallationGives) {
    const std::string folder = Ru("C:\\Программы\\Trelkon\\Velvinor");
    const std::string maker = Ru("C:\\Программы\\Trelkon");
    const std::string record =
        "root " + folder + "\\\r\nmade " + maker + "\r\nmade " + folder + "\r\nfile Velvinor.exe\r\n";
    const std::string program = folder + "\\Velvinor.exe";
    struct Case {
        const char* name;
        const char* setup;
        std::string record;
        std::vector<std::string> folders;  // the script's; none without a script
        bool script;
    } cases[] = {
        {"recorded: the program file, then the folders it made, deepest first",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Программы\Trelkon\Velvinor\")", record, {folder, maker},
         true},
        {"without a record: its folder, and the maker folder that holds only it",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Программы\Trelkon\Velvinor\")", "", {folder, maker}, true},
        {"without a record, registered in place: the maker folder that holds only the default folder",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "")", "", {folder, maker}, true},
        {"without a record, another transfer folder: the default folder as its clip copies' place",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "D:\Игры\Velvinor\")", "", {folder, maker}, true},
        {"a record whose root the movie's setting cannot move",
         R"(reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Windows\")", record, {folder, maker}, true},
    };
    for (const auto& c : cases) {
        sim::SimMachine m;
        sim::Scenario s(m);
        s.Run(std::string(kInstalled) + c.setup);
        if (!c.record.empty()) m.registry.Set("\\Software\\Trelkon\\Velvinor\\Record", "Transfer", c.record);
        s.Run("program \"C:\\Программы\\Trelkon\\Velvinor\\Velvinor.exe\" -u\nstart\n");
        std::optional<std::string> script = m.files.Content(kScript);
        ASSERT_EQ(script.has_value(), c.script) << c.name;
        if (!c.script) continue;
        // In the console's code page: cmd reads it so.
        EXPECT_EQ(script, RemovalScript(program, c.folders, UninstallScriptFiles(kTemp, 1), 866)) << c.name;
        EXPECT_NE(script->find(AnsiToOem("Del \"" + program + "\"\r\n", 866).value()), std::string::npos) << c.name;
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

// The script goes to the first folder the command interpreter can read and start it
// from; where none serves, or the console cannot name the program file, nothing is
// removed and the user is told so. Either way the outcome is true.
TEST(UninstallScript, GoesWhereTheCommandInterpreterCanReadAndStartIt) {
    const std::string games = R"(
reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Games\Velvinor\"
reg "\Software\Trelkon\Velvinor\Record" "Transfer" "root C:\Games\Velvinor\{CR}{LF}made C:\Games\Velvinor{CR}{LF}file Velvinor.exe{CR}{LF}file Game.swf{CR}{LF}finished{CR}{LF}"
file "C:\Games\Velvinor\Velvinor.exe" "exe"
file "C:\Games\Velvinor\Game.swf" "movie"
reg "\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe" "Path" "C:\Games\Velvinor\"
program "C:\Games\Velvinor\Velvinor.exe" -u
)";
    const std::string russian = R"(
reg "\Software\Trelkon\Velvinor" "TransferPath" "C:\Игры\Velvinor\"
reg "\Software\Trelkon\Velvinor\Record" "Transfer" "root C:\Игры\Velvinor\{CR}{LF}made C:\Игры\Velvinor{CR}{LF}file Velvinor.exe{CR}{LF}file Game.swf{CR}{LF}finished{CR}{LF}"
file "C:\Игры\Velvinor\Velvinor.exe" "exe"
file "C:\Игры\Velvinor\Game.swf" "movie"
reg "\Software\Microsoft\Windows\CurrentVersion\App Paths\Velvinor.exe" "Path" "C:\Игры\Velvinor\"
program "C:\Игры\Velvinor\Velvinor.exe" -u
)";
    const std::string root = "c:\\Velvinor-uninstall-1.bat", temp = std::string(kTemp) + "Velvinor-uninstall-1.bat";
    const std::string english = "C:\\Games\\Velvinor\\Velvinor.exe", cyrillic = "C:\\Игры\\Velvinor\\Velvinor.exe";
    struct Case {
        const char* name;
        std::string setup, program;
        std::string script;  // where it goes; "" keeps the installation
    } cases[] = {
        {"the temp folder", games, english, temp},
        {"a letter the program's code page lacks came through as ?",
         games + "temp-folder \"C:\\Users\\J?rgen\\Temp\\\"\n", english, root},
        {"a folder the console's code page cannot name: its short form",
         games + "oem-code-page 437\ndir \"C:\\Юрий\\Temp\"\ntemp-folder \"C:\\Юрий\\Temp\\\"\nshort-name \"C:\\Юрий\" \"C:\\F1C3~1\"\n",
         english, "C:\\F1C3~1\\Temp\\Velvinor-uninstall-1.bat"},
        {"the same without a short form", games + "oem-code-page 437\ndir \"C:\\Юрий\\Temp\"\ntemp-folder \"C:\\Юрий\\Temp\\\"\n",
         english, root},
        {"a temp folder that does not exist", games + "temp-folder \"C:\\Nowhere\\Temp\\\"\n", english, root},
        {"a percent pair the interpreter would expand",
         games + "dir \"C:\\100%USERNAME%\\Temp\"\ntemp-folder \"C:\\100%USERNAME%\\Temp\\\"\n", english, root},
        {"a program folder the console cannot name: its short form",
         russian + "oem-code-page 437\nshort-name \"C:\\Игры\" \"C:\\A8E2~1\"\n", cyrillic, temp},
        {"a program folder the console cannot name at all", russian + "oem-code-page 437\n", cyrillic, ""},
    };
    for (const auto& c : cases) {
        sim::SimMachine m;
        sim::Scenario s(m);
        s.Run(c.setup + "lock \"" + c.program + "\"\nstart\n");
        const std::string program = Ru(c.program);
        if (c.script.empty()) {
            // Nothing changed: the files, the entries and the way to try again stay.
            EXPECT_TRUE(m.files.FileExists(program)) << c.name;
            EXPECT_TRUE(m.files.FileExists(ExtractFilePath(program) + "Game.swf")) << c.name;
            EXPECT_TRUE(m.registry.KeyExists("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velvinor.exe")) << c.name;
            EXPECT_TRUE(m.registry.KeyExists("\\Software\\Trelkon\\Velvinor\\Record")) << c.name;
            continue;
        }
        ASSERT_TRUE(m.files.FileExists(Ru(c.script))) << c.name;
        EXPECT_FALSE(m.registry.KeyExists("\\Software\\Trelkon")) << c.name;
        m.files.Unlock(program);
        s.Run("run-script \"" + c.script + "\"\n");
        EXPECT_FALSE(m.files.FileExists(program)) << c.name;
        EXPECT_FALSE(m.files.DirectoryExists(ExtractFilePath(program))) << c.name;
        EXPECT_FALSE(m.files.FileExists(Ru(c.script))) << c.name;
    }
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
type StartingForm.FolderEdit "e:\Игры"
click StartingForm.OKButton
free E: 230686720
close StartingForm
)");
    EXPECT_TRUE(TraceHas(R"(ui text StartingForm.MessageLabel "На диске всего 219 Мб, нужно примерно 220 Мб")"));
    EXPECT_TRUE(TraceHas(R"(file mkdir "E:\Игры\Velvinor")"));
    EXPECT_EQ(machine.registry.ReadString("\\Software\\Trelkon\\Velvinor", "TransferPath"), Ru("e:\\Игры\\Velvinor\\"));
}

// Mended: a folder typed with a leading backslash and no drive lies on the current
// drive, as the runtime reads it. The free space is that drive's; the folder, the
// marker, the copy and the registered program carry the drive, so the copy and its
// uninstallation find them from any current folder.
TEST_F(OnMachine, AFolderWithoutDriveIsOnTheCurrentDrive) {
    Run(R"(
drive D: cdrom 0
drive E: fixed 1048576
program "D:\Velvinor.exe"
file "D:\Velvinor.exe" "exe"
file "D:\install.bmp" "BM"
dir "E:\Work"
)");
    ASSERT_TRUE(machine.files.SetCurrentDirectory("E:\\Work"));
    Run(R"(
start
click StartingForm.YesButton
type StartingForm.FolderEdit "\Games"
click StartingForm.OKButton
free E: 230686720
close StartingForm
)");
    // C: has room, E: had 1 Mb: the test looked at the current drive.
    EXPECT_TRUE(TraceHas(R"(ui text StartingForm.MessageLabel "На диске всего 1 Мб, нужно примерно 220 Мб")"));
    EXPECT_TRUE(TraceHas(R"(file mkdir "E:\Games")"));
    EXPECT_TRUE(TraceHas(R"(file mkdir "E:\Games\Velvinor")"));
    EXPECT_EQ(machine.registry.ReadString("\\Software\\Trelkon\\Velvinor", "TransferPath"), "E:\\Games\\Velvinor\\");
    EXPECT_TRUE(machine.files.FileExists("E:\\Games\\Velvinor\\Velvinor.exe"));
    EXPECT_TRUE(TraceHas(R"(shell start-hidden "E:\Games\Velvinor\Velvinor.exe" dir="E:\Games\Velvinor\" owned -> started)"));

    // The copy registers itself while the current folder is elsewhere.
    ASSERT_TRUE(machine.files.SetCurrentDirectory("C:\\"));
    Run(R"(
program "E:\Games\Velvinor\Velvinor.exe"
start
)");
    EXPECT_EQ(machine.registry.ReadString("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvinor.exe",
                                          "UninstallString"),
              "\"E:\\Games\\Velvinor\\Velvinor.exe\" -u");
}

// ---- file helpers ----

TEST(FolderHelpers, JoinPathPutsOneBackslash) {
    EXPECT_EQ(JoinPath("C:\\A", "b.exe"), "C:\\A\\b.exe");
    EXPECT_EQ(JoinPath("C:\\A\\", "b.exe"), "C:\\A\\b.exe");
    EXPECT_EQ(JoinPath("C:\\A\\", "\\b.exe"), "C:\\A\\b.exe");
    EXPECT_EQ(JoinPath("", "b.exe"), "b.exe");
    EXPECT_EQ(JoinPath("", "\\b.exe"), "b.exe");
}

TEST(FolderHelpers, NamesAsTheSystemKeepsThem) {
    struct Case {
        const char* path;
        const char* kept;
    } cases[] = {
        {"E:\\Games\\Velvinor.", "E:\\Games\\Velvinor"},
        {"E:\\Games. .\\Velvinor\\", "E:\\Games\\Velvinor\\"},
        {"E:\\Games\\. .\\x", "E:\\Games\\x"},
        {"\\\\server\\share\\Games ", "\\\\server\\share\\Games"},
        {"E:\\Ve.lvinor\\", "E:\\Ve.lvinor\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithNamesAsKept(c.path), c.kept) << c.path;
}

TEST_F(OnMachine, CopiedWholeOnlyWhenEveryFileHasItsSize) {
    machine.files.AddFile("D:\\Velvinor.exe", "the whole program");
    machine.files.AddFile("D:\\SWF\\Game.swf", "movie");
    const std::vector<std::string> names{"SWF\\Game.swf", "Velvinor.exe"};
    EXPECT_FALSE(CopiedWhole(machine.files, "D:\\", "C:\\Copy\\", names));
    machine.files.AddFile("C:\\Copy\\SWF\\Game.swf", "movie");
    machine.files.AddFile("C:\\Copy\\Velvinor.exe", "the whole");  // cut short
    EXPECT_FALSE(CopiedWhole(machine.files, "D:\\", "C:\\Copy\\", names));
    machine.files.AddFile("C:\\Copy\\Velvinor.exe", "the whole program");
    EXPECT_TRUE(CopiedWhole(machine.files, "D:\\", "C:\\Copy\\", names));
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

    form.FolderEdit.UserType("   \t");
    EXPECT_FALSE(form.OKButton.Enabled());
    form.FolderEdit.UserType(" x ");
    EXPECT_TRUE(form.OKButton.Enabled());
    form.ShellTreeView.UserSelect("");
    EXPECT_EQ(form.FolderEdit.Text(), "");
    EXPECT_FALSE(form.OKButton.Enabled());
    form.ShellTreeView.UserSelect("D:\\Games");
    EXPECT_EQ(form.FolderEdit.Text(), "D:\\Games");
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
