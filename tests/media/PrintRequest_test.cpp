#include "host/MainFrm.h"
#include "support/Game.h"

namespace vel::mediatest {
namespace {

TEST(PrintRequest, PrintsTheMovieOnALandscapePageAndSelectsThePrinterOnce) {
    test::Game w;
    w.m.ui.screen = {1280, 1024};
    w.Run();
    w.Mark();
    w.Command("print");
    w.Command("print");
    EXPECT_TRUE(w.Messages().empty());
    EXPECT_EQ(w.Lines("printer select").size(), 1u);
    EXPECT_EQ(w.Lines("printer landscape").size(), 1u);
    const std::string page = "printer page landscape picture of window " + std::to_string(w.Main().Handle()) +
                             " 128,128 1024x768 title \"Вельвинор\"";
    EXPECT_EQ(w.Lines("printer page"), (std::vector<std::string>{page, page}));
}

TEST(PrintRequest, OnlyThePartOfTheMovieOnScreenIsPrinted) {
    struct Case {
        Size screen;
        const char* command;
        Rect source;
    } cases[] = {
        {{800, 600}, "normalize", {0, 0, 800, 600}},
        {{1280, 1024}, "maximize", {0, 32, 1280, 960}},
        {{1920, 1080}, "maximize", {240, 0, 1440, 1080}},
    };
    for (const auto& c : cases) {
        test::Game w;
        w.m.ui.screen = c.screen;
        w.Run();
        w.Command(c.command);
        w.Mark();
        w.Command("print");
        const Rect s = c.source;
        ASSERT_EQ(w.Lines("printer page").size(), 1u);
        EXPECT_NE(w.Lines("printer page")[0].find(" " + std::to_string(s.left) + "," + std::to_string(s.top) + " " +
                                                  std::to_string(s.width) + "x" + std::to_string(s.height) + " "),
                  std::string::npos)
            << w.Lines("printer page")[0];
    }
}

// A movie with no pixel in the window has no picture: the page is left out, the
// printer is still made ready, and nothing is reported.
TEST(PrintRequest, AMovieEntirelyOffScreenPrintsNothing) {
    constexpr int kMax = 2147483647;
    const Rect cases[] = {
        {1280, 0, 1024, 768},  {-1024, 0, 1024, 768}, {0, 1024, 1024, 768},
        {0, -768, 1024, 768},  {5000, 5000, 1, 1},    {kMax - 10, kMax - 10, 1024, 768},
        {100, 100, 0, 0},
    };
    for (const Rect& movie : cases) {
        SCOPED_TRACE(testing::Message() << movie.left << "," << movie.top << " " << movie.width << "x" << movie.height);
        test::Game w;
        w.m.ui.screen = {1280, 1024};
        w.Run();
        w.Main().Flash1->SetBounds(movie);
        w.Mark();
        w.Command("print");
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_EQ(w.Lines("printer landscape").size(), 1u);
        EXPECT_TRUE(w.Lines("printer page").empty());
        EXPECT_EQ(w.m.printer.pagesPrinted, 0);
    }
    // One pixel in the corner is still a page.
    test::Game w;
    w.m.ui.screen = {1280, 1024};
    w.Run();
    w.Main().Flash1->SetBounds({1279, 1023, kMax, kMax});
    w.Mark();
    w.Command("print");
    EXPECT_EQ(w.m.printer.pagesPrinted, 1);
    ASSERT_EQ(w.Lines("printer page").size(), 1u);
    EXPECT_NE(w.Lines("printer page")[0].find(" 1279,1023 1x1 "), std::string::npos) << w.Lines("printer page")[0];
}

TEST(PrintRequest, PrinterErrorsAreReportedOnEveryRequest) {
    struct Case {
        bool hasDefault, supportsSettings, jobsFail;
        const char* message;
        std::size_t selects;
    } cases[] = {
        {false, true, false, "There is no default printer currently selected", 2},
        {true, false, false, "Operation not supported on selected printer", 1},
        {true, true, true, "Не удалось напечатать страницу", 1},
    };
    for (const auto& c : cases) {
        test::Game w;
        w.m.printer.hasDefault = c.hasDefault;
        w.m.printer.supportsSettings = c.supportsSettings;
        w.m.printer.failJobs = c.jobsFail;
        w.Run();
        w.Mark();
        w.Command("print");
        w.Command("print");
        EXPECT_EQ(w.Messages(), (std::vector<std::string>{c.message, c.message}));
        EXPECT_EQ(w.Lines("printer select").size(), c.selects);
        EXPECT_EQ(w.m.printer.pagesPrinted, 0);
    }
}

}  // namespace
}  // namespace vel::mediatest
