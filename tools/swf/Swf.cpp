#include "tools/swf/Swf.h"

#include "runtime/Text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <limits>

namespace vel::swf {
namespace {

// The platform the bridge reports to the game's movie: that of the Windows control.
constexpr std::string_view kMoviePlatform = "WIN";
constexpr std::uint8_t kVersion = 7;  // strings are UTF-8 from version 6; the shell asks for a version 7 player

enum TagCode : unsigned {
    kEnd = 0, kShowFrame = 1, kDefineShape = 2, kSetBackgroundColor = 9, kDoAction = 12, kPlaceObject2 = 26
};
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

// Fields of any bit width, most significant bit first, as records of shapes and
// rectangles are packed; Bytes() pads the last byte with zero bits.
class Bits {
public:
    void Put(std::uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (m_used % 8 == 0) m_out += '\0';
            if ((value >> i) & 1) m_out.back() = static_cast<char>(m_out.back() | (0x80 >> (m_used % 8)));
            ++m_used;
        }
    }
    void PutSigned(std::int32_t value, unsigned count) { Put(static_cast<std::uint32_t>(value), count); }
    const std::string& Bytes() const { return m_out; }

private:
    std::string m_out;
    unsigned m_used = 0;
};

// The bits a signed field needs for every one of these values.
unsigned SignedBits(std::initializer_list<std::int32_t> values) {
    unsigned nbits = 1;
    for (std::int32_t v : values) {
        const std::int64_t magnitude = v < 0 ? -static_cast<std::int64_t>(v) - 1 : v;
        while ((std::int64_t{1} << (nbits - 1)) <= magnitude) ++nbits;
    }
    return nbits;
}

// The rectangle (left, top)-(right, bottom) in twips, fields as wide as the largest needs.
std::string Rect(std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom) {
    const unsigned nbits = SignedBits({left, right, top, bottom});
    Bits bits;
    bits.Put(nbits, 5);
    for (std::int32_t v : {left, right, top, bottom}) bits.PutSigned(v, nbits);
    return bits.Bytes();
}

// The stage rectangle (0, 0)-(width, height) in twips.
std::string Rect(int width, int height) { return Rect(0, width * 20, 0, height * 20); }

// DefineShape of one solid rectangle, drawn as a closed path from its top left corner
// clockwise, filled on its inside (fill style 1 of the edges).
std::string BoxShape(unsigned id, const Box& box) {
    const std::int32_t x = box.left * 20, y = box.top * 20, w = box.width * 20, h = box.height * 20;
    std::string out;
    PutU16(out, id);
    out += Rect(x, x + w, y, y + h);
    out += '\1';  // one fill style: solid, RGB
    out += '\0';
    out += static_cast<char>(box.red);
    out += static_cast<char>(box.green);
    out += static_cast<char>(box.blue);
    out += '\0';  // no line styles
    Bits bits;
    bits.Put(1, 4);  // fill style index bits
    bits.Put(0, 4);  // line style index bits
    // Style change: move to the corner, fill style 1.
    const unsigned moveBits = SignedBits({x, y});
    bits.Put(0b000101, 6);
    bits.Put(moveBits, 5);
    bits.PutSigned(x, moveBits);
    bits.PutSigned(y, moveBits);
    bits.Put(1, 1);
    // Four straight edges, each a general line of both deltas.
    const std::int32_t edges[4][2] = {{w, 0}, {0, h}, {-w, 0}, {0, -h}};
    for (const auto& e : edges) {
        const unsigned n = std::max(2u, SignedBits({e[0], e[1]}));
        bits.Put(0b11, 2);
        bits.Put(n - 2, 4);
        bits.Put(1, 1);
        bits.PutSigned(e[0], n);
        bits.PutSigned(e[1], n);
    }
    bits.Put(0, 6);  // end of the shape
    return out + bits.Bytes();
}

// PlaceObject2 of a character at a depth, untransformed.
std::string Place(unsigned id, unsigned depth) {
    std::string out(1, '\x02');  // has character
    PutU16(out, depth);
    PutU16(out, id);
    return out;
}

// Actions of the bridge, with the small stack language of the player.
class Actions {
public:
    Actions& PushText(std::string_view text) { return Push(std::string(1, '\0') + std::string(text) + '\0'); }
    Actions& PushNull() { return Push(std::string(1, '\2')); }
    Actions& PushInt(std::uint32_t value) {
        std::string v(1, '\7');
        PutU32(v, value);
        return Push(v);
    }
    Actions& Op(std::uint8_t code) {
        m_out += static_cast<char>(code);
        return *this;
    }
    // A function without a name (left on the stack) with these parameters and body.
    Actions& Function(std::initializer_list<std::string_view> params, const Actions& body) {
        std::string payload(1, '\0');
        PutU16(payload, static_cast<unsigned>(params.size()));
        for (std::string_view p : params) payload += std::string(p) + '\0';
        PutU16(payload, static_cast<unsigned>(body.m_out.size()));
        Record(0x9B, payload);
        m_out += body.m_out;
        return *this;
    }
    // If (pops a condition) and Jump: on by `offset` bytes from the end of this action.
    Actions& Branch(std::uint8_t code, std::int16_t offset) {
        std::string payload;
        PutU16(payload, static_cast<std::uint16_t>(offset));
        return Record(code, payload);
    }
    Actions& Append(std::string_view bytes) {
        m_out += bytes;
        return *this;
    }
    // loadMovieNum(url on the stack, level): the target is "_levelN" on the stack.
    Actions& LoadIntoTarget() { return Record(0x9A, std::string(1, '\0')); }
    const std::string& Bytes() const { return m_out; }
    Actions& Record(std::uint8_t code, const std::string& payload) {
        m_out += static_cast<char>(code);
        PutU16(m_out, static_cast<unsigned>(payload.size()));
        m_out += payload;
        return *this;
    }

private:
    Actions& Push(const std::string& value) { return Record(0x96, value); }
    std::string m_out;
};

constexpr std::uint8_t kGetVariable = 0x1C, kSetVariable = 0x1D, kGetMember = 0x4E, kCallMethod = 0x52,
                       kPop = 0x17, kReturn = 0x3E, kStop = 0x07, kAdd = 0x47, kEquals = 0x49, kIf = 0x9D,
                       kJump = 0x99, kCallFunction = 0x3D;

// $version.indexOf(text), left on the stack.
void VersionIndexOf(Actions& a, std::string_view text) {
    a.PushText(text).PushInt(1).PushText("$version").Op(kGetVariable).PushText("indexOf").Op(kCallMethod);
}

// The first frame's actions of a movie made for one platform: unless "$version" begins
// with it, stop here and skip the frame's own actions.
std::string PlatformCheck(const std::string& platform, const std::string& frameActions) {
    if (frameActions.size() > 32767) throw SwfError("the first frame's commands are too long for a platform check");
    Actions a;
    VersionIndexOf(a, platform);
    a.PushInt(0).Op(kEquals).Branch(kIf, 6);  // over the stop and the jump
    a.Op(kStop).Branch(kJump, static_cast<std::int16_t>(frameActions.size()));
    return a.Append(frameActions).Bytes();
}

// flash.external.ExternalInterface.call(name), its answer dropped.
void CallExternal(Actions& a, std::string_view name) {
    a.PushText(name).PushInt(1);
    a.PushText("flash").Op(kGetVariable).PushText("external").Op(kGetMember).PushText("ExternalInterface").Op(kGetMember);
    a.PushText("call").Op(kCallMethod).Op(kPop);
}

// flash.external.ExternalInterface.addCallback(name, null, <function on the stack>)
void AddCallback(Actions& a, std::string_view name) {
    a.PushNull().PushText(name).PushInt(3);
    a.PushText("flash").Op(kGetVariable).PushText("external").Op(kGetMember).PushText("ExternalInterface").Op(kGetMember);
    a.PushText("addCallback").Op(kCallMethod).Op(kPop);
}

std::string Header(std::uint8_t version, int width, int height, unsigned rate256, unsigned frames) {
    std::string out = "FWS";
    out += static_cast<char>(version);
    PutU32(out, 0);  // file length, set at the end
    out += Rect(width, height);
    PutU16(out, rate256);
    PutU16(out, frames);
    return out;
}

std::string Finished(std::string out) {
    if (out.size() > std::numeric_limits<std::uint32_t>::max()) throw SwfError("the movie is too large");
    std::string length;
    PutU32(length, static_cast<std::uint32_t>(out.size()));
    out.replace(4, 4, length);
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

std::string RequestActions(const Request& r) {
    Actions a;
    switch (r.kind) {
    case Request::Kind::LoadVariables:
        // GetURL2 with its target a clip's path and the answer read as variables.
        a.PushText(r.text).PushText("_root").Record(0x9A, std::string(1, '\xC0'));
        break;
    case Request::Kind::GetUrl:
        a.PushText(r.text).PushText(r.target).Record(0x9A, std::string(1, '\0'));
        break;
    case Request::Kind::Call:
        CallExternal(a, r.text);
        break;
    }
    return a.Bytes();
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
    if (stage.boxes.size() > 65535) throw SwfError("a movie holds at most 65535 boxes");
    for (const Box& b : stage.boxes)
        if (b.width < 1 || b.height < 1 || b.left < 0 || b.top < 0 || b.left > stage.width - b.width ||
            b.top > stage.height - b.height)
            throw SwfError("a box is at least one pixel wide and high and lies on the stage");
    if (!std::all_of(stage.platform.begin(), stage.platform.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }))
        throw SwfError("a platform is plain letters, as WIN");

    auto byFrame = [&](auto list, const char* what) {
        std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.frame < b.frame; });
        for (const auto& item : list)
            if (item.frame < 1 || item.frame > movie.frameCount)
                throw SwfError(std::string(what) + " at frame " + std::to_string(item.frame) +
                               " lies outside the movie's " + std::to_string(movie.frameCount) + " frames");
        return list;
    };
    const std::vector<FsCommand> commands = byFrame(movie.commands, "an FSCommand");
    for (const FsCommand& c : commands) {
        if (c.command.empty())
            throw SwfError("the FSCommand at frame " + std::to_string(c.frame) + " has no name");
        CheckText(c.command, "name", c.frame);
        CheckText(c.args, "argument", c.frame);
        if (kFsPrefix.size() + c.command.size() + c.args.size() + 2 > 65535)
            throw SwfError("the FSCommand at frame " + std::to_string(c.frame) + " is too long for one action");
    }

    const std::vector<Request> requests = byFrame(stage.requests, "a request");
    for (const Request& r : requests) {
        CheckText(r.text, "request", r.frame);
        CheckText(r.target, "target", r.frame);
        if (r.text.size() + r.target.size() + 64 > 65535)
            throw SwfError("the request at frame " + std::to_string(r.frame) + " is too long for one action");
    }

    const unsigned version = requests.empty() ? kVersion : 8;
    std::string out = Header(version, stage.width, stage.height, static_cast<unsigned>(rate), movie.frameCount);
    PutTag(out, kSetBackgroundColor, std::string{static_cast<char>(stage.red), static_cast<char>(stage.green),
                                                 static_cast<char>(stage.blue)});
    for (unsigned i = 0; i < stage.boxes.size(); ++i) {
        PutTag(out, kDefineShape, BoxShape(i + 1, stage.boxes[i]));
        PutTag(out, kPlaceObject2, Place(i + 1, i + 1));
    }

    auto next = commands.begin();
    auto request = requests.begin();
    for (unsigned frame = 1; frame <= movie.frameCount; ++frame) {
        std::string actions;
        for (; next != commands.end() && next->frame == frame; ++next) {
            std::string payload = std::string(kFsPrefix) + next->command + '\0' + next->args + '\0';
            actions += static_cast<char>(kActionGetUrl);
            PutU16(actions, static_cast<unsigned>(payload.size()));
            actions += payload;
        }
        for (; request != requests.end() && request->frame == frame; ++request) actions += RequestActions(*request);
        if (frame == 1 && !stage.platform.empty()) actions = PlatformCheck(stage.platform, actions);
        if (!actions.empty()) {
            actions += '\0';  // end of actions
            PutTag(out, kDoAction, actions);
        }
        PutTag(out, kShowFrame, {});
    }
    PutTag(out, kEnd, {});
    return Finished(std::move(out));
}

