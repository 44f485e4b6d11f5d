#pragma once
// The master volume as a percentage, kept on the General track bar of the sound
// control window.

#include <cstdint>
#include <string>

namespace vel {

class Program;

// "setvolume": the argument read as an integer (10 when it is not one).
void SetVolumeCommand(Program& program, const std::string& args);
void SetVolumePercent(Program& program, std::uint16_t percent);
std::uint16_t GetVolumePercent(Program& program);

}  // namespace vel
