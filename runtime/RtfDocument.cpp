#include "runtime/RtfDocument.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "runtime/Text.h"

namespace vel {
namespace {

// Deeper groups are counted but share the state of the deepest kept one: a document
// of nothing but braces must not cost a state each.
constexpr std::size_t kDeepestKept = 1024;

// One byte of an 8-bit code page: 1251 as the program's own text, anything else as
// 1252 (the Western code page documents default to).
char32_t FromCodePage(unsigned char byte, int codePage) {
    if (byte < 0x80) return byte;
    if (codePage == 1251) return AnsiToWide(std::string(1, static_cast<char>(byte)))[0];
    static const char16_t k1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return byte < 0xA0 ? k1252[byte - 0x80] : byte;
}

// The code page a font's character set names; 0 (the document's own) when it names none.
int CodePageOfCharset(int charset) {
    switch (charset) {
        case 204: return 1251;
        case 238: return 1250;
        case 161: return 1253;
        case 162: return 1254;
        case 186: return 1257;
        default: return 0;
    }
}

struct Font {
    std::string name;
    int codePage = 0;
};

enum class Destination { Text, Skip, FontTable, ColorTable, Picture };

struct State {
    Destination destination = Destination::Text;
    bool ownsPicture = false;  // the group that began the picture: it ends there
    RtfFormat format;
    int font = -1;
    int color = 0;
    int skipAfterUnicode = 1;
    RtfParagraph::Align align = RtfParagraph::Align::Left;
    int left = 0, right = 0, first = 0;
    bool inTable = false;
};

const std::set<std::string, std::less<>> kSkipped = {
    "stylesheet", "info",       "header",        "headerl",   "headerr",    "headerf",
    "footer",     "footerl",    "footerr",       "footerf",   "listtable",  "listoverridetable",
    "rsidtbl",    "themedata",  "colorschememapping", "datastore", "latentstyles", "generator",
    "xmlnstbl",   "nonshppict", "footnote",      "annotation", "revtbl",    "filetbl",
    "fldinst",    "bkmkstart",  "bkmkend",       "objdata",   "objclass",   "mmathPr"};

const std::map<std::string, char32_t, std::less<>> kSymbols = {
    {"emdash", 0x2014},  {"endash", 0x2013},    {"emspace", 0x2003},   {"enspace", 0x2002}, {"qmspace", 0x2005},
    {"bullet", 0x2022},  {"lquote", 0x2018},    {"rquote", 0x2019},    {"ldblquote", 0x201C},
    {"rdblquote", 0x201D}};

class Reader {
public:
    explicit Reader(std::string_view rtf) : m_rtf(rtf) {}

    RtfDocument Read() {
        m_states.emplace_back();
        while (m_at < m_rtf.size()) {
            const char c = m_rtf[m_at++];
            if (c == '{') Open();
            else if (c == '}') Close();
            else if (c == '\\') Control();
            else if (c == '\r' || c == '\n') continue;
            else Byte(static_cast<unsigned char>(c));
        }
        if (!m_paragraph.items.empty()) {
            Now().inTable = false;
            EndParagraph();
            m_document.lastOpen = true;
        }
        return std::move(m_document);
    }

private:
    State& Now() { return m_states.back(); }

    void Open() {
        m_toSkip = 0;
        if (m_states.size() >= kDeepestKept) {
            ++m_unkept;
            return;
        }
        m_states.push_back(Now());
        Now().ownsPicture = false;
        m_starred = false;
    }

    void Close() {
        m_toSkip = 0;
        if (m_unkept > 0) {
            --m_unkept;
            return;
        }
        if (m_states.size() <= 1) return;  // a "}" without its "{"
        const State closed = Now();
        m_states.pop_back();
        if (closed.ownsPicture) EndPicture();
        if (closed.destination == Destination::FontTable && m_states.size() >= 1) EndFontName();
    }

    void Control() {
        if (m_at >= m_rtf.size()) return;
        const char c = m_rtf[m_at++];
        if (std::isalpha(static_cast<unsigned char>(c))) return Word();
        switch (c) {
            case '\\':
            case '{':
            case '}': return Byte(static_cast<unsigned char>(c));
            case '\'': {
                if (m_at + 2 > m_rtf.size()) return;
                const int high = Hex(m_rtf[m_at]), low = Hex(m_rtf[m_at + 1]);
                if (high < 0 || low < 0) return;
                m_at += 2;
                return Byte(static_cast<unsigned char>(high * 16 + low), true);
            }
            case '~': return Symbol(0x00A0);
            case '_': return Symbol(0x2011);
            case '*': m_starred = true; return;
            case '\r':
            case '\n': m_toSkip = 0; return Paragraph();
            default: m_toSkip = 0; return;  // an optional hyphen and the like
        }
    }

