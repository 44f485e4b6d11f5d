#include "runtime/RtfText.h"

#include <gtest/gtest.h>

#include "runtime/Text.h"

namespace vel {
namespace {

TEST(RtfText, PlainTextKeepsTheReadableTextOnly) {
    struct Case {
        const char* rtf;
        std::string text;  // code page 1251
    } cases[] = {
        {R"({\rtf1\ansi Hello}\par)", "Hello\r\n"},
        // Tables, pictures and "\*" destinations are dropped, with what they hold.
        {R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0;}\f0 A{\*\generator Writer;}B{\pict 0a0b}C})", "ABC"},
        {R"({\rtf1{\stylesheet{\s1 Heading;}}{\info{\title T}}text})", "text"},
        // A dropped group ends with its brace: what follows shows again.
        {R"({\rtf1{\*\x hidden}{\b shown}})", "shown"},
        // The blank after a control word delimits it; a second blank is text.
        {R"({\rtf1\b  bold\b0 x})", " boldx"},
        {R"({\rtf1 a\line b\tab c\par})", "a\r\nb\tc\r\n"},
        // Line ends in the source are no text.
        {"{\\rtf1 a\r\nb\nc}", "abc"},
        // Escaped braces and backslash, hexadecimal bytes of the document's code page.
        {R"({\rtf1 \{x\}\\ \'c2\'e5})", "{x}\\ \xC2\xE5"},
        // "\uN" in code page 1251; the stand-in character after it is skipped.
        {R"({\rtf1 \u1042?\u-4064?x})", "\xC2?x"},
        {R"({\rtf1 \uc1\u1105 ?})", "\xB8"},
        // A paragraph inside a dropped group adds no line.
        {R"({\rtf1{\header\par}a})", "a"},
        // Cut short: what came before stays.
        {R"({\rtf1 abc\)", "abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(PlainTextOfRtf(c.rtf), c.text) << c.rtf;
}

TEST(RtfText, WeightCountsTheGroupsThatNestAndTheBytesThatAreNoPicture) {
    struct Case {
        std::string rtf;
        RtfWeight weight;
    } cases[] = {
        {"", {0, 0}},
        {R"({\rtf1 a})", {1, 9}},
        {R"({\rtf1{\fonttbl{\f0 Arial;}}{\b{\i x}}})", {3, 39}},
        // Escaped braces are text; an escaped backslash leaves the brace after it one.
        {R"({\rtf1 \{\{\{x\}})", {1, 17}},
        {R"({\rtf1 \\{x}})", {2, 13}},
        // Braces in a picture's binary data count: the view's reader takes them for groups.
        {R"({\rtf1{\pict\bin5 {{{{{}})", {7, 6}},
        // Pictures and objects are data, wherever they are; a word "pict" is text.
        {R"({\rtf1 a{\pict\pngblip 00ff}b})", {2, 10}},
        {R"({\rtf1{\*\shppict{\pict 00}}{\*\objdata 01}x})", {3, 20}},
        {R"({\rtf1{\b pict}{\b\pict 00}})", {2, 28}},
        // Closing more than was opened, or cut short (a picture to the end).
        {"}}}{{", {2, 5}},
        {R"({\rtf1 ab{\pict 0011)", {2, 9}},
        {std::string(2000, '{') + "x" + std::string(2000, '}'), {2000, 4001}},
    };
    for (const auto& c : cases) {
        const RtfWeight weight = WeighRtf(c.rtf);
        EXPECT_EQ(weight.depth, c.weight.depth) << c.rtf.substr(0, 60);
        EXPECT_EQ(weight.textBytes, c.weight.textBytes) << c.rtf.substr(0, 60);
    }
}

}  // namespace
}  // namespace vel
