#include "host/MainFrm.h"
#include "media/IntroFrm.h"
#include "support/Game.h"

namespace vel::mediatest {
namespace {

const char* const kFirst = "C:\\Game\\SWF\\logo_deve.avi";
const char* const kSecond = "C:\\Game\\SWF\\logo_trelkon.avi";

TEST(Intro, BothVideosAreCentredInTheirWindowsEvenOnANarrowScreen) {
    struct Case {
        Size screen;
        Rect first, second;
    } cases[] = {
        {{1024, 768}, {152, 96, 720, 576}, {352, 264, 320, 240}},
        {{720, 576}, {0, 0, 720, 576}, {200, 168, 320, 240}},
        {{719, 575}, {0, 0, 720, 576}, {199, 167, 320, 240}},
        {{700, 500}, {-10, -38, 720, 576}, {190, 130, 320, 240}},
    };
    for (const auto& c : cases) {
        test::Game w;
        w.m.ui.screen = c.screen;
        w.Run(false);
        TIntroForm& intro = *w.p->IntroForm;
        EXPECT_EQ(intro.Bounds(), c.first);
        EXPECT_EQ(intro.MediaPlayer.FileName, kFirst);
        w.End();
        EXPECT_EQ(intro.Bounds(), c.second);
        EXPECT_EQ(intro.MediaPlayer.FileName, kSecond);
    }
}

TEST(Intro, EveryNoticeValueAdvancesLikeTheEndOfTheVideo) {
    for (std::uint32_t value : {notify::Successful, notify::Superseded, notify::Aborted, notify::Failure}) {
        SCOPED_TRACE(value);
        test::Game w;
        w.Run(false);
        TIntroForm& intro = *w.p->IntroForm;
        EXPECT_FALSE(w.MovieShown());
        w.End(value);
        EXPECT_TRUE(intro.Visible());
        EXPECT_EQ(intro.MediaPlayer.FileName, kSecond);
        w.Mark();
        w.End(value);
        EXPECT_FALSE(intro.Visible());
        EXPECT_TRUE(w.Main().Visible());
        EXPECT_TRUE(w.MovieShown());
        EXPECT_EQ(w.m.media.OpenCount(), 0u);
        ASSERT_EQ(w.Lines("movie flashvars").size(), 1u);
        EXPECT_NE(w.Lines("movie flashvars")[0].find("&EscIntro=0&"), std::string::npos);
    }
}

TEST(Intro, EscOrSpaceDuringEitherVideoStartsTheMovieAtOnce) {
    for (std::uint16_t key : {27, 32}) {
        for (int videosEnded : {0, 1}) {
            test::Game w;
            w.Run(false);
            for (int i = 0; i < videosEnded; ++i) w.End();
            w.Mark();
            w.Key(*w.p->IntroForm, key);
            w.Loop(100);
            EXPECT_FALSE(w.p->IntroForm->Visible());
            EXPECT_TRUE(w.MovieShown());
            EXPECT_TRUE(w.Main().EscIntro);
            EXPECT_EQ(w.m.media.OpenCount(), 0u);
            EXPECT_TRUE(w.Lines("media open").empty());
            ASSERT_EQ(w.Lines("movie flashvars").size(), 1u);
            EXPECT_NE(w.Lines("movie flashvars")[0].find("&EscIntro=-1&"), std::string::npos);
        }
    }
}

TEST(Intro, OnlyAFirstArgumentMinusUPlaysNothing) {
    struct Case {
        std::vector<std::string> arguments;
        bool plays;
    } cases[] = {{{"-u"}, false}, {{"-U"}, false}, {{"x", "-u"}, true}, {{"-ux"}, true}};
    for (const auto& c : cases) {
        test::Game w;
        w.m.process.arguments = c.arguments;
        w.Run(false);
        TIntroForm& intro = *w.p->IntroForm;
        EXPECT_EQ(w.m.media.OpenCount(), c.plays ? 1u : 0u) << c.arguments[0];
        if (c.plays) continue;
        EXPECT_TRUE(intro.Visible());
        EXPECT_EQ(intro.Bounds(), (Rect{330, 113, 312, 206}));
        w.Key(intro, 32);
        EXPECT_FALSE(intro.Visible());
        EXPECT_TRUE(w.MovieShown());
    }
}

TEST(Intro, AVideoThatCannotBeOpenedLeavesTheWindowUpUntilAKey) {
    struct Case {
        const char* missing;
        Rect window;
        int endsBefore;
    } cases[] = {{kFirst, {152, 96, 720, 576}, 0}, {kSecond, {352, 264, 320, 240}, 1}};
    for (const auto& c : cases) {
        test::Game w;
        w.m.files.DeleteFile(c.missing);
        w.Run(false);
        for (int i = 0; i < c.endsBefore; ++i) w.End();
        // The box comes once the black window is up, so that it is the window's own.
        std::vector<std::string> order;
        for (const auto& line : w.m.trace.Since(w.mark))
            if (line == "ui show IntroForm" || line.rfind("messagebox", 0) == 0) order.push_back(line);
        EXPECT_EQ(order, (std::vector<std::string>{
                             "ui show IntroForm",
                             "messagebox caption=\"Вельвинор\" text=\"The specified file cannot be found.\" "
                             "buttons=OK icon=error -> OK"}));
        w.Loop(1000);
        TIntroForm& intro = *w.p->IntroForm;
        EXPECT_TRUE(intro.Visible());
        EXPECT_EQ(intro.Bounds(), c.window);
        EXPECT_FALSE(w.MovieShown());
        w.Key(intro, 27);
        EXPECT_TRUE(w.MovieShown());
    }
}

}  // namespace
}  // namespace vel::mediatest
