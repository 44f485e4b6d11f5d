// The program's mixer over ALSA's simple mixer of one control device. Its change
// notices come through the device's poll descriptors, watched on GLib's default main
// context: every change, whoever made it, reaches the callbacks on the window thread.

#include <alsa/asoundlib.h>
#include <glib.h>

#include <algorithm>
#include <map>

#include "platform/linux/services/LinuxServices.h"
#include "platform/linux/services/MixerLayout.h"

namespace vel::lnx {
namespace {

// ALSA says on standard error why a card is missing; a machine without sound is no
// error to the game.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

class AlsaMixer;

// A GLib source over the mixer's poll descriptors.
struct MixerSource {
    GSource source;
    AlsaMixer* owner;
};

class AlsaMixer final : public Mixer {
public:
    explicit AlsaMixer(std::string device) : m_device(std::move(device)) {}
    ~AlsaMixer() override {
        if (m_ownTimer) g_source_remove(m_ownTimer);
        StopWatching();
        if (m_mixer) snd_mixer_close(m_mixer);
    }

    std::uint32_t NumDevs() override { return Load() ? 1 : 0; }

    MmResult GetDevCaps(std::uint32_t device, std::uint32_t& destinations) override {
        if (!Valid(device)) return kBadDevice;
        destinations = static_cast<std::uint32_t>(m_layout.destinations.size());
        return mixer::NoError;
    }

    MmResult Open(std::uint32_t device, WindowHandle, std::function<void()> onControlChange,
                  MixerHandle& handle) override {
        if (!Valid(device)) return kBadDevice;
        if (!m_source && !Watch()) return mixer::Error;
        handle = ++m_lastHandle;
        m_open[handle] = std::move(onControlChange);
        return mixer::NoError;
    }

    MmResult Close(MixerHandle handle) override {
        if (!m_open.erase(handle)) return kBadHandle;
        if (m_open.empty()) StopWatching();
        return mixer::NoError;
    }

    MmResult GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) override {
        if (!Valid(device)) return kBadDevice;
        if (destination >= m_layout.destinations.size()) return kBadParameter;
        line = m_layout.destinations[destination].line.line;
        return mixer::NoError;
    }

    MmResult GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source, MixerLine& line) override {
        if (!Valid(device)) return kBadDevice;
        if (destination >= m_layout.destinations.size() || source >= m_layout.destinations[destination].sources.size())
            return kBadParameter;
        line = m_layout.destinations[destination].sources[source].line;
        return mixer::NoError;
    }

