#pragma once
// The master volume as the sound control window keeps it: a position out of a
// number of steps.

namespace vel {

class MasterVolume {
public:
    virtual int MasterMax() const = 0;
    virtual int MasterPosition() const = 0;
    // Moves to `position` and writes it to the mixer, even when it did not move.
    virtual void SetMasterPosition(int position) = 0;

protected:
    ~MasterVolume() = default;
};

}  // namespace vel
