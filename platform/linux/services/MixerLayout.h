#pragma once
// How ALSA's simple mixer elements become the lines of the program's mixer: a
// playback destination (the master element) with every other playback element as a
// source, and a recording destination (the "Capture" element) with every other
// capture element as a source. Free of ALSA, so that the mapping is tested alone.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Mixer.h"

namespace vel::lnx {

struct MixerElement {
    std::string name;  // UTF-8, as ALSA names it ("Master", "PCM", "Mic", ...)
    unsigned index = 0;
    bool playbackVolume = false, playbackSwitch = false, captureVolume = false, captureSwitch = false;
    long playbackMin = 0, playbackMax = 0, captureMin = 0, captureMax = 0;
};

// One control of the program's mixer: which element, and which of its four parts.
enum class ControlPart { PlaybackVolume, PlaybackMute, CaptureVolume, CaptureMute };
struct LayoutControl {
    MixerControl control;
    std::size_t element = 0;
    ControlPart part = ControlPart::PlaybackVolume;
};

struct LayoutLine {
    MixerLine line;
    std::vector<LayoutControl> controls;
};

struct LayoutDestination {
    LayoutLine line;
    std::vector<LayoutLine> sources;
};

struct MixerLayout {
    std::vector<MixerElement> elements;
    std::vector<LayoutDestination> destinations;
    // The control of that id, nullptr when there is none.
    const LayoutControl* Control(std::uint32_t controlId) const;
    const LayoutLine* Line(std::uint32_t lineId) const;
};

MixerLayout BuildMixerLayout(std::vector<MixerElement> elements);

namespace component {
constexpr std::uint32_t DstSpeakers = 4;
constexpr std::uint32_t SrcUndefined = 0x1000;
constexpr std::uint32_t SrcLine = 0x1002;
}  // namespace component

}  // namespace vel::lnx
