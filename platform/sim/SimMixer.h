#pragma once
// The simulated mixer.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Mixer.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

// A mixer topology the scenario describes: devices, their destination lines with
// source lines, and the lines' controls. A value that changes, whoever changed it,
// sends a change notice to the window of every handle open on that device.
class SimMixer final : public Mixer {
public:
    SimMixer(Trace& trace, std::function<void(std::function<void()>)> post) : m_trace(trace), m_post(std::move(post)) {}
    std::uint32_t NumDevs() override { return static_cast<std::uint32_t>(devices.size()); }
    MmResult GetDevCaps(std::uint32_t device, std::uint32_t& destinations) override;
    MmResult Open(std::uint32_t device, WindowHandle window, std::function<void()> onControlChange,
                  MixerHandle& handle) override;
    MmResult Close(MixerHandle handle) override;
    MmResult GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) override;
    MmResult GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source, MixerLine& line) override;
    MmResult GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) override;
    // Refuses a line with more controls than `room`, as the real listing does.
    MmResult GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                             std::vector<MixerControl>& controls) override;
    MmResult GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) override;
    MmResult SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) override;

    struct SimControl {
        MixerControl control;
        std::int32_t value = 0;
    };
    struct SimLine {
        MixerLine line;
        std::vector<SimControl> controls;
        bool failQuery = false;
        bool failControls = false;
    };
    struct SimDestination {
        SimLine line;
        std::vector<SimLine> sources;
    };
    struct SimDevice {
        std::vector<SimDestination> destinations;
        bool failOpen = false;
        bool failCaps = false;
    };
    std::vector<SimDevice> devices;

    // Building a topology, each step on the device or line added last; line ids are
    // given in order. Adding out of order or a control id the device already has
    // raises std::logic_error.
    SimDevice& AddDevice();
    SimLine& AddDestination(std::uint32_t componentType, const std::string& name = {});
    SimLine& AddSource(std::uint32_t componentType, const std::string& name = {});
    SimControl& AddControl(std::uint32_t controlType, std::uint32_t controlId, std::int32_t value,
                           std::uint32_t minimum = 0, std::uint32_t maximum = 0, std::uint32_t steps = 0);

    // Sets a value as another program would; the open handles are notified.
    bool SetByOther(std::uint32_t controlId, std::int32_t value);
    // A line changes (a jack plugged in, a line made active): every handle open on
    // its device gets a line-change notice at its window. The program registers no
    // handler for these, as with the real mixer, so the notice is traced only.
    bool LineChange(std::uint32_t lineId);
    SimControl* FindControl(std::uint32_t device, std::uint32_t controlId);
    // The topology with its values, one line per device, line and control.
    std::vector<std::string> Dump();
    // Number of value writes the program made, for tests.
    int writes = 0;
    std::size_t OpenCount() const { return m_open.size(); }

private:
    SimLine* FindLine(std::uint32_t device, std::uint32_t lineId);
    SimLine& LastLine();
    void NotifyChange(std::uint32_t device);
    Trace& m_trace;
    std::function<void(std::function<void()>)> m_post;
    struct OpenDevice {
        std::uint32_t device;
        WindowHandle window;
        // Shared with the notices on their way, which are dropped once the handle closes.
        std::shared_ptr<std::function<void()>> notify;
    };
    std::map<MixerHandle, OpenDevice> m_open;
    MixerHandle m_next = 0x100;
    std::uint32_t m_nextLineId = 1;
    bool m_lastIsSource = false;
};

}  // namespace vel::sim
