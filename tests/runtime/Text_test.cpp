#include "runtime/Product.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(Text, StrToIntDefFollowsTheRuntimeConversion) {
    struct Case {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"", 10},        {"abc", 10},      {"7 ", 10},          {" 7", 7},          {"$32", 50},
        {"0x32", 50},    {"x32", 50},      {"X32", 50},         {"0X32", 50},       {"-5", -5},
        {"+12", 12},     {"250", 250},     {"2147483647", 2147483647},              {"2147483648", 10},
        {"-2147483648", -2147483647 - 1},  {"$FFFFFFFF", -1},   {"$100000000", 10}, {"-$10", -16},
        {"$", 10},       {"-", 10},        {"1.5", 10},         {"\t7", 10},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToIntDef(c.text, 10), c.expected) << '"' << c.text << '"';
}

TEST(Text, RoundsHalfToEven) {
    EXPECT_EQ(RoundHalfEven(15.5L), 16);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(12.5L), 12);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(2000.5L), 2000);
    EXPECT_EQ(RoundHalfEven(2001.5L), 2002);
}

TEST(Text, CodePage1251RoundTripsRussianAndReplacesTheRest) {
    const std::string ansi = Ru("Вельвинор ёЁ №");
    EXPECT_EQ(ansi, "\xC2\xE5\xEB\xFC\xE2\xE8\xED\xEE\xF0 \xB8\xA8 \xB9");
    EXPECT_EQ(AnsiToUtf8(ansi), "Вельвинор ёЁ №");
    EXPECT_EQ(WideToAnsi(u"a\u4E2Db"), "a?b");
    EXPECT_EQ(WideToAnsi(AnsiToWide(ansi)), ansi);
}

// Every byte goes to the movie wide and comes back as it was: a setting holding the
// unused 0x98 must not return as '?'. The system's table maps 0x98 to U+0098.
TEST(Text, CodePage1251RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string wide = AnsiToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide), all);
    EXPECT_EQ(wide[0x98], u'\u0098');
    EXPECT_EQ(wide[0x88], u'\u20AC');
    EXPECT_EQ(wide[0xA8], u'\u0401');
    EXPECT_EQ(wide[0xFF], u'\u044F');
    // Each byte has its own character, and UTF-8 (the traces) keeps them apart too.
    for (int b = 0; b < 256; ++b)
        for (int c = b + 1; c < 256; ++c) ASSERT_NE(wide[b], wide[c]) << b << " " << c;
    EXPECT_EQ(WideToAnsi(Utf8ToWide(AnsiToUtf8(all))), all);
}

// (area - size) div 2 toward zero, for the sizes of every screen and for the
// extremes whose difference leaves 32 bits.
TEST(Text, CentreOffsetTruncatesTowardZeroForEverySize) {
    constexpr int kMax = 2147483647, kMin = -2147483647 - 1;
    struct Case {
        int area, size, offset;
    } cases[] = {
        {1280, 1024, 128}, {800, 1024, -112}, {600, 768, -84}, {719, 720, 0}, {700, 720, -10},
        {1, 0, 0},         {0, 1, 0},         {3, 0, 1},       {0, 3, -1},    {kMax, 0, kMax / 2},
        {kMax, kMin, kMax}, {kMin, kMax, kMin + 1}, {0, kMax, -(kMax / 2)}, {kMax, kMax, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CentreOffset(c.area, c.size), c.offset) << c.area << " " << c.size;
}

TEST(Text, OemCodePageOfTheCommandInterpreter) {
    const std::string ansi = Ru("C:\\Мои игры\\ёЁ №");
    const auto oem = AnsiToOem(ansi, 866);
    ASSERT_TRUE(oem);
    EXPECT_EQ(*oem, "C:\\\x8C\xAE\xA8 \xA8\xA3\xE0\xEB\\\xF1\xF0 \xFC");
    EXPECT_EQ(OemToAnsi(*oem, 866), ansi);
    EXPECT_EQ(AnsiToOem(ansi, 1251), ansi);
    // What the code page lacks cannot be named in it.
    EXPECT_FALSE(AnsiToOem(Ru("a€"), 866));
    EXPECT_FALSE(AnsiToOem(ansi, 437));
    EXPECT_EQ(AnsiToOem("C:\\Games 100%", 437), "C:\\Games 100%");
    EXPECT_EQ(OemToAnsi("\x8C", 437), "?");
}

TEST(Text, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(AsciiLower(Ru("QUIT Вельвинор")), Ru("quit Вельвинор"));
    EXPECT_EQ(Trim("\t  Score \r\n"), "Score");
}

// The path rules in both conventions; one row per path.
TEST(Text, PathPiecesInBothStyles) {
    struct Row {
        PathStyle style;
        const char* path;
        const char* folder;
        const char* name;
        const char* drive;
        const char* ext;
    };
    const Row rows[] = {
        {PathStyle::Windows, "D:\\SWF\\Game.swf", "D:\\SWF\\", "Game.swf", "D:", ".swf"},
        {PathStyle::Windows, "\\\\server\\share\\x.mpg", "\\\\server\\share\\", "x.mpg", "\\\\server\\share", ".mpg"},
        {PathStyle::Windows, "D:\\a.rtf.txt", "D:\\", "a.rtf.txt", "D:", ".txt"},
        {PathStyle::Windows, "D:\\a.b\\c", "D:\\a.b\\", "c", "D:", ""},
        {PathStyle::Windows, "D:x/y.swf", "D:", "x/y.swf", "D:", ".swf"},
        {PathStyle::Posix, "/media/cdrom/SWF/Game.swf", "/media/cdrom/SWF/", "Game.swf", "/media/cdrom/SWF/", ".swf"},
        {PathStyle::Posix, "/home/a.b/c", "/home/a.b/", "c", "/home/a.b/", ""},
        {PathStyle::Posix, "/disc/D:\\x.mpg", "/disc/", "D:\\x.mpg", "/disc/", ".mpg"},
        {PathStyle::Posix, "SWF/lesson1.mpg", "SWF/", "lesson1.mpg", "", ".mpg"},
        {PathStyle::Posix, "velvinor", "", "velvinor", "", ""},
    };
    for (const Row& r : rows) {
        SetPathStyle(r.style);
        SCOPED_TRACE(r.path);
        EXPECT_EQ(ExtractFilePath(r.path), r.folder);
        EXPECT_EQ(ExtractFileName(r.path), r.name);
        EXPECT_EQ(ExtractFileDrive(r.path), r.drive);
        EXPECT_EQ(ExtractFileExt(r.path), r.ext);
    }
    SetPathStyle(PathStyle::Posix);
    EXPECT_EQ(IncludeTrailingBackslash("/opt/game"), "/opt/game/");
    EXPECT_EQ(ExcludeTrailingBackslash("/opt/game/"), "/opt/game");
    EXPECT_EQ(product::MovieFolder("/opt/game/"), "/opt/game/SWF/");
    SetPathStyle(PathStyle::Windows);
    EXPECT_EQ(IncludeTrailingBackslash("C:\\x"), "C:\\x\\");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\x/"), "C:\\x/");
    EXPECT_EQ(product::MovieFolder("D:\\"), "D:\\SWF\\");
    EXPECT_EQ(Pos("Velvinor", "D:\\Velvinor1\\"), 4u);
    EXPECT_EQ(Pos("Velvinor", "D:\\velvinor"), 0u);
}

}  // namespace
}  // namespace vel
