// The shell against the real xdg-open (in a desktop of the test's own: its own
// program for text files, no browser) and the real file system; DDE's refusal.

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "LinuxTestSupport.h"
#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Waits for a file to appear, running the program's loop meanwhile.
bool WaitForFile(const std::string& path, std::chrono::milliseconds limit = std::chrono::milliseconds(15000)) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (fs::exists(path)) return true;
        g_main_context_iteration(nullptr, FALSE);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The environment a test sets, put back afterwards.
class Environment {
public:
    void Set(const char* name, const char* value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~Environment() {
        for (const auto& [name, value] : m_saved) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

void WriteScript(const std::string& path, const std::string& body) {
    WriteText(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

class LinuxShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A plain desktop of the test's own: xdg-open's generic way, where text files
        // open in the test's viewer and nothing else has a program.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                 "MATE_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY"})
            env.Set(name, nullptr);
        env.Set("DISPLAY", ":velvinor-test");  // only tells xdg-open a desktop is there
        env.Set("BROWSER", "false");
        env.Set("XDG_CONFIG_HOME", (temp.path + "/config").c_str());
        env.Set("XDG_DATA_HOME", (temp.path + "/share").c_str());
        env.Set("XDG_DATA_DIRS", (temp.path + "/system").c_str());
        WriteScript(temp.path + "/viewer.sh", "printf '%s' \"$1\" > '" + temp.path + "/opened'\n");
        WriteText(temp.path + "/share/applications/velvinor-test-viewer.desktop",
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + temp.path + "/viewer.sh %f\n"
                  "MimeType=text/plain;\n");
        WriteText(temp.path + "/config/mimeapps.list", "[Default Applications]\ntext/plain=velvinor-test-viewer.desktop\n");
        fs::create_directories(temp.path + "/system");
    }

    std::string Ansi(const std::string& utf8) { return Ru(utf8); }

    TempFolder temp;
    Environment env;
    std::unique_ptr<Shell> shell = CreateLinuxShell();
};

TEST_F(LinuxShellTest, OpensADocumentWithTheDesktopsProgramForItsType) {
    const std::string document = temp.path + "/Родителям.txt";
    WriteText(document, "Текст для родителей\n");
    EXPECT_EQ(shell->OpenFile(0, Ansi(document)), ShellStart::Started());
    ASSERT_TRUE(WaitForFile(temp.path + "/opened"));
    EXPECT_EQ(ReadText(temp.path + "/opened"), document) << "the viewer gets the native UTF-8 name";
}

TEST_F(LinuxShellTest, TellsTheCodesTheUserSees) {
    WriteText(temp.path + "/clip.qqq", std::string("\x00\x01\x02\xff binary", 11));
    WriteText(temp.path + "/doc.txt", "plain text\n");
    const std::pair<std::string, int> cases[] = {
        {temp.path + "/missing.txt", 2},
        {temp.path + "/nothere/missing.txt", 3},
        {"", 2},
        {temp.path + "/clip.qqq", 31},  // no program for its type
    };
    for (const auto& [file, code] : cases) EXPECT_EQ(shell->OpenFile(0, Ansi(file)), ShellStart::Failed(code)) << file;
    EXPECT_FALSE(fs::exists(temp.path + "/opened"));

    const std::pair<std::string, int> starts[] = {
        {temp.path + "/missing", 2},
        {temp.path + "/nothere/missing", 3},
        {temp.path + "/doc.txt", 5},   // not executable
        {temp.path + "/marked", 11},  // executable, but neither a binary nor a script
    };
    WriteText(temp.path + "/marked", "text");
    chmod((temp.path + "/marked").c_str(), 0755);
    for (const auto& [file, code] : starts) EXPECT_EQ(shell->StartHidden(0, Ansi(file), ""), ShellStart::Failed(code)) << file;

    env.Set("PATH", (temp.path + "/nothing").c_str());
    EXPECT_EQ(shell->OpenFile(0, Ansi(temp.path + "/doc.txt")), ShellStart::Failed(31))
        << "without xdg-open no type has a program";
}

TEST_F(LinuxShellTest, AViewerStillRunningCountsAsStartedAndIsReapedByTheLoop) {
    WriteScript(temp.path + "/viewer.sh", "sleep 8; touch '" + temp.path + "/opened'\n");
    WriteText(temp.path + "/doc.txt", "plain text\n");
    const auto start = Clock::now();
    EXPECT_EQ(shell->OpenFile(0, Ansi(temp.path + "/doc.txt")), ShellStart::Started());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(7000)) << "the answer does not wait for the viewer";
    EXPECT_FALSE(fs::exists(temp.path + "/opened"));
    ASSERT_TRUE(WaitForFile(temp.path + "/opened"));
    // The loop reaps xdg-open when it ends: no child is left.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline && waitpid(-1, nullptr, WNOHANG) != -1) g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(LinuxShellTest, StartsProgramsWithTheirParametersInTheirFolder) {
    fs::create_directories(temp.path + "/game");
    WriteScript(temp.path + "/game/Velvinor", "printf '%s|%s' \"$(pwd)\" \"$0\" > '" + temp.path + "/ran'\n");
    EXPECT_EQ(shell->StartHidden(0, Ansi(temp.path + "/game/Velvinor"), Ansi(temp.path + "/Мои игры")),
              ShellStart::Failed(3)) << "a folder that is not there";
    fs::create_directories(temp.path + "/Мои игры");
    EXPECT_EQ(shell->StartHidden(0, Ansi(temp.path + "/game/Velvinor"), Ansi(temp.path + "/Мои игры")),
              ShellStart::Started());
    ASSERT_TRUE(WaitForFile(temp.path + "/ran"));
    EXPECT_EQ(ReadText(temp.path + "/ran"), temp.path + "/Мои игры|" + temp.path + "/game/Velvinor");

    // Opening a program starts it; a document marked executable (as a disc marks
    // every file) is still a document.
    fs::remove(temp.path + "/ran");
    EXPECT_EQ(shell->OpenFile(0, Ansi(temp.path + "/game/Velvinor")), ShellStart::Started());
    ASSERT_TRUE(WaitForFile(temp.path + "/ran"));
    WriteText(temp.path + "/marked.txt", "text\n");
    chmod((temp.path + "/marked.txt").c_str(), 0755);
    EXPECT_EQ(shell->OpenFile(0, Ansi(temp.path + "/marked.txt")), ShellStart::Started());
    ASSERT_TRUE(WaitForFile(temp.path + "/opened"));

    fs::remove(temp.path + "/ran");
    EXPECT_TRUE(shell->StartInBackground("sh -c \"echo started > '" + temp.path + "/ran'\""));
    ASSERT_TRUE(WaitForFile(temp.path + "/ran"));
    EXPECT_FALSE(shell->StartInBackground("velvinor-no-such-program progman"));
    EXPECT_FALSE(shell->StartInBackground(""));
}

TEST_F(LinuxShellTest, CopiesAFolderTreeWithoutFollowingLinks) {
    const std::string src = temp.path + "/disc", dst = temp.path + "/Мои игры/Velvinor";
    WriteText(src + "/Velvinor", "program");
    WriteText(src + "/SWF/Game.swf", "movie");
    WriteText(src + "/SWF/ролик.mpg", "clip");
    WriteText(src + "/SWF/deep/x", "deep");
    WriteText(temp.path + "/outside/secret", "secret");
    fs::create_symlink(temp.path + "/outside", src + "/SWF/link-to-folder");
    fs::create_symlink("../Velvinor", src + "/SWF/relative-link");
    chmod((src + "/SWF/Game.swf").c_str(), 0444);
    chmod((src + "/SWF/deep").c_str(), 0555);
    // Where a copy goes, a link to a file elsewhere: replaced, the file elsewhere untouched.
    WriteText(temp.path + "/victim", "keep");
    fs::create_directories(dst);
    fs::create_symlink(temp.path + "/victim", dst + "/Velvinor");

    EXPECT_EQ(shell->CopyFolderContents(0, Ansi(src + "/"), Ansi(dst)), FolderCopy::Done);
    EXPECT_EQ(ReadText(dst + "/Velvinor"), "program");
    EXPECT_FALSE(fs::is_symlink(dst + "/Velvinor"));
    EXPECT_EQ(ReadText(temp.path + "/victim"), "keep");
    EXPECT_EQ(ReadText(dst + "/SWF/Game.swf"), "movie");
    EXPECT_EQ(ReadText(dst + "/SWF/ролик.mpg"), "clip");
    EXPECT_EQ(ReadText(dst + "/SWF/deep/x"), "deep");
    EXPECT_TRUE(fs::is_symlink(dst + "/SWF/link-to-folder"));
    EXPECT_EQ(fs::read_symlink(dst + "/SWF/link-to-folder"), temp.path + "/outside");
    EXPECT_EQ(fs::read_symlink(dst + "/SWF/relative-link"), "../Velvinor");
    // The copy is the user's to remove: no read-only folder stands in the way.
    EXPECT_NE(fs::status(dst + "/SWF/deep").permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_NE(fs::status(dst + "/SWF/Game.swf").permissions() & fs::perms::owner_write, fs::perms::none);
}

// The program records the copy in code page 1251 and removes only what it recorded:
// a name that page cannot hold is not copied, and the family is told which.
TEST_F(LinuxShellTest, NamesThatCodePage1251CannotHoldAreNotCopiedAndAreTold) {
    const std::string src = temp.path + "/disc", dst = temp.path + "/out";
    WriteText(src + "/SWF/Game.swf", "movie");
    WriteText(src + "/SWF/ролик.mpg", "clip");
    WriteText(src + "/SWF/Ελληνικά.txt", "greek");
    WriteText(src + "/日本/inner.txt", "inner");
    testing::internal::CaptureStderr();
    EXPECT_EQ(shell->CopyFolderContents(0, Ansi(src + "/"), Ansi(dst)), FolderCopy::Done);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText(dst + "/SWF/Game.swf"), "movie");
    EXPECT_EQ(ReadText(dst + "/SWF/ролик.mpg"), "clip");
    EXPECT_FALSE(fs::exists(dst + "/SWF/Ελληνικά.txt"));
    EXPECT_FALSE(fs::exists(dst + "/日本"));
    EXPECT_NE(told.find("SWF/Ελληνικά.txt"), std::string::npos) << told;
    EXPECT_NE(told.find("日本"), std::string::npos) << told;
}

TEST_F(LinuxShellTest, RefusesACopyIntoItselfAndReportsWhatItCouldNotCopy) {
    const std::string src = temp.path + "/disc";
    WriteText(src + "/a", "a");
    EXPECT_EQ(shell->CopyFolderContents(0, Ansi(src + "/"), Ansi(src + "/copy/inner")), FolderCopy::Failed);
    EXPECT_FALSE(fs::exists(src + "/copy"));
    EXPECT_EQ(shell->CopyFolderContents(0, Ansi(src), Ansi(src)), FolderCopy::Failed);

    ASSERT_EQ(mkfifo((src + "/pipe").c_str(), 0600), 0);
    EXPECT_EQ(shell->CopyFolderContents(0, Ansi(src + "/"), Ansi(temp.path + "/out")), FolderCopy::Failed);
    EXPECT_EQ(ReadText(temp.path + "/out/a"), "a") << "the rest is copied";
    EXPECT_FALSE(fs::exists(temp.path + "/out/pipe"));
    EXPECT_EQ(shell->CopyFolderContents(0, Ansi(temp.path + "/nothere/"), Ansi(temp.path + "/out2")), FolderCopy::Failed);
}

// With a window of the program's, the copy shows its progress above it, and the
// window's button stops it: what was copied stays, the rest is not copied.
TEST_F(LinuxShellTest, ShowsTheCopysProgressAndStopsWhenTold) {
    ASSERT_TRUE(OpenVirtualDisplay());
    const std::string src = temp.path + "/disc";
    for (int i = 0; i < 50; ++i) WriteText(src + "/SWF/clip" + std::to_string(i) + ".mpg", std::string(4096, 'x'));
    GtkWidget* owner = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_show(owner);
    std::string seen;
    // Runs in the copy's first turn of the loop: the window is up, the user presses its button.
    g_idle_add(+[](gpointer data) -> gboolean {
        for (GList* l = gtk_window_list_toplevels(); l; l = l->next) {
            GtkWindow* w = GTK_WINDOW(l->data);
            if (!gtk_widget_get_visible(GTK_WIDGET(w)) || gtk_window_get_transient_for(w) == nullptr) continue;
            *static_cast<std::string*>(data) = gtk_window_get_title(w);
            GtkWidget* box = gtk_bin_get_child(GTK_BIN(w));
            GList* children = gtk_container_get_children(GTK_CONTAINER(box));
            gtk_button_clicked(GTK_BUTTON(g_list_last(children)->data));
            g_list_free(children);
        }
        return G_SOURCE_REMOVE;
    }, &seen);
    EXPECT_EQ(shell->CopyFolderContents(reinterpret_cast<WindowHandle>(owner), Ansi(src + "/"), Ansi(temp.path + "/out")),
              FolderCopy::Cancelled);
    EXPECT_EQ(seen, "Копирование...");
    std::size_t copied = 0;
    if (fs::exists(temp.path + "/out/SWF"))
        for (const auto& e : fs::directory_iterator(temp.path + "/out/SWF")) copied += e.is_regular_file();
    EXPECT_LT(copied, 50u);

    // Left alone, it copies everything and closes.
    EXPECT_EQ(shell->CopyFolderContents(reinterpret_cast<WindowHandle>(owner), Ansi(src + "/"), Ansi(temp.path + "/all")),
              FolderCopy::Done);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path + "/all/SWF"), fs::directory_iterator()), 50);
    gtk_widget_destroy(owner);
}

}  // namespace
}  // namespace vel::lnx
