// The rich-text converter: what the viewer's web view gets for a document, and what
// must not reach it as markup.

#include <gtest/gtest.h>

#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

TEST(RichTextConverter, WritesTheDocumentAsHtmlForTheViewer) {
    const std::string html = RtfToHtml(
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}{\\colortbl;\\red0\\green128\\blue255;}\r\n"
        "\\qc\\f0\\fs28\\b \\'c4\\'ee\\'f0\\'ee\\'e3\\'e8\\'e5 \\'f0\\'ee\\'e4\\'e8\\'f2\\'e5\\'eb\\'e8!\\b0\\par\r\n"
        "\\pard\\li720\\plain\\cf1\\i <script>alert(1)</script> & \\{x\\}\\i0\\tab y\\par\r\n"
        "\\pard\\trowd\\cellx100\\cellx200\\intbl a\\cell b\\cell\\row\\pard\r\n"
        "{\\pict\\pngblip\\picwgoal300\\pichgoal150 89504e47}{\\pict\\wmetafile8\\picwgoal600\\pichgoal300 0102}\\par}",
        12318969);
    for (const char* part : {
             "background: #f9f8bb",  // the viewer's pale yellow
             "Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; img-src data:\"",
             "<p style=\"text-align:center\"><span style=\"font-size:14pt;font-weight:bold;font-family:'Arial', "
             "sans-serif\">Дорогие родители!</span></p>",
             "<p style=\"text-align:left;margin-left:48px\"><span style=\"font-size:12pt;font-style:italic;color:#0080ff;"
             "font-family:'Arial', sans-serif\">&lt;script&gt;alert(1)&lt;/script&gt; &amp; {x}</span>\t",
             "<table>\n<tr><td><p style=\"text-align:left\"><span",
             ">a</span></p>\n</td><td>",
             "<img alt=\"\" width=\"20\" height=\"10\" src=\"data:image/png;base64,iVBORw==\">",
             // A metafile keeps its place as a frame.
             "<span class=\"frame\" style=\"display:inline-block;box-sizing:border-box;border:1px solid "
             "#808080;width:40px;height:20px\"></span>",
         })
        EXPECT_NE(html.find(part), std::string::npos) << part << "\n" << html;
    EXPECT_EQ(html.find("<script"), std::string::npos) << "the document's text stays text";
}

TEST(RichTextConverter, AFontNameCannotLeaveItsStyle) {
    const std::string html = RtfToHtml("{\\rtf1{\\fonttbl{\\f0 A'<b>\\\\\"x;}}\\f0 t}");
    EXPECT_NE(html.find("font-family:'Abx', sans-serif\">t</span>"), std::string::npos) << html;
}

}  // namespace
}  // namespace vel::lnx