    MmResult GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) override {
        if (!Valid(device)) return kBadDevice;
        for (const auto& d : m_layout.destinations) {
            if (d.line.line.componentType == componentType) {
                line = d.line.line;
                return mixer::NoError;
            }
            for (const auto& s : d.sources)
                if (s.line.componentType == componentType) {
                    line = s.line;
                    return mixer::NoError;
                }
        }
        return kNoLine;
    }

    MmResult GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                             std::vector<MixerControl>& controls) override {
        if (!Valid(device)) return kBadDevice;
        const LayoutLine* line = m_layout.Line(lineId);
        if (!line) return kBadParameter;
        if (line->controls.size() > room) return kBadParameter;  // never more than the caller has room for
        controls.clear();
        for (const auto& c : line->controls) controls.push_back(c.control);
        return mixer::NoError;
    }

    MmResult GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) override {
        snd_mixer_elem_t* element = nullptr;
        const LayoutControl* control = Find(device, controlId, element);
        if (!control) return kBadParameter;
        const MixerElement& e = m_layout.elements[control->element];
        const bool playback = control->part == ControlPart::PlaybackVolume || control->part == ControlPart::PlaybackMute;
        long highest = 0;
        bool anyOn = false, any = false;
        for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
            const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
            if (!(playback ? snd_mixer_selem_has_playback_channel(element, channel)
                           : snd_mixer_selem_has_capture_channel(element, channel)))
                continue;
            long raw = 0;
            int on = 0;
            int rc = 0;
            switch (control->part) {
                case ControlPart::PlaybackVolume: rc = snd_mixer_selem_get_playback_volume(element, channel, &raw); break;
                case ControlPart::CaptureVolume: rc = snd_mixer_selem_get_capture_volume(element, channel, &raw); break;
                case ControlPart::PlaybackMute: rc = snd_mixer_selem_get_playback_switch(element, channel, &on); break;
                case ControlPart::CaptureMute: rc = snd_mixer_selem_get_capture_switch(element, channel, &on); break;
            }
            if (rc < 0) return mixer::Error;
            const long min = playback ? e.playbackMin : e.captureMin;
            highest = any ? std::max(highest, raw - min) : raw - min;
            anyOn = anyOn || on;
            any = true;
        }
        if (!any) return mixer::Error;
        // One value for all channels: the loudest one; muted only when every one is.
        const bool isMute = control->part == ControlPart::PlaybackMute || control->part == ControlPart::CaptureMute;
        value = isMute ? (anyOn ? 0 : 1) : static_cast<std::int32_t>(highest);
        return mixer::NoError;
    }

    MmResult SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) override {
        snd_mixer_elem_t* element = nullptr;
        const LayoutControl* control = Find(device, controlId, element);
        if (!control) return kBadParameter;
        const MixerElement& e = m_layout.elements[control->element];
        std::int32_t before = 0;
        const bool known = GetValue(device, controlId, before) == mixer::NoError;
        const auto unsignedValue = static_cast<std::uint32_t>(value);
        const long playbackRaw = e.playbackMin + static_cast<long>(std::min(unsignedValue, control->control.maximum));
        const long captureRaw = e.captureMin + static_cast<long>(std::min(unsignedValue, control->control.maximum));
        int rc = 0;
        switch (control->part) {
            case ControlPart::PlaybackVolume: rc = snd_mixer_selem_set_playback_volume_all(element, playbackRaw); break;
            case ControlPart::CaptureVolume: rc = snd_mixer_selem_set_capture_volume_all(element, captureRaw); break;
            case ControlPart::PlaybackMute: rc = snd_mixer_selem_set_playback_switch_all(element, value == 0); break;
            case ControlPart::CaptureMute: rc = snd_mixer_selem_set_capture_switch_all(element, value == 0); break;
        }
        if (rc < 0) return mixer::Error;
        std::int32_t after = 0;
        if (!known || GetValue(device, controlId, after) != mixer::NoError || after != before) OwnChange();
        return mixer::NoError;
    }

    // From the GLib source: read what the device says, then tell every open handle.
    void Dispatch() {
        if (!m_mixer) return;
        std::vector<pollfd> fds(m_tags.size());
        for (std::size_t i = 0; i < fds.size(); ++i) {
            fds[i] = m_fds[i];
            fds[i].revents = static_cast<short>(g_source_query_unix_fd(&m_source->source, m_tags[i]));
        }
        unsigned short revents = 0;
        snd_mixer_poll_descriptors_revents(m_mixer, fds.data(), static_cast<unsigned>(fds.size()), &revents);
        if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
            // The device went away (a card unplugged): no more notices from it.
            StopWatching();
            return;
        }
        if (!(revents & POLLIN)) return;
        if (snd_mixer_handle_events(m_mixer) <= 0) return;
        m_ownChange = false;  // the device told of it
        Notify();
    }

