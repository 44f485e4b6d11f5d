// Rich text for the document viewer: the portable reader's document written as HTML,
// in the program's own memory. Pictures go inline as data; nothing is written anywhere.

#include <glib.h>

#include <cstdio>

#include "platform/linux/services/LinuxServices.h"
#include "runtime/RtfDocument.h"

namespace vel::lnx {
namespace {

constexpr int kTwipsPerPixel = 15;

std::string Hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFF);
    return text;
}

void Escaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
}

// A font's name as a quoted CSS string: what could end it is left out.
std::string FaceCss(const std::string& face) {
    std::string quoted = "'";
    for (const char c : face)
        if (c != '\'' && c != '\\' && c != '"' && c != '<' && c != '>' && c != ';' && static_cast<unsigned char>(c) >= 0x20)
            quoted += c;
    return quoted + "', sans-serif";
}

std::string FormatCss(const RtfFormat& f) {
    std::string css = "font-size:" + std::to_string(f.halfPoints / 2) + (f.halfPoints % 2 ? ".5" : "") + "pt";
    if (f.bold) css += ";font-weight:bold";
    if (f.italic) css += ";font-style:italic";
    if (f.underline) css += ";text-decoration:underline";
    if (f.color >= 0) css += ";color:" + Hex(static_cast<std::uint32_t>(f.color));
    if (!f.face.empty()) css += ";font-family:" + FaceCss(f.face);
    return css;
}

void Picture(std::string& out, const RtfPicture& p) {
    const int width = p.widthTwips / kTwipsPerPixel, height = p.heightTwips / kTwipsPerPixel;
    std::string size;
    if (width > 0) size += " width=\"" + std::to_string(width) + "\"";
    if (height > 0) size += " height=\"" + std::to_string(height) + "\"";
    if (p.kind == RtfPicture::Kind::Other || p.bytes.empty()) {
        // A format the view cannot show keeps its place as a plain frame.
        out += "<span class=\"frame\" style=\"display:inline-block;box-sizing:border-box;border:1px solid #808080;width:" +
               std::to_string(width > 0 ? width : 32) + "px;height:" + std::to_string(height > 0 ? height : 32) +
               "px\"></span>";
        return;
    }
    gchar* data = g_base64_encode(reinterpret_cast<const guchar*>(p.bytes.data()), p.bytes.size());
    out += std::string("<img alt=\"\"") + size + " src=\"data:image/" +
           (p.kind == RtfPicture::Kind::Png ? "png" : "jpeg") + ";base64," + data + "\">";
    g_free(data);
}

void Paragraph(std::string& out, const RtfParagraph& p) {
    static const char* const kAlign[] = {"left", "center", "right", "justify"};
    out += "<p style=\"text-align:" + std::string(kAlign[static_cast<int>(p.align)]);
    if (p.leftTwips) out += ";margin-left:" + std::to_string(p.leftTwips / kTwipsPerPixel) + "px";
    if (p.rightTwips) out += ";margin-right:" + std::to_string(p.rightTwips / kTwipsPerPixel) + "px";
    if (p.firstTwips) out += ";text-indent:" + std::to_string(p.firstTwips / kTwipsPerPixel) + "px";
    out += "\">";
    for (const RtfInline& item : p.items) {
        switch (item.kind) {
            case RtfInline::Kind::Text:
                out += "<span style=\"" + FormatCss(item.format) + "\">";
                Escaped(out, item.text);
                out += "</span>";
                break;
            case RtfInline::Kind::LineBreak: out += "<br>"; break;
            case RtfInline::Kind::Tab: out += "\t"; break;
            case RtfInline::Kind::Picture: Picture(out, item.picture); break;
        }
    }
    // An empty paragraph still takes its line.
    if (p.items.empty() || p.items.back().kind == RtfInline::Kind::LineBreak) out += "<br>";
    out += "</p>\n";
}

}  // namespace

std::string RtfToHtml(std::string_view rtf, std::uint32_t backColor) {
    const RtfDocument document = ReadRtfDocument(rtf);
    const std::uint32_t back = (backColor & 0xFF) << 16 | (backColor & 0xFF00) | (backColor >> 16 & 0xFF);
    std::string html =
        "<!doctype html>\n<html><head><meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
        "img-src data:\">\n<style>\nhtml, body { background: " +
        Hex(back) +
        "; }\n"
        "body { margin: 4px; font: 11px sans-serif; }\n"
        "p { margin: 0; white-space: pre-wrap; tab-size: 48px; }\n"
        "table { border-collapse: collapse; }\n"
        "td { border: 1px solid #000; vertical-align: top; padding: 1px 4px; }\n"
        "</style></head><body>\n";
    for (const RtfBlock& block : document.blocks) {
        if (block.rows.empty()) {
            Paragraph(html, block.paragraph);
            continue;
        }
        html += "<table>\n";
        for (const RtfRow& row : block.rows) {
            html += "<tr>";
            for (const RtfCell& cell : row.cells) {
                html += "<td>";
                for (const RtfParagraph& p : cell.paragraphs) Paragraph(html, p);
                html += "</td>";
            }
            html += "</tr>\n";
        }
        html += "</table>\n";
    }
    return html + "</body></html>\n";
}

}  // namespace vel::lnx
