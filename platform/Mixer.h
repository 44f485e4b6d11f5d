#pragma once
// The sound mixer (winmm): devices, destination and source lines, their controls,
// and uniform 32-bit value reads and writes. Results are MMRESULT codes, 0 = success.
// This seam keeps the mixer API's shape on purpose: the program's mixer lines
// (sound/SndControls) walk the devices, lines and controls themselves and find the
// four lines by these component and control types, so another backend maps its
// mixer onto the same lines, types and values.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace vel {

using MmResult = std::uint32_t;
using MixerHandle = std::uintptr_t;

namespace mixer {
constexpr std::uint32_t ControlMute = 0x20010002;
constexpr std::uint32_t ControlVolume = 0x50030001;
constexpr std::uint32_t ControlPeakMeter = 0x10020001;
constexpr std::uint32_t DstWaveIn = 7;
constexpr std::uint32_t SrcMicrophone = 0x1003;
constexpr std::uint32_t SrcCompactDisc = 0x1005;
constexpr std::uint32_t SrcWaveOut = 0x1008;
constexpr std::uint32_t SrcAuxiliary = 0x1009;
constexpr MmResult NoError = 0;
constexpr MmResult Error = 1;
}  // namespace mixer

// The parts of MIXERCONTROLA the program uses.
struct MixerControl {
    std::uint32_t controlId = 0;
    std::uint32_t controlType = 0;
    std::uint32_t minimum = 0;  // Bounds.dwMinimum
    std::uint32_t maximum = 0;  // Bounds.dwMaximum
    std::uint32_t steps = 0;    // Metrics.cSteps
    std::string name;
};

// The parts of MIXERLINEA the program uses.
struct MixerLine {
    std::uint32_t destination = 0;
    std::uint32_t source = 0;
    std::uint32_t lineId = 0;
    std::uint32_t componentType = 0;
    std::uint32_t connections = 0;
    std::uint32_t controls = 0;
    std::string name;
};

class Mixer {
public:
    Mixer() = default;
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;
    virtual ~Mixer() = default;

    virtual std::uint32_t NumDevs() = 0;
    virtual MmResult GetDevCaps(std::uint32_t device, std::uint32_t& destinations) = 0;
    // mixerOpen with CALLBACK_WINDOW: afterwards every control change of the device,
    // whoever made it, reaches onControlChange through the message loop of `window`.
    virtual MmResult Open(std::uint32_t device, WindowHandle window, std::function<void()> onControlChange,
                          MixerHandle& handle) = 0;
    virtual MmResult Close(MixerHandle handle) = 0;
    virtual MmResult GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) = 0;
    virtual MmResult GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source,
                               MixerLine& line) = 0;
    virtual MmResult GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) = 0;
    // Lists the line's controls (at most `room` of them are wanted).
    virtual MmResult GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                                     std::vector<MixerControl>& controls) = 0;
    // One uniform value (cChannels 1, cbDetails 4).
    virtual MmResult GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) = 0;
    virtual MmResult SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) = 0;
};

}  // namespace vel
