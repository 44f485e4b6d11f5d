// Program Manager's groups as the applications menu: the DDE contract, the entries
// as the desktop reads them (GIO starts them, desktop-file-validate checks them, an
// XDG menu reader finds the submenu), and the family's own files left alone.

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

#include "LinuxTestSupport.h"
#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

namespace fs = std::filesystem;

std::string Ansi(const std::string& utf8) { return WideToAnsi(Utf8ToWide(utf8)); }

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        if (pclose(pipe) != 0) out += "\n(failed)";
    }
    return out;
}

class XdgMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp.path.empty());
        where = {temp.path + "/data", temp.path + "/config"};
        dde = CreateXdgMenuDde(where);
    }
    std::string Folder(const std::string& group = "Velvinor") const { return where.dataHome + "/applications/" + group; }
    std::string MenuFile() const { return where.configHome + "/menus/applications-merged/Velvinor.menu"; }
    std::string DirectoryFile() const { return where.dataHome + "/desktop-directories/Velvinor.directory"; }
    // Everything under the test's data and config folders, relative.
    std::set<std::string> Left() const {
        std::set<std::string> out;
        for (const std::string& base : {where.dataHome, where.configHome})
            if (fs::exists(base))
                for (const auto& e : fs::recursive_directory_iterator(base))
                    if (!e.is_directory()) out.insert(fs::relative(e.path(), temp.path).string());
        return out;
    }
    // A program that writes its arguments and its folder where the test reads them.
    std::string MakeProgram(const std::string& folder) {
        const std::string program = folder + "/velvinor";
        WriteText(program, "#!/bin/sh\nfor a; do printf '%s\\n' \"$a\"; done > \"$0.args\"\npwd > \"$0.cwd.new\"\nmv \"$0.cwd.new\" \"$0.cwd\"\n");
        chmod(program.c_str(), 0755);
        return program;
    }
    std::string Execute(const std::string& command) {
        EXPECT_TRUE(dde->Execute(conversation, Ansi(command) + "\r\n")) << command;
        return command;
    }
    std::vector<std::string> Lines(const std::string& group = "Velvinor") {
        return contract::Lines(dde->Request(conversation, Ansi(group), 10000));
    }

    TempFolder temp;
    MenuLocation where;
    std::unique_ptr<Dde> dde;
    DdeConversation conversation = 0;
};

TEST_F(XdgMenuTest, KeepsTheDdeContractAndLeavesNothingBehind) {
    contract::Report report;
    contract::DdeContract(*dde, report);
    EXPECT_TRUE(report.failures.empty()) << Failures(report);
    EXPECT_GT(report.checks, 8);
    EXPECT_EQ(Left(), std::set<std::string>{});
    EXPECT_FALSE(fs::exists(where.dataHome + "/applications/VelvinorContract"));
}

// The program's registration and its removal entry, as a family's desktop starts them.
TEST_F(XdgMenuTest, EntriesStartTheProgramAsTheDesktopReadsThem) {
    // Blanks, a comma, parentheses, a dollar, a quote, a backslash, Cyrillic. (Not a
    // percent sign: GIO looks for the program before it reads "%%" as "%", and misses it.)
    const std::string folder = temp.path + "/Мои игры, (новые) $HOME `a` \"a\\b\"";
    const std::string program = MakeProgram(folder);
    conversation = dde->Connect("PROGMAN", "");
    ASSERT_NE(conversation, 0u);
    Execute("[CreateGroup(Velvinor)]");
    Execute("[AddItem(\"" + program + "\",Вельвинор)]");
    Execute("[AddItem(\"" + program + " -u\",Удалить программу Вельвинор)]");

    const std::vector<std::string> lines = Lines();
    // The group's line, then its entries by file name.
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], Ansi("\"Velvinor\",\"" + Folder() + "\",2"));
    EXPECT_EQ(lines[1], Ansi("\"Удалить программу Вельвинор\",\"" + program + " -u\",\"" + folder + "/\""));
    EXPECT_EQ(lines[2], Ansi("\"Вельвинор\",\"" + program + "\",\"" + folder + "/\""));

    const std::string game = Folder() + "/velvinor.desktop", removal = Folder() + "/velvinor-u.desktop";
    for (const std::string& file : {game, removal, DirectoryFile()})
        EXPECT_EQ(Output("desktop-file-validate '" + file + "'"), "") << file;
    EXPECT_EQ(fs::status(game).permissions() & fs::perms::all, fs::perms(0644));

    // GIO, as GNOME's menu does, reads each entry and starts it in its folder.
    for (const auto& [file, args] : {std::pair{game, std::string()}, std::pair{removal, std::string("-u\n")}}) {
        fs::remove(program + ".cwd");
        GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(file.c_str());
        ASSERT_NE(info, nullptr) << file;
        GError* error = nullptr;
        EXPECT_TRUE(g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error)) << (error ? error->message : "");
        if (error) g_error_free(error);
        g_object_unref(info);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(program + ".cwd") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(ReadText(program + ".args"), args) << file;
        EXPECT_EQ(ReadText(program + ".cwd"), folder + "\n") << file;
    }

    // A menu reader finds the submenu named like the group with the two entries.
    const std::string base = temp.path + "/xdg/menus";
    WriteText(base + "/applications.menu",
              "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n"
              "<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><DefaultMergeDirs/></Menu>\n");
    const std::string reader =
        "import xdg.Menu\n"
        "for entry in xdg.Menu.parse().getEntries():\n"
        "    if isinstance(entry, xdg.Menu.Menu):\n"
        "        print(entry.getName(), entry.Directory.DesktopEntry.getName())\n"
        "        for item in entry.getEntries(): print(' ', item.DesktopFileID, item.DesktopEntry.getName())\n";
    WriteText(temp.path + "/reader.py", reader);
    const std::string env = "XDG_CONFIG_DIRS='" + temp.path + "/xdg' XDG_CONFIG_HOME='" + where.configHome +
                            "' XDG_DATA_HOME='" + where.dataHome + "' XDG_DATA_DIRS='" + temp.path + "/none' ";
    EXPECT_EQ(Output(env + "/usr/bin/python3 '" + temp.path + "/reader.py'"),
              "Velvinor Velvinor\n  Velvinor-velvinor.desktop Вельвинор\n"
              "  Velvinor-velvinor-u.desktop Удалить программу Вельвинор\n");

    // The uninstallation's commands take it all away again.
    Execute("[DeleteItem(Удалить программу Вельвинор)]");
    Execute("[DeleteItem(Вельвинор)]");
    EXPECT_EQ(Lines().size(), 1u);
    Execute("[DeleteGroup(Velvinor)]");
    EXPECT_EQ(Lines().size(), 0u);
    EXPECT_EQ(Left(), std::set<std::string>{}) << "nothing of the menu stays";
}

