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

}  // namespace
}  // namespace vel
