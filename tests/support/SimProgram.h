#pragma once
// Test support: a simulated machine with the game installed, and helpers to run
// scenario text on it and look at the trace.

#include <string>
#include <vector>

#include "tools/scenario/Scenario.h"

namespace vel::test {

// The game's own files, relative to its folder: the program, the movie, the intro videos.
inline constexpr const char* kGameFiles[] = {"Velvinor.exe", "SWF\\Game.swf", "SWF\\logo_deve.avi",
                                              "SWF\\logo_trelkon.avi"};

// Set-up lines for an installed game in C:\Game\ with its movie and intro videos.
std::string InstalledGame(const std::string& extra = "");

// Runs scenario text on a fresh machine; returns the trace.
std::string RunScenario(const std::string& text);

// Fails the test when `prefix` begins no line the trace can write (a service's line
// of an unknown verb, say): looking for it, above all for its absence, would
// prove nothing. The runner's lines, events, notes and dump lines pass as they are.
void RequireLineShape(const std::string& prefix);

// Lines of `trace` that begin with `prefix`, a shape the trace writes.
std::vector<std::string> LinesStartingWith(const std::string& trace, const std::string& prefix);

}  // namespace vel::test
