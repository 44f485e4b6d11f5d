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

TEST(DocumentOpening, ADocumentThatCannotBeReadLeavesTheViewerAsItWas) {
    test::Game w;
    w.m.files.AddFile("C:\\Game\\SWF\\a.rtf", "{\\rtf1 a}");
    w.m.files.AddFile("C:\\Game\\SWF\\locked.rtf", "{\\rtf1 b}");
    w.m.files.DenyRead("C:\\Game\\SWF\\locked.rtf");
    w.Run();
    w.Command("execute", "a.rtf");
    TRtfForm& viewer = *w.p->RtfForm;
    viewer.SetBounds({5, 6, 300, 200});
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
        w.Mark();
        w.Command("execute", c.argument);
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_TRUE(viewer.Visible());
        EXPECT_EQ(viewer.Bounds(), (Rect{5, 6, 300, 200}));
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

// Mended: the rich-text view holds the whole document in the program's memory and
// the window while it lays it out; a document past the bound is refused with a
// message and the viewer stays as it was.
TEST(DocumentOpening, ADocumentPastTheBoundIsRefusedWithAMessage) {
    constexpr std::size_t kBound = 512 * 1024;
    test::Game w;
    w.m.files.AddFile("C:\\Game\\SWF\\a.rtf", "{\\rtf1 a}");
    w.m.files.AddFile("C:\\Game\\SWF\\bound.rtf", std::string(kBound, 'x'));
    w.m.files.AddFile("C:\\Game\\SWF\\big.rtf", std::string(kBound + 1, 'x'));
    w.m.files.AddFile("C:\\Game\\SWF\\docs\\huge.rtf.txt", std::string(100 * kBound + 1, 'x'));
    w.Run();
    TRtfForm& viewer = *w.p->RtfForm;
    w.Command("execute", "bound.rtf");
    EXPECT_EQ(viewer.RxRichEdit.Content().size(), kBound);
    w.Command("execute", "a.rtf");
    struct Case {
        const char* argument;
        const char* message;
    } cases[] = {
        {"big.rtf", "Документ «big.rtf» слишком большой для просмотра в программе: 513 Кб, а можно не больше 512 Кб."},
        {"docs\\huge.rtf.txt",
         "Документ «huge.rtf.txt» слишком большой для просмотра в программе: 51 Мб, а можно не больше 512 Кб."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        w.Mark();
        w.Command("execute", c.argument);
        EXPECT_EQ(w.Messages(), std::vector<std::string>{c.message});
        EXPECT_TRUE(viewer.Visible());
        EXPECT_EQ(viewer.RxRichEdit.Content(), "{\\rtf1 a}");
    }
}

}  // namespace
}  // namespace vel::mediatest