private:
    void Notify() {
        std::vector<std::function<void()>> callbacks;  // copies: a callback may close its handle
        for (const auto& [handle, callback] : m_open)
            if (callback) callbacks.push_back(callback);
        for (auto& callback : callbacks) callback();
    }

    // A card's driver tells every program of a change, the writer too; a sound
    // server's plugin does not tell the writer. Its own change is told shortly after
    // unless the device told of it meanwhile.
    void OwnChange() {
        if (m_open.empty()) return;
        m_ownChange = true;
        if (m_ownTimer) return;
        m_ownTimer = g_timeout_add(
            30,
            [](gpointer self) -> gboolean {
                auto* mixer = static_cast<AlsaMixer*>(self);
                mixer->m_ownTimer = 0;
                if (mixer->m_ownChange) {
                    mixer->m_ownChange = false;
                    mixer->Notify();
                }
                return G_SOURCE_REMOVE;
            },
            this);
    }

    static constexpr MmResult kBadDevice = 2;     // MMSYSERR_BADDEVICEID
    static constexpr MmResult kBadHandle = 5;     // MMSYSERR_INVALHANDLE
    static constexpr MmResult kBadParameter = 11;  // MMSYSERR_INVALPARAM
    static constexpr MmResult kNoLine = 1024;     // MIXERR_INVALLINE

    bool Valid(std::uint32_t device) { return device == 0 && Load(); }

    // Opens the device's simple mixer once and lays out its elements.
    bool Load() {
        if (m_tried) return m_mixer != nullptr;
        m_tried = true;
        snd_lib_error_handler_t told = snd_lib_error;
        snd_lib_error_set_handler(Quiet);
        snd_mixer_t* handle = nullptr;
        bool ok = snd_mixer_open(&handle, 0) == 0;
        ok = ok && snd_mixer_attach(handle, m_device.c_str()) == 0 && snd_mixer_selem_register(handle, nullptr, nullptr) == 0 &&
             snd_mixer_load(handle) == 0;
        snd_lib_error_set_handler(told);
        if (!ok) {
            if (handle) snd_mixer_close(handle);
            return false;
        }
        std::vector<MixerElement> elements;
        for (snd_mixer_elem_t* el = snd_mixer_first_elem(handle); el; el = snd_mixer_elem_next(el)) {
            if (!snd_mixer_selem_is_active(el)) continue;
            MixerElement e;
            e.name = snd_mixer_selem_get_name(el);
            e.index = snd_mixer_selem_get_index(el);
            e.playbackVolume = snd_mixer_selem_has_playback_volume(el);
            e.playbackSwitch = snd_mixer_selem_has_playback_switch(el);
            e.captureVolume = snd_mixer_selem_has_capture_volume(el);
            e.captureSwitch = snd_mixer_selem_has_capture_switch(el);
            if (e.playbackVolume) snd_mixer_selem_get_playback_volume_range(el, &e.playbackMin, &e.playbackMax);
            if (e.captureVolume) snd_mixer_selem_get_capture_volume_range(el, &e.captureMin, &e.captureMax);
            elements.push_back(std::move(e));
        }
        m_layout = BuildMixerLayout(std::move(elements));
        if (m_layout.destinations.empty()) {
            snd_mixer_close(handle);
            return false;
        }
        m_mixer = handle;
        return true;
    }

    // The element of a control, looked up by name each time: one that went away is
    // never touched through a stale pointer.
    const LayoutControl* Find(std::uint32_t device, std::uint32_t controlId, snd_mixer_elem_t*& element) {
        if (!Valid(device)) return nullptr;
        const LayoutControl* control = m_layout.Control(controlId);
        if (!control) return nullptr;
        const MixerElement& e = m_layout.elements[control->element];
        snd_mixer_selem_id_t* id = nullptr;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_name(id, e.name.c_str());
        snd_mixer_selem_id_set_index(id, e.index);
        element = snd_mixer_find_selem(m_mixer, id);
        return element ? control : nullptr;
    }

    bool Watch() {
        static GSourceFuncs funcs = {
            nullptr, nullptr,
            [](GSource* source, GSourceFunc, gpointer) -> gboolean {
                reinterpret_cast<MixerSource*>(source)->owner->Dispatch();
                return G_SOURCE_CONTINUE;
            },
            nullptr, nullptr, nullptr};
        const int count = snd_mixer_poll_descriptors_count(m_mixer);
        if (count <= 0) return false;
        m_fds.assign(static_cast<std::size_t>(count), pollfd{});
        if (snd_mixer_poll_descriptors(m_mixer, m_fds.data(), static_cast<unsigned>(count)) < 0) return false;
        m_source = reinterpret_cast<MixerSource*>(g_source_new(&funcs, sizeof(MixerSource)));
        m_source->owner = this;
        for (const auto& fd : m_fds)
            m_tags.push_back(g_source_add_unix_fd(&m_source->source, fd.fd, static_cast<GIOCondition>(fd.events)));
        g_source_attach(&m_source->source, nullptr);
        return true;
    }

    void StopWatching() {
        if (!m_source) return;
        g_source_destroy(&m_source->source);
        g_source_unref(&m_source->source);
        m_source = nullptr;
        m_tags.clear();
    }

    std::string m_device;
    bool m_tried = false;
    snd_mixer_t* m_mixer = nullptr;
    MixerLayout m_layout;
    std::map<MixerHandle, std::function<void()>> m_open;
    MixerHandle m_lastHandle = 0;
    MixerSource* m_source = nullptr;
    std::vector<pollfd> m_fds;
    std::vector<gpointer> m_tags;
    bool m_ownChange = false;
    guint m_ownTimer = 0;
};

}  // namespace

std::unique_ptr<Mixer> CreateAlsaMixer(const std::string& device) { return std::make_unique<AlsaMixer>(device); }

}  // namespace vel::lnx
