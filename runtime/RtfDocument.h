#pragma once
// A rich-text (RTF) document read into what a view shows: paragraphs, tables and
// pictures, each run of text with its own formatting. Any byte string reads; what
// the reader does not know is left out, never shown as markup.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

struct RtfFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;            // the size of the letters
    std::int64_t color = -1;        // 0x00RRGGBB, or -1 for the view's own
    std::string face;               // the font's name (UTF-8), empty for the view's own
    bool operator==(const RtfFormat&) const = default;
};

struct RtfPicture {
    enum class Kind { Png, Jpeg, Other };  // Other: a format no view here decodes (metafiles)
    Kind kind = Kind::Other;
    std::string bytes;
    int widthTwips = 0;   // as the document sizes it; 0 when it does not say
    int heightTwips = 0;
};

// A piece of a paragraph: text in one format, a line break, a tab or a picture.
struct RtfInline {
    enum class Kind { Text, LineBreak, Tab, Picture };
    Kind kind = Kind::Text;
    std::string text;  // UTF-8
    RtfFormat format;
    RtfPicture picture;
};

struct RtfParagraph {
    enum class Align { Left, Centre, Right, Justify };
    Align align = Align::Left;
    int leftTwips = 0, rightTwips = 0, firstTwips = 0;  // indents
    std::vector<RtfInline> items;
};

struct RtfCell {
    std::vector<RtfParagraph> paragraphs;
};
struct RtfRow {
    std::vector<RtfCell> cells;
};

// A paragraph, or a table (rows of cells) when `rows` is not empty.
struct RtfBlock {
    RtfParagraph paragraph;
    std::vector<RtfRow> rows;
};

struct RtfDocument {
    std::vector<RtfBlock> blocks;
    bool lastOpen = false;  // the last paragraph ends with the document, not with a mark
};

RtfDocument ReadRtfDocument(std::string_view rtf);

// The document's text as a view shows it, in UTF-8: paragraphs and line breaks end
// with "\n" (the last one only where it has its mark), tabs stay, a table's cells are separated by tabs and end their row
// with "\n"; a picture is no text.
std::string TextOfRtfDocument(const RtfDocument& document);

}  // namespace vel
