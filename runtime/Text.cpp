#include "runtime/Text.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace vel {
namespace {

// Code page 1251, bytes 0x80-0xBF; 0xC0-0xFF are U+0410-U+044F. The unused 0x98 is
// U+0098, as the system converts it, so every byte comes back as it went.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t ByteToWide(unsigned char c) {
    if (c < 0x80) return c;
    if (c >= 0xC0) return static_cast<char16_t>(0x0410 + (c - 0xC0));
    return kHigh[c - 0x80];
}

char WideToByte(char32_t w) {
    if (w < 0x80) return static_cast<char>(w);
    if (w >= 0x0410 && w <= 0x044F) return static_cast<char>(0xC0 + (w - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == w) return static_cast<char>(0x80 + i);
    return '?';
}

// Code page 866, bytes 0x80-0xFF: Cyrillic letters, box drawing and a few signs.
char16_t Oem866ToWide(unsigned char c) {
    static constexpr char16_t kBoxes[48] = {
        0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
        0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
        0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
        0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    };
    static constexpr char16_t kLast[16] = {0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
                                           0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0};
    if (c < 0x80) return c;
    if (c < 0xB0) return static_cast<char16_t>(0x0410 + (c - 0x80));  // А-Я, а-п
    if (c < 0xE0) return kBoxes[c - 0xB0];
    if (c < 0xF0) return static_cast<char16_t>(0x0440 + (c - 0xE0));  // р-я
    return kLast[c - 0xF0];
}

// Decodes one UTF-8 sequence; malformed bytes decode as U+FFFD.
char32_t NextUtf8(std::string_view s, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

AnsiString Ru(std::string_view utf8) {
    AnsiString out;
    for (std::size_t i = 0; i < utf8.size();) out += WideToByte(NextUtf8(utf8, i));
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    for (unsigned char c : ansi) AppendUtf8(out, ByteToWide(c));
    return out;
}

AnsiString WideToAnsi(std::u16string_view wide) {
    AnsiString out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t w = wide[i];
        if (w >= 0xD800 && w < 0xDC00 && i + 1 < wide.size()) {
            ++i;  // a surrogate pair is one character the code page lacks
            w = 0x10000;
        }
        out += WideToByte(w);
    }
    return out;
}

std::u16string AnsiToWide(std::string_view ansi) {
    std::u16string out;
    for (unsigned char c : ansi) out += ByteToWide(c);
    return out;
}

std::u16string Utf8ToWide(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = NextUtf8(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string WideToUtf8(std::u16string_view wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t w = wide[i];
        if (w >= 0xD800 && w < 0xDC00 && i + 1 < wide.size()) {
            w = 0x10000 + ((w - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, w);
    }
    return out;
}

std::optional<std::string> AnsiToOem(std::string_view ansi, unsigned oemCodePage) {
    if (oemCodePage == 1251) return std::string(ansi);
    std::string out;
    for (unsigned char c : ansi) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (oemCodePage != 866) return std::nullopt;
        const char16_t w = ByteToWide(c);
        int found = -1;
        for (int b = 0x80; b <= 0xFF && found < 0; ++b)
            if (Oem866ToWide(static_cast<unsigned char>(b)) == w) found = b;
        if (found < 0) return std::nullopt;
        out += static_cast<char>(found);
    }
    return out;
}

AnsiString OemToAnsi(std::string_view oem, unsigned oemCodePage) {
    if (oemCodePage == 1251) return AnsiString(oem);
    AnsiString out;
    for (unsigned char c : oem) {
        if (c < 0x80) out += static_cast<char>(c);
        else out += oemCodePage == 866 ? WideToByte(Oem866ToWide(c)) : '?';
    }
    return out;
}

AnsiString AsciiLower(std::string_view s) {
    AnsiString out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

AnsiString AsciiUpper(std::string_view s) {
    AnsiString out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

AnsiString Trim(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return AnsiString(s.substr(b, e - b));
}

std::string IntToStr(std::int64_t v) { return std::to_string(v); }

bool TryStrToInt(std::string_view s, std::int32_t& out) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    std::uint64_t value = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        // Hexadecimal fills all 32 bits, so $FFFFFFFF is -1.
        std::uint32_t bits = static_cast<std::uint32_t>(value);
        if (negative) bits = 0u - bits;
        out = static_cast<std::int32_t>(bits);
        return true;
    }
    if (negative ? value > 2147483648ull : value > 2147483647ull) return false;
    out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                   : static_cast<std::int32_t>(value);
    return true;
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t def) {
    std::int32_t v;
    return TryStrToInt(s, v) ? v : def;
}

int CentreOffset(int area, int size) {
    // Wide: the difference of two 32-bit sizes need not fit in 32 bits, its half does.
    return static_cast<int>((static_cast<std::int64_t>(area) - size) / 2);
}

std::int64_t RoundHalfEven(long double x) {
    // The default rounding mode is to nearest, ties to even.
    return static_cast<std::int64_t>(std::nearbyintl(x));
}

namespace {
PathStyle g_pathStyle = PathStyle::Windows;

// The characters that end a folder's part of a path.
std::string_view FolderEnds() { return g_pathStyle == PathStyle::Posix ? "/" : "\\:"; }
}  // namespace

void SetPathStyle(PathStyle style) { g_pathStyle = style; }
PathStyle CurrentPathStyle() { return g_pathStyle; }
char PathDelimiter() { return g_pathStyle == PathStyle::Posix ? '/' : '\\'; }

AnsiString ExtractFilePath(std::string_view path) {
    std::size_t p = path.find_last_of(FolderEnds());
    return p == std::string_view::npos ? AnsiString() : AnsiString(path.substr(0, p + 1));
}

AnsiString ExtractFileName(std::string_view path) {
    std::size_t p = path.find_last_of(FolderEnds());
    return AnsiString(p == std::string_view::npos ? path : path.substr(p + 1));
}

AnsiString ExtractFileDrive(std::string_view path) {
    if (g_pathStyle == PathStyle::Posix) return !path.empty() && path[0] == '/' ? ExtractFilePath(path) : AnsiString();
    if (path.size() >= 2 && path[1] == ':') return AnsiString(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share: up to the backslash after the share name.
        std::size_t server = path.find('\\', 2);
        if (server == std::string_view::npos) return {};
        std::size_t share = path.find('\\', server + 1);
        return AnsiString(path.substr(0, share == std::string_view::npos ? path.size() : share));
    }
    return {};
}

AnsiString ExtractFileExt(std::string_view path) {
    std::size_t p = path.find_last_of(std::string(FolderEnds()) + ".");
    if (p == std::string_view::npos || path[p] != '.') return {};
    return AnsiString(path.substr(p));
}

AnsiString IncludeTrailingBackslash(std::string_view path) {
    AnsiString out(path);
    if (out.empty() || out.back() != PathDelimiter()) out += PathDelimiter();
    return out;
}

AnsiString ExcludeTrailingBackslash(std::string_view path) {
    AnsiString out(path);
    if (!out.empty() && out.back() == PathDelimiter()) out.pop_back();
    return out;
}

std::size_t Pos(std::string_view needle, std::string_view haystack) {
    if (needle.empty()) return 0;
    std::size_t p = haystack.find(needle);
    return p == std::string_view::npos ? 0 : p + 1;
}

bool SameTextAscii(std::string_view a, std::string_view b) { return AsciiLower(a) == AsciiLower(b); }

}  // namespace vel
