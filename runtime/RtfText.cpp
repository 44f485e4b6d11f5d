#include "runtime/RtfText.h"

#include <cctype>
#include <cstdlib>
#include <set>
#include <vector>

#include "runtime/Text.h"

namespace vel {

std::string PlainTextOfRtf(std::string_view rtf) {
    static const std::set<std::string> kHidden = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                                  "header", "footer", "listtable", "listoverridetable",
                                                  "rsidtbl", "themedata", "datastore", "latentstyles", "generator"};
    std::string out;
    std::vector<bool> skip{false};
    int ansiToSkip = 0;
    auto emit = [&](char c) {
        if (ansiToSkip > 0) {
            --ansiToSkip;
            return;
        }
        if (!skip.back()) out += c;
    };
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        char c = rtf[i];
        if (c == '{') {
            skip.push_back(skip.back());
        } else if (c == '}') {
            if (skip.size() > 1) skip.pop_back();
        } else if (c == '\r' || c == '\n') {
        } else if (c != '\\') {
            emit(c);
        } else if (i + 1 < rtf.size()) {
            char next = rtf[++i];
            if (next == '\\' || next == '{' || next == '}') {
                emit(next);
            } else if (next == '\'' && i + 2 < rtf.size()) {
                char hex[3] = {rtf[i + 1], rtf[i + 2], 0};
                i += 2;
                emit(static_cast<char>(std::strtol(hex, nullptr, 16)));
            } else if (next == '*') {
                skip.back() = true;
            } else if (std::isalpha(static_cast<unsigned char>(next))) {
                std::string word(1, next);
                while (i + 1 < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i + 1]))) word += rtf[++i];
                std::string number;
                if (i + 1 < rtf.size() && (rtf[i + 1] == '-' || std::isdigit(static_cast<unsigned char>(rtf[i + 1]))))
                    number += rtf[++i];
                while (i + 1 < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i + 1]))) number += rtf[++i];
                if (i + 1 < rtf.size() && rtf[i + 1] == ' ') ++i;  // the delimiting blank
                if (kHidden.count(word)) {
                    skip.back() = true;
                } else if (word == "par" || word == "line") {
                    if (!skip.back()) out += "\r\n";
                } else if (word == "tab") {
                    emit('\t');
                } else if (word == "u" && !number.empty()) {
                    long code = std::strtol(number.c_str(), nullptr, 10);
                    if (code < 0) code += 65536;
                    if (!skip.back()) out += WideToAnsi(std::u16string(1, static_cast<char16_t>(code)));
                    ansiToSkip = 1;  // the stand-in character that follows
                }
            }
        }
    }
    return out;
}

}  // namespace vel
