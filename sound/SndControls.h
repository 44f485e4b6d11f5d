#pragma once
// SndControls: the four mixer lines the program works with (General, Wave, CD,
// Mic), each a TSndControl that reads and writes the line's volume, mute switch and
// peak meter on the machine's mixer.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Mixer.h"

namespace vel {

// The value request prepared for one control: one value for all channels.
struct ControlDetails {
    // False until a control is taken over; such a request names no control, so
    // every read of it fails and every write is lost.
    bool prepared = false;
    std::uint32_t controlId = 0;
};

class SndControls;

class TSndControl {
public:
    // A line of `lines`, read and written through its open mixer.
    explicit TSndControl(const SndControls& lines) : m_lines(lines) {}
    TSndControl(const TSndControl&) = delete;
    TSndControl& operator=(const TSndControl&) = delete;

    bool HasMute = false, HasVolume = false, HasPeak = false;
    MixerControl MuteControl, VolumeControl, PeakControl;
    ControlDetails MuteDetails, VolumeDetails, PeakDetails;
    std::int32_t MuteValue = 0;     // nonzero = muted
    std::uint32_t VolumeValue = 0;
    std::int32_t PeakValue = 0;

    // Each takes the control over, replacing an earlier one of its kind.
    void SetMuteControl(const MixerControl& control);
    void SetVolumeControl(const MixerControl& control);
    void SetPeakControl(const MixerControl& control);

    // Reads give False or 0 and writes do nothing while no mixer is open or when
    // the platform call fails.
    bool SoundOn();
    void SetSoundOn(bool on);
    std::uint32_t Volume();
    // Clamped to the volume control's bounds (unsigned) before it is written.
    void SetVolume(std::uint32_t volume);
    // The meter's magnitude; never negative.
    std::int32_t Peak();

private:
    bool Read(const ControlDetails& details, std::int32_t& value) const;
    void Write(const ControlDetails& details, std::int32_t value) const;
    bool Opened() const;
    const SndControls& m_lines;
};

// The mixer as the sound control window holds it: the four line objects and the
// device they address.
class SndControls {
public:
    SndControls() = default;
    SndControls(const SndControls&) = delete;
    SndControls& operator=(const SndControls&) = delete;
    ~SndControls() { DoneMixer(); }

    std::unique_ptr<TSndControl> GeneralControl, WaveControl, CDControl, MicControl;
    // The last device opened; 0 when none (or when the last device failed to open).
    vel::MixerHandle MixerHandle = 0;
    // The device every value read and write addresses: where General's mute was found.
    std::uint32_t MixerId = 0;
    // The mixer service, from InitMixer to DoneMixer.
    Mixer* Service = nullptr;

    // Creates the four line objects and gives them the mixer's controls. Every device
    // opened posts its control-change notices to `wnd`, which runs onControlChange.
    void InitMixer(Mixer& mixer, WindowHandle wnd, std::function<void()> onControlChange);
    // Closes the mixer and frees the line objects.
    void DoneMixer();

private:
    void DestinationPass(Mixer& mixer, std::uint32_t device, std::uint32_t destinations);
    void WaveInPass(Mixer& mixer, std::uint32_t device);
    // Every handle InitMixer opened, so that DoneMixer closes them all and no notice
    // reaches the window after it is gone.
    std::vector<vel::MixerHandle> m_opened;
};

}  // namespace vel