    static int Hex(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void Word() {
        const std::size_t start = m_at - 1;
        while (m_at < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[m_at]))) ++m_at;
        const std::string_view word = m_rtf.substr(start, m_at - start);
        bool hasNumber = false;
        long long number = 0;
        bool negative = false;
        if (m_at < m_rtf.size() && m_rtf[m_at] == '-') {
            negative = true;
            ++m_at;
        }
        while (m_at < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_at]))) {
            hasNumber = true;
            if (number < 100000000) number = number * 10 + (m_rtf[m_at] - '0');
            ++m_at;
        }
        if (negative) number = -number;
        if (m_at < m_rtf.size() && m_rtf[m_at] == ' ') ++m_at;  // the delimiting blank
        const int n = static_cast<int>(number);
        if (word == "bin") {
            // Raw bytes: they belong to a picture or to nothing.
            const std::size_t count = std::min<std::size_t>(number > 0 ? static_cast<std::size_t>(number) : 0,
                                                            m_rtf.size() - m_at);
            if (Now().destination == Destination::Picture) m_picture.bytes.append(m_rtf.substr(m_at, count));
            m_at += count;
            return;
        }
        if (word != "u" && m_toSkip > 0) {
            --m_toSkip;
            return;
        }
        const bool starred = m_starred;
        m_starred = false;
        State& s = Now();
        if (s.destination == Destination::Skip) return;
        // A "\*" group the reader does not know holds nothing of the document's, inside
        // a picture or a font's entry as well (hexadecimal ids there would read as data).
        if (starred && word != "shppict") {
            s.destination = Destination::Skip;
            return;
        }
        if (s.destination == Destination::FontTable) return FontWord(word, n);
        if (s.destination == Destination::ColorTable) return ColorWord(word, n);
        if (s.destination == Destination::Picture) return PictureWord(word, n, hasNumber);

        if (word == "fonttbl") {
            s.destination = Destination::FontTable;
        } else if (word == "colortbl") {
            s.destination = Destination::ColorTable;
            m_colors.clear();
            m_red = m_green = m_blue = 0;
            m_colorNamed = false;
        } else if (word == "pict") {
            s.destination = Destination::Picture;
            s.ownsPicture = true;
            m_picture = {};
            m_pictureSize = {};
        } else if (kSkipped.count(word)) {
            s.destination = Destination::Skip;
        } else if (word == "par") {
            Paragraph();
        } else if (word == "line") {
            Item(RtfInline::Kind::LineBreak);
        } else if (word == "tab") {
            Item(RtfInline::Kind::Tab);
        } else if (auto symbol = kSymbols.find(word); symbol != kSymbols.end()) {
            Symbol(symbol->second);
        } else if (word == "u") {
            Unicode(number);
        } else if (word == "uc") {
            s.skipAfterUnicode = std::max(n, 0);
        } else if (word == "ansicpg") {
            m_codePage = n;
        } else if (word == "deff") {
            m_defaultFont = n;
        } else if (word == "plain") {
            s.format = RtfFormat{};
            s.font = -1;
            s.color = 0;
        } else if (word == "b") {
            s.format.bold = !hasNumber || n != 0;
        } else if (word == "i") {
            s.format.italic = !hasNumber || n != 0;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "ulth") {
            s.format.underline = !hasNumber || n != 0;
        } else if (word == "ulnone") {
            s.format.underline = false;
        } else if (word == "fs") {
            s.format.halfPoints = hasNumber && n > 0 ? n : 24;
        } else if (word == "cf") {
            s.color = n;
        } else if (word == "f") {
            s.font = n;
        } else if (word == "pard") {
            s.align = RtfParagraph::Align::Left;
            s.left = s.right = s.first = 0;
            s.inTable = false;
        } else if (word == "ql") {
            s.align = RtfParagraph::Align::Left;
        } else if (word == "qc") {
            s.align = RtfParagraph::Align::Centre;
        } else if (word == "qr") {
            s.align = RtfParagraph::Align::Right;
        } else if (word == "qj") {
            s.align = RtfParagraph::Align::Justify;
        } else if (word == "li" || word == "lin") {
            s.left = n;
        } else if (word == "ri" || word == "rin") {
            s.right = n;
        } else if (word == "fi") {
            s.first = n;
        } else if (word == "intbl") {
            s.inTable = true;
        } else if (word == "cell") {
            EndCell();
        } else if (word == "row") {
            EndRow();
        } else if (word == "nestcell") {
            Item(RtfInline::Kind::Tab);
        } else if (word == "nestrow") {
            Item(RtfInline::Kind::LineBreak);
        }
    }

    void FontWord(std::string_view word, int n) {
        if (word == "f") {
            EndFontName();
            m_font = n;
            m_fonts[n] = Font{};
            m_fontName.clear();
        } else if (word == "fcharset") {
            m_fonts[m_font].codePage = CodePageOfCharset(n);
        } else if (word == "cpg") {
            m_fonts[m_font].codePage = n;
        }
    }

    void EndFontName() {
        if (m_font < 0 || m_fontName.empty()) return;
        std::string& name = m_fonts[m_font].name;
        if (name.empty()) name = m_fontName;
        m_fontName.clear();
    }

    void ColorWord(std::string_view word, int n) {
        const int value = std::clamp(n, 0, 255);
        if (word == "red") m_red = value;
        else if (word == "green") m_green = value;
        else if (word == "blue") m_blue = value;
        else return;
        m_colorNamed = true;
    }

    void PictureWord(std::string_view word, int n, bool hasNumber) {
        if (word == "pngblip") m_picture.kind = RtfPicture::Kind::Png;
        else if (word == "jpegblip") m_picture.kind = RtfPicture::Kind::Jpeg;
        else if (word == "emfblip" || word == "wmetafile" || word == "macpict" || word == "dibitmap" ||
                 word == "wbitmap" || word == "pmmetafile")
            m_picture.kind = RtfPicture::Kind::Other;
        else if (!hasNumber) return;
        else if (word == "picw") m_pictureSize.pixelsWide = n;
        else if (word == "pich") m_pictureSize.pixelsHigh = n;
        else if (word == "picwgoal") m_pictureSize.goalWide = n;
        else if (word == "pichgoal") m_pictureSize.goalHigh = n;
        else if (word == "picscalex") m_pictureSize.scaleX = n;
        else if (word == "picscaley") m_pictureSize.scaleY = n;
    }

    void EndPicture() {
        // The goal size in twips, else pixels at 96 to the inch (15 twips each).
        auto size = [](int goal, int pixels, int scale) {
            const long long twips = goal > 0 ? goal : static_cast<long long>(std::max(pixels, 0)) * 15;
            return static_cast<int>(std::clamp<long long>(twips * (scale > 0 ? scale : 100) / 100, 0, 1 << 24));
        };
        m_picture.widthTwips = size(m_pictureSize.goalWide, m_pictureSize.pixelsWide, m_pictureSize.scaleX);
        m_picture.heightTwips = size(m_pictureSize.goalHigh, m_pictureSize.pixelsHigh, m_pictureSize.scaleY);
        m_hexHigh = -1;
        if (Now().destination != Destination::Text) return;
        RtfInline item;
        item.kind = RtfInline::Kind::Picture;
        item.picture = std::move(m_picture);
        m_paragraph.items.push_back(std::move(item));
        m_picture = {};
    }

    void Byte(unsigned char byte, bool escaped = false) {
        State& s = Now();
        if (s.destination == Destination::Picture) {
            const int digit = Hex(static_cast<char>(byte));
            if (escaped || digit < 0) return;
            if (m_hexHigh < 0) {
                m_hexHigh = digit;
            } else {
                m_picture.bytes += static_cast<char>(m_hexHigh * 16 + digit);
                m_hexHigh = -1;
            }
            return;
        }
        if (m_toSkip > 0) {
            --m_toSkip;
            return;
        }
        if (s.destination == Destination::FontTable) {
            if (byte == ';' && !escaped) EndFontName();
            else AppendUtf8(m_fontName, FromCodePage(byte, m_codePage));
            return;
        }
        if (s.destination == Destination::ColorTable) {
            if (byte == ';' && !escaped) {
                m_colors.push_back(m_colorNamed ? (m_red << 16 | m_green << 8 | m_blue) : -1);
                m_red = m_green = m_blue = 0;
                m_colorNamed = false;
            }
            return;
        }
        if (s.destination != Destination::Text) return;
        if (byte == '\t' && !escaped) return Item(RtfInline::Kind::Tab);
        if (byte < 0x20 && !escaped) return;
        Text(FromCodePage(byte, CodePage()));
    }

    int CodePage() {
        const int font = Now().font >= 0 ? Now().font : m_defaultFont;
        if (auto found = m_fonts.find(font); found != m_fonts.end() && found->second.codePage) return found->second.codePage;
        return m_codePage;
    }

    void Unicode(long long number) {
        char32_t code = static_cast<char32_t>(number < 0 ? number + 65536 : number) & 0xFFFF;
        m_toSkip = Now().skipAfterUnicode;
        if (code >= 0xD800 && code < 0xDC00) {
            m_highSurrogate = code;
            return;
        }
        if (code >= 0xDC00 && code < 0xE000) {
            if (m_highSurrogate == 0) return;
            code = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (code - 0xDC00);
        }
        m_highSurrogate = 0;
        Text(code);
    }

    void Symbol(char32_t code) {
        if (Now().destination != Destination::Text) return;
        m_toSkip = 0;
        Text(code);
    }

    RtfFormat Format() {
        const State& s = Now();
        RtfFormat format = s.format;
        if (s.color > 0 && static_cast<std::size_t>(s.color) < m_colors.size()) format.color = m_colors[s.color];
        const int font = s.font >= 0 ? s.font : m_defaultFont;
        if (auto found = m_fonts.find(font); found != m_fonts.end()) format.face = found->second.name;
        return format;
    }

    void Text(char32_t code) {
        if (Now().destination != Destination::Text) return;
        RtfFormat format = Format();
        if (m_paragraph.items.empty() || m_paragraph.items.back().kind != RtfInline::Kind::Text ||
            !(m_paragraph.items.back().format == format)) {
            RtfInline item;
            item.format = std::move(format);
            m_paragraph.items.push_back(std::move(item));
        }
        AppendUtf8(m_paragraph.items.back().text, code);
    }

    void Item(RtfInline::Kind kind) {
        if (Now().destination != Destination::Text) return;
        m_toSkip = 0;
        RtfInline item;
        item.kind = kind;
        item.format = Format();
        m_paragraph.items.push_back(std::move(item));
    }

    // The paragraph takes the properties in force where it ends.
    RtfParagraph Finished() {
        const State& s = Now();
        RtfParagraph done = std::move(m_paragraph);
        done.align = s.align;
        done.leftTwips = s.left;
        done.rightTwips = s.right;
        done.firstTwips = s.first;
        m_paragraph = {};
        return done;
    }

    void Paragraph() {
        if (Now().destination != Destination::Text) return;
        EndParagraph();
    }

    void EndParagraph() {
        if (Now().inTable) {
            m_cell.paragraphs.push_back(Finished());
            return;
        }
        m_tableOpen = false;
        RtfBlock block;
        block.paragraph = Finished();
        m_document.blocks.push_back(std::move(block));
    }

    void EndCell() {
        if (!m_paragraph.items.empty() || m_cell.paragraphs.empty()) m_cell.paragraphs.push_back(Finished());
        m_row.cells.push_back(std::move(m_cell));
        m_cell = {};
    }

    void EndRow() {
        if (!m_paragraph.items.empty() || !m_cell.paragraphs.empty()) EndCell();
        if (!m_tableOpen) {
            m_document.blocks.emplace_back();
            m_tableOpen = true;
        }
        m_document.blocks.back().rows.push_back(std::move(m_row));
        m_row = {};
    }

    std::string_view m_rtf;
    std::size_t m_at = 0;
    std::vector<State> m_states;
    std::size_t m_unkept = 0;
    bool m_starred = false;
    int m_toSkip = 0;
    char32_t m_highSurrogate = 0;
    int m_codePage = 1251;  // the system's, where the document names none
    int m_defaultFont = 0;

    std::map<int, Font> m_fonts;
    int m_font = -1;
    std::string m_fontName;

    std::vector<std::int64_t> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorNamed = false;

    RtfPicture m_picture;
    struct {
        int pixelsWide = 0, pixelsHigh = 0, goalWide = 0, goalHigh = 0, scaleX = 0, scaleY = 0;
    } m_pictureSize;
    int m_hexHigh = -1;

    RtfDocument m_document;
    RtfParagraph m_paragraph;
    RtfCell m_cell;
    RtfRow m_row;
    bool m_tableOpen = false;
};

void AppendParagraphText(std::string& out, const RtfParagraph& paragraph) {
    for (const RtfInline& item : paragraph.items) {
        switch (item.kind) {
            case RtfInline::Kind::Text: out += item.text; break;
            case RtfInline::Kind::LineBreak: out += '\n'; break;
            case RtfInline::Kind::Tab: out += '\t'; break;
            case RtfInline::Kind::Picture: break;
        }
    }
}

}  // namespace

RtfDocument ReadRtfDocument(std::string_view rtf) { return Reader(rtf).Read(); }

std::string TextOfRtfDocument(const RtfDocument& document) {
    std::string out;
    for (const RtfBlock& block : document.blocks) {
        if (block.rows.empty()) {
            AppendParagraphText(out, block.paragraph);
            if (&block != &document.blocks.back() || !document.lastOpen) out += '\n';
            continue;
        }
        for (const RtfRow& row : block.rows) {
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                if (c > 0) out += '\t';
                for (std::size_t p = 0; p < row.cells[c].paragraphs.size(); ++p) {
                    if (p > 0) out += '\n';
                    AppendParagraphText(out, row.cells[c].paragraphs[p]);
                }
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace vel
