#include "tools/swf/SwfScript.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace vel::swf {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The next blank-separated word of `rest`, which loses it and the blanks after it.
std::string_view Word(std::string_view& rest) {
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    std::string_view word = rest.substr(0, end);
    rest = TrimBlanks(rest.substr(end));
    return word;
}

std::optional<long> Integer(std::string_view word) {
    long value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
    return value;
}

class LineError {
public:
    explicit LineError(std::size_t line) : line_(line) {}
    [[noreturn]] void operator()(const std::string& what) const {
        throw SwfError("line " + std::to_string(line_) + ": " + what);
    }

private:
    std::size_t line_;
};

}  // namespace

Script ParseScript(std::string_view text) {
    Script script;
    bool haveRate = false, haveFrames = false, haveSize = false, haveBackground = false, haveRequires = false;
    std::vector<std::size_t> commandLines, requestLines;

    std::size_t lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty() || line.front() == '#') continue;

        const LineError fail(lineNo);
        std::string_view rest = line;
        std::string_view keyword = Word(rest);
        auto once = [&](bool& seen) {
            if (seen) fail("\"" + std::string(keyword) + "\" is given twice");
            seen = true;
        };

        if (keyword == "rate") {
            once(haveRate);
            double rate = 0;
            std::string_view word = Word(rest);
            auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), rate);
            if (word.empty() || error != std::errc() || end != word.data() + word.size() || !rest.empty() ||
                !(std::round(rate * 256) >= 1 && std::round(rate * 256) <= 65535))
                fail("the frame rate is a number above 0 and below 256: rate 12");
            script.movie.frameRate = rate;
        } else if (keyword == "frames") {
            once(haveFrames);
            auto count = Integer(Word(rest));
            if (!count || !rest.empty() || *count < 1 || *count > 65535)
                fail("the frame count is a whole number from 1 to 65535: frames 150");
            script.movie.frameCount = static_cast<unsigned>(*count);
        } else if (keyword == "size") {
            once(haveSize);
            auto width = Integer(Word(rest));
            auto height = Integer(Word(rest));
            if (!width || !height || !rest.empty() || *width < 1 || *width > 32767 || *height < 1 ||
                *height > 32767)
                fail("the stage size is two whole numbers of pixels, 1 to 32767: size 1024 768");
            script.stage.width = static_cast<int>(*width);
            script.stage.height = static_cast<int>(*height);
        } else if (keyword == "background") {
            once(haveBackground);
            std::string_view word = Word(rest);
            if (!word.empty() && word.front() == '#') word.remove_prefix(1);
            unsigned rgb = 0;
            auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), rgb, 16);
            if (word.size() != 6 || error != std::errc() || end != word.data() + word.size() || !rest.empty())
                fail("the background colour is six hexadecimal digits RRGGBB: background 000000");
            script.stage.red = static_cast<std::uint8_t>(rgb >> 16);
            script.stage.green = static_cast<std::uint8_t>(rgb >> 8);
            script.stage.blue = static_cast<std::uint8_t>(rgb);
        } else if (keyword == "box") {
            const std::string form = "a box reads: box LEFT TOP WIDTH HEIGHT RRGGBB, in pixels on the stage";
            std::optional<long> v[4];
            for (auto& n : v) n = Integer(Word(rest));
            std::string_view word = Word(rest);
            if (!word.empty() && word.front() == '#') word.remove_prefix(1);
            unsigned rgb = 0;
            auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), rgb, 16);
            if (!v[0] || !v[1] || !v[2] || !v[3] || word.size() != 6 || error != std::errc() ||
                end != word.data() + word.size() || !rest.empty() || *v[0] > 32767 || *v[1] > 32767 ||
                *v[2] < 1 || *v[2] > 32767 || *v[3] < 1 || *v[3] > 32767)
                fail(form);
            script.stage.boxes.push_back({static_cast<int>(*v[0]), static_cast<int>(*v[1]), static_cast<int>(*v[2]),
                                          static_cast<int>(*v[3]), static_cast<std::uint8_t>(rgb >> 16),
                                          static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)});
        } else if (keyword == "requires") {
            once(haveRequires);
            std::string_view word = Word(rest);
            if (word.empty() || !rest.empty() ||
                !std::all_of(word.begin(), word.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }))
                fail("the platform is a word of letters: requires WIN");
            script.stage.platform = std::string(word);
        } else if (keyword == "at") {
            const std::string form = "a command reads: at frame N: fscommand NAME ARGS";
            if (Word(rest) != "frame") fail(form);
            std::size_t colon = rest.find(':');
            if (colon == std::string_view::npos) fail(form);
            auto frame = Integer(TrimBlanks(rest.substr(0, colon)));
            if (!frame || *frame < 1 || *frame > 65535) fail("the frame is a whole number from 1 to 65535");
            rest = TrimBlanks(rest.substr(colon + 1));
            const std::string_view verb = Word(rest);
            const auto at = static_cast<unsigned>(*frame);
            if (verb == "loadvariables" || verb == "call") {
                if (rest.empty()) fail("the " + std::string(verb) + " request names nothing");
                script.stage.requests.push_back({at, verb == "call" ? Request::Kind::Call : Request::Kind::LoadVariables,
                                                 std::string(rest), ""});
                requestLines.push_back(lineNo);
                continue;
            }
            if (verb == "geturl") {
                std::string_view url = Word(rest);
                if (url.empty() || rest.empty()) fail("a getURL request reads: at frame N: geturl URL TARGET");
                script.stage.requests.push_back({at, Request::Kind::GetUrl, std::string(url), std::string(rest)});
                requestLines.push_back(lineNo);
                continue;
            }
            if (verb != "fscommand") fail(form);
            std::string_view name = Word(rest);
            if (name.empty()) fail("the command has no name");
            script.movie.commands.push_back({at, std::string(name), std::string(rest)});
            commandLines.push_back(lineNo);
        } else {
            fail("unknown statement \"" + std::string(keyword) + "\" (rate, frames, size, background, box, requires, at)");
        }
    }

    if (!haveRate) throw SwfError("the script gives no frame rate (rate 12)");
    if (!haveFrames) {
        script.movie.frameCount = 1;
        for (const FsCommand& c : script.movie.commands) script.movie.frameCount = std::max(script.movie.frameCount, c.frame);
        for (const Request& r : script.stage.requests) script.movie.frameCount = std::max(script.movie.frameCount, r.frame);
    }
    auto within = [&](unsigned frame, std::size_t line) {
        if (frame > script.movie.frameCount)
            LineError{line}("frame " + std::to_string(frame) + " lies beyond the movie's " +
                            std::to_string(script.movie.frameCount) + " frames");
    };
    for (std::size_t i = 0; i < script.movie.commands.size(); ++i) within(script.movie.commands[i].frame, commandLines[i]);
    for (std::size_t i = 0; i < script.stage.requests.size(); ++i) within(script.stage.requests[i].frame, requestLines[i]);
    // What the writer refuses (text that is not UTF-8, a NUL, a too long action) it reports itself.
    return script;
}

std::string FormatScript(const Movie& movie) {
    char rate[64];
    auto result = std::to_chars(rate, rate + sizeof rate, movie.frameRate);
    std::string out = "rate " + std::string(rate, result.ptr) + "\n";
    out += "frames " + std::to_string(movie.frameCount) + "\n";
    for (const FsCommand& c : movie.commands) {
        out += "at frame " + std::to_string(c.frame) + ": fscommand " + c.command;
        if (!c.args.empty()) out += " " + c.args;
        out += "\n";
    }
    return out;
}

}  // namespace vel::swf
