#include "tools/swf/Swf.h"

#include "runtime/Text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace vel::swf {
namespace {

constexpr std::uint8_t kVersion = 7;  // strings are UTF-8 from version 6; the shell asks for a version 7 player

enum TagCode : unsigned { kEnd = 0, kShowFrame = 1, kSetBackgroundColor = 9, kDoAction = 12 };
constexpr std::uint8_t kActionGetUrl = 0x83;
constexpr std::string_view kFsPrefix = "FSCommand:";

std::string Cp1251ToUtf8(std::string_view text) { return AnsiToUtf8(text); }

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra;
        char32_t cp, min;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { extra = 1; cp = c & 0x1F; min = 0x80; }
        else if (c >= 0xE0 && c <= 0xEF) { extra = 2; cp = c & 0x0F; min = 0x800; }
        else if (c >= 0xF0 && c <= 0xF4) { extra = 3; cp = c & 0x07; min = 0x10000; }
        else return false;
        if (s.size() - i - 1 < extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// ---- writing

void PutU16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PutTag(std::string& out, unsigned code, std::string_view body) {
    if (body.size() < 0x3F) {
        PutU16(out, (code << 6) | static_cast<unsigned>(body.size()));
    } else {
        PutU16(out, (code << 6) | 0x3F);
        PutU32(out, static_cast<std::uint32_t>(body.size()));
    }
    out += body;
}

// The stage rectangle (0, 0)-(width, height) in twips, fields as wide as the largest needs.
std::string Rect(int width, int height) {
    const std::int32_t values[4] = {0, width * 20, 0, height * 20};
    unsigned nbits = 1;
    while ((std::int32_t{1} << (nbits - 1)) <= std::max(values[1], values[3])) ++nbits;
    std::string out;
    unsigned used = 0;
    auto put = [&](std::uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (used % 8 == 0) out += '\0';
            if ((value >> i) & 1) out.back() = static_cast<char>(out.back() | (0x80 >> (used % 8)));
            ++used;
        }
    };
    put(nbits, 5);
    for (std::int32_t v : values) put(static_cast<std::uint32_t>(v), nbits);
    return out;
}

void CheckText(const std::string& text, const char* what, unsigned frame) {
    if (text.find('\0') != std::string::npos || !IsUtf8(text))
        throw SwfError("the " + std::string(what) + " of the FSCommand at frame " + std::to_string(frame) +
                       " is not UTF-8 text without NUL characters");
}

// ---- reading

class Bytes {
public:
    Bytes(std::string_view data, std::string_view what) : data_(data), what_(what) {}

    bool AtEnd() const { return pos_ == data_.size(); }
    std::size_t Left() const { return data_.size() - pos_; }

    void Need(std::size_t n) const {
        if (Left() < n) throw SwfError(std::string(what_) + " is cut short");
    }
    unsigned U8() {
        Need(1);
        return static_cast<unsigned char>(data_[pos_++]);
    }
    unsigned U16() {
        unsigned lo = U8();
        return lo | (U8() << 8);
    }
    std::uint32_t U32() {
        std::uint32_t lo = U16();
        return lo | (static_cast<std::uint32_t>(U16()) << 16);
    }
    std::string_view Take(std::size_t n) {
        Need(n);
        std::string_view out = data_.substr(pos_, n);
        pos_ += n;
        return out;
    }
    // A NUL-terminated string; the NUL is consumed, not returned.
    std::string_view CString() {
        std::size_t nul = data_.find('\0', pos_);
        if (nul == std::string_view::npos) throw SwfError(std::string(what_) + " holds a string without its end");
        std::string_view out = data_.substr(pos_, nul - pos_);
        pos_ = nul + 1;
        return out;
    }

private:
    std::string_view data_;
    std::string_view what_;
    std::size_t pos_ = 0;
};

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

std::string DecodeText(std::string_view raw, unsigned version, unsigned frame) {
    if (version < 6) return Cp1251ToUtf8(raw);
    if (!IsUtf8(raw)) throw SwfError("an FSCommand at frame " + std::to_string(frame) + " holds text that is not UTF-8");
    return std::string(raw);
}

void ReadDoAction(std::string_view body, unsigned version, unsigned frame, std::vector<FsCommand>& out) {
    Bytes actions(body, "a DoAction tag");
    // The end flag may be missing when the tag ends at an action's boundary.
    while (!actions.AtEnd()) {
        unsigned code = actions.U8();
        if (code == 0) break;
        if (code < 0x80) continue;  // no payload
        unsigned length = actions.U16();
        std::string_view payload = actions.Take(length);
        if (code != kActionGetUrl) continue;
        Bytes strings(payload, "a getURL action");
        std::string_view url = strings.CString();
        std::string_view target = strings.CString();
        if (!StartsWithNoCase(url, kFsPrefix)) continue;
        out.push_back({frame, DecodeText(url.substr(kFsPrefix.size()), version, frame),
                       DecodeText(target, version, frame)});
    }
}

}  // namespace

