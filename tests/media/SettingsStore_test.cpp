#include "media/IntroFrm.h"
#include "support/Game.h"

namespace vel::mediatest {
namespace {

const char* const kKey = "\\Software\\Trelkon\\Velvinor";

TEST(SettingsStore, NamesKeepTheMoviesCaseAndNanDeletes) {
    struct Step {
        const char* command;
        const char* args;
        const char* name;
        const char* stored;  // nullptr: no such value afterwards
    } steps[] = {
        {"saveLevel", "3", "Level", "3"},
        {"SAVELEVEL", "3", "LEVEL", "3"},
        {"save  Score ", "12", "Score", "12"},
        {"save\tBest\r\n", "x", "Best", "x"},
        {"saveini", "", "ini", ""},
        {"saveName", "Маша", "Name", "Маша"},
        {"saveLevel", "NaN", "Level", nullptr},
        {"saveLEVEL", "nan", "LEVEL", nullptr},
        {"saveMissing", "NAN", "Missing", nullptr},
        {"Save", "nan", "", nullptr},
        {"save", "Transfering", "", "Transfering"},
        {"saveScore", " nan", "Score", " nan"},
    };
    test::Game w;
    w.m.registry.Set(kKey, "Score", "1", RegValueType::DWord);
    w.Run();
    for (const auto& s : steps) {
        w.Mark();
        w.Command(s.command, s.args);
        EXPECT_TRUE(w.Messages().empty()) << s.command;
        auto value = w.m.registry.ReadString(kKey, Ru(s.name));
        if (s.stored) EXPECT_EQ(value, Ru(s.stored)) << s.command;
        else EXPECT_FALSE(w.m.registry.ValueType(kKey, Ru(s.name)).has_value()) << s.command;
    }
}

TEST(SettingsStore, TheNextMovieStartPassesTheSetting) {
    test::Game w;
    w.Run(false);
    w.Command("saveLevel", "3");
    w.Mark();
    w.Key(*w.p->IntroForm, 27);
    ASSERT_EQ(w.Lines("movie flashvars").size(), 1u);
    EXPECT_EQ(w.Lines("movie flashvars")[0].rfind("movie flashvars \"Level=3&", 0), 0u);
}

TEST(SettingsStore, AKeyThatCannotBeWrittenFailsAWriteAndIgnoresADeletion) {
    test::Game w;
    w.m.registry.DeleteKey(kKey);
    w.m.registry.FailWrites("\\Software\\Trelkon");
    w.Run();
    w.Mark();
    w.Command("saveLevel", "3");
    w.Command("saveLevel", "nan");
    EXPECT_EQ(w.Messages(), std::vector<std::string>{"Failed to set data for 'Level'"});
    EXPECT_FALSE(w.m.registry.KeyExists(kKey));
}

}  // namespace
}  // namespace vel::mediatest