std::string WriteBridgeSwf() {
    Actions set, get, a;
    set.PushText("name").Op(kGetVariable).PushText("value").Op(kGetVariable).Op(kSetVariable);
    get.PushText("name").Op(kGetVariable).Op(kGetVariable).Op(kReturn);
    a.Function({"name", "value"}, set);
    AddCallback(a, "velvinorSet");
    a.Function({"name"}, get);
    AddCallback(a, "velvinorGet");
    // The page learns at once that both callbacks are there.
    CallExternal(a, "velvinorBridgeReady");
    // $version = "WIN" + $version.substr($version.indexOf(" ")): the player names its
    // own platform, the disc's movies were made for the Windows control. The player
    // carries the root's variables that may not be deleted over to the movie loaded
    // into level 0: ASSetPropFlags(this, "$version", 2), 2 being "do not delete".
    a.PushText("$version").PushText(kMoviePlatform);
    VersionIndexOf(a, " ");
    a.PushInt(1).PushText("$version").Op(kGetVariable).PushText("substr").Op(kCallMethod);
    a.Op(kAdd).Op(kSetVariable);
    a.PushInt(2).PushText("$version").PushText("this").Op(kGetVariable).PushInt(3);
    a.PushText("ASSetPropFlags").Op(kCallFunction).Op(kPop);
    a.PushText("velvinorMovie").Op(kGetVariable).PushText("_level0").LoadIntoTarget();
    std::string actions = a.Bytes() + '\0';

    // Version 8: the first with ExternalInterface. Its stage is the game's usual one;
    // the game's own replaces it once loaded.
    std::string out = Header(8, 1024, 768, 12 * 256, 1);
    PutTag(out, kSetBackgroundColor, std::string(3, '\0'));
    PutTag(out, kDoAction, actions);
    PutTag(out, kShowFrame, {});
    PutTag(out, kEnd, {});
    return Finished(std::move(out));
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