TEST_F(XdgMenuTest, TheFamilysOwnFilesStay) {
    const std::string program = MakeProgram(temp.path + "/game");
    // The family's shortcut in the menu folder, under the name the game's entry would take.
    const std::string family = "[Desktop Entry]\nType=Application\nName=Вельвинор\nExec=/usr/bin/true\n";
    WriteText(Folder() + "/velvinor.desktop", family);
    WriteText(Folder() + "/notes.txt", "notes");
    conversation = dde->Connect("progman", "");
    Execute("[CreateGroup(Velvinor)]");
    Execute("[AddItem(\"" + program + "\",Вельвинор)]");
    EXPECT_EQ(ReadText(Folder() + "/velvinor.desktop"), family) << "never written over";
    EXPECT_TRUE(fs::exists(Folder() + "/velvinor-2.desktop"));
    ASSERT_EQ(Lines().size(), 3u) << "the family's entry is one of the group's items";

    // DeleteItem takes the program's entry of that caption, never the family's.
    Execute("[DeleteItem(Вельвинор)]");
    Execute("[DeleteItem(Вельвинор)]");
    EXPECT_FALSE(fs::exists(Folder() + "/velvinor-2.desktop"));
    EXPECT_EQ(ReadText(Folder() + "/velvinor.desktop"), family);
    EXPECT_EQ(Lines().size(), 2u);
    // DeleteGroup leaves the family's entry in its submenu.
    Execute("[DeleteGroup(Velvinor)]");
    EXPECT_EQ(ReadText(Folder() + "/velvinor.desktop"), family);
    EXPECT_EQ(ReadText(Folder() + "/notes.txt"), "notes");
    EXPECT_NE(ReadText(MenuFile()).find("<Filename>Velvinor-velvinor.desktop</Filename>"), std::string::npos);

    // Without an entry left, a file of another kind keeps only the folder.
    fs::remove(Folder() + "/velvinor.desktop");
    Execute("[DeleteGroup(Velvinor)]");
    EXPECT_FALSE(fs::exists(MenuFile()));
    EXPECT_FALSE(fs::exists(DirectoryFile()));
    EXPECT_EQ(ReadText(Folder() + "/notes.txt"), "notes");

    // A menu file of that name that another program wrote keeps the group from being made.
    WriteText(MenuFile(), "<Menu><Name>Applications</Name></Menu>\n");
    Execute("[CreateGroup(Velvinor)]");
    EXPECT_EQ(ReadText(MenuFile()), "<Menu><Name>Applications</Name></Menu>\n");
    Execute("[AddItem(\"" + program + "\",Вельвинор)]");
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1) << "notes.txt alone";
    EXPECT_FALSE(fs::exists(Folder() + "/velvinor.desktop")) << "no item without a current group";
}

}  // namespace
}  // namespace vel::lnx
