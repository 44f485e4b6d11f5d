#pragma once
// The master volume as a percentage, kept on the General track bar of the sound
// control window.

#include <cstdint>
#include <string>

namespace vel {

// The master volume as the sound control window keeps it: a position out of a
// number of steps.
class MasterVolume {
public:
    virtual int MasterMax() const = 0;
    virtual int MasterPosition() const = 0;
    // Moves to `position` and writes it to the mixer, even when it did not move.
    virtual void SetMasterPosition(int position) = 0;

protected:
    ~MasterVolume() = default;
};

// Each does nothing (or reads 0) while there is no master volume yet.
// "setvolume": the argument read as an integer (10 when it is not one).
void SetVolumeCommand(MasterVolume* volume, const std::string& args);
void SetVolumePercent(MasterVolume* volume, std::uint16_t percent);
std::uint16_t GetVolumePercent(const MasterVolume* volume);

}  // namespace vel
