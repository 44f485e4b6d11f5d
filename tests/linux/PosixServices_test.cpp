// The Linux program's files and process services against the real system, in a
// folder of the test's own: what the program relies on from them, in POSIX paths.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/linux/Backend.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

class PosixFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velvinor-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }

    std::string root;  // ASCII, so that it is the same in code page 1251 and UTF-8
    std::unique_ptr<FileSystem> files = lnx::CreatePosixFiles();
};

TEST_F(PosixFilesTest, DrivesAreTheFileSystemsFoldersLieOn) {
    EXPECT_EQ(files->Style(), PathStyle::Posix);
    EXPECT_EQ(files->GetDriveType(root + "/"), DriveType::Fixed);
    EXPECT_EQ(files->GetDriveType(root + "/missing/"), DriveType::NoRootDir);
    EXPECT_GT(files->FreeBytesAvailable(root), 0);
    // A folder still to be made: the file system it would be made on.
    EXPECT_GT(files->FreeBytesAvailable(root + "/missing/deeper/"), 0);
    EXPECT_GT(files->FreeBytesAvailable(""), 0);
    ASSERT_TRUE(files->WriteFile(root + "/file", "x"));
    EXPECT_EQ(files->FreeBytesAvailable(root + "/file/below"), -1) << "a file stands in the way";
}

// A typed folder made whole as the system opens it: in the current folder, "." and
// ".." by name, a final slash kept.
TEST_F(PosixFilesTest, FullPathNamesResolveDotsByName) {
    const std::string before = files->CurrentDirectory();
    ASSERT_TRUE(files->SetCurrentDirectory(root));
    const struct {
        std::string typed, whole;
    } cases[] = {
        {"/a/./b/../c", "/a/c"}, {"/a/b/", "/a/b/"},       {"/..", "/"},     {"/", "/"},
        {"//a//b", "/a/b"},      {"x/", root + "/x/"},     {"x/../y", root + "/y"}, {"../..", "/"},
    };
    for (const auto& c : cases) EXPECT_EQ(files->FullPathName(c.typed), c.whole) << c.typed;
    files->SetCurrentDirectory(before);
}

// Folders made with their parents, up to the root of the one tree.
TEST_F(PosixFilesTest, FoldersAreMadeWithTheirParents) {
    SetPathStyle(PathStyle::Posix);
    EXPECT_TRUE(ForceDirectories(*files, root + "/a/b/c/"));
    EXPECT_TRUE(fs::is_directory(root + "/a/b/c"));
    // A folder right below the root (where this test may make one).
    const std::string top = "/velvinor-top-" + std::to_string(getpid());
    if (access("/", W_OK) == 0) {
        EXPECT_TRUE(ForceDirectories(*files, top + "/x"));
        EXPECT_TRUE(fs::is_directory(top + "/x"));
        fs::remove_all(top);
    }
    SetPathStyle(PathStyle::Windows);
}

// A folder the tests declare a disc is a CD-ROM, and read-only as a disc is.
TEST_F(PosixFilesTest, ADeclaredDiscIsACdRomThatNothingIsWrittenTo) {
    ASSERT_TRUE(files->CreateDirectory(root + "/disc") && files->CreateDirectory(root + "/disc/SWF"));
    ASSERT_TRUE(files->WriteFile(root + "/disc/SWF/Game.swf", "FWS"));
    ASSERT_EQ(setenv("VELVINOR_DISC_FOLDER", (root + "/disc/").c_str(), 1), 0);
    EXPECT_EQ(files->GetDriveType(root + "/disc/SWF/"), DriveType::CdRom);
    EXPECT_EQ(files->GetDriveType(root + "/disc"), DriveType::CdRom);
    EXPECT_EQ(files->GetDriveType(root + "/"), DriveType::Fixed);
    EXPECT_EQ(files->GetDriveType(root + "/disc2/"), DriveType::NoRootDir);
    EXPECT_EQ(files->FreeBytesAvailable(root + "/disc/SWF"), 0);
    EXPECT_FALSE(files->WriteFile(root + "/disc/SWF/new", "x"));
    EXPECT_FALSE(files->CopyFile(root + "/disc/SWF/Game.swf", root + "/disc/copy.swf", false));
    EXPECT_FALSE(files->DeleteFile(root + "/disc/SWF/Game.swf"));
    EXPECT_FALSE(files->CreateDirectory(root + "/disc/new"));
    EXPECT_FALSE(files->RemoveDirectory(root + "/disc/SWF"));
    EXPECT_EQ(files->ReadFile(root + "/disc/SWF/Game.swf"), "FWS") << "read as it was";
    EXPECT_TRUE(files->CopyFile(root + "/disc/SWF/Game.swf", root + "/Game.swf", false)) << "copies go elsewhere";
    unsetenv("VELVINOR_DISC_FOLDER");
    EXPECT_EQ(files->GetDriveType(root + "/disc/"), DriveType::Fixed);
}

