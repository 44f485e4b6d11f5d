#pragma once
// A small SWF (Flash movie) writer and reader: just enough to make a movie whose
// frames raise FSCommands, and to play one back as its frame rate, its frames and
// the FSCommands they raise. Portable: no platform headers.
//
// An FSCommand is the action getURL("FSCommand:NAME", ARGS): an ActionGetURL whose
// URL is "FSCommand:" followed by the command name and whose target is the argument
// text, in a DoAction tag of the main timeline. A Flash Player turns it into its
// FSCommand event (NAME, ARGS) when the frame is shown.
//
// Texts in this API are UTF-8. The writer writes SWF version 7, whose strings are
// UTF-8. The reader takes the strings of files of version 6 and later as UTF-8
// (refusing invalid UTF-8), and those of older files as 8-bit text in code page 1251,
// which it converts to UTF-8.
//
// Reading is bounds-checked throughout: malformed or truncated input raises SwfError,
// never reads outside the given bytes. Compressed files ("CWS", "ZWS") are refused.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vel::swf {

class SwfError : public std::runtime_error {
public:
    explicit SwfError(const std::string& text) : std::runtime_error(text) {}
};

struct FsCommand {
    unsigned frame = 1;   // the frame that raises it: 1 for the first frame
    std::string command;  // NAME, without the "FSCommand:" prefix
    std::string args;
    bool operator==(const FsCommand&) const = default;
};

struct Movie {
    double frameRate = 12;          // frames per second, stored in steps of 1/256
    unsigned frameCount = 1;        // at most 65535
    std::vector<FsCommand> commands;  // by frame; within a frame in the order raised
};

// A filled rectangle on the stage, in pixels, shown from the first frame on.
struct Box {
    int left = 0, top = 0, width = 0, height = 0;
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Box&) const = default;
};

// A request a frame makes after its FSCommands, through the player's own functions.
struct Request {
    enum class Kind {
        LoadVariables,  // loadVariables(text, "_root")
        GetUrl,         // getURL(text, target)
        Call,           // flash.external.ExternalInterface.call(text)
    };
    unsigned frame = 1;
    Kind kind = Kind::GetUrl;
    std::string text;    // the URL, or the name called
    std::string target;  // GetUrl's window or level
    bool operator==(const Request&) const = default;
};

// What the reader does not report: the stage of a written movie, what it shows, and
// the requests its frames make.
struct Stage {
    int width = 1024;   // pixels
    int height = 768;
    std::uint8_t red = 0, green = 0, blue = 0;  // background colour
    std::vector<Box> boxes = {};  // drawn in this order, each above the ones before
    std::vector<Request> requests = {};  // by frame; within a frame in the order made
    // Non-empty: the movie plays only where "$version" begins with this platform
    // ("WIN"), as movies made for one player check; elsewhere it stops on its first
    // frame and raises nothing.
    std::string platform = {};
};

// The bytes of an uncompressed SWF file: header, background colour, the boxes (a
// DefineShape and a PlaceObject2 each, before the first frame ends), and per frame a
// DoAction tag with the frame's FSCommands (when it has any) and ShowFrame; then End.
// Commands are placed by frame, keeping their order within a frame. Raises SwfError
// for what a file cannot hold: a frame rate outside (0, 256), no frames or more than
// 65535, a command or request outside the frames, an empty command name, text that is
// not UTF-8 or holds a NUL, an action longer than 65535 bytes, a stage outside 1..32767
// pixels, a box that is empty or does not lie on the stage, more than 65535 boxes.
// A movie with requests is written as version 8, the first with ExternalInterface.
// 65535, a command outside the frames, an empty command name, text that is not UTF-8
// or holds a NUL, an action longer than 65535 bytes, a stage outside 1..32767 pixels,
// a box that is empty or does not lie on the stage, more than 65535 boxes, a platform
// that is not plain ASCII letters.
std::string WriteSwf(const Movie& movie, const Stage& stage = {});

// The bridge movie (version 8) through which a player without SetVariable and
// GetVariable of its own offers both. Its first frame registers two ExternalInterface
// callbacks and tells the page so (ExternalInterface.call("velvinorBridgeReady")),
// then gives "$version" the platform part "WIN" (the version after it stays the
// player's) and marks it not to be deleted, so that the movie loaded into level 0
// takes it over, and loads the
// movie named by its parameter "velvinorMovie" (a URL,
// whose query string carries the movie's start parameters) into level 0, where it
// takes the bridge's place:
//   velvinorSet(name, value)  sets the variable at that path (set(name, value));
//   velvinorGet(name)         answers its value (eval(name)).
// Paths are taken from the bridge's functions, so they name their timeline in full:
// "_root.mpg", "_root.$version".
std::string WriteBridgeSwf();

// Reads an uncompressed SWF file: frame rate and frame count from its header, and the
// FSCommands of the main timeline's DoAction tags. Every other tag and action is
// skipped; so are getURL actions to anything but "FSCommand:" (a prefix compared
// ignoring ASCII letter case) and commands in frames beyond the header's frame count.
// A file longer than its header's file length is read up to that length.
// A frame rate of 0 can come from a file; players take it as "as fast as possible".
Movie ReadSwf(std::string_view file);

}  // namespace vel::swf
