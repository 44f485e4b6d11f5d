#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/swf/Swf.h"
#include "tools/swf/SwfScript.h"

using vel::swf::FsCommand;
using vel::swf::Movie;
using vel::swf::ReadSwf;
using vel::swf::SwfError;
using vel::swf::WriteSwf;
using namespace std::string_literals;

namespace {

// Builds SWF bytes by hand, independently of the writer.
struct Builder {
    std::string bytes;
    Builder& U8(unsigned v) { bytes += static_cast<char>(v); return *this; }
    Builder& U16(unsigned v) { return U8(v & 0xFF).U8(v >> 8); }
    Builder& U32(unsigned v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Builder& Str(const std::string& s) { bytes += s; return *this; }
    Builder& Tag(unsigned code, const std::string& body, bool longForm = false) {
        if (longForm || body.size() >= 0x3F) U16((code << 6) | 0x3F).U32(static_cast<unsigned>(body.size()));
        else U16((code << 6) | static_cast<unsigned>(body.size()));
        return Str(body);
    }
};

std::string GetUrl(const std::string& url, const std::string& target) {
    std::string payload = url + '\0' + target + '\0';
    return Builder().U8(0x83).U16(static_cast<unsigned>(payload.size())).Str(payload).bytes;
}

// Header with an empty stage rectangle (fields of 0 bits: one byte), rate 10, then the tags.
std::string File(unsigned version, unsigned frames, const std::string& tags) {
    Builder b;
    b.Str("FWS").U8(version).U32(0).U8(0x00).U16(10 << 8).U16(frames).Str(tags);
    Builder length;
    length.U32(static_cast<unsigned>(b.bytes.size()));
    b.bytes.replace(4, 4, length.bytes);
    return b.bytes;
}

Movie Sample() {
    Movie m;
    m.frameRate = 12.5;
    m.frameCount = 30;
    m.commands = {
        {20, "quit", ""},
        {3, "setvolume", "50"},
        {3, "execute", "\xD0\xA0\xD0\xBE\xD0\xB4\xD0\xB8\xD1\x82\xD0\xB5\xD0\xBB\xD1\x8F\xD0\xBC.rtf"},  // Родителям.rtf
        {7, "saveLevel", std::string(300, 'x')},  // long tag and action lengths
        {3, "plaympg", "lesson1"},
    };
    return m;
}

}  // namespace

TEST(Swf, WrittenMovieReadsBackInFrameOrderKeepingOrderWithinAFrame) {
    const std::string file = WriteSwf(Sample());
    EXPECT_EQ(file.substr(0, 4), std::string("FWS\x07"));
    EXPECT_EQ(static_cast<unsigned char>(file[4]) | static_cast<unsigned char>(file[5]) << 8 |
                  static_cast<unsigned char>(file[6]) << 16,
              file.size());

    const Movie back = ReadSwf(file);
    EXPECT_EQ(back.frameRate, 12.5);
    EXPECT_EQ(back.frameCount, 30u);
    const std::vector<FsCommand> expected = {
        Sample().commands[1], Sample().commands[2], Sample().commands[4], Sample().commands[3], Sample().commands[0]};
    EXPECT_EQ(back.commands, expected);
}

// The stand-in control plays a movie by its commands: a platform check must not hide them.
TEST(Swf, MovieMadeForOnePlatformKeepsItsCommandsForTheReader) {
    Movie m = Sample();
    m.commands.push_back({1, "setvolume", "10"});
    vel::swf::Stage stage;
    stage.platform = "WIN";
    const std::string file = WriteSwf(m, stage);
    EXPECT_GT(file.size(), WriteSwf(m).size());
    const Movie back = ReadSwf(file);
    ASSERT_EQ(back.commands.size(), m.commands.size());
    EXPECT_EQ(back.commands.front(), (FsCommand{1, "setvolume", "10"}));
    stage.platform = "W1N";
    EXPECT_THROW(WriteSwf(m, stage), SwfError);
}

TEST(Swf, ReaderTakesOnlyMainTimelineFsCommandsAndSkipsTheRest) {
    const std::string actions = Builder()
                                    .U8(0x06)                               // play: no payload
                                    .U8(0x96).U16(3).U8(0).Str("a").U8(0)  // push "a"
                                    .Str(GetUrl("http://example.invalid/", "_blank"))
                                    .Str(GetUrl("fscommand:Quit", "now"))  // prefix in any letter case
                                    .U8(0)
                                    .bytes;
    const std::string sprite = Builder().U16(1).U16(1).Tag(12, GetUrl("FSCommand:inner", "")).Tag(1, "").Tag(0, "").bytes;
    const std::string tags = Builder()
                                 .Tag(777, std::string(100, '\xFF'), true)  // unknown tag, long form
                                 .Tag(39, sprite)                           // sprite timelines do not count
                                 .Tag(1, "")
                                 .Tag(12, actions)
                                 .Tag(1, "")
                                 .Tag(12, GetUrl("FSCommand:late", ""))  // beyond the header's 2 frames
                                 .Tag(0, "")
                                 .bytes;
    const Movie m = ReadSwf(File(7, 2, tags) + "trailing bytes past the file length");
    EXPECT_EQ(m.frameRate, 10.0);
    EXPECT_EQ(m.frameCount, 2u);
    EXPECT_EQ(m.commands, (std::vector<FsCommand>{{2, "Quit", "now"}}));
}

TEST(Swf, TextOfOldVersionsIsCodePage1251AndOfNewerOnesUtf8) {
    const std::string tags = Builder().Tag(12, GetUrl("FSCommand:execute", "\xCF\xE0\xEF\xE0.rtf")).Tag(1, "").Tag(0, "").bytes;
    EXPECT_EQ(ReadSwf(File(5, 1, tags)).commands.at(0).args, "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xB0.rtf");  // Папа.rtf
    EXPECT_THROW(ReadSwf(File(6, 1, tags)), SwfError);  // the same bytes are not UTF-8
}

TEST(Swf, ReaderRefusesEveryTruncationOfAMovie) {
    const std::string file = WriteSwf(Sample());
    for (std::size_t size = 0; size < file.size(); ++size) {
        std::string cut = file.substr(0, size);
        EXPECT_THROW(ReadSwf(cut), SwfError) << size;
        if (size >= 8) {  // the same prefix with a header that agrees: the tags themselves are cut
            cut.replace(4, 4, Builder().U32(static_cast<unsigned>(size)).bytes);
            EXPECT_THROW(ReadSwf(cut), SwfError) << size;
        }
    }
}

TEST(Swf, ReaderRefusesMalformedFiles) {
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"not a movie", "GIF89a\x01\x00\x01\x00\x00\x00"s},
        {"compressed", "CWS\x07\x10\x00\x00\x00xxxxxxxx"s},
        {"length below the header", "FWS\x07\x04\x00\x00\x00"s},
        {"stage rectangle past the end", Builder().Str("FWS").U8(7).U32(9).U8(0xF8).bytes},
        {"no End tag", File(7, 1, Builder().Tag(1, "").bytes)},
        {"tag past the end", File(7, 1, Builder().U16((1 << 6) | 5).U8(0).bytes)},
        {"long tag past the end", File(7, 1, Builder().U16((9 << 6) | 0x3F).U32(0xFFFFFFFF).Tag(0, "").bytes)},
        {"action past its tag",
         File(7, 1, Builder().Tag(12, Builder().U8(0x83).U16(0x4000).Str("FSCommand:quit").U8(0).U8(0).U8(0).bytes).Tag(0, "").bytes)},
        {"getURL without its target",
         File(7, 1, Builder().Tag(12, Builder().U8(0x83).U16(15).Str("FSCommand:quit").U8(0).U8(0).bytes).Tag(0, "").bytes)},
        {"getURL strings unterminated",
         File(7, 1, Builder().Tag(12, Builder().U8(0x83).U16(4).Str("FSCo").U8(0).bytes).Tag(0, "").bytes)},
        {"overlong UTF-8", File(7, 1, Builder().Tag(12, GetUrl("FSCommand:\xC0\xAF", "")).Tag(0, "").bytes)},
    };
    for (const auto& c : cases) EXPECT_THROW(ReadSwf(c.file), SwfError) << c.what;
}