std::string WriteSwf(const Movie& movie, const Stage& stage) {
    const double rate = std::round(movie.frameRate * 256);
    if (!(rate >= 1 && rate <= 65535))
        throw SwfError("the frame rate must be above 0 and below 256 frames per second");
    if (movie.frameCount < 1 || movie.frameCount > 65535)
        throw SwfError("a movie has 1 to 65535 frames");
    if (stage.width < 1 || stage.width > 32767 || stage.height < 1 || stage.height > 32767)
        throw SwfError("the stage is 1 to 32767 pixels wide and high");

    std::vector<FsCommand> commands = movie.commands;
    std::stable_sort(commands.begin(), commands.end(),
                     [](const FsCommand& a, const FsCommand& b) { return a.frame < b.frame; });
    for (const FsCommand& c : commands) {
        if (c.frame < 1 || c.frame > movie.frameCount)
            throw SwfError("an FSCommand at frame " + std::to_string(c.frame) + " lies outside the movie's " +
                           std::to_string(movie.frameCount) + " frames");
        if (c.command.empty())
            throw SwfError("the FSCommand at frame " + std::to_string(c.frame) + " has no name");
        CheckText(c.command, "name", c.frame);
        CheckText(c.args, "argument", c.frame);
        if (kFsPrefix.size() + c.command.size() + c.args.size() + 2 > 65535)
            throw SwfError("the FSCommand at frame " + std::to_string(c.frame) + " is too long for one action");
    }

    std::string out = "FWS";
    out += static_cast<char>(kVersion);
    PutU32(out, 0);  // file length, set at the end
    out += Rect(stage.width, stage.height);
    PutU16(out, static_cast<unsigned>(rate));
    PutU16(out, movie.frameCount);
    PutTag(out, kSetBackgroundColor, std::string{static_cast<char>(stage.red), static_cast<char>(stage.green),
                                                 static_cast<char>(stage.blue)});

    auto next = commands.begin();
    for (unsigned frame = 1; frame <= movie.frameCount; ++frame) {
        std::string actions;
        for (; next != commands.end() && next->frame == frame; ++next) {
            std::string payload = std::string(kFsPrefix) + next->command + '\0' + next->args + '\0';
            actions += static_cast<char>(kActionGetUrl);
            PutU16(actions, static_cast<unsigned>(payload.size()));
            actions += payload;
        }
        if (!actions.empty()) {
            actions += '\0';  // end of actions
            PutTag(out, kDoAction, actions);
        }
        PutTag(out, kShowFrame, {});
    }
    PutTag(out, kEnd, {});

    if (out.size() > std::numeric_limits<std::uint32_t>::max()) throw SwfError("the movie is too large");
    std::string length;
    PutU32(length, static_cast<std::uint32_t>(out.size()));
    out.replace(4, 4, length);
    return out;
}

Movie ReadSwf(std::string_view file) {
    Bytes head(file, "the file");
    std::string_view signature = head.Take(3);
    if (signature == "CWS" || signature == "ZWS") throw SwfError("compressed SWF files are not supported");
    if (signature != "FWS") throw SwfError("not a SWF file");
    const unsigned version = head.U8();
    const std::uint32_t length = head.U32();
    if (length > file.size())
        throw SwfError("the file is cut short: its header gives " + std::to_string(length) + " bytes, it has " +
                       std::to_string(file.size()));
    if (length < 8) throw SwfError("the header gives an impossible file length");

    Bytes in(file.substr(0, length), "the file");
    in.Take(8);
    const unsigned nbits = static_cast<unsigned char>(in.Take(1)[0]) >> 3;
    in.Take((5 + 4 * nbits + 7) / 8 - 1);  // rest of the stage rectangle

    Movie movie;
    movie.frameRate = in.U16() / 256.0;
    movie.frameCount = in.U16();

    unsigned frame = 1;
    for (;;) {
        if (in.AtEnd()) throw SwfError("the file has no End tag");
        const unsigned header = in.U16();
        const unsigned code = header >> 6;
        std::uint32_t size = header & 0x3F;
        if (size == 0x3F) size = in.U32();
        if (size > in.Left())
            throw SwfError("tag " + std::to_string(code) + " runs past the end of the file");
        std::string_view body = in.Take(size);
        if (code == kEnd) break;
        if (code == kShowFrame) ++frame;
        else if (code == kDoAction && frame <= movie.frameCount) ReadDoAction(body, version, frame, movie.commands);
    }
    return movie;
}

}  // namespace vel::swf
