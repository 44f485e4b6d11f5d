#include "runtime/RtfText.h"

#include <algorithm>
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

RtfWeight WeighRtf(std::string_view rtf) {
    // Groups whose data the view keeps as a picture or an object, not as text.
    static const std::set<std::string, std::less<>> kData = {"pict", "objdata", "themedata", "datastore"};
    struct Group {
        bool data;
        std::size_t start;
    };
    std::vector<Group> groups{{false, 0}};
    RtfWeight weight;
    std::size_t dataBytes = 0;
    bool named = true;  // the group's first control word has come
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            groups.push_back({groups.back().data, i});
            weight.depth = std::max(weight.depth, groups.size() - 1);
            named = false;
        } else if (c == '}') {
            if (groups.size() > 1) {
                const Group closed = groups.back();
                groups.pop_back();
                if (closed.data && !groups.back().data) dataBytes += i + 1 - closed.start;
            }
            named = true;
        } else if (c == '\\' && i + 1 < rtf.size()) {
            if (std::isalpha(static_cast<unsigned char>(rtf[i + 1]))) {
                std::size_t end = i + 1;
                while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end]))) ++end;
                if (!named && kData.count(rtf.substr(i + 1, end - i - 1))) groups.back().data = true;
                named = true;
                i = end - 1;
            } else {
                // "\{", "\}" and "\\" are text; "\*" comes before a group's name.
                if (rtf[i + 1] != '*') named = true;
                ++i;
            }
        } else if (c != ' ' && c != '\r' && c != '\n') {
            named = true;
        }
    }
    // A data group cut short runs to the end.
    for (std::size_t g = 1; g < groups.size(); ++g)
        if (groups[g].data && !groups[g - 1].data) {
            dataBytes += rtf.size() - groups[g].start;
            break;
        }
    weight.textBytes = rtf.size() - dataBytes;
    return weight;
}

}  // namespace vel
