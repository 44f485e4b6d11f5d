#include "sound/SndControls.h"

#include <algorithm>
#include <limits>

namespace vel {

namespace {

// A line reports how many controls it has; all of them are read. The cap only
// keeps a broken count from asking for an absurd list (such a line is skipped).
constexpr std::uint32_t kMostControls = 1024;

void Prepare(ControlDetails& details, const MixerControl& control) {
    details.prepared = true;
    details.controlId = control.controlId;
}

bool ListControls(Mixer& mixer, std::uint32_t device, const MixerLine& line, std::vector<MixerControl>& controls) {
    controls.clear();
    return mixer.GetLineControls(device, line.lineId, std::min(line.controls, kMostControls), controls) ==
           mixer::NoError;
}

// Gives every mute, volume and peak-meter control to the line object; a later
// control of a kind replaces the earlier one.
void TakeAll(TSndControl& target, const std::vector<MixerControl>& controls) {
    for (const MixerControl& c : controls) {
        if (c.controlType == mixer::ControlMute) target.SetMuteControl(c);
        else if (c.controlType == mixer::ControlVolume) target.SetVolumeControl(c);
        else if (c.controlType == mixer::ControlPeakMeter) target.SetPeakControl(c);
    }
}

}  // namespace

// General keeps the first mute and volume control of any destination that has
// sources; Wave the last controls of any wave-output source.
void SndControls::DestinationPass(Mixer& mixer, std::uint32_t device, std::uint32_t destinations) {
    TSndControl& general = *GeneralControl;
    std::vector<MixerControl> controls;
    for (std::uint32_t d = 0; d < destinations; ++d) {
        MixerLine destination;
        if (mixer.GetDestination(device, d, destination) != mixer::NoError || destination.connections == 0) continue;
        if (ListControls(mixer, device, destination, controls)) {
            for (const MixerControl& c : controls) {
                if (c.controlType == mixer::ControlMute && !general.HasMute) {
                    general.SetMuteControl(c);
                    MixerId = device;
                } else if (c.controlType == mixer::ControlVolume && !general.HasVolume) {
                    general.SetVolumeControl(c);
                }
            }
        }
        for (std::uint32_t s = 0; s < destination.connections; ++s) {
            MixerLine source;
            if (mixer.GetSource(device, d, s, source) != mixer::NoError) continue;
            if (ListControls(mixer, device, source, controls) && source.componentType == mixer::SrcWaveOut)
                TakeAll(*WaveControl, controls);
        }
    }
}

// Mic and CD come from the sources of the recording destination; an auxiliary
// source stands in for CD only when no CD source gave a volume control.
void SndControls::WaveInPass(Mixer& mixer, std::uint32_t device) {
    MixerLine waveIn;
    if (mixer.GetLineByComponentType(device, mixer::DstWaveIn, waveIn) != mixer::NoError || waveIn.connections == 0)
        return;
    std::vector<MixerControl> controls;
    for (std::uint32_t s = 0; s < waveIn.connections; ++s) {
        MixerLine source;
        if (mixer.GetSource(device, waveIn.destination, s, source) != mixer::NoError) continue;
        TSndControl* target = nullptr;
        if (source.componentType == mixer::SrcMicrophone) target = MicControl.get();
        else if (source.componentType == mixer::SrcCompactDisc) target = CDControl.get();
        if (target && ListControls(mixer, device, source, controls)) TakeAll(*target, controls);
    }
    if (CDControl->HasVolume) return;
    for (std::uint32_t s = 0; s < waveIn.connections; ++s) {
        MixerLine source;
        if (mixer.GetSource(device, waveIn.destination, s, source) != mixer::NoError) continue;
        if (source.componentType == mixer::SrcAuxiliary && ListControls(mixer, device, source, controls))
            TakeAll(*CDControl, controls);
    }
}

// ---- TSndControl ----

bool TSndControl::Read(const ControlDetails& details, std::int32_t& value) const {
    if (m_lines.MixerHandle == 0 || !m_lines.Service || !details.prepared) return false;
    std::int32_t read = 0;
    if (m_lines.Service->GetValue(m_lines.MixerId, details.controlId, read) != mixer::NoError) return false;
    value = read;
    return true;
}

void TSndControl::Write(const ControlDetails& details, std::int32_t value) const {
    if (!details.prepared) return;
    m_lines.Service->SetValue(m_lines.MixerId, details.controlId, value);
}

bool TSndControl::Opened() const { return m_lines.MixerHandle != 0 && m_lines.Service; }

void TSndControl::SetMuteControl(const MixerControl& control) {
    MuteControl = control;
    Prepare(MuteDetails, control);
    HasMute = true;
}

void TSndControl::SetVolumeControl(const MixerControl& control) {
    VolumeControl = control;
    Prepare(VolumeDetails, control);
    HasVolume = true;
}

void TSndControl::SetPeakControl(const MixerControl& control) {
    PeakControl = control;
    Prepare(PeakDetails, control);
    HasPeak = true;
}

bool TSndControl::SoundOn() { return Read(MuteDetails, MuteValue) && MuteValue == 0; }

void TSndControl::SetSoundOn(bool on) {
    if (!Opened()) return;
    MuteValue = on ? 0 : 1;
    Write(MuteDetails, MuteValue);
}

std::uint32_t TSndControl::Volume() {
    std::int32_t value = 0;
    if (!Read(VolumeDetails, value)) return 0;
    VolumeValue = static_cast<std::uint32_t>(value);
    return VolumeValue;
}

void TSndControl::SetVolume(std::uint32_t volume) {
    if (!Opened()) return;
    if (volume < VolumeControl.minimum) volume = VolumeControl.minimum;
    if (volume > VolumeControl.maximum) volume = VolumeControl.maximum;
    VolumeValue = volume;
    Write(VolumeDetails, static_cast<std::int32_t>(VolumeValue));
}

std::int32_t TSndControl::Peak() {
    if (!Read(PeakDetails, PeakValue)) return 0;
    // The most negative reading has no positive counterpart; it shows as full scale.
    if (PeakValue == std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::max();
    return PeakValue < 0 ? -PeakValue : PeakValue;
}

// ---- the mixer ----

void SndControls::InitMixer(Mixer& mixer, WindowHandle wnd, std::function<void()> onControlChange) {
    Service = &mixer;
    MixerHandle = 0;
    MixerId = 0;
    m_opened.clear();
    GeneralControl = std::make_unique<TSndControl>(*this);
    WaveControl = std::make_unique<TSndControl>(*this);
    CDControl = std::make_unique<TSndControl>(*this);
    MicControl = std::make_unique<TSndControl>(*this);

    const std::uint32_t devices = mixer.NumDevs();
    for (std::uint32_t device = 0; device < devices; ++device) {
        // A device whose capabilities cannot be read is taken to have no
        // destinations; its recording destination is still found by type.
        std::uint32_t destinations = 0;
        if (mixer.GetDevCaps(device, destinations) != mixer::NoError) destinations = 0;
        MixerHandle = 0;
        vel::MixerHandle handle = 0;
        if (mixer.Open(device, wnd, onControlChange, handle) != mixer::NoError) continue;
        MixerHandle = handle;
        m_opened.push_back(handle);
        DestinationPass(mixer, device, destinations);
        WaveInPass(mixer, device);
    }
}

void SndControls::DoneMixer() {
    if (Service)
        for (vel::MixerHandle handle : m_opened) Service->Close(handle);
    m_opened.clear();
    MixerHandle = 0;
    Service = nullptr;
    GeneralControl.reset();
    WaveControl.reset();
    CDControl.reset();
    MicControl.reset();
}

}  // namespace vel
