#pragma once
// Simulated media devices: files open, play and post their end notices as the
// scenario set them up.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/MediaControl.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimMedia final : public MediaControl {
public:
    SimMedia(Trace& trace, SimFiles& files, std::function<void(std::function<void()>)> post)
        : m_trace(trace), m_files(files), m_post(std::move(post)) {}
    MciError Open(const std::string& element, MciDevice& device) override;
    std::string ErrorText(MciError error) override;
    bool HasVideo(MciDevice device) override;
    Size NaturalSize(MciDevice device) override;
    MciError SetWindow(MciDevice device, WindowHandle window) override;
    MciError PutDestination(MciDevice device, Rect rect) override;
    bool AtEnd(MciDevice device) override;
    MciError SeekToStart(MciDevice device) override;
    MciError Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) override;
    MciError Stop(MciDevice device) override;
    MciError Close(MciDevice device) override;

    struct Behaviour {
        MciError openError = 0;
        bool video = true;
        Size size{320, 240};
        MciError playError = 0;
        // The device refuses its display window or destination rectangle.
        MciError windowError = 0;
        MciError destinationError = 0;
    };
    // How a file opens (matched without letter case); files not named here open when they exist.
    void Define(const std::string& path, Behaviour behaviour);
    // Ends the play of the most recently played open device with that notice value.
    bool EndPlay(std::uint32_t value);
    // A notice that arrives after its device was closed: the most recently closed
    // device that was played sends this value to the callback of its last play
    // (as often as the scenario asks).
    bool EndClosed(std::uint32_t value);
    std::size_t OpenCount() const { return m_devices.size(); }

private:
    struct Device {
        std::string element;
        Behaviour behaviour;
        bool playing = false;
        bool atEnd = false;
        std::function<void(std::uint32_t)> notify;
        // The callback of the last play, kept for notices that come late.
        std::function<void(std::uint32_t)> lastNotify;
    };
    void Deliver(Device& device, std::uint32_t value);
    Trace& m_trace;
    SimFiles& m_files;
    std::function<void(std::function<void()>)> m_post;
    std::map<std::string, Behaviour> m_behaviours;
    std::map<MciDevice, Device> m_devices;
    std::vector<MciDevice> m_playOrder;
    std::vector<std::function<void(std::uint32_t)>> m_closedNotify;
    MciDevice m_next = 1;
};

}  // namespace vel::sim
