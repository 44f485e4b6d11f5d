#include "runtime/RtfDocument.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(RtfDocument, TextIsWhatTheWritersMeant) {
    struct Case {
        std::string rtf;
        std::string text;  // UTF-8
    } cases[] = {
        // "\uN" with its stand-in skipped: one character by default, none after "\uc0",
        // a "\'xx" counting as one; a digit after the stand-in stays.
        {R"({\rtf1\ansi 4\u8211-5 \u1083?\u1077?\u1090?\par})", "4–5 лет\n"},
        {R"({\rtf1\ansi\uc0\u1055 \u1072  \u1076 \par})", "Па д\n"},
        {R"({\rtf1\ansi 4\uc1\u8211\'965\uc2\u1044\'c4\'c4x\par})", "4–5Дx\n"},
        {R"({\rtf1 \u-10179?\u-8704?!})", "😀!"},
        // "\'xx" in the document's code page (the system's where it names none), or in
        // the one its font's character set names.
        {R"({\rtf1\ansi\ansicpg1251 \'c4\'e0\par})", "Да\n"},
        {R"({\rtf1 \'c4\'e0})", "Да"},
        {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 Arial;}{\f1\fcharset0 Arial;}}\f0\'c4\'e0 \f1\'c4\'96})",
         "Да Ä–"},
        // Special characters by name.
        {R"({\rtf1 a\~b\emdash c\endash d\lquote e\rquote\ldblquote f\rdblquote\bullet\_\-x})",
         "a\u00A0b—c–d‘e’“f”•\u2011x"},
        // Breaks, tabs; escapes; line ends in the source are no text.
        {"{\\rtf1 a\\line b\\tab c\tz\\\r\nd\r\ne \\{\\}\\\\}", "a\nb\tc\tz\nde {}\\"},
        // What is not text: tables of fonts, colours and styles, metadata, "\*"
        // destinations, a field's instruction (its result shows), the second form of a picture.
        {R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1;}{\stylesheet{\s1 H;}}{\info{\title T}}A{\*\x y}B)"
         R"({\field{\*\fldinst HYPERLINK "u"}{\fldrslt C}}{\nonshppict{\pict\wmetafile8 00}}D{\header h\par}})",
         "ABCD"},
        // A table: cells by tabs, rows by lines; the paragraph after it on its own.
        {R"({\rtf1\trowd\cellx100\cellx200\pard\intbl a\cell b\par c\cell\row)"
         R"(\trowd\cellx100\cellx200\pard\intbl\cell d\cell\row\pard after\par})",
         "a\tb\nc\n\td\nafter\n"},
        // Cut short, or closed more than opened: what came before stays.
        {R"({\rtf1 abc\)", "abc"},
        {R"({\rtf1 a}}}b)", "ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextOfRtfDocument(ReadRtfDocument(c.rtf)), c.text) << c.rtf;
}

TEST(RtfDocument, RunsCarryTheirFormat) {
    const RtfDocument doc = ReadRtfDocument(
        R"({\rtf1{\fonttbl{\f0{\*\panose 020b0604020202020204}Arial;}{\f1\fcharset204 Times New Roman;}})"
        R"({\colortbl;\red255\green0\blue0;})"
        R"(\f0 a{\b b\i c}\b0 d\ul e\ulnone\f1\fs32\cf1 f\plain g\par})");
    ASSERT_EQ(doc.blocks.size(), 1u);
    const auto& items = doc.blocks[0].paragraph.items;
    struct Expected {
        const char* text;
        bool bold, italic, underline;
        int halfPoints;
        std::int64_t color;
        const char* face;
    } expected[] = {
        {"a", false, false, false, 24, -1, "Arial"},
        {"b", true, false, false, 24, -1, "Arial"},
        {"c", true, true, false, 24, -1, "Arial"},
        {"d", false, false, false, 24, -1, "Arial"},
        {"e", false, false, true, 24, -1, "Arial"},
        {"f", false, false, false, 32, 0xFF0000, "Times New Roman"},
        {"g", false, false, false, 24, -1, "Arial"},
    };
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(items[i].text, e.text);
        EXPECT_EQ(items[i].format, (RtfFormat{e.bold, e.italic, e.underline, e.halfPoints, e.color, e.face})) << e.text;
    }
}

