#include "host/MainFrm.h"
#include "media/ClipPlayback.h"
#include "media/MessageFrm.h"
#include "runtime/Text.h"
#include "support/Game.h"

namespace vel::mediatest {
namespace {

const std::string kCopyFolder = "C:\\Program Files\\Trelkon\\Velvinor";

TEST(ClipPlayback, OnlyAFixedDiskPlaysInPlaceAndOnlyACopyIsDeleted) {
    struct Case {
        DriveType type;
        bool copied;
    } cases[] = {{DriveType::Fixed, false},    {DriveType::CdRom, true},   {DriveType::Remote, true},
                 {DriveType::Removable, true}, {DriveType::RamDisk, true}};
    for (const auto& c : cases) {
        for (bool byEsc : {false, true}) {
            SCOPED_TRACE(testing::Message() << "drive type " << static_cast<int>(c.type) << (byEsc ? " Esc" : " end"));
            test::Game w("E:\\Disc\\", c.type);
            w.m.files.AddFile("E:\\Disc\\SWF\\lesson1.mpg", "clip");
            w.Run();
            w.Command("plaympg", "lesson1");
            const std::string played = c.copied ? kCopyFolder + "\\lesson1.mpg" : "E:\\Disc\\SWF\\lesson1.mpg";
            EXPECT_EQ(w.Main().MediaPlayer.FileName, played);
            EXPECT_EQ(w.Main().ClipIsCopy, c.copied);
            EXPECT_EQ(w.m.files.FileExists(kCopyFolder + "\\lesson1.mpg"), c.copied);
            EXPECT_TRUE(w.BackdropShown());
            if (byEsc) {
                w.Key(w.Main(), 32);
                w.Loop();
            } else {
                w.End();
            }
            EXPECT_TRUE(w.MovieShown());
            EXPECT_FALSE(w.BackdropShown());
            EXPECT_FALSE(w.m.files.FileExists(kCopyFolder + "\\lesson1.mpg"));
            EXPECT_TRUE(w.m.files.FileExists("E:\\Disc\\SWF\\lesson1.mpg"));
            EXPECT_EQ(w.m.media.OpenCount(), 0u);
        }
    }
}

TEST(ClipPlayback, CopyFolderComesFromProgramFilesDirAndIsMadeWithItsParents) {
    struct Case {
        const char* programFiles;
        const char* copy;
    } cases[] = {
        {"C:\\Program Files", "C:\\Program Files\\Trelkon\\Velvinor\\x.mpg"},
        {"C:\\Apps\\New", "C:\\Apps\\New\\Trelkon\\Velvinor\\x.mpg"},
        // No value: a folder at the root of the current drive.
        {nullptr, "\\Trelkon\\Velvinor\\x.mpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copy);
        test::Game w("D:\\", DriveType::CdRom);
        w.m.files.AddFile("D:\\SWF\\x.mpg", "clip");
        if (c.programFiles)
            w.m.registry.Set("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", c.programFiles,
                             RegValueType::String);
        else
            w.m.registry.DeleteValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
        w.Run();
        w.Command("cursor", "wait");
        w.Mark();
        w.Command("plaympg", "x");
        EXPECT_TRUE(w.m.files.FileExists(c.copy));
        EXPECT_EQ(w.Main().MediaPlayer.FileName, c.copy);
        EXPECT_EQ(w.Lines("ui cursor"), (std::vector<std::string>{"ui cursor hourglass", "ui cursor default"}));
    }
}

TEST(ClipPlayback, AnErrorWhileCopyingStillLeavesTheDefaultCursor) {
    test::Game w("D:\\", DriveType::CdRom);
    w.m.registry.Set("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "1", RegValueType::DWord);
    w.Run();
    w.Mark();
    w.Command("plaympg", "x");
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"Invalid data type for 'ProgramFilesDir'"});
    EXPECT_EQ(w.p->app.CurrentCursor(), Cursor::Default);
    EXPECT_TRUE(w.Lines("media open").empty());
}

TEST(ClipPlayback, TheAlternativeReplacesTheFirstMpgOfThePath) {
    struct Case {
        const char* folder;
        const char* alternative;
    } cases[] = {
        {"C:\\Game\\", "C:\\Game\\SWF\\x_.mpg"},
        {"C:\\Clips.mpg\\", "C:\\Clips_.mpg\\SWF\\x.mpg"},
    };
    for (const auto& c : cases) {
        test::Game w(c.folder);
        w.m.files.AddFile(c.alternative, "clip");
        w.Run();
        w.Command("plaympg", "x");
        EXPECT_EQ(w.Main().MediaPlayer.FileName, c.alternative);
        EXPECT_TRUE(w.BackdropShown());
        w.End();
        EXPECT_TRUE(w.m.files.FileExists(c.alternative)) << c.alternative;
    }
}

TEST(ClipPlayback, BothOpensFailingHandThePlayPathToTheSystemsPlayer) {
    struct Case {
        DriveType type;
        ShellStart shellResult;
        std::vector<std::string> messages;
    } cases[] = {
        {DriveType::Fixed, ShellStart::Started(), {}},
        {DriveType::Fixed, ShellStart::Failed(2), {"Ошибка 2 вызова медиаплейера Windows{CR}{LF}Для входа в игру закройте сообщение и нажмите пробел"}},
        {DriveType::CdRom, ShellStart::Failed(31), {"Ошибка 31 вызова медиаплейера Windows{CR}{LF}Для входа в игру закройте сообщение и нажмите пробел"}},
    };
    for (const auto& c : cases) {
        test::Game w("D:\\", c.type);
        w.m.files.AddFile("D:\\SWF\\x.mpg", "clip");
        const std::string playPath = c.type == DriveType::Fixed ? "D:\\SWF\\x.mpg" : kCopyFolder + "\\x.mpg";
        w.m.media.Define(playPath, {.openError = 277});
        w.m.shell.SetResult(playPath, c.shellResult);
        w.Run();
        w.Loop(100);
        w.Mark();
        const std::uint64_t before = w.m.ui.Now();
        w.Command("plaympg", "x");
        // The notice is up while the shell is asked; the thread waits 2 s before and 5 s after.
        EXPECT_EQ(w.Lines("ui show MessageForm").size(), 1u);
        const auto lines = w.m.trace.Since(w.mark);
        auto at = [&](const std::string& prefix) {
            for (std::size_t i = 0; i < lines.size(); ++i)
                if (lines[i].rfind(prefix, 0) == 0) return i;
            return lines.size();
        };
        EXPECT_LT(at("ui show MessageForm"), at("shell open"));
        EXPECT_LT(at("shell open"), at("ui hide MessageForm"));
        EXPECT_FALSE(w.p->MessageForm->Visible());
        EXPECT_EQ(w.m.ui.Now() - before, 7000u);
        ASSERT_EQ(w.m.shell.StartedPrograms().size(), c.shellResult.started ? 1u : 0u);
        EXPECT_EQ(w.Lines("shell open").size(), 1u);
        EXPECT_NE(w.Lines("shell open").at(0).find("\"" + playPath + "\""), std::string::npos);
        EXPECT_EQ(w.Messages(), c.messages);
        EXPECT_TRUE(w.MovieShown());
        EXPECT_FALSE(w.BackdropShown());
        // A copy stays for the system's player.
        EXPECT_EQ(w.m.files.FileExists(kCopyFolder + "\\x.mpg"), c.type != DriveType::Fixed);
        w.Mark();
        w.Loop(100);
        EXPECT_TRUE(w.Lines("movie var \"_root.mpg\"").empty());
    }
}

TEST(ClipPlayback, TheSystemPlayersFailureNamesThePlayerOfThatSystem) {
    struct Case {
        PathStyle style;
        const char* message;
    } cases[] = {
        {PathStyle::Windows, "Ошибка 2 вызова медиаплейера Windows\r\nДля входа в игру закройте сообщение и нажмите пробел"},
        {PathStyle::Posix, "Ошибка 2 вызова стандартного проигрывателя\r\nДля входа в игру закройте сообщение и нажмите пробел"},
    };
    for (const auto& c : cases) {
        SetPathStyle(c.style);
        EXPECT_EQ(SystemPlayerFailure(2), Ru(c.message));
    }
    SetPathStyle(PathStyle::Windows);
}

TEST(ClipPlayback, MpgReadsOneExactlyWhileTheBackdropIsUp) {
    test::Game w;
    w.m.files.AddFile("C:\\Game\\SWF\\x.mpg", "clip");
    w.m.movie.traceEveryWrite = true;
    w.Run();
    auto mpg = [&] {
        w.Mark();
        w.Loop(50);
        auto writes = w.Lines("movie var \"_root.mpg\"");
        return writes.empty() ? std::string("none") : writes.back().substr(writes.back().size() - 3);
    };
    EXPECT_EQ(mpg(), "\"0\"");
    w.Command("plaympg", "x");
    EXPECT_EQ(mpg(), "\"1\"");
    EXPECT_EQ(mpg(), "\"1\"");
    w.End();
    EXPECT_EQ(mpg(), "\"0\"");
}

TEST(ClipPlayback, ABackdropThatCannotBeReadIsReportedAndTheMovieStays) {
    enum Backdrop { Missing, Unreadable, NotABitmap };
    struct Case {
        Backdrop backdrop;
        const char* message;
    } cases[] = {
        {Missing, "Cannot open file \"C:\\Game\\SWF\\frame.bmp\". The system cannot find the file specified"},
        {Unreadable, "Cannot open file \"C:\\Game\\SWF\\frame.bmp\". Access is denied"},
        // Mended: a file that is no bitmap was put on screen as an empty backdrop.
        {NotABitmap, "Cannot open file \"C:\\Game\\SWF\\frame.bmp\". Bitmap image is not valid"},
    };
    for (const auto& c : cases) {
        test::Game w;
        w.m.files.AddFile("C:\\Game\\SWF\\x.mpg", "clip");
        const std::string backdrop = "C:\\Game\\SWF\\frame.bmp";
        if (c.backdrop == Missing) w.m.files.DeleteFile(backdrop);
        if (c.backdrop == Unreadable) w.m.files.DenyRead(backdrop);
        if (c.backdrop == NotABitmap) w.m.files.AddFile(backdrop, "GIF89a, a picture of another kind");
        w.Run();
        w.Mark();
        w.Command("plaympg", "x");
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_TRUE(w.MovieShown());
        EXPECT_FALSE(w.BackdropShown());
        EXPECT_TRUE(w.Lines("media play").empty());
    }
}

// Mended: a refused play brings no notice, so the clip ends at once instead of
// leaving the movie hidden for good.
TEST(ClipPlayback, APlayTheDeviceRefusesEndsTheClipAtOnce) {
    for (DriveType type : {DriveType::Fixed, DriveType::CdRom}) {
        test::Game w("D:\\", type);
        w.m.files.AddFile("D:\\SWF\\x.mpg", "clip");
        const std::string playPath = type == DriveType::Fixed ? "D:\\SWF\\x.mpg" : kCopyFolder + "\\x.mpg";
        w.m.media.Define(playPath, {.playError = 277});
        w.Run();
        w.Mark();
        w.Command("plaympg", "x");
        EXPECT_TRUE(w.MovieShown());
        EXPECT_FALSE(w.BackdropShown());
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_EQ(w.m.media.OpenCount(), 0u);
        EXPECT_FALSE(w.m.files.FileExists(kCopyFolder + "\\x.mpg"));
        EXPECT_TRUE(w.m.files.FileExists("D:\\SWF\\x.mpg"));
    }
}

// Mended: the notice of the clip that a new request closed must not end the new one.
TEST(ClipPlayback, ANewRequestDuringAClipPlaysTheNewClip) {
    test::Game w;
    w.m.files.AddFile("C:\\Game\\SWF\\a.mpg", "clip");
    w.m.files.AddFile("C:\\Game\\SWF\\b.mpg", "clip");
    w.Run();
    w.Command("plaympg", "a");
    w.Command("plaympg", "b");
    w.Loop(100);
    EXPECT_TRUE(w.BackdropShown());
    EXPECT_FALSE(w.MovieShown());
    EXPECT_EQ(w.Main().MediaPlayer.FileName, "C:\\Game\\SWF\\b.mpg");
    w.End();
    EXPECT_TRUE(w.MovieShown());
}

// Mended: a request that closes the playing clip and then fails leaves no clip on
// screen, so the movie comes back; the old clip's notice is dropped and cannot.
TEST(ClipPlayback, ANewRequestThatFailsDuringAClipBringsTheMovieBack) {
    enum class Failure { BothOpens, Backdrop };
    for (Failure failure : {Failure::BothOpens, Failure::Backdrop}) {
        SCOPED_TRACE(failure == Failure::BothOpens ? "both opens fail" : "backdrop unreadable");
        test::Game w;
        w.m.files.AddFile("C:\\Game\\SWF\\a.mpg", "clip");
        w.m.files.AddFile("C:\\Game\\SWF\\b.mpg", "clip");
        if (failure == Failure::BothOpens) w.m.media.Define("C:\\Game\\SWF\\b.mpg", {.openError = 277});
        w.m.movie.traceEveryWrite = true;
        w.Run();
        w.Command("plaympg", "a");
        ASSERT_TRUE(w.BackdropShown());
        if (failure == Failure::Backdrop) w.m.files.DenyRead("C:\\Game\\SWF\\frame.bmp");
        w.Command("plaympg", "b");
        EXPECT_TRUE(w.MovieShown());
        EXPECT_FALSE(w.BackdropShown());
        w.Mark();
        w.Loop(100);
        const auto writes = w.Lines("movie var \"_root.mpg\"");
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back(), "movie var \"_root.mpg\" = \"0\"");
        // Space asks for nothing that is not there.
        w.Mark();
        w.Key(w.Main(), 32);
        w.Loop();
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_TRUE(w.MovieShown());
    }
}

TEST(ClipPlayback, TheBackdropAndTheVideoCoverTheMoviesPlace) {
    test::Game w;
    w.m.ui.screen = {1280, 1024};
    w.m.files.AddFile("C:\\Game\\SWF\\x.mpg", "clip");
    w.Run();
    w.Mark();
    w.Command("plaympg", "x");
    EXPECT_EQ(w.Main().BackdropImage.Bounds(), (Rect{128, 128, 1024, 768}));
    EXPECT_EQ(w.Lines("media destination"), std::vector<std::string>{"media destination device 2 128,128 1024x768"});
    w.End();
    w.Command("maximize");
    w.Command("plaympg", "x");
    EXPECT_EQ(w.Main().BackdropImage.Bounds(), (Rect{0, 32, 1280, 960}));
}

}  // namespace
}  // namespace vel::mediatest
