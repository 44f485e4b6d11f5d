#include "platform/sim/SimMixer.h"

#include <cstdio>
#include <stdexcept>

#include "runtime/Text.h"

namespace vel::sim {

namespace {
std::string ComponentName(std::uint32_t type) {
    switch (type) {
        case 4: return "speakers";
        case 5: return "headphones";
        case mixer::DstWaveIn: return "wavein";
        case 0x1002: return "line";
        case mixer::SrcMicrophone: return "microphone";
        case 0x1004: return "synth";
        case mixer::SrcCompactDisc: return "cd";
        case mixer::SrcWaveOut: return "waveout";
        case mixer::SrcAuxiliary: return "auxiliary";
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%X", type);
            return buf;
        }
    }
}

std::string ControlTypeName(std::uint32_t type) {
    switch (type) {
        case mixer::ControlMute: return "mute";
        case mixer::ControlVolume: return "volume";
        case mixer::ControlPeakMeter: return "peak";
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", type);
            return buf;
        }
    }
}
}  // namespace

SimMixer::SimDevice& SimMixer::AddDevice() {
    devices.emplace_back();
    m_lastIsSource = false;
    return devices.back();
}

SimMixer::SimLine& SimMixer::AddDestination(std::uint32_t componentType, const std::string& name) {
    if (devices.empty()) throw std::logic_error("a destination needs a mixer device first");
    SimDestination d;
    d.line.line.componentType = componentType;
    d.line.line.lineId = m_nextLineId++;
    d.line.line.name = name.empty() ? ComponentName(componentType) : name;
    devices.back().destinations.push_back(std::move(d));
    m_lastIsSource = false;
    return devices.back().destinations.back().line;
}

SimMixer::SimLine& SimMixer::AddSource(std::uint32_t componentType, const std::string& name) {
    if (devices.empty() || devices.back().destinations.empty())
        throw std::logic_error("a source needs a destination line first");
    SimLine l;
    l.line.componentType = componentType;
    l.line.lineId = m_nextLineId++;
    l.line.name = name.empty() ? ComponentName(componentType) : name;
    auto& sources = devices.back().destinations.back().sources;
    sources.push_back(std::move(l));
    m_lastIsSource = true;
    return sources.back();
}

SimMixer::SimLine& SimMixer::LastLine() {
    if (devices.empty() || devices.back().destinations.empty()) throw std::logic_error("a control needs a line first");
    SimDestination& d = devices.back().destinations.back();
    return m_lastIsSource ? d.sources.back() : d.line;
}

SimMixer::SimControl& SimMixer::AddControl(std::uint32_t controlType, std::uint32_t controlId, std::int32_t value,
                                           std::uint32_t minimum, std::uint32_t maximum, std::uint32_t steps) {
    SimLine& line = LastLine();
    if (FindControl(static_cast<std::uint32_t>(devices.size() - 1), controlId))
        throw std::logic_error("control id " + std::to_string(controlId) + " is taken on this device");
    SimControl c;
    c.control.controlId = controlId;
    c.control.controlType = controlType;
    c.control.minimum = minimum;
    c.control.maximum = maximum;
    c.control.steps = steps;
    c.control.name = ControlTypeName(controlType);
    c.value = value;
    line.controls.push_back(c);
    return line.controls.back();
}

MmResult SimMixer::GetDevCaps(std::uint32_t device, std::uint32_t& destinations) {
    if (device >= devices.size() || devices[device].failCaps) return mixer::Error;
    destinations = static_cast<std::uint32_t>(devices[device].destinations.size());
    return mixer::NoError;
}

MmResult SimMixer::Open(std::uint32_t device, WindowHandle window, std::function<void()> onControlChange,
                        MixerHandle& handle) {
    if (device >= devices.size() || devices[device].failOpen) {
        m_trace.Add("mixer open device " + std::to_string(device) + " -> failed");
        return mixer::Error;
    }
    handle = m_next++;
    m_open[handle] = OpenDevice{device, window, std::make_shared<std::function<void()>>(std::move(onControlChange))};
    m_trace.Add("mixer open device " + std::to_string(device) + " notify window " + std::to_string(window));
    return mixer::NoError;
}

MmResult SimMixer::Close(MixerHandle handle) {
    auto it = m_open.find(handle);
    if (it == m_open.end()) return mixer::Error;
    m_trace.Add("mixer close device " + std::to_string(it->second.device));
    m_open.erase(it);
    return mixer::NoError;
}

MmResult SimMixer::GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) {
    if (device >= devices.size() || destination >= devices[device].destinations.size()) return mixer::Error;
    const auto& d = devices[device].destinations[destination];
    if (d.line.failQuery) return mixer::Error;
    line = d.line.line;
    line.destination = destination;
    line.connections = static_cast<std::uint32_t>(d.sources.size());
    line.controls = static_cast<std::uint32_t>(d.line.controls.size());
    return mixer::NoError;
}

