#include "media/RtfFrm.h"
#include "support/Game.h"

namespace vel::mediatest {
namespace {

TEST(DocumentOpening, RichTextNamesGoToTheViewerAndTheRestToTheShell) {
    struct Case {
        const char* argument;
        bool viewer;
        bool rtf;
        const char* shellFile;
    } cases[] = {
        {"Parents.RTF", true, true, nullptr},
        {"x.rtf.txt", true, false, nullptr},
        {"x.rtf.TXT", true, false, nullptr},
        {"x.txt.rtf", true, true, nullptr},
        {"notes.txt\\x.rtf", true, true, nullptr},
        {"docs.rtf\\notes.txt", true, false, nullptr},
        {"x.rtf.doc", true, true, nullptr},
        {"docs\\x.Rtf", true, true, nullptr},
        {"manual.pdf", false, false, "C:\\Game\\SWF\\manual.pdf"},
        {"", false, false, "C:\\Game\\SWF\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        test::Game w;
        w.m.ui.screen = {640, 480};
        w.m.files.AddFile(std::string("C:\\Game\\SWF\\") + c.argument, "content");
        w.Run();
        w.Mark();
        w.Command("execute", c.argument);
        TRtfForm& viewer = *w.p->RtfForm;
        EXPECT_EQ(viewer.Visible(), c.viewer);
        EXPECT_TRUE(w.Messages().empty());
        if (c.viewer) {
            EXPECT_EQ(viewer.Bounds(), (Rect{-30, -10, 700, 500}));
            EXPECT_EQ(viewer.Text(), Ru("Родителям"));
            EXPECT_EQ(viewer.RxRichEdit.Content(), "content");
            EXPECT_EQ(viewer.RxRichEdit.ContentIsRtf(), c.rtf);
            EXPECT_EQ(viewer.RxRichEdit.Bounds(), (Rect{0, 0, 700 - 16, 500 - 31}));
            EXPECT_TRUE(w.Lines("shell").empty());
        } else {
            ASSERT_EQ(w.m.shell.StartedPrograms().size(), 1u);
            const auto& started = w.m.shell.StartedPrograms()[0];
            EXPECT_EQ(started.file, c.shellFile);
            EXPECT_FALSE(started.hidden);
        }
    }
}

// The viewer is placed and captioned before the document is read; one that cannot
// be read is reported, and the viewer shows what it showed before.
TEST(DocumentOpening, ADocumentThatCannotBeReadIsReportedAndTheViewerKeepsItsContent) {
    test::Game w;
    w.m.files.AddFile("C:\\Game\\SWF\\a.rtf", "{\\rtf1 a}");
    w.m.files.AddFile("C:\\Game\\SWF\\locked.rtf", "{\\rtf1 b}");
    w.m.files.DenyRead("C:\\Game\\SWF\\locked.rtf");
    w.Run();
    w.Command("execute", "a.rtf");
    TRtfForm& viewer = *w.p->RtfForm;
    const std::string folder = "Cannot open file \"C:\\Game\\SWF\\";
    struct Case {
        const char* argument;
        std::string message;
    } cases[] = {
        {"missing.rtf", folder + "missing.rtf\". The system cannot find the file specified"},
        {"no\\missing.rtf", folder + "no\\missing.rtf\". The system cannot find the path specified"},
        {"locked.rtf", folder + "locked.rtf\". Access is denied"},
    };
    for (const auto& c : cases) {
        viewer.SetBounds({5, 6, 300, 200});
        viewer.SetText("moved");
        w.Mark();
        w.Command("execute", c.argument);
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_TRUE(viewer.Visible());
        EXPECT_EQ(viewer.Bounds(), (Rect{162, 134, 700, 500}));
        EXPECT_EQ(viewer.Text(), Ru("Родителям"));
        EXPECT_EQ(viewer.RxRichEdit.Content(), "{\\rtf1 a}");
    }
    // Closed, a failed request does not bring it back.
    viewer.UserClose();
    w.Command("execute", "missing.rtf");
    EXPECT_FALSE(viewer.Visible());
}

TEST(DocumentOpening, TheShellsFailureCodeIsShown) {
    for (int code : {2, 31, 32}) {
        test::Game w;
        w.m.shell.SetResult("C:\\Game\\SWF\\x.doc", ShellStart::Failed(code));
        w.Run();
        w.Mark();
        w.Command("execute", "x.doc");
        EXPECT_EQ(w.Messages(), std::vector<std::string>{"Ошибка " + std::to_string(code) + " вызова внешней программы"});
    }
}

// Mended: each view survives only so much of a document, and its backend says how
// much (the Rich Edit control crashes on groups nested deeper than 32 and stops
// answering for long over more text). A document beyond a limit is refused with a
// message, the viewer keeps what it showed and the game goes on. Pictures count
// only against the file's bound: a document of one picture bigger than the text
// bound shows.
TEST(DocumentOpening, WhatTheViewCannotSurviveIsRefusedWithAMessage) {
    constexpr std::size_t kKb = 1024;
    auto nested = [](std::size_t depth) {
        return "{\\rtf1 " + std::string(depth - 1, '{') + "x" + std::string(depth - 1, '}') + "}";
    };
    auto text = [](std::size_t bytes) { return "{\\rtf1 " + std::string(bytes - 8, 'x') + "}"; };
    const std::string picture = "{\\rtf1 A picture:{\\pict\\pngblip " + std::string(600 * kKb, 'a') + "}}";
    struct Case {
        const char* argument;
        std::string content;
        const char* message;  // none: the document shows
    } cases[] = {
        {"picture.rtf", picture, nullptr},
        {"deepest.rtf", nested(12), nullptr},
        {"deep.rtf", nested(13),
         "Документ «deep.rtf» устроен слишком сложно для просмотра в программе: вложенность оформления 13 "
         "(допустимо не более 12)."},
        {"braces.rtf.txt", std::string(100, '{'), nullptr},
        {"most.rtf", text(100 * kKb), nullptr},
        {"more.rtf", text(100 * kKb + 1),
         "Документ «more.rtf» слишком велик для просмотра в программе: 101 Кб текста (допустимо не более 100 Кб)."},
        {"notes.rtf.txt", std::string(100 * kKb + 1, 'x'),
         "Документ «notes.rtf.txt» слишком велик для просмотра в программе: 101 Кб текста (допустимо не более "
         "100 Кб)."},
        {"docs\\huge.rtf", std::string(1024 * kKb + 1, 'x'),
         "Документ «huge.rtf» слишком велик для просмотра в программе: 1025 Кб (допустимо не более 1024 Кб)."},
    };
    test::Game w;
    // The backend's own limits, unlike any view's.
    w.m.ui.documentLimits = {12, 100 * kKb, 1024 * kKb};
    w.m.files.AddFile("C:\\Game\\SWF\\a.rtf", "{\\rtf1 a}");
    w.Run();
    TRtfForm& viewer = *w.p->RtfForm;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        w.m.files.AddFile(std::string("C:\\Game\\SWF\\") + c.argument, c.content);
        w.Command("execute", "a.rtf");
        w.Mark();
        w.Command("execute", c.argument);
        EXPECT_EQ(w.Messages(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_TRUE(viewer.Visible());
        EXPECT_EQ(viewer.RxRichEdit.Content().size(), c.message ? 9u : c.content.size());
        // The hourglass while the document is read and laid out, the arrow from before
        // after it; a file over the bound is not read.
        const std::vector<std::string> loading = {"ui cursor hourglass", "ui cursor default"};
        EXPECT_EQ(w.Lines("ui cursor"), c.content.size() <= 1024 * kKb ? loading : std::vector<std::string>{});
        w.m.files.DeleteFile(std::string("C:\\Game\\SWF\\") + c.argument);
    }
}

}  // namespace
}  // namespace vel::mediatest
