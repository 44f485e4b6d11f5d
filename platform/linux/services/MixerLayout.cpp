#include "platform/linux/services/MixerLayout.h"

#include "runtime/Text.h"

namespace vel::lnx {
namespace {

std::uint32_t ComponentOf(const std::string& name) {
    const std::string n = AsciiLower(name);
    if (n == "pcm" || n == "wave") return mixer::SrcWaveOut;
    if (n == "cd") return mixer::SrcCompactDisc;
    if (n.rfind("mic", 0) == 0) return mixer::SrcMicrophone;
    if (n == "aux") return mixer::SrcAuxiliary;
    if (n == "line") return component::SrcLine;
    return component::SrcUndefined;
}

// One value for every channel, offset to start at 0; a step per raw value, so that
// a value written reads back as it was.
MixerControl Volume(std::uint32_t id, long min, long max, const std::string& name) {
    MixerControl c;
    c.controlId = id;
    c.controlType = mixer::ControlVolume;
    c.minimum = 0;
    c.maximum = max > min ? static_cast<std::uint32_t>(max - min) : 0;
    c.steps = c.maximum;
    c.name = Ru(name) + " Volume";
    return c;
}

MixerControl Mute(std::uint32_t id, const std::string& name) {
    MixerControl c;
    c.controlId = id;
    c.controlType = mixer::ControlMute;
    c.minimum = 0;
    c.maximum = 1;
    c.name = Ru(name) + " Mute";
    return c;
}

std::uint32_t ControlId(std::size_t element, ControlPart part) {
    return static_cast<std::uint32_t>((element + 1) * 16 + static_cast<std::size_t>(part));
}

LayoutLine LineOf(const std::vector<MixerElement>& elements, std::size_t i, bool playback, std::uint32_t lineId,
                  std::uint32_t componentType, std::uint32_t destination, std::uint32_t source) {
    const MixerElement& e = elements[i];
    LayoutLine l;
    l.line.destination = destination;
    l.line.source = source;
    l.line.lineId = lineId;
    l.line.componentType = componentType;
    l.line.name = Ru(e.name);
    auto add = [&](ControlPart part, MixerControl control) { l.controls.push_back({control, i, part}); };
    if (playback) {
        if (e.playbackSwitch) add(ControlPart::PlaybackMute, Mute(ControlId(i, ControlPart::PlaybackMute), e.name));
        if (e.playbackVolume)
            add(ControlPart::PlaybackVolume,
                Volume(ControlId(i, ControlPart::PlaybackVolume), e.playbackMin, e.playbackMax, e.name));
    } else {
        if (e.captureSwitch) add(ControlPart::CaptureMute, Mute(ControlId(i, ControlPart::CaptureMute), e.name));
        if (e.captureVolume)
            add(ControlPart::CaptureVolume,
                Volume(ControlId(i, ControlPart::CaptureVolume), e.captureMin, e.captureMax, e.name));
    }
    l.line.controls = static_cast<std::uint32_t>(l.controls.size());
    return l;
}

}  // namespace

MixerLayout BuildMixerLayout(std::vector<MixerElement> elements) {
    MixerLayout layout;
    layout.elements = std::move(elements);
    const auto& els = layout.elements;
    auto sourceId = [](std::uint32_t d, std::uint32_t s) { return ((s + 1) << 16) | d; };

    // The master line: "Master", else the first element with a playback volume.
    std::size_t master = els.size();
    for (std::size_t i = 0; i < els.size() && master == els.size(); ++i)
        if (SameTextAscii(els[i].name, "Master") && (els[i].playbackVolume || els[i].playbackSwitch)) master = i;
    for (std::size_t i = 0; i < els.size() && master == els.size(); ++i)
        if (els[i].playbackVolume) master = i;
    if (master < els.size()) {
        const auto d = static_cast<std::uint32_t>(layout.destinations.size());
        LayoutDestination dest{LineOf(els, master, true, d, component::DstSpeakers, d, 0), {}};
        bool wave = false;
        for (std::size_t i = 0; i < els.size(); ++i) {
            if (i == master || !(els[i].playbackVolume || els[i].playbackSwitch)) continue;
            const auto s = static_cast<std::uint32_t>(dest.sources.size());
            dest.sources.push_back(LineOf(els, i, true, sourceId(d, s), ComponentOf(els[i].name), d, s));
            wave = wave || dest.sources.back().line.componentType == mixer::SrcWaveOut;
        }
        // A card with one playback volume: what plays is the master line itself.
        if (!wave) {
            const auto s = static_cast<std::uint32_t>(dest.sources.size());
            dest.sources.push_back(LineOf(els, master, true, sourceId(d, s), mixer::SrcWaveOut, d, s));
        }
        dest.line.line.connections = static_cast<std::uint32_t>(dest.sources.size());
        layout.destinations.push_back(std::move(dest));
    }

    // The recording line: "Capture" (else none of its own) over every capture element.
    std::size_t capture = els.size();
    bool anyCapture = false;
    for (std::size_t i = 0; i < els.size(); ++i) {
        if (!(els[i].captureVolume || els[i].captureSwitch)) continue;
        anyCapture = true;
        if (capture == els.size() && SameTextAscii(els[i].name, "Capture")) capture = i;
    }
    if (anyCapture) {
        const auto d = static_cast<std::uint32_t>(layout.destinations.size());
        LayoutDestination dest;
        if (capture < els.size()) {
            dest.line = LineOf(els, capture, false, d, mixer::DstWaveIn, d, 0);
        } else {
            dest.line.line.destination = d;
            dest.line.line.lineId = d;
            dest.line.line.componentType = mixer::DstWaveIn;
            dest.line.line.name = "Capture";
        }
        for (std::size_t i = 0; i < els.size(); ++i) {
            if (i == capture || !(els[i].captureVolume || els[i].captureSwitch)) continue;
            const auto s = static_cast<std::uint32_t>(dest.sources.size());
            dest.sources.push_back(LineOf(els, i, false, sourceId(d, s), ComponentOf(els[i].name), d, s));
        }
        dest.line.line.connections = static_cast<std::uint32_t>(dest.sources.size());
        layout.destinations.push_back(std::move(dest));
    }
    return layout;
}

const LayoutControl* MixerLayout::Control(std::uint32_t controlId) const {
    for (const auto& d : destinations) {
        for (const auto& c : d.line.controls)
            if (c.control.controlId == controlId) return &c;
        for (const auto& s : d.sources)
            for (const auto& c : s.controls)
                if (c.control.controlId == controlId) return &c;
    }
    return nullptr;
}

const LayoutLine* MixerLayout::Line(std::uint32_t lineId) const {
    for (const auto& d : destinations) {
        if (d.line.line.lineId == lineId) return &d.line;
        for (const auto& s : d.sources)
            if (s.line.lineId == lineId) return &s;
    }
    return nullptr;
}

}  // namespace vel::lnx
