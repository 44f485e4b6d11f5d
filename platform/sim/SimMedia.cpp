#include "platform/sim/SimMedia.h"

#include "runtime/Text.h"

namespace vel::sim {

namespace {
constexpr MciError kFileNotFound = 275;   // MCIERR_FILE_NOT_FOUND
constexpr MciError kInvalidDevice = 263;  // MCIERR_INVALID_DEVICE_ID
}  // namespace

void SimMedia::Define(const std::string& path, Behaviour behaviour) { m_behaviours[AsciiUpper(path)] = behaviour; }

MciError SimMedia::Open(const std::string& element, MciDevice& device) {
    Behaviour b;
    auto it = m_behaviours.find(AsciiUpper(element));
    if (it != m_behaviours.end()) b = it->second;
    else if (!m_files.FileExists(element)) b.openError = kFileNotFound;
    if (b.openError) {
        m_trace.Add("media open " + Quote(element) + " -> error " + std::to_string(b.openError));
        return b.openError;
    }
    device = m_next++;
    m_devices[device] = Device{element, b, false, false, {}, {}};
    m_trace.Add("media open " + Quote(element) + " -> device " + std::to_string(device) +
                (b.video ? " video " + std::to_string(b.size.width) + "x" + std::to_string(b.size.height) : " no-video"));
    return 0;
}

std::string SimMedia::ErrorText(MciError error) {
    switch (error) {
        case kFileNotFound: return "The specified file cannot be found.";
        case kInvalidDevice: return "Invalid device ID.";
        default: return "MCI error " + std::to_string(error) + ".";
    }
}

bool SimMedia::HasVideo(MciDevice device) {
    auto it = m_devices.find(device);
    return it != m_devices.end() && it->second.behaviour.video;
}

Size SimMedia::NaturalSize(MciDevice device) {
    auto it = m_devices.find(device);
    return it == m_devices.end() ? Size{} : it->second.behaviour.size;
}

MciError SimMedia::SetWindow(MciDevice device, WindowHandle window) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    const MciError error = it->second.behaviour.windowError;
    m_trace.Add("media window device " + std::to_string(device) + " -> window " + std::to_string(window) +
                (error ? " -> error " + std::to_string(error) : ""));
    return error;
}

MciError SimMedia::PutDestination(MciDevice device, Rect r) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    const MciError error = it->second.behaviour.destinationError;
    m_trace.Add("media destination device " + std::to_string(device) + " " + std::to_string(r.left) + "," +
                std::to_string(r.top) + " " + std::to_string(r.width) + "x" + std::to_string(r.height) +
                (error ? " -> error " + std::to_string(error) : ""));
    return error;
}

bool SimMedia::AtEnd(MciDevice device) {
    auto it = m_devices.find(device);
    return it != m_devices.end() && it->second.atEnd;
}

MciError SimMedia::SeekToStart(MciDevice device) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    it->second.atEnd = false;
    m_trace.Add("media seek-start device " + std::to_string(device));
    return 0;
}

void SimMedia::Deliver(Device& device, std::uint32_t value) {
    auto notify = std::move(device.notify);
    device.notify = nullptr;
    device.playing = false;
    if (notify) m_post([notify, value] { notify(value); });
}

MciError SimMedia::Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    Device& d = it->second;
    if (d.behaviour.playError) {
        m_trace.Add("media play device " + std::to_string(device) + " -> error " + std::to_string(d.behaviour.playError));
        return d.behaviour.playError;
    }
    if (d.notify) Deliver(d, notify::Superseded);
    m_trace.Add("media play device " + std::to_string(device));
    d.playing = true;
    d.notify = onNotify;
    d.lastNotify = std::move(onNotify);
    m_playOrder.push_back(device);
    return 0;
}

MciError SimMedia::Stop(MciDevice device) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    m_trace.Add("media stop device " + std::to_string(device));
    if (it->second.notify) Deliver(it->second, notify::Aborted);
    return 0;
}

MciError SimMedia::Close(MciDevice device) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    m_trace.Add("media close device " + std::to_string(device));
    if (it->second.notify) Deliver(it->second, notify::Aborted);
    if (it->second.lastNotify) m_closedNotify.push_back(std::move(it->second.lastNotify));
    m_devices.erase(it);
    return 0;
}

bool SimMedia::EndPlay(std::uint32_t value) {
    for (auto it = m_playOrder.rbegin(); it != m_playOrder.rend(); ++it) {
        auto d = m_devices.find(*it);
        if (d != m_devices.end() && d->second.notify) {
            if (value == notify::Successful) d->second.atEnd = true;
            Deliver(d->second, value);
            return true;
        }
    }
    return false;
}

bool SimMedia::EndClosed(std::uint32_t value) {
    if (m_closedNotify.empty()) return false;
    auto notify = m_closedNotify.back();
    m_post([notify, value] { notify(value); });
    return true;
}

}  // namespace vel::sim
