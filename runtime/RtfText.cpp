#include "runtime/RtfText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <vector>

#include "runtime/RtfDocument.h"
#include "runtime/Text.h"

namespace vel {

std::string PlainTextOfRtf(std::string_view rtf) {
    std::string out;
    for (const char c : WideToAnsi(Utf8ToWide(TextOfRtfDocument(ReadRtfDocument(rtf))))) {
        if (c == '\n') out += '\r';
        out += c;
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