TEST(RtfDocument, ParagraphsTakeThePropertiesInForceAtTheirMark) {
    const RtfDocument doc =
        ReadRtfDocument(R"({\rtf1\qc\li720\ri360\fi-360 a\par{\pard\qr b\par}\pard\qj c\par})");
    ASSERT_EQ(doc.blocks.size(), 3u);
    const RtfParagraph& a = doc.blocks[0].paragraph;
    EXPECT_EQ(a.align, RtfParagraph::Align::Centre);
    EXPECT_EQ(a.leftTwips, 720);
    EXPECT_EQ(a.rightTwips, 360);
    EXPECT_EQ(a.firstTwips, -360);
    EXPECT_EQ(doc.blocks[1].paragraph.align, RtfParagraph::Align::Right);
    EXPECT_EQ(doc.blocks[2].paragraph.align, RtfParagraph::Align::Justify);
    EXPECT_EQ(doc.blocks[2].paragraph.leftTwips, 0);
}

TEST(RtfDocument, PicturesKeepTheirBytesAndSize) {
    struct Case {
        std::string rtf;
        RtfPicture::Kind kind;
        std::string bytes;
        int width, height;
    } cases[] = {
        {R"({\pict\pngblip\picw40\pich30\picwgoal800\pichgoal600 89504e47})", RtfPicture::Kind::Png, "\x89PNG", 800, 600},
        // Scaled; the data's line ends and case are no matter.
        {"{\\*\\shppict{\\pict\\jpegblip\\picw2\\pich2\\picscalex50\\picscaley200 FF\r\nd8}}", RtfPicture::Kind::Jpeg,
         "\xFF\xD8", 15, 60},
        // A metafile: kept as a picture no view decodes, sized from its goal.
        {R"({\pict\wmetafile8\picw100\pich50\picwgoal1500\pichgoal750 0102})", RtfPicture::Kind::Other, "\x01\x02", 1500,
         750},
        // The picture's own "\*" groups are no data, hexadecimal as they may look.
        {R"({\pict{\*\picprop{\sp{\sn wzDescription}{\sv abc}}}\pngblip{\*\blipuid 0123abcd}89504e47})",
         RtfPicture::Kind::Png, "\x89PNG", 0, 0},
        // Binary data, braces and backslashes in it included.
        {std::string("{\\pict\\pngblip\\bin4 {}\\x}"), RtfPicture::Kind::Png, "{}\\x", 0, 0},
    };
    for (const auto& c : cases) {
        const RtfDocument doc = ReadRtfDocument("{\\rtf1 a" + c.rtf + "b}");
        ASSERT_EQ(doc.blocks.size(), 1u) << c.rtf;
        const auto& items = doc.blocks[0].paragraph.items;
        ASSERT_EQ(items.size(), 3u) << c.rtf;
        const RtfPicture& p = items[1].picture;
        EXPECT_EQ(items[1].kind, RtfInline::Kind::Picture);
        EXPECT_EQ(p.kind, c.kind) << c.rtf;
        EXPECT_EQ(p.bytes, c.bytes) << c.rtf;
        EXPECT_EQ(p.widthTwips, c.width) << c.rtf;
        EXPECT_EQ(p.heightTwips, c.height) << c.rtf;
        EXPECT_EQ(items[2].text, "b");
    }
}

TEST(RtfDocument, DeepNestingCostsNoStateAGroup) {
    const std::size_t deep = 1'000'000;
    const RtfDocument doc = ReadRtfDocument(std::string(deep, '{') + "\\b x" + std::string(deep, '}') + "y");
    EXPECT_EQ(TextOfRtfDocument(doc), "xy");
}

}  // namespace
}  // namespace vel