TEST(Swf, ReaderSurvivesEveryCorruptedByte) {
    // Either a movie or SwfError, never a read outside the bytes (the sanitizers watch).
    const std::string file = WriteSwf(Sample());
    for (std::size_t i = 0; i < file.size(); ++i)
        for (unsigned value : {0x00u, 0x3Fu, 0x80u, 0xFFu}) {
            std::string bad = file;
            bad[i] = static_cast<char>(value);
            try {
                ReadSwf(bad);
            } catch (const SwfError&) {
            }
        }
}

TEST(Swf, WriterRefusesWhatAMovieCannotHold) {
    const struct {
        const char* what;
        double rate;
        unsigned frames;
        FsCommand command;
    } cases[] = {
        {"rate 0", 0, 1, {1, "quit", ""}},
        {"rate 256", 256, 1, {1, "quit", ""}},
        {"no frames", 12, 0, {1, "quit", ""}},
        {"too many frames", 12, 65536, {1, "quit", ""}},
        {"frame 0", 12, 5, {0, "quit", ""}},
        {"beyond the frames", 12, 5, {6, "quit", ""}},
        {"no name", 12, 5, {1, "", "x"}},
        {"NUL", 12, 5, {1, "execute", std::string("a\0b", 3)}},
        {"not UTF-8", 12, 5, {1, "execute", "\xCF\xE0\xEF\xE0"}},
        {"too long", 12, 5, {1, "execute", std::string(65530, 'x')}},
    };
    for (const auto& c : cases) {
        Movie m;
        m.frameRate = c.rate;
        m.frameCount = c.frames;
        m.commands = {c.command};
        EXPECT_THROW(WriteSwf(m), SwfError) << c.what;
    }
    EXPECT_THROW(WriteSwf(Movie{}, {0, 768}), SwfError);
}

