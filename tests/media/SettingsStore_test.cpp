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

// Mended: the default value (the installation marker) and "TransferPath" belong to
// the installation; a movie that replaced them could point the uninstallation at
// any folder. Their commands store nothing and report nothing.
TEST(SettingsStore, TheInstallationsOwnValuesStayAsTheyAre) {
    const std::u16string cases[][2] = {
        {u"save", u"x"},
        {u"Save", u"nan"},
        {u"save  ", u"C:\\"},
        {u"saveTransferPath", u"C:\\Windows\\"},
        {u"saveTRANSFERPATH", u"nan"},
        {u"save transferpath ", u"NaN"},
        {std::u16string(u"saveTransferPath\0x", 18), u"C:\\"},
    };
    // An installed game: the marker is the empty default value.
    test::Game w;
    w.m.registry.Set(kKey, "TransferPath", "C:\\Games\\Velvinor\\", RegValueType::String);
    w.Run();
    for (const auto& c : cases) {
        SCOPED_TRACE(WideToUtf8(c[0]));
        w.Mark();
        w.Command(c[0], c[1]);
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_TRUE(w.Lines("reg ").empty());
        EXPECT_EQ(w.m.registry.ReadString(kKey, ""), "");
        EXPECT_EQ(w.m.registry.ReadString(kKey, "TransferPath"), "C:\\Games\\Velvinor\\");
    }
    // A name that only begins like them is the movie's own.
    w.Command("saveTransferPath2", "x");
    EXPECT_EQ(w.m.registry.ReadString(kKey, "TransferPath2"), "x");
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
