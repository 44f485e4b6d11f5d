#pragma once
// The movie script of velvinor_swfgen: a text, one statement per line.
//
//   # a comment (a line whose first non-blank character is #)
//   rate 12                           frames per second (decimals allowed); required
//   frames 150                        frame count; default: the last frame with a command
//   size 1024 768                     stage in pixels; default 1024 by 768
//   background 000000                 background colour RRGGBB in hexadecimal; default black
//   box 112 84 800 600 1d3b8a         a filled rectangle: left, top, width, height in pixels,
//                                     colour RRGGBB; later boxes are drawn above earlier ones
//   requires WIN                      plays only where $version begins with WIN;
//                                     elsewhere stops on the first frame, raising nothing
//   at frame 24: fscommand plaympg lesson1
//   at frame 30: loadvariables URL      loads URL's variables into the main timeline
//   at frame 30: geturl URL TARGET      opens URL in the window (or level) TARGET
//   at frame 30: call TEXT              ExternalInterface.call(TEXT)
//
// "at frame N: fscommand NAME ARGS" makes frame N (1 for the first) raise the FSCommand
// NAME with ARGS, the rest of the line without its surrounding blanks (it may be empty).
// Several commands in one frame are raised in the order written, then its requests
// are made in the order written (see Request in Swf.h). Text is UTF-8.

#include <string>
#include <string_view>

#include "tools/swf/Swf.h"

namespace vel::swf {

struct Script {
    Movie movie;
    Stage stage;
};

// Raises SwfError naming the line of the first fault.
Script ParseScript(std::string_view text);

// The script that describes `movie` (rate, frames and commands), as ParseScript reads it.
// For people: a name with blanks, or text with line breaks or surrounding blanks, is
// written as it is and does not read back the same.
std::string FormatScript(const Movie& movie);

}  // namespace vel::swf
