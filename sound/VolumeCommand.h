#pragma once
// The master volume as a percentage, kept on the General track bar of the sound
// control window.

#include <cstdint>
#include <string>

namespace vel {

class MasterVolume;

// Each does nothing (or reads 0) while there is no master volume yet.
// "setvolume": the argument read as an integer (10 when it is not one).
void SetVolumeCommand(MasterVolume* volume, const std::string& args);
void SetVolumePercent(MasterVolume* volume, std::uint16_t percent);
std::uint16_t GetVolumePercent(const MasterVolume* volume);

}  // namespace vel
