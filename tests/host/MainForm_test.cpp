#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>

#include "host/MainFrm.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"
#include "support/Game.h"
#include "support/SimProgram.h"

namespace vel {
namespace {

using test::InstalledGame;
using test::LinesStartingWith;
using test::RunScenario;

const char* const kFlashMessage =
    "messagebox caption=\"Вельвинор\" text=\"Для работы программы требуется Adobe (Macromedia) Flash "
    "Player{CR}{LF}Установите его с диска (файл install_flash_player_10_active_x.exe)\" buttons=OK -> OK";

bool Contains(const std::string& trace, const std::string& line) {
    test::RequireLineShape(line);
    return trace.find(line + "\n") != std::string::npos;
}

TEST(MovieStart, ParameterStringFollowsTheRegistryOrderAndSkipsTheDefaultValue) {
    std::string trace = RunScenario(InstalledGame(R"(reg "\Software\Trelkon\Velvinor" "ini" ""
reg "\Software\Trelkon\Velvinor" "Level" "3"
reg "\Software\Trelkon\Velvinor" "Odd" "a&b=c"
start
keyup IntroForm Esc
fscommand quit
)"));
    auto vars = LinesStartingWith(trace, "movie flashvars ");
    ASSERT_EQ(vars.size(), 2u) << trace;
    std::regex first(R"(movie flashvars "ini=&Level=3&Odd=a&b=c&ProcessorFreq=-?\d+&EscIntro=0&ExeName=Velvinor")");
    std::regex second(R"(movie flashvars "ini=&Level=3&Odd=a&b=c&ProcessorFreq=-?\d+&EscIntro=-1&ExeName=Velvinor")");
    EXPECT_TRUE(std::regex_match(vars[0], first)) << vars[0];
    EXPECT_TRUE(std::regex_match(vars[1], second)) << vars[1];
}

TEST(MovieStart, VersionDecidesWhetherTheFlashPlayerIsUsable) {
    struct Case {
        const char* version;
        bool usable;
    } cases[] = {
        {"WIN 9,0,124,0", true}, {"10", true},          {"WIN 7,0,1,0", true},
        {"WIN 6,0,79,0", false}, {"WIN abc,1", false}, {"", false},
    };
    for (const auto& c : cases) {
        std::string trace = RunScenario(InstalledGame(std::string("flash version \"") + c.version + "\"\nstart\n"));
        EXPECT_EQ(Contains(trace, kFlashMessage), !c.usable) << c.version << "\n" << trace;
        EXPECT_EQ(Contains(trace, "ui show MainForm"), c.usable) << c.version;
        // A refused player ends the run before the other windows exist.
        EXPECT_EQ(Contains(trace, "ui create IntroForm"), c.usable) << c.version;
    }
}

TEST(MovieStart, NoRegisteredPlayerOrRejectedParametersShowTheFlashMessage) {
    for (const char* setup : {"flash missing\n", "flash flashvars-fail\n"}) {
        std::string trace = RunScenario(InstalledGame(std::string(setup) + "start\n"));
        EXPECT_TRUE(Contains(trace, kFlashMessage)) << setup << trace;
        EXPECT_FALSE(Contains(trace, "ui show MainForm")) << setup;
    }
}

TEST(MovieStart, MissingMovieEndsTheRunSilently) {
    std::string trace = RunScenario(R"(program "C:\Game\Velvinor.exe"
file "C:\Game\SWF\logo_deve.avi"
reg "\Software\Trelkon\Velvinor" "" ""
start
)");
    EXPECT_TRUE(LinesStartingWith(trace, "messagebox").empty()) << trace;
    EXPECT_TRUE(Contains(trace, "== run ends")) << trace;
}

TEST(MovieStart, ErrorsWhileStartingAreReportedAndTheTimerStaysOff) {
    std::string trace = RunScenario(InstalledGame(R"(reg "\Software\Trelkon\Velvinor" "Count" "1" dword
start
wait 200
)"));
    EXPECT_TRUE(Contains(trace, "messagebox caption=\"Вельвинор\" text=\"Invalid data type for 'Count'\" buttons=OK "
                                "icon=error -> OK"))
        << trace;
    EXPECT_TRUE(LinesStartingWith(trace, "movie var").empty()) << trace;
}

TEST(WindowModes, MaximizeAndNormalizeFitTheScreen) {
    struct Case {
        int w, h;
        const char* maximized;
        const char* normal;
    } cases[] = {
        {1280, 1024, "movie place 0,32 1280x960", "movie place 128,128 1024x768"},
        {1920, 1080, "movie place 240,0 1440x1080", "movie place 448,156 1024x768"},
        {1024, 768, "movie place 0,0 1024x768", "movie place 0,0 1024x768"},
        {800, 600, "movie place 0,0 800x600", "movie place -112,-84 1024x768"},
        // Sides whose fourfold leaves 32 bits: the same rule, computed wide.
        {2147483647, 2147483647, "movie place 0,268435456 2147483647x1610612735",
         "movie place 1073741311,1073741439 1024x768"},
        {1, 2147483647, "movie place 0,1073741823 1x0", "movie place -511,1073741439 1024x768"},
        {2147483647, 1, "movie place 1073741823,0 1x1", "movie place 1073741311,-383 1024x768"},
        {1073741824, 805306368, "movie place 0,0 1073741824x805306368", "movie place 536870400,402652800 1024x768"},
    };
    for (const auto& c : cases) {
        std::string trace = RunScenario(InstalledGame("screen " + std::to_string(c.w) + " " + std::to_string(c.h) +
                                                      "\nstart\nkeyup IntroForm Esc\nfscommand maximize\n"
                                                      "dump movie\nfscommand normalize\ndump movie\n"));
        auto movie = LinesStartingWith(trace, "  visible at ");
        ASSERT_EQ(movie.size(), 2u) << trace;
        EXPECT_EQ("movie place " + movie[0].substr(13), c.maximized) << c.w << "x" << c.h;
        EXPECT_EQ("movie place " + movie[1].substr(13), c.normal) << c.w << "x" << c.h;
    }
}

TEST(Commands, NamesAreFoldedAndMatchedWhole) {
    std::string base = InstalledGame("start\nkeyup IntroForm Esc\n");
    EXPECT_TRUE(Contains(RunScenario(base + "fscommand QUIT\n"), "== run ends"));
    EXPECT_TRUE(Contains(RunScenario(base + "fscommand Quit\n"), "== run ends"));
    for (const char* nothing : {"\" quit\"", "printer", "exit", "quit2"}) {
        std::string trace = RunScenario(base + "fscommand " + nothing + "\n");
        EXPECT_TRUE(Contains(trace, "== run ends with the program still running")) << nothing;
        EXPECT_TRUE(LinesStartingWith(trace, "messagebox").empty()) << nothing;
    }
}

// Every command is found in any letter case: a dispatcher that folded only some
// names would leave the movie's capitals unanswered.
TEST(Commands, EveryNameIsFoundInCapitals) {
    struct Case {
        const char* before;  // what puts the movie where the command shows
        const char* command;
        const char* effect;  // the last trace line of that kind
    } cases[] = {
        {"", "MAXIMIZE", "movie place 0,32 1280x960"},
        {"", "Maximize", "movie place 0,32 1280x960"},
        {"fscommand maximize\n", "NORMALIZE", "movie place 128,128 1024x768"},
        {"", "MINIMIZE", "ui minimize application"},
        {"", "PRINT", "printer landscape"},
        {"", "CURSOR WAIT", "ui cursor hourglass"},
        {"", "EXECUTE doc.pdf", "shell open \"C:\\Game\\SWF\\doc.pdf\""},
        {"", "SAVELevel 3", "reg write \"HKLM\\Software\\Trelkon\\Velvinor\" \"Level\" = \"3\""},
        {"", "PLAYMPG x", "media open \"C:\\Game\\SWF\\x.mpg\""},
    };
    for (const auto& c : cases) {
        const std::string command = c.command;
        const std::string kind = std::string(c.effect).substr(0, std::string(c.effect).find(' ', 3));
        std::string trace = RunScenario(InstalledGame(std::string("screen 1280 1024\nfile \"C:\\Game\\SWF\\x.mpg\"\n") +
                                                      "start\nkeyup IntroForm Esc\n" + c.before + "fscommand " +
                                                      command + "\n"));
        const std::string tail = trace.substr(trace.find("> fscommand \"" + command.substr(0, command.find(' '))));
        auto lines = LinesStartingWith(tail, kind);
        ASSERT_FALSE(lines.empty()) << command << "\n" << trace;
        bool found = false;
        for (const auto& line : lines) found = found || line.rfind(c.effect, 0) == 0;
        EXPECT_TRUE(found) << command << "\n" << tail;
    }
}

TEST(Commands, CursorTakesNormAndWaitOnly) {
    std::string trace = RunScenario(InstalledGame(
        "start\nkeyup IntroForm Esc\nfscommand cursor WAIT\nfscommand cursor busy\nfscommand CURSOR Norm\n"));
    auto cursor = LinesStartingWith(trace, "ui cursor");
    EXPECT_EQ(cursor, (std::vector<std::string>{"ui cursor hourglass", "ui cursor default"})) << trace;
}

TEST(Settings, SavedValuesReachTheNextMovieStart) {
    std::string trace = RunScenario(InstalledGame(R"(start
keyup IntroForm Esc
fscommand saveLevel 3
fscommand SAVELEVEL 4
fscommand "save  Score " 10
fscommand saveGone NaN
fscommand quit
start
)"));
    EXPECT_TRUE(Contains(trace, "reg write \"HKLM\\Software\\Trelkon\\Velvinor\" \"Level\" = \"3\"")) << trace;
    EXPECT_TRUE(Contains(trace, "reg write \"HKLM\\Software\\Trelkon\\Velvinor\" \"Score\" = \"10\"")) << trace;
    auto vars = LinesStartingWith(trace, "movie flashvars ");
    ASSERT_EQ(vars.size(), 3u);
    // Value names compare without case: LEVEL replaced Level's data.
    EXPECT_EQ(vars[2].find("movie flashvars \"Level=4&Score=10&ProcessorFreq="), 0u) << vars[2];
}

TEST(Keys, RightButtonReachesNoWindowAndMinimizeIsTracked) {
    std::string trace = RunScenario(InstalledGame(R"(start
keyup IntroForm Esc
rbutton MainForm
wait 50
fscommand minimize
wait 50
restore
wait 50
)"));
    EXPECT_TRUE(Contains(trace, "ui right-button-down MainForm -> dropped")) << trace;
    auto minimized = LinesStartingWith(trace, "movie var \"_root.minimized\"");
    EXPECT_EQ(minimized, (std::vector<std::string>{"movie var \"_root.minimized\" = \"0\"",
                                                   "movie var \"_root.minimized\" = \"1\"",
                                                   "movie var \"_root.minimized\" = \"0\""}));
}

TEST(Keys, OtherKeysAndEscWithNothingShowingDoNothing) {
    std::string trace = RunScenario(InstalledGame("start\nkeyup IntroForm Enter\nkeyup IntroForm Esc\n"
                                                  "keyup MainForm Esc\nkeyup MainForm Space\n"));
    EXPECT_EQ(LinesStartingWith(trace, "movie load ").size(), 2u) << trace;
    EXPECT_TRUE(LinesStartingWith(trace, "media stop").empty()) << trace;
}

// Mended: a movie that refuses its variables showed an error box at every tick,
// and the ticks inside each box's own loop opened more. One box; the writes go
// on at every tick, and a failure after writes that worked again is reported anew.
TEST(StateFeedback, AMovieThatRefusesItsVariablesIsReportedOnce) {
    test::Game w;
    w.Run();
    w.m.movie.setVariableFails = true;
    bool inBox = false;
    w.m.ui.nestedEvents = [&](const std::string& where) {
        // Time passes while the box is open; its loop dispatches the ticks.
        if (where == "messagebox" && !inBox) {
            inBox = true;
            w.Loop(500);
            inBox = false;
        }
        return true;
    };
    w.Mark();
    w.Loop(1000);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"Unspecified error"});
    // Every tick of the second still tries.
    EXPECT_EQ(w.Lines("movie var \"_root.currentvolume\" = \"0\" -> failed").size(), 20u);

    w.m.movie.setVariableFails = false;
    w.Loop(50);
    w.m.movie.setVariableFails = true;
    w.Mark();
    w.Loop(1000);
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"Unspecified error"});

    // The game goes on: its commands are carried out.
    w.Command("minimize");
    EXPECT_TRUE(w.Main().Minimized);
}

TEST(Startup, AnInstalledCopyRunsOnce) {
    std::string trace = RunScenario(InstalledGame("mutex Velvinor\nstart\n"));
    // Nothing after the mutex: no window, no message, nothing done to the running game.
    EXPECT_EQ(trace.substr(trace.find("process create-mutex")),
              "process create-mutex \"Velvinor\" -> existed\n== run ends\n== process exits\n") << trace;
}

TEST(Startup, WindowsAreCreatedInTheirOrder) {
    auto created = LinesStartingWith(RunScenario(InstalledGame("start\n")), "ui create ");
    EXPECT_EQ(created, (std::vector<std::string>{"ui create MainForm", "ui create MessageForm",
                                                 "ui create SoundControlForm", "ui create IntroForm",
                                                 "ui create RtfForm"}));
}

// The windows start-up creates after the main one do not exist while a start-up
// error box is open, and the movie's commands still arrive then (the box runs its
// own loop). Every command, and the skip key, must do without them: a clip that no
// device opens needs the notice window, which once was dereferenced there.
TEST(Commands, EveryCommandDoesWithoutTheWindowsNotYetCreated) {
    struct Case {
        const char* box;
        std::function<void(test::Game&)> setUp;
    } cases[] = {
        {"the movie start's error", [](test::Game& w) {
             w.m.registry.Set("\\Software\\Trelkon\\Velvinor", "Count", "1", RegValueType::DWord);
         }},
        {"the intro's error", [](test::Game& w) { w.m.media.Define("C:\\Game\\SWF\\logo_deve.avi", {.openError = 263}); }},
        {"the movie player check", [](test::Game& w) { w.m.movie.version = "WIN 6,0,79,0"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        test::Game w;
        w.m.files.AddFile("C:\\Game\\SWF\\x.mpg", "clip");
        w.m.media.Define("C:\\Game\\SWF\\x.mpg", {.openError = 277});
        w.m.files.AddFile("C:\\Game\\SWF\\a.rtf", "{\\rtf1 a}");
        c.setUp(w);
        bool raised = false;
        w.m.ui.nextAnswer = [&]() -> std::optional<int> {
            if (raised) return std::nullopt;
            raised = true;
            for (const char* command : {"plaympg x", "execute a.rtf", "execute doc.pdf", "setvolume 50", "cursor wait",
                                        "print", "maximize", "normalize", "minimize", "saveLevel 3"}) {
                const std::string text = command;
                const std::size_t blank = text.find(' ');
                w.Command(text.substr(0, blank), blank == std::string::npos ? "" : text.substr(blank + 1));
            }
            if (auto* main = dynamic_cast<Form*>(w.m.ui.Find("MainForm"))) main->UserKeyUp(27, 0);
            return std::nullopt;
        };
        Platform s = w.m.platform();
        w.p = std::make_unique<Program>(s);
        w.p->Start();
        EXPECT_TRUE(raised);
        // The clip went to the system's player; the rest did what it could.
        EXPECT_EQ(w.Lines("shell open \"C:\\Game\\SWF\\x.mpg\"").size(), 1u);
        EXPECT_EQ(w.m.registry.ReadString("\\Software\\Trelkon\\Velvinor", "Level"), "3");
    }
}

}  // namespace
}  // namespace vel
