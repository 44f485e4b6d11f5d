// The rich-text converter against Debian's unrtf: a parents' document in code page
// 1251, and what must not reach the viewer or hold the game.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "LinuxTestSupport.h"
#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

// "Дорогие родители!" in bold, as the disc's document writes it: code page 1251 escapes.
const char* const kParents =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\r\n"
    "\\f0\\b \\'c4\\'ee\\'f0\\'ee\\'e3\\'e8\\'e5 \\'f0\\'ee\\'e4\\'e8\\'f2\\'e5\\'eb\\'e8!\\b0\\par\r\n"
    "<script>alert(1)</script>\\par}\r\n";

// The text of an HTML document with its character references resolved (the ones
// unrtf writes: decimal), markup left in.
std::string Resolved(const std::string& html) {
    std::string out;
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html.compare(i, 2, "&#") == 0) {
            std::size_t end = html.find(';', i);
            if (end != std::string::npos && end > i + 2) {
                std::u16string one(1, static_cast<char16_t>(std::strtoul(html.substr(i + 2, end - i - 2).c_str(), nullptr, 10)));
                out += WideToUtf8(one);
                i = end;
                continue;
            }
        }
        out += html[i];
    }
    return out;
}

TEST(RichTextConverter, TurnsAParentsDocumentIntoHtmlForTheViewer) {
    RichText shown = RtfToHtml(kParents, 12318969);
    ASSERT_TRUE(shown.ok) << shown.error;
    const std::string text = Resolved(shown.html);
    EXPECT_NE(text.find("<b>Дорогие родители!"), std::string::npos) << shown.html;
    EXPECT_NE(shown.html.find("background: #f9f8bb"), std::string::npos) << "the viewer's pale yellow";
    EXPECT_NE(shown.html.find("Content-Security-Policy"), std::string::npos);
    EXPECT_EQ(shown.html.find("<script>"), std::string::npos) << "the document's text stays text";

    TempFolder temp;
    WriteText(temp.path + "/Родителям.rtf", kParents);
    RichText fromFile = RtfFileToHtml(temp.path + "/Родителям.rtf", 12318969);
    EXPECT_TRUE(fromFile.ok) << fromFile.error;
    EXPECT_EQ(fromFile.html, shown.html);
}

TEST(RichTextConverter, RefusesWithAReasonTheUserCanRead) {
    TempFolder temp;
    WriteText(temp.path + "/big.rtf", "{\\rtf1 " + std::string(5 * 1024 * 1024, 'x') + "}");
    struct Case {
        RichText result;
        const char* reason;
    } cases[] = {
        {RtfToHtml("plain text, not rich"), "не документ в формате RTF"},
        {RtfToHtml("{\\rtf1 " + std::string(5 * 1024 * 1024, 'x') + "}"), "слишком большой: 5121 Кб"},
        {RtfFileToHtml(temp.path + "/big.rtf"), "слишком большой: 5121 Кб"},
        {RtfFileToHtml(temp.path + "/missing.rtf"), "не открывается"},
        // Nesting that crashes unrtf: the game goes on and says so.
        {RtfToHtml("{\\rtf1 " + std::string(200000, '{') + "x" + std::string(200000, '}') + "}"), "не смогла его разобрать"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.result.ok) << c.reason;
        EXPECT_TRUE(c.result.html.empty()) << c.reason;
        EXPECT_NE(c.result.error.find(c.reason), std::string::npos) << c.result.error;
    }
}

TEST(RichTextConverter, SaysSoWhenUnrtfIsMissing) {
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    RichText shown = RtfToHtml(kParents);
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(shown.ok);
    EXPECT_NE(shown.error.find("unrtf"), std::string::npos) << shown.error;
}

}  // namespace
}  // namespace vel::lnx