TEST(SwfScript, ScriptDescribesTheMovieAndDumpReadsBack) {
    const vel::swf::Script s = vel::swf::ParseScript(
        "# demo\r\n"
        "rate 12.5\r\n"
        "size 640 480\n"
        "background #10ff20\n"
        "requires WIN\n"
        "  at frame 4: fscommand execute  parents doc.rtf  \n"
        "at frame 2 : fscommand quit\n");
    EXPECT_EQ(s.movie.frameRate, 12.5);
    EXPECT_EQ(s.movie.frameCount, 4u);  // the last frame with a command
    EXPECT_EQ(s.stage.width, 640);
    EXPECT_EQ(s.stage.green, 0xFF);
    EXPECT_EQ(s.stage.platform, "WIN");
    EXPECT_EQ(s.movie.commands, (std::vector<FsCommand>{{4, "execute", "parents doc.rtf"}, {2, "quit", ""}}));

    const Movie back = vel::swf::ParseScript(vel::swf::FormatScript(ReadSwf(WriteSwf(s.movie, s.stage)))).movie;
    EXPECT_EQ(back.frameCount, 4u);
    EXPECT_EQ(back.commands, (std::vector<FsCommand>{{2, "quit", ""}, {4, "execute", "parents doc.rtf"}}));
}

TEST(SwfScript, RequestsFollowTheirFramesCommandsInAVersion8Movie) {
    using vel::swf::Request;
    const vel::swf::Script s = vel::swf::ParseScript(
        "rate 12\n"
        "at frame 2: loadvariables velvinor://app/a b.txt\n"
        "at frame 2: fscommand quit\n"
        "at frame 3: geturl file:///etc/hostname _blank\n"
        "at frame 3: call (function () { return 1; })\n");
    EXPECT_EQ(s.movie.frameCount, 3u);  // the last frame with a request
    EXPECT_EQ(s.stage.requests, (std::vector<Request>{
                                    {2, Request::Kind::LoadVariables, "velvinor://app/a b.txt", ""},
                                    {3, Request::Kind::GetUrl, "file:///etc/hostname", "_blank"},
                                    {3, Request::Kind::Call, "(function () { return 1; })", ""},
                                }));
    const std::string file = WriteSwf(s.movie, s.stage);
    EXPECT_EQ(file[3], 8) << "ExternalInterface needs version 8";
    EXPECT_EQ(ReadSwf(file).commands, (std::vector<FsCommand>{{2, "quit", ""}}));
    // loadVariables into a clip's path; getURL into a window.
    const std::string loadVars = "velvinor://app/a b.txt\0"s + "\x96\x07\0\0_root\0\x9A\x01\0\xC0"s;
    const std::string getUrl = "_blank\0"s + "\x9A\x01\0\0"s;
    ASSERT_NE(file.find(loadVars), std::string::npos);
    EXPECT_GT(file.find(loadVars), file.find("FSCommand:quit")) << "a frame's commands come first";
    EXPECT_NE(file.find(getUrl), std::string::npos);
    EXPECT_NE(file.find("ExternalInterface"), std::string::npos);
    EXPECT_EQ(WriteSwf(s.movie)[3], 7) << "a movie without requests stays version 7";
}

TEST(SwfScript, FaultsNameTheirLine) {
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"at frame 1: fscommand quit\n", "no frame rate"},
        {"rate 12\nrate 10\n", "line 2:"},
        {"rate 12\n\nrate fast\n", "line 3:"},
        {"rate 12\nframes 2\nat frame 3: fscommand quit\n", "line 3: frame 3 lies beyond"},
        {"rate 12\nat frame x: fscommand quit\n", "line 2:"},
        {"rate 12\nat frame 1 fscommand quit\n", "line 2:"},
        {"rate 12\nat frame 1: fscommand\n", "line 2: the command has no name"},
        {"rate 12\nbackground red\n", "line 2:"},
        {"rate 12\nplay\n", "line 2: unknown statement"},
        {"rate 12\nat frame 1: call\n", "line 2: the call request names nothing"},
        {"rate 12\nat frame 1: geturl velvinor://app/\n", "line 2: a getURL request reads"},
        {"rate 12\nframes 2\nat frame 3: loadvariables x.txt\n", "line 3: frame 3 lies beyond"},
        {"rate 12\nrequires WIN 9\n", "line 2:"},
        {"rate 12\nrequires WIN\nrequires MAC\n", "line 3:"},
    };
    for (const auto& c : cases) {
        try {
            vel::swf::ParseScript(c.script);
            ADD_FAILURE() << c.script;
        } catch (const SwfError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}