TEST_F(PosixFilesTest, FilesAndFoldersKeepTheirBytesAndNames) {
    const std::string a = root + "/a.bin", russian = root + "/" + Ru("Ролик.MPG");
    const std::string bytes("B\0M\xFF\r\n end", 9);
    EXPECT_FALSE(files->CreateDirectory(root + "/x/y"));
    EXPECT_TRUE(files->CreateDirectory(root + "/sub"));
    EXPECT_FALSE(files->CreateDirectory(root + "/sub"));
    EXPECT_TRUE(files->DirectoryExists(root + "/sub") && !files->FileExists(root + "/sub"));
    EXPECT_TRUE(files->WriteFile(a, bytes));
    EXPECT_EQ(files->ReadFile(a), bytes);
    EXPECT_EQ(files->FileSize(a), std::optional<std::int64_t>(9));
    EXPECT_FALSE(files->FileSize(root + "/sub"));
    // The program's 8-bit name is the system's UTF-8 one.
    EXPECT_TRUE(files->CopyFile(a, russian, true));
    EXPECT_TRUE(fs::exists(fs::u8path(root + "/Ролик.MPG")));
    EXPECT_FALSE(files->CopyFile(a, russian, true));
    EXPECT_TRUE(files->CopyFile(a, russian, false));
    EXPECT_FALSE(files->CopyFile(root + "/missing", root + "/c", false));
    EXPECT_FALSE(files->DeleteFile(root + "/sub"));

    std::uint32_t code = 0;
    EXPECT_FALSE(files->ReadFile(root + "/missing", &code));
    EXPECT_EQ(code, 2u);
    EXPECT_FALSE(files->ReadFile(root + "/nothere/x", &code));
    EXPECT_EQ(code, 3u);
    EXPECT_NE(files->ErrorText(2), files->ErrorText(3));
    EXPECT_FALSE(files->RemoveDirectory(root)) << "a folder that is not empty stays";
}

TEST_F(PosixFilesTest, FindListsWhatTheProgramCanName) {
    ASSERT_TRUE(files->WriteFile(root + "/a.mpg", "1"));
    ASSERT_TRUE(files->WriteFile(root + "/B.MPG", "2"));
    ASSERT_TRUE(files->CreateDirectory(root + "/sub"));
    fs::create_symlink(root + "/sub", root + "/link");
    // A name code page 1251 cannot hold is left out, not changed into another name.
    std::ofstream(fs::u8path(root + "/日本.txt")) << "x";

    std::set<std::string> all, folders, links;
    for (const FindEntry& e : files->Find(root + "/*.*")) {
        all.insert(e.name);
        if (e.attributes & attr::Directory) folders.insert(e.name);
        if (e.attributes & attr::ReparsePoint) links.insert(e.name);
    }
    EXPECT_EQ(all, (std::set<std::string>{".", "..", "a.mpg", "B.MPG", "sub", "link"}));
    EXPECT_EQ(folders, (std::set<std::string>{".", "..", "sub", "link"}));
    EXPECT_EQ(links, std::set<std::string>{"link"});
    std::set<std::string> clips;
    for (const FindEntry& e : files->Find(root + "/*.mpg")) clips.insert(e.name);
    EXPECT_EQ(clips, (std::set<std::string>{"a.mpg", "B.MPG"})) << "masks ignore the letter case, as on Windows";
    EXPECT_TRUE(files->Find(root + "/nothere/*.*").empty());
    // A name alone is that entry alone: beside "link" a folder "LINK" is another one.
    ASSERT_TRUE(files->CreateDirectory(root + "/LINK"));
    const std::vector<FindEntry> named = files->Find(root + "/link");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_TRUE(named[0].attributes & attr::ReparsePoint);
}

TEST(PosixProcess, ProgramPathAndArguments) {
    char arg0[] = "velvinor", arg1[] = "-u";
    char* argv[] = {arg0, arg1, nullptr};
    auto process = lnx::CreatePosixProcess(2, argv);
    const std::string path = process->ProgramPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/');
    EXPECT_TRUE(fs::exists(fs::u8path(AnsiToUtf8(path))));
    EXPECT_EQ(process->Arguments(), std::vector<std::string>{"-u"});
    EXPECT_EQ(process->OemCodePage(), 866u);
}

// What CreateMutex gives in another process, which then ends.
MutexResult CreateMutexInAChild(const std::string& name) {
    pid_t child = fork();
    if (child == 0) _exit(static_cast<int>(lnx::CreatePosixProcess(0, nullptr)->CreateMutex(name)));
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? static_cast<MutexResult>(WEXITSTATUS(status)) : MutexResult::Failed;
}

// The single-instance lock: held while its process lives, gone with it.
TEST(PosixProcess, MutexIsALockThatDiesWithItsProcess) {
    char runtime[] = "/tmp/velvinor-run-XXXXXX";
    ASSERT_NE(mkdtemp(runtime), nullptr);
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    const std::string name = "VelvinorContract";
    {
        auto process = lnx::CreatePosixProcess(0, nullptr);
        EXPECT_FALSE(process->OpenMutex(name));
        EXPECT_EQ(process->CreateMutex(name), MutexResult::Created);
        EXPECT_TRUE(process->OpenMutex(name));
        EXPECT_EQ(CreateMutexInAChild(name), MutexResult::AlreadyExists) << "another process sees it";
    }
    // A process that ended holds nothing, whatever file it left.
    EXPECT_EQ(CreateMutexInAChild(name), MutexResult::Created);
    auto process = lnx::CreatePosixProcess(0, nullptr);
    EXPECT_EQ(process->CreateMutex(name), MutexResult::Created);
    unsetenv("XDG_RUNTIME_DIR");
    fs::remove_all(runtime);
}

TEST(PosixProcess, ExecutableMemoryRuns) {
    auto process = lnx::CreatePosixProcess(0, nullptr);
    // mov eax, 42; ret
    const unsigned char code[] = {0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3};
    void* block = process->AllocateExecutable(4096);
    ASSERT_NE(block, nullptr);
    std::memcpy(block, code, sizeof code);
    int (*function)() = nullptr;
    std::memcpy(&function, &block, sizeof function);
    EXPECT_EQ(function(), 42);
    process->FreeExecutable(block, 4096);
    process->SetThreadPriority(priority::ThreadIdle);
    EXPECT_EQ(process->GetThreadPriority(), priority::ThreadIdle) << "lowering a priority is always allowed";
    process->SetThreadPriority(priority::ThreadNormal);
}

}  // namespace
}  // namespace vel