MmResult SimMixer::GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source, MixerLine& line) {
    if (device >= devices.size() || destination >= devices[device].destinations.size()) return mixer::Error;
    const auto& d = devices[device].destinations[destination];
    if (source >= d.sources.size() || d.sources[source].failQuery) return mixer::Error;
    line = d.sources[source].line;
    line.destination = destination;
    line.source = source;
    line.connections = 0;
    line.controls = static_cast<std::uint32_t>(d.sources[source].controls.size());
    return mixer::NoError;
}

MmResult SimMixer::GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) {
    if (device >= devices.size()) return mixer::Error;
    auto& dests = devices[device].destinations;
    for (std::uint32_t d = 0; d < dests.size(); ++d)
        if (dests[d].line.line.componentType == componentType) return GetDestination(device, d, line);
    return mixer::Error;
}

SimMixer::SimLine* SimMixer::FindLine(std::uint32_t device, std::uint32_t lineId) {
    if (device >= devices.size()) return nullptr;
    for (auto& d : devices[device].destinations) {
        if (d.line.line.lineId == lineId) return &d.line;
        for (auto& s : d.sources)
            if (s.line.lineId == lineId) return &s;
    }
    return nullptr;
}

MmResult SimMixer::GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                                   std::vector<MixerControl>& controls) {
    SimLine* line = FindLine(device, lineId);
    if (!line || line->failControls || line->controls.size() > room) return mixer::Error;
    controls.clear();
    for (const auto& c : line->controls) controls.push_back(c.control);
    return mixer::NoError;
}

SimMixer::SimControl* SimMixer::FindControl(std::uint32_t device, std::uint32_t controlId) {
    if (device >= devices.size()) return nullptr;
    for (auto& d : devices[device].destinations) {
        for (auto& c : d.line.controls)
            if (c.control.controlId == controlId) return &c;
        for (auto& s : d.sources)
            for (auto& c : s.controls)
                if (c.control.controlId == controlId) return &c;
    }
    return nullptr;
}

MmResult SimMixer::GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) {
    SimControl* c = FindControl(device, controlId);
    if (!c) return mixer::Error;
    value = c->value;
    return mixer::NoError;
}

void SimMixer::NotifyChange(std::uint32_t device) {
    for (auto& [handle, open] : m_open) {
        if (open.device != device || !*open.notify) continue;
        std::weak_ptr<std::function<void()>> target = open.notify;
        Trace* trace = &m_trace;
        WindowHandle window = open.window;
        // Posted to the window like MM_MIXM_CONTROL_CHANGE; a notice still waiting
        // when its handle closes goes nowhere.
        m_post([target, trace, window] {
            auto notify = target.lock();
            if (!notify) return;
            trace->Add("mixer notice -> window " + std::to_string(window));
            (*notify)();
        });
    }
}

MmResult SimMixer::SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) {
    SimControl* c = FindControl(device, controlId);
    if (!c) return mixer::Error;
    ++writes;
    m_trace.Add("mixer set control " + std::to_string(controlId) + " = " + std::to_string(static_cast<std::uint32_t>(value)));
    if (c->value != value) {
        c->value = value;
        NotifyChange(device);
    }
    return mixer::NoError;
}

bool SimMixer::LineChange(std::uint32_t lineId) {
    for (std::uint32_t d = 0; d < devices.size(); ++d) {
        if (!FindLine(d, lineId)) continue;
        for (const auto& [handle, open] : m_open) {
            if (open.device != d) continue;
            Trace* trace = &m_trace;
            const WindowHandle window = open.window;
            m_post([trace, window, lineId] {
                trace->Add("mixer line-change notice line " + std::to_string(lineId) + " -> window " +
                           std::to_string(window) + " (no handler)");
            });
        }
        return true;
    }
    return false;
}

bool SimMixer::SetByOther(std::uint32_t controlId, std::int32_t value) {
    for (std::uint32_t d = 0; d < devices.size(); ++d)
        if (SimControl* c = FindControl(d, controlId)) {
            if (c->value != value) {
                c->value = value;
                NotifyChange(d);
            }
            return true;
        }
    return false;
}

std::vector<std::string> SimMixer::Dump() {
    std::vector<std::string> out;
    auto controls = [&](const SimLine& line, const std::string& indent) {
        for (const auto& c : line.controls) {
            const MixerControl& m = c.control;
            std::string text = indent + "control " + std::to_string(m.controlId) + " " + ControlTypeName(m.controlType) +
                               " = ";
            if (m.controlType == mixer::ControlVolume)
                text += std::to_string(static_cast<std::uint32_t>(c.value)) + " of " + std::to_string(m.minimum) + ".." +
                        std::to_string(m.maximum) + " steps " + std::to_string(m.steps);
            else
                text += std::to_string(c.value);
            out.push_back(text);
        }
    };
    for (std::size_t i = 0; i < devices.size(); ++i) {
        out.push_back("  device " + std::to_string(i));
        for (const auto& d : devices[i].destinations) {
            out.push_back("    destination " + Quote(d.line.line.name));
            controls(d.line, "      ");
            for (const auto& s : d.sources) {
                out.push_back("      source " + Quote(s.line.name));
                controls(s, "        ");
            }
        }
    }
    if (out.empty()) out.push_back("  (no mixer device)");
    return out;
}

}  // namespace vel::sim
